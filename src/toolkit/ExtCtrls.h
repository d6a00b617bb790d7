#pragma once
// The timer: a component that fires OnTimer every Interval milliseconds while enabled.
// The image: a windowless control that shows a picture.

#include "toolkit/Component.h"
#include "toolkit/Controls.h"

#include <QBasicTimer>

class TTimer : public TNonVisualComponent {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int Interval READ Interval WRITE SetInterval)
    Q_PROPERTY(TNotifyEvent OnTimer READ OnTimer WRITE SetOnTimer)
    Q_CLASSINFO("Enabled", "default True")
    Q_CLASSINFO("Interval", "default 1000")

public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer.
    int Interval() const { return interval_; }
    void SetInterval(int value);
    TNotifyEvent OnTimer() const { return onTimer_; }
    void SetOnTimer(const TNotifyEvent& value);

protected:
    void Loaded() override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Runs while enabled, with an interval and a handler, once loading is over.
    void UpdateTimer();

    bool enabled_ = true;
    int interval_ = 1000;
    TNotifyEvent onTimer_;
    QBasicTimer timer_;
};

// Draws its picture's graphic at its natural size from the top-left corner. With AutoSize
// it takes the picture's size whenever the picture changes.
class TImage : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(TPicture* Picture READ Picture WRITE SetPicture)
    Q_CLASSINFO("AutoSize", "default False")

public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    // Whoever keeps the picture's graphic hears through the picture's GraphicReplaced
    // when it is replaced.
    TPicture* Picture() const { return picture_; }
    void SetPicture(TPicture* value) { picture_->Assign(value); }

protected:
    void Paint() override;

private:
    void PictureChanged();
    void AdjustSize();

    TPicture* picture_;
    bool autoSize_ = false;
};
