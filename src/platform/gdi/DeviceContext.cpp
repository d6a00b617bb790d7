#include "DeviceContext.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>

namespace gdi {
namespace {

ColorRef resolveColor(TColor color) { return ColorRef(ColorToRGB(color)) & kRgbMask; }

int regionKind(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// Pixels of a line from (x0, y0) up to but not including (x1, y1).
std::vector<QPoint> linePixels(int x0, int y0, int x1, int y1)
{
    std::vector<QPoint> pixels;
    const int dx = std::abs(x1 - x0);
    const int dy = std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx - dy;
    int x = x0;
    int y = y0;
    pixels.reserve(std::size_t(std::max(dx, dy)));
    while (x != x1 || y != y1) {
        pixels.emplace_back(x, y);
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
    return pixels;
}

}  // namespace

Pen SolidPen(TColor color, int width) { return {PenStyle::Solid, width, resolveColor(color)}; }

Brush SolidBrush(TColor color) { return {BrushStyle::Solid, resolveColor(color)}; }

DeviceContext::DeviceContext() = default;

DeviceContext::DeviceContext(Bitmap* bitmap) { SelectBitmap(bitmap); }

DeviceContext::~DeviceContext()
{
    endPainting();
    if (FBitmap != nullptr)
        FBitmap->detach(this);
}

Bitmap* DeviceContext::SelectBitmap(Bitmap* bitmap)
{
    Bitmap* previous = FBitmap;
    if (bitmap == previous)
        return previous;
    endPainting();
    if (previous != nullptr)
        previous->detach(this);
    FBitmap = bitmap;
    if (FBitmap != nullptr)
        FBitmap->attach(this);
    return previous;
}

int DeviceContext::BitsPerPixel() const { return FBitmap != nullptr ? FBitmap->bitsPerPixel() : 32; }

ColorRef DeviceContext::SetTextColor(TColor color)
{
    const ColorRef previous = FState.textColor;
    FState.textColor = resolveColor(color);
    return previous;
}

ColorRef DeviceContext::SetBkColor(TColor color)
{
    const ColorRef previous = FState.bkColor;
    FState.bkColor = resolveColor(color);
    return previous;
}

int DeviceContext::SetBkMode(int mode)
{
    const int previous = FState.bkMode;
    if (mode == TRANSPARENT || mode == OPAQUE)
        FState.bkMode = mode;
    return previous;
}

Pen DeviceContext::SelectPen(const Pen& pen) { return std::exchange(FState.pen, pen); }

Brush DeviceContext::SelectBrush(const Brush& brush) { return std::exchange(FState.brush, brush); }

Font DeviceContext::SelectFont(const Font& font) { return std::exchange(FState.font, font); }

int DeviceContext::SaveDC()
{
    FSaved.push_back(FState);
    return int(FSaved.size());
}

bool DeviceContext::RestoreDC(int level)
{
    const int target = level < 0 ? int(FSaved.size()) + 1 + level : level;
    if (target < 1 || target > int(FSaved.size()))
        return false;
    FState = FSaved[std::size_t(target - 1)];
    FSaved.resize(std::size_t(target - 1));
    if (FPainter && FPainter->isActive())
        applyClip(*FPainter);
    return true;
}

QPoint DeviceContext::SetViewportOrg(int x, int y) { return std::exchange(FState.viewportOrg, QPoint(x, y)); }

int DeviceContext::IntersectClipRect(const Rect& logical)
{
    const QRegion r(deviceRect(logical));
    FState.clip = FState.clipped ? FState.clip.intersected(r) : r;
    FState.clipped = true;
    if (FPainter && FPainter->isActive())
        applyClip(*FPainter);
    return regionKind(FState.clip);
}

QPoint DeviceContext::MoveTo(int x, int y) { return std::exchange(FState.position, QPoint(x, y)); }

bool DeviceContext::LineTo(int x, int y)
{
    const QPoint from = std::exchange(FState.position, QPoint(x, y));
    if (FBitmap == nullptr)
        return false;
    if (FState.pen.style == PenStyle::Clear)
        return true;
    const QPoint a = from + FState.viewportOrg;
    const QPoint b = QPoint(x, y) + FState.viewportOrg;
    if (FState.pen.width > 1) {
        QPainter* p = painter();
        if (p == nullptr)
            return false;
        p->setPen(QPen(QColorOf(deviceColor(FState.pen.color)), FState.pen.width, Qt::SolidLine, Qt::RoundCap));
        p->drawLine(a, b);
        return true;
    }
    const ColorRef color = deviceColor(FState.pen.color);
    if (a.y() == b.y() || a.x() == b.x()) {
        // Straight lines are one-pixel rectangles that stop short of the end point.
        if (a == b)
            return true;
        const QRect r =
            a.y() == b.y()
                ? QRect(QPoint(std::min(a.x(), b.x() + 1), a.y()), QPoint(std::max(a.x(), b.x() - 1), a.y()))
                : QRect(QPoint(a.x(), std::min(a.y(), b.y() + 1)), QPoint(a.x(), std::max(a.y(), b.y() - 1)));
        QPainter* p = painter();
        if (p == nullptr)
            return false;
        p->fillRect(r, QColorOf(color));
        return true;
    }
    plotSpan(linePixels(a.x(), a.y(), b.x(), b.y()), color);
    return true;
}

bool DeviceContext::FillRect(const Rect& rect, const Brush& brush)
{
    QPainter* p = painter();
    if (p == nullptr)
        return false;
    if (brush.style == BrushStyle::Clear || rect.isEmpty())
        return true;
    p->fillRect(deviceRect(rect), QColorOf(deviceColor(brush.color)));
    return true;
}

bool DeviceContext::FrameRect(const Rect& rect, const Brush& brush)
{
    if (rect.isEmpty())
        return FBitmap != nullptr;
    return FillRect({rect.left, rect.top, rect.right, rect.top + 1}, brush) &&
           FillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom}, brush) &&
           FillRect({rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1}, brush) &&
           FillRect({rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1}, brush);
}

bool DeviceContext::Rectangle(int left, int top, int right, int bottom)
{
    if (FBitmap == nullptr)
        return false;
    const Rect r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    if (FState.pen.style == PenStyle::Clear) {
        // Without a pen the platform fills one pixel less to the right and at the bottom.
        return FillRect({r.left, r.top, r.right - 1, r.bottom - 1}, FState.brush);
    }
    FillRect(r.inflated(-1, -1), FState.brush);
    return FrameRect(r, {BrushStyle::Solid, FState.pen.color});
}

bool DeviceContext::drawFigure(int left, int top, int right, int bottom, Figure figure, int ew, int eh)
{
    QPainter* p = painter();
    if (p == nullptr)
        return false;
    const QRect box =
        deviceRect({std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
    if (box.width() < 2 || box.height() < 2)
        return true;
    const QRectF outline = figureOutline(box);
    if (FState.pen.style == PenStyle::Clear)
        p->setPen(Qt::NoPen);
    else
        p->setPen(outlinePen(deviceColor(FState.pen.color)));
    if (FState.brush.style == BrushStyle::Clear)
        p->setBrush(Qt::NoBrush);
    else
        p->setBrush(QColorOf(deviceColor(FState.brush.color)));
    if (figure == Figure::Ellipse)
        p->drawEllipse(outline);
    else
        p->drawRoundedRect(outline, ew / 2.0, eh / 2.0);
    return true;
}

QPen DeviceContext::outlinePen(ColorRef color) const
{
    // One image pixel at ratio 1, where the classic pixel rules hold; one logical pixel, as
    // wide as every other line, at a higher density.
    return QPen(QColorOf(color), DevicePixelRatio() == 1 ? 0 : 1);
}

QRectF DeviceContext::figureOutline(const QRect& box) const
{
    // Aliased Qt outlines cover one pixel more than their rectangle: shrink to stay inside.
    if (DevicePixelRatio() == 1)
        return QRectF(box.adjusted(0, 0, -1, -1));
    // A pen one logical pixel wide centred half a pixel inside covers the rectangle's edge.
    constexpr qreal kHalf = 0.5;
    return QRectF(box).adjusted(kHalf, kHalf, -kHalf, -kHalf);
}

bool DeviceContext::Ellipse(int left, int top, int right, int bottom)
{
    return drawFigure(left, top, right, bottom, Figure::Ellipse, 0, 0);
}

bool DeviceContext::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    if (ellipseWidth <= 0 || ellipseHeight <= 0)
        return Rectangle(left, top, right, bottom);
    return drawFigure(left, top, right, bottom, Figure::RoundRect, ellipseWidth, ellipseHeight);
}

bool DeviceContext::DrawFocusRect(const Rect& rect)
{
    if (FBitmap == nullptr)
        return false;
    const QRect r = deviceRect(rect);
    if (r.isEmpty())
        return true;
    std::vector<QPoint> edge;
    for (int x = r.left(); x <= r.right(); ++x) {
        edge.emplace_back(x, r.top());
        if (r.bottom() != r.top())
            edge.emplace_back(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        edge.emplace_back(r.left(), y);
        if (r.right() != r.left())
            edge.emplace_back(r.right(), y);
    }
    // The dots follow a checkerboard fixed to the device, as the platform's halftone brush is.
    const QRegion visible = visibleRegion();
    for (const QPoint& pt : edge)
        if (((pt.x() + pt.y()) & 1) == 0 && visible.contains(pt))
            FBitmap->forEachImagePixel(pt, [](QRgb& pixel) { pixel ^= kRgbMask; });
    return true;
}

QPainter* DeviceContext::painter()
{
    if (FBitmap == nullptr || FBitmap->isEmpty())
        return nullptr;
    if (FPainter && FPainter->isActive())
        return FPainter.get();
    FBitmap->finishPainting();
    if (!FPainter)
        FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(&FBitmap->FImage))
        return nullptr;
    FBitmap->FPainting = this;
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    FPainter->setRenderHint(QPainter::TextAntialiasing, false);
    applyClip(*FPainter);
    return FPainter.get();
}

void DeviceContext::endPainting()
{
    if (FPainter && FPainter->isActive())
        FPainter->end();
    if (FBitmap != nullptr && FBitmap->FPainting == this)
        FBitmap->FPainting = nullptr;
}

void DeviceContext::applyClip(QPainter& p) const
{
    if (FState.clipped)
        p.setClipRegion(FState.clip);
    else
        p.setClipping(false);
}

ColorRef DeviceContext::deviceColor(ColorRef c) const
{
    return FBitmap != nullptr && FBitmap->isMonochrome() ? MonochromeOf(c) : c;
}

QRect DeviceContext::deviceRect(const Rect& logical) const { return logical.toQRect().translated(FState.viewportOrg); }

QRegion DeviceContext::visibleRegion() const
{
    if (FBitmap == nullptr)
        return {};
    const QRegion bounds(0, 0, FBitmap->width(), FBitmap->height());
    return FState.clipped ? bounds.intersected(FState.clip) : bounds;
}

void DeviceContext::plotSpan(const std::vector<QPoint>& devicePixels, ColorRef color)
{
    const QRegion visible = visibleRegion();
    const QRgb value = QRgbOf(color);
    for (const QPoint& pt : devicePixels)
        if (visible.contains(pt))
            FBitmap->forEachImagePixel(pt, [value](QRgb& pixel) { pixel = value; });
}

}  // namespace gdi
