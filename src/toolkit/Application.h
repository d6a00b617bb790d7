#pragma once
// The application object (global Application): title, main form, message loop, the guard
// that shows escaped exceptions in the standard error box, message boxes and the hint
// machinery; and the screen object (global Screen).
//
//   int main(int argc, char** argv)
//   {
//       TApplication app(argc, argv);
//       Application->SetTitle(QStringLiteral("Dupsweep"));
//       Application->CreateForm(Form1);   // the first form made is the main form
//       Application->Run();               // until the main form closes
//   }

#include "toolkit/ClassRegistry.h"
#include "toolkit/Forms.h"
#include "toolkit/Guard.h"
#include "toolkit/BlockedClose.h"
#include "toolkit/HintWindow.h"
#include "toolkit/MessageBox.h"

#include <QApplication>
#include <QBasicTimer>
#include <QPointer>
#include <QTranslator>
#include <memory>

// What the application knows of a hint about to be shown; OnShowHint may change any of it.
struct THintInfo {
    TControl* HintControl = nullptr;
    TPoint HintPos;          // screen point where the hint window's top-left goes
    int HintMaxWidth = 0;    // the width the text wraps at
    TColor HintColor = clInfoBk;
    TRect CursorRect;        // the hint stays while the pointer is in here (control client coordinates)
    TPoint CursorPos;        // the pointer, in the control's client coordinates
    int ReshowTimeout = 0;   // milliseconds until the hint is asked for again, 0 for never
    int HideTimeout = 0;     // milliseconds until the hint hides, 0 for never
    QString HintStr;
};
Q_DECLARE_METATYPE(THintInfo)

using TShowHintEvent = TEvent<QString&, bool&, THintInfo&>;
Q_DECLARE_METATYPE(TShowHintEvent)

class TScreen : public TNonVisualComponent {
    Q_OBJECT

public:
    explicit TScreen(TComponent* owner);
    ~TScreen() override;

    // The primary screen, through the system metrics (which tests may set).
    int Width() const;
    int Height() const;

    // The pointer over every window of the program; crDefault lets each control decide.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);

    // The font hint windows start with.
    TFont* HintFont() const { return FHintFont; }

private:
    TCursor FCursor = crDefault;
    TFont* FHintFont;
};

// Loads Qt's own translation (stock button words) for the locale; false when it has none.
bool LoadStockWords(QTranslator& translator, const QLocale& locale);

class TApplication : public TNonVisualComponent {
    Q_OBJECT

public:
    // Makes the Qt application unless one exists, and becomes the global Application.
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& title) { FTitle = title; }

    TForm* MainForm() const { return FMainForm; }

    // Makes a form owned by the application and runs its OnCreate; the first form made
    // becomes the main form. reference points at the form before OnCreate runs.
    template <class T>
    void CreateForm(T*& reference)
    {
        T* form = new T(this);
        reference = form;
        form->AfterConstruction();
        if (!FMainForm)
            FMainForm = form;
    }

    // Shows the main form and handles events until Terminate.
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // The standard error box for an exception that escaped a handler: its message, with
    // a full stop added unless it ends with one, titled with Title, with an error icon and
    // OK. EAbort shows nothing.
    void HandleException(std::exception_ptr error);
    void ShowException(const QString& message);

    // A modal box titled caption (Title when empty), shown by the presenter.
    int MessageBox(const QString& text, const QString& caption = QString(), int flags = MB_OK);
    // How boxes are shown: a modal Qt box (MessageBoxModal) unless another presenter is passed
    // in; an empty one gives the Qt box back. Returns the presenter it replaces.
    TMessageBoxPresenter SetMessageBoxPresenter(TMessageBoxPresenter presenter);

    // The hint switch: switched on, a new hint window of HintWindowClass is made (owned by
    // the application, coloured HintColor); switched off, it is destroyed.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor value);
    int HintPause() const { return FHintPause; }
    void SetHintPause(int milliseconds) { FHintPause = milliseconds; }
    int HintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(int milliseconds) { FHintHidePause = milliseconds; }
    int HintShortPause() const { return FHintShortPause; }
    void SetHintShortPause(int milliseconds) { FHintShortPause = milliseconds; }
    // Must be THintWindow or a class derived from it.
    const TComponentClass& HintWindowClass() const { return FHintWindowClass; }
    void SetHintWindowClass(const TComponentClass& cls);
    THintWindow* HintWindow() const { return FHintWindow; }

    // The current hint text (the long part of the control under the pointer). A change
    // fires OnHint, or, with none set, goes to the main form as a status tip.
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& value);
    TNotifyEvent OnHint;
    TShowHintEvent OnShowHint;

    // The pointer is at a screen point over control (nullptr: over no window of the
    // program), as the hint machinery sees it: the event filter and tests come through here.
    void HintMouseMessage(TControl* control, TPoint screenPos);
    // Shows the pending hint now, as when the hint pause ends.
    void ActivateHint();
    void CancelHint();
    TControl* HintControl() const { return CurrentHintControl(); }
    bool HintVisible() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    class QtApplication;

    void HideHint();
    // Starts the pause before target's hint at the pointer, when there is one there; notes the
    // area that hint holds for.
    void ArmHint(TControl* target, int pause);
    TControl* CurrentHintControl() const;

    std::unique_ptr<QApplication> FOwnApp;
    std::unique_ptr<TBlockedCloseFilter> FBlockedClose;
    // Qt's own words (the stock buttons of message boxes) in the user's language.
    QTranslator FStockWords;
    QString FTitle;
    TMessageBoxPresenter FMessageBoxPresenter = MessageBoxModal;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FRunning = false;

    bool FShowHint = false;
    TColor FHintColor = clInfoBk;
    int FHintPause = 500;
    int FHintHidePause = 2500;
    int FHintShortPause = 50;
    TComponentClass FHintWindowClass;
    THintWindow* FHintWindow = nullptr;
    QString FHint;
    TControl* FHintControl = nullptr;
    QPointer<QObject> FHintControlObject;
    TPoint FHintCursor;
    TRect FHintCursorRect;
    TExceptionHandler FPreviousHandler;
    QBasicTimer FShowTimer;
    QBasicTimer FHideTimer;
};

extern TApplication* Application;
extern TScreen* Screen;

// A box titled with the application's title and an OK button.
void ShowMessage(const QString& text);

// Registers the toolkit's own component classes for form descriptions; TApplication's
// constructor does it.
void RegisterToolkitClasses();
