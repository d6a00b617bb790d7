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

    void Answer(int button) { answers_.push_back(button); }
    const std::vector<TMessageBoxRequest>& Shown() const { return shown_; }
    // Runs for each box before it is answered (a test may look at the windows then).
    std::function<void(const TMessageBoxRequest&)> OnShown;

private:
    int Present(const TMessageBoxRequest& request);

    TApplication& application_;
    std::vector<TMessageBoxRequest> shown_;
    std::vector<int> answers_;
    std::size_t nextAnswer_ = 0;
    TMessageBoxPresenter previous_;
};
