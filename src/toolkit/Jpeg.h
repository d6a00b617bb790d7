#pragma once
// JPEG pictures, decoded with libjpeg. A stream that libjpeg finds any fault with, even one it
// would only warn about and paint over in grey, is refused with EInvalidGraphic: a picture
// is shown whole or not at all.

#include "toolkit/Graphics.h"

#include <QByteArray>
#include <QImage>

// Larger pictures are refused before any memory is taken for their pixels: a damaged size
// field must not make the program ask for gigabytes.
inline constexpr qint64 kMaxJpegPixels = qint64(1) << 24;
// A real progressive picture has about ten scans; a damaged one can ask for thousands, each
// a pass over the whole picture.
inline constexpr int kMaxJpegScans = 100;

// The stream's pixels in Format_RGB32. Baseline and progressive, colour and greyscale
// pictures are read; CMYK ones are not. Throws EInvalidGraphic saying what is wrong.
QImage DecodeJpeg(const QByteArray& stream);

// A JPEG picture as a graphic of pictures ("TJPEGImage" in form descriptions): the stream as
// it was given, written back unchanged, and its pixels, decoded once when it is read.
class TJPEGImage : public TGraphic {
    Q_OBJECT

public:
    explicit TJPEGImage(QObject* parent = nullptr);
    ~TJPEGImage() override;

    int Width() const override { return FPixels.Width(); }
    int Height() const override { return FPixels.Height(); }
    bool Empty() const override { return FPixels.IsEmpty(); }
    void Draw(TCanvas* canvas, const TRect& rect) const override;

    // The stream; a stream that cannot be decoded throws EInvalidGraphic and leaves the
    // picture as it was.
    const QByteArray& Stream() const { return FStream; }
    void LoadFromStream(const QByteArray& stream);
    const gdi::Bitmap& Pixels() const { return FPixels; }

    // In a picture: the stream's byte count as 32 bits, little-endian, then the stream.
    QByteArray WriteData() const override;
    void ReadData(const QByteArray& data) override;

    void Assign(const TPersistent* source) override;

private:
    QByteArray FStream;
    gdi::Bitmap FPixels;
};
