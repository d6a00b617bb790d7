#include "app/ProblemList.h"

#include "app/ProblemsForm.h"

namespace app {

void ShowProblems(const QString& heading, std::vector<Problem> problems)
{
    if (problems.empty())
        return;
    TProblemsForm window(nullptr);
    window.SetProblems(heading, std::move(problems));
    window.ShowModal();
}

} // namespace app
