#include "toolkit/Forms.h"

#include "toolkit/Application.h"
#include "toolkit/Exceptions.h"
#include "toolkit/FormReader.h"
#include "toolkit/Guard.h"
#include "toolkit/StdCtrls.h"

#include "platform/gdi/SystemMetrics.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace {

// The size of a new form before its description sets one.
constexpr int kDefaultWidth = 320;
constexpr int kDefaultHeight = 240;

// Modal forms in the order they were shown; the last one is running its loop.
std::vector<TForm*>& ModalForms()
{
    static std::vector<TForm*> forms;
    return forms;
}

void CollectButtons(const TWinControl* parent, std::vector<TButton*>& buttons)
{
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* child = parent->Controls(i);
        if (auto* button = dynamic_cast<TButton*>(child))
            buttons.push_back(button);
        if (auto* windowed = dynamic_cast<TWinControl*>(child))
            CollectButtons(windowed, buttons);
    }
}

}  // namespace

TForm::TForm(TComponent* owner) : TCustomControl(owner)
{
    FVisible = false;
    SetParentColor(false);
    SetParentFont(false);
    SetColor(clBtnFace);
    setAttribute(Qt::WA_QuitOnClose, false);
    SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
    FFocusWatch = connect(qApp, &QApplication::focusChanged, this,
                          [this](QWidget*, QWidget* now) { Guard([&] { FocusChanged(now); }); });
}

TForm::~TForm()
{
    // Controls going with the form move the focus; the form no longer follows it.
    disconnect(FFocusWatch);
    if (OnDestroy)
        Guard([this] { OnDestroy(this); });
    if (FModalLoop)
        FModalLoop->quit();
    auto& forms = ModalForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

void TForm::AfterConstruction()
{
    TCustomControl::AfterConstruction();
    // An error in OnCreate is shown; the form is made all the same.
    if (OnCreate)
        Guard([this] { OnCreate(this); });
}

void TForm::LoadFromResource(const QString& resourcePath)
{
    TReader::ReadRootFromResource(this, resourcePath);
}

void TForm::BindFailed(const char* name) const
{
    throw EComponentError(QStringLiteral("%1 has no component %2 of the expected class")
                              .arg(ClassName(), QLatin1String(name)));
}

void TForm::SetBorderStyle(TFormBorderStyle value)
{
    if (FBorderStyle == value)
        return;
    FBorderStyle = value;
    if (HandleAllocated())
        ApplyWindowFlags();
}

void TForm::SetPosition(TPosition value)
{
    FPosition = value;
}

int TForm::ClientWidth() const
{
    return QWidget::width();
}

int TForm::ClientHeight() const
{
    return QWidget::height();
}

void TForm::SetClientWidth(int value)
{
    SetBounds(Left(), Top(), Width() - ClientWidth() + value, Height());
}

void TForm::SetClientHeight(int value)
{
    SetBounds(Left(), Top(), Width(), Height() - ClientHeight() + value);
}

void TForm::SetBounds(int left, int top, int width, int height)
{
    // A fixed frame is fixed against the user; the program still sizes the form.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    TCustomControl::SetBounds(left, top, width, height);
    if (FBorderStyle != bsSizeable && FBorderStyle != bsSizeToolWin)
        setFixedSize(QWidget::size());
}

void TForm::CreateWnd()
{
    TCustomControl::CreateWnd();
    ApplyWindowFlags();
}

void TForm::ApplyWindowFlags()
{
    Qt::WindowFlags flags;
    switch (FBorderStyle) {
    case bsNone:
        flags = Qt::Window | Qt::FramelessWindowHint;
        break;
    case bsSingle:
        flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
        break;
    case bsDialog:
        flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                | Qt::WindowCloseButtonHint;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        flags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        break;
    case bsSizeable:
        flags = Qt::Window;
        break;
    }
    const bool shown = QWidget::isVisible();
    // New flags make Qt a new window; it keeps the form's place and size.
    const TRect bounds = BoundsRect();
    setWindowFlags(flags);
    if (FBorderStyle == bsSizeable || FBorderStyle == bsSizeToolWin) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(QWidget::size());
    }
    PlaceWidget(bounds);
    if (shown)
        QWidget::show();
}

void TForm::SetTextValue(const QString& value)
{
    TCustomControl::SetTextValue(value);
    setWindowTitle(value);
}

void TForm::SetActiveControl(TWinControl* control)
{
    if (FActiveControl == control)
        return;
    if (control && TForm::GetParentForm(control) != this && !ComponentState().testFlag(csLoading))
        throw EInvalidOperation(QStringLiteral("Invalid control for the active control"));
    FActiveControl = control;
    if (control)
        control->FreeNotification(this);
    if (control && QWidget::isVisible() && control->CanFocus())
        control->SetFocus();
}

void TForm::Notification(TComponent* component, TOperation operation)
{
    TCustomControl::Notification(component, operation);
    if (operation == opRemove && FActiveControl && component == static_cast<TComponent*>(FActiveControl))
        FActiveControl = nullptr;
}

TForm* TForm::GetParentForm(const TControl* control)
{
    while (control && control->Parent())
        control = control->Parent();
    return dynamic_cast<TForm*>(const_cast<TControl*>(control));
}

void TForm::FocusChanged(QWidget* now)
{
    if (!now || now->window() != this)
        return;
    TControl* control = FindControl(now);
    while (control && !dynamic_cast<TWinControl*>(control))
        control = control->Parent();
    if (!control || control == this)
        return;
    FActiveControl = static_cast<TWinControl*>(control);
    // The default frame moves with the focus.
    std::vector<TButton*> buttons;
    CollectButtons(this, buttons);
    for (TButton* button : buttons)
        button->Invalidate();
}

void TForm::Show()
{
    SetVisible(true);
    raise();
    activateWindow();
}

void TForm::VisibleChanged()
{
    TCustomControl::VisibleChanged();
    if (Visible() && !FPlaced) {
        FPlaced = true;
        PlaceOnScreen();
    }
}

void TForm::PlaceOnScreen()
{
    int left = Left();
    int top = Top();
    const TForm* centerOn = nullptr;
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
        left = (Screen ? Screen->Width() : 0) / 2 - Width() / 2;
        top = (Screen ? Screen->Height() : 0) / 2 - Height() / 2;
        break;
    case poMainFormCenter:
        centerOn = Application ? Application->MainForm() : nullptr;
        break;
    case poOwnerFormCenter:
        centerOn = dynamic_cast<TForm*>(Owner());
        break;
    case poDesigned:
    case poDefault:
    case poDefaultPosOnly:
    case poDefaultSizeOnly:
        return;
    }
    if (centerOn && centerOn != this) {
        left = centerOn->Left() + (centerOn->Width() - Width()) / 2;
        top = centerOn->Top() + (centerOn->Height() - Height()) / 2;
    }
    SetBounds(left, top, Width(), Height());
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::DoClose(TCloseAction& action)
{
    if (OnClose)
        OnClose(this, action);
}

void TForm::Close()
{
    if (Modal()) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone)
        return;
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        showMinimized();
    else
        Release();
}

void TForm::Release()
{
    QTimer::singleShot(0, this, [this] { delete this; });
}

void TForm::SetModalResult(TModalResult value)
{
    FModalResult = value;
    if (value != mrNone && FModalLoop)
        FModalLoop->quit();
}

bool TForm::CloseModal()
{
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    if (action == caNone) {
        FModalResult = mrNone;
        return false;
    }
    return true;
}

TModalResult TForm::ShowModal()
{
    if (Visible() || Modal())
        throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    FModalResult = mrNone;
    QEventLoop loop;
    FModalLoop = &loop;
    ModalForms().push_back(this);
    setWindowModality(Qt::ApplicationModal);
    const auto finish = [this] {
        FModalLoop = nullptr;
        auto& forms = ModalForms();
        forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
        Hide();
        setWindowModality(Qt::NonModal);
    };
    try {
        Show();
        for (;;) {
            const bool terminated = Application && Application->Terminated();
            if (FModalResult == mrNone && !terminated)
                loop.exec();
            if (Application && Application->Terminated()) {
                FModalResult = mrCancel;
                break;
            }
            if (FModalResult != mrNone && CloseModal())
                break;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return FModalResult;
}

void TForm::EndAllModalLoops()
{
    for (TForm* form : ModalForms())
        if (form->FModalLoop)
            form->FModalLoop->quit();
}

TButton* TForm::DialogButton(bool cancel) const
{
    std::vector<TButton*> buttons;
    CollectButtons(this, buttons);
    for (TButton* button : buttons) {
        const bool wanted = cancel ? button->Cancel() : button->Active();
        if (wanted && button->CanFocus())
            return button;
    }
    return nullptr;
}

TButton* TForm::MnemonicButton(QChar character) const
{
    std::vector<TButton*> buttons;
    CollectButtons(this, buttons);
    for (TButton* button : buttons) {
        const QString caption = button->Caption();
        for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
            if (caption[i] != u'&')
                continue;
            if (caption[i + 1] == u'&') {
                ++i;
                continue;
            }
            if (caption[i + 1].toLower() == character.toLower() && button->CanFocus())
                return button;
            break;
        }
    }
    return nullptr;
}

void TForm::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool escape = event->key() == Qt::Key_Escape;
    TButton* target = nullptr;
    if (modifiers == Qt::NoModifier && (enter || escape)) {
        target = DialogButton(escape);
    } else if (modifiers == Qt::NoModifier && event->key() > Qt::Key_Space && event->key() < Qt::Key_Escape) {
        if (dynamic_cast<TButton*>(FActiveControl) && FActiveControl->Focused())
            target = MnemonicButton(QChar(event->key()));
    }
    if (!target) {
        TCustomControl::keyPressEvent(event);
        return;
    }
    event->accept();
    Guard([target] { target->Click(); });
}

void TForm::closeEvent(QCloseEvent* event)
{
    // The frame's close box closes by the form's own rules; Qt never hides it by itself.
    event->ignore();
    Guard([this] { Close(); });
}

void TForm::showEvent(QShowEvent* event)
{
    TCustomControl::showEvent(event);
    if (event->spontaneous())
        return;
    Guard([this] {
        if (FActiveControl && FActiveControl->CanFocus())
            FActiveControl->SetFocus();
        if (OnShow)
            OnShow(this);
    });
}

void TForm::hideEvent(QHideEvent* event)
{
    TCustomControl::hideEvent(event);
    if (event->spontaneous())
        return;
    FVisible = false;
    Guard([this] {
        if (OnHide)
            OnHide(this);
    });
}

void TForm::Paint()
{
    if (OnPaint)
        OnPaint(this);
}

TPoint FormClientOrigin(TFormBorderStyle style)
{
    using gdi::GetSystemMetrics;
    // A frame that cannot be sized is the fixed dialog frame whatever its caption; a tool
    // window's caption is the small one.
    switch (style) {
    case bsNone:
        return {0, 0};
    case bsSingle:
    case bsDialog:
        return {GetSystemMetrics(gdi::SM_CXDLGFRAME),
                GetSystemMetrics(gdi::SM_CYDLGFRAME) + GetSystemMetrics(gdi::SM_CYCAPTION)};
    case bsSizeable:
        return {GetSystemMetrics(gdi::SM_CXFRAME), GetSystemMetrics(gdi::SM_CYFRAME) + GetSystemMetrics(gdi::SM_CYCAPTION)};
    case bsToolWindow:
        return {GetSystemMetrics(gdi::SM_CXDLGFRAME),
                GetSystemMetrics(gdi::SM_CYDLGFRAME) + GetSystemMetrics(gdi::SM_CYSMCAPTION)};
    case bsSizeToolWin:
        break;
    }
    return {GetSystemMetrics(gdi::SM_CXFRAME), GetSystemMetrics(gdi::SM_CYFRAME) + GetSystemMetrics(gdi::SM_CYSMCAPTION)};
}

void SetWindowRgn(TWinControl* control, const QRegion& region)
{
    control->HandleNeeded();
    QRegion shape = region;
    // The part over the frame stays in the shape, at negative client coordinates: a window
    // manager shapes its frame by the client's shape, and would drop every side of the frame
    // that the shape does not reach.
    if (auto* form = dynamic_cast<TForm*>(control); form && form->isWindow())
        shape.translate(-FormClientOrigin(form->BorderStyle()));
    // Qt reads an empty mask as no mask at all; a window cut away entirely gets one far
    // outside it and its frame.
    static const QRegion kNothingOfTheWindow(-30000, -30000, 1, 1);
    control->setMask(shape.isEmpty() ? kNothingOfTheWindow : shape);
}
