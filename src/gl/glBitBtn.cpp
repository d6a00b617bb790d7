#include "gl/glBitBtn.h"

namespace {

// The face-coloured frame lies this far inside the button's edge, over the inner bevel.
constexpr int kFrameInset = 2;

gdi::Pen PenFor(TglTouchUpColor color, TColor parentBackground)
{
    switch (color) {
    case TglTouchUpColor::Face:
        return gdi::SolidPen(clBtnFace);
    case TglTouchUpColor::ParentBackground:
        return gdi::SolidPen(parentBackground);
    case TglTouchUpColor::Shadow:
        break;
    }
    return gdi::SolidPen(clBtnShadow);
}

} // namespace

TglTouchUp GlBitBtnTouchUp(const TRect& client, bool mouseOver, bool pressed, bool focusedOrDefault)
{
    TglTouchUp touchUp;
    if (mouseOver || pressed)
        return touchUp;
    if (focusedOrDefault) {
        touchUp.kind = TglTouchUp::Kind::FaceFrame;
        touchUp.frame = client.Inflated(-kFrameInset, -kFrameInset);
        return touchUp;
    }
    const int l = client.left;
    const int t = client.top;
    const int r = client.right;
    const int b = client.bottom;
    using C = TglTouchUpColor;
    touchUp.kind = TglTouchUp::Kind::FlatLines;
    touchUp.lines = {{
        // The inner light edge along the top and left goes into the face.
        {C::Face, TPoint(l + 1, t + 1), TPoint(r - 1, t + 1)},
        {C::Face, TPoint(l + 1, t + 1), TPoint(l + 1, b - 1)},
        // The dark outer edge along the bottom and right goes into the parent.
        {C::ParentBackground, TPoint(l, b - 1), TPoint(r, b - 1)},
        {C::ParentBackground, TPoint(r - 1, t), TPoint(r - 1, b)},
        // One shadow line inside the bottom and right edges stays.
        {C::Shadow, TPoint(l - 2, b - 2), TPoint(r - 1, b - 2)},
        {C::Shadow, TPoint(r - 2, t), TPoint(r - 2, b - 1)},
    }};
    return touchUp;
}

TglBitBtn::TglBitBtn(TComponent* owner) : TBitBtn(owner) {}

TglBitBtn::~TglBitBtn() = default;

void TglBitBtn::MouseEnter(TControl* control)
{
    TBitBtn::MouseEnter(control);
    if (control != this)
        return;
    FMouseOver = true;
    Repaint();
}

void TglBitBtn::MouseLeave(TControl* control)
{
    TBitBtn::MouseLeave(control);
    if (control != this)
        return;
    FMouseOver = false;
    Repaint();
}

TColor TglBitBtn::ParentBackground() const
{
    const TColor color = Parent() ? Parent()->Brush()->Color() : clBtnFace;
    return TColor(ColorToRGB(color));
}

void TglBitBtn::DrawItem(const TDrawItemStruct& item)
{
    TBitBtn::DrawItem(item);
    const bool pressed = item.itemState & ODS_SELECTED;
    const TglTouchUp touchUp = GlBitBtnTouchUp(item.rcItem, FMouseOver, pressed, Focused() || Default());
    gdi::DeviceContext& dc = *item.hDC;
    switch (touchUp.kind) {
    case TglTouchUp::Kind::None:
        return;
    case TglTouchUp::Kind::FaceFrame:
        dc.FrameRect(touchUp.frame, gdi::SolidBrush(clBtnFace));
        return;
    case TglTouchUp::Kind::FlatLines:
        break;
    }
    const TColor parentBackground = ParentBackground();
    const gdi::Pen previous = dc.GetPen();
    for (const TglTouchUpLine& line : touchUp.lines) {
        dc.SelectPen(PenFor(line.color, parentBackground));
        dc.MoveTo(line.from.x(), line.from.y());
        dc.LineTo(line.to.x(), line.to.y());
    }
    dc.SelectPen(previous);
}
