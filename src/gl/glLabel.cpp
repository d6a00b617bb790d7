#include "gl/glLabel.h"

#include "gl/glUTILS.h"

#include "toolkit/Guard.h"

#include <QEvent>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace {

// A label starts this size, before it sizes itself at its first paint.
constexpr int kNewLabelWidth = 100;
constexpr int kNewLabelHeight = 16;
// The margin around the measured text, and the share of its width added for italic
// overhang (one hundredth).
constexpr int kTextMargin = 2;
constexpr double kOverhangShare = 0.01;
// The outline adds this much on both sides of the text.
constexpr int kDelineationExtra = 2;
// Where the turned directions place the start of their text line.
constexpr int kUpDownTop = 1;
constexpr int kDownUpRightJustifyLift = 4;

}  // namespace

// ---------------------------------------------------------------- geometry

int GlLabelMaskOffset(TglTextStyle style, bool delineated)
{
    // Pushed letters have no face of their own; their mask lies half the effect offset in.
    if (style == fstPushed)
        return GlEffectOffset(style, delineated) / 2;
    return GlFaceOffset(style, delineated);
}

TglTextBox GlTextBox(QSize extent, bool styleHasDepth, int shadowDepth, bool delineated)
{
    TglTextBox box;
    box.Cx = extent.width();
    box.W0 = extent.width() + int(extent.width() * kOverhangShare) + kTextMargin;
    box.H0 = extent.height() + kTextMargin;
    box.E = (styleHasDepth ? shadowDepth : 0) + (delineated ? kDelineationExtra : 0);
    box.Sw = box.W0 + box.E;
    box.Sh = box.H0 + box.E;
    return box;
}

QSize GlLabelAutoSize(const TglTextBox& box, TglLabelDir direction)
{
    if (direction == fldUpDown || direction == fldDownUp)
        return QSize(box.Sh, box.Sw);
    return QSize(box.Sw, box.Sh);
}

TPoint GlLabelTextOrigin(const TglTextBox& box, TglLabelDir direction, TAlignment alignment, int width, int height)
{
    const int W = width;
    const int H = height;
    // Integer division truncates toward zero, as the placement rules count.
    switch (direction) {
    case fldLeftRight:
        switch (alignment) {
        case taLeftJustify:
            return TPoint(0, 0);
        case taRightJustify:
            return TPoint(W - box.Sw, 0);
        case taCenter:
            return TPoint((W - box.Sw) / 2, 0);
        }
        break;
    case fldRightLeft:
        switch (alignment) {
        case taLeftJustify:
            return TPoint(W - box.E - kTextMargin, box.H0);
        case taRightJustify:
            return TPoint(box.W0, box.H0);
        case taCenter:
            return TPoint((W + box.Sw) / 2, box.H0);
        }
        break;
    case fldUpDown:
        switch (alignment) {
        case taLeftJustify:
            return TPoint(box.H0, kUpDownTop);
        case taRightJustify:
            return TPoint(box.H0, H - box.Sw);
        case taCenter:
            return TPoint(box.H0, (H - box.Sw) / 2);
        }
        break;
    case fldDownUp:
        switch (alignment) {
        case taLeftJustify:
            return TPoint(0, H - box.E - kTextMargin);
        case taRightJustify:
            // The text runs up from its origin: an origin lower than the text is long
            // would start it above the label's top edge and cut its last letters off.
            return TPoint(0, std::max(box.W0 - kDownUpRightJustifyLift, box.Cx));
        case taCenter:
            return TPoint(0, (H + box.W0 - box.E) / 2);
        }
        break;
    }
    return TPoint(0, 0);
}

// ---------------------------------------------------------------- the focus control's watcher

// Sits in front of the focus control's own event handling, as a replaced window procedure
// would: it sees focus gain and loss and lets every event through. It watches the widget
// that really receives the focus too (an edit's inner field), and forgets each watched
// widget that goes.
class TglFocusWatcher : public QObject {
public:
    explicit TglFocusWatcher(TglCustomLabel* label) : QObject(label), FLabel(label) {}

    void Watch(QWidget* control)
    {
        for (QWidget* w = control; w; w = w->focusProxy()) {
            w->installEventFilter(this);
            FWatched.emplace_back(w);
        }
    }

    // Only this watcher is taken off; other filters on the widgets stay.
    void Unwatch()
    {
        for (const QPointer<QWidget>& w : FWatched)
            if (w)
                w->removeEventFilter(this);
        FWatched.clear();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::FocusIn:
            Guard([this] {
                FLabel->EnterNotify();
                FLabel->FFocusActive = true;
            });
            break;
        case QEvent::FocusOut:
            Guard([this] {
                FLabel->FFocusActive = false;
                FLabel->LeaveNotify();
            });
            break;
        default:
            break;
        }
        return false;
    }

private:
    TglCustomLabel* FLabel;
    std::vector<QPointer<QWidget>> FWatched;
};

// ---------------------------------------------------------------- TglCustomLabel

TglCustomLabel::TglCustomLabel(TComponent* owner)
    : TGraphicControl(owner), FHookWndProc(new TglFocusWatcher(this))
{
}

TglCustomLabel::~TglCustomLabel()
{
    SetFocusControl(nullptr);
    // A hook made while the label hooked on focus stays when the option is cleared later;
    // a label that goes takes it off whatever the option says now.
    UnhookFocusControl();
}

void TglCustomLabel::SetFocusControl(TWinControl* value)
{
    if (FFocusControl == value)
        return;
    if (FHookOnFocus && FFocusControl)
        UnhookFocusControl();
    FFocusControl = value;
    if (value)
        value->FreeNotification(this);
    if (FHookOnFocus && value)
        HookFocusControl();
}

void TglCustomLabel::HookFocusControl()
{
    if (!FFocusControl || FHooked == FFocusControl)
        return;
    UnhookFocusControl();
    FHookWndProc->Watch(FFocusControl);
    FHooked = FFocusControl;
    // The control may go without the label hearing of it first (another owner): the
    // label then never touches it again, and hooks afresh when it gets a control again.
    FHookedGoing = connect(FFocusControl, &QObject::destroyed, FHookWndProc, [this] { FRehookPending = true; });
}

void TglCustomLabel::UnhookFocusControl()
{
    disconnect(FHookedGoing);
    FHookWndProc->Unwatch();
    FHooked = nullptr;
}

void TglCustomLabel::SetTransparent(bool value)
{
    if (FTransparent == value)
        return;
    FTransparent = value;
    Invalidate();
}

void TglCustomLabel::EnterNotify()
{
    if (!Enabled() || FFocusActive)
        return;
    FIsActive = true;
    Invalidate();
    MouseEntered();
}

void TglCustomLabel::LeaveNotify()
{
    if (!Enabled() || FFocusActive)
        return;
    FIsActive = false;
    Invalidate();
    MouseLeft();
}

void TglCustomLabel::MouseEntered()
{
    if (OnMouseEnter)
        OnMouseEnter(this);
    FocusBy(fcmOnMouseEnter);
}

void TglCustomLabel::MouseLeft()
{
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TglCustomLabel::MouseEnter(TControl* control)
{
    if (control != this) {
        TGraphicControl::MouseEnter(control);
        return;
    }
    // The label raises OnMouseEnter itself, and only when it takes the active look.
    EnterNotify();
    if (Parent())
        Parent()->MouseEnter(this);
}

void TglCustomLabel::MouseLeave(TControl* control)
{
    if (control != this) {
        TGraphicControl::MouseLeave(control);
        return;
    }
    LeaveNotify();
    if (Parent())
        Parent()->MouseLeave(this);
}

void TglCustomLabel::FocusBy(TFocusControlMethod method)
{
    if (Enabled() && FFocusControlMethod == method && FFocusControl && FFocusControl->CanFocus())
        FFocusControl->SetFocus();
}

void TglCustomLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button == mbLeft)
        FocusBy(fcmOnMouseDown);
}

void TglCustomLabel::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button == mbLeft)
        FocusBy(fcmOnMouseUp);
}

void TglCustomLabel::Notification(TComponent* component, TOperation operation)
{
    TGraphicControl::Notification(component, operation);
    // The control is going: it is forgotten, not unhooked; the watcher leaves with it.
    if (operation == opRemove && component == FFocusControl)
        FFocusControl = nullptr;
}

void TglCustomLabel::TextChanged()
{
    Invalidate();
}

// ---------------------------------------------------------------- TglLabel

struct TglLabel::Look {
    TglTextStyle style;
    TColor delineate;
    TColor text;
    TColor background;
};

TglLabel::TglLabel(TComponent* owner)
    : TglCustomLabel(owner),
      FTextStyles(new TglLabelTextStyles(this)),
      FColors(new TglLabelColors(this)),
      FOptions(floActiveWhileControlFocused),
      FGradient(new TGradient(this)),
      FIllumination(new TIllumination(this)),
      FBuffer(std::make_unique<TBitmap>())
{
    if (ComponentState().testFlag(csDesigning))
        Font()->SetName(QStringLiteral("Arial"));
    FGradient->OnChange = TNotifyEvent::FromFunction([this](TObject*) { GradientChanged(); });
    const TNotifyEvent settingsChanged = TNotifyEvent::FromFunction([this](TObject*) { SettingsChanged(); });
    FIllumination->OnChange = settingsChanged;
    FTextStyles->OnChange = settingsChanged;
    FColors->OnChange = settingsChanged;
    FDrawCanvas = Canvas();
    // Hovering and gradient changes draw the face at once, over the picture shown before.
    KeepPicture();
    SetBounds(Left(), Top(), kNewLabelWidth, kNewLabelHeight);
}

TglLabel::~TglLabel()
{
    // Nothing may reach this label through a picture while its parts go.
    disconnect(FTextureReplaced);
    disconnect(FBackgroundReplaced);
}

TglLabel::Source TglLabel::TextureSource()
{
    return {FOwnTexture, FTextureImage, FTextureGraphic, FTextureTaken, FTextureReplaced};
}

TglLabel::Source TglLabel::BackgroundSource()
{
    return {FOwnBackground, FBackgroundImage, FBackgroundGraphic, FBackgroundTaken, FBackgroundReplaced};
}

void TglLabel::SetDirection(TglLabelDir value)
{
    FDirection = value;
    RebuildLabelFont();
    InvalidateParentArea();
}

void TglLabel::SetFontWeight(TFontWeight value)
{
    if (FFontWeight == value)
        return;
    FFontWeight = value;
    RebuildLabelFont();
    InvalidateParentArea();
}

void TglLabel::SetOptions(TglLabelOptions value)
{
    if (FOptions == value)
        return;
    FOptions = value;
    FHookOnFocus = value.testFlag(floActiveWhileControlFocused);
    if (value.testFlag(floTransparentFont))
        SetOptions(value | floBufferedDraw);
    DeriveAutoColors(ParentBrushColor(), FColors);
    InvalidateParentArea();
}

void TglLabel::SetAlignment(TAlignment value)
{
    FAlignment = value;
    Invalidate();
}

TColor TglLabel::ParentBrushColor() const
{
    return Parent() ? Parent()->Brush()->Color() : clBtnFace;
}

void TglLabel::RebuildLabelFont()
{
    FLabelFont = CreateRotatedFont(Font(), GlLabelEscapement(FDirection));
}

void TglLabel::FontChanged()
{
    TglCustomLabel::FontChanged();
    RebuildLabelFont();
    Invalidate();
}

void TglLabel::GradientChanged()
{
    FFaceOnly = true;
    PaintAtOnce();
}

void TglLabel::SettingsChanged()
{
    DeriveAutoColors(ParentBrushColor(), FColors);
    InvalidateParentArea();
}

void TglLabel::InvalidateParentArea()
{
    // A windowless control's picture is its parent's area under it: invalidating it draws
    // that area afresh, background first, as erasing the parent's rectangle does.
    Invalidate();
}

void TglLabel::PaintAtOnce()
{
    // A face-only request that turns into a full paint must not leave the full paint
    // drawing only a face.
    if (!PaintOver())
        FFaceOnly = false;
}

// ---------------------------------------------------------------- pointer

void TglLabel::EnterNotify()
{
    if (!Enabled())
        return;
    if (FOptions.testFlag(floIgnoreMouse) || FFocusActive)
        return;
    FIsActive = true;
    ChooseRepaint();
    MouseEntered();
}

void TglLabel::LeaveNotify()
{
    if (!Enabled())
        return;
    if (FOptions.testFlag(floIgnoreMouse) || FFocusActive)
        return;
    FIsActive = false;
    ChooseRepaint();
    MouseLeft();
}

void TglLabel::ChooseRepaint()
{
    const bool styleDiffers = FTextStyles->Passive() != FTextStyles->Active();
    const bool backgroundDiffers = FColors->Background() != FColors->BackgroundActive() && !Transparent();
    if (styleDiffers || backgroundDiffers) {
        // A new effect changes pixels beyond the old letters: unbuffered, the area is
        // drawn afresh; buffered, the one copy of the buffer covers it all at once.
        if (FOptions.testFlag(floBufferedDraw))
            PaintAtOnce();
        else
            InvalidateParentArea();
    } else if (FOptions.testFlag(floDelineatedText) && FColors->DelineateActive() != FColors->Delineate()) {
        PaintAtOnce();
    } else if (FColors->TextActive() != FColors->Text()) {
        FFaceOnly = true;
        PaintAtOnce();
    }
}

// ---------------------------------------------------------------- texture and background

TBitmap* TglLabel::OwnBitmap(Source source)
{
    if (!source.own)
        source.own = std::make_unique<TBitmap>();
    return source.own.get();
}

TBitmap* TglLabel::Texture()
{
    return OwnBitmap(TextureSource());
}

TBitmap* TglLabel::Background()
{
    return OwnBitmap(BackgroundSource());
}

void TglLabel::SetTexture(TBitmap* value)
{
    SetOwnBitmap(TextureSource(), value);
}

void TglLabel::SetBackground(TBitmap* value)
{
    SetOwnBitmap(BackgroundSource(), value);
}

void TglLabel::SetOwnBitmap(Source source, TBitmap* value)
{
    // The copy is made before the old bitmap goes: the value may be that very bitmap.
    std::unique_ptr<TBitmap> copy;
    if (value && !value->Empty()) {
        copy = std::make_unique<TBitmap>();
        copy->Assign(value);
    }
    source.own = std::move(copy);
    TakeGraphic(source);
    InvalidateParentArea();
}

void TglLabel::SetTextureImage(TImage* value)
{
    SetImage(TextureSource(), value);
}

void TglLabel::SetBackgroundImage(TImage* value)
{
    SetImage(BackgroundSource(), value);
}

void TglLabel::SetImage(Source source, TImage* value)
{
    disconnect(source.replaced);
    source.image = value;
    if (value) {
        value->FreeNotification(this);
        // The picture frees its old graphic when it takes a new one: the label lets go of
        // it at once and takes the new one when it next paints.
        QPointer<TBitmap>* graphic = &source.graphic;
        bool* taken = &source.taken;
        source.replaced = connect(value->Picture(), &TPicture::GraphicReplaced, this, [this, graphic, taken] {
            *graphic = nullptr;
            *taken = false;
            if (!FTakingGraphic)
                InvalidateParentArea();
        });
    }
    TakeGraphic(source);
    if (value)
        InvalidateParentArea();
}

void TglLabel::TakeGraphic(Source source)
{
    if (source.own && !source.own->Empty()) {
        source.graphic = source.own.get();
    } else if (source.image) {
        // The accessor may put a new bitmap into the picture, which then says so.
        const QScopedValueRollback taking(FTakingGraphic, true);
        source.graphic = source.image->Picture()->Bitmap();
    } else {
        source.graphic = nullptr;
    }
    source.taken = source.graphic != nullptr;
}

TBitmap* TglLabel::DrawableGraphic(Source source)
{
    if (!source.graphic && !source.taken && source.image)
        TakeGraphic(source);
    if (source.taken && !source.graphic) {
        // The bitmap went without word: the source is dropped, the paint goes on.
        source.taken = false;
        disconnect(source.replaced);
        source.image = nullptr;
        return nullptr;
    }
    return HasGraphic(source.graphic) ? source.graphic.data() : nullptr;
}

void TglLabel::Loaded()
{
    TglCustomLabel::Loaded();
    TakeGraphic(TextureSource());
    TakeGraphic(BackgroundSource());
}

void TglLabel::Notification(TComponent* component, TOperation operation)
{
    TglCustomLabel::Notification(component, operation);
    if (operation != opRemove)
        return;
    // One image may be both sources; each link is let go.
    if (component == FBackgroundImage)
        SetBackgroundImage(nullptr);
    if (component == FTextureImage)
        SetTextureImage(nullptr);
}

void TglLabel::Tile(gdi::DeviceContext& dc, const TBitmap& bitmap, gdi::RasterOp rop) const
{
    for (int x = 0; x < Width(); x += bitmap.Width())
        for (int y = 0; y < Height(); y += bitmap.Height())
            dc.DrawBitmap(x, y, bitmap.Handle(), rop);
}

// ---------------------------------------------------------------- painting

TglLabel::Look TglLabel::CurrentLook() const
{
    Look look;
    if (FIsActive)
        look = {FTextStyles->Active(), FColors->DelineateActive(), FColors->TextActive(), FColors->BackgroundActive()};
    else if (Enabled())
        look = {FTextStyles->Passive(), FColors->Delineate(), FColors->Text(), FColors->Background()};
    else
        look = {FTextStyles->Disabled(), FColors->Delineate(), FColors->TextDisabled(), FColors->Background()};
    // "The control's default" as a text colour is the parent's text colour.
    if (look.text == clDefault)
        look.text = Parent() ? Parent()->Font()->Color() : clWindowText;
    return look;
}

void TglLabel::Paint()
{
    if (FRehookPending && FocusControl())
        HookFocusControl();
    const QString caption = Caption();
    if (caption.isEmpty())
        return;

    const bool buffered = FOptions.testFlag(floTransparentFont)
                          || (FOptions.testFlag(floBufferedDraw) && !ComponentState().testFlag(csDesigning));
    TCanvas* own = Canvas();
    FDrawCanvas = buffered ? FBuffer->Canvas() : own;
    if (buffered || HasGraphic(FBackgroundGraphic))
        FFaceOnly = false;
    if (!FPainted) {
        FFaceOnly = false;
        FPainted = true;
    }
    // Whatever way the paint ends, the next one starts in full and with the gradient the
    // settings say.
    const auto restore = qScopeGuard([this, gradientActive = FGradient->FActive] {
        FFaceOnly = false;
        FGradient->FActive = gradientActive;
    });

    gdi::DeviceContext& dc = *FDrawCanvas->Handle();
    dc.SelectFont(FLabelFont);
    const QSize extent = dc.GetTextExtentPoint(caption);

    const Look look = CurrentLook();
    const bool delineated = FOptions.testFlag(floDelineatedText);
    const bool hasDepth = look.style == fstShadow || look.style == fstVolumetric;
    const TglTextBox box = GlTextBox(extent, hasDepth, FIllumination->ShadowDepth(), delineated);
    if (AutoSize() && Align() == alNone) {
        const QSize size = GlLabelAutoSize(box, FDirection);
        SetBounds(Left(), Top(), size.width(), size.height());
    }
    const TPoint origin = GlLabelTextOrigin(box, FDirection, FAlignment, Width(), Height());
    const int x = origin.x();
    const int y = origin.y();
    const TRect client = ClientRect();

    // The buffer and the mask hold their pixels as densely as what the label is drawn on.
    const qreal ratio = own->Handle()->DevicePixelRatio();
    if (buffered) {
        FBuffer->SetDevicePixelRatio(ratio);
        FBuffer->SetSize(Width(), Height());
    }
    dc.SetBkMode(gdi::TRANSPARENT);
    if (!Transparent())
        dc.FillRect(client, gdi::SolidBrush(look.background));

    TBitmap* background = DrawableGraphic(BackgroundSource());
    TBitmap* texture = DrawableGraphic(TextureSource());
    if (background) {
        Tile(dc, *background, gdi::SRCCOPY);
    } else if (buffered && (Transparent() || FOptions.testFlag(floTransparentFont))) {
        dc.FillRect(client, gdi::SolidBrush(ParentBrushColor()));
        dc.SelectBrush(gdi::HollowBrush());
        // What lies beneath is only a backdrop: a control below that fails to paint
        // leaves the plain fill, and this label still shows.
        try {
            CopyParentBackground(this, BoundsRect(), dc);
        } catch (const std::exception&) {
        }
    }

    if ((FIsActive && FColors->TextActive() != FColors->Text()) || !Enabled())
        FGradient->FActive = false;

    gdi::DeviceContext* mask = nullptr;
    if (texture || FOptions.testFlag(floTransparentFont)) {
        if (!FMask)
            FMask = std::make_unique<TBitmap>();
        FMask->SetDevicePixelRatio(ratio);
        FMask->SetSize(Width(), Height());
        mask = FMask->Canvas()->Handle();
        mask->FillRect(client, gdi::SolidBrush(clBlack));
        mask->SelectFont(FLabelFont);
        mask->SetTextColor(clWhite);
        mask->SetBkMode(gdi::TRANSPARENT);
        const int offset = GlLabelMaskOffset(look.style, delineated);
        mask->TextOut(x + offset, y + offset, caption);
        if (!Transparent()) {
            // An opaque label: its letters show its background, the rest the plain colour.
            mask->BitBlt(0, 0, Width(), Height(), dc, 0, 0, gdi::SRCAND);
            ReplaceColor(FMask.get(), clBlack, look.background);
            own->Handle()->BitBlt(0, 0, Width(), Height(), *mask, 0, 0, gdi::SRCCOPY);
            return;
        }
        if (FOptions.testFlag(floTransparentFont))
            mask->BitBlt(0, 0, Width(), Height(), dc, 0, 0, gdi::SRCAND);
        else
            Tile(*mask, *texture, gdi::SRCAND);
    }

    // A textured face is black, so that the letters of the mask show through it.
    const TColor textColor = texture ? clBlack : look.text;
    DrawEffectText(dc, x, y, client, caption, look.style, delineated, FFaceOnly, textColor, look.delineate,
                   FColors->Highlight(), FColors->Shadow(), FIllumination, FGradient, &FLabelFont);
    if (mask && look.style != fstPushed)
        dc.BitBlt(0, 0, FMask->Width(), FMask->Height(), *mask, 0, 0, gdi::SRCPAINT);
    if (buffered)
        own->Handle()->BitBlt(0, 0, Width(), Height(), dc, 0, 0, gdi::SRCCOPY);
}
