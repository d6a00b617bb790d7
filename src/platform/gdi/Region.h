#pragma once
// Regions: areas of pixels, built from shapes and combined, as window shapes are cut.
// A region is a QRegion; a top-level window takes one as its mask.

#include "Bitmap.h"

#include <QPoint>
#include <QRegion>

namespace gdi {

// Combination modes, numbered as the platform numbers them.
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// Shapes within the box (left, top)-(right, bottom); right and bottom lie outside.
QRegion CreateRectRgn(int left, int top, int right, int bottom);
QRegion CreateEllipticRgn(int left, int top, int right, int bottom);
// ellipseWidth x ellipseHeight is the size of the ellipse that rounds the corners.
QRegion CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

// dest := a (mode) b; RGN_COPY takes a. Returns NULLREGION, SIMPLEREGION or COMPLEXREGION,
// or RGN_ERROR for an unknown mode (dest is then unchanged).
int CombineRgn(QRegion& dest, const QRegion& a, const QRegion& b, int mode);
inline bool PtInRegion(const QRegion& region, int x, int y) { return region.contains(QPoint(x, y)); }

// Every pixel whose colour is not `excluded`, gathered run by run along each row: the same
// area as uniting one-pixel squares, without one region operation per pixel.
QRegion RegionFromBitmap(const Bitmap& bitmap, ColorRef excluded);

}  // namespace gdi
