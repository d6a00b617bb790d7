#include "AppWindows.h"

#include "gl/glHint.h"
#include "toolkit/Guard.h"
#include "toolkit/Menus.h"
#include "platform/fs/CurrentDirectory.h"
#include "platform/fs/FileErrors.h"
#include "support/FormWriter.h"
#include "support/MessageBoxRecorder.h"

#include <QDir>
#include <QHeaderView>
#include <QListView>

namespace {

using MainWindow = AppWindows;

TEST_F(MainWindow, StartsHiddenWithTheStoredFolderTextAnEmptyListAndEveryButtonEnabled)
{
    EXPECT_EQ(Application->MainForm(), Form1);
    EXPECT_FALSE(Form1->Visible());
    EXPECT_EQ(Form1->Caption(), kTitle);
    EXPECT_EQ(Form1->Edit1->Text(), QStringLiteral("d:\\temp"));
    EXPECT_EQ(Form1->ListView1->Columns()->Count(), 3);
    EXPECT_EQ(Form1->ListView1->RowCount(), 0);
    for (TglBitBtn* button : {Form1->glBitBtn1, Form1->glBitBtn2, Form1->glBitBtn3, Form1->glBitBtn4})
        EXPECT_TRUE(button->Enabled()) << button->Name().toStdString();
    // The main window's styled hint shows every hint of the program.
    EXPECT_NE(dynamic_cast<TglHintWindow*>(Application->HintWindow()), nullptr);
}

TEST_F(MainWindow, EveryWindowIsDescribedByAFormResource)
{
    const QDir forms(QStringLiteral(":/forms"));
    const QStringList names = forms.entryList(QDir::Files);
    EXPECT_TRUE(names.contains(QStringLiteral("Unit1.form")));
    for (const QString& name : names) {
        EXPECT_TRUE(name.endsWith(QStringLiteral(".form"))) << name.toStdString();
        QFile file(forms.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_TRUE(file.readLine().startsWith("object ")) << name.toStdString();
    }
}

// "#rrggbb", as a failure shows it.
std::string Colour(QRgb pixel)
{
    return QColor(pixel).name().toStdString();
}

// No pixel of the window is left undrawn or drawn flat where the controls have an edge.
TEST_F(MainWindow, TheFieldsCornersAndTheHeaderBeyondTheColumnsAreDrawnLikeTheirNeighbours)
{
    Form1->Show();
    const QImage window = Form1->grab().toImage();
    Form1->Hide();

    // The field's frame has rounded corners: the form shows there, as beside the field.
    const TRect edit = Form1->Edit1->BoundsRect();
    const QRgb face = window.pixel(edit.left - 1, edit.top);
    for (const QPoint corner : {QPoint(edit.left, edit.top), QPoint(edit.right - 1, edit.top),
                                QPoint(edit.left, edit.bottom - 1), QPoint(edit.right - 1, edit.bottom - 1)})
        EXPECT_EQ(Colour(window.pixel(corner)), Colour(face)) << corner.x() << "," << corner.y();

    // Beyond the last column the header is a column without a caption: the same face and the
    // same bottom edge, row by row, as inside the last column.
    int columns = 0;
    for (int i = 0; i < Form1->ListView1->Columns()->Count(); ++i)
        columns += Form1->ListView1->Columns()->Items(i)->Width();
    const int insideLast = columns - 20;
    const int beyond = columns + 10;
    ASSERT_LT(beyond, Form1->ListView1->Width() - 2);
    const int headerHeight = Form1->ListView1->findChild<QHeaderView*>()->height();
    for (int y = 1; y < headerHeight; ++y)
        EXPECT_EQ(Colour(window.pixel(beyond, y)), Colour(window.pixel(insideLast, y))) << "row " << y;
}

TEST_F(MainWindow, TheFolderFieldsHintShowsInTheStyledWindow)
{
    Form1->Show();
    Application->HintMouseMessage(Form1->Edit1, Form1->Edit1->ClientToScreen(TPoint(5, 5)));
    Application->ActivateHint();
    auto* window = dynamic_cast<TglHintWindow*>(Application->HintWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Visible());
    EXPECT_EQ(window->Caption(), QStringLiteral("Replays directory"));
    Application->CancelHint();
    EXPECT_FALSE(window->Visible());
    Form1->Hide();
}

TEST_F(MainWindow, TheReportWindowStartsHiddenWithItsDesignedLayout)
{
    EXPECT_FALSE(Form2->Visible());
    EXPECT_EQ(Form2->Caption(), QStringLiteral("0"));
    EXPECT_EQ(Form2->BoundsRect().left, 329);
    EXPECT_EQ(Form2->BoundsRect().top, 149);
    EXPECT_EQ(Form2->ClientWidth(), 379);
    EXPECT_EQ(Form2->ClientHeight(), 438);
    EXPECT_EQ(Form2->BorderStyle(), bsDialog);
    EXPECT_EQ(Form2->ListBox1->BoundsRect(), Rect(0, 0, 379, 438));
    EXPECT_EQ(Form2->ListBox1->ItemHeight(), 13);
    EXPECT_EQ(Form2->ListBox1->Count(), 0);
}

TEST_F(MainWindow, AControlWrittenBackOutGivesOnlyWhatDiffersFromItsDefaults)
{
    EXPECT_EQ(TWriter::WriteComponent(Form1->glBitBtn1, Form1).toStdString(),
              QStringLiteral("object glBitBtn1: TglBitBtn\n"
                             "  Left = 320\n"
                             "  Top = 420\n"
                             "  Width = 125\n"
                             "  Height = 21\n"
                             "  OnClick = glBitBtn1Click\n"
                             "  Caption = 'Найти реплеи'\n"
                             "  TabOrder = 4\n"
                             "end\n")
                  .toStdString());
    EXPECT_EQ(TWriter::WriteComponent(Form1->glHint1, Form1).toStdString(),
              QStringLiteral("object glHint1: TglHint\n"
                             "  Active = False\n"
                             "  ShowHint = True\n"
                             "end\n")
                  .toStdString());
}

TEST_F(MainWindow, FindListsTheReplaysBySizeAndCountsThemInTheCaption)
{
    const std::string a = Replay("a.rep", 60, "one", "x", 1);
    const std::string b = Replay("sub/b.rep", 52, "two", "y", 2);
    const std::string c = Replay("sub/deeper/c.REP", 60, "three", "z", 3);
    tree.WriteFile("sub/notes.txt", "not a replay");

    Find(tree.Root());
    EXPECT_EQ(Column(0), (QStringList{QStringLiteral("b.rep"), QStringLiteral("a.rep"), QStringLiteral("c.REP")}));
    EXPECT_EQ(Column(1), (QStringList{QStringLiteral("52"), QStringLiteral("60"), QStringLiteral("60")}));
    EXPECT_EQ(Column(2), (QStringList{Shown(b), Shown(a), Shown(c)}));
    EXPECT_EQ(Form1->Caption(), kTitle + QStringLiteral("    реплеев 3"));
    EXPECT_TRUE(Form1->glBitBtn3->Enabled());
    EXPECT_TRUE(boxes.Shown().empty());

    // A second scan lists only what it finds.
    Find(tree.Path("sub/deeper"));
    EXPECT_EQ(Column(2), QStringList{Shown(c)});
    EXPECT_EQ(Form1->Caption(), kTitle + QStringLiteral("    реплеев 1"));
}

// The error box a scan of a folder that cannot be entered shows: the folder, then why.
QString NotEnteredBox(const QString& folder, const QString& reason)
{
    return QStringLiteral("Не удалось открыть папку ") + folder + QStringLiteral(".\n") + reason + u'.';
}

// After a scan that listed something, a folder text that cannot be entered: what the user is told,
// and that nothing of the earlier list or its delete button is left to act on.
void ExpectNotEntered(const std::string& typed, const QString& box)
{
    Form1->Edit1->SetText(shellns::PathToText(typed));
    TMessageBoxRecorder boxes(*Application);
    Guard([] { Form1->glBitBtn1->Click(); }); // as a click with the mouse runs it
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text.toStdString(), box.toStdString());
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("Dupsweep"));
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(Form1->ListView1->RowCount(), 0);
    EXPECT_EQ(Form1->Caption(), kTitle);
    EXPECT_FALSE(Form1->glBitBtn3->Enabled());
}

TEST_F(MainWindow, AFolderThatCannotBeEnteredIsNamedWithWhyInsteadOfCountingNothing)
{
    Replay("listed/a.rep", 60, "one", "x");
    tree.MakeFolder("replays");
    const std::string file = tree.WriteFile("notes.rep", "not a folder");
    struct Case {
        std::string typed;
        std::string takenAs; // where the walk looked; empty when it is the text itself
        QString reason;
    };
    const Case cases[] = {
        {"d:\\temp", tree.Path("d:\\temp"), QStringLiteral("Папка не найдена")},
        {"~/replays", tree.Path("~/replays"), QStringLiteral("Папка не найдена")},
        {tree.Path("replays") + " ", "", QStringLiteral("Папка не найдена")},
        {file, "", QStringLiteral("Это не папка")},
        {"", "", QStringLiteral("Недопустимое имя папки")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Find(tree.Path("listed"));
        ASSERT_EQ(Form1->ListView1->RowCount(), 1);
        ASSERT_EQ(files::SetCurrentDir(tree.Root()), files::kNoError); // relative texts are taken from here
        QString folder = QStringLiteral("«") + Shown(c.typed) + QStringLiteral("»");
        if (!c.takenAs.empty())
            folder += QStringLiteral(" (") + Shown(c.takenAs) + u')';
        ExpectNotEntered(c.typed, NotEnteredBox(folder, c.reason));
    }
    EXPECT_TRUE(problems.AllShown().empty());

    // An empty folder that exists is scanned: it simply holds no replays.
    Find(tree.Path("replays"));
    EXPECT_EQ(Form1->Caption(), kTitle + QStringLiteral("    реплеев 0"));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(MainWindow, AFolderTheUserMayNotEnterSaysSo)
{
    if (testsupport::RunningAsRoot())
        GTEST_SKIP() << "root enters folders without permission";
    const std::string locked = tree.MakeFolder("locked");
    Replay("locked/a.rep", 60, "one", "x");
    tree.SetMode("locked", 0);
    ExpectNotEntered(locked, NotEnteredBox(QStringLiteral("«") + Shown(locked) + QStringLiteral("»"),
                                           QStringLiteral("Доступ к папке запрещён")));
    tree.SetMode("locked", 0755);
}

TEST_F(MainWindow, DeleteRemovesTheEarlierCopyAndReportsIt)
{
    const std::string first = Replay("a/copy.rep", 60, "same", "same", 7);
    Replay("b/copy.rep", 60, "same", "same", 7);
    Replay("b/other.rep", 61, "same", "same", 8);
    Find(tree.Root());
    ASSERT_EQ(Form1->ListView1->RowCount(), 3);

    bool reportShownBeforeCount = false;
    QString captionAtCount;
    boxes.OnShown = [&](const TMessageBoxRequest&) {
        reportShownBeforeCount = Form2->Visible();
        captionAtCount = Form2->Caption();
    };
    DeleteIdentical();

    EXPECT_FALSE(tree.Exists("a/copy.rep"));
    EXPECT_TRUE(tree.Exists("b/copy.rep"));
    EXPECT_TRUE(tree.Exists("b/other.rep"));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("Дубликатов: 1"));
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("Dupsweep"));
    EXPECT_TRUE(reportShownBeforeCount);
    EXPECT_EQ(captionAtCount, QStringLiteral("0")); // the caption follows the count box
    EXPECT_TRUE(Form2->Visible());
    EXPECT_EQ(Form2->ListBox1->Items()->ToStringList(), QStringList{Shown(first)});
    EXPECT_EQ(Form2->Caption(), QStringLiteral("1 реплея удаленно"));
    // However long, the path is read whole: in the line's hint, and by scrolling to its end.
    EXPECT_TRUE(Form2->ListBox1->ShowHint());
    TRect area;
    EXPECT_EQ(Form2->ListBox1->HintAt(TPoint(5, 5), area), Shown(first));
    EXPECT_GE(Form2->ListBox1->ScrollWidth(), Form2->ListBox1->View()->fontMetrics().horizontalAdvance(Shown(first)));
    EXPECT_FALSE(Form1->glBitBtn3->Enabled());
    // The rows of deleted files stay until the next scan.
    EXPECT_EQ(Form1->ListView1->RowCount(), 3);
    EXPECT_EQ(Form1->ListView1->CellText(0, 2), Shown(first));
}

TEST_F(MainWindow, ARemovalThatDeletesNothingEmptiesTheReportWithoutShowingIt)
{
    Replay("a.rep", 60, "one", "x", 1);
    Replay("b.rep", 60, "two", "x", 2);
    Form2->ListBox1->Items()->Add(QStringLiteral("from before"));
    Find(tree.Root());
    DeleteIdentical();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("Дубликатов: 0"));
    EXPECT_FALSE(Form2->Visible());
    EXPECT_EQ(Form2->ListBox1->Count(), 0);
    EXPECT_EQ(Form2->Caption(), QStringLiteral("0 реплея удаленно"));
}

TEST_F(MainWindow, TheDeleteButtonFollowsItsStateTable)
{
    EXPECT_TRUE(Form1->glBitBtn3->Enabled()); // at start

    DeleteIdentical(); // over an empty catalogue: nothing happens but the button goes off
    EXPECT_FALSE(Form1->glBitBtn3->Enabled());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(Form2->Visible());
    EXPECT_EQ(Form2->Caption(), QStringLiteral("0"));

    tree.MakeFolder("empty");
    Find(tree.Path("empty")); // lists none: unchanged
    EXPECT_FALSE(Form1->glBitBtn3->Enabled());

    Replay("full/a.rep", 60, "one", "x");
    Find(tree.Path("full")); // lists one: enabled
    EXPECT_TRUE(Form1->glBitBtn3->Enabled());
    Find(tree.Path("empty")); // lists none: unchanged, so still enabled
    EXPECT_TRUE(Form1->glBitBtn3->Enabled());

    Find(tree.Path("full"));
    DeleteIdentical(); // after a removal: off
    EXPECT_FALSE(Form1->glBitBtn3->Enabled());
}

TEST_F(MainWindow, UnreadableReplaysAreListedInOneBoxOnceTheListIsUpToDate)
{
    const std::string good = Replay("good.rep", 60, "one", "x");
    // Its first fingerprint is empty, and it ends before the record that would stand in for it.
    const std::string unread = Replay("unread.rep", 54, "", "x");
    const std::string shortOne = tree.WriteFile("short.rep", std::string(51 * kRecord - 1, 'r'));
    int rowsAtBox = -1;
    QString captionAtBox;
    problems.OnShown = [&](const testsupport::ProblemsRecorder::Shown&) {
        rowsAtBox = Form1->ListView1->RowCount();
        captionAtBox = Form1->Caption();
    };
    Find(tree.Root());

    EXPECT_TRUE(boxes.Shown().empty());
    ASSERT_EQ(problems.AllShown().size(), 1u);
    const testsupport::ProblemsRecorder::Shown& box = problems.AllShown()[0];
    EXPECT_EQ(box.heading, QStringLiteral("Пропущено"));
    // The box opens for the file that could not be read, and names the one too short as well.
    ASSERT_EQ(box.problems.size(), 2u);
    EXPECT_EQ(box.problems[0].path, unread);
    EXPECT_EQ(box.problems[0].reason, QStringLiteral("Чтение за концом файла"));
    EXPECT_EQ(box.problems[1].path, shortOne);
    EXPECT_EQ(box.problems[1].reason, QStringLiteral("Слишком короткий для реплея"));
    EXPECT_EQ(rowsAtBox, 2);
    EXPECT_EQ(captionAtBox, kTitle + QStringLiteral("    реплеев 2 (слишком коротких файлов: 1)"));
    EXPECT_TRUE(Form1->glBitBtn3->Enabled());
    EXPECT_EQ(Column(2), (QStringList{Shown(unread), Shown(good)}));
}

// Files too short to be replays are no failure: no window stops the user for them; the caption
// counts them and the list's menu names them, until the next scan.
TEST_F(MainWindow, FilesTooShortToBeReplaysAreCountedAndNamedWithoutStoppingTheUser)
{
    Replay("good.rep", 60, "one", "x");
    const std::string shortOne = tree.WriteFile("a short.rep", std::string(51 * kRecord - 1, 'r'));
    const std::string empty = tree.WriteFile("empty.rep", "");
    EXPECT_FALSE(Form1->MenuItem1->Enabled());
    Find(tree.Root());

    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(problems.AllShown().empty());
    EXPECT_EQ(Form1->Caption(), kTitle + QStringLiteral("    реплеев 1 (слишком коротких файлов: 2)"));
    EXPECT_EQ(Form1->ListView1->PopupMenu(), Form1->PopupMenu1);
    ASSERT_TRUE(Form1->MenuItem1->Enabled());
    Form1->MenuItem1->Click();
    ASSERT_EQ(problems.AllShown().size(), 1u);
    const testsupport::ProblemsRecorder::Shown& list = problems.AllShown()[0];
    EXPECT_EQ(list.heading, QStringLiteral("Пропущено"));
    ASSERT_EQ(list.problems.size(), 2u);
    EXPECT_EQ(list.problems[0].path, shortOne);
    EXPECT_EQ(list.problems[1].path, empty);
    EXPECT_EQ(list.problems[1].reason, QStringLiteral("Слишком короткий для реплея"));

    // A scan that passes over nothing has nothing to name.
    tree.Remove("a short.rep");
    tree.Remove("empty.rep");
    Find(tree.Root());
    EXPECT_EQ(Form1->Caption(), kTitle + QStringLiteral("    реплеев 1"));
    EXPECT_FALSE(Form1->MenuItem1->Enabled());
}

TEST_F(MainWindow, AFolderOfReadOnlyReplaysSaysWhyNothingIsListed)
{
    const std::string readOnly = Replay("locked.rep", 60, "one", "x");
    tree.SetMode("locked.rep", 0444);
    Find(tree.Root());

    EXPECT_EQ(Form1->ListView1->RowCount(), 0);
    ASSERT_EQ(problems.AllShown().size(), 1u);
    const testsupport::ProblemsRecorder::Shown& box = problems.AllShown()[0];
    EXPECT_EQ(box.heading, QStringLiteral("Пропущено"));
    ASSERT_EQ(box.problems.size(), 1u);
    EXPECT_EQ(box.problems[0].path, readOnly);
    EXPECT_EQ(box.problems[0].reason, QStringLiteral("Файл только для чтения"));
    EXPECT_TRUE(tree.Exists("locked.rep"));
}

TEST_F(MainWindow, FilesAnInterruptedRemovalLeftHiddenAreBroughtBackAndNamed)
{
    const std::string hidden = tree.Root() + "/" + testsupport::LeftoverFolderName() + "/lost.rep";
    const std::string bytes = testsupport::MakeReplay(60 * kRecord, "one", "x");
    tree.WriteFile(hidden.substr(tree.Root().size() + 1), bytes);
    Find(tree.Root());

    EXPECT_EQ(tree.Read("lost.rep"), bytes);
    EXPECT_EQ(Form1->ListView1->RowCount(), 1);
    ASSERT_EQ(problems.AllShown().size(), 1u);
    const testsupport::ProblemsRecorder::Shown& box = problems.AllShown()[0];
    EXPECT_EQ(box.heading, QStringLiteral("Возвращено"));
    ASSERT_EQ(box.problems.size(), 1u);
    EXPECT_EQ(box.problems[0].path, tree.Path("lost.rep"));
    EXPECT_EQ(box.problems[0].reason,
              QStringLiteral("Возвращён из %1, где его оставило прерванное удаление").arg(shellns::PathToText(hidden)));
}

TEST_F(MainWindow, FilesThatMatchButDifferAreReportedAfterTheCount)
{
    // Equal fingerprints, different contents: the removal keeps both and says why.
    Replay("a.rep", 60, "same", "same", 1);
    Replay("b.rep", 60, "same", "same", 2);
    Find(tree.Root());
    std::size_t boxesBeforeList = 0;
    problems.OnShown = [&](const testsupport::ProblemsRecorder::Shown&) { boxesBeforeList = boxes.Shown().size(); };
    DeleteIdentical();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("Дубликатов: 0"));
    EXPECT_EQ(boxesBeforeList, 1u);
    ASSERT_EQ(problems.AllShown().size(), 1u);
    EXPECT_EQ(problems.AllShown()[0].heading, QStringLiteral("Не удалено"));
    ASSERT_EQ(problems.AllShown()[0].problems.size(), 1u);
    EXPECT_EQ(problems.AllShown()[0].problems[0].path, tree.Path("a.rep"));
    // In the window's own language, naming the copy it was compared with.
    EXPECT_EQ(problems.AllShown()[0].problems[0].reason,
              QStringLiteral("Содержимое отличается от ") + Shown(tree.Path("b.rep")));
    EXPECT_TRUE(tree.Exists("a.rep"));
    EXPECT_TRUE(tree.Exists("b.rep"));
}

TEST_F(MainWindow, AwkwardNamesAreShownDecodedAndDeletedByTheirBytes)
{
    const std::string folder = "реплеи с пробелами";
    const std::string odd = Replay(folder + "/a/\xff\xfe.rep", 60, "same", "same", 4);
    Replay(folder + "/b/Copy Of.rep", 60, "same", "same", 4);
    Find(tree.Path(folder));
    ASSERT_EQ(Form1->ListView1->RowCount(), 2);
    EXPECT_EQ(Form1->ListView1->CellText(0, 0), Shown("\xff\xfe.rep"));
    EXPECT_EQ(Form1->ListView1->CellText(1, 0), QStringLiteral("Copy Of.rep"));

    DeleteIdentical();
    EXPECT_FALSE(tree.Exists(folder + "/a/\xff\xfe.rep"));
    EXPECT_TRUE(tree.Exists(folder + "/b/Copy Of.rep"));
    EXPECT_EQ(Form2->ListBox1->Items()->ToStringList(), QStringList{Shown(odd)});
}

// Replays of public games, with byte-identical copies among them.
TEST_F(MainWindow, RealReplaysLoseOnlyTheirIdenticalCopies)
{
    const std::string real = testsupport::RealReplaysFolder();
    if (real.empty())
        GTEST_SKIP() << "the real replay files are not beside this repository";
    const QStringList names = QDir(QString::fromStdString(real)).entryList({QStringLiteral("*.rep")}, QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names)
        tree.CopyFile("real/" + name.toStdString(), real + "/" + name.toStdString());

    Find(tree.Path("real"));
    // Three of them are shorter than the 51 records a replay needs: counted, but nothing stops the
    // user for them.
    EXPECT_TRUE(problems.AllShown().empty());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Form1->ListView1->RowCount(), names.size() - 3);
    EXPECT_EQ(Form1->Caption(),
              kTitle + QStringLiteral("    реплеев %1 (слишком коротких файлов: 3)").arg(names.size() - 3));

    DeleteIdentical();
    ASSERT_FALSE(boxes.Shown().empty());
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("Дубликатов: 3"));
    QStringList deleted = Form2->ListBox1->Items()->ToStringList();
    deleted.sort();
    EXPECT_EQ(deleted, (QStringList{Shown(tree.Path("real/r30.rep")), Shown(tree.Path("real/r32.rep")),
                                    Shown(tree.Path("real/r33.rep"))}));
    for (const char* kept : {"real/r31.rep", "real/r34.rep"})
        EXPECT_TRUE(tree.Exists(kept)) << kept;

    // A look at the windows as the user sees them, when asked for.
    const QByteArray shots = qgetenv("DUPSWEEP_SCREENSHOTS");
    if (!shots.isEmpty()) {
        EXPECT_TRUE(Form1->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/main-window.png")));
        EXPECT_TRUE(Form2->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/report-window.png")));
    }
}

} // namespace
