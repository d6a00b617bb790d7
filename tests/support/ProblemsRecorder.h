#pragma once
// Takes every list of problems a window would show, recording it instead, as TMessageBoxRecorder
// does for boxes: no test waits for a person.
//
//   testsupport::ProblemsRecorder problems;
//   Form1->SetProblemsPresenter(problems.Presenter());

#include "app/ProblemList.h"

#include <functional>
#include <vector>

namespace testsupport {

class ProblemsRecorder {
public:
    struct Shown {
        QString heading;
        std::vector<app::Problem> problems;
    };

    ProblemsRecorder() = default;
    ProblemsRecorder(const ProblemsRecorder&) = delete;
    ProblemsRecorder& operator=(const ProblemsRecorder&) = delete;

    // Records what the window would list; an empty list, which shows no window, is not recorded.
    app::ProblemsPresenter Presenter()
    {
        return [this](const QString& heading, std::vector<app::Problem> problems) {
            if (problems.empty())
                return;
            Shown shown{heading, std::move(problems)};
            if (OnShown)
                OnShown(shown);
            FShown.push_back(std::move(shown));
        };
    }

    const std::vector<Shown>& AllShown() const { return FShown; }
    // Runs for each list before it is recorded (a test may look at the other windows then).
    std::function<void(const Shown&)> OnShown;

private:
    std::vector<Shown> FShown;
};

} // namespace testsupport
