#pragma once
// Pictures drawn at twice the density: whether they hold detail that a doubled picture of
// normal density could not.

#include <QImage>

namespace testsupport {

// Whether some aligned 2 x 2 block of image pixels is not of one colour.
inline bool HasDetailFinerThanDoubledPixels(const QImage& image)
{
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb p = image.pixel(x, y);
            if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p || image.pixel(x + 1, y + 1) != p)
                return true;
        }
    return false;
}

}  // namespace testsupport
