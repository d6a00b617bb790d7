#pragma once
// The window that lists what a scan could not read or a removal did not delete, in the program's
// own font: a heading with their number, then one row per file, its whole path on one line and
// why, in a list that scrolls when there are many. The columns are as wide as their longest text,
// so no path is cut or wrapped.

#include "app/ProblemList.h"

#include "toolkit/ComCtrls.h"
#include "toolkit/Forms.h"

#include <vector>

class TButton;
class TLabel;
class TListView;

class TProblemsForm : public TForm {
    Q_OBJECT

public:
    explicit TProblemsForm(TComponent* owner);
    ~TProblemsForm() override;

    TLabel* Label1 = nullptr;
    TListView* ListView1 = nullptr;
    TButton* Button1 = nullptr;

    // The heading ("Пропущено") with the number of problems, and their rows.
    void SetProblems(const QString& heading, std::vector<app::Problem> problems);

private:
    class Rows : public TListViewData {
    public:
        int RowCount() const override { return int(problems.size()); }
        QString CellText(int row, int column) const override;
        std::vector<app::Problem> problems;
    };

    Rows FRows;
};
