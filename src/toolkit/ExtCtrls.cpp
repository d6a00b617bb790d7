#include "toolkit/ExtCtrls.h"

#include "toolkit/Guard.h"

#include <QTimerEvent>

TTimer::TTimer(TComponent* owner) : TNonVisualComponent(owner) {}

TTimer::~TTimer() = default;

void TTimer::SetEnabled(bool value)
{
    if (enabled_ == value)
        return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(int value)
{
    if (interval_ == value || value < 0)
        return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent& value)
{
    onTimer_ = value;
    UpdateTimer();
}

void TTimer::Loaded()
{
    TNonVisualComponent::Loaded();
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    timer_.stop();
    if (enabled_ && interval_ > 0 && onTimer_ && !ComponentState().testFlag(csLoading))
        timer_.start(interval_, this);
}

void TTimer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timer_.timerId()) {
        TNonVisualComponent::timerEvent(event);
        return;
    }
    Guard([this] {
        if (onTimer_)
            onTimer_(this);
    });
}

// ---------------------------------------------------------------- TImage

namespace {

// An image placed without a size of its own.
constexpr int kNewImageSize = 105;

}  // namespace

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(new TPicture(this))
{
    picture_->OnChange = TNotifyEvent::FromFunction([this](TObject*) { PictureChanged(); });
    SetBounds(0, 0, kNewImageSize, kNewImageSize);
}

TImage::~TImage() = default;

void TImage::SetAutoSize(bool value)
{
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    AdjustSize();
}

void TImage::AdjustSize()
{
    if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
}

void TImage::PictureChanged()
{
    AdjustSize();
    Invalidate();
}

void TImage::Paint()
{
    Canvas()->Draw(0, 0, picture_->Graphic());
}
