#include "toolkit/Application.h"

#include "toolkit/Buttons.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Jpeg.h"
#include "toolkit/StdCtrls.h"

#include "platform/gdi/Colors.h"
#include "platform/gdi/SystemMetrics.h"

#include <QEnterEvent>
#include <QLibraryInfo>
#include <QMouseEvent>
#include <QStatusTipEvent>
#include <QTimerEvent>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

// The hint window starts this far below the pointer, clear of the cursor's picture.
constexpr int kHintCursorMargin = 20;

// A hint is "short|long": the short part shows in the hint window, the long part is the
// application's Hint (a status line would show it).
QString ShortHint(const QString& hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}

QString HintTextOf(const TControl* control)
{
    for (; control; control = control->Parent())
        if (!control->Hint().isEmpty())
            return control->Hint();
    return {};
}

// The hint at a screen point over control, and in area (control's client coordinates) where it
// holds: the control's own for that point, else the nearest Hint outwards, over the whole control.
QString HintTextAt(const TControl* control, TPoint screenPos, TRect& area)
{
    area = control->ClientRect();
    const QString own = control->HintAt(control->ScreenToClient(screenPos), area);
    if (!own.isEmpty())
        return own;
    area = control->ClientRect();
    return HintTextOf(control->Parent());
}

// The control whose hint shows: the nearest one, outwards, that shows hints.
TControl* HintControlFor(TControl* control)
{
    while (control && !control->ShowHint())
        control = control->Parent();
    return control;
}

}  // namespace

// Last line of the guard: whatever escapes a handler Qt called never unwinds through Qt.
class TApplication::QtApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            HandleEscapedException(std::current_exception());
            return false;
        }
    }
};

// ---------------------------------------------------------------- TScreen

TScreen::TScreen(TComponent* owner) : TNonVisualComponent(owner), FHintFont(new TFont(this))
{
    FHintFont->SetColor(clInfoText);
}

TScreen::~TScreen()
{
    if (FCursor != crDefault)
        QApplication::restoreOverrideCursor();
}

int TScreen::Width() const
{
    return gdi::GetSystemMetrics(gdi::SM_CXSCREEN);
}

int TScreen::Height() const
{
    return gdi::GetSystemMetrics(gdi::SM_CYSCREEN);
}

void TScreen::SetCursor(TCursor value)
{
    if (FCursor == value)
        return;
    if (FCursor == crDefault)
        QApplication::setOverrideCursor(QCursor(CursorShapeOf(value)));
    else if (value == crDefault)
        QApplication::restoreOverrideCursor();
    else
        QApplication::changeOverrideCursor(QCursor(CursorShapeOf(value)));
    FCursor = value;
}

// ---------------------------------------------------------------- TApplication

bool LoadStockWords(QTranslator& translator, const QLocale& locale)
{
    return translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

TApplication::TApplication(int& argc, char** argv) : TNonVisualComponent(nullptr)
{
    if (!QCoreApplication::instance())
        FOwnApp = std::make_unique<QtApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // One palette for the whole program, whatever the desktop's: the windows' fixed colours
    // (navy links, black text, embossed titles) were chosen against the classic light one,
    // and a dark desktop palette under them leaves black on dark grey.
    QApplication::setPalette(gdi::PaletteOf(gdi::ClassicSystemColors()));
    // A question the program asks in Russian must not offer "Yes" and "No": the stock buttons
    // speak the user's language, as the desktop's own dialogs do. Without a translation for that
    // language (or in the plain C locale) Qt keeps its English words.
    if (LoadStockWords(FStockWords, QLocale::system()))
        QCoreApplication::installTranslator(&FStockWords);
    Application = this;
    FPreviousHandler = SetExceptionHandler([this](std::exception_ptr error) { HandleException(error); });
    Screen = new TScreen(this);
    FHintWindowClass = ClassOf<THintWindow>();
    RegisterToolkitClasses();
    qApp->installEventFilter(this);
    FBlockedClose = std::make_unique<TBlockedCloseFilter>();
    qApp->installNativeEventFilter(FBlockedClose.get());
    SetShowHint(true);
}

TApplication::~TApplication()
{
    qApp->removeEventFilter(this);
    qApp->removeNativeEventFilter(FBlockedClose.get());
    FShowTimer.stop();
    FHideTimer.stop();
    // Forms and the hint window go while Qt is still there.
    Destroying();
    DestroyComponents();
    SetExceptionHandler(std::move(FPreviousHandler));
    QCoreApplication::removeTranslator(&FStockWords);
    Screen = nullptr;
    Application = nullptr;
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    TNonVisualComponent::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == static_cast<TComponent*>(FMainForm))
        FMainForm = nullptr;
    if (component == static_cast<TComponent*>(FHintWindow))
        FHintWindow = nullptr;
    if (component == Screen)
        Screen = nullptr;
}

void TApplication::Run()
{
    FRunning = true;
    if (FMainForm && !FTerminated)
        FMainForm->Show();
    if (!FTerminated)
        QCoreApplication::exec();
    FRunning = false;
    FTerminated = true;
}

void TApplication::Terminate()
{
    FTerminated = true;
    TForm::EndAllModalLoops();
    if (FRunning)
        QCoreApplication::exit(0);
}

void TApplication::HandleException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        ShowException(e.Message());
    } catch (const std::exception& e) {
        // Only the standard library's own faults land here, worded in English and naming no file:
        // every fault of this program that names a path is an Exception made with its lossless text.
        ShowException(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unknown error"));
    }
}

void TApplication::ShowException(const QString& message)
{
    QString text = message;
    if (!text.isEmpty() && !text.endsWith(u'.'))
        text += u'.';
    MessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const QString& text, const QString& caption, int flags)
{
    CancelHint();
    return FMessageBoxPresenter({text, caption.isEmpty() ? FTitle : caption, flags});
}

TMessageBoxPresenter TApplication::SetMessageBoxPresenter(TMessageBoxPresenter presenter)
{
    return std::exchange(FMessageBoxPresenter, presenter ? std::move(presenter) : MessageBoxModal);
}

void ShowMessage(const QString& text)
{
    if (Application)
        Application->MessageBox(text, Application->Title(), MB_OK);
    else
        MessageBoxModal({text, QString(), MB_OK});
}

// ---------------------------------------------------------------- hints

void TApplication::SetShowHint(bool value)
{
    if (FShowHint == value)
        return;
    FShowHint = value;
    if (value) {
        TComponent* made = FHintWindowClass.Create(this);
        FHintWindow = dynamic_cast<THintWindow*>(made);
        if (!FHintWindow) {
            delete made;
            FShowHint = false;
            throw EInvalidOperation(QStringLiteral("%1 is no hint window class").arg(FHintWindowClass.Name()));
        }
        FHintWindow->SetColor(FHintColor);
    } else {
        CancelHint();
        delete FHintWindow;
        FHintWindow = nullptr;
    }
}

void TApplication::SetHintColor(TColor value)
{
    FHintColor = value;
    if (FHintWindow)
        FHintWindow->SetColor(value);
}

void TApplication::SetHintWindowClass(const TComponentClass& cls)
{
    if (!cls.InheritsFrom(&THintWindow::staticMetaObject))
        throw EInvalidOperation(QStringLiteral("%1 is no hint window class").arg(cls.Name()));
    FHintWindowClass = cls;
}

void TApplication::SetHint(const QString& value)
{
    if (FHint == value)
        return;
    FHint = value;
    if (OnHint) {
        OnHint(this);
    } else if (FMainForm) {
        // The standard hint action: the main form's status line shows the long hint.
        QStatusTipEvent tip(value);
        QCoreApplication::sendEvent(FMainForm, &tip);
    }
}

TControl* TApplication::CurrentHintControl() const
{
    return FHintControlObject ? FHintControl : nullptr;
}

bool TApplication::HintVisible() const
{
    return FHintWindow && FHintWindow->Visible();
}

void TApplication::HintMouseMessage(TControl* control, TPoint screenPos)
{
    FHintCursor = screenPos;
    SetHint(LongHint(HintTextOf(control)));
    TControl* target = HintControlFor(control);
    if (target != CurrentHintControl()) {
        const bool wasShowing = HintVisible();
        CancelHint();
        FHintControl = target;
        FHintControlObject = target;
        if (target)
            ArmHint(target, wasShowing ? FHintShortPause : FHintPause);
        return;
    }
    // Moving out of the area the hint belongs to ends it; the hint of the part the pointer is over
    // now (another line of a list) comes after a pause.
    if (target) {
        const TPoint p = target->ScreenToClient(screenPos);
        if (!FHintCursorRect.Contains(p.x(), p.y())) {
            HideHint();
            ArmHint(target, FHintPause);
        }
    }
}

void TApplication::ArmHint(TControl* target, int pause)
{
    FShowTimer.stop();
    if (FShowHint && !HintTextAt(target, FHintCursor, FHintCursorRect).isEmpty())
        FShowTimer.start(pause, this);
}

void TApplication::ActivateHint()
{
    FShowTimer.stop();
    TControl* control = CurrentHintControl();
    if (!control || !FShowHint || !FHintWindow)
        return;
    THintInfo info;
    info.HintControl = control;
    info.HintPos = FHintCursor + TPoint(0, kHintCursorMargin);
    info.HintMaxWidth = Screen ? Screen->Width() : 0;
    info.HintColor = FHintColor;
    info.CursorPos = control->ScreenToClient(FHintCursor);
    info.HideTimeout = FHintHidePause;
    info.HintStr = ShortHint(HintTextAt(control, FHintCursor, info.CursorRect));
    bool canShow = true;
    if (OnShowHint)
        OnShowHint(info.HintStr, canShow, info);
    if (!canShow || info.HintStr.isEmpty() || !FHintWindow)
        return;
    const TRect rect = FHintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr);
    FHintWindow->SetColor(info.HintColor);
    FHintWindow->ActivateHint(rect.Translated(info.HintPos.x(), info.HintPos.y()), info.HintStr);
    FHintCursorRect = info.CursorRect;
    if (info.HideTimeout > 0)
        FHideTimer.start(info.HideTimeout, this);
}

void TApplication::HideHint()
{
    FHideTimer.stop();
    if (FHintWindow && FHintWindow->Visible())
        FHintWindow->Hide();
}

void TApplication::CancelHint()
{
    FShowTimer.stop();
    HideHint();
    FHintControl = nullptr;
    FHintControlObject = nullptr;
}

void TApplication::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == FShowTimer.timerId())
        Guard([this] { ActivateHint(); });
    else if (event->timerId() == FHideTimer.timerId())
        Guard([this] { HideHint(); });
    else
        TNonVisualComponent::timerEvent(event);
}

bool TApplication::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        return true;  // Qt's own tooltips never show; hints are the application's
    case QEvent::MouseMove:
    case QEvent::Enter: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            break;
        const QPoint global = (event->type() == QEvent::MouseMove
                                   ? static_cast<QMouseEvent*>(event)->globalPosition()
                                   : static_cast<QEnterEvent*>(event)->globalPosition())
                                  .toPoint();
        // A mouse event travels up to parents that do not take it: judge by what lies
        // under the pointer, so every step of the journey gives the same answer.
        QWidget* under = QApplication::widgetAt(global);
        if (!under)
            under = widget;
        if (FHintWindow && under->window() == FHintWindow)
            break;
        Guard([&] { HintMouseMessage(FindControl(under), global); });
        break;
    }
    case QEvent::Leave: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->isWindow() && widget != FHintWindow)
            Guard([&] { HintMouseMessage(nullptr, FHintCursor); });
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::ApplicationDeactivate:
        if (FShowTimer.isActive() || HintVisible())
            CancelHint();
        break;
    default:
        break;
    }
    return false;
}

void RegisterToolkitClasses()
{
    RegisterClass<TButton>();
    RegisterClass<TEdit>();
    RegisterClass<TLabel>();
    RegisterClass<TListBox>();
    RegisterClass<TTimer>();
    RegisterClass<TImage>();
    RegisterGraphicClass<TJPEGImage>();
    RegisterClass<TBitBtn>();
    RegisterClass<TListView>();
    RegisterClass<TPopupMenu>();
    RegisterClass<TMenuItem>();
}
