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

QImage BlankImage(QSize size, qreal ratio)
{
    QImage image(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    image.fill(kWhite);
    image.setDevicePixelRatio(ratio);
    return image;
}

// The image pixel a logical coordinate begins at: the first whose centre lies at or past it,
// as Qt's own aliased drawing at that ratio counts.
int DeviceCoordinate(int logical, qreal ratio)
{
    return ratio == 1 ? logical : int(std::ceil(logical * ratio - 0.5));
}

void MakeMonochrome(QImage& image)
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
    FImage = BlankImage(QSize(ToDevice(FSize.width()), ToDevice(FSize.height())), FRatio);
    if (FFormat == PixelFormat::Monochrome)
        MakeMonochrome(FImage);
}

Bitmap::Bitmap(const QImage& image) { Assign(image); }

Bitmap::Bitmap(const Bitmap& other)
{
    other.FinishPainting();
    FImage = other.FImage.copy();
    FSize = other.FSize;
    FRatio = other.FRatio;
    FFormat = other.FFormat;
}

Bitmap& Bitmap::operator=(const Bitmap& other)
{
    if (this == &other)
        return *this;
    other.FinishPainting();
    FinishPainting();
    FImage = other.FImage.copy();
    FSize = other.FSize;
    FRatio = other.FRatio;
    FFormat = other.FFormat;
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
{
    other.FinishPainting();
    FImage = std::exchange(other.FImage, QImage());
    FSize = std::exchange(other.FSize, QSize(0, 0));
    FRatio = other.FRatio;
    FFormat = other.FFormat;
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
    if (this == &other)
        return *this;
    other.FinishPainting();
    FinishPainting();
    FImage = std::exchange(other.FImage, QImage());
    FSize = std::exchange(other.FSize, QSize(0, 0));
    FRatio = other.FRatio;
    FFormat = other.FFormat;
    return *this;
}

Bitmap::~Bitmap()
{
    FinishPainting();
    // Contexts outlive their bitmap only by mistake; leave them drawing on nothing.
    for (DeviceContext* dc : FContexts)
        dc->FBitmap = nullptr;
}

void Bitmap::SetFormat(PixelFormat format)
{
    if (format == FFormat)
        return;
    FFormat = format;
    if (FFormat == PixelFormat::Monochrome)
        MakeMonochrome(Pixels());
}

int Bitmap::BitsPerPixel() const
{
    if (FFormat == PixelFormat::Monochrome)
        return 1;
    return 32;
}

void Bitmap::SetDevicePixelRatio(qreal ratio)
{
    if (ratio == FRatio || ratio <= 0)
        return;
    FinishPainting();
    FRatio = ratio;
    const QSize deviceSize(ToDevice(Width()), ToDevice(Height()));
    FImage = FImage.isNull() ? BlankImage(deviceSize, FRatio) : FImage.scaled(deviceSize);
    FImage.setDevicePixelRatio(FRatio);
}

int Bitmap::ToDevice(int logical) const { return DeviceCoordinate(logical, FRatio); }

QRect Bitmap::ToDevice(const QRect& logical) const
{
    const int left = ToDevice(logical.left());
    const int top = ToDevice(logical.top());
    return QRect(left, top, ToDevice(logical.left() + logical.width()) - left,
                 ToDevice(logical.top() + logical.height()) - top);
}

void Bitmap::SetSize(int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == this->Width() && height == this->Height())
        return;
    FinishPainting();
    QImage resized = BlankImage(QSize(ToDevice(width), ToDevice(height)), FRatio);
    const int w = std::min(resized.width(), FImage.width());
    const int h = std::min(resized.height(), FImage.height());
    for (int y = 0; y < h; ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(FImage.constScanLine(y)), w,
                    reinterpret_cast<QRgb*>(resized.scanLine(y)));
    FImage = std::move(resized);
    FSize = QSize(width, height);
}

void Bitmap::Assign(const QImage& image)
{
    FinishPainting();
    FImage = image.convertToFormat(QImage::Format_RGB32);
    FRatio = image.devicePixelRatio();
    FSize = QSize(qRound(image.width() / FRatio), qRound(image.height() / FRatio));
    if (FFormat == PixelFormat::Monochrome)
        MakeMonochrome(FImage);
}

ColorRef Bitmap::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return 0;
    FinishPainting();
    const QRgb p = reinterpret_cast<const QRgb*>(FImage.constScanLine(ToDevice(y)))[ToDevice(x)];
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

void Bitmap::SetPixel(int x, int y, TColor color)
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    ColorRef c = ColorRef(ColorToRGB(color)) & 0xFFFFFF;
    if (FFormat == PixelFormat::Monochrome)
        c = MonochromeOf(c);
    const QRgb value = QRgbOf(c);
    ForEachImagePixel(QPoint(x, y), [value](QRgb& pixel) { pixel = value; });
}

ColorRef Bitmap::BottomLeftPixel() const { return IsEmpty() ? 0 : Pixel(0, Height() - 1); }

const QImage& Bitmap::Image() const
{
    FinishPainting();
    return FImage;
}

QImage Bitmap::Copy(const QRect& logical) const
{
    FinishPainting();
    return FImage.copy(ToDevice(logical));
}

bool Bitmap::LoadFromResourceName(const QString& name)
{
    for (const char* extension : {".bmp", ".png"}) {
        const QImage loaded(QStringLiteral(":/res/") + name + QLatin1String(extension));
        if (!loaded.isNull()) {
            Assign(loaded);
            return true;
        }
    }
    return false;
}

void Bitmap::Attach(DeviceContext* dc)
{
    if (std::find(FContexts.begin(), FContexts.end(), dc) == FContexts.end())
        FContexts.push_back(dc);
}

void Bitmap::Detach(DeviceContext* dc)
{
    if (FPainting == dc)
        FinishPainting();
    FContexts.erase(std::remove(FContexts.begin(), FContexts.end(), dc), FContexts.end());
}

void Bitmap::FinishPainting() const
{
    if (FPainting != nullptr)
        FPainting->EndPainting();
}

QImage& Bitmap::Pixels()
{
    FinishPainting();
    return FImage;
}

}  // namespace gdi
