#include "Region.h"

#include "DeviceContext.h"

#include <QPainterPath>
#include <algorithm>

namespace gdi {
namespace {

QRect Box(int left, int top, int right, int bottom)
{
    return QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                 QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
}

int KindOf(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

QRegion CreateRectRgn(int left, int top, int right, int bottom) { return QRegion(Box(left, top, right, bottom)); }

QRegion CreateEllipticRgn(int left, int top, int right, int bottom)
{
    const QRect r = Box(left, top, right, bottom);
    return r.isEmpty() ? QRegion() : QRegion(r, QRegion::Ellipse);
}

QRegion CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    const QRect r = Box(left, top, right, bottom);
    if (r.isEmpty())
        return {};
    if (ellipseWidth <= 0 || ellipseHeight <= 0)
        return QRegion(r);
    QPainterPath path;
    path.addRoundedRect(QRectF(r), std::min(ellipseWidth, r.width()) / 2.0, std::min(ellipseHeight, r.height()) / 2.0);
    return QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill);
}

int CombineRgn(QRegion& dest, const QRegion& a, const QRegion& b, int mode)
{
    switch (mode) {
    case RGN_AND: dest = a.intersected(b); break;
    case RGN_OR: dest = a.united(b); break;
    case RGN_XOR: dest = a.xored(b); break;
    case RGN_DIFF: dest = a.subtracted(b); break;
    case RGN_COPY: dest = a; break;
    default: return RGN_ERROR;
    }
    return KindOf(dest);
}

QRegion RegionFromBitmap(const Bitmap& bitmap, ColorRef excluded)
{
    // Rows with the same runs as the row above join its band, which keeps the region in the
    // banded form QRegion builds itself, so that it compares equal to one made by unions.
    QList<QRect> rects;
    qsizetype bandStart = 0;
    std::vector<std::pair<int, int>> previous;
    std::vector<std::pair<int, int>> current;
    const QImage& image = bitmap.Image();
    const QRgb skip = QRgbOf(excluded);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        current.clear();
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && (line[x] | 0xFF000000u) == skip)
                ++x;
            const int start = x;
            while (x < image.width() && (line[x] | 0xFF000000u) != skip)
                ++x;
            if (x > start)
                current.emplace_back(start, x);
        }
        const bool continuesBand = !current.empty() && current == previous && y > 0 &&
                                   rects.size() > bandStart && rects.back().bottom() == y - 1;
        if (continuesBand) {
            for (qsizetype i = bandStart; i < rects.size(); ++i)
                rects[i].setBottom(y);
        } else {
            bandStart = rects.size();
            for (const auto& [from, to] : current)
                rects.append(QRect(from, y, to - from, 1));
        }
        std::swap(previous, current);
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

}  // namespace gdi
