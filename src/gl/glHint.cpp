#include "gl/glHint.h"

#include "toolkit/Exceptions.h"

#include <mutex>

// Outside any namespace, as the resource system's initialiser must be.
static void InitGlResources()
{
    Q_INIT_RESOURCE(gl);
}

namespace {

constexpr int kHintFontPoints = 8;
const char* const kPictureName = "HELP";

void EnsureResources()
{
    static std::once_flag once;
    std::call_once(once, InitGlResources);
}

[[noreturn]] void RefuseSecondInstance()
{
    throw EComponentError(QStringLiteral("Cannot create more than one instance of TglHint component"));
}

} // namespace

TRect GlHintWindowBounds(const TRect& rect, int screenWidth, int screenHeight)
{
    const int width = rect.Width() + kGlHintExtraWidth;
    const int height = rect.Height() + kGlHintExtraHeight;
    int left = rect.left;
    int top = rect.top;
    if (top + height > screenHeight)
        top = screenHeight - height;
    if (left + width > screenWidth)
        left = screenWidth - width;
    if (left < 0)
        left = 0;
    return Rect(left, top, left + width, top + height);
}

TRect GlHintTextRect(const TRect& client)
{
    return Rect(client.left + kGlHintTextLeft, client.top + kGlHintTextTop, client.right, client.bottom);
}

// ---------------------------------------------------------------- TglHintWindow

TglHintWindow::TglHintWindow(TComponent* owner) : THintWindow(owner)
{
    EnsureResources();
    try {
        TFont* font = Canvas()->Font();
        font->SetName(QStringLiteral("Arial"));
        font->SetSize(kHintFontPoints);
        font->SetCharset(RUSSIAN_CHARSET);
    } catch (...) {
        // The window keeps the font it has.
    }
}

TglHintWindow::~TglHintWindow() = default;

void TglHintWindow::CreateParams(TCreateParams& params)
{
    THintWindow::CreateParams(params);
    params.Style &= ~WS_BORDER;
}

void TglHintWindow::ActivateHint(TRect rect, const QString& hint)
{
    HandleNeeded();
    SetCaption(hint);
    const int screenWidth = Screen ? Screen->Width() : rect.right + kGlHintExtraWidth;
    const int screenHeight = Screen ? Screen->Height() : rect.bottom + kGlHintExtraHeight;
    const TRect bounds = GlHintWindowBounds(rect, screenWidth, screenHeight);
    SetBounds(bounds.left, bounds.top, bounds.Width(), bounds.Height());
    Invalidate();
    Show();
    raise();
}

void TglHintWindow::Paint()
{
    TCanvas* canvas = Canvas();
    canvas->Pen()->SetColor(clBlack);
    canvas->Brush()->SetColor(clWhite);
    canvas->Rectangle(ClientRect());

    TBitmap picture;
    if (picture.LoadFromResourceName(QString::fromLatin1(kPictureName)))
        canvas->Draw(kGlHintPictureAt.x(), kGlHintPictureAt.y(), &picture);

    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->SetColor(clBlack);
    TRect text = GlHintTextRect(ClientRect());
    canvas->DrawText(Caption(), text, gdi::DT_LEFT | gdi::DT_TOP | gdi::DT_WORDBREAK | gdi::DT_NOPREFIX);
}

void TglHintWindow::ActivationChanged(bool)
{
    Hide();
}

// ---------------------------------------------------------------- TglHint

TglHint::TglHint(TComponent* owner) : TNonVisualComponent(owner)
{
    // The owner's other components heard of this one while it was still being built, when it
    // could not yet be told apart, so the check is made here.
    if (owner) {
        for (int i = 0; i < owner->ComponentCount(); ++i) {
            TComponent* other = owner->Components(i);
            if (other != this && dynamic_cast<TglHint*>(other))
                RefuseSecondInstance();
        }
    }
    HookApplication();
    RemakeHintWindow(true);
}

TglHint::~TglHint()
{
    if (FHooked && Application) {
        Application->OnHint = FOldOnHint;
        Application->OnShowHint = FOldOnShowHint;
    }
}

void TglHint::SetActive(bool value)
{
    FActive = value;
}

void TglHint::SetShowHint(bool value)
{
    FShowHint = value;
}

void TglHint::HookApplication()
{
    if (!Application)
        return;
    // Only the first hook saves: a later one would save this component's own handlers.
    if (!FHooked) {
        FOldOnHint = Application->OnHint;
        FOldOnShowHint = Application->OnShowHint;
        FHooked = true;
    }
    Application->OnShowHint = TShowHintEvent(this, &TglHint::ForwardShowHint);
    Application->OnHint = TNotifyEvent(this, &TglHint::ForwardHint);
    Application->SetHintWindowClass(ClassOf<TglHintWindow>());
    FShowHint = true;
}

void TglHint::RemakeHintWindow(bool value)
{
    if (!Application)
        return;
    Application->SetShowHint(false);
    Application->SetShowHint(value);
}

void TglHint::Loaded()
{
    TNonVisualComponent::Loaded();
    if (ComponentState().testFlag(csDesigning) || !FActive)
        return;
    HookApplication();
    RemakeHintWindow(FShowHint);
}

void TglHint::Notification(TComponent* component, TOperation operation)
{
    TNonVisualComponent::Notification(component, operation);
    if (operation == opInsert && component != this && dynamic_cast<TglHint*>(component))
        RefuseSecondInstance();
}

void TglHint::ForwardHint(TObject* sender)
{
    if (OnHint)
        OnHint(sender);
}

void TglHint::ForwardShowHint(QString& hintStr, bool& canShow, THintInfo& hintInfo)
{
    if (OnShowHint)
        OnShowHint(hintStr, canShow, hintInfo);
}
