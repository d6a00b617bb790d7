#pragma once
// What a toolkit colour looks like in a grabbed picture, for the tests that compare pixels.
#include "platform/gdi/Colors.h"

#include <QColor>

inline QRgb RgbOf(TColor color)
{
    const auto c = gdi::ColorRef(ColorToRGB(color));
    return qRgb(gdi::GetRValue(c), gdi::GetGValue(c), gdi::GetBValue(c));
}
