#pragma once
// The timer: a component that fires OnTimer every Interval milliseconds while enabled.

#include "toolkit/Component.h"

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
