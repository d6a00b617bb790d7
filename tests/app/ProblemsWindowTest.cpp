// The window that lists unreadable replays and kept files: the program's own font, every path
// whole on one line, a list that scrolls where the old box grew.
#include "app/ProblemsForm.h"

#include "platform/shellns/Wide.h"
#include "toolkit/StdCtrls.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

TEST(ProblemsWindow, ListsEveryPathWholeOnOneLineInTheProgramsFontAndScrolls)
{
    std::vector<app::Problem> problems;
    for (int i = 0; i < 200; ++i)
        problems.push_back({"/r/" + std::to_string(i) + ".rep", QStringLiteral("Чтение за концом файла")});
    problems[1].path = "/r/\xff.rep";
    problems[2].path = "/" + std::string(400, 'x') + ".rep";

    TProblemsForm window(nullptr);
    window.SetProblems(QStringLiteral("Пропущено"), problems);
    window.Show();

    EXPECT_EQ(QStringLiteral("Dupsweep"), window.Caption());
    EXPECT_EQ(QStringLiteral("Пропущено: 200"), window.Label1->Caption());
    EXPECT_EQ(QStringLiteral("Файл"), window.ListView1->Columns()->Items(0)->Caption());
    EXPECT_EQ(QStringLiteral("Причина"), window.ListView1->Columns()->Items(1)->Caption());
    ASSERT_EQ(200, window.ListView1->RowCount());
    EXPECT_EQ(problems[1].path, shellns::TextToPath(window.ListView1->CellText(1, 0)));
    EXPECT_EQ(shellns::PathToText(problems[2].path), window.ListView1->CellText(2, 0));
    EXPECT_EQ(QStringLiteral("Чтение за концом файла"), window.ListView1->CellText(2, 1));

    // The program's font, as its other windows have it: the form's, without anti-aliasing.
    auto* view = window.ListView1->findChild<QTreeView*>();
    ASSERT_NE(nullptr, view);
    EXPECT_EQ(QStringLiteral("MS Sans Serif"), window.Font()->Name());
    EXPECT_EQ(-11, window.Font()->Height());
    EXPECT_EQ(window.Font()->Handle().ToQFont(), view->font());
    EXPECT_TRUE(view->font().styleStrategy() & QFont::NoAntialias);

    // One line per path, never cut: the column is wider than the longest path, the rows one line
    // high; the window keeps its size and the list scrolls both ways.
    const QFontMetrics metrics(view->font());
    EXPECT_GT(view->header()->sectionSize(0), metrics.horizontalAdvance(shellns::PathToText(problems[2].path)));
    EXPECT_LT(view->sizeHintForRow(0), 2 * metrics.height());
    EXPECT_EQ(600, window.ClientWidth());
    EXPECT_EQ(320, window.ClientHeight());
    EXPECT_TRUE(view->verticalScrollBar()->isVisible());
    EXPECT_TRUE(view->horizontalScrollBar()->isVisible());
    // Nor need the reason be scrolled to: the row's hint holds the path and, under it, the reason.
    EXPECT_TRUE(window.ListView1->ShowHint());
    const QRect row = view->visualRect(view->model()->index(2, 0));
    const QPoint inRow = view->viewport()->mapTo(window.ListView1, row.center());
    TRect area;
    EXPECT_EQ(shellns::PathToText(problems[2].path) + QStringLiteral("\nЧтение за концом файла"),
              window.ListView1->HintAt(TPoint(inRow.x(), inRow.y()), area));

    // A look at the window as the user sees it, when asked for.
    const QByteArray shots = qgetenv("DUPSWEEP_SCREENSHOTS");
    if (!shots.isEmpty()) {
        EXPECT_TRUE(window.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/problems-window.png")));
    }
    window.Hide();
}

} // namespace
