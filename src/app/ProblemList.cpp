#include "app/ProblemList.h"

#include "app/ProblemsForm.h"

namespace app {

namespace {

ProblemsRecorder* recorder = nullptr;

} // namespace

void ShowProblems(const QString& heading, std::vector<Problem> problems)
{
    if (problems.empty())
        return;
    if (recorder) {
        recorder->Record({heading, std::move(problems)});
        return;
    }
    TProblemsForm window(nullptr);
    window.SetProblems(heading, std::move(problems));
    window.ShowModal();
}

ProblemsRecorder::ProblemsRecorder() : FPrevious(recorder)
{
    recorder = this;
}

ProblemsRecorder::~ProblemsRecorder()
{
    recorder = FPrevious;
}

void ProblemsRecorder::Record(Shown shown)
{
    if (OnShown)
        OnShown(shown);
    FShown.push_back(std::move(shown));
}

} // namespace app
