#pragma once
// The slow rule a window shape from a bitmap must match: every pixel that is not exactly
// white, united one square at a time. Tests compare the fast scan by runs with it, and
// benchmarks measure the scan against it.

#include "platform/gdi/Bitmap.h"

#include <QRect>
#include <QRegion>

namespace testsupport {

inline QRegion PixelUnion(const gdi::Bitmap& bitmap)
{
    QRegion region;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.Pixel(x, y) != 0xFFFFFF)
                region = region.united(QRect(x, y, 1, 1));
    return region;
}

}  // namespace testsupport
