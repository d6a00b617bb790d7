#include "Bitmap.h"

#include "DeviceContext.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

namespace gdi {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;

QImage blankImage(QSize size, qreal ratio)
{
    QImage image(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    image.fill(kWhite);
    image.setDevicePixelRatio(ratio);
    return image;
}

// The image pixel a logical coordinate begins at: the first whose centre lies at or past it,
// as Qt's own aliased drawing at that ratio counts.
int deviceCoordinate(int logical, qreal ratio)
{
    return ratio == 1 ? logical : int(std::ceil(logical * ratio - 0.5));
}

void makeMonochrome(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = (line[x] | kBlack) == kWhite ? kWhite : kBlack;
    }
}

}  // namespace

Bitmap::Bitmap(int width, int height, PixelFormat format, qreal ratio)
    : FSize(std::max(0, width), std::max(0, height)), FRatio(ratio), FFormat(format)
{
    FImage = blankImage(QSize(toDevice(FSize.width()), toDevice(FSize.height())), FRatio);
    if (FFormat == PixelFormat::Monochrome)
        makeMonochrome(FImage);
}

Bitmap::Bitmap(const QImage& image) { assign(image); }

Bitmap::Bitmap(const Bitmap& other)
{
    other.finishPainting();
    FImage = other.FImage.copy();
    FSize = other.FSize;
    FRatio = other.FRatio;
    FFormat = other.FFormat;
    FSimulatedBits = other.FSimulatedBits;
}

Bitmap& Bitmap::operator=(const Bitmap& other)
{
    if (this == &other)
        return *this;
    other.finishPainting();
    finishPainting();
    FImage = other.FImage.copy();
    FSize = other.FSize;
    FRatio = other.FRatio;
    FFormat = other.FFormat;
    FSimulatedBits = other.FSimulatedBits;
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
{
    other.finishPainting();
    FImage = std::exchange(other.FImage, QImage());
    FSize = std::exchange(other.FSize, QSize(0, 0));
    FRatio = other.FRatio;
    FFormat = other.FFormat;
    FSimulatedBits = other.FSimulatedBits;
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
    if (this == &other)
        return *this;
    other.finishPainting();
    finishPainting();
    FImage = std::exchange(other.FImage, QImage());
    FSize = std::exchange(other.FSize, QSize(0, 0));
    FRatio = other.FRatio;
    FFormat = other.FFormat;
    FSimulatedBits = other.FSimulatedBits;
    return *this;
}

Bitmap::~Bitmap()
{
    finishPainting();
    // Contexts outlive their bitmap only by mistake; leave them drawing on nothing.
    for (DeviceContext* dc : FContexts)
        dc->FBitmap = nullptr;
}

void Bitmap::setFormat(PixelFormat format)
{
    if (format == FFormat)
        return;
    FFormat = format;
    if (FFormat == PixelFormat::Monochrome)
        makeMonochrome(pixels());
}

int Bitmap::bitsPerPixel() const
{
    if (FFormat == PixelFormat::Monochrome)
        return 1;
    return FSimulatedBits > 0 ? FSimulatedBits : 32;
}

void Bitmap::setSimulatedBitsPerPixel(int bits) { FSimulatedBits = std::max(0, bits); }

void Bitmap::setDevicePixelRatio(qreal ratio)
{
    if (ratio == FRatio || ratio <= 0)
        return;
    finishPainting();
    FRatio = ratio;
    const QSize deviceSize(toDevice(width()), toDevice(height()));
    FImage = FImage.isNull() ? blankImage(deviceSize, FRatio) : FImage.scaled(deviceSize);
    FImage.setDevicePixelRatio(FRatio);
}

int Bitmap::toDevice(int logical) const { return deviceCoordinate(logical, FRatio); }

QRect Bitmap::toDevice(const QRect& logical) const
{
    const int left = toDevice(logical.left());
    const int top = toDevice(logical.top());
    return QRect(left, top, toDevice(logical.left() + logical.width()) - left,
                 toDevice(logical.top() + logical.height()) - top);
}

void Bitmap::setSize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == this->width() && height == this->height())
        return;
    finishPainting();
    QImage resized = blankImage(QSize(toDevice(width), toDevice(height)), FRatio);
    const int w = std::min(resized.width(), FImage.width());
    const int h = std::min(resized.height(), FImage.height());
    for (int y = 0; y < h; ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(FImage.constScanLine(y)), w,
                    reinterpret_cast<QRgb*>(resized.scanLine(y)));
    FImage = std::move(resized);
    FSize = QSize(width, height);
}

void Bitmap::assign(const QImage& image)
{
    finishPainting();
    FImage = image.convertToFormat(QImage::Format_RGB32);
    FRatio = image.devicePixelRatio();
    FSize = QSize(qRound(image.width() / FRatio), qRound(image.height() / FRatio));
    if (FFormat == PixelFormat::Monochrome)
        makeMonochrome(FImage);
}

ColorRef Bitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return 0;
    finishPainting();
    const QRgb p = reinterpret_cast<const QRgb*>(FImage.constScanLine(toDevice(y)))[toDevice(x)];
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

void Bitmap::setPixel(int x, int y, TColor color)
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return;
    ColorRef c = ColorRef(ColorToRGB(color)) & 0xFFFFFF;
    if (FFormat == PixelFormat::Monochrome)
        c = MonochromeOf(c);
    const QRgb value = QRgbOf(c);
    forEachImagePixel(QPoint(x, y), [value](QRgb& pixel) { pixel = value; });
}

ColorRef Bitmap::bottomLeftPixel() const { return isEmpty() ? 0 : pixel(0, height() - 1); }

const QImage& Bitmap::image() const
{
    finishPainting();
    return FImage;
}

QImage Bitmap::copy(const QRect& logical) const
{
    finishPainting();
    return FImage.copy(toDevice(logical));
}

bool Bitmap::loadFromResourceName(const QString& name)
{
    for (const char* extension : {".bmp", ".png"}) {
        const QImage loaded(QStringLiteral(":/res/") + name + QLatin1String(extension));
        if (!loaded.isNull()) {
            assign(loaded);
            return true;
        }
    }
    return false;
}

void Bitmap::attach(DeviceContext* dc)
{
    if (std::find(FContexts.begin(), FContexts.end(), dc) == FContexts.end())
        FContexts.push_back(dc);
}

void Bitmap::detach(DeviceContext* dc)
{
    if (FPainting == dc)
        finishPainting();
    FContexts.erase(std::remove(FContexts.begin(), FContexts.end(), dc), FContexts.end());
}

void Bitmap::finishPainting() const
{
    if (FPainting != nullptr)
        FPainting->endPainting();
}

QImage& Bitmap::pixels()
{
    finishPainting();
    return FImage;
}

}  // namespace gdi
