#pragma once
// The one window that lists what a scan could not read or a removal did not delete (see
// ProblemsForm.h).

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace app {

struct Problem {
    std::string path; // bytes on disk
    QString reason;   // why, in the program's language
};

// Shows the problems under heading ("Пропущено") in a modal window; nothing when there are none.
void ShowProblems(const QString& heading, std::vector<Problem> problems);

// How a window shows such a list: ShowProblems, unless it is given another (a test's recorder,
// tests/support/ProblemsRecorder.h), as the application is given its message box presenter.
using ProblemsPresenter = std::function<void(const QString& heading, std::vector<Problem> problems)>;

} // namespace app
