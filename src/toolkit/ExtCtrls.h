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

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer.
    int Interval() const { return FInterval; }
    void SetInterval(int value);
    TNotifyEvent OnTimer() const { return FOnTimer; }
    void SetOnTimer(const TNotifyEvent& value);

protected:
    void Loaded() override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Runs while enabled, with an interval and a handler, once loading is over.
    void UpdateTimer();

    bool FEnabled = true;
    int FInterval = 1000;
    TNotifyEvent FOnTimer;
    QBasicTimer FTimer;
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

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // Whoever keeps the picture's graphic hears through the picture's GraphicReplaced
    // when it is replaced.
    TPicture* Picture() const { return FPicture; }
    void SetPicture(TPicture* value) { FPicture->Assign(value); }

protected:
    void Paint() override;

private:
    void PictureChanged();
    void AdjustSize();

    TPicture* FPicture;
    bool FAutoSize = false;
};
