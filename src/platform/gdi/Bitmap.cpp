#include "Bitmap.h"

#include "DeviceContext.h"

#include <QPainter>
#include <algorithm>
#include <utility>

namespace gdi {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;

QImage blankImage(int width, int height)
{
    QImage image(std::max(0, width), std::max(0, height), QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

void makeMonochrome(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = (line[x] | kBlack) == kWhite ? kWhite : kBlack;
    }
}

QRgb toQRgb(ColorRef c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

Bitmap::Bitmap(int width, int height, PixelFormat format) : image_(blankImage(width, height)), format_(format)
{
    if (format_ == PixelFormat::Monochrome)
        makeMonochrome(image_);
}

Bitmap::Bitmap(const QImage& image) { assign(image); }

Bitmap::Bitmap(const Bitmap& other)
{
    other.finishPainting();
    image_ = other.image_.copy();
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
    format_ = other.format_;
    simulatedBits_ = other.simulatedBits_;
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
{
    other.finishPainting();
    image_ = std::exchange(other.image_, QImage());
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

void Bitmap::setSize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == this->width() && height == this->height())
        return;
    finishPainting();
    QImage resized = blankImage(width, height);
    const int w = std::min(width, this->width());
    const int h = std::min(height, this->height());
    for (int y = 0; y < h; ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(image_.constScanLine(y)), w,
                    reinterpret_cast<QRgb*>(resized.scanLine(y)));
    image_ = std::move(resized);
}

void Bitmap::assign(const QImage& image)
{
    finishPainting();
    image_ = image.convertToFormat(QImage::Format_RGB32);
    if (format_ == PixelFormat::Monochrome)
        makeMonochrome(image_);
}

ColorRef Bitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return 0;
    finishPainting();
    const QRgb p = reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x];
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

void Bitmap::setPixel(int x, int y, TColor color)
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return;
    ColorRef c = ColorRef(ColorToRGB(color)) & 0xFFFFFF;
    if (format_ == PixelFormat::Monochrome)
        c = MonochromeOf(c);
    reinterpret_cast<QRgb*>(pixels().scanLine(y))[x] = toQRgb(c);
}

ColorRef Bitmap::bottomLeftPixel() const { return isEmpty() ? 0 : pixel(0, height() - 1); }

const QImage& Bitmap::image() const
{
    finishPainting();
    return image_;
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

bool Bitmap::loadFromFile(const QString& path)
{
    const QImage loaded(path);
    if (loaded.isNull())
        return false;
    assign(loaded);
    return true;
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
