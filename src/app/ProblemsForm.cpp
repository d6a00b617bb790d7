#include "app/ProblemsForm.h"

#include "app/Resources.h"

#include "platform/shellns/Wide.h"
#include "toolkit/StdCtrls.h"

#include <QFontMetrics>

#include <algorithm>

namespace {

// Room a cell leaves around its text, so a text as wide as its column is not cut short.
constexpr int kCellPadding = 16;

enum ProblemColumn { kPathColumn = 0, kReasonColumn = 1 };

} // namespace

TProblemsForm::TProblemsForm(TComponent* owner) : TForm(owner)
{
    EnsureAppResources();
    LoadFromResource(QStringLiteral(":/forms/ProblemsForm.form"));
    Bind(Label1, "Label1");
    Bind(ListView1, "ListView1");
    Bind(Button1, "Button1");
    ListView1->SetDataProvider(&FRows);
}

TProblemsForm::~TProblemsForm()
{
    ListView1->SetDataProvider(nullptr);
}

QString TProblemsForm::Rows::CellText(int row, int column) const
{
    if (row < 0 || row >= RowCount())
        return {};
    const app::Problem& problem = problems[std::size_t(row)];
    switch (column) {
    case kPathColumn:
        return shellns::PathToText(problem.path);
    case kReasonColumn:
        return problem.reason;
    default:
        return {};
    }
}

void TProblemsForm::SetProblems(const QString& heading, std::vector<app::Problem> problems)
{
    Label1->SetCaption(heading + QStringLiteral(": ") + QString::number(problems.size()));
    FRows.problems = std::move(problems);
    // Each column as wide as its longest text (at least as designed): a path is never cut.
    const QFontMetrics metrics(ListView1->Font()->Handle().ToQFont());
    for (const int column : {kPathColumn, kReasonColumn}) {
        int width = ListView1->Columns()->Items(column)->Width();
        for (int row = 0; row < FRows.RowCount(); ++row)
            width = std::max(width, metrics.horizontalAdvance(FRows.CellText(row, column)) + kCellPadding);
        ListView1->Columns()->Items(column)->SetWidth(width);
    }
    ListView1->DataChanged();
}
