#pragma once
// What a toolkit colour looks like in a grabbed picture, for the tests that compare pixels.
#include "platform/gdi/Colors.h"

inline QRgb RgbOf(TColor color) { return gdi::QRgbOf(gdi::ColorRef(ColorToRGB(color))); }
