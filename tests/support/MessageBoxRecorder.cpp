#include "support/MessageBoxRecorder.h"

namespace {

// The button a box offers first, which a person pressing Enter would answer with.
int FirstButtonOf(int flags)
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

TMessageBoxRecorder::TMessageBoxRecorder(TApplication& application) : FApplication(application)
{
    FPrevious = FApplication.SetMessageBoxPresenter([this](const TMessageBoxRequest& request) { return Present(request); });
}

TMessageBoxRecorder::~TMessageBoxRecorder()
{
    FApplication.SetMessageBoxPresenter(std::move(FPrevious));
}

int TMessageBoxRecorder::Present(const TMessageBoxRequest& request)
{
    FShown.push_back(request);
    if (OnShown)
        OnShown(request);
    if (FNextAnswer < FAnswers.size())
        return FAnswers[FNextAnswer++];
    return FirstButtonOf(request.flags);
}
