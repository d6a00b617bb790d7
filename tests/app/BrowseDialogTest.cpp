// The browse dialog on a scratch home: what OK and Cancel do to the folder field, that the
// dialog keeps its selection between showings, and that a picked folder is what the next scan
// walks.
#include "ScratchHome.h"
#include "AppWindows.h"

#include "app/CatalogueRows.h"
#include "app/Resources.h"
#include "app/Unit4.h"
#include "platform/shellns/Execute.h"
#include "platform/shellns/Wide.h"
#include "shell/RightClick.h"
#include "shell/ShellTreeView.h"
#include "toolkit/Buttons.h"
#include "toolkit/Guard.h"
#include "support/Eventually.h"
#include "support/FakeDesktop.h"
#include "support/MessageBoxRecorder.h"

#include <QGuiApplication>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace {

// A desktop folder whose name is not UTF-8.
const std::string kOddFolder = "Old \xff\xfe replays";

class BrowseDialog : public testing::Test {
protected:
    void SetUp() override
    {
        home = std::make_unique<ScratchHome>();
        home->MakeDir("Desktop/Replays/Old");
        home->MakeDir("Desktop/Other");
        home->MakeDir("Desktop/" + kOddFolder);
        module = std::make_unique<ShellCtrls::ShellCtrlsModule>();
        Application->SetTitle(QStringLiteral("Dupsweep"));
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Application->CreateForm(Form4);
    }

    void TearDown() override
    {
        delete Form4;
        delete Form2;
        delete Form1;
        module.reset();
        home.reset();
    }

    static TTreeNode* Child(TTreeNode* parent, const QString& text)
    {
        for (int i = 0; parent && i < parent->Count(); ++i)
            if (parent->Item(i)->Text() == text)
                return parent->Item(i);
        return nullptr;
    }

    static TTreeNode* Desktop() { return Form4->ShellTreeView1->Items()->GetFirstNode(); }

    // Clicks "..." and, once the dialog runs modally, answer (OK or Cancel) after prepare.
    static void Browse(TBitBtn* answer, const std::function<void()>& prepare = {})
    {
        bool wasModal = false;
        QTimer::singleShot(0, [&] {
            wasModal = Form4->Modal();
            if (prepare)
                prepare();
            answer->Click();
        });
        Form1->glBitBtn2->Click();
        EXPECT_TRUE(wasModal);
        EXPECT_FALSE(Form4->Visible());
    }

    static QString Field() { return Form1->Edit1->Text(); }

    // Right-clicks node in the shown dialog's tree; the shell menu that comes is answered with the
    // command whose text is given ("" for none), and what it offered is kept in menuTexts.
    void PickFromMenu(TTreeNode* node, const std::string& command)
    {
        Form4->ShellTreeView1->SetMenuTracker([&](const shellns::Menu& menu, TPoint) -> std::uint32_t {
            std::uint32_t chosen = 0;
            menuTexts.clear();
            for (const shellns::MenuItem& item : menu.items)
                if (!item.separator) {
                    menuTexts.push_back(item.text);
                    if (item.text == command)
                        chosen = item.id;
                }
            return chosen;
        });
        RightClick(Form4->ShellTreeView1, node);
        Form4->ShellTreeView1->SetMenuTracker({});
    }

    std::vector<std::string> menuTexts;

    std::unique_ptr<ScratchHome> home;
    std::unique_ptr<ShellCtrls::ShellCtrlsModule> module;
    TMessageBoxRecorder boxes{*Application};
};

TEST_F(BrowseDialog, IsLaidOutWithTheDesktopExpandedAndSelected)
{
    EXPECT_EQ(QStringLiteral("Обзор компьютеров"), Form4->Caption());
    EXPECT_EQ(258, Form4->ClientWidth());
    EXPECT_EQ(283, Form4->ClientHeight());
    EXPECT_EQ(bsDialog, Form4->BorderStyle());
    EXPECT_FALSE(Form4->Visible());

    EXPECT_EQ(QStringLiteral("OK"), Form4->BitBtn1->Caption());
    EXPECT_TRUE(Form4->BitBtn1->Default());
    EXPECT_EQ(mrOk, Form4->BitBtn1->ModalResult());
    EXPECT_EQ(QStringLiteral("Cancel"), Form4->BitBtn2->Caption());
    EXPECT_TRUE(Form4->BitBtn2->Cancel());
    EXPECT_EQ(mrCancel, Form4->BitBtn2->ModalResult());

    TShellTreeView* tree = Form4->ShellTreeView1;
    EXPECT_EQ(alTop, tree->Align());
    EXPECT_EQ(249, tree->Height());
    ASSERT_NE(nullptr, Desktop());
    EXPECT_TRUE(Desktop()->Expanded());
    EXPECT_EQ(Desktop(), tree->Selected());
    EXPECT_NE(nullptr, Child(Desktop(), QStringLiteral("Replays")));
}

TEST_F(BrowseDialog, OkAtOncePutsTheDesktopFolderIntoTheField)
{
    Browse(Form4->BitBtn1);
    EXPECT_EQ(QString::fromStdString(home->desktop), Field());
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(BrowseDialog, CancelLeavesTheFieldAndTheDialogKeepsItsSelection)
{
    const QString before = Field();
    TTreeNode* replays = Child(Desktop(), QStringLiteral("Replays"));
    ASSERT_NE(nullptr, replays);
    Browse(Form4->BitBtn2, [&] {
        replays->Expand(false);
        Form4->ShellTreeView1->SetSelected(Child(replays, QStringLiteral("Old")));
    });
    EXPECT_EQ(before, Field());

    // Shown again: the same node is selected and its parent still expanded; OK takes it.
    Browse(Form4->BitBtn1, [&] {
        EXPECT_TRUE(replays->Expanded());
        EXPECT_EQ(QStringLiteral("Old"), Form4->ShellTreeView1->Selected()->Text());
    });
    EXPECT_EQ(QString::fromStdString(home->desktop + "/Replays/Old"), Field());
}

TEST_F(BrowseDialog, AVirtualPlaceGivesItsNameNotAPathAndAScanOfItSaysSo)
{
    for (const QString& place : {QStringLiteral("Computer"), QStringLiteral("Trash")}) {
        Browse(Form4->BitBtn1, [&] { Form4->ShellTreeView1->SetSelected(Child(Desktop(), place)); });
        EXPECT_EQ(place, Field());
        // No folder on disk is named so: the scan lists nothing and tells why.
        TMessageBoxRecorder told(*Application);
        Guard([] { Form1->glBitBtn1->Click(); });
        EXPECT_EQ(0, Form1->ListView1->RowCount());
        ASSERT_EQ(1u, told.Shown().size());
        EXPECT_TRUE(told.Shown()[0].text.startsWith(QStringLiteral("Не удалось открыть папку «") + place + u'»'));
        EXPECT_TRUE(told.Shown()[0].text.endsWith(QStringLiteral("Папка не найдена.")));
    }
}

TEST_F(BrowseDialog, TheNextScanWalksThePickedFolder)
{
    const std::string replay = testsupport::MakeReplay(60 * kRecord, "first", "second", {}, 1);
    home->MakeFile("Desktop/Replays/Old/game.rep", replay);
    home->MakeFile("Desktop/Other/elsewhere.rep", replay);
    Browse(Form4->BitBtn1, [] {
        TTreeNode* replays = Child(Desktop(), QStringLiteral("Replays"));
        Form4->ShellTreeView1->SetSelected(replays);
    });
    Form1->glBitBtn1->Click();
    ASSERT_EQ(1, Form1->ListView1->RowCount());
    EXPECT_EQ(QStringLiteral("game.rep"), Form1->ListView1->CellText(0, 0));
}

// Names that are not UTF-8 travel from the tree through the field to the scan, the list and the
// report as their bytes.
TEST_F(BrowseDialog, AFolderNamedInBytesThatAreNotUtf8IsPickedScannedAndCleaned)
{
    const std::string& folderName = kOddFolder;
    const std::string replay = testsupport::MakeReplay(60 * kRecord, "same", "same", {}, 5);
    const std::string copy = home->MakeFile("Desktop/" + folderName + "/copy \xe9.rep", replay);
    const std::string kept = home->MakeFile("Desktop/" + folderName + "/zz.rep", replay);
    Browse(Form4->BitBtn1, [&] {
        Form4->ShellTreeView1->SetSelected(Child(Desktop(), shellns::PathToText(folderName)));
    });
    EXPECT_EQ(shellns::TextToPath(Field()), home->desktop + "/" + folderName);

    Form1->glBitBtn1->Click();
    ASSERT_EQ(2, Form1->ListView1->RowCount());
    EXPECT_EQ(shellns::TextToPath(Form1->ListView1->CellText(0, app::kPathColumn)), copy);
    EXPECT_EQ(shellns::TextToPath(Form1->ListView1->CellText(1, app::kPathColumn)), kept);

    // Of the two identical copies the earlier goes, named in the report by its own bytes.
    Form1->glBitBtn3->Click();
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_TRUE(std::filesystem::exists(kept));
    ASSERT_EQ(1, Form2->ListBox1->Count());
    EXPECT_EQ(shellns::TextToPath(Form2->ListBox1->Items()->Strings(0)), copy);
}

// The tree's context menu moves a folder to the trash only after a yes to a question that names
// it, whatever bytes its name holds, and says so when nothing opens one.
TEST_F(BrowseDialog, MovingAFolderToTheTrashIsAskedFirstAndANoKeepsIt)
{
    const std::string other = home->desktop + "/Other";
    boxes.Answer(IDNO);
    Browse(Form4->BitBtn2, [&] { PickFromMenu(Child(Desktop(), QStringLiteral("Other")), "&Delete"); });
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(QStringLiteral("Move the folder “Other” to the trash?"), boxes.Shown()[0].text);
    EXPECT_EQ(MB_YESNO | MB_ICONQUESTION, boxes.Shown()[0].flags);
    EXPECT_TRUE(std::filesystem::is_directory(other));
    EXPECT_NE(nullptr, Child(Desktop(), QStringLiteral("Other")));

    boxes.Answer(IDYES);
    Browse(Form4->BitBtn2, [&] { PickFromMenu(Child(Desktop(), QStringLiteral("Other")), "&Delete"); });
    EXPECT_EQ(2u, boxes.Shown().size());
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_TRUE(std::filesystem::is_directory(home->home + "/.local/share/Trash/files/Other"));
    EXPECT_EQ(nullptr, Child(Desktop(), QStringLiteral("Other")));
}

TEST_F(BrowseDialog, AFolderWhoseNameIsNoUtf8GoesToTheTrashByItsBytes)
{
    const QString shown = shellns::PathToText(kOddFolder);
    Browse(Form4->BitBtn2, [&] { PickFromMenu(Child(Desktop(), shown), "&Delete"); });
    EXPECT_EQ((std::vector<std::string>{"&Open", "&Delete", "Rena&me"}), menuTexts);
    ASSERT_EQ(1u, boxes.Shown().size()); // the question, naming the folder
    EXPECT_TRUE(boxes.Shown()[0].text.contains(shown));
    EXPECT_FALSE(std::filesystem::exists(home->desktop + "/" + kOddFolder));
    EXPECT_TRUE(std::filesystem::is_directory(home->home + "/.local/share/Trash/files/" + kOddFolder));
    EXPECT_EQ(nullptr, Child(Desktop(), shown));
}

// Installed, the program offers itself for folders: where the desktop would open a folder with it,
// opening one from the dialog would only start a second Dupsweep, so it is as if there were none.
TEST_F(BrowseDialog, OpeningAFolderWithNothingElseToOpenItTellsTheUser)
{
    SetProgramIcon(); // names the program's desktop entry, as start-up does
    testsupport::FakeDesktop opener;
    const std::string other = home->desktop + "/Other";
    for (const char* application : {"", "org.example.Dupsweep.desktop"}) {
        SCOPED_TRACE(application);
        opener.SetFolderApplication(application);
        const std::size_t before = boxes.Shown().size();
        Browse(Form4->BitBtn2, [&] { PickFromMenu(Child(Desktop(), QStringLiteral("Other")), "&Open"); });
        ASSERT_EQ(before + 1, boxes.Shown().size());
        EXPECT_EQ(QStringLiteral("Could not open “Other”: no application that opens folders was found."),
                  boxes.Shown().back().text);
        EXPECT_EQ(MB_ICONSTOP, boxes.Shown().back().flags & MB_ICONSTOP);
    }
    opener.SetFolderApplication("files.desktop");
    Browse(Form4->BitBtn2, [&] { PickFromMenu(Child(Desktop(), QStringLiteral("Other")), "&Open"); });
    ASSERT_EVENTUALLY_EQ(opener.Opened(), std::vector<std::string>{other});
    EXPECT_EQ(2u, boxes.Shown().size());
    QGuiApplication::setDesktopFileName({});
}

// Under a Russian locale the tree's own words are Russian, as on a Russian desktop; the paths
// and what OK puts into the field are the same as in English.
class RussianBrowseDialog : public BrowseDialog {
protected:
    void SetUp() override
    {
        locale = std::make_unique<ScopedLocale>("ru_RU.UTF-8");
        BrowseDialog::SetUp();
    }
    void TearDown() override
    {
        BrowseDialog::TearDown();
        locale.reset();
    }

    std::unique_ptr<ScopedLocale> locale;
};

TEST_F(RussianBrowseDialog, NamesItsPlacesAndCommandsInRussianAndKeepsThePaths)
{
    EXPECT_EQ(QStringLiteral("Рабочий стол"), Desktop()->Text());
    for (const QString& place : {QStringLiteral("Домашняя папка"), QStringLiteral("Компьютер"), QStringLiteral("Корзина")})
        EXPECT_NE(nullptr, Child(Desktop(), place)) << place.toStdString();
    TTreeNode* computer = Child(Desktop(), QStringLiteral("Компьютер"));
    ASSERT_NE(nullptr, computer);
    computer->Expand(false);
    EXPECT_NE(nullptr, Child(computer, QStringLiteral("Файловая система")));

    Browse(Form4->BitBtn1, [&] { PickFromMenu(Child(Desktop(), QStringLiteral("Other")), ""); });
    EXPECT_EQ((std::vector<std::string>{"&Открыть", "&Удалить", "Переи&меновать"}), menuTexts);
    EXPECT_EQ(QString::fromStdString(home->desktop + "/Other"), Field());

    Browse(Form4->BitBtn1, [&] { Form4->ShellTreeView1->SetSelected(Child(Desktop(), QStringLiteral("Домашняя папка"))); });
    EXPECT_EQ(QString::fromStdString(home->home), Field());
    Browse(Form4->BitBtn1, [&] { Form4->ShellTreeView1->SetSelected(computer); });
    EXPECT_EQ(QStringLiteral("Компьютер"), Field());

    boxes.Answer(IDNO);
    Browse(Form4->BitBtn2, [&] { PickFromMenu(Child(Desktop(), QStringLiteral("Other")), "&Удалить"); });
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(QStringLiteral("Переместить папку «Other» в корзину?"), boxes.Shown()[0].text);
}

TEST_F(BrowseDialog, NamesItsPlacesInEnglishUnderAnyOtherLocale)
{
    EXPECT_EQ(QStringLiteral("Desktop"), Desktop()->Text());
    for (const QString& place : {QStringLiteral("Home"), QStringLiteral("Computer"), QStringLiteral("Trash")})
        EXPECT_NE(nullptr, Child(Desktop(), place)) << place.toStdString();
}

} // namespace
