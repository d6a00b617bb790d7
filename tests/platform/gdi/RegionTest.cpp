#include "Pixels.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"

#include <gtest/gtest.h>

namespace {

using namespace gdi;

TEST(Regions, ShapesLeaveOutTheirRightAndBottomEdges)
{
    const QRegion r = CreateRectRgn(3, 3, 220, 50);
    EXPECT_EQ(r.boundingRect(), QRect(3, 3, 217, 47));
    EXPECT_TRUE(PtInRegion(r, 219, 49));
    EXPECT_FALSE(PtInRegion(r, 220, 49));
    EXPECT_EQ(CreateRectRgn(10, 10, 0, 0), CreateRectRgn(0, 0, 10, 10));  // corners in any order
    EXPECT_TRUE(CreateRectRgn(5, 5, 5, 9).isEmpty());

    const QRegion e = CreateEllipticRgn(0, 0, 100, 50);
    EXPECT_TRUE(QRect(0, 0, 100, 50).contains(e.boundingRect()));
    EXPECT_EQ(e.boundingRect().width(), 100);
    EXPECT_TRUE(PtInRegion(e, 50, 25));
    EXPECT_FALSE(PtInRegion(e, 1, 1));  // corners are outside an ellipse

    const QRegion rr = CreateRoundRectRgn(0, 0, 100, 100, 45, 45);
    EXPECT_TRUE(PtInRegion(rr, 50, 0));
    EXPECT_TRUE(PtInRegion(rr, 0, 50));
    EXPECT_FALSE(PtInRegion(rr, 0, 0));
    EXPECT_TRUE(PtInRegion(rr, 20, 20));
    EXPECT_EQ(CreateRoundRectRgn(0, 0, 10, 10, 0, 0), CreateRectRgn(0, 0, 10, 10));
}

TEST(Regions, CombineModes)
{
    const QRegion big = CreateRectRgn(0, 0, 2000, 2000);
    const QRegion hole = CreateRectRgn(304, 177, 521, 224);
    QRegion out;
    EXPECT_EQ(CombineRgn(out, big, hole, RGN_DIFF), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(out, 304, 177));
    EXPECT_TRUE(PtInRegion(out, 303, 177));
    EXPECT_TRUE(PtInRegion(out, 1999, 1999));
    EXPECT_EQ(CombineRgn(out, big, hole, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(out, hole);
    EXPECT_EQ(CombineRgn(out, big, hole, RGN_OR), SIMPLEREGION);
    EXPECT_EQ(out, big);
    EXPECT_EQ(CombineRgn(out, big, hole, RGN_COPY), SIMPLEREGION);
    EXPECT_EQ(out, big);  // a copy takes the first operand
    // XOR of the difference with the hole puts the hole back.
    QRegion cut;
    CombineRgn(cut, big, hole, RGN_DIFF);
    EXPECT_EQ(CombineRgn(out, cut, hole, RGN_XOR), SIMPLEREGION);
    EXPECT_EQ(out, big);
    QRegion untouched = hole;
    EXPECT_EQ(CombineRgn(untouched, big, big, 9), RGN_ERROR);
    EXPECT_EQ(untouched, hole);
    EXPECT_EQ(CombineRgn(out, hole, hole, RGN_DIFF), NULLREGION);
}

TEST(Regions, BitmapRegionEqualsTheUnionOfItsPixels)
{
    Bitmap b = test::Filled(9, 7, clWhite);
    DeviceContext dc(&b);
    dc.SelectPen(SolidPen(clBlack));
    dc.SelectBrush(SolidBrush(clRed));
    dc.Ellipse(0, 0, 9, 7);
    b.SetPixel(8, 0, TColor(0xFEFFFF));  // not exactly white: part of the shape
    QRegion united;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != 0xFFFFFF)
                united = united.united(QRect(x, y, 1, 1));
    const QRegion fast = RegionFromBitmap(b, 0xFFFFFF);
    EXPECT_FALSE(fast.isEmpty());
    EXPECT_EQ(fast, united);
    EXPECT_TRUE(fast.xored(united).isEmpty());
    EXPECT_TRUE(PtInRegion(fast, 8, 0));
    EXPECT_TRUE(RegionFromBitmap(test::Filled(3, 3, clWhite), 0xFFFFFF).isEmpty());
    EXPECT_TRUE(RegionFromBitmap(Bitmap(), 0xFFFFFF).isEmpty());
}

}  // namespace
