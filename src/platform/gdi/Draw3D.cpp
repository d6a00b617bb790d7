#include "Draw3D.h"

namespace gdi {
namespace {

// Light enough to drop out of a disabled glyph (a grey level on the 0..255 scale).
constexpr int kDisabledLightLevel = 192;

struct EdgeColors {
    TColor topLeft;
    TColor bottomRight;
};

Rect DrawBorder(DeviceContext& dc, const Rect& r, const EdgeColors& colors)
{
    if (r.IsEmpty())
        return r;
    const Brush light = SolidBrush(colors.topLeft);
    const Brush dark = SolidBrush(colors.bottomRight);
    dc.FillRect({r.left, r.top, r.right - 1, r.top + 1}, light);
    dc.FillRect({r.left, r.top, r.left + 1, r.bottom - 1}, light);
    dc.FillRect({r.left, r.bottom - 1, r.right, r.bottom}, dark);
    dc.FillRect({r.right - 1, r.top, r.right, r.bottom}, dark);
    return r.Inflated(-1, -1);
}

bool IsDark(ColorRef c)
{
    return (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100 < kDisabledLightLevel;
}

}  // namespace

Rect DrawEdge(DeviceContext& dc, const Rect& rect, unsigned edge)
{
    Rect r = rect;
    if (edge & BDR_RAISEDOUTER)
        r = DrawBorder(dc, r, {clBtnHighlight, cl3DDkShadow});
    else if (edge & BDR_SUNKENOUTER)
        r = DrawBorder(dc, r, {clBtnShadow, clBtnHighlight});
    if (edge & BDR_RAISEDINNER)
        r = DrawBorder(dc, r, {cl3DLight, clBtnShadow});
    else if (edge & BDR_SUNKENINNER)
        r = DrawBorder(dc, r, {cl3DDkShadow, cl3DLight});
    return r;
}

Rect DrawButtonFace(DeviceContext& dc, const Rect& rect, bool pushed)
{
    Rect inside;
    if (pushed) {
        dc.FrameRect(rect, SolidBrush(clBtnShadow));
        inside = rect.Inflated(-1, -1);
    } else {
        inside = DrawEdge(dc, rect, EDGE_RAISED);
    }
    dc.FillRect(inside, SolidBrush(clBtnFace));
    return inside;
}

void DrawTransparentBitmap(DeviceContext& dc, int x, int y, const Bitmap& glyph, ColorRef transparent)
{
    if (glyph.IsEmpty())
        return;
    // The classic two passes: AND a mask that is white where the glyph is transparent,
    // then OR the glyph with its transparent pixels made black.
    Bitmap mask(glyph.Width(), glyph.Height());
    Bitmap sprite(glyph);
    for (int py = 0; py < glyph.Height(); ++py)
        for (int px = 0; px < glyph.Width(); ++px) {
            const bool clear = glyph.Pixel(px, py) == (transparent & 0xFFFFFF);
            mask.SetPixel(px, py, clear ? clWhite : clBlack);
            if (clear)
                sprite.SetPixel(px, py, clBlack);
        }
    dc.DrawBitmap(x, y, mask, SRCAND);
    dc.DrawBitmap(x, y, sprite, SRCPAINT);
}

Bitmap CreateDisabledGlyph(const Bitmap& glyph, ColorRef transparent)
{
    Bitmap result(glyph.Width(), glyph.Height());
    const TColor background = TColor(transparent & 0xFFFFFF);
    for (int py = 0; py < glyph.Height(); ++py)
        for (int px = 0; px < glyph.Width(); ++px)
            result.SetPixel(px, py, background);
    auto inShape = [&](int px, int py) {
        const ColorRef c = glyph.Pixel(px, py);
        return c != ColorRef(background) && IsDark(c);
    };
    for (int py = 0; py < glyph.Height(); ++py)
        for (int px = 0; px < glyph.Width(); ++px)
            if (inShape(px, py))
                result.SetPixel(px + 1, py + 1, clBtnHighlight);
    for (int py = 0; py < glyph.Height(); ++py)
        for (int px = 0; px < glyph.Width(); ++px)
            if (inShape(px, py))
                result.SetPixel(px, py, clBtnShadow);
    return result;
}

}  // namespace gdi
