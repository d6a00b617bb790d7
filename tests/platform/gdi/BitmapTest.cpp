#include "Pixels.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DeviceContext.h"

#include <gtest/gtest.h>

namespace {

using namespace gdi;
using test::Filled;

const std::map<ColorRef, char> kLegend = {{0xFFFFFF, '.'}, {0x000000, '#'}, {0x0000FF, 'r'}, {0x00FF00, 'g'}};
std::string Row(const Bitmap& b, int y) { return test::Row(b, y, kLegend); }

TEST(Bitmaps, ResizingKeepsTheSharedPixelsAndWhitensTheRest)
{
    Bitmap b = Filled(2, 2, clRed);
    b.SetSize(3, 1);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 1);
    EXPECT_EQ(Row(b, 0), "rr.");
    b.SetSize(-4, 2);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Pixel(0, 0), 0u);  // outside reads as 0, never crashes
    b.SetPixel(5, 5, clRed);
    EXPECT_TRUE(Bitmap().IsEmpty());
}

TEST(Bitmaps, MonochromeKeepsOnlyBlackAndWhite)
{
    Bitmap b = Filled(3, 1, clWhite);
    b.SetPixel(1, 0, clRed);
    b.SetPixel(2, 0, clSilver);
    b.SetFormat(PixelFormat::Monochrome);
    EXPECT_TRUE(b.IsMonochrome());
    EXPECT_EQ(b.BitsPerPixel(), 1);
    EXPECT_EQ(Row(b, 0), ".##");  // only white stays 1
    b.SetPixel(0, 0, clNavy);
    b.SetPixel(1, 0, clSilver);
    EXPECT_EQ(Row(b, 0), "#.#");
    b.SetFormat(PixelFormat::Device);
    EXPECT_EQ(b.BitsPerPixel(), 32);
}

TEST(Bitmaps, CopiesAreIndependent)
{
    Bitmap a = Filled(2, 1, clRed);
    Bitmap b(a);
    b.SetPixel(0, 0, clLime);
    EXPECT_EQ(Row(a, 0), "rr");
    EXPECT_EQ(Row(b, 0), "gr");
    a = b;
    EXPECT_EQ(Row(a, 0), "gr");
    a = a;
    EXPECT_EQ(Row(a, 0), "gr");
}

TEST(Bitmaps, MovingTakesThePixelsAndLeavesContextsWithTheOriginal)
{
    Bitmap a = Filled(2, 1, clRed);
    DeviceContext dc(&a);
    dc.FillRect({0, 0, 1, 1}, SolidBrush(clLime));  // still open when the pixels move
    Bitmap b(std::move(a));
    EXPECT_EQ(Row(b, 0), "gr");
    EXPECT_EQ(dc.SelectedBitmap(), &a);
    EXPECT_TRUE(a.IsEmpty());  // NOLINT(bugprone-use-after-move): moved-from is empty by contract
    EXPECT_FALSE(dc.FillRect({0, 0, 1, 1}, SolidBrush(clRed)));
    a = std::move(b);
    EXPECT_EQ(Row(a, 0), "gr");
    EXPECT_TRUE(dc.FillRect({1, 0, 2, 1}, SolidBrush(clLime)));
    EXPECT_EQ(Row(a, 0), "gg");
}

TEST(Bitmaps, ResourcesLoadByName)
{
    Bitmap b = Filled(1, 1, clRed);
    EXPECT_FALSE(b.LoadFromResourceName(QStringLiteral("NO_SUCH_BITMAP")));
    EXPECT_EQ(Row(b, 0), "r");
    ASSERT_TRUE(b.LoadFromResourceName(QStringLiteral("TESTGLYPH")));
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(Row(b, 0), "#r.");
    EXPECT_EQ(b.BottomLeftPixel(), 0x00FF00u);
}

TEST(Bitmaps, AssignConvertsToTheBitmapsFormat)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(255, 255, 255, 255));
    Bitmap colour(1, 1);
    colour.Assign(image);
    EXPECT_EQ(Row(colour, 0), "r.");
    Bitmap mono(1, 1, PixelFormat::Monochrome);
    mono.Assign(image);
    EXPECT_EQ(Row(mono, 0), "#.");
}

}  // namespace
