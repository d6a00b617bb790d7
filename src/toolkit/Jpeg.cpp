#include "toolkit/Jpeg.h"

#include "toolkit/Exceptions.h"

#include <QScopeGuard>

#include <csetjmp>
#include <cstdio>  // libjpeg's header names FILE without declaring it
#include <jpeglib.h>

namespace {

// libjpeg reports a fault by calling error_exit, which must not return. Ours leaves by
// longjmp back into run() below; neither run() nor the libjpeg frames it jumps over hold
// anything with a destructor, and the message waits here until the exception is thrown
// from plain C++ again.
struct Decoder {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf failed;
    char message[JMSG_LENGTH_MAX];
    const unsigned char* stream;
    unsigned long streamSize;
    // The caller's image, written by readPixels.
    QRgb* pixels;
    qsizetype pixelsPerLine;
};

Decoder& DecoderOf(j_common_ptr info)
{
    return *static_cast<Decoder*>(info->client_data);
}

[[noreturn]] void FailWithMessage(j_common_ptr info)
{
    Decoder& d = DecoderOf(info);
    info->err->format_message(info, d.message);
    std::longjmp(d.failed, 1);
}

[[noreturn]] void FailWithText(Decoder& d, const char* text)
{
    std::snprintf(d.message, sizeof d.message, "%s", text);
    std::longjmp(d.failed, 1);
}

// Warnings (level -1) mean damaged data that libjpeg would paint over: refused like errors.
// Trace messages (level 0 and up) are dropped.
void EmitMessage(j_common_ptr info, int level)
{
    if (level < 0)
        FailWithMessage(info);
}

void CheckScanCount(j_common_ptr info)
{
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans)
        FailWithText(DecoderOf(info), "Too many scans");
}

using Step = void (*)(Decoder&);

// The one place where a libjpeg fault lands: false, with the reason in d.message.
bool Run(Decoder& d, Step step)
{
    if (setjmp(d.failed) != 0)
        return false;
    step(d);
    return true;
}

void Open(Decoder& d)
{
    jpeg_create_decompress(&d.info);
    d.info.progress = &d.progress;
    jpeg_mem_src(&d.info, d.stream, d.streamSize);
}

void ReadHeader(Decoder& d)
{
    jpeg_read_header(&d.info, TRUE);
    // Greyscale stays one component here and is widened below; libjpeg itself does not
    // convert every colour space to RGB in every version.
    d.info.out_color_space = d.info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_calc_output_dimensions(&d.info);
}

void ReadPixels(Decoder& d)
{
    jpeg_start_decompress(&d.info);
    const JDIMENSION width = d.info.output_width;
    const int components = d.info.output_components;
    JSAMPARRAY row = (*d.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.info), JPOOL_IMAGE,
                                                 width * JDIMENSION(components), 1);
    while (d.info.output_scanline < d.info.output_height) {
        QRgb* out = d.pixels + qsizetype(d.info.output_scanline) * d.pixelsPerLine;
        if (jpeg_read_scanlines(&d.info, row, 1) != 1)
            FailWithText(d, "Premature end of JPEG file");
        const JSAMPLE* in = row[0];
        for (JDIMENSION x = 0; x < width; ++x, in += components)
            out[x] = components == 1 ? qRgb(in[0], in[0], in[0]) : qRgb(in[0], in[1], in[2]);
    }
    jpeg_finish_decompress(&d.info);
}

[[noreturn]] void Refuse(const QString& reason)
{
    throw EInvalidGraphic(QStringLiteral("Cannot read the JPEG picture: %1").arg(reason));
}

// libjpeg words its faults from its own table of English texts, filled in with numbers only.
[[noreturn]] void Refuse(const char* libjpegMessage)
{
    Refuse(QString::fromLatin1(libjpegMessage));
}

}  // namespace

QImage DecodeJpeg(const QByteArray& stream)
{
    if (stream.isEmpty())
        Refuse(QStringLiteral("it is empty"));
    Decoder d{};
    d.info.err = jpeg_std_error(&d.errors);
    d.errors.error_exit = FailWithMessage;
    d.errors.emit_message = EmitMessage;
    d.progress.progress_monitor = CheckScanCount;
    d.info.client_data = &d;
    d.stream = reinterpret_cast<const unsigned char*>(stream.constData());
    d.streamSize = static_cast<unsigned long>(stream.size());
    // libjpeg's memory goes on every way out; destroying a decoder never made is harmless.
    const auto destroy = qScopeGuard([&d] { jpeg_destroy_decompress(&d.info); });

    if (!Run(d, Open) || !Run(d, ReadHeader))
        Refuse(d.message);
    if (d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK)
        Refuse(QStringLiteral("CMYK pictures are not supported"));
    if (d.info.jpeg_color_space == JCS_UNKNOWN)
        Refuse(QStringLiteral("%1 colour components of unknown meaning").arg(d.info.num_components));
    const qint64 width = d.info.output_width;
    const qint64 height = d.info.output_height;
    if (width * height > kMaxJpegPixels)
        Refuse(QStringLiteral("%1 x %2 pixels is too large").arg(width).arg(height));

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        Refuse(QStringLiteral("not enough memory for %1 x %2 pixels").arg(width).arg(height));
    d.pixels = reinterpret_cast<QRgb*>(image.bits());
    d.pixelsPerLine = image.bytesPerLine() / qsizetype(sizeof(QRgb));
    if (!Run(d, ReadPixels))
        Refuse(d.message);
    return image;
}

TJPEGImage::TJPEGImage(QObject* parent) : TGraphic(parent) {}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Draw(TCanvas* canvas, const TRect& rect) const
{
    if (gdi::DeviceContext* dc = canvas->Handle())
        dc->StretchDrawBitmap(rect, FPixels, gdi::SRCCOPY);
}

void TJPEGImage::LoadFromStream(const QByteArray& stream)
{
    gdi::Bitmap pixels(DecodeJpeg(stream));
    FStream = stream;
    FPixels = std::move(pixels);
    Changed();
}

QByteArray TJPEGImage::WriteData() const
{
    return WithByteCount(FStream);
}

void TJPEGImage::ReadData(const QByteArray& data)
{
    if (data.size() < kByteCountSize)
        Refuse(QStringLiteral("its byte count is cut short"));
    const quint64 count = ByteCountOf(data);
    const quint64 stored = quint64(data.size() - kByteCountSize);
    if (count > stored)
        Refuse(QStringLiteral("%1 bytes announced, %2 stored").arg(count).arg(stored));
    // Bytes after the stream would be lost on the next save: the data is damaged.
    if (count < stored)
        Refuse(QStringLiteral("%1 bytes announced, %2 more stored after them").arg(count).arg(stored - count));
    LoadFromStream(data.mid(kByteCountSize));
}

void TJPEGImage::Assign(const TPersistent* source)
{
    const auto* other = qobject_cast<const TJPEGImage*>(source);
    if (!other) {
        TGraphic::Assign(source);
        return;
    }
    if (other == this)
        return;
    FStream = other->FStream;
    FPixels = other->FPixels;
    Changed();
}
