#pragma once
// Bitmaps: pixel buffers that device contexts draw on, in colour or in one bit per pixel.

#include "Colors.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <vector>

namespace gdi {

class DeviceContext;

enum class PixelFormat {
    Monochrome,  // one bit per pixel: only black (0) and white (1) are ever stored
    Device,      // the screen's depth: 32 bits
};

// Pixels live in a QImage of Format_RGB32 whatever the format, so one set of drawing code
// serves both; a monochrome bitmap keeps every pixel pure black or pure white.
// A bitmap's size and every coordinate given to it are logical pixels; it holds its pixels at
// a device pixel ratio (the screen's, for what is shown), so that a picture drawn on it is as
// sharp as the screen. At ratio 1 a logical pixel is one pixel of the image.
// Copying a bitmap copies its pixels and moving one takes them; device contexts selected on
// it stay with the original (a moved-from bitmap is empty).
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, PixelFormat format = PixelFormat::Device, qreal ratio = 1);
    // The image's pixels at the image's own device pixel ratio.
    explicit Bitmap(const QImage& image);
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    ~Bitmap();

    int Width() const { return FSize.width(); }
    int Height() const { return FSize.height(); }
    bool IsEmpty() const { return FImage.isNull() || Width() == 0 || Height() == 0; }

    qreal DevicePixelRatio() const { return FRatio; }
    // Keeps the logical size; the picture is scaled to the new density.
    void SetDevicePixelRatio(qreal ratio);
    // The image pixel where a logical coordinate begins, and the image pixels a logical
    // rectangle covers.
    int ToDevice(int logical) const;
    QRect ToDevice(const QRect& logical) const;

    PixelFormat Format() const { return FFormat; }
    // Converting to monochrome keeps white as 1 and makes every other colour 0.
    void SetFormat(PixelFormat format);
    bool IsMonochrome() const { return FFormat == PixelFormat::Monochrome; }

    // 1 for monochrome, 32 for colour.
    int BitsPerPixel() const;

    // Keeps the pixels both sizes share; new pixels are white.
    void SetSize(int width, int height);
    // Takes a copy of the image's pixels (converted to this bitmap's format) and its ratio.
    void Assign(const QImage& image);

    // The colour of a logical pixel (its first image pixel), and all of its image pixels set.
    ColorRef Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    // The bottom-left pixel: the colour a glyph treats as transparent.
    ColorRef BottomLeftPixel() const;

    // Finishes any drawing still open on the bitmap, then shows its pixels, which carry the
    // bitmap's device pixel ratio.
    const QImage& Image() const;
    // The image pixels of a logical rectangle, at the bitmap's ratio.
    QImage Copy(const QRect& logical) const;

    // Loads the program's bitmap resource of that name (":/res/NAME.bmp" or ".png");
    // false when there is none, leaving the bitmap unchanged.
    bool LoadFromResourceName(const QString& name);

private:
    friend class DeviceContext;

    void Attach(DeviceContext* dc);
    void Detach(DeviceContext* dc);
    // Ends the painter that a device context holds open on the pixels, if any.
    void FinishPainting() const;
    QImage& Pixels();
    // Every image pixel of one logical pixel: one at ratio 1, a block above it.
    template <class F>
    void ForEachImagePixel(QPoint logical, F&& change)
    {
        const QRect block = ToDevice(QRect(logical, QSize(1, 1)));
        QImage& image = Pixels();
        for (int y = block.top(); y <= block.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = block.left(); x <= block.right(); ++x)
                change(line[x]);
        }
    }

    QImage FImage;
    QSize FSize{0, 0};
    qreal FRatio = 1;
    PixelFormat FFormat = PixelFormat::Device;
    std::vector<DeviceContext*> FContexts;
    mutable DeviceContext* FPainting = nullptr;
};

// The colour a pixel of a monochrome surface takes for a colour drawn on it.
constexpr ColorRef MonochromeOf(ColorRef c)
{
    return (GetRValue(c) + GetGValue(c) + GetBValue(c)) >= 3 * 128 ? 0xFFFFFF : 0x000000;
}

}  // namespace gdi
