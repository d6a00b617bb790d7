#pragma once
// What a toolkit colour looks like in a grabbed picture, for the tests that compare pixels.
#include "platform/gdi/Colors.h"

#include <QImage>
#include <gtest/gtest.h>

#include <initializer_list>
#include <source_location>

inline QRgb RgbOf(TColor color) { return gdi::QRgbOf(gdi::ColorRef(ColorToRGB(color))); }

struct PixelIs {
    int x;
    int y;
    TColor color;
};

// Checks each listed pixel of picture; a failure names the pixel and the caller's line.
inline void ExpectPixels(const QImage& picture, std::initializer_list<PixelIs> pixels,
                         std::source_location caller = std::source_location::current())
{
    const testing::ScopedTrace trace(caller.file_name(), int(caller.line()), "pixels checked here");
    for (const PixelIs& p : pixels)
        EXPECT_EQ(picture.pixel(p.x, p.y), RgbOf(p.color)) << "at " << p.x << "," << p.y;
}
