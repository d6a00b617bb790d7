#include "gl/glHShape.h"

#include "platform/gdi/Region.h"
#include "platform/gdi/SystemMetrics.h"
#include "toolkit/Forms.h"
#include "toolkit/Guard.h"

#include <algorithm>

namespace {

// The size of a new shape.
constexpr int kCreatedSize = 112;
// A new shape's corner ellipse is first 30 x 30 and then, with the change handler connected,
// 45 x 45: so a shape gives its owner's window a region (whole, since the shape is not yet
// among the owner's controls) while it is being made, which also makes that window.
constexpr int kFirstCorner = 30;
constexpr int kCorner = 45;
// The bitmap colour that is not part of a bitmap hole.
constexpr gdi::ColorRef kOutsideBitmapHole = 0xFFFFFF;

bool IsSquareKind(THoleShapeType shape)
{
    return shape == stSquare || shape == stRoundSquare || shape == stCircle;
}

bool IsRoundKind(THoleShapeType shape)
{
    return shape == stRoundRect || shape == stRoundSquare;
}

bool IsEllipseKind(THoleShapeType shape)
{
    return shape == stEllipse || shape == stCircle;
}

// One bevel's figures, as a lowered bevel shows dark lines along the top and left and a light
// one along the bottom and right, a raised one the reverse; r moves inside the bevel.
void AddBevel(std::vector<THoleBevelFigure>& figures, TRect& r, TBevelCut cut, bool bold)
{
    const int b = bold ? 1 : 0;
    switch (cut) {
    case bvLowered:
        figures.push_back({clBtnHighlight, r});
        figures.push_back({clBtnShadow, {r.left, r.top, r.right - 1, r.bottom - 1}});
        if (bold)
            figures.push_back({cl3DDkShadow, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}});
        break;
    case bvRaised:
        figures.push_back({clBtnHighlight, r});
        if (bold)
            figures.push_back({cl3DDkShadow, {r.left + 1, r.top + 1, r.right, r.bottom}});
        figures.push_back({clBtnShadow, {r.left + 1, r.top + 1, r.right - b, r.bottom - b}});
        break;
    case bvNone:
    case bvSpace:
        return;
    }
    r = ShrinkForBevel(r, cut, bold);
}

}  // namespace

int RegionCombineOf(TRGNCombineMode mode)
{
    switch (mode) {
    case cmAND:
        return gdi::RGN_AND;
    case cmCOPY:
        return gdi::RGN_COPY;
    case cmDIFF:
        return gdi::RGN_DIFF;
    case cmOR:
        return gdi::RGN_OR;
    case cmXOR:
        break;
    }
    return gdi::RGN_XOR;
}

TRect HoleShapeRect(THoleShapeType shape, int width, int height)
{
    if (IsSquareKind(shape))
        width = height = std::min(width, height);
    return Rect(0, 0, width, height);
}

TRect ShrinkForBevel(TRect r, TBevelCut cut, bool bold)
{
    const int b = bold ? 1 : 0;
    switch (cut) {
    case bvLowered:
        r = r.Inflated(-1, -1);
        r.left += b;
        r.top += b;
        break;
    case bvRaised:
        r = r.Inflated(-1, -1);
        r.right -= b;
        r.bottom -= b;
        break;
    case bvNone:
    case bvSpace:
        break;
    }
    return r;
}

QRegion GeometricHole(const THoleLook& look, int width, int height)
{
    TRect r = ShrinkForBevel(HoleShapeRect(look.shape, width, height), look.outer, look.outerBold);
    // With an offset the inner bevel lies inside the gap and the hole begins at the outer one.
    r = look.offset == 0 ? ShrinkForBevel(r, look.inner, look.innerBold) : r.Inflated(-look.offset, -look.offset);
    if (IsRoundKind(look.shape))
        return gdi::CreateRoundRectRgn(r.left + 1, r.top + 1, r.right + 2, r.bottom + 2, look.corner.x(),
                                       look.corner.y());
    if (IsEllipseKind(look.shape))
        return gdi::CreateEllipticRgn(r.left + 1, r.top + 1, r.right + 2, r.bottom + 2);
    return gdi::CreateRectRgn(r.left + 1, r.top + 1, r.right + 1, r.bottom + 1);
}

TPoint HoleFrameOffset(TFormBorderStyle style)
{
    using gdi::GetSystemMetrics;
    switch (style) {
    case bsNone:
        return {-1, -1};
    case bsSingle:
        return {GetSystemMetrics(gdi::SM_CXBORDER), GetSystemMetrics(gdi::SM_CYBORDER) + GetSystemMetrics(gdi::SM_CYCAPTION)};
    case bsSizeable:
        return {GetSystemMetrics(gdi::SM_CXFRAME) - 1,
                GetSystemMetrics(gdi::SM_CYFRAME) - 1 + GetSystemMetrics(gdi::SM_CYCAPTION)};
    case bsDialog:
        return {GetSystemMetrics(gdi::SM_CXDLGFRAME) - 1,
                GetSystemMetrics(gdi::SM_CYDLGFRAME) - 1 + GetSystemMetrics(gdi::SM_CYCAPTION)};
    case bsToolWindow:
        return {GetSystemMetrics(gdi::SM_CXBORDER), GetSystemMetrics(gdi::SM_CYBORDER) + GetSystemMetrics(gdi::SM_CYSMCAPTION)};
    case bsSizeToolWin:
        break;
    }
    return {GetSystemMetrics(gdi::SM_CXFRAME), GetSystemMetrics(gdi::SM_CYFRAME) + GetSystemMetrics(gdi::SM_CYSMCAPTION)};
}

THoleBevelDrawing HoleBevelDrawing(const THoleLook& look, int width, int height)
{
    THoleBevelDrawing drawing;
    drawing.ellipses = IsEllipseKind(look.shape);
    drawing.corner = IsRoundKind(look.shape) ? look.corner : QPoint();
    drawing.filled = drawing.ellipses || (drawing.corner.x() & drawing.corner.y()) != 0;
    TRect r = HoleShapeRect(look.shape, width, height);
    AddBevel(drawing.figures, r, look.outer, look.outerBold);
    r = r.Inflated(-look.offset, -look.offset);
    AddBevel(drawing.figures, r, look.inner, look.innerBold);
    return drawing;
}

TglHoleShape::TglHoleShape(TComponent* owner)
    : TGraphicControl(owner), FRectEllipse(new TPointClass(this)), FShapeBitmap(new TBitmap(this))
{
    const bool windowedOwner = dynamic_cast<TWinControl*>(owner) != nullptr;
    FEnabled = windowedOwner;
    FEnabledAllInDesignTime = windowedOwner;
    SetBounds(Left(), Top(), kCreatedSize, kCreatedSize);
    FShapeBitmap->OnChange = TNotifyEvent::FromFunction([this](TObject*) { BitmapChanged(); });
    FRectEllipse->SetX(kFirstCorner);
    FRectEllipse->SetY(kFirstCorner);
    FRectEllipse->OnChange = TNotifyEvent::FromFunction([this](TObject*) { Changed(); });
    FRectEllipse->SetY(kCorner);
    FRectEllipse->SetX(kCorner);
}

TglHoleShape::~TglHoleShape()
{
    // The window loses this hole, unless it is going away itself.
    const TComponent* owner = Owner();
    if (!owner || owner->ComponentState().testFlag(csDestroying))
        return;
    FEnabled = false;
    FEnabledAllInDesignTime = false;
    ApplyRegion();
}

void TglHoleShape::SetShape(THoleShapeType value)
{
    if (FShape == value)
        return;
    FShape = value;
    Changed();
}

void TglHoleShape::SetBevelOuter(TBevelCut value)
{
    if (FBevelOuter == value)
        return;
    FBevelOuter = value;
    Changed();
}

void TglHoleShape::SetBevelInner(TBevelCut value)
{
    if (FBevelInner == value)
        return;
    FBevelInner = value;
    Changed();
}

void TglHoleShape::SetBevelOuterBold(bool value)
{
    if (FBevelOuterBold == value)
        return;
    FBevelOuterBold = value;
    Changed();
}

void TglHoleShape::SetBevelInnerBold(bool value)
{
    if (FBevelInnerBold == value)
        return;
    FBevelInnerBold = value;
    Changed();
}

void TglHoleShape::SetBevelOffset(int value)
{
    if (FBevelOffset == value || value < 0)
        return;
    // A shape too small for any gap gets none rather than a negative one, which no form
    // description could hold.
    if (value > Width() - 2 || value > Height() - 2)
        value = std::max(0, std::min(Width(), Height()) - 2);
    FBevelOffset = value;
    Changed();
}

void TglHoleShape::SetCombineMode(TRGNCombineMode value)
{
    if (FCombineMode == value)
        return;
    FCombineMode = value;
    Changed();
}

void TglHoleShape::SetShapeBitmap(TBitmap* value)
{
    if (value == FShapeBitmap)
        return;
    FShapeBitmap->Assign(value);
}

void TglHoleShape::SetEnabled(bool value)
{
    if (FEnabled == value || !dynamic_cast<TWinControl*>(Owner()))
        return;
    FEnabled = value;
    Changed();
}

void TglHoleShape::SetEnabledAllInDesignTime(bool value)
{
    auto* owner = dynamic_cast<TWinControl*>(Owner());
    if (FEnabledAllInDesignTime == value || !owner)
        return;
    FEnabledAllInDesignTime = value;
    for (int i = 0; i < owner->ControlCount(); ++i)
        if (auto* shape = dynamic_cast<TglHoleShape*>(owner->Controls(i)))
            shape->FEnabledAllInDesignTime = value;
    Changed();
}

THoleLook TglHoleShape::Look() const
{
    return {FShape, FBevelOuter, FBevelOuterBold, FBevelInner, FBevelInnerBold, FBevelOffset,
            QPoint(FRectEllipse->X(), FRectEllipse->Y())};
}

bool TglHoleShape::Counts() const
{
    return ComponentState().testFlag(csDesigning) ? FEnabledAllInDesignTime : FEnabled;
}

void TglHoleShape::ApplyRegion()
{
    auto* owner = dynamic_cast<TWinControl*>(Owner());
    if (!owner)
        return;
    QRegion region = gdi::CreateRectRgn(0, 0, kHoleShapeRegionExtent, kHoleShapeRegionExtent);
    for (int i = 0; i < owner->ControlCount(); ++i) {
        auto* shape = dynamic_cast<TglHoleShape*>(owner->Controls(i));
        if (!shape || !shape->Counts())
            continue;
        shape->BuildHoleRegion();
        gdi::CombineRgn(region, region, shape->FHoleRgn, RegionCombineOf(shape->FCombineMode));
    }
    SetWindowRgn(owner, region);
}

void TglHoleShape::BuildHoleRegion()
{
    const auto* form = dynamic_cast<TForm*>(Owner());
    if (!FShapeBitmap->Empty()) {
        // A bitmap is scanned once per assignment; its hole then stays where it was cut.
        if (!FBitmapChanged)
            return;
        FHoleRgn = gdi::RegionFromBitmap(FShapeBitmap->Handle(), kOutsideBitmapHole);
        FBitmapChanged = false;
        if (form)
            MoveIntoForm(form->BorderStyle());
        return;
    }
    FHoleRgn = GeometricHole(Look(), Width(), Height());
    // A form designer shows every form in a sizeable frame.
    if (form)
        MoveIntoForm(ComponentState().testFlag(csDesigning) ? bsSizeable : form->BorderStyle());
}

void TglHoleShape::MoveIntoForm(TFormBorderStyle style)
{
    FHoleRgn.translate(QPoint(Left(), Top()) + HoleFrameOffset(style));
}

void TglHoleShape::Changed()
{
    ApplyRegion();
    Repaint();
}

void TglHoleShape::BitmapChanged()
{
    FBitmapChanged = true;
    Changed();
}

void TglHoleShape::CheckBounds()
{
    if (!FShapeBitmap->Empty())
        return;
    if (BoundsRect() != FLastBounds)
        ApplyRegion();
    FLastBounds = BoundsRect();
}

void TglHoleShape::BoundsChanged()
{
    TGraphicControl::BoundsChanged();
    // A shape on view re-cuts at once; a hidden one when it is next shown.
    if (QWidget::isVisible())
        CheckBounds();
}

void TglHoleShape::showEvent(QShowEvent* event)
{
    TGraphicControl::showEvent(event);
    // Children are shown before their window is mapped: the window's first frame has the hole.
    Guard([this] { CheckBounds(); });
}

void TglHoleShape::Paint()
{
    if (!FShapeBitmap->Empty())
        return;
    const THoleBevelDrawing drawing = HoleBevelDrawing(Look(), Width(), Height());
    TCanvas* canvas = Canvas();
    for (const THoleBevelFigure& figure : drawing.figures) {
        canvas->Pen()->SetColor(figure.color);
        if (drawing.filled)
            canvas->Brush()->SetColor(figure.color);
        else
            canvas->Brush()->SetStyle(bsClear);
        const TRect& box = figure.box;
        if (drawing.ellipses)
            canvas->Ellipse(box.left, box.top, box.right, box.bottom);
        else
            canvas->RoundRect(box.left, box.top, box.right, box.bottom, drawing.corner.x(), drawing.corner.y());
    }
}
