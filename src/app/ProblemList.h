#pragma once
// The one window that lists what a scan could not read or a removal did not delete (see
// ProblemsForm.h), and the test hook that takes it instead.

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

// Takes every problems window while it lives, recording what it would have listed, as
// TMessageBoxRecorder does for boxes: no test waits for a person.
class ProblemsRecorder {
public:
    struct Shown {
        QString heading;
        std::vector<Problem> problems;
    };

    ProblemsRecorder();
    ~ProblemsRecorder();
    ProblemsRecorder(const ProblemsRecorder&) = delete;
    ProblemsRecorder& operator=(const ProblemsRecorder&) = delete;

    const std::vector<Shown>& AllShown() const { return FShown; }
    // Runs for each window before it is taken (a test may look at the other windows then).
    std::function<void(const Shown&)> OnShown;

private:
    friend void ShowProblems(const QString& heading, std::vector<Problem> problems);
    void Record(Shown shown);

    std::vector<Shown> FShown;
    ProblemsRecorder* FPrevious;
};

} // namespace app
