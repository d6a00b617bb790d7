#pragma once
// JPEG pictures, decoded with libjpeg. A stream that libjpeg finds any fault with, even one it
// would only warn about and paint over in grey, is refused with EInvalidGraphic: a picture
// is shown whole or not at all.

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
