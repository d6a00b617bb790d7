#include "toolkit/ExtCtrls.h"

#include "toolkit/Guard.h"

#include <QTimerEvent>

TTimer::TTimer(TComponent* owner) : TNonVisualComponent(owner) {}

TTimer::~TTimer() = default;

void TTimer::SetEnabled(bool value)
{
    if (FEnabled == value)
        return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(int value)
{
    if (FInterval == value || value < 0)
        return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent& value)
{
    FOnTimer = value;
    UpdateTimer();
}

void TTimer::Loaded()
{
    TNonVisualComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    FTimer.stop();
    if (FEnabled && FInterval > 0 && FOnTimer && !ComponentState().testFlag(csLoading))
        FTimer.start(FInterval, this);
}

void TTimer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != FTimer.timerId()) {
        TNonVisualComponent::timerEvent(event);
        return;
    }
    Guard([this] {
        if (FOnTimer)
            FOnTimer(this);
    });
}

// ---------------------------------------------------------------- TImage

namespace {

// An image placed without a size of its own.
constexpr int kNewImageSize = 105;

}  // namespace

TImage::TImage(TComponent* owner) : TGraphicControl(owner), FPicture(new TPicture(this))
{
    FPicture->OnChange = TNotifyEvent::FromFunction([this](TObject*) { PictureChanged(); });
    SetBounds(0, 0, kNewImageSize, kNewImageSize);
}

TImage::~TImage() = default;

void TImage::SetAutoSize(bool value)
{
    if (FAutoSize == value)
        return;
    FAutoSize = value;
    AdjustSize();
}

void TImage::AdjustSize()
{
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
}

void TImage::PictureChanged()
{
    AdjustSize();
    Invalidate();
}

void TImage::Paint()
{
    Canvas()->Draw(0, 0, FPicture->Graphic());
}
