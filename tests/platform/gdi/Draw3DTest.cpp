#include "Pixels.h"
#include "platform/gdi/Draw3D.h"
#include "support/ClassicColors.h"

#include <gtest/gtest.h>

// A namespace of its own: its legend and row reader share their names with other picture tests
// compiled in the same batch.
namespace draw3d_test {

using namespace gdi;
using test::Filled;

// Classic table: highlight white, light DFDFDF, face C0C0C0, shadow 808080, dark shadow black.
const std::map<ColorRef, char> kLegend = {
    {0xFFFFFF, 'h'}, {0xDFDFDF, 'l'}, {0xC0C0C0, 'f'}, {0x808080, 's'},
    {0x000000, 'd'}, {0x0000FF, 'r'}, {0x00FF00, 'g'},
};

std::string Row(const Bitmap& b, int y) { return test::Row(b, y, kLegend); }

class Draw3DTest : public ::testing::Test {
protected:
    ScopedClassicColors FClassic;
};

TEST_F(Draw3DTest, RaisedButtonFace)
{
    Bitmap b = Filled(7, 6, clRed);
    DeviceContext dc(&b);
    const Rect inside = DrawButtonFace(dc, {0, 0, 7, 6}, false);
    EXPECT_EQ(inside, (Rect{2, 2, 5, 4}));
    // The top-left lines stop one short of the far corners, which the bottom-right lines own.
    EXPECT_EQ(Row(b, 0), "hhhhhhd");
    EXPECT_EQ(Row(b, 1), "hllllsd");
    EXPECT_EQ(Row(b, 2), "hlfffsd");
    EXPECT_EQ(Row(b, 3), "hlfffsd");
    EXPECT_EQ(Row(b, 4), "hsssssd");
    EXPECT_EQ(Row(b, 5), "ddddddd");
}

TEST_F(Draw3DTest, PushedFaceIsAShadowOutlineRoundTheFace)
{
    Bitmap b = Filled(5, 4, clRed);
    DeviceContext dc(&b);
    EXPECT_EQ(DrawButtonFace(dc, {0, 0, 5, 4}, true), (Rect{1, 1, 4, 3}));
    EXPECT_EQ(Row(b, 0), "sssss");
    EXPECT_EQ(Row(b, 1), "sfffs");
    EXPECT_EQ(Row(b, 3), "sssss");
}

TEST_F(Draw3DTest, SunkenEdgeAndOriginAndClip)
{
    Bitmap b = Filled(6, 5, clRed);
    DeviceContext dc(&b);
    dc.SetViewportOrg(1, 0);
    dc.IntersectClipRect({-1, 0, 4, 5});  // device columns 0..4
    EXPECT_EQ(DrawEdge(dc, {0, 0, 5, 5}, EDGE_SUNKEN), (Rect{2, 2, 3, 3}));
    EXPECT_EQ(Row(b, 0), "rssssr");  // column 5 (the right edge) is clipped away
    EXPECT_EQ(Row(b, 1), "rsddlr");
    EXPECT_EQ(Row(b, 2), "rsdrlr");  // the edge leaves the inside alone
    EXPECT_EQ(Row(b, 3), "rslllr");
    EXPECT_EQ(Row(b, 4), "rhhhhr");
}

TEST_F(Draw3DTest, FocusRectangleFromTheFreeFunction)
{
    Bitmap b = Filled(4, 4, clWhite);
    DeviceContext dc(&b);
    EXPECT_TRUE(DrawFocusRect(dc, {0, 0, 4, 4}));
    EXPECT_EQ(b.Pixel(0, 0), 0x000000u);
    EXPECT_EQ(b.Pixel(1, 0), 0xFFFFFFu);
}

TEST_F(Draw3DTest, TransparentGlyphLeavesItsTransparentColourOut)
{
    Bitmap glyph = Filled(3, 2, clLime);  // lime is the transparent colour (bottom-left)
    glyph.SetPixel(1, 0, clBlack);
    glyph.SetPixel(2, 0, clWhite);
    EXPECT_EQ(glyph.BottomLeftPixel(), 0x00FF00u);
    Bitmap b = Filled(5, 3, clRed);
    DeviceContext dc(&b);
    dc.SetViewportOrg(1, 0);
    DrawTransparentBitmap(dc, 0, 1, glyph, glyph.BottomLeftPixel());
    EXPECT_EQ(Row(b, 0), "rrrrr");
    EXPECT_EQ(Row(b, 1), "rrdhr");
    EXPECT_EQ(Row(b, 2), "rrrrr");
}

TEST_F(Draw3DTest, DisabledGlyphEmbossesTheDarkPixels)
{
    Bitmap glyph = Filled(4, 3, clLime);
    glyph.SetPixel(1, 0, clBlack);
    glyph.SetPixel(2, 0, clWhite);  // light pixels drop out of the disabled look
    glyph.SetPixel(1, 1, clNavy);
    const Bitmap disabled = CreateDisabledGlyph(glyph, 0x00FF00);
    EXPECT_EQ(Row(disabled, 0), "gsgg");
    EXPECT_EQ(Row(disabled, 1), "gshg");  // the highlight lies one pixel down and right
    EXPECT_EQ(Row(disabled, 2), "gghg");
}

}  // namespace draw3d_test
