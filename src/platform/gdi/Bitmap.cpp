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
    : size_(std::max(0, width), std::max(0, height)), ratio_(ratio), format_(format)
{
    image_ = blankImage(QSize(toDevice(size_.width()), toDevice(size_.height())), ratio_);
    if (format_ == PixelFormat::Monochrome)
        makeMonochrome(image_);
}

Bitmap::Bitmap(const QImage& image) { assign(image); }

Bitmap::Bitmap(const Bitmap& other)
{
    other.finishPainting();
    image_ = other.image_.copy();
    size_ = other.size_;
    ratio_ = other.ratio_;
    format_ = other.format_;
    simulatedBits_ = other.simulatedBits_;
}

Bitmap& Bitmap::operator=(const Bitmap& other)
{
    if (this == &other)
        return *this;
    other.finishPainting();
    finishPainting();
    image_ = other.image_.copy();
    size_ = other.size_;
    ratio_ = other.ratio_;
    format_ = other.format_;
    simulatedBits_ = other.simulatedBits_;
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
{
    other.finishPainting();
    image_ = std::exchange(other.image_, QImage());
    size_ = std::exchange(other.size_, QSize(0, 0));
    ratio_ = other.ratio_;
    format_ = other.format_;
    simulatedBits_ = other.simulatedBits_;
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
    if (this == &other)
        return *this;
    other.finishPainting();
    finishPainting();
    image_ = std::exchange(other.image_, QImage());
    size_ = std::exchange(other.size_, QSize(0, 0));
    ratio_ = other.ratio_;
    format_ = other.format_;
    simulatedBits_ = other.simulatedBits_;
    return *this;
}

Bitmap::~Bitmap()
{
    finishPainting();
    // Contexts outlive their bitmap only by mistake; leave them drawing on nothing.
    for (DeviceContext* dc : contexts_)
        dc->bitmap_ = nullptr;
}

void Bitmap::setFormat(PixelFormat format)
{
    if (format == format_)
        return;
    format_ = format;
    if (format_ == PixelFormat::Monochrome)
        makeMonochrome(pixels());
}

int Bitmap::bitsPerPixel() const
{
    if (format_ == PixelFormat::Monochrome)
        return 1;
    return simulatedBits_ > 0 ? simulatedBits_ : 32;
}

void Bitmap::setSimulatedBitsPerPixel(int bits) { simulatedBits_ = std::max(0, bits); }

void Bitmap::setDevicePixelRatio(qreal ratio)
{
    if (ratio == ratio_ || ratio <= 0)
        return;
    finishPainting();
    ratio_ = ratio;
    const QSize deviceSize(toDevice(width()), toDevice(height()));
    image_ = image_.isNull() ? blankImage(deviceSize, ratio_) : image_.scaled(deviceSize);
    image_.setDevicePixelRatio(ratio_);
}

int Bitmap::toDevice(int logical) const { return deviceCoordinate(logical, ratio_); }

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
    QImage resized = blankImage(QSize(toDevice(width), toDevice(height)), ratio_);
    const int w = std::min(resized.width(), image_.width());
    const int h = std::min(resized.height(), image_.height());
    for (int y = 0; y < h; ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(image_.constScanLine(y)), w,
                    reinterpret_cast<QRgb*>(resized.scanLine(y)));
    image_ = std::move(resized);
    size_ = QSize(width, height);
}

void Bitmap::assign(const QImage& image)
{
    finishPainting();
    image_ = image.convertToFormat(QImage::Format_RGB32);
    ratio_ = image.devicePixelRatio();
    size_ = QSize(qRound(image.width() / ratio_), qRound(image.height() / ratio_));
    if (format_ == PixelFormat::Monochrome)
        makeMonochrome(image_);
}

ColorRef Bitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return 0;
    finishPainting();
    const QRgb p = reinterpret_cast<const QRgb*>(image_.constScanLine(toDevice(y)))[toDevice(x)];
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

void Bitmap::setPixel(int x, int y, TColor color)
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return;
    ColorRef c = ColorRef(ColorToRGB(color)) & 0xFFFFFF;
    if (format_ == PixelFormat::Monochrome)
        c = MonochromeOf(c);
    const QRgb value = QRgbOf(c);
    forEachImagePixel(QPoint(x, y), [value](QRgb& pixel) { pixel = value; });
}

ColorRef Bitmap::bottomLeftPixel() const { return isEmpty() ? 0 : pixel(0, height() - 1); }

const QImage& Bitmap::image() const
{
    finishPainting();
    return image_;
}

QImage Bitmap::copy(const QRect& logical) const
{
    finishPainting();
    return image_.copy(toDevice(logical));
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
    if (std::find(contexts_.begin(), contexts_.end(), dc) == contexts_.end())
        contexts_.push_back(dc);
}

void Bitmap::detach(DeviceContext* dc)
{
    if (painting_ == dc)
        finishPainting();
    contexts_.erase(std::remove(contexts_.begin(), contexts_.end(), dc), contexts_.end());
}

void Bitmap::finishPainting() const
{
    if (painting_ != nullptr)
        painting_->endPainting();
}

QImage& Bitmap::pixels()
{
    finishPainting();
    return image_;
}

}  // namespace gdi
