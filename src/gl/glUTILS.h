#pragma once
// Drawing routines the decorative controls share, working on a device context: text with a
// three-dimensional effect, a colour swap inside a bitmap, a copy of what lies under a
// windowless control, the font for rotated text and the automatic highlight and shadow
// colours. They keep no state; the effect label is their caller. (Gradient-filled text is
// the gradient's own GradientTextOut.)

#include "gl/glCommCl.h"

#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

#include <QString>

// Text direction of a label as the escapement of its font, in tenths of a degree.
int GlLabelEscapement(TglLabelDir direction);

// How far the effect layers lie from the text origin: 4 with delineation, 2 without; the
// flat styles (fstNone, fstShadow) use half of that less one.
int GlEffectOffset(TglTextStyle style, bool delineated);
// Where DrawEffectText puts the face of the letters, as an offset from the text origin on
// both axes. A mask meant to cover exactly the face goes there.
int GlFaceOffset(TglTextStyle style, bool delineated);

// True when the graphic is there and has both a width and a height.
bool HasGraphic(const TGraphic* graphic);

// The text at (x, y), clipped to clip, in a style: effect layers in the highlight and
// shadow colours, then (but for fstPushed) the face in the text colour, through the
// gradient when one is given. Delineated adds four outline copies in the delineation
// colour around the face. FaceOnly leaves out the layers and the outline. Without a font
// nothing is drawn. The device context's font and background mode are left as found.
void DrawEffectText(gdi::DeviceContext& dc, int x, int y, const TRect& clip, const QString& text,
                    TglTextStyle style, bool delineated, bool faceOnly, TColor textColor, TColor delineateColor,
                    TColor highlightColor, TColor shadowColor, const TIllumination* illumination,
                    const TCustomGradient* gradient, const gdi::Font* font);

// Every pixel of the bitmap in the old colour becomes the new colour; every other pixel
// stays as it is. The bitmap's canvas keeps the new colour as its brush.
void ReplaceColor(TBitmap* bitmap, TColor oldColor, TColor newColor);

// Paints into dc what lies under a windowless control: its parent's own picture, then the
// windowless siblings below it in z-order that reach into its bounds, each through its own
// paint at its place. area is the control's bounds in the parent's coordinates; dc's origin
// stands for the control's top-left corner.
void CopyParentBackground(TControl* control, const TRect& area, gdi::DeviceContext& dc);

// The font's face, height, style and character set, with its text line turned about its
// origin by escapement (tenths of a degree, counter-clockwise). The weight comes from
// fsBold alone.
gdi::Font CreateRotatedFont(const TFont* font, int escapement);

// With AutoShadow, Shadow becomes the base colour darkened by ColorShadowShift (each
// component not below 0); with AutoHighlight, Highlight becomes it lightened by
// ColorHighlightShift (not above 255). A negative shift can push a component past the
// other end, where it keeps its low 8 bits. Written without OnChange: the owner asks.
void DeriveAutoColors(TColor base, TglLabelColors* colors);
