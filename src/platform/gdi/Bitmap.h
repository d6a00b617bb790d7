#pragma once
// Bitmaps: pixel buffers that device contexts draw on, in colour or in one bit per pixel.

#include "Colors.h"

#include <QImage>
#include <QString>
#include <vector>

namespace gdi {

class DeviceContext;

enum class PixelFormat {
    Monochrome,  // one bit per pixel: only black (0) and white (1) are ever stored
    Device,      // the screen's depth: 32 bits unless a test simulates less
};

// Pixels live in a QImage of Format_RGB32 whatever the format, so one set of drawing code
// serves both; a monochrome bitmap keeps every pixel pure black or pure white.
// Copying a bitmap copies its pixels and moving one takes them; device contexts selected on
// it stay with the original (a moved-from bitmap is empty).
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, PixelFormat format = PixelFormat::Device);
    explicit Bitmap(const QImage& image);
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    ~Bitmap();

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    bool isEmpty() const { return image_.isNull() || width() == 0 || height() == 0; }

    PixelFormat format() const { return format_; }
    // Converting to monochrome keeps white as 1 and makes every other colour 0.
    void setFormat(PixelFormat format);
    bool isMonochrome() const { return format_ == PixelFormat::Monochrome; }

    // 1 for monochrome; 32 for colour unless a lower depth is simulated (tests do).
    int bitsPerPixel() const;
    void setSimulatedBitsPerPixel(int bits);

    // Keeps the pixels both sizes share; new pixels are white.
    void setSize(int width, int height);
    // Takes a copy of the image's pixels (converted to this bitmap's format).
    void assign(const QImage& image);

    ColorRef pixel(int x, int y) const;
    void setPixel(int x, int y, TColor color);
    // The bottom-left pixel: the colour a glyph treats as transparent.
    ColorRef bottomLeftPixel() const;

    // Finishes any drawing still open on the bitmap, then shows its pixels.
    const QImage& image() const;

    // Loads the program's bitmap resource of that name (":/res/NAME.bmp" or ".png");
    // false when there is none, leaving the bitmap unchanged.
    bool loadFromResourceName(const QString& name);
    bool loadFromFile(const QString& path);

private:
    friend class DeviceContext;

    void attach(DeviceContext* dc);
    void detach(DeviceContext* dc);
    // Ends the painter that a device context holds open on the pixels, if any.
    void finishPainting() const;
    QImage& pixels();

    QImage image_;
    PixelFormat format_ = PixelFormat::Device;
    int simulatedBits_ = 0;
    std::vector<DeviceContext*> contexts_;
    mutable DeviceContext* painting_ = nullptr;
};

// The colour a pixel of a monochrome surface takes for a colour drawn on it.
constexpr ColorRef MonochromeOf(ColorRef c)
{
    return (GetRValue(c) + GetGValue(c) + GetBValue(c)) >= 3 * 128 ? 0xFFFFFF : 0x000000;
}

}  // namespace gdi
