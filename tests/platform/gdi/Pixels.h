#pragma once
// Reading pixels back as text, so that a failing pixel test shows the picture it got.

#include "platform/gdi/Bitmap.h"

#include <map>
#include <string>

namespace gdi::test {

// One character per pixel along a row or a column, from a legend of colours; '?' for others.
inline std::string Line(const Bitmap& b, int fixed, bool row, const std::map<ColorRef, char>& legend)
{
    std::string s;
    const int length = row ? b.Width() : b.Height();
    for (int i = 0; i < length; ++i) {
        const auto it = legend.find(row ? b.Pixel(i, fixed) : b.Pixel(fixed, i));
        s += it != legend.end() ? it->second : '?';
    }
    return s;
}

inline std::string Row(const Bitmap& b, int y, const std::map<ColorRef, char>& legend)
{
    return Line(b, y, true, legend);
}

inline std::string Column(const Bitmap& b, int x, const std::map<ColorRef, char>& legend)
{
    return Line(b, x, false, legend);
}

inline Bitmap Filled(int w, int h, TColor c, PixelFormat format = PixelFormat::Device)
{
    Bitmap b(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, c);
    return b;
}

// Bounding box of the pixels that are not the background colour; empty when there are none.
inline QRect InkBounds(const Bitmap& b, ColorRef background)
{
    QRect box;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != background)
                box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace gdi::test
