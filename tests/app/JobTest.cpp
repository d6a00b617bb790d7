#include "AppWindows.h"

#include "app/CatalogueRows.h"
#include "app/JobCounters.h"
#include "app/ProgressForm.h"
#include "app/ReportWindow.h"
#include "replays/CatalogueBuilder.h"
#include "toolkit/Thread.h"

#include <QApplication>
#include <QTimer>

#include <thread>

namespace {

using Jobs = AppWindows;

// Blocks the job's worker at its blockAt-th progress report until the job is cancelled, so a
// job lasts as long as the test needs, without any sleep.
void HoldJobAt(int blockAt)
{
    auto reports = std::make_shared<std::atomic<int>>(0);
    Form1->SetJobProgressHook([reports, blockAt](const std::atomic<bool>& cancel) {
        if (++*reports == blockAt)
            cancel.wait(false);
    });
}

// Presses Cancel in the progress window once it shows, noting what it showed.
struct CancelWhenShown {
    CancelWhenShown()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            TProgressForm* progress = TProgressForm::Current();
            if (!progress || !progress->Visible())
                return;
            timer.stop();
            modal = QApplication::activeModalWidget() == progress;
            status = progress->Status ? progress->Status() : QStringList();
            const QByteArray shots = qgetenv("DUPSWEEP_SCREENSHOTS");
            if (!shots.isEmpty())
                progress->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/progress-window.png"));
            progress->Button1->Click();
            cancelled = progress->CancelRequested();
        });
        timer.start();
    }

    QTimer timer;
    bool modal = false;
    bool cancelled = false;
    QStringList status;
};

TEST_F(Jobs, CancellingALongScanShowsTheRowsFoundSoFarAndSaysItStopped)
{
    for (int i = 0; i < 8; ++i)
        Replay("f" + std::to_string(i) + "/r.rep", 60 + std::size_t(i), "one", "x", unsigned(i));
    // A completed scan first: its count and its enabled delete button must not outlive the next.
    Find(tree.Root());
    ASSERT_EQ(Form1->Caption(), kTitle + QStringLiteral("    реплеев 8"));
    ASSERT_TRUE(Form1->glBitBtn3->Enabled());
    HoldJobAt(4);
    CancelWhenShown cancel;
    Find(tree.Root());

    EXPECT_TRUE(cancel.cancelled);
    EXPECT_TRUE(cancel.modal); // the other windows take no input meanwhile
    ASSERT_EQ(cancel.status.size(), 2);
    EXPECT_TRUE(cancel.status[0].startsWith(QStringLiteral("Папок: ")));
    const int rows = Form1->ListView1->RowCount();
    EXPECT_LT(rows, 8);
    EXPECT_EQ(std::size_t(rows), Form1->Catalogue().RowCount());
    EXPECT_EQ(Form1->Caption(), kTitle + QStringLiteral("    реплеев ") + QString::number(rows)
                                    + QStringLiteral(" (поиск остановлен)"));
    EXPECT_FALSE(Form1->glBitBtn3->Enabled());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(TProgressForm::Current(), nullptr);
}

TEST_F(Jobs, CancellingARemovalStopsAfterTheCurrentFileAndReportsWhatWentReally)
{
    for (int i = 0; i < 4; ++i) {
        const std::size_t records = 60 + std::size_t(i);
        Replay("a/r" + std::to_string(i) + ".rep", records, "same", "same", unsigned(i));
        Replay("b/r" + std::to_string(i) + ".rep", records, "same", "same", unsigned(i));
    }
    Find(tree.Root());
    ASSERT_EQ(Form1->ListView1->RowCount(), 8);
    HoldJobAt(2); // the first report comes before any file, the second after the first
    CancelWhenShown cancel;
    DeleteIdentical();

    EXPECT_TRUE(cancel.cancelled);
    ASSERT_FALSE(boxes.Shown().empty());
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("Дубликатов: 1\nУдаление остановлено."));
    EXPECT_EQ(Form2->ListBox1->Items()->ToStringList(), QStringList{Shown(tree.Path("a/r0.rep"))});
    EXPECT_EQ(Form2->Caption(), QStringLiteral("1 реплея удаленно"));
    EXPECT_FALSE(tree.Exists("a/r0.rep"));
    for (int i = 1; i < 4; ++i)
        EXPECT_TRUE(tree.Exists("a/r" + std::to_string(i) + ".rep"));
    EXPECT_FALSE(Form1->glBitBtn3->Enabled());
}

// Holds the job's worker at its blockAt-th progress report until the progress window shows.
struct HoldUntilProgressShows {
    explicit HoldUntilProgressShows(int blockAt)
    {
        Form1->SetJobProgressHook([this, blockAt](const std::atomic<bool>&) {
            if (++reports == blockAt)
                shown.wait(false);
        });
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (TProgressForm* progress = TProgressForm::Current(); progress && progress->Visible()) {
                timer.stop();
                shown = true;
                shown.notify_all();
            }
        });
        timer.start();
    }

    std::atomic<int> reports{0};
    std::atomic<bool> shown{false};
    QTimer timer;
};

TEST_F(Jobs, TheCountShowsOnlyOnceTheRemovalAndItsProgressWindowAreGone)
{
    for (int i = 0; i < 3; ++i) {
        Replay("a/r" + std::to_string(i) + ".rep", 60 + std::size_t(i), "same", "same", unsigned(i));
        Replay("b/r" + std::to_string(i) + ".rep", 60 + std::size_t(i), "same", "same", unsigned(i));
    }
    Find(tree.Root());
    HoldUntilProgressShows hold(2);
    bool progressAtCount = true;
    QString captionAtCount;
    boxes.OnShown = [&](const TMessageBoxRequest&) {
        if (boxes.Shown().size() == 1) {
            progressAtCount = TProgressForm::Current() != nullptr;
            captionAtCount = Form2->Caption();
        }
    };
    const QString captionBefore = Form2->Caption();
    DeleteIdentical();

    EXPECT_TRUE(hold.shown);
    ASSERT_FALSE(boxes.Shown().empty());
    EXPECT_EQ(boxes.Shown()[0].text, QStringLiteral("Дубликатов: 3"));
    EXPECT_FALSE(progressAtCount);
    EXPECT_EQ(captionAtCount, captionBefore); // the caption follows once the box is closed
    EXPECT_EQ(Form2->Caption(), QStringLiteral("3 реплея удаленно"));
    EXPECT_EQ(Form2->ListBox1->Count(), 3);
}

TEST_F(Jobs, WhatEscapesAJobIsThrownAgainOnTheWindowsThread)
{
    std::atomic<bool> cancel{false};
    EXPECT_THROW(app::RunJob([] { throw std::runtime_error("worker failed"); }, cancel, QString(), {}),
                 std::runtime_error);
    int ran = 0;
    app::RunJob([&] { app::RunOnUiThread([&] { ran = TThread::IsMainThread() ? 1 : -1; }); }, cancel, QString(),
                {});
    EXPECT_EQ(ran, 1);
}

TEST_F(Jobs, TheReportWindowGetsEveryPathInOrderFromAWorkerAndShowsWithTheFirst)
{
    app::ReportWindow report(*Form2);
    std::vector<std::string> paths;
    for (int i = 0; i < 500; ++i)
        paths.push_back("/replays/" + std::to_string(i) + ".rep");
    std::atomic<bool> cancel{false};
    app::RunJob(
        [&] {
            for (const std::string& path : paths)
                report.Deleted(path);
        },
        cancel, QString(), {});
    report.Flush();
    ASSERT_EQ(Form2->ListBox1->Count(), 500);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(Form2->ListBox1->Items()->Strings(i), QString::fromStdString(paths[std::size_t(i)]));
    EXPECT_TRUE(Form2->Visible());
    EXPECT_TRUE(boxes.Shown().empty()); // the count is the main window's to tell
}

TEST(JobCounter, ShowsEachJobsCountsOnItsLines)
{
    const std::atomic<bool> cancel{false};
    app::JobCounter scan(app::JobCounter::Job::Scan, cancel);
    EXPECT_EQ(scan.Status(), (QStringList{QStringLiteral("Папок: 0    Файлов: 0"), QStringLiteral("Реплеев найдено: 0")}));
    scan.ScanAdvanced({2, 7, 5}, "/r");
    EXPECT_EQ(scan.Status(), (QStringList{QStringLiteral("Папок: 2    Файлов: 7"), QStringLiteral("Реплеев найдено: 5")}));
    app::JobCounter removal(app::JobCounter::Job::Removal, cancel);
    replays::RemovalCounts counts;
    counts.candidates = 9;
    counts.done = 4;
    counts.deleted = 3;
    removal.RemovalAdvanced(counts);
    EXPECT_EQ(removal.Status(), (QStringList{QStringLiteral("Проверено: 4 из 9"), QStringLiteral("Удалено: 3")}));
}

TEST(CatalogueRows, ShowsNothingWhileWithdrawnAndCellsOnlyForPublishedRows)
{
    replays::CatalogueBuilder builder;
    builder.AddEntry("/r/b.rep", 61, "f", "s");
    builder.AddEntry("/r/\xff.rep", 60, "f", "s");
    const replays::Catalogue catalogue = builder.Build();
    app::CatalogueRows rows(catalogue);
    EXPECT_EQ(rows.RowCount(), 0);
    rows.Publish();
    ASSERT_EQ(rows.RowCount(), 2);
    EXPECT_EQ(rows.CellText(0, app::kNameColumn), shellns::PathToText("\xff.rep"));
    EXPECT_EQ(rows.CellText(0, app::kSizeColumn), QStringLiteral("60"));
    EXPECT_EQ(rows.CellText(1, app::kPathColumn), QStringLiteral("/r/b.rep"));
    EXPECT_EQ(rows.CellText(2, app::kNameColumn), QString());
    EXPECT_EQ(rows.CellText(0, 3), QString());
    rows.Withdraw();
    EXPECT_EQ(rows.RowCount(), 0);
    EXPECT_EQ(rows.CellText(0, app::kNameColumn), QString());
}

} // namespace
