#pragma once
// Answers every box an application shows while it lives, recording what was shown: the test
// hook for boxes, passed to the application it answers for. The answer is the next scripted
// one, else the box's first button (IDOK, IDYES ...).

#include "toolkit/Application.h"

#include <functional>
#include <vector>

class TMessageBoxRecorder {
public:
    explicit TMessageBoxRecorder(TApplication& application);
    ~TMessageBoxRecorder();
    TMessageBoxRecorder(const TMessageBoxRecorder&) = delete;
    TMessageBoxRecorder& operator=(const TMessageBoxRecorder&) = delete;

    void Answer(int button) { FAnswers.push_back(button); }
    const std::vector<TMessageBoxRequest>& Shown() const { return FShown; }
    // Runs for each box before it is answered (a test may look at the windows then).
    std::function<void(const TMessageBoxRequest&)> OnShown;

private:
    int Present(const TMessageBoxRequest& request);

    TApplication& FApplication;
    std::vector<TMessageBoxRequest> FShown;
    std::vector<int> FAnswers;
    std::size_t FNextAnswer = 0;
    TMessageBoxPresenter FPrevious;
};
