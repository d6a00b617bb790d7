#pragma once
// The styled hint: TglHint, put on a window, makes every hint of the program appear in
// TglHintWindow (white, a black frame, a question-mark picture, black Arial text) and takes
// over the application's two hint events while it lives.

#include "toolkit/Application.h"
#include "toolkit/HintWindow.h"

// The hint window grows by these beyond the measured hint: room for the picture, and a line.
inline constexpr int kGlHintExtraWidth = 20;
inline constexpr int kGlHintExtraHeight = 1;
// Where the question-mark picture goes, over the frame's left edge.
inline constexpr TPoint kGlHintPictureAt{0, 1};
// The text starts this far from the client area's left and top edges.
inline constexpr int kGlHintTextLeft = 20;
inline constexpr int kGlHintTextTop = 1;

// The screen rectangle a hint measured as rect (placed near the pointer) is shown in: 20
// pixels wider and 1 taller, moved up and left to lie on the screen, never left of 0. The
// top is not clamped: a hint above the screen stays there.
TRect GlHintWindowBounds(const TRect& rect, int screenWidth, int screenHeight);
// The area the text is drawn in, inside the client rectangle.
TRect GlHintTextRect(const TRect& client);

class TglHintWindow : public THintWindow {
    Q_OBJECT

public:
    explicit TglHintWindow(TComponent* owner);
    ~TglHintWindow() override;

    void ActivateHint(TRect rect, const QString& hint) override;

protected:
    // The base's parameters without the border.
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    // Activation or deactivation alike hides the hint.
    void ActivationChanged(bool active) override;
};

class TglHint : public TNonVisualComponent {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(TShowHintEvent OnShowHint MEMBER OnShowHint)
    Q_PROPERTY(TNotifyEvent OnHint MEMBER OnHint)

public:
    // Hooks the application and makes its hint window anew, whatever Active says. Throws
    // EComponentError when the owner already has a TglHint.
    explicit TglHint(TComponent* owner);
    // Gives the application back the hint handlers it had before the first hook.
    ~TglHint() override;

    // Hook the application once more when loaded from a form description.
    bool Active() const { return FActive; }
    void SetActive(bool value);
    // The application's hint switch to apply when loaded with Active.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);

    TShowHintEvent OnShowHint;
    TNotifyEvent OnHint;

    // The application's handlers while hooked: they call only this component's events.
    void ForwardHint(TObject* sender);
    void ForwardShowHint(QString& hintStr, bool& canShow, THintInfo& hintInfo);

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void HookApplication();
    // Switches the application's hints off and then to value, so its window is made anew.
    static void RemakeHintWindow(bool value);

    bool FActive = false;
    bool FShowHint = false;
    bool FHooked = false;
    TNotifyEvent FOldOnHint;
    TShowHintEvent FOldOnShowHint;
};
