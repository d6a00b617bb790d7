#include "DeviceContext.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace gdi {
namespace {

// Stands for "no clip" where a region is needed: larger than any bitmap this program makes.
const QRect kUnbounded(-(1 << 24), -(1 << 24), 1 << 25, 1 << 25);

constexpr QRgb kOpaque = 0xFF000000;
constexpr ColorRef kRgbMask = 0xFFFFFF;
// Escapement is given in tenths of a degree.
constexpr double kTenthsPerDegree = 10.0;

ColorRef resolveColor(TColor color) { return ColorRef(ColorToRGB(color)) & kRgbMask; }

QColor toQColor(ColorRef c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QRgb toQRgb(ColorRef c)
{
    return kOpaque | (QRgb(GetRValue(c)) << 16) | (QRgb(GetGValue(c)) << 8) | QRgb(GetBValue(c));
}

int regionKind(const QRegion& r)
{
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// A ternary raster operation with its pattern fixed: the truth table is indexed by pattern
// (bit 2), source (bit 1) and destination (bit 0), and with one brush per transfer it folds
// into four masks, one per source/destination combination, so each pixel costs no branch.
struct FoldedRop {
    std::uint32_t masks[4];

    FoldedRop(std::uint8_t code, std::uint32_t pattern)
    {
        for (int k = 0; k < 4; ++k)
            masks[k] = (((code >> (4 + k)) & 1) ? pattern : 0u) | (((code >> k) & 1) ? ~pattern : 0u);
    }
    std::uint32_t operator()(std::uint32_t s, std::uint32_t d) const
    {
        return (masks[0] & ~s & ~d) | (masks[1] & ~s & d) | (masks[2] & s & ~d) | (masks[3] & s & d);
    }
    // The source never shares memory with the destination row (a shared bitmap is copied
    // first), which lets the compiler work on several pixels at once.
    void applyRow(QRgb* __restrict dest, const QRgb* __restrict source, int count) const
    {
        const std::uint32_t m0 = masks[0], m1 = masks[1], m2 = masks[2], m3 = masks[3];
        for (int i = 0; i < count; ++i) {
            const std::uint32_t sv = source[i];
            const std::uint32_t dv = dest[i];
            const std::uint32_t v = (m0 & ~sv & ~dv) | (m1 & ~sv & dv) | (m2 & sv & ~dv) | (m3 & sv & dv);
            dest[i] = kOpaque | (v & kRgbMask);
        }
    }
};

constexpr std::uint8_t kSrcCopyCode = SRCCOPY >> 16;

constexpr bool usesSource(std::uint8_t code) { return (((code >> 2) ^ code) & 0x33) != 0; }

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

// Text whose baseline lies ascent below the painter's origin, in the pen's colour. Qt blends
// the edges of a font's underline and strike-out above ratio 1, where they fall between image
// pixels; text here is never blended, so there the lines are filled as whole logical pixels.
// At ratio 1 Qt's own lines are the classic platform's.
void drawTextLine(QPainter& p, const QFont& font, int ascent, const QString& text, qreal ratio)
{
    const bool ownLines = ratio != 1 && (font.underline() || font.strikeOut());
    QFont face = font;
    if (ownLines) {
        face.setUnderline(false);
        face.setStrikeOut(false);
    }
    p.setFont(face);
    p.drawText(QPoint(0, ascent), text);
    if (!ownLines)
        return;
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(text);
    const int thickness = std::max(1, fm.lineWidth());
    const QColor colour = p.pen().color();
    if (font.underline())
        p.fillRect(QRect(0, ascent + fm.underlinePos(), width, thickness), colour);
    if (font.strikeOut())
        p.fillRect(QRect(0, ascent - fm.strikeOutPos(), width, thickness), colour);
}

// A line of formatted text: what is shown, and which character (if any) carries the
// underline that an '&' asked for.
struct TextLine {
    QString text;
    int underline = -1;
};

TextLine stripPrefixes(QStringView text, unsigned format)
{
    TextLine line;
    if (format & DT_NOPREFIX) {
        line.text = text.toString();
        return line;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
            if (text[i] != QLatin1Char('&') && !(format & DT_HIDEPREFIX) && line.underline < 0)
                line.underline = int(line.text.size());
        } else if (text[i] == QLatin1Char('&')) {
            continue;  // a lone trailing '&' shows nothing
        }
        line.text.append(text[i]);
    }
    return line;
}

std::vector<QStringView> paragraphs(QStringView text, unsigned format)
{
    std::vector<QStringView> result;
    if (format & DT_SINGLELINE) {
        result.push_back(text);
        return result;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) {
            result.push_back(text.mid(start, i - start));
            if (text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    result.push_back(text.mid(start));
    return result;
}

// Breaks a line between words so that each piece fits the width; a word wider than the
// width stays whole, and the spaces where a line breaks are dropped.
std::vector<TextLine> wrap(const TextLine& line, int width, const QFontMetrics& fm)
{
    std::vector<TextLine> out;
    const QString& s = line.text;
    qsizetype start = 0;
    while (start < s.size() || out.empty()) {
        qsizetype end = start;
        qsizetype lastFit = -1;
        while (end < s.size()) {
            qsizetype wordEnd = end;
            while (wordEnd < s.size() && s[wordEnd] == QLatin1Char(' '))
                ++wordEnd;
            while (wordEnd < s.size() && s[wordEnd] != QLatin1Char(' '))
                ++wordEnd;
            if (lastFit >= 0 && fm.horizontalAdvance(s.mid(start, wordEnd - start)) > width)
                break;
            lastFit = wordEnd;
            end = wordEnd;
        }
        TextLine piece;
        piece.text = s.mid(start, end - start);
        if (line.underline >= start && line.underline < end)
            piece.underline = int(line.underline - start);
        out.push_back(piece);
        start = end;
        while (start < s.size() && s[start] == QLatin1Char(' '))
            ++start;
        if (end >= s.size())
            break;
    }
    return out;
}

}  // namespace

Pen SolidPen(TColor color, int width) { return {PenStyle::Solid, width, resolveColor(color)}; }

Brush SolidBrush(TColor color) { return {BrushStyle::Solid, resolveColor(color)}; }

DeviceContext::DeviceContext() = default;

DeviceContext::DeviceContext(Bitmap* bitmap) { SelectBitmap(bitmap); }

DeviceContext::~DeviceContext()
{
    endPainting();
    if (bitmap_ != nullptr)
        bitmap_->detach(this);
}

Bitmap* DeviceContext::SelectBitmap(Bitmap* bitmap)
{
    Bitmap* previous = bitmap_;
    if (bitmap == previous)
        return previous;
    endPainting();
    if (previous != nullptr)
        previous->detach(this);
    bitmap_ = bitmap;
    if (bitmap_ != nullptr)
        bitmap_->attach(this);
    return previous;
}

int DeviceContext::BitsPerPixel() const { return bitmap_ != nullptr ? bitmap_->bitsPerPixel() : 32; }

ColorRef DeviceContext::SetTextColor(TColor color)
{
    const ColorRef previous = state_.textColor;
    state_.textColor = resolveColor(color);
    return previous;
}

ColorRef DeviceContext::SetBkColor(TColor color)
{
    const ColorRef previous = state_.bkColor;
    state_.bkColor = resolveColor(color);
    return previous;
}

int DeviceContext::SetBkMode(int mode)
{
    const int previous = state_.bkMode;
    if (mode == TRANSPARENT || mode == OPAQUE)
        state_.bkMode = mode;
    return previous;
}

Pen DeviceContext::SelectPen(const Pen& pen) { return std::exchange(state_.pen, pen); }

Brush DeviceContext::SelectBrush(const Brush& brush) { return std::exchange(state_.brush, brush); }

Font DeviceContext::SelectFont(const Font& font) { return std::exchange(state_.font, font); }

int DeviceContext::SaveDC()
{
    saved_.push_back(state_);
    return int(saved_.size());
}

bool DeviceContext::RestoreDC(int level)
{
    const int target = level < 0 ? int(saved_.size()) + 1 + level : level;
    if (target < 1 || target > int(saved_.size()))
        return false;
    state_ = saved_[std::size_t(target - 1)];
    saved_.resize(std::size_t(target - 1));
    if (painter_ && painter_->isActive())
        applyClip(*painter_);
    return true;
}

QPoint DeviceContext::SetViewportOrg(int x, int y) { return std::exchange(state_.viewportOrg, QPoint(x, y)); }

int DeviceContext::IntersectClipRect(const Rect& logical)
{
    const QRegion r(deviceRect(logical));
    state_.clip = state_.clipped ? state_.clip.intersected(r) : r;
    state_.clipped = true;
    if (painter_ && painter_->isActive())
        applyClip(*painter_);
    return regionKind(state_.clip);
}

int DeviceContext::ExcludeClipRect(const Rect& logical)
{
    const QRegion r(deviceRect(logical));
    state_.clip = (state_.clipped ? state_.clip : QRegion(kUnbounded)).subtracted(r);
    state_.clipped = true;
    if (painter_ && painter_->isActive())
        applyClip(*painter_);
    return regionKind(state_.clip);
}

int DeviceContext::SelectClipRgn(const QRegion* deviceRegion)
{
    state_.clipped = deviceRegion != nullptr;
    state_.clip = deviceRegion != nullptr ? *deviceRegion : QRegion();
    if (painter_ && painter_->isActive())
        applyClip(*painter_);
    return state_.clipped ? regionKind(state_.clip) : SIMPLEREGION;
}

QRegion DeviceContext::GetClipRegion() const
{
    if (state_.clipped)
        return state_.clip;
    return bitmap_ != nullptr ? QRegion(0, 0, bitmap_->width(), bitmap_->height()) : QRegion();
}

QPoint DeviceContext::MoveTo(int x, int y) { return std::exchange(state_.position, QPoint(x, y)); }

bool DeviceContext::LineTo(int x, int y)
{
    const QPoint from = std::exchange(state_.position, QPoint(x, y));
    if (bitmap_ == nullptr)
        return false;
    if (state_.pen.style == PenStyle::Clear)
        return true;
    const QPoint a = from + state_.viewportOrg;
    const QPoint b = QPoint(x, y) + state_.viewportOrg;
    if (state_.pen.width > 1) {
        QPainter* p = painter();
        if (p == nullptr)
            return false;
        p->setPen(QPen(toQColor(deviceColor(state_.pen.color)), state_.pen.width, Qt::SolidLine, Qt::RoundCap));
        p->drawLine(a, b);
        return true;
    }
    const ColorRef color = deviceColor(state_.pen.color);
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
        p->fillRect(r, toQColor(color));
        return true;
    }
    plotSpan(linePixels(a.x(), a.y(), b.x(), b.y()), color);
    return true;
}

bool DeviceContext::Polyline(const std::vector<QPoint>& points)
{
    if (points.size() < 2)
        return false;
    const QPoint saved = state_.position;
    state_.position = points.front();
    bool ok = true;
    for (std::size_t i = 1; i < points.size(); ++i)
        ok = LineTo(points[i].x(), points[i].y()) && ok;
    state_.position = saved;
    return ok;
}

bool DeviceContext::FillRect(const Rect& rect, const Brush& brush)
{
    QPainter* p = painter();
    if (p == nullptr)
        return false;
    if (brush.style == BrushStyle::Clear || rect.isEmpty())
        return true;
    p->fillRect(deviceRect(rect), toQColor(deviceColor(brush.color)));
    return true;
}

bool DeviceContext::FrameRect(const Rect& rect, const Brush& brush)
{
    if (rect.isEmpty())
        return bitmap_ != nullptr;
    return FillRect({rect.left, rect.top, rect.right, rect.top + 1}, brush) &&
           FillRect({rect.left, rect.bottom - 1, rect.right, rect.bottom}, brush) &&
           FillRect({rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1}, brush) &&
           FillRect({rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1}, brush);
}

bool DeviceContext::Rectangle(int left, int top, int right, int bottom)
{
    if (bitmap_ == nullptr)
        return false;
    const Rect r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    if (state_.pen.style == PenStyle::Clear) {
        // Without a pen the platform fills one pixel less to the right and at the bottom.
        return FillRect({r.left, r.top, r.right - 1, r.bottom - 1}, state_.brush);
    }
    FillRect(r.inflated(-1, -1), state_.brush);
    return FrameRect(r, {BrushStyle::Solid, state_.pen.color});
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
    if (state_.pen.style == PenStyle::Clear)
        p->setPen(Qt::NoPen);
    else
        p->setPen(outlinePen(deviceColor(state_.pen.color)));
    if (state_.brush.style == BrushStyle::Clear)
        p->setBrush(Qt::NoBrush);
    else
        p->setBrush(toQColor(deviceColor(state_.brush.color)));
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
    return QPen(toQColor(color), DevicePixelRatio() == 1 ? 0 : 1);
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

bool DeviceContext::Polygon(const std::vector<QPoint>& points)
{
    QPainter* p = painter();
    if (p == nullptr)
        return false;
    QPolygon polygon;
    for (const QPoint& pt : points)
        polygon << pt + state_.viewportOrg;
    p->setPen(state_.pen.style == PenStyle::Clear ? QPen(Qt::NoPen) : outlinePen(deviceColor(state_.pen.color)));
    p->setBrush(state_.brush.style == BrushStyle::Clear ? QBrush(Qt::NoBrush)
                                                        : QBrush(toQColor(deviceColor(state_.brush.color))));
    p->drawPolygon(polygon, Qt::OddEvenFill);
    return true;
}

bool DeviceContext::FillRgn(const QRegion& deviceRegion, const Brush& brush)
{
    QPainter* p = painter();
    if (p == nullptr)
        return false;
    if (brush.style == BrushStyle::Clear)
        return true;
    const QColor c = toQColor(deviceColor(brush.color));
    for (const QRect& r : deviceRegion)
        p->fillRect(r, c);
    return true;
}

ColorRef DeviceContext::GetPixel(int x, int y) const
{
    if (bitmap_ == nullptr)
        return 0;
    return bitmap_->pixel(x + state_.viewportOrg.x(), y + state_.viewportOrg.y());
}

bool DeviceContext::SetPixel(int x, int y, TColor color)
{
    if (bitmap_ == nullptr)
        return false;
    plotSpan({QPoint(x, y) + state_.viewportOrg}, deviceColor(resolveColor(color)));
    return true;
}

bool DeviceContext::TextOut(int x, int y, QStringView text) { return textOut(x, y, 0, nullptr, text); }

bool DeviceContext::ExtTextOut(int x, int y, unsigned options, const Rect* rect, QStringView text)
{
    return textOut(x, y, options, rect, text);
}

bool DeviceContext::textOut(int x, int y, unsigned options, const Rect* rect, QStringView text)
{
    if (bitmap_ == nullptr || bitmap_->isEmpty())
        return false;
    const bool fillFirst = rect != nullptr && (options & ETO_OPAQUE);
    if (textMasks_ && state_.bkMode == TRANSPARENT && !fillFirst) {
        // Pixels copied straight from the mask: no painter is opened for them.
        QRegion area = visibleRegion();
        if (rect != nullptr && (options & ETO_CLIPPED))
            area = area.intersected(deviceRect(*rect));
        maskedTextLine(x, y, text, area);
        return true;
    }
    QPainter* p = painter();
    if (p == nullptr)
        return false;
    if (fillFirst)
        p->fillRect(deviceRect(*rect), toQColor(deviceColor(state_.bkColor)));
    if (rect != nullptr && (options & ETO_CLIPPED)) {
        p->setClipRegion(visibleRegion().intersected(deviceRect(*rect)));
        textLine(x, y, text, -1);
        applyClip(*p);
    } else {
        textLine(x, y, text, -1);
    }
    return true;
}

void DeviceContext::textLine(int x, int y, QStringView text, int underlineAt)
{
    QPainter* p = painter();
    if (p == nullptr || text.isEmpty())
        return;
    const QFont& font = state_.font.qfont();
    const QFontMetrics fm(font);
    const TextMetrics& tm = state_.font.metrics();
    const QString s = text.toString();
    const int width = fm.horizontalAdvance(s);
    const QPoint origin = QPoint(x, y) + state_.viewportOrg;
    const int escapement = state_.font.logFont().escapement;

    p->save();
    p->translate(origin);
    if (escapement != 0)
        p->rotate(-escapement / kTenthsPerDegree);
    if (state_.bkMode == OPAQUE)
        p->fillRect(QRect(0, 0, width, tm.height), toQColor(deviceColor(state_.bkColor)));
    const QColor textColor = toQColor(deviceColor(state_.textColor));
    p->setPen(textColor);
    drawTextLine(*p, font, tm.ascent, s, bitmap_->devicePixelRatio());
    if (underlineAt >= 0 && underlineAt < s.size()) {
        const int left = fm.horizontalAdvance(s.left(underlineAt));
        const int charWidth = fm.horizontalAdvance(s.at(underlineAt));
        p->fillRect(QRect(left, tm.ascent + fm.underlinePos(), charWidth, std::max(1, fm.lineWidth())), textColor);
    }
    p->restore();
}

namespace {

// Which pixels a line of text covers, relative to its origin: the line drawn once, white on
// black, exactly as it is drawn on a bitmap (same font, same turn, no anti-aliasing, only a
// whole-pixel shift apart). Gradient text draws one line once per pixel row, clipped to
// that row; taking the row from here costs its width instead of laying out the text again.
struct TextMask {
    LogFont font;
    QString text;
    qreal ratio;      // the density the glyphs were drawn at
    QImage coverage;  // Format_RGB32 at that density, white where the glyphs are
    QPoint offset;    // coverage's top-left corner from the text origin, in logical pixels
};

// Masks kept for reuse, the most recently used last; a label's paint draws a few lines.
constexpr std::size_t kTextMaskCacheSize = 32;
thread_local std::vector<std::shared_ptr<const TextMask>> textMaskCache;

std::shared_ptr<const TextMask> textMaskFor(const Font& font, const QString& text, const Bitmap& target)
{
    const qreal ratio = target.devicePixelRatio();
    for (auto it = textMaskCache.begin(); it != textMaskCache.end(); ++it)
        if ((*it)->text == text && (*it)->font == font.logFont() && (*it)->ratio == ratio) {
            std::shared_ptr<const TextMask> found = *it;
            textMaskCache.erase(it);
            textMaskCache.push_back(found);
            return found;
        }
    const QFont& qfont = font.qfont();
    const QFontMetrics fm(qfont);
    const TextMetrics& tm = font.metrics();
    const int escapement = font.logFont().escapement;
    // Glyphs may reach past their advance and their cell (overhangs, underline): a margin
    // of half a cell on every side keeps every pixel they touch.
    const int margin = tm.height / 2 + 2;
    const QRect cell = QRect(0, 0, fm.horizontalAdvance(text), tm.height)
                           .united(fm.boundingRect(text).translated(0, tm.ascent))
                           .adjusted(-margin, -margin, margin, margin);
    QTransform turn;
    turn.rotate(-escapement / kTenthsPerDegree);
    const QRect box = turn.mapRect(cell);

    auto mask = std::make_shared<TextMask>();
    mask->font = font.logFont();
    mask->text = text;
    mask->ratio = ratio;
    mask->offset = box.topLeft();
    // Drawn as on the target: on an image of its density, which scales the painter alike.
    mask->coverage = QImage(target.toDevice(QRect(QPoint(), box.size())).size(), QImage::Format_RGB32);
    mask->coverage.setDevicePixelRatio(ratio);
    mask->coverage.fill(Qt::black);
    QPainter p(&mask->coverage);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.translate(-box.topLeft());
    if (escapement != 0)
        p.rotate(-escapement / kTenthsPerDegree);
    p.setPen(Qt::white);
    drawTextLine(p, qfont, tm.ascent, text, ratio);
    p.end();

    if (textMaskCache.size() >= kTextMaskCacheSize)
        textMaskCache.erase(textMaskCache.begin());
    textMaskCache.push_back(mask);
    return mask;
}

}  // namespace

void DeviceContext::maskedTextLine(int x, int y, QStringView text, const QRegion& area)
{
    if (text.isEmpty())
        return;
    const std::shared_ptr<const TextMask> mask = textMaskFor(state_.font, text.toString(), *bitmap_);
    const QPoint at = QPoint(x, y) + state_.viewportOrg + mask->offset;
    const QRect maskArea(at, mask->coverage.deviceIndependentSize().toSize());
    const QRegion target = area.intersected(maskArea);
    if (target.isEmpty())
        return;
    const QRgb colour = toQRgb(deviceColor(state_.textColor));
    // In image pixels from here on: the mask's corner, and the part of the target it covers.
    const QRect deviceMask(bitmap_->toDevice(maskArea).topLeft(), mask->coverage.size());
    QImage& dest = bitmap_->pixels();
    for (const QRect& logical : target) {
        const QRect r = bitmap_->toDevice(logical) & deviceMask;
        for (int py = r.top(); py <= r.bottom(); ++py) {
            const auto* covered =
                reinterpret_cast<const QRgb*>(mask->coverage.constScanLine(py - deviceMask.top())) - deviceMask.left();
            auto* d = reinterpret_cast<QRgb*>(dest.scanLine(py));
            for (int px = r.left(); px <= r.right(); ++px)
                if (covered[px] & kRgbMask)
                    d[px] = colour;
        }
    }
}

int DeviceContext::DrawText(QStringView text, Rect& rect, unsigned format)
{
    const QFontMetrics fm(state_.font.qfont());
    const int lineHeight = state_.font.metrics().height;

    std::vector<TextLine> lines;
    if (!text.isEmpty()) {
        for (QStringView paragraph : paragraphs(text, format)) {
            const TextLine stripped = stripPrefixes(paragraph, format);
            if (format & DT_WORDBREAK) {
                for (TextLine& piece : wrap(stripped, rect.width(), fm))
                    lines.push_back(std::move(piece));
            } else {
                lines.push_back(stripped);
            }
        }
    }
    int widest = 0;
    for (const TextLine& line : lines)
        widest = std::max(widest, fm.horizontalAdvance(line.text));
    const int height = int(lines.size()) * lineHeight;

    if (format & DT_CALCRECT) {
        rect.right = rect.left + widest;
        rect.bottom = rect.top + height;
        return height;
    }
    QPainter* p = painter();
    if (p == nullptr)
        return 0;
    int y = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = rect.top + (rect.height() - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            y = rect.bottom - lineHeight;
    }
    const bool clip = !(format & DT_NOCLIP);
    if (clip)
        p->setClipRegion(visibleRegion().intersected(deviceRect(rect)));
    for (const TextLine& line : lines) {
        const int w = fm.horizontalAdvance(line.text);
        int x = rect.left;
        if (format & DT_CENTER)
            x = rect.left + (rect.width() - w) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - w;
        textLine(x, y, line.text, line.underline);
        y += lineHeight;
    }
    if (clip)
        applyClip(*p);
    return height;
}

QSize DeviceContext::GetTextExtentPoint(QStringView text) const
{
    const QFontMetrics fm(state_.font.qfont());
    return QSize(fm.horizontalAdvance(text.toString()), state_.font.metrics().height);
}

bool DeviceContext::BitBlt(int x, int y, int width, int height, const DeviceContext& source, int sx, int sy,
                           RasterOp rop)
{
    if (usesSource(std::uint8_t(rop >> 16)) && source.bitmap_ == nullptr)
        return false;
    return transfer(x, y, width, height, source.bitmap_, source.state_.bkColor,
                    QPoint(sx, sy) + source.state_.viewportOrg, rop);
}

bool DeviceContext::PatBlt(int x, int y, int width, int height, RasterOp rop)
{
    if (usesSource(std::uint8_t(rop >> 16)))
        return false;
    return transfer(x, y, width, height, nullptr, 0, QPoint(), rop);
}

bool DeviceContext::DrawBitmap(int x, int y, const Bitmap& source, RasterOp rop)
{
    return transfer(x, y, source.width(), source.height(), &source, 0xFFFFFF, QPoint(), rop);
}

bool DeviceContext::StretchBlt(int x, int y, int width, int height, const DeviceContext& source, int sx, int sy,
                               int sw, int sh, RasterOp rop)
{
    if (width == sw && height == sh)
        return BitBlt(x, y, width, height, source, sx, sy, rop);
    if (source.bitmap_ == nullptr)
        return false;
    return stretch({x, y, x + width, y + height}, *source.bitmap_,
                   QRect(QPoint(sx, sy) + source.state_.viewportOrg, QSize(sw, sh)), source.state_.bkColor, rop);
}

bool DeviceContext::StretchDrawBitmap(const Rect& rect, const Bitmap& source, RasterOp rop)
{
    if (rect.width() == source.width() && rect.height() == source.height())
        return DrawBitmap(rect.left, rect.top, source, rop);
    return stretch(rect, source, QRect(0, 0, source.width(), source.height()), 0xFFFFFF, rop);
}

bool DeviceContext::stretch(const Rect& target, const Bitmap& source, const QRect& wanted, ColorRef sourceBk,
                            RasterOp rop)
{
    if (bitmap_ == nullptr || target.isEmpty() || wanted.isEmpty())
        return false;
    // Only the part of the source rectangle that lies on the source bitmap is scaled; the
    // destination shrinks in proportion.
    const QRect part = wanted & QRect(0, 0, source.width(), source.height());
    if (part.isEmpty())
        return true;
    auto scale = [](int offset, int size, int sourceSize) {
        return int(static_cast<long long>(offset) * size / sourceSize);
    };
    const int left = target.left + scale(part.left() - wanted.left(), target.width(), wanted.width());
    const int top = target.top + scale(part.top() - wanted.top(), target.height(), wanted.height());
    const int right = target.left + scale(part.right() + 1 - wanted.left(), target.width(), wanted.width());
    const int bottom = target.top + scale(part.bottom() + 1 - wanted.top(), target.height(), wanted.height());
    if (right <= left || bottom <= top)
        return true;
    // Scaled straight to the destination's density, so a picture loses nothing on the way.
    QImage picture = source.copy(part).scaled(bitmap_->toDevice(QRect(left, top, right - left, bottom - top)).size());
    picture.setDevicePixelRatio(bitmap_->devicePixelRatio());
    Bitmap scaled(picture);
    if (source.isMonochrome())
        scaled.setFormat(PixelFormat::Monochrome);
    return transfer(left, top, right - left, bottom - top, &scaled, sourceBk, QPoint(), rop);
}

bool DeviceContext::transfer(int x, int y, int width, int height, const Bitmap* source, ColorRef sourceBk,
                             QPoint sourceOrigin, RasterOp rop)
{
    if (bitmap_ == nullptr)
        return false;
    if (width <= 0 || height <= 0)
        return true;
    const std::uint8_t code = std::uint8_t(rop >> 16);
    const bool withSource = usesSource(code) && source != nullptr;
    QRect target(QPoint(x, y) + state_.viewportOrg, QSize(width, height));
    const QPoint shift = sourceOrigin - target.topLeft();
    if (withSource)
        target &= QRect(QPoint(0, 0), QSize(source->width(), source->height())).translated(-shift);
    const QRegion visible = visibleRegion().intersected(target);
    if (visible.isEmpty())
        return true;

    // The source as the destination sees it: monochrome and colour pixels translated by the
    // rules above, at the destination's density, and copied out first when source and
    // destination are one bitmap. sourceShift leads from a destination pixel to its source's.
    QImage converted;
    const QImage* sourceImage = nullptr;
    const QRect deviceTarget = bitmap_->toDevice(target);
    QPoint sourceShift = bitmap_->toDevice(QRect(shift, QSize(1, 1))).topLeft();
    if (withSource) {
        const bool toMono = bitmap_->isMonochrome();
        const bool fromMono = source->isMonochrome();
        const qreal ratio = bitmap_->devicePixelRatio();
        // At a whole ratio shared by both, image pixels line up as logical ones do.
        const bool alignedPixels = source->devicePixelRatio() == ratio && ratio == std::floor(ratio);
        if (fromMono != toMono || source == bitmap_ || !alignedPixels) {
            converted = source->copy(target.translated(shift));
            if (converted.size() != deviceTarget.size())
                converted = converted.scaled(deviceTarget.size());
            sourceShift = -deviceTarget.topLeft();
            if (fromMono != toMono)
                convertForTransfer(converted, fromMono, sourceBk);
        }
        sourceImage = converted.isNull() ? &source->image() : &converted;
    }
    const std::uint32_t pattern =
        state_.brush.style == BrushStyle::Clear ? 0u : toQRgb(deviceColor(state_.brush.color));

    QImage& dest = bitmap_->pixels();
    const FoldedRop op(code, pattern);
    for (const QRect& logical : visible) {
        const QRect r = bitmap_->toDevice(logical) & deviceTarget;
        for (int py = r.top(); py <= r.bottom(); ++py) {
            QRgb* d = reinterpret_cast<QRgb*>(dest.scanLine(py)) + r.left();
            if (sourceImage == nullptr) {
                for (int i = 0; i < r.width(); ++i)
                    d[i] = kOpaque | (op(0u, d[i]) & kRgbMask);
                continue;
            }
            const QRgb* s = reinterpret_cast<const QRgb*>(sourceImage->constScanLine(py + sourceShift.y())) + r.left() +
                            sourceShift.x();
            if (code == kSrcCopyCode)
                std::copy_n(s, r.width(), d);  // stored pixels are always opaque
            else
                op.applyRow(d, s, r.width());
        }
    }
    return true;
}

void DeviceContext::convertForTransfer(QImage& pixels, bool fromMono, ColorRef sourceBk) const
{
    const QRgb one = toQRgb(deviceColor(state_.bkColor));
    const QRgb zero = toQRgb(deviceColor(state_.textColor));
    const QRgb background = toQRgb(sourceBk);
    for (int y = 0; y < pixels.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            if (fromMono)
                line[x] = (line[x] & kRgbMask) != 0 ? one : zero;
            else
                line[x] = (line[x] | kOpaque) == background ? 0xFFFFFFFFu : kOpaque;
        }
    }
}

bool DeviceContext::DrawFocusRect(const Rect& rect)
{
    if (bitmap_ == nullptr)
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
            bitmap_->forEachImagePixel(pt, [](QRgb& pixel) { pixel ^= kRgbMask; });
    return true;
}

QPainter* DeviceContext::painter()
{
    if (bitmap_ == nullptr || bitmap_->isEmpty())
        return nullptr;
    if (painter_ && painter_->isActive())
        return painter_.get();
    bitmap_->finishPainting();
    if (!painter_)
        painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&bitmap_->image_))
        return nullptr;
    bitmap_->painting_ = this;
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, false);
    applyClip(*painter_);
    return painter_.get();
}

void DeviceContext::endPainting()
{
    if (painter_ && painter_->isActive())
        painter_->end();
    if (bitmap_ != nullptr && bitmap_->painting_ == this)
        bitmap_->painting_ = nullptr;
}

void DeviceContext::applyClip(QPainter& p) const
{
    if (state_.clipped)
        p.setClipRegion(state_.clip);
    else
        p.setClipping(false);
}

ColorRef DeviceContext::deviceColor(ColorRef c) const
{
    return bitmap_ != nullptr && bitmap_->isMonochrome() ? MonochromeOf(c) : c;
}

QRect DeviceContext::deviceRect(const Rect& logical) const { return logical.toQRect().translated(state_.viewportOrg); }

QRegion DeviceContext::visibleRegion() const
{
    if (bitmap_ == nullptr)
        return {};
    const QRegion bounds(0, 0, bitmap_->width(), bitmap_->height());
    return state_.clipped ? bounds.intersected(state_.clip) : bounds;
}

void DeviceContext::plotSpan(const std::vector<QPoint>& devicePixels, ColorRef color)
{
    const QRegion visible = visibleRegion();
    const QRgb value = toQRgb(color);
    for (const QPoint& pt : devicePixels)
        if (visible.contains(pt))
            bitmap_->forEachImagePixel(pt, [value](QRgb& pixel) { pixel = value; });
}

}  // namespace gdi
