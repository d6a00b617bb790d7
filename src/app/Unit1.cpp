#include "app/Unit1.h"

#include "app/BackgroundJob.h"
#include "app/JobCounters.h"
#include "app/ProblemList.h"
#include "app/ReasonTexts.h"
#include "app/ReportWindow.h"
#include "app/Resources.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"

#include "gl/glBitBtn.h"
#include "gl/glHint.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "toolkit/Application.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"

#include "platform/fs/FileErrors.h"
#include "platform/shellns/Wide.h"

TForm1* Form1 = nullptr;

namespace {

const QString kTitle = QStringLiteral("Программа для удаления одинаковых реплеев");
// After a scan the caption carries the row count.
const QString kCountCaption = QStringLiteral("    реплеев ");
// After a stopped scan the count is of the rows found until then, and the caption says so.
const QString kStoppedCaption = QStringLiteral(" (поиск остановлен)");
// Files too short to be replays stop no one: the caption counts them, the list's menu names them.
const QString kTooShortCaption = QStringLiteral(" (слишком коротких файлов: %1)");
const QString kPassedOver = QStringLiteral("Пропущено");
// After a removal: the box gives the count, the report window's caption the lines it holds.
const QString kDuplicatesCount = QStringLiteral("Дубликатов: ");
const QString kRemovalStopped = QStringLiteral("\nУдаление остановлено.");
const QString kDeletedCaption = QStringLiteral(" реплея удаленно");

// The main window was closed while a job ran: the job has stopped after the file in hand, and no
// box may be left waiting for an answer from someone who is leaving.
bool Closing()
{
    return Application && Application->Terminated();
}

// Which folder could not be entered and why: as typed, and as the walk took it where that differs
// (a relative text is taken from the folder scanned last).
QString NotEnteredText(const QString& typed, const replays::ScanResult& scan)
{
    QString folder = QStringLiteral("«%1»").arg(typed);
    if (const QString resolved = shellns::PathToText(scan.folder); !resolved.isEmpty() && resolved != typed)
        folder += QStringLiteral(" (%1)").arg(resolved);
    return QStringLiteral("Не удалось открыть папку %1.\n%2").arg(folder, app::FolderErrorText(scan.enterError));
}

} // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner)
{
    EnsureAppResources();
    LoadFromResource(QStringLiteral(":/forms/Unit1.form"));
    Bind(Edit1, "Edit1");
    Bind(ListView1, "ListView1");
    Bind(ListBox1, "ListBox1");
    Bind(ListBox2, "ListBox2");
    Bind(glHint1, "glHint1");
    Bind(glBitBtn1, "glBitBtn1");
    Bind(glBitBtn2, "glBitBtn2");
    Bind(glBitBtn3, "glBitBtn3");
    Bind(glBitBtn4, "glBitBtn4");
    Bind(PopupMenu1, "PopupMenu1");
    Bind(MenuItem1, "MenuItem1");
    ListView1->SetDataProvider(&FRows);
}

TForm1::~TForm1()
{
    ListView1->SetDataProvider(nullptr);
    if (Form1 == this)
        Form1 = nullptr;
}

app::ProblemsPresenter TForm1::SetProblemsPresenter(app::ProblemsPresenter presenter)
{
    return std::exchange(FShowProblems, std::move(presenter));
}

void TForm1::DropRows()
{
    FRows.Withdraw();
    ListView1->DataChanged();
    FCatalogue = {}; // its memory goes back before the scan needs its own
}

void TForm1::ShowRows(replays::Catalogue catalogue)
{
    FCatalogue = std::move(catalogue);
    FRows.Publish();
    ListView1->DataChanged();
}

void TForm1::glBitBtn1Click(TObject*)
{
    DropRows();
    ListBox1->Clear();
    ListBox2->Clear();
    FPassedOver.clear();
    MenuItem1->SetEnabled(false);
    // The text goes to the walk unchanged, as the bytes the file system knows it by (a folder
    // picked in the browse dialog whose name is not UTF-8 included).
    const std::string folder = shellns::TextToPath(Edit1->Text());

    std::atomic<bool> cancel{false};
    app::JobCounter counter(app::JobCounter::Job::Scan, cancel, FJobProgressHook);
    replays::ScanResult scan;
    replays::Catalogue found;
    try {
        app::RunJob([&] { scan = replays::FindReplays(found, folder, {&counter, &cancel}); }, cancel,
                    QStringLiteral("Поиск реплеев"), [&] { return counter.Status(); });
    } catch (...) {
        // The rows found before the failure stay listed.
        ShowRows(std::move(found));
        throw;
    }
    ShowRows(std::move(found));
    if (Closing())
        return;
    if (!scan.entered) {
        // Nothing was scanned, so there is no count to show and nothing to delete.
        glBitBtn3->SetEnabled(false);
        SetCaption(kTitle);
        throw Exception(NotEnteredText(Edit1->Text(), scan));
    }

    FPassedOver.reserve(scan.errors.size() + scan.readOnly.size() + scan.tooShort.size());
    for (const replays::ReplayError& error : scan.errors)
        FPassedOver.push_back({error.path, error.folder ? app::FolderErrorText(error.code) : app::FileErrorText(error.code)});
    // Read-only replays are never deleted, so they are not listed; still, a folder of them must
    // not look like a folder without replays.
    for (const std::string& path : scan.readOnly)
        FPassedOver.push_back({path, app::FileErrorText(files::kReadOnly)});
    for (const std::string& path : scan.tooShort)
        FPassedOver.push_back({path, app::TooShortText()});
    MenuItem1->SetEnabled(!FPassedOver.empty());
    QString count = kTitle + kCountCaption + QString::number(ListView1->RowCount());
    if (!scan.tooShort.empty())
        count += kTooShortCaption.arg(scan.tooShort.size());
    if (scan.cancelled) {
        // The list holds what was found before the stop; nothing claims more. A removal works
        // from a completed scan, so the delete button waits for the next one.
        glBitBtn3->SetEnabled(false);
        SetCaption(count + kStoppedCaption);
    } else {
        if (ListView1->RowCount() >= 1)
            glBitBtn3->SetEnabled(true);
        SetCaption(count);
    }
    // Files that could not be read and read-only ones left alone stop the user, with whatever
    // else the list passed over; files too short to be replays alone do not: they are no replays,
    // and a collection that holds some is nothing out of the ordinary.
    if (!scan.errors.empty() || !scan.readOnly.empty())
        FShowProblems(kPassedOver, FPassedOver);
    // Files a removal that ended before its time had left hidden, which the scan brought back.
    std::vector<app::Problem> restored;
    for (const replays::RestoredFile& file : scan.restored)
        restored.push_back({file.path, app::RestoredText(file)});
    FShowProblems(QStringLiteral("Возвращено"), std::move(restored));
}

void TForm1::glBitBtn2Click(TObject*)
{
    // The dialog writes the chosen folder into Edit1 itself; its result says nothing more.
    Form4->ShowModal();
}

void TForm1::glBitBtn3Click(TObject*)
{
    // Over an empty catalogue the removal has nothing to do, and the report window stays as it is.
    if (FCatalogue.RowCount() == 0) {
        glBitBtn3->SetEnabled(false);
        return;
    }
    Form2->ListBox1->Clear();
    std::atomic<bool> cancel{false};
    app::JobCounter counter(app::JobCounter::Job::Removal, cancel, FJobProgressHook);
    app::ReportWindow report(*Form2);
    replays::RemovalResult result;
    app::RunJob([&] { result = replays::RemoveDuplicates(FCatalogue, {false, &counter, &cancel, &report}); },
                cancel, QStringLiteral("Удаление одинаковых реплеев"), [&] { return counter.Status(); });
    report.Flush();
    glBitBtn3->SetEnabled(false);
    if (Closing())
        return;

    // The progress window is gone by now: the count, then the report's caption, then what was kept.
    QString count = kDuplicatesCount + QString::number(result.deleted.size());
    if (result.cancelled)
        count += kRemovalStopped;
    ::ShowMessage(count);
    Form2->SetCaption(QString::number(Form2->ListBox1->Count()) + kDeletedCaption);
    std::vector<app::Problem> kept;
    kept.reserve(result.notDeleted.size());
    for (const replays::NotDeleted& file : result.notDeleted)
        kept.push_back({file.path, app::KeptReasonText(file)});
    FShowProblems(QStringLiteral("Не удалено"), std::move(kept));
}

void TForm1::glBitBtn4Click(TObject*)
{
    Form3->ShowModal();
}

void TForm1::MenuItem1Click(TObject*)
{
    FShowProblems(kPassedOver, FPassedOver);
}
