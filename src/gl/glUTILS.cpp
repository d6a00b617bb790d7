#include "gl/glUTILS.h"

#include <algorithm>

namespace {

// Escapements of the four label directions, tenths of a degree counter-clockwise.
constexpr int kEscapementRightLeft = -1800;
constexpr int kEscapementUpDown = -900;
constexpr int kEscapementDownUp = 900;

// The effect layers lie this far from the text with and without the outline.
constexpr int kOffsetDelineated = 4;
constexpr int kOffsetPlain = 2;
// Without an illumination object the shadow styles use this depth.
constexpr int kDefaultShadowDepth = 2;
// The outline copies lie around the face, which sits this far inside them.
constexpr int kOutlineSpread = 2;
constexpr int kFaceInsideOutline = 1;

constexpr int kComponentMax = 255;
constexpr int kByteMask = 0xFF;

bool IsFlat(TglTextStyle style)
{
    return style == fstNone || style == fstShadow;
}

void ClippedText(gdi::DeviceContext& dc, int x, int y, const TRect& clip, const QString& text)
{
    dc.ExtTextOut(x, y, gdi::ETO_CLIPPED, &clip, text);
}

// The face of the letters, with its outline unless only the face is wanted.
void DrawTextFace(gdi::DeviceContext& dc, int x, int y, const TRect& clip, const QString& text, bool delineated,
                  bool faceOnly, TColor textColor, TColor delineateColor, const TCustomGradient* gradient)
{
    if (delineated) {
        if (!faceOnly) {
            dc.SetTextColor(delineateColor);
            ClippedText(dc, x, y, clip, text);
            ClippedText(dc, x + kOutlineSpread, y + kOutlineSpread, clip, text);
            ClippedText(dc, x, y + kOutlineSpread, clip, text);
            ClippedText(dc, x + kOutlineSpread, y, clip, text);
        }
        x += kFaceInsideOutline;
        y += kFaceInsideOutline;
    }
    dc.SetTextColor(textColor);
    if (gradient)
        gradient->GradientTextOut(dc, text, clip, x, y);
    else
        ClippedText(dc, x, y, clip, text);
}

}  // namespace

int GlLabelEscapement(TglLabelDir direction)
{
    switch (direction) {
    case fldRightLeft:
        return kEscapementRightLeft;
    case fldUpDown:
        return kEscapementUpDown;
    case fldDownUp:
        return kEscapementDownUp;
    case fldLeftRight:
        break;
    }
    return 0;
}

int GlEffectOffset(TglTextStyle style, bool delineated)
{
    const int d = delineated ? kOffsetDelineated : kOffsetPlain;
    return IsFlat(style) ? d / 2 - 1 : d;
}

int GlFaceOffset(TglTextStyle style, bool delineated)
{
    // The raised and recessed faces sit one pixel in from their first layer.
    const int a = style == fstRaised || style == fstRecessed ? 1 : 0;
    return a + (delineated ? kFaceInsideOutline : 0);
}

bool HasGraphic(const TGraphic* graphic)
{
    return graphic && graphic->Width() != 0 && graphic->Height() != 0;
}

void DrawEffectText(gdi::DeviceContext& dc, int x, int y, const TRect& clip, const QString& text,
                    TglTextStyle style, bool delineated, bool faceOnly, TColor textColor, TColor delineateColor,
                    TColor highlightColor, TColor shadowColor, const TIllumination* illumination,
                    const TCustomGradient* gradient, const gdi::Font* font)
{
    if (!font)
        return;
    const gdi::Font previousFont = dc.SelectFont(*font);
    const int previousMode = dc.SetBkMode(gdi::TRANSPARENT);
    const int d = GlEffectOffset(style, delineated);
    const int depth = illumination ? illumination->ShadowDepth() : kDefaultShadowDepth;
    const auto layer = [&](TColor color, int dx, int dy) {
        dc.SetTextColor(color);
        ClippedText(dc, x + dx, y + dy, clip, text);
    };
    const auto face = [&](int a) {
        DrawTextFace(dc, x + a, y + a, clip, text, delineated, faceOnly, textColor, delineateColor, gradient);
    };
    switch (style) {
    case fstRaised:
        if (!faceOnly) {
            layer(highlightColor, 0, 0);
            layer(shadowColor, d, d);
        }
        face(1);
        break;
    case fstRecessed:
        if (!faceOnly) {
            layer(shadowColor, 0, 0);
            layer(highlightColor, d, d);
        }
        face(1);
        break;
    case fstPushed:
        // Two copies and no face: the letters look pressed in, and a face-only paint
        // has nothing less to draw.
        layer(highlightColor, 1, 1);
        layer(shadowColor, 0, 0);
        break;
    case fstShadow:
        if (!faceOnly)
            layer(shadowColor, d + depth, d + depth);
        face(0);
        break;
    case fstVolumetric:
        if (!faceOnly)
            for (int k = 1; k <= depth; ++k)
                layer(shadowColor, k, k);
        face(0);
        break;
    case fstNone:
    default:
        // A style this code does not know draws as plain text.
        face(0);
        break;
    }
    dc.SelectFont(previousFont);
    dc.SetBkMode(previousMode);
}

void ReplaceColor(TBitmap* bitmap, TColor oldColor, TColor newColor)
{
    if (bitmap->Width() == 0 && bitmap->Height() == 0)
        return;
    TCanvas* canvas = bitmap->Canvas();
    gdi::DeviceContext& dc = *canvas->Handle();
    // The mask: 1 where the bitmap shows the old colour (a colour-to-monochrome transfer
    // marks the pixels equal to the source's background colour).
    gdi::Bitmap mask(bitmap->Width(), bitmap->Height(), gdi::PixelFormat::Monochrome, bitmap->DevicePixelRatio());
    gdi::DeviceContext maskDC(&mask);
    canvas->Brush()->SetColor(oldColor);
    dc.SetBkColor(oldColor);
    maskDC.BitBlt(0, 0, mask.Width(), mask.Height(), dc, 0, 0, gdi::SRCCOPY);
    // Back onto the bitmap: the mask's 1 becomes white and its 0 black, and the raster
    // operation writes the brush where the source is white and keeps the bitmap elsewhere.
    constexpr gdi::RasterOp kBrushWhereSourceSet = 0x00E20746;
    canvas->Brush()->SetColor(newColor);
    dc.SelectBrush(gdi::SolidBrush(newColor));
    dc.SetTextColor(clBlack);
    dc.SetBkColor(clWhite);
    dc.BitBlt(0, 0, mask.Width(), mask.Height(), maskDC, 0, 0, kBrushWhereSourceSet);
}

void CopyParentBackground(TControl* control, const TRect& area, gdi::DeviceContext& dc)
{
    TWinControl* parent = control->Parent();
    if (!parent)
        return;
    const TRect covered = gdi::Intersect(control->BoundsRect(), area);
    const QPoint shift(-area.left, -area.top);

    dc.SaveDC();
    dc.SetViewportOrg(shift.x(), shift.y());
    dc.IntersectClipRect(Rect(0, 0, area.right, area.bottom));
    parent->PaintTo(dc);
    dc.RestoreDC(-1);

    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* sibling = parent->Controls(i);
        if (!sibling || dynamic_cast<TWinControl*>(sibling))
            continue;
        if (sibling == control)
            break;
        if (gdi::Intersect(sibling->BoundsRect(), covered).IsEmpty() || !sibling->Visible())
            continue;
        dc.SaveDC();
        dc.SetViewportOrg(sibling->Left() + shift.x(), sibling->Top() + shift.y());
        dc.IntersectClipRect(Rect(0, 0, sibling->Width(), sibling->Height()));
        sibling->PaintTo(dc);
        dc.RestoreDC(-1);
    }
}

gdi::Font CreateRotatedFont(const TFont* font, int escapement)
{
    gdi::LogFont lf = font->LogFont();
    lf.escapement = escapement;
    return gdi::CreateFontIndirect(lf);
}

void DeriveAutoColors(TColor base, TglLabelColors* colors)
{
    const gdi::ColorRef rgb = gdi::ColorRef(ColorToRGB(base));
    const int r = gdi::GetRValue(rgb);
    const int g = gdi::GetGValue(rgb);
    const int b = gdi::GetBValue(rgb);
    // Only the low 8 bits of a component count: a negative shift that passes the other
    // end wraps around, as composing a colour from bytes does.
    const auto compose = [](int red, int green, int blue) {
        return TColor(gdi::RGB(red & kByteMask, green & kByteMask, blue & kByteMask));
    };
    if (colors->AutoShadow()) {
        const int shift = colors->ColorShadowShift();
        colors->FShadow = compose(std::max(r - shift, 0), std::max(g - shift, 0), std::max(b - shift, 0));
    }
    if (colors->AutoHighlight()) {
        const int shift = colors->ColorHighlightShift();
        colors->FHighlight = compose(std::min(r + shift, kComponentMax), std::min(g + shift, kComponentMax),
                                     std::min(b + shift, kComponentMax));
    }
}
