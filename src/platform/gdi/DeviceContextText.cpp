#include "DeviceContext.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTransform>
#include <algorithm>

namespace gdi {
namespace {

// Escapement is given in tenths of a degree.
constexpr double kTenthsPerDegree = 10.0;

// Text whose baseline lies ascent below the painter's origin, in the pen's colour. Qt blends
// the edges of a font's underline and strike-out above ratio 1, where they fall between image
// pixels; text here is never blended, so there the lines are filled as whole logical pixels.
// At ratio 1 Qt's own lines are the classic platform's.
void DrawTextLine(QPainter& p, const QFont& font, int ascent, const QString& text, qreal ratio)
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

TextLine StripPrefixes(QStringView text, unsigned format)
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

std::vector<QStringView> Paragraphs(QStringView text, unsigned format)
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
std::vector<TextLine> Wrap(const TextLine& line, int width, const QFontMetrics& fm)
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

bool DeviceContext::TextOut(int x, int y, QStringView text) { return DrawTextRun(x, y, 0, nullptr, text); }

bool DeviceContext::ExtTextOut(int x, int y, unsigned options, const Rect* rect, QStringView text)
{
    return DrawTextRun(x, y, options, rect, text);
}

bool DeviceContext::DrawTextRun(int x, int y, unsigned options, const Rect* rect, QStringView text)
{
    if (FBitmap == nullptr || FBitmap->IsEmpty())
        return false;
    const bool fillFirst = rect != nullptr && (options & ETO_OPAQUE);
    if (FTextMasks && FState.bkMode == TRANSPARENT && !fillFirst) {
        // Pixels copied straight from the mask: no painter is opened for them.
        QRegion area = VisibleRegion();
        if (rect != nullptr && (options & ETO_CLIPPED))
            area = area.intersected(DeviceRect(*rect));
        MaskedTextLine(x, y, text, area);
        return true;
    }
    QPainter* p = Painter();
    if (p == nullptr)
        return false;
    if (fillFirst)
        p->fillRect(DeviceRect(*rect), QColorOf(DeviceColor(FState.bkColor)));
    if (rect != nullptr && (options & ETO_CLIPPED)) {
        p->setClipRegion(VisibleRegion().intersected(DeviceRect(*rect)));
        TextLineAt(x, y, text, -1);
        ApplyClip(*p);
    } else {
        TextLineAt(x, y, text, -1);
    }
    return true;
}

void DeviceContext::TextLineAt(int x, int y, QStringView text, int underlineAt)
{
    QPainter* p = Painter();
    if (p == nullptr || text.isEmpty())
        return;
    const QFont& font = FState.font.ToQFont();
    const QFontMetrics fm(font);
    const TextMetrics& tm = FState.font.Metrics();
    const QString s = text.toString();
    const int width = fm.horizontalAdvance(s);
    const QPoint origin = QPoint(x, y) + FState.viewportOrg;
    const int escapement = FState.font.Description().escapement;

    p->save();
    p->translate(origin);
    if (escapement != 0)
        p->rotate(-escapement / kTenthsPerDegree);
    if (FState.bkMode == OPAQUE)
        p->fillRect(QRect(0, 0, width, tm.height), QColorOf(DeviceColor(FState.bkColor)));
    const QColor textColor = QColorOf(DeviceColor(FState.textColor));
    p->setPen(textColor);
    DrawTextLine(*p, font, tm.ascent, s, FBitmap->DevicePixelRatio());
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

std::shared_ptr<const TextMask> TextMaskFor(const Font& font, const QString& text, const Bitmap& target)
{
    const qreal ratio = target.DevicePixelRatio();
    for (auto it = textMaskCache.begin(); it != textMaskCache.end(); ++it)
        if ((*it)->text == text && (*it)->font == font.Description() && (*it)->ratio == ratio) {
            std::shared_ptr<const TextMask> found = *it;
            textMaskCache.erase(it);
            textMaskCache.push_back(found);
            return found;
        }
    const QFont& qfont = font.ToQFont();
    const QFontMetrics fm(qfont);
    const TextMetrics& tm = font.Metrics();
    const int escapement = font.Description().escapement;
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
    mask->font = font.Description();
    mask->text = text;
    mask->ratio = ratio;
    mask->offset = box.topLeft();
    // Drawn as on the target: on an image of its density, which scales the painter alike.
    mask->coverage = QImage(target.ToDevice(QRect(QPoint(), box.size())).size(), QImage::Format_RGB32);
    mask->coverage.setDevicePixelRatio(ratio);
    mask->coverage.fill(Qt::black);
    QPainter p(&mask->coverage);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.translate(-box.topLeft());
    if (escapement != 0)
        p.rotate(-escapement / kTenthsPerDegree);
    p.setPen(Qt::white);
    DrawTextLine(p, qfont, tm.ascent, text, ratio);
    p.end();

    if (textMaskCache.size() >= kTextMaskCacheSize)
        textMaskCache.erase(textMaskCache.begin());
    textMaskCache.push_back(mask);
    return mask;
}

}  // namespace

void DeviceContext::MaskedTextLine(int x, int y, QStringView text, const QRegion& area)
{
    if (text.isEmpty())
        return;
    const std::shared_ptr<const TextMask> mask = TextMaskFor(FState.font, text.toString(), *FBitmap);
    const QPoint at = QPoint(x, y) + FState.viewportOrg + mask->offset;
    const QRect maskArea(at, mask->coverage.deviceIndependentSize().toSize());
    const QRegion target = area.intersected(maskArea);
    if (target.isEmpty())
        return;
    const QRgb colour = QRgbOf(DeviceColor(FState.textColor));
    // In image pixels from here on: the mask's corner, and the part of the target it covers.
    const QRect deviceMask(FBitmap->ToDevice(maskArea).topLeft(), mask->coverage.size());
    QImage& dest = FBitmap->Pixels();
    for (const QRect& logical : target) {
        const QRect r = FBitmap->ToDevice(logical) & deviceMask;
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
    const QFontMetrics fm(FState.font.ToQFont());
    const int lineHeight = FState.font.Metrics().height;

    std::vector<TextLine> lines;
    if (!text.isEmpty()) {
        for (QStringView paragraph : Paragraphs(text, format)) {
            const TextLine stripped = StripPrefixes(paragraph, format);
            if (format & DT_WORDBREAK) {
                for (TextLine& piece : Wrap(stripped, rect.Width(), fm))
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
    QPainter* p = Painter();
    if (p == nullptr)
        return 0;
    int y = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = rect.top + (rect.Height() - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            y = rect.bottom - lineHeight;
    }
    const bool clip = !(format & DT_NOCLIP);
    if (clip)
        p->setClipRegion(VisibleRegion().intersected(DeviceRect(rect)));
    for (const TextLine& line : lines) {
        const int w = fm.horizontalAdvance(line.text);
        int x = rect.left;
        if (format & DT_CENTER)
            x = rect.left + (rect.Width() - w) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - w;
        TextLineAt(x, y, line.text, line.underline);
        y += lineHeight;
    }
    if (clip)
        ApplyClip(*p);
    return height;
}

QSize DeviceContext::GetTextExtentPoint(QStringView text) const
{
    const QFontMetrics fm(FState.font.ToQFont());
    return QSize(fm.horizontalAdvance(text.toString()), FState.font.Metrics().height);
}

}  // namespace gdi
