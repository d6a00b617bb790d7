#include "DeviceContext.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace gdi {
namespace {

constexpr QRgb kOpaque = 0xFF000000;

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
    void ApplyRow(QRgb* __restrict dest, const QRgb* __restrict source, int count) const
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

constexpr bool UsesSource(std::uint8_t code) { return (((code >> 2) ^ code) & 0x33) != 0; }

}  // namespace

bool DeviceContext::BitBlt(int x, int y, int width, int height, const DeviceContext& source, int sx, int sy,
                           RasterOp rop)
{
    if (UsesSource(std::uint8_t(rop >> 16)) && source.FBitmap == nullptr)
        return false;
    return Transfer(x, y, width, height, source.FBitmap, source.FState.bkColor,
                    QPoint(sx, sy) + source.FState.viewportOrg, rop);
}

bool DeviceContext::DrawBitmap(int x, int y, const Bitmap& source, RasterOp rop)
{
    return Transfer(x, y, source.Width(), source.Height(), &source, 0xFFFFFF, QPoint(), rop);
}

bool DeviceContext::StretchDrawBitmap(const Rect& rect, const Bitmap& source, RasterOp rop)
{
    if (rect.Width() == source.Width() && rect.Height() == source.Height())
        return DrawBitmap(rect.left, rect.top, source, rop);
    if (FBitmap == nullptr || rect.IsEmpty() || source.Width() <= 0 || source.Height() <= 0)
        return false;
    // Scaled straight to the destination's density, so a picture loses nothing on the way.
    QImage picture = source.Copy(QRect(0, 0, source.Width(), source.Height()))
                         .scaled(FBitmap->ToDevice(rect.ToQRect()).size());
    picture.setDevicePixelRatio(FBitmap->DevicePixelRatio());
    Bitmap scaled(picture);
    if (source.IsMonochrome())
        scaled.SetFormat(PixelFormat::Monochrome);
    return Transfer(rect.left, rect.top, rect.Width(), rect.Height(), &scaled, 0xFFFFFF, QPoint(), rop);
}

bool DeviceContext::Transfer(int x, int y, int width, int height, const Bitmap* source, ColorRef sourceBk,
                             QPoint sourceOrigin, RasterOp rop)
{
    if (FBitmap == nullptr)
        return false;
    if (width <= 0 || height <= 0)
        return true;
    const std::uint8_t code = std::uint8_t(rop >> 16);
    const bool withSource = UsesSource(code) && source != nullptr;
    QRect target(QPoint(x, y) + FState.viewportOrg, QSize(width, height));
    const QPoint shift = sourceOrigin - target.topLeft();
    if (withSource)
        target &= QRect(QPoint(0, 0), QSize(source->Width(), source->Height())).translated(-shift);
    const QRegion visible = VisibleRegion().intersected(target);
    if (visible.isEmpty())
        return true;

    // The source as the destination sees it: monochrome and colour pixels translated by the
    // rules above, at the destination's density, and copied out first when source and
    // destination are one bitmap. sourceShift leads from a destination pixel to its source's.
    QImage converted;
    const QImage* sourceImage = nullptr;
    const QRect deviceTarget = FBitmap->ToDevice(target);
    QPoint sourceShift = FBitmap->ToDevice(QRect(shift, QSize(1, 1))).topLeft();
    if (withSource) {
        const bool toMono = FBitmap->IsMonochrome();
        const bool fromMono = source->IsMonochrome();
        const qreal ratio = FBitmap->DevicePixelRatio();
        // At a whole ratio shared by both, image pixels line up as logical ones do.
        const bool alignedPixels = source->DevicePixelRatio() == ratio && ratio == std::floor(ratio);
        if (fromMono != toMono || source == FBitmap || !alignedPixels) {
            converted = source->Copy(target.translated(shift));
            if (converted.size() != deviceTarget.size())
                converted = converted.scaled(deviceTarget.size());
            sourceShift = -deviceTarget.topLeft();
            if (fromMono != toMono)
                ConvertForTransfer(converted, fromMono, sourceBk);
        }
        sourceImage = converted.isNull() ? &source->Image() : &converted;
    }
    const std::uint32_t pattern =
        FState.brush.style == BrushStyle::Clear ? 0u : QRgbOf(DeviceColor(FState.brush.color));

    QImage& dest = FBitmap->Pixels();
    const FoldedRop op(code, pattern);
    for (const QRect& logical : visible) {
        const QRect r = FBitmap->ToDevice(logical) & deviceTarget;
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
                op.ApplyRow(d, s, r.width());
        }
    }
    return true;
}

void DeviceContext::ConvertForTransfer(QImage& pixels, bool fromMono, ColorRef sourceBk) const
{
    const QRgb one = QRgbOf(DeviceColor(FState.bkColor));
    const QRgb zero = QRgbOf(DeviceColor(FState.textColor));
    const QRgb background = QRgbOf(sourceBk);
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

}  // namespace gdi
