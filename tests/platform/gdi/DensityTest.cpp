// Drawing at a device pixel ratio above 1: bitmaps keep their logical size and hold more image
// pixels; every drawing call but text and curves gives the ratio-1 picture with each pixel
// doubled; text and curves use the finer pixels; pictures of another density are scaled on the
// way; copies between bitmaps of one density keep every image pixel.
#include "Pixels.h"
#include "RasterOps.h"
#include "platform/gdi/DeviceContext.h"
#include "support/Density.h"
#include "support/ClassicColors.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace gdi;
using testsupport::HasDetailFinerThanDoubledPixels;

constexpr qreal kRatio = 2;

// The image of a ratio-1 bitmap with every pixel made a 2 x 2 block.
QImage Doubled(const Bitmap& b)
{
    QImage doubled = b.Image().scaled(b.Image().size() * 2);
    doubled.setDevicePixelRatio(kRatio);
    return doubled;
}

struct Drawing {
    const char* what;
    std::function<void(DeviceContext&)> draw;
};

class Density : public testing::Test {
protected:
    ScopedClassicColors classic;
};

TEST_F(Density, ABitmapKeepsItsLogicalSizeAndSetsWholeBlocksOfImagePixels)
{
    Bitmap b(5, 3, PixelFormat::Device, kRatio);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(b.Image().size(), QSize(10, 6));
    EXPECT_EQ(b.Image().devicePixelRatio(), kRatio);
    b.SetPixel(1, 2, clRed);
    for (const QPoint p : {QPoint(2, 4), QPoint(3, 4), QPoint(2, 5), QPoint(3, 5)})
        EXPECT_EQ(b.Image().pixel(p), qRgb(255, 0, 0)) << p.x() << "," << p.y();
    EXPECT_EQ(b.Image().pixel(4, 4), qRgb(255, 255, 255));
    EXPECT_EQ(b.Pixel(1, 2), 0x0000FFu);

    // Resized and copied, it keeps its density; given another, its picture follows.
    b.SetSize(6, 4);
    EXPECT_EQ(b.Image().size(), QSize(12, 8));
    EXPECT_EQ(b.Pixel(1, 2), 0x0000FFu);
    const Bitmap copy(b);
    EXPECT_EQ(copy.DevicePixelRatio(), kRatio);
    b.SetDevicePixelRatio(1);
    EXPECT_EQ(b.Width(), 6);
    EXPECT_EQ(b.Image().size(), QSize(6, 4));
    EXPECT_EQ(b.Pixel(1, 2), 0x0000FFu);

    // A picture of any density is taken at its own.
    QImage dense(8, 4, QImage::Format_RGB32);
    dense.setDevicePixelRatio(kRatio);
    const Bitmap fromImage(dense);
    EXPECT_EQ(fromImage.Width(), 4);
    EXPECT_EQ(fromImage.Height(), 2);
}

TEST_F(Density, EveryCallButTextAndCurvesDrawsTheRatioOnePictureDoubled)
{
    Bitmap glyph(3, 2);
    glyph.SetPixel(0, 0, clRed);
    glyph.SetPixel(2, 1, clBlue);
    const std::vector<Drawing> drawings = {
        {"FillRect", [](DeviceContext& dc) { dc.FillRect({2, 3, 9, 7}, SolidBrush(clNavy)); }},
        {"FrameRect", [](DeviceContext& dc) { dc.FrameRect({1, 1, 10, 8}, SolidBrush(clRed)); }},
        {"Rectangle",
         [](DeviceContext& dc) {
             dc.SelectPen(SolidPen(clBlack));
             dc.SelectBrush(SolidBrush(clYellow));
             dc.Rectangle(2, 2, 9, 9);
         }},
        {"lines",
         [](DeviceContext& dc) {
             dc.SelectPen(SolidPen(clGreen));
             dc.MoveTo(0, 0);
             dc.LineTo(11, 5);
             dc.LineTo(11, 1);
             dc.LineTo(3, 1);
         }},
        {"focus frame", [](DeviceContext& dc) { dc.DrawFocusRect({1, 2, 9, 8}); }},
        {"a ratio-1 picture",
         [&glyph](DeviceContext& dc) {
             dc.DrawBitmap(3, 4, glyph, SRCCOPY);
             dc.DrawBitmap(6, 1, glyph, test::SRCINVERT);
         }},
        {"a picture scaled",
         [&glyph](DeviceContext& dc) { dc.StretchDrawBitmap({1, 1, 10, 5}, glyph, SRCCOPY); }},
    };
    for (const Drawing& drawing : drawings) {
        Bitmap single(12, 10);
        Bitmap dense(12, 10, PixelFormat::Device, kRatio);
        for (Bitmap* b : {&single, &dense}) {
            DeviceContext dc(b);
            drawing.draw(dc);
        }
        EXPECT_EQ(dense.Image(), Doubled(single)) << drawing.what;
    }
}

TEST_F(Density, TextAndCurvesUseTheFinerPixels)
{
    const std::vector<Drawing> drawings = {
        {"text",
         [](DeviceContext& dc) {
             dc.SetBkMode(TRANSPARENT);
             dc.SelectFont(Font(LogFont{.height = -16, .weight = FW_BOLD, .faceName = QStringLiteral("Arial")}));
             dc.TextOut(1, 1, u"Wavy");
         }},
        {"laid-out text",
         [](DeviceContext& dc) {
             dc.UseTextMasks(false);
             dc.SelectFont(Font(LogFont{.height = -16, .faceName = QStringLiteral("Arial")}));
             dc.TextOut(1, 1, u"Wavy");
         }},
        {"ellipse",
         [](DeviceContext& dc) {
             dc.SelectPen(SolidPen(clBlack));
             dc.Ellipse(2, 2, 40, 18);
         }},
    };
    for (const Drawing& drawing : drawings) {
        Bitmap dense(44, 20, PixelFormat::Device, kRatio);
        DeviceContext dc(&dense);
        drawing.draw(dc);
        EXPECT_FALSE(test::InkBounds(dense, 0xFFFFFF).isEmpty()) << drawing.what;
        EXPECT_TRUE(HasDetailFinerThanDoubledPixels(dense.Image())) << drawing.what;
    }
}

TEST_F(Density, ACopyBetweenBitmapsOfOneDensityKeepsEveryImagePixel)
{
    Bitmap buffer(40, 20, PixelFormat::Device, kRatio);
    DeviceContext bufferDC(&buffer);
    bufferDC.SetBkMode(TRANSPARENT);
    bufferDC.SelectFont(Font(LogFont{.height = -16, .faceName = QStringLiteral("Arial")}));
    bufferDC.TextOut(2, 1, u"Gg");
    Bitmap screen(50, 30, PixelFormat::Device, kRatio);
    DeviceContext screenDC(&screen);
    for (const RasterOp rop : {SRCCOPY, SRCAND}) {
        screenDC.BitBlt(5, 6, 40, 20, bufferDC, 0, 0, rop);
        EXPECT_EQ(screen.Copy(QRect(5, 6, 40, 20)), buffer.Image()) << rop;
    }

    // A monochrome mask of that density, as a label's letters are cut with, keeps them too.
    Bitmap mask(40, 20, PixelFormat::Monochrome, kRatio);
    DeviceContext maskDC(&mask);
    maskDC.BitBlt(0, 0, 40, 20, bufferDC, 0, 0, SRCCOPY);
    EXPECT_TRUE(HasDetailFinerThanDoubledPixels(mask.Image()));
}

}  // namespace
