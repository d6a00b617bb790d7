// The drawing routines: the exact calls gradient and effect text make (through a device
// context that writes them down), the colour swap's pixels, the copy of what lies under a
// windowless control, the rotated font and the automatic colours.
#include "gl/glUTILS.h"

#include "GlTestSupport.h"
#include "RecordingDC.h"

#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "support/ClassicColors.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

using gltest::RecordingDC;
using gltest::TSwatch;
using Calls = std::vector<std::string>;

// Strip i of a gradient from RGB(0, 100, 200) to RGB(200, 0, 200) over a span of 20: the
// steps (10, -5, 0) are exact in single precision, so strip i is RGB(10 i, 100 - 5 i, 200).
std::string StripColour(int i)
{
    return gltest::Hex(gdi::RGB(10 * i, 100 - 5 * i, 200));
}

class GradientText : public testing::Test {
protected:
    void SetUp() override
    {
        gradient.SetFromColor(TColor(gdi::RGB(0, 100, 200)));
        gradient.SetToColor(TColor(gdi::RGB(200, 0, 200)));
        gradient.SetActive(true);
        dc.SetTextColor(clNavy);
        dc.calls.clear();
    }

    // The calls of one GradientTextOut at (3, 4) in a 50 x 20 rectangle.
    Calls Run(const TRect& clip = Rect(0, 0, 50, 20))
    {
        gradient.GradientTextOut(dc, QStringLiteral("Ab"), clip, 3, 4);
        return dc.calls;
    }

    static Calls Strips(int count, bool columns, int width = 50, int height = 20)
    {
        Calls calls{"SetTextColor #000000"};
        for (int i = 0; i < count; ++i) {
            calls.push_back("SetTextColor " + StripColour(i));
            const TRect strip = columns ? Rect(i, 0, i + 1, height) : Rect(0, i, width, i + 1);
            calls.push_back("ExtTextOut 3,4 clip " + gltest::RectText(strip) + " 'Ab' " + StripColour(i));
        }
        calls.push_back("SetTextColor #000080");
        return calls;
    }

    gdi::Bitmap surface{60, 30};
    RecordingDC dc{&surface};
    TGradient gradient;
};

TEST_F(GradientText, FullFillingDrawsSpanPlusOneStripsCountedFromRowZero)
{
    EXPECT_EQ(Run(), Strips(21, false));
}

TEST_F(GradientText, HalfFillingDrawsTheFirstHalfAndNoFillingStillDrawsStripZero)
{
    gradient.SetPercentFilling(50);
    EXPECT_EQ(Run(), Strips(11, false));
    dc.calls.clear();
    gradient.SetPercentFilling(0);
    EXPECT_EQ(Run(), Strips(1, false));
}

TEST_F(GradientText, AFillingOutsideAPercentageDrawsAsTheNearerEnd)
{
    gradient.SetPercentFilling(150);
    EXPECT_EQ(Run(), Strips(21, false));
    dc.calls.clear();
    gradient.SetPercentFilling(-40);
    EXPECT_EQ(Run(), Strips(1, false));
}

TEST_F(GradientText, VerticalRunsAcrossColumnsAndEveryOtherOrientationAcrossRows)
{
    // Over a span of 40 columns the steps are halved: use a 20-wide rectangle instead.
    gradient.SetOrientation(fgdVertical);
    EXPECT_EQ(Run(Rect(0, 0, 20, 30)), Strips(21, true, 20, 30));
    for (TglGradientDir other : {fgdLeftBias, fgdRightBias, fgdRectangle, fgdHorzConvergent, fgdVertConvergent}) {
        dc.calls.clear();
        gradient.SetOrientation(other);
        EXPECT_EQ(Run(), Strips(21, false)) << int(other);
    }
}

TEST_F(GradientText, WithoutTheGradientOrOnAShallowDeviceTheTextIsPlainAndUnclipped)
{
    dc.bitsPerPixel = 8;
    EXPECT_EQ(Run(), (Calls{"TextOut 3,4 'Ab' #000080"}));
    dc.bitsPerPixel = 16;
    dc.calls.clear();
    EXPECT_EQ(Run().size(), Strips(21, false).size());
    dc.calls.clear();
    gradient.SetActive(false);
    EXPECT_EQ(Run(), (Calls{"TextOut 3,4 'Ab' #000080"}));
}

TEST_F(GradientText, AnEmptySpanDrawsStripZeroInTheFromColourAndAnInvertedOneNothing)
{
    EXPECT_EQ(Run(Rect(0, 5, 50, 5)), (Calls{"SetTextColor #000000", "SetTextColor " + StripColour(0),
                                              "ExtTextOut 3,4 clip 0,0,50,1 'Ab' " + StripColour(0),
                                              "SetTextColor #000080"}));
    dc.calls.clear();
    gradient.SetPercentFilling(0);  // even a filling of 0 draws nothing on an inverted span
    EXPECT_TRUE(Run(Rect(0, 9, 50, 5)).empty());
}

TEST_F(GradientText, TheStripsColourTheTextFromTopToBottom)
{
    dc.SetBkMode(gdi::TRANSPARENT);
    gdi::Font font(gdi::LogFont{.height = -16, .weight = gdi::FW_BOLD, .faceName = QStringLiteral("Arial")});
    dc.SelectFont(font);
    gradient.GradientTextOut(dc, QStringLiteral("HH"), Rect(0, 0, 60, 20), 0, 0);
    // Every inked pixel of row r has the colour of strip r.
    int inked = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            if (surface.Pixel(x, y) != 0xFFFFFF) {
                EXPECT_EQ(gltest::Hex(surface.Pixel(x, y)), StripColour(y)) << x << "," << y;
                ++inked;
            }
    EXPECT_GT(inked, 50);
}

// ---------------------------------------------------------------- DrawEffectText

class EffectText : public testing::Test {
protected:
    // The text outputs of one DrawEffectText at (10, 20): highlight white, shadow grey,
    // text black, delineation red.
    Calls Texts(TglTextStyle style, bool delineated, bool faceOnly, const TIllumination* illumination,
                const TCustomGradient* gradient = nullptr)
    {
        RecordingDC dc(&surface);
        DrawEffectText(dc, 10, 20, clip, QStringLiteral("T"), style, delineated, faceOnly, clBlack, clRed, clWhite,
                       clGray, illumination, gradient, &font);
        return dc.Texts();
    }

    static std::string At(int x, int y, TColor colour)
    {
        return std::to_string(x) + "," + std::to_string(y) + " clip 0,0,80,40 'T' " +
               gltest::Hex(gdi::ColorRef(colour));
    }

    gdi::Bitmap surface{80, 40};
    TRect clip = Rect(0, 0, 80, 40);
    gdi::Font font;
    TIllumination illumination;
};

TEST_F(EffectText, RaisedAndRecessedDrawTwoLayersAtTheEffectOffsetThenTheFaceOnePixelIn)
{
    EXPECT_EQ(Texts(fstRaised, false, false, &illumination),
              (Calls{At(10, 20, clWhite), At(12, 22, clGray), At(11, 21, clBlack)}));
    EXPECT_EQ(Texts(fstRecessed, false, false, &illumination),
              (Calls{At(10, 20, clGray), At(12, 22, clWhite), At(11, 21, clBlack)}));
    // With the outline the layers lie 4 apart, the outline around the face.
    EXPECT_EQ(Texts(fstRaised, true, false, &illumination),
              (Calls{At(10, 20, clWhite), At(14, 24, clGray), At(11, 21, clRed), At(13, 23, clRed), At(11, 23, clRed),
                     At(13, 21, clRed), At(12, 22, clBlack)}));
}

TEST_F(EffectText, PushedDrawsTwoCopiesAndNoFaceWhateverFaceOnlySays)
{
    const Calls pushed{"11,21 clip 0,0,80,40 'T' #FFFFFF", At(10, 20, clGray)};
    EXPECT_EQ(Texts(fstPushed, false, false, &illumination), pushed);
    EXPECT_EQ(Texts(fstPushed, false, true, &illumination), pushed);
    EXPECT_EQ(Texts(fstPushed, true, false, &illumination), pushed);
}

TEST_F(EffectText, ShadowLiesBeyondTheOffsetByTheDepth)
{
    EXPECT_EQ(Texts(fstShadow, false, false, &illumination), (Calls{At(12, 22, clGray), At(10, 20, clBlack)}));
    // With the outline: shadow at 1 + depth, the outline around the origin, the face 1 in.
    EXPECT_EQ(Texts(fstShadow, true, false, &illumination),
              (Calls{At(13, 23, clGray), At(10, 20, clRed), At(12, 22, clRed), At(10, 22, clRed), At(12, 20, clRed),
                     At(11, 21, clBlack)}));
    illumination.SetShadowDepth(5);
    EXPECT_EQ(Texts(fstShadow, false, false, &illumination), (Calls{At(15, 25, clGray), At(10, 20, clBlack)}));
}

TEST_F(EffectText, VolumetricDrawsOneShadowCopyPerPixelOfDepth)
{
    illumination.SetShadowDepth(3);
    EXPECT_EQ(Texts(fstVolumetric, false, false, &illumination),
              (Calls{At(11, 21, clGray), At(12, 22, clGray), At(13, 23, clGray), At(10, 20, clBlack)}));
    illumination.SetShadowDepth(0);
    EXPECT_EQ(Texts(fstVolumetric, false, false, &illumination), (Calls{At(10, 20, clBlack)}));
    // Without an illumination object the depth is 2.
    EXPECT_EQ(Texts(fstVolumetric, false, false, nullptr),
              (Calls{At(11, 21, clGray), At(12, 22, clGray), At(10, 20, clBlack)}));
}

TEST_F(EffectText, NoneDrawsTheFaceAloneAndFaceOnlyLeavesOutLayersAndOutline)
{
    EXPECT_EQ(Texts(fstNone, false, false, &illumination), (Calls{At(10, 20, clBlack)}));
    EXPECT_EQ(Texts(fstRaised, false, true, &illumination), (Calls{At(11, 21, clBlack)}));
    EXPECT_EQ(Texts(fstRaised, true, true, &illumination), (Calls{At(12, 22, clBlack)}));
    EXPECT_EQ(Texts(fstShadow, true, true, &illumination), (Calls{At(11, 21, clBlack)}));
    EXPECT_EQ(Texts(TglTextStyle(42), false, false, &illumination), (Calls{At(10, 20, clBlack)}));
}

TEST_F(EffectText, TheFaceGoesThroughTheGradient)
{
    TGradient gradient;
    gradient.SetActive(true);
    const Calls texts = Texts(fstRaised, false, false, &illumination, &gradient);
    ASSERT_EQ(texts.size(), 2u + 41u);  // two layers, then strips 0..40 of the 40-row clip
    EXPECT_EQ(texts[2], "11,21 clip 0,0,80,1 'T' #808080");
    gradient.SetActive(false);  // inactive: plain and unclipped, in the text colour
    EXPECT_EQ(Texts(fstRaised, false, false, &illumination, &gradient).back(), "11,21 'T' #000000");
}

TEST_F(EffectText, WithoutAFontNothingIsDrawnAndTheContextIsLeftAsFound)
{
    RecordingDC dc(&surface);
    DrawEffectText(dc, 0, 0, clip, QStringLiteral("T"), fstRaised, true, false, clBlack, clRed, clWhite, clGray,
                   nullptr, nullptr, nullptr);
    EXPECT_TRUE(dc.calls.empty());

    const gdi::Font before(gdi::LogFont{.height = -30});
    dc.SelectFont(before);
    dc.SetBkMode(gdi::OPAQUE);
    DrawEffectText(dc, 0, 0, clip, QStringLiteral("T"), fstRaised, true, false, clBlack, clRed, clWhite, clGray,
                   nullptr, nullptr, &font);
    EXPECT_EQ(dc.GetFont(), before);
    EXPECT_EQ(dc.GetBkMode(), gdi::OPAQUE);
}

TEST_F(EffectText, TheFaceOffsetNamesWhereTheFaceIsDrawn)
{
    for (TglTextStyle style : {fstNone, fstRaised, fstRecessed, fstShadow, fstVolumetric})
        for (bool delineated : {false, true}) {
            const int a = GlFaceOffset(style, delineated);
            EXPECT_EQ(Texts(style, delineated, true, &illumination), (Calls{At(10 + a, 20 + a, clBlack)}))
                << int(style) << " " << delineated;
        }
}

// ---------------------------------------------------------------- ReplaceColor

TEST(ReplaceColor, OnlyPixelsOfExactlyTheOldColourChange)
{
    gdi::ScopedClassicColors classic;
    TBitmap bitmap;
    bitmap.SetSize(6, 1);
    const TColor old = TColor(gdi::RGB(10, 20, 30));
    const TColor near[] = {TColor(gdi::RGB(11, 20, 30)), TColor(gdi::RGB(10, 21, 30)), TColor(gdi::RGB(10, 20, 31)),
                           clBlack, clWhite};
    bitmap.Handle().SetPixel(0, 0, old);
    for (int i = 0; i < 5; ++i)
        bitmap.Handle().SetPixel(i + 1, 0, near[i]);
    ReplaceColor(&bitmap, old, clBtnFace);
    EXPECT_EQ(bitmap.Handle().Pixel(0, 0), gdi::ColorRef(ColorToRGB(clBtnFace)));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(bitmap.Handle().Pixel(i + 1, 0), gdi::ColorRef(near[i])) << i;
    EXPECT_EQ(bitmap.Canvas()->Brush()->Color(), clBtnFace);

    ReplaceColor(&bitmap, clWhite, clBlack);  // white, the mask's own "1", is no special case
    EXPECT_EQ(bitmap.Handle().Pixel(5, 0), 0u);
}

TEST(ReplaceColor, ABitmapWithoutPixelsIsLeftAlone)
{
    TBitmap empty;
    ReplaceColor(&empty, clBlack, clRed);
    EXPECT_TRUE(empty.Empty());
}

// ---------------------------------------------------------------- CopyParentBackground

class ParentBackground : public testing::Test {
protected:
    void SetUp() override
    {
        form.SetColor(clNavy);
        form.SetClientWidth(200);
        form.SetClientHeight(100);
    }

    TSwatch* Swatch(TColor colour, int left, int top, int width, int height)
    {
        auto* swatch = new TSwatch(&form, colour);
        swatch->SetParent(&form);
        swatch->SetBounds(left, top, width, height);
        return swatch;
    }

    gdi::ScopedClassicColors classic;
    TForm form{nullptr};
};

TEST_F(ParentBackground, TheParentThenTheWindowlessSiblingsBelowEachAtItsPlaceAndClip)
{
    TSwatch* below = Swatch(clRed, 5, 5, 20, 10);
    auto* windowed = new TButton(&form);
    windowed->SetParent(&form);
    windowed->SetBounds(0, 0, 60, 60);
    Swatch(clLime, 150, 80, 10, 10);  // below, but elsewhere
    TSwatch* hidden = Swatch(clAqua, 10, 10, 5, 5);
    hidden->SetVisible(false);
    TSwatch* control = Swatch(clYellow, 10, 8, 30, 20);
    Swatch(clFuchsia, 12, 10, 5, 5);  // above: never copied

    gdi::Bitmap buffer(30, 20);
    RecordingDC dc(&buffer);
    CopyParentBackground(control, control->BoundsRect(), dc);
    const Calls expected{
        "SaveDC",
        "SetViewportOrg -10,-8",
        "IntersectClipRect 0,0,40,28",
        "FillRect 0,0,200,100 #000080",  // the parent's own picture
        "RestoreDC -1",
        "SaveDC",
        "SetViewportOrg -5,-3",
        "IntersectClipRect 0,0,20,10",
        "SelectBrush #FF0000",
        "FillRect 0,0,20,10 #FF0000",
        "RestoreDC -1",
    };
    std::vector<std::string> calls = dc.calls;
    // The canvas of the swatch selects its brush and colours before filling; keep the
    // calls the copy itself makes and the fills.
    std::erase_if(calls, [](const std::string& c) { return c.rfind("SetBk", 0) == 0; });
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(buffer.Pixel(20, 15), gdi::RGB(0, 0, 0x80));
    EXPECT_EQ(buffer.Pixel(0, 0), gdi::RGB(255, 0, 0));
    // The lower right corner of the control below, (24, 14) on the form, and just past it.
    EXPECT_EQ(buffer.Pixel(below->Left() + below->Width() - 1 - 10, below->Top() + below->Height() - 1 - 8),
              gdi::RGB(255, 0, 0));
    EXPECT_EQ(buffer.Pixel(15, 7), gdi::RGB(0, 0, 0x80));
}

TEST_F(ParentBackground, TheFirstControlCopiesOnlyItsParentAndAnOrphanNothing)
{
    TSwatch* first = Swatch(clYellow, 0, 0, 10, 10);
    Swatch(clRed, 0, 0, 10, 10);
    gdi::Bitmap buffer(10, 10);
    RecordingDC dc(&buffer);
    CopyParentBackground(first, first->BoundsRect(), dc);
    EXPECT_EQ(std::count(dc.calls.begin(), dc.calls.end(), "SaveDC"), 1);
    EXPECT_EQ(buffer.Pixel(5, 5), gdi::RGB(0, 0, 0x80));

    TSwatch orphan(nullptr, clRed);
    dc.calls.clear();
    CopyParentBackground(&orphan, orphan.BoundsRect(), dc);
    EXPECT_TRUE(dc.calls.empty());
}

// ---------------------------------------------------------------- fonts and colours

TEST(RotatedFont, TheDescriptionTakesTheFontAndTheEscapementAndItsWeightFromBoldAlone)
{
    TFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetHeight(-21);
    font.SetStyle(fsBold | fsUnderline);
    font.SetCharset(RUSSIAN_CHARSET);
    font.SetPitch(fpVariable);
    const gdi::LogFont lf = CreateRotatedFont(&font, -900).Description();
    EXPECT_EQ(lf.height, -21);
    EXPECT_EQ(lf.width, 0);
    EXPECT_EQ(lf.escapement, -900);
    EXPECT_EQ(lf.orientation, 0);
    EXPECT_EQ(lf.weight, 700);
    EXPECT_FALSE(lf.italic);
    EXPECT_TRUE(lf.underline);
    EXPECT_FALSE(lf.strikeOut);
    EXPECT_EQ(lf.charSet, 204);
    EXPECT_EQ(lf.pitchAndFamily, 2);
    EXPECT_EQ(lf.faceName, QStringLiteral("Arial"));

    font.SetStyle(fsItalic | fsStrikeOut);
    font.SetPitch(fpFixed);
    const gdi::LogFont plain = CreateRotatedFont(&font, 0).Description();
    EXPECT_EQ(plain.weight, 400);
    EXPECT_TRUE(plain.italic);
    EXPECT_TRUE(plain.strikeOut);
    EXPECT_EQ(plain.pitchAndFamily, 1);

    EXPECT_EQ(GlLabelEscapement(fldLeftRight), 0);
    EXPECT_EQ(GlLabelEscapement(fldRightLeft), -1800);
    EXPECT_EQ(GlLabelEscapement(fldUpDown), -900);
    EXPECT_EQ(GlLabelEscapement(fldDownUp), 900);
}

TEST(AutoColors, HighlightAndShadowAreTheBaseShiftedAndClampedWithoutOnChange)
{
    gdi::ScopedClassicColors classic;
    TglLabelColors colors;
    int changes = 0;
    colors.OnChange = TNotifyEvent::FromFunction([&](TObject*) { ++changes; });
    DeriveAutoColors(TColor(gdi::RGB(192, 192, 192)), &colors);
    EXPECT_EQ(colors.Highlight(), clBtnHighlight);  // both off: nothing
    EXPECT_EQ(colors.Shadow(), clBtnShadow);

    colors.SetAutoHighlight(true);
    colors.SetAutoShadow(true);
    changes = 0;
    DeriveAutoColors(TColor(gdi::RGB(192, 192, 192)), &colors);
    EXPECT_EQ(colors.Highlight(), TColor(gdi::RGB(232, 232, 232)));
    EXPECT_EQ(colors.Shadow(), TColor(gdi::RGB(132, 132, 132)));
    DeriveAutoColors(TColor(gdi::RGB(240, 20, 100)), &colors);
    EXPECT_EQ(colors.Highlight(), TColor(gdi::RGB(255, 60, 140)));
    EXPECT_EQ(colors.Shadow(), TColor(gdi::RGB(180, 0, 40)));
    EXPECT_EQ(changes, 0);

    DeriveAutoColors(clBtnFace, &colors);  // a system colour as it is now
    const gdi::ColorRef face = gdi::ClassicSystemColors()[gdi::COLOR_BTNFACE];
    EXPECT_EQ(colors.Highlight(), TColor(gdi::RGB(std::min(gdi::GetRValue(face) + 40, 255),
                                                  std::min(gdi::GetGValue(face) + 40, 255),
                                                  std::min(gdi::GetBValue(face) + 40, 255))));

    // A negative shift passing the other end keeps the low 8 bits.
    colors.SetColorHighlightShift(-300);
    colors.SetColorShadowShift(-100);
    DeriveAutoColors(TColor(gdi::RGB(192, 10, 255)), &colors);
    EXPECT_EQ(colors.Highlight(), TColor(gdi::RGB((192 - 300) & 0xFF, (10 - 300) & 0xFF, (255 - 300) & 0xFF)));
    EXPECT_EQ(colors.Shadow(), TColor(gdi::RGB((192 + 100) & 0xFF, 110, (255 + 100) & 0xFF)));
}

TEST(HasGraphic, OnlyAGraphicWithBothSidesCounts)
{
    EXPECT_FALSE(HasGraphic(nullptr));
    TBitmap bitmap;
    EXPECT_FALSE(HasGraphic(&bitmap));
    bitmap.SetSize(5, 0);
    EXPECT_FALSE(HasGraphic(&bitmap));
    bitmap.SetSize(0, 5);
    EXPECT_FALSE(HasGraphic(&bitmap));
    bitmap.SetSize(1, 1);
    EXPECT_TRUE(HasGraphic(&bitmap));
}

}  // namespace
