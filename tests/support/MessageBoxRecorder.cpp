#include "support/MessageBoxRecorder.h"

namespace {

// The button a box offers first, which a person pressing Enter would answer with.
int firstButtonOf(int flags)
{
    switch (flags & 0xF) {
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
        return IDYES;
    case MB_RETRYCANCEL:
        return IDRETRY;
    default:
        return IDOK;
    }
}

}  // namespace

TMessageBoxRecorder::TMessageBoxRecorder(TApplication& application) : application_(application)
{
    previous_ = application_.SetMessageBoxPresenter([this](const TMessageBoxRequest& request) { return Present(request); });
}

TMessageBoxRecorder::~TMessageBoxRecorder()
{
    application_.SetMessageBoxPresenter(std::move(previous_));
}

int TMessageBoxRecorder::Present(const TMessageBoxRequest& request)
{
    shown_.push_back(request);
    if (OnShown)
        OnShown(request);
    if (nextAnswer_ < answers_.size())
        return answers_[nextAnswer_++];
    return firstButtonOf(request.flags);
}
