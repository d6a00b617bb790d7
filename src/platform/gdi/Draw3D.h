#pragma once
// The classic platform's 3-D edges, push-button faces, focus frame and glyph drawing.

#include "Bitmap.h"
#include "DeviceContext.h"
#include "Geometry.h"

namespace gdi {

// Edge kinds, combinable as the platform combines them.
constexpr unsigned BDR_RAISEDOUTER = 0x1;
constexpr unsigned BDR_SUNKENOUTER = 0x2;
constexpr unsigned BDR_RAISEDINNER = 0x4;
constexpr unsigned BDR_SUNKENINNER = 0x8;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;

// Draws the edge inside rect and returns what is left inside it. The top-left lines stop
// one pixel short of the far corners, which belong to the bottom-right lines.
// Raised: outer clBtnHighlight / cl3DDkShadow, inner cl3DLight / clBtnShadow.
// Sunken: outer clBtnShadow / clBtnHighlight, inner cl3DDkShadow / cl3DLight.
Rect DrawEdge(DeviceContext& dc, const Rect& rect, unsigned edge);

// A push-button face filling rect: the raised edge round clBtnFace, or when pushed
// a clBtnShadow outline round clBtnFace. Returns the area inside the edge.
Rect DrawButtonFace(DeviceContext& dc, const Rect& rect, bool pushed);

inline bool DrawFocusRect(DeviceContext& dc, const Rect& rect) { return dc.DrawFocusRect(rect); }

// Draws the glyph with every pixel of the transparent colour left out.
void DrawTransparentBitmap(DeviceContext& dc, int x, int y, const Bitmap& glyph, ColorRef transparent);

// The disabled look of a glyph: its dark pixels embossed in clBtnHighlight, offset by one
// pixel, under the same shape in clBtnShadow, on a background of the transparent colour.
Bitmap CreateDisabledGlyph(const Bitmap& glyph, ColorRef transparent);

}  // namespace gdi
