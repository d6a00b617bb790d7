#include "DeviceContext.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>

namespace gdi {
namespace {

ColorRef ResolveColor(TColor color) { return ColorRef(ColorToRGB(color)) & kRgbMask; }

int RegionKind(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// Pixels of a line from (x0, y0) up to but not including (x1, y1).
std::vector<QPoint> LinePixels(int x0, int y0, int x1, int y1)
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

Pen SolidPen(TColor color, int width) { return {PenStyle::Solid, width, ResolveColor(color)}; }

Brush SolidBrush(TColor color) { return {BrushStyle::Solid, ResolveColor(color)}; }

DeviceContext::DeviceContext() = default;

DeviceContext::DeviceContext(Bitmap* bitmap) { SelectBitmap(bitmap); }

DeviceContext::~DeviceContext()
{
    EndPainting();
    if (FBitmap != nullptr)
        FBitmap->Detach(this);
}

Bitmap* DeviceContext::SelectBitmap(Bitmap* bitmap)
{
    Bitmap* previous = FBitmap;
    if (bitmap == previous)
        return previous;
    EndPainting();
    if (previous != nullptr)
        previous->Detach(this);
    FBitmap = bitmap;
    if (FBitmap != nullptr)
        FBitmap->Attach(this);
    return previous;
}

int DeviceContext::BitsPerPixel() const { return FBitmap != nullptr ? FBitmap->BitsPerPixel() : 32; }

ColorRef DeviceContext::SetTextColor(TColor color)
{
    const ColorRef previous = FState.textColor;
    FState.textColor = ResolveColor(color);
    return previous;
}

ColorRef DeviceContext::SetBkColor(TColor color)
{
    const ColorRef previous = FState.bkColor;
    FState.bkColor = ResolveColor(color);
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
        ApplyClip(*FPainter);
    return true;
}

QPoint DeviceContext::SetViewportOrg(int x, int y) { return std::exchange(FState.viewportOrg, QPoint(x, y)); }

int DeviceContext::IntersectClipRect(const Rect& logical)
{
    const QRegion r(DeviceRect(logical));
    FState.clip = FState.clipped ? FState.clip.intersected(r) : r;
    FState.clipped = true;
    if (FPainter && FPainter->isActive())
        ApplyClip(*FPainter);
    return RegionKind(FState.clip);
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
        QPainter* p = Painter();
        if (p == nullptr)
            return false;
        p->setPen(QPen(QColorOf(DeviceColor(FState.pen.color)), FState.pen.width, Qt::SolidLine, Qt::RoundCap));
        p->drawLine(a, b);
        return true;
    }
    const ColorRef color = DeviceColor(FState.pen.color);
    if (a.y() == b.y() || a.x() == b.x()) {
        // Straight lines are one-pixel rectangles that stop short of the end point.
        if (a == b)
            return true;
        const QRect r =
            a.y() == b.y()
                ? QRect(QPoint(std::min(a.x(), b.x() + 1), a.y()), QPoint(std::max(a.x(), b.x() - 1), a.y()))
                : QRect(QPoint(a.x(), std::min(a.y(), b.y() + 1)), QPoint(a.x(), std::max(a.y(), b.y() - 1)));
        QPainter* p = Painter();
        if (p == nullptr)
            return false;
        p->fillRect(r, QColorOf(color));
        return true;
    }
    PlotSpan(LinePixels(a.x(), a.y(), b.x(), b.y()), color);
    return true;
}

bool DeviceContext::FillRect(const Rect& rect, const Brush& brush)
{
    QPainter* p = Painter();
    if (p == nullptr)
        return false;
    if (brush.style == BrushStyle::Clear || rect.IsEmpty())
        return true;
    p->fillRect(DeviceRect(rect), QColorOf(DeviceColor(brush.color)));
    return true;
}

bool DeviceContext::FrameRect(const Rect& rect, const Brush& brush)
{
    if (rect.IsEmpty())
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
    FillRect(r.Inflated(-1, -1), FState.brush);
    return FrameRect(r, {BrushStyle::Solid, FState.pen.color});
}

bool DeviceContext::DrawFigure(int left, int top, int right, int bottom, Figure figure, int ew, int eh)
{
    QPainter* p = Painter();
    if (p == nullptr)
        return false;
    const QRect box =
        DeviceRect({std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
    if (box.width() < 2 || box.height() < 2)
        return true;
    const QRectF outline = FigureOutline(box);
    if (FState.pen.style == PenStyle::Clear)
        p->setPen(Qt::NoPen);
    else
        p->setPen(OutlinePen(DeviceColor(FState.pen.color)));
    if (FState.brush.style == BrushStyle::Clear)
        p->setBrush(Qt::NoBrush);
    else
        p->setBrush(QColorOf(DeviceColor(FState.brush.color)));
    if (figure == Figure::Ellipse)
        p->drawEllipse(outline);
    else
        p->drawRoundedRect(outline, ew / 2.0, eh / 2.0);
    return true;
}

QPen DeviceContext::OutlinePen(ColorRef color) const
{
    // One image pixel at ratio 1, where the classic pixel rules hold; one logical pixel, as
    // wide as every other line, at a higher density.
    return QPen(QColorOf(color), DevicePixelRatio() == 1 ? 0 : 1);
}

QRectF DeviceContext::FigureOutline(const QRect& box) const
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
    return DrawFigure(left, top, right, bottom, Figure::Ellipse, 0, 0);
}

bool DeviceContext::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    if (ellipseWidth <= 0 || ellipseHeight <= 0)
        return Rectangle(left, top, right, bottom);
    return DrawFigure(left, top, right, bottom, Figure::RoundRect, ellipseWidth, ellipseHeight);
}

bool DeviceContext::DrawFocusRect(const Rect& rect)
{
    if (FBitmap == nullptr)
        return false;
    const QRect r = DeviceRect(rect);
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
    const QRegion visible = VisibleRegion();
    for (const QPoint& pt : edge)
        if (((pt.x() + pt.y()) & 1) == 0 && visible.contains(pt))
            FBitmap->ForEachImagePixel(pt, [](QRgb& pixel) { pixel ^= kRgbMask; });
    return true;
}

QPainter* DeviceContext::Painter()
{
    if (FBitmap == nullptr || FBitmap->IsEmpty())
        return nullptr;
    if (FPainter && FPainter->isActive())
        return FPainter.get();
    FBitmap->FinishPainting();
    if (!FPainter)
        FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(&FBitmap->FImage))
        return nullptr;
    FBitmap->FPainting = this;
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    FPainter->setRenderHint(QPainter::TextAntialiasing, false);
    ApplyClip(*FPainter);
    return FPainter.get();
}

void DeviceContext::EndPainting()
{
    if (FPainter && FPainter->isActive())
        FPainter->end();
    if (FBitmap != nullptr && FBitmap->FPainting == this)
        FBitmap->FPainting = nullptr;
}

void DeviceContext::ApplyClip(QPainter& p) const
{
    if (FState.clipped)
        p.setClipRegion(FState.clip);
    else
        p.setClipping(false);
}

ColorRef DeviceContext::DeviceColor(ColorRef c) const
{
    return FBitmap != nullptr && FBitmap->IsMonochrome() ? MonochromeOf(c) : c;
}

QRect DeviceContext::DeviceRect(const Rect& logical) const { return logical.ToQRect().translated(FState.viewportOrg); }

QRegion DeviceContext::VisibleRegion() const
{
    if (FBitmap == nullptr)
        return {};
    const QRegion bounds(0, 0, FBitmap->Width(), FBitmap->Height());
    return FState.clipped ? bounds.intersected(FState.clip) : bounds;
}

void DeviceContext::PlotSpan(const std::vector<QPoint>& devicePixels, ColorRef color)
{
    const QRegion visible = VisibleRegion();
    const QRgb value = QRgbOf(color);
    for (const QPoint& pt : devicePixels)
        if (visible.contains(pt))
            FBitmap->ForEachImagePixel(pt, [value](QRgb& pixel) { pixel = value; });
}

}  // namespace gdi
