// JPEG decoding: pictures come out with their colours in place, whatever the encoding
// (baseline, progressive, greyscale), and every damaged or unsupported stream is refused
// with a clear message, never a crash, a grey patch or a hang.
#include "toolkit/Exceptions.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Jpeg.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <jpeglib.h>
#include <vector>

namespace {

struct Encoding {
    int components = 3;  // 1 greyscale, 3 colour, 4 CMYK
    bool progressive = false;
    // Replaces the scan script (progressive pictures only).
    std::vector<jpeg_scan_info> scans;
};

// The picture as libjpeg encodes it at full quality without chroma subsampling, so decoded
// colours stay within a few steps of the originals.
QByteArray Encode(const QImage& image, const Encoding& how = {})
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = how.components;
    info.in_color_space = how.components == 1 ? JCS_GRAYSCALE : how.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    for (int c = 0; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (how.progressive)
        jpeg_simple_progression(&info);
    if (!how.scans.empty()) {
        info.scan_info = how.scans.data();
        info.num_scans = int(how.scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(image.width()) * std::size_t(how.components));
    while (info.next_scanline < info.image_height) {
        const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(int(info.next_scanline)));
        for (int x = 0; x < image.width(); ++x) {
            JSAMPLE* out = row.data() + std::size_t(x) * std::size_t(how.components);
            if (how.components == 1) {
                out[0] = JSAMPLE(qGray(in[x]));
            } else {
                out[0] = JSAMPLE(qRed(in[x]));
                out[1] = JSAMPLE(qGreen(in[x]));
                out[2] = JSAMPLE(qBlue(in[x]));
                if (how.components == 4)
                    out[3] = 0;
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray result(reinterpret_cast<const char*>(buffer), qsizetype(size));
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return result;
}

// Four quadrants: red, green, blue, white.
QImage Quadrants(int width = 64, int height = 48)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            image.setPixel(x, y, !bottom ? (right ? qRgb(0, 200, 0) : qRgb(220, 0, 0))
                                         : (right ? qRgb(255, 255, 255) : qRgb(0, 0, 210)));
        }
    return image;
}

void ExpectNear(QRgb actual, QRgb expected, int tolerance = 6)
{
    EXPECT_NEAR(qRed(actual), qRed(expected), tolerance);
    EXPECT_NEAR(qGreen(actual), qGreen(expected), tolerance);
    EXPECT_NEAR(qBlue(actual), qBlue(expected), tolerance);
}

QRgb Average(const QImage& image, const QRect& area)
{
    int r = 0, g = 0, b = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            r += qRed(image.pixel(x, y));
            g += qGreen(image.pixel(x, y));
            b += qBlue(image.pixel(x, y));
        }
    const int n = area.width() * area.height();
    return qRgb(r / n, g / n, b / n);
}

QString RefusalOf(const QByteArray& stream)
{
    try {
        DecodeJpeg(stream);
    } catch (const EInvalidGraphic& e) {
        return e.Message();
    }
    return {};
}

QByteArray AboutPicture()
{
    QFile file(QStringLiteral(DUPSWEEP_ABOUT_PICTURE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The offset of the frame header (SOF0 or SOF2) marker in a stream.
qsizetype FrameHeader(const QByteArray& stream)
{
    for (qsizetype i = 2; i + 1 < stream.size(); ++i)
        if (uchar(stream[i]) == 0xFF && (uchar(stream[i + 1]) == 0xC0 || uchar(stream[i + 1]) == 0xC2))
            return i;
    return -1;
}

TEST(Jpeg, ColoursArriveWhereTheyWereWhateverTheEncoding)
{
    const QImage original = Quadrants();
    const QImage baseline = DecodeJpeg(Encode(original));
    ASSERT_EQ(baseline.size(), original.size());
    EXPECT_EQ(baseline.format(), QImage::Format_RGB32);
    for (const QPoint at : {QPoint(8, 8), QPoint(56, 8), QPoint(8, 40), QPoint(56, 40)})
        ExpectNear(baseline.pixel(at), original.pixel(at));

    // Progressive order only rearranges the same coefficients.
    const QImage progressive = DecodeJpeg(Encode(original, {3, true, {}}));
    EXPECT_EQ(progressive, baseline);

    const QImage grey = DecodeJpeg(Encode(original, {1, false, {}}));
    ASSERT_EQ(grey.size(), original.size());
    for (const QPoint at : {QPoint(8, 8), QPoint(56, 40)}) {
        EXPECT_EQ(qRed(grey.pixel(at)), qGreen(grey.pixel(at)));
        EXPECT_EQ(qGreen(grey.pixel(at)), qBlue(grey.pixel(at)));
        EXPECT_NEAR(qRed(grey.pixel(at)), qGray(original.pixel(at)), 3);
    }

    // Odd sizes that fill no whole block.
    const QImage odd = Quadrants(17, 3);
    const QImage decoded = DecodeJpeg(Encode(odd));
    EXPECT_EQ(decoded.size(), odd.size());
    ExpectNear(decoded.pixel(16, 0), odd.pixel(16, 0), 12);
}

TEST(Jpeg, TheAboutPictureIsABaselineColourPictureOfItsSize)
{
    const QByteArray stream = AboutPicture();
    EXPECT_NEAR(double(stream.size()), 13042.0, 1300.0);
    EXPECT_EQ(stream.mid(6, 5), QByteArray("JFIF", 5));
    const qsizetype sof = FrameHeader(stream);
    ASSERT_GT(sof, 0);
    EXPECT_EQ(uchar(stream[sof + 1]), 0xC0);  // baseline
    EXPECT_EQ(uchar(stream[sof + 9]), 3);     // components

    const QImage picture = DecodeJpeg(stream);
    EXPECT_EQ(picture.size(), QSize(300, 200));
    // A dark blue night sky at the top, a light band above the hills where the hidden names sit.
    const QRgb top = Average(picture, QRect(130, 0, 65, 14));
    EXPECT_GT(qBlue(top), qRed(top) + 20);
    EXPECT_LT(qGray(top), 70);
    EXPECT_GT(qGray(Average(picture, QRect(12, 116, 41, 16))), 150);
    EXPECT_GT(qGray(Average(picture, QRect(258, 95, 33, 16))), 130);
}

TEST(Jpeg, DamagedAndUnsupportedStreamsAreRefusedClearly)
{
    const QByteArray good = Encode(Quadrants());
    EXPECT_EQ(RefusalOf({}), QStringLiteral("Cannot read the JPEG picture: it is empty"));
    EXPECT_TRUE(RefusalOf("BM not a JPEG at all").contains(QStringLiteral("Not a JPEG file")));
    EXPECT_EQ(RefusalOf(Encode(Quadrants(), {4, false, {}})),
              QStringLiteral("Cannot read the JPEG picture: CMYK pictures are not supported"));

    // Cut short anywhere, down to the end marker's last byte.
    for (qsizetype length = 1; length < good.size(); length += 7)
        EXPECT_FALSE(RefusalOf(good.left(length)).isEmpty()) << "cut at " << length;
    EXPECT_FALSE(RefusalOf(good.left(good.size() - 1)).isEmpty());

    // A frame header that claims 65000 x 65000 pixels is refused before anything is allocated.
    QByteArray huge = good;
    const qsizetype sof = FrameHeader(huge);
    ASSERT_GT(sof, 0);
    huge[sof + 5] = char(0xFD);
    huge[sof + 6] = char(0xE8);
    huge[sof + 7] = char(0xFD);
    huge[sof + 8] = char(0xE8);
    EXPECT_EQ(RefusalOf(huge), QStringLiteral("Cannot read the JPEG picture: 65000 x 65000 pixels is too large"));

    // Damaged entropy data makes libjpeg warn and paint grey; that picture is refused too.
    QByteArray scrambled = good;
    for (qsizetype i = good.size() / 2; i < good.size() - 2; ++i)
        scrambled[i] = char(0xFF);
    EXPECT_FALSE(RefusalOf(scrambled).isEmpty());
}

TEST(Jpeg, AProgressivePictureOfTooManyScansIsRefused)
{
    // A valid greyscale script: the DC scan, then every coefficient alone at half precision,
    // then each refined: 127 scans.
    std::vector<jpeg_scan_info> scans;
    scans.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
    for (int ah = 0; ah <= 1; ++ah)
        for (int k = 1; k <= 63; ++k)
            scans.push_back({1, {0, 0, 0, 0}, k, k, ah, 1 - ah});
    const QImage original = Quadrants();
    EXPECT_EQ(RefusalOf(Encode(original, {1, true, scans})), QStringLiteral("Cannot read the JPEG picture: Too many scans"));
    scans.resize(kMaxJpegScans - 37);  // still valid: the first half-precision scans only
    EXPECT_EQ(DecodeJpeg(Encode(original, {1, true, scans})).size(), original.size());
}

TEST(Jpeg, MutatedPicturesGiveAPictureOrAClearError)
{
    const QByteArray good = AboutPicture();
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    int refused = 0;
    constexpr int kMutations = 1000;
    for (int round = 0; round < kMutations; ++round) {
        QByteArray mutated = good;
        const int changes = 1 + int(next() % 3);
        for (int c = 0; c < changes; ++c)
            mutated[qsizetype(next() % std::uint32_t(mutated.size()))] = char(next() & 0xFF);
        try {
            const QImage picture = DecodeJpeg(mutated);
            ASSERT_FALSE(picture.isNull());
            ASSERT_LE(qint64(picture.width()) * picture.height(), kMaxJpegPixels);
        } catch (const EInvalidGraphic& e) {
            ASSERT_TRUE(e.Message().startsWith(QStringLiteral("Cannot read the JPEG picture: "))) << round;
            ++refused;
        }
    }
    EXPECT_GT(refused, kMutations / 10);
}

// A picture's stored data for a JPEG stream whose byte count says count.
QByteArray PictureData(const QByteArray& stream, quint32 count)
{
    QByteArray data = QByteArray(1, char(10)) + "TJPEGImage";
    for (int i = 0; i < 4; ++i)
        data += char((count >> (8 * i)) & 0xFF);
    return data + stream;
}

TEST(JpegGraphic, APictureHoldsTheStreamAndWritesItBackUnchanged)
{
    const QByteArray stream = AboutPicture();
    TPicture picture;
    picture.SetData(PictureData(stream, quint32(stream.size())));
    auto* jpeg = qobject_cast<TJPEGImage*>(picture.Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(picture.Width(), 300);
    EXPECT_EQ(picture.Height(), 200);
    EXPECT_EQ(jpeg->Pixels().Image(), DecodeJpeg(stream));
    EXPECT_EQ(picture.Data(), PictureData(stream, quint32(stream.size())));

    // A copy is a picture of its own with the same stream.
    TPicture copy;
    copy.Assign(&picture);
    EXPECT_EQ(copy.Data(), picture.Data());

    // An image shows it at its natural size.
    TImage image(nullptr);
    image.SetAutoSize(true);
    image.SetPicture(&picture);
    EXPECT_EQ(image.Width(), 300);
    EXPECT_EQ(image.Height(), 200);
    const QImage shown = image.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(150, 3), jpeg->Pixels().Image().pixel(150, 3));
    EXPECT_EQ(shown.pixel(299, 199), jpeg->Pixels().Image().pixel(299, 199));
}

TEST(JpegGraphic, AStoredByteCountThatDoesNotFitIsRefusedAndThePictureKept)
{
    const QByteArray stream = AboutPicture();
    TPicture picture;
    picture.SetData(PictureData(stream, quint32(stream.size())));
    const QByteArray kept = picture.Data();
    const auto refusal = [&picture](const QByteArray& data) {
        try {
            picture.SetData(data);
        } catch (const EInvalidGraphic& e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_EQ(refusal(PictureData(stream, quint32(stream.size()) + 1)),
              QStringLiteral("Cannot read the JPEG picture: %1 bytes announced, %2 stored")
                  .arg(stream.size() + 1)
                  .arg(stream.size()));
    EXPECT_EQ(refusal(PictureData(stream, 0xFFFFFFFFu)),
              QStringLiteral("Cannot read the JPEG picture: 4294967295 bytes announced, %1 stored").arg(stream.size()));
    EXPECT_EQ(refusal(PictureData(stream, quint32(stream.size()) - 10)),
              QStringLiteral("Cannot read the JPEG picture: %1 bytes announced, 10 more stored after them")
                  .arg(stream.size() - 10));
    EXPECT_EQ(refusal(PictureData(QByteArray(), 0).left(13)),
              QStringLiteral("Cannot read the JPEG picture: its byte count is cut short"));
    EXPECT_EQ(refusal(PictureData(stream.left(500), 500)).left(30), QStringLiteral("Cannot read the JPEG picture: "));
    EXPECT_EQ(picture.Data(), kept);
}

}  // namespace
