#include "Pixels.h"
#include "RasterOps.h"
#include "platform/gdi/DeviceContext.h"
#include "support/ClassicColors.h"

#include <gtest/gtest.h>
#include <set>

// A namespace of its own: its legend and row reader share their names with other picture tests
// compiled in the same batch.
namespace device_context_test {

using namespace gdi;
using namespace gdi::test;
using test::Column;
using test::Filled;
using test::InkBounds;

const std::map<ColorRef, char> kLegend = {
    {0xFFFFFF, '.'}, {0x000000, '#'}, {0x0000FF, 'r'}, {0x00FF00, 'g'},
    {0xFF0000, 'b'}, {0xC0C0C0, 'f'}, {0x808080, 's'},
};

std::string Row(const Bitmap& b, int y) { return test::Row(b, y, kLegend); }
std::string Col(const Bitmap& b, int x) { return Column(b, x, kLegend); }

class DeviceContextTest : public ::testing::Test {
protected:
    ScopedClassicColors FClassic;
};

TEST_F(DeviceContextTest, LinesLeaveOutTheirEndPoint)
{
    Bitmap b = Filled(8, 8, clWhite);
    DeviceContext dc(&b);
    dc.SelectPen(SolidPen(clBlack));
    dc.MoveTo(1, 1);
    EXPECT_TRUE(dc.LineTo(5, 1));
    EXPECT_EQ(dc.GetCurrentPosition(), QPoint(5, 1));
    EXPECT_EQ(Row(b, 1), ".####...");
    dc.LineTo(5, 6);  // starts with the end point that the first line left out
    EXPECT_EQ(Col(b, 5), ".#####..");
    dc.SelectPen(SolidPen(clRed));
    dc.MoveTo(6, 7);
    dc.LineTo(2, 7);  // right to left: the start pixel is drawn, the end one is not
    EXPECT_EQ(Row(b, 7), "...rrrr.");
    dc.MoveTo(0, 0);
    dc.LineTo(0, 0);  // a line to its own start draws nothing
    EXPECT_EQ(Row(b, 0), "........");
}

TEST_F(DeviceContextTest, DiagonalsAndClearPensAndNegativeStarts)
{
    Bitmap b = Filled(5, 5, clWhite);
    DeviceContext dc(&b);
    dc.SelectPen(SolidPen(clBlack));
    dc.MoveTo(0, 0);
    dc.LineTo(4, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(b.Pixel(i, i), 0x000000u) << i;
    EXPECT_EQ(b.Pixel(4, 4), 0xFFFFFFu);

    dc.SelectPen({PenStyle::Clear, 1, 0});
    dc.MoveTo(0, 2);
    dc.LineTo(5, 2);
    EXPECT_EQ(Row(b, 2), "..#..");
    EXPECT_EQ(dc.GetCurrentPosition(), QPoint(5, 2));

    // Lines may start outside the bitmap: only what lies inside is drawn.
    dc.SelectPen(SolidPen(clRed));
    dc.MoveTo(-2, 3);
    dc.LineTo(4, 3);
    EXPECT_EQ(Row(b, 3), "rrrr.");
}

TEST_F(DeviceContextTest, RectanglesLeaveOutTheRightColumnAndBottomRow)
{
    Bitmap b = Filled(7, 6, clWhite);
    DeviceContext dc(&b);
    dc.FillRect({1, 1, 4, 3}, SolidBrush(clRed));
    EXPECT_EQ(Row(b, 1), ".rrr...");
    EXPECT_EQ(Row(b, 2), ".rrr...");
    EXPECT_EQ(Row(b, 3), ".......");
    dc.FillRect({5, 5, 5, 6}, SolidBrush(clRed));  // empty: nothing
    dc.FillRect({1, 1, 6, 6}, HollowBrush());       // hollow: nothing
    EXPECT_EQ(Row(b, 5), ".......");

    Bitmap f = Filled(7, 6, clWhite);
    DeviceContext fdc(&f);
    fdc.FrameRect({1, 1, 6, 5}, SolidBrush(clBtnShadow));  // a system colour, resolved now
    EXPECT_EQ(Row(f, 0), ".......");
    EXPECT_EQ(Row(f, 1), ".sssss.");
    EXPECT_EQ(Row(f, 2), ".s...s.");
    EXPECT_EQ(Row(f, 4), ".sssss.");
    EXPECT_EQ(Row(f, 5), ".......");

    Bitmap r = Filled(7, 6, clWhite);
    DeviceContext rdc(&r);
    rdc.SelectPen(SolidPen(clBlack));
    rdc.SelectBrush(SolidBrush(clRed));
    rdc.Rectangle(1, 1, 6, 5);
    EXPECT_EQ(Row(r, 1), ".#####.");
    EXPECT_EQ(Row(r, 2), ".#rrr#.");
    EXPECT_EQ(Row(r, 4), ".#####.");
    // Without a pen the platform fills one pixel less on the right and at the bottom.
    rdc.SelectPen({PenStyle::Clear, 1, 0});
    rdc.SelectBrush(SolidBrush(clLime));
    rdc.Rectangle(0, 0, 3, 3);
    EXPECT_EQ(Row(r, 0), "gg.....");
    EXPECT_EQ(Row(r, 1), "gg####.");
    EXPECT_EQ(Row(r, 2), ".#rrr#.");
}

TEST_F(DeviceContextTest, FiguresStayInsideTheirBox)
{
    Bitmap e = Filled(12, 10, clWhite);
    DeviceContext edc(&e);
    edc.SelectPen(SolidPen(clBlack));
    edc.SelectBrush(SolidBrush(clRed));
    edc.Ellipse(1, 1, 10, 8);
    EXPECT_EQ(InkBounds(e, 0xFFFFFF), QRect(1, 1, 9, 7));
    EXPECT_EQ(e.Pixel(5, 4), 0x0000FFu);  // filled with the brush
    EXPECT_EQ(e.Pixel(1, 1), 0xFFFFFFu);  // the corner is outside
    edc.SelectBrush(HollowBrush());
    edc.Ellipse(1, 1, 10, 8);  // a hollow brush leaves the inside as it was
    EXPECT_EQ(e.Pixel(5, 4), 0x0000FFu);

    // Rounded corners of no size draw exactly what Rectangle draws.
    Bitmap a = Filled(8, 7, clWhite);
    Bitmap b = Filled(8, 7, clWhite);
    DeviceContext adc(&a);
    DeviceContext bdc(&b);
    for (DeviceContext* dc : {&adc, &bdc}) {
        dc->SelectPen(SolidPen(clBlack));
        dc->SelectBrush(SolidBrush(clLime));
    }
    adc.Rectangle(1, 1, 7, 6);
    bdc.RoundRect(1, 1, 7, 6, 0, 0);
    EXPECT_EQ(a.Image(), b.Image());
    Bitmap r = Filled(30, 30, clWhite);
    DeviceContext rdc(&r);
    rdc.SelectPen(SolidPen(clBlack));
    rdc.SelectBrush(HollowBrush());
    rdc.RoundRect(2, 2, 28, 28, 12, 12);
    EXPECT_EQ(InkBounds(r, 0xFFFFFF), QRect(2, 2, 26, 26));
    EXPECT_EQ(r.Pixel(2, 2), 0xFFFFFFu);   // rounded away
    EXPECT_EQ(r.Pixel(15, 2), 0x000000u);  // straight part of the top edge
    EXPECT_EQ(r.Pixel(15, 15), 0xFFFFFFu);
}

TEST_F(DeviceContextTest, FocusRectInvertsEveryOtherEdgePixelAndUndoesItself)
{
    Bitmap b = Filled(8, 6, clWhite);
    DeviceContext dc(&b);
    dc.FillRect({0, 3, 8, 6}, SolidBrush(clBlack));
    dc.DrawFocusRect({1, 1, 7, 6});
    EXPECT_EQ(Row(b, 0), "........");
    EXPECT_EQ(Row(b, 1), ".#.#.#..");  // the dots sit where x + y is even
    EXPECT_EQ(Row(b, 2), "......#.");
    EXPECT_EQ(Row(b, 3), "#.######");  // black inverts to white
    EXPECT_EQ(Row(b, 4), "######.#");
    EXPECT_EQ(Row(b, 5), "#.#.#.##");  // bottom row y = 5: x = 1, 3, 5 inverted
    dc.DrawFocusRect({1, 1, 7, 6});
    EXPECT_EQ(Row(b, 1), "........");
    EXPECT_EQ(Row(b, 3), "########");
    EXPECT_EQ(Row(b, 5), "########");
}

TEST_F(DeviceContextTest, ViewportOriginClipAndSaveRestore)
{
    Bitmap b = Filled(8, 4, clWhite);
    DeviceContext dc(&b);
    const int level = dc.SaveDC();
    EXPECT_EQ(level, 1);
    dc.SetViewportOrg(2, 1);
    EXPECT_EQ(dc.IntersectClipRect({0, 0, 3, 2}), SIMPLEREGION);  // device (2,1)-(5,3)
    dc.SetViewportOrg(0, 0);  // moving the origin later leaves the clip where it was
    dc.FillRect({0, 0, 8, 4}, SolidBrush(clRed));
    EXPECT_EQ(Row(b, 0), "........");
    EXPECT_EQ(Row(b, 1), "..rrr...");
    EXPECT_EQ(Row(b, 2), "..rrr...");
    EXPECT_EQ(Row(b, 3), "........");
    dc.SetTextColor(clRed);
    EXPECT_TRUE(dc.RestoreDC(-1));
    EXPECT_EQ(dc.GetTextColor(), 0x000000u);
    EXPECT_FALSE(dc.RestoreDC(-1));  // nothing left to restore
}

TEST_F(DeviceContextTest, RestoreToANumberedLevelDropsTheLevelsAbove)
{
    Bitmap b(2, 2);
    DeviceContext dc(&b);
    dc.SetBkMode(TRANSPARENT);
    dc.SaveDC();  // 1: transparent
    dc.SetBkMode(OPAQUE);
    dc.SelectBrush(SolidBrush(clRed));
    dc.SaveDC();  // 2
    dc.SaveDC();  // 3
    dc.SetViewportOrg(5, 5);
    EXPECT_TRUE(dc.RestoreDC(1));
    EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
    EXPECT_EQ(dc.GetBrush().color, 0xFFFFFFu);
    EXPECT_EQ(dc.GetViewportOrg(), QPoint(0, 0));
    EXPECT_FALSE(dc.RestoreDC(2));
    EXPECT_EQ(dc.SetBkMode(7), TRANSPARENT);  // unknown modes are refused
    EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
}

TEST_F(DeviceContextTest, RasterOperationsCombineSourceDestinationAndBrush)
{
    Bitmap src = Filled(1, 1, TColor(0x00F0F0F0));
    DeviceContext sdc(&src);
    struct Case {
        RasterOp rop;
        ColorRef expected;
    };
    const ColorRef dst = 0x3C3C3C;
    const ColorRef brush = 0x0F0F0F;
    for (const Case& c : {Case{SRCCOPY, 0xF0F0F0}, Case{SRCAND, 0x303030}, Case{SRCPAINT, 0xFCFCFC},
                          Case{SRCINVERT, 0xCCCCCC}, Case{NOTSRCCOPY, 0x0F0F0F}, Case{PATCOPY, brush},
                          Case{DSTINVERT, 0xC3C3C3}, Case{BLACKNESS, 0x000000}, Case{WHITENESS, 0xFFFFFF},
                          Case{MERGECOPY, 0x000000}, Case{SRCERASE, 0xC0C0C0}}) {
        Bitmap d = Filled(1, 1, TColor(dst));
        DeviceContext ddc(&d);
        ddc.SelectBrush({BrushStyle::Solid, brush});
        ddc.BitBlt(0, 0, 1, 1, sdc, 0, 0, c.rop);
        EXPECT_EQ(d.Pixel(0, 0), c.expected) << std::hex << c.rop;
    }
    // Where the mask is 1 the brush is written, elsewhere the destination stays.
    Bitmap mask(2, 1, PixelFormat::Monochrome);
    mask.SetPixel(0, 0, clWhite);
    mask.SetPixel(1, 0, clBlack);
    DeviceContext mdc(&mask);
    Bitmap d = Filled(2, 1, clRed);
    DeviceContext ddc(&d);
    ddc.SelectBrush(SolidBrush(clLime));
    ddc.SetTextColor(clBlack);
    ddc.SetBkColor(clWhite);
    ddc.BitBlt(0, 0, 2, 1, mdc, 0, 0, 0x00E20746);
    EXPECT_EQ(Row(d, 0), "gr");
}

TEST_F(DeviceContextTest, MonochromeTransfersFollowTheBackgroundColourRule)
{
    // Colour to monochrome: the source context's background colour becomes 1, all else 0.
    Bitmap colour = Filled(4, 1, clRed);
    colour.SetPixel(1, 0, clBlue);
    colour.SetPixel(2, 0, TColor(0x0000FE));  // one step off the background colour
    colour.SetPixel(3, 0, clWhite);
    DeviceContext cdc(&colour);
    cdc.SetBkColor(clRed);
    Bitmap mono(4, 1, PixelFormat::Monochrome);
    DeviceContext mdc(&mono);
    EXPECT_EQ(mdc.BitsPerPixel(), 1);
    mdc.BitBlt(0, 0, 4, 1, cdc, 0, 0, SRCCOPY);
    EXPECT_EQ(Row(mono, 0), ".###");

    // Monochrome to colour: 1 becomes the destination's background colour, 0 its text colour.
    Bitmap out = Filled(4, 1, clWhite);
    DeviceContext odc(&out);
    odc.SetBkColor(clLime);
    odc.SetTextColor(clBlue);
    odc.BitBlt(0, 0, 4, 1, mdc, 0, 0, SRCCOPY);
    EXPECT_EQ(Row(out, 0), "gbbb");

    // Colours drawn on a monochrome bitmap become black or white.
    mdc.FillRect({0, 0, 2, 1}, SolidBrush(clSilver));
    mdc.FillRect({2, 0, 4, 1}, SolidBrush(clNavy));
    EXPECT_EQ(Row(mono, 0), "..##");
}

TEST_F(DeviceContextTest, BlocksMayOverlapAndMayReachOutsideTheSource)
{
    Bitmap b = Filled(6, 1, clWhite);
    b.SetPixel(0, 0, clRed);
    b.SetPixel(1, 0, clBlue);
    DeviceContext dc(&b);
    dc.BitBlt(1, 0, 5, 1, dc, 0, 0, SRCCOPY);  // shift right within one bitmap
    EXPECT_EQ(Row(b, 0), "rrb...");
    Bitmap small = Filled(2, 1, clLime);
    DeviceContext sdc(&small);
    dc.SetViewportOrg(1, 0);
    dc.BitBlt(2, 0, 5, 1, sdc, 0, 0, SRCCOPY);  // only the 2 pixels the source has
    EXPECT_EQ(Row(b, 0), "rrbgg.");
    dc.DrawBitmap(-2, 0, small);  // logical -2 is device -1: one pixel shows
    EXPECT_EQ(Row(b, 0), "grbgg.");
}

TEST_F(DeviceContextTest, StretchRepeatsPixels)
{
    Bitmap src = Filled(2, 1, clRed);
    src.SetPixel(1, 0, clBlue);
    Bitmap d = Filled(4, 2, clWhite);
    DeviceContext ddc(&d);
    ddc.StretchDrawBitmap({0, 0, 4, 2}, src);
    EXPECT_EQ(Row(d, 0), "rrbb");
    EXPECT_EQ(Row(d, 1), "rrbb");
    Bitmap f = Filled(6, 1, clWhite);
    DeviceContext fdc(&f);
    fdc.StretchDrawBitmap({1, 0, 5, 1}, src);
    EXPECT_EQ(Row(f, 0), ".rrbb.");
}

TEST_F(DeviceContextTest, TextCellStartsAtTheOriginAndOpaqueModeFillsIt)
{
    Bitmap b = Filled(80, 30, clWhite);
    DeviceContext dc(&b);
    dc.SetBkColor(clLime);
    dc.SetTextColor(clBlack);
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    const QSize extent = dc.GetTextExtentPoint(u"Hy");
    EXPECT_EQ(extent.height(), dc.GetTextMetrics().height);
    dc.TextOut(5, 7, u"Hy");
    // The whole cell is the background colour or ink; nothing outside it is touched.
    EXPECT_EQ(InkBounds(b, 0xFFFFFF), QRect(5, 7, extent.width(), extent.height()));
    std::set<ColorRef> colours;
    for (int y = 7; y < 7 + extent.height(); ++y)
        for (int x = 5; x < 5 + extent.width(); ++x)
            colours.insert(b.Pixel(x, y));
    // No anti-aliasing: exactly the two colours, so masks built from text stay exact.
    EXPECT_EQ(colours, (std::set<ColorRef>{0x000000, 0x00FF00}));
}

TEST_F(DeviceContextTest, TransparentTextMovesWithItsOrigin)
{
    Bitmap a = Filled(60, 30, clWhite);
    Bitmap b = Filled(60, 30, clWhite);
    DeviceContext adc(&a);
    DeviceContext bdc(&b);
    adc.SetBkMode(TRANSPARENT);
    bdc.SetBkMode(TRANSPARENT);
    adc.TextOut(2, 1, u"Жук");
    bdc.SetViewportOrg(1, 3);
    bdc.TextOut(4, 2, u"Жук");
    const QRect inkA = InkBounds(a, 0xFFFFFF);
    ASSERT_FALSE(inkA.isEmpty());
    EXPECT_EQ(InkBounds(b, 0xFFFFFF), inkA.translated(3, 4));
    // The cell's top is the origin: the ink starts below it and ends inside the cell.
    const TextMetrics tm = adc.GetTextMetrics();
    EXPECT_GE(inkA.top(), 1);
    EXPECT_LT(inkA.bottom(), 1 + tm.height);
    EXPECT_GE(inkA.left(), 2);
}

TEST_F(DeviceContextTest, ClippedTextStaysInsideItsRectangleAndOpaqueOptionFillsIt)
{
    Bitmap b = Filled(60, 30, clWhite);
    DeviceContext dc(&b);
    dc.SetBkMode(TRANSPARENT);
    dc.SetBkColor(clLime);
    const Rect clip{4, 4, 12, 20};
    dc.ExtTextOut(2, 2, ETO_CLIPPED | ETO_OPAQUE, &clip, u"WWWWWW");
    EXPECT_EQ(InkBounds(b, 0xFFFFFF), clip.ToQRect());
    bool hasInk = false;
    for (int y = clip.top; y < clip.bottom; ++y)
        for (int x = clip.left; x < clip.right; ++x)
            hasInk = hasInk || b.Pixel(x, y) == 0x000000;
    EXPECT_TRUE(hasInk);
    // The clip of the call does not outlive it.
    dc.FillRect({0, 0, 1, 1}, SolidBrush(clRed));
    EXPECT_EQ(b.Pixel(0, 0), 0x0000FFu);
}

TEST_F(DeviceContextTest, DrawTextMeasuresAndWrapsBetweenWords)
{
    Bitmap b = Filled(200, 100, clWhite);
    DeviceContext dc(&b);
    const int lineHeight = dc.GetTextMetrics().height;
    const QSize one = dc.GetTextExtentPoint(u"alpha beta");

    Rect r{0, 0, 1000, 0};
    EXPECT_EQ(dc.DrawText(u"alpha beta", r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX), lineHeight);
    EXPECT_EQ(r, (Rect{0, 0, one.width(), lineHeight}));

    const int alpha = dc.GetTextExtentPoint(u"alpha").width();
    const int gamma = dc.GetTextExtentPoint(u"gamma").width();
    r = {10, 5, 10 + alpha + 2, 5};
    EXPECT_EQ(dc.DrawText(u"alpha beta gamma", r, DT_CALCRECT | DT_WORDBREAK), 3 * lineHeight);
    EXPECT_EQ(r.bottom, 5 + 3 * lineHeight);
    EXPECT_EQ(r.right, 10 + std::max(alpha, gamma));

    // A word wider than the rectangle stays whole and widens the measured rectangle.
    r = {0, 0, 5, 0};
    dc.DrawText(u"incomprehensibilities", r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(r.right, dc.GetTextExtentPoint(u"incomprehensibilities").width());
    EXPECT_EQ(r.bottom, lineHeight);

    // Line breaks in the text start new lines unless the text is one line.
    r = {0, 0, 1000, 0};
    EXPECT_EQ(dc.DrawText(u"a\r\nb\nc", r, DT_CALCRECT), 3 * lineHeight);
    r = {0, 0, 1000, 0};
    EXPECT_EQ(dc.DrawText(u"", r, DT_CALCRECT | DT_WORDBREAK), 0);
    EXPECT_EQ(r, (Rect{0, 0, 0, 0}));
    // Measuring draws nothing.
    EXPECT_TRUE(InkBounds(b, 0xFFFFFF).isEmpty());
}

TEST_F(DeviceContextTest, DrawTextPlacesWrappedLinesFromTheTopAndAligns)
{
    Bitmap b = Filled(120, 60, clWhite);
    DeviceContext dc(&b);
    dc.SetBkMode(TRANSPARENT);
    const int lineHeight = dc.GetTextMetrics().height;
    const int width = dc.GetTextExtentPoint(u"MMMM").width();
    Rect r{20, 1, 20 + width, 60};
    dc.DrawText(u"MMMM MMMM", r, DT_WORDBREAK);
    const QRect ink = InkBounds(b, 0xFFFFFF);
    EXPECT_GE(ink.left(), 20);
    EXPECT_LT(ink.right(), 20 + width);
    EXPECT_GE(ink.top(), 1);  // the first line starts at the top of the rectangle
    EXPECT_LT(ink.top(), 1 + lineHeight / 2);
    EXPECT_GE(ink.bottom(), 1 + lineHeight);   // second line drawn
    EXPECT_LT(ink.bottom(), 1 + 2 * lineHeight);

    Bitmap c = Filled(120, 20, clWhite);
    DeviceContext cdc(&c);
    cdc.SetBkColor(clLime);
    const int w = cdc.GetTextExtentPoint(u"OK").width();
    Rect centred{0, 0, 120, 20};
    cdc.DrawText(u"OK", centred, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(InkBounds(c, 0xFFFFFF), QRect((120 - w) / 2, (20 - lineHeight) / 2, w, lineHeight));
}

TEST_F(DeviceContextTest, AmpersandsUnderlineTheNextCharacter)
{
    Bitmap plain = Filled(80, 20, clWhite);
    Bitmap prefixed = Filled(80, 20, clWhite);
    DeviceContext pdc(&plain);
    DeviceContext xdc(&prefixed);
    Rect r{0, 0, 80, 20};
    pdc.DrawText(u"Help", r, DT_SINGLELINE);
    Rect r2 = r;
    xdc.DrawText(u"&Help", r2, DT_SINGLELINE);
    Rect measured = r;
    EXPECT_EQ(xdc.DrawText(u"&Help", measured, DT_CALCRECT | DT_SINGLELINE), xdc.GetTextMetrics().height);
    EXPECT_EQ(measured.right, xdc.GetTextExtentPoint(u"Help").width());
    // Same text, plus an underline under "H" only.
    const int hWidth = xdc.GetTextExtentPoint(u"H").width();
    int differing = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            if (plain.Pixel(x, y) != prefixed.Pixel(x, y)) {
                ++differing;
                EXPECT_LT(x, hWidth);
            }
    EXPECT_GT(differing, 0);

    Bitmap literal = Filled(80, 20, clWhite);
    DeviceContext ldc(&literal);
    Rect r3{0, 0, 80, 20};
    Rect m3 = r3;
    ldc.DrawText(u"A&&B", m3, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(m3.right, ldc.GetTextExtentPoint(u"A&B").width());
    Rect m4 = r3;
    ldc.DrawText(u"A&&B", m4, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(m4.right, ldc.GetTextExtentPoint(u"A&&B").width());
}

TEST_F(DeviceContextTest, RotatedTextRunsUpwardsFromItsOrigin)
{
    Bitmap b = Filled(40, 120, clWhite);
    DeviceContext dc(&b);
    dc.SetBkMode(TRANSPARENT);
    LogFont lf;
    lf.escapement = 900;
    dc.SelectFont(Font(lf));
    dc.TextOut(5, 110, u"Rotated text");
    const QRect ink = InkBounds(b, 0xFFFFFF);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.height(), 2 * ink.width());
    EXPECT_LE(ink.bottom(), 110);
    EXPECT_GE(ink.left(), 5);
}

TEST_F(DeviceContextTest, DepthAndContextsWithoutABitmap)
{
    Bitmap b(4, 4);
    DeviceContext dc(&b);
    EXPECT_EQ(dc.BitsPerPixel(), 32);
    b.SetFormat(PixelFormat::Monochrome); // the context tells its bitmap's depth as it is now
    EXPECT_EQ(dc.BitsPerPixel(), 1);
    b.SetFormat(PixelFormat::Device);

    DeviceContext memory;
    EXPECT_EQ(memory.BitsPerPixel(), 32);
    EXPECT_FALSE(memory.FillRect({0, 0, 1, 1}, SolidBrush(clRed)));
    EXPECT_FALSE(memory.TextOut(0, 0, u"x"));
    EXPECT_FALSE(b.IsEmpty());
    EXPECT_EQ(memory.SelectBitmap(&b), nullptr);
    EXPECT_TRUE(memory.FillRect({0, 0, 1, 1}, SolidBrush(clRed)));
    EXPECT_EQ(b.Pixel(0, 0), 0x0000FFu);
}

TEST_F(DeviceContextTest, TwoContextsOnOneBitmapTakeTurns)
{
    Bitmap b = Filled(4, 1, clWhite);
    DeviceContext one(&b);
    DeviceContext two(&b);
    one.FillRect({0, 0, 1, 1}, SolidBrush(clRed));
    two.FillRect({1, 0, 2, 1}, SolidBrush(clLime));
    one.FillRect({2, 0, 3, 1}, SolidBrush(clBlue));
    two.TextOut(10, 0, u"x");  // outside: nothing shows
    one.FillRect({3, 0, 4, 1}, SolidBrush(clBlack));
    EXPECT_EQ(Row(b, 0), "rgb#");
    const Bitmap copy(b);  // a copy taken while contexts are selected has all drawing
    EXPECT_EQ(Row(copy, 0), "rgb#");
}

TEST_F(DeviceContextTest, ABitmapDestroyedFirstLeavesItsContextDrawingOnNothing)
{
    DeviceContext dc;
    {
        Bitmap b(3, 3);
        dc.SelectBitmap(&b);
        dc.FillRect({0, 0, 3, 3}, SolidBrush(clRed));
    }
    EXPECT_EQ(dc.SelectedBitmap(), nullptr);
    EXPECT_FALSE(dc.FillRect({0, 0, 3, 3}, SolidBrush(clRed)));
}

}  // namespace device_context_test
