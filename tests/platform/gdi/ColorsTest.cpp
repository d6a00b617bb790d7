#include "platform/gdi/Colors.h"
#include "support/ClassicColors.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace {

TEST(Colors, ValuesFollowTheColourLayout)
{
    EXPECT_EQ(std::uint32_t(clBtnFace), 0x8000000Fu);
    EXPECT_EQ(std::uint32_t(clBtnHighlight), 0x80000014u);
    EXPECT_EQ(std::uint32_t(clBtnShadow), 0x80000010u);
    EXPECT_EQ(clRed, 0x0000FF);  // red in the low byte
    EXPECT_EQ(clNavy, 0x800000);
    EXPECT_EQ(clGray, 8421504);
    EXPECT_EQ(clDefault, 0x20000000);
    EXPECT_TRUE(gdi::IsSystemColor(clWindowFrame));
    EXPECT_FALSE(gdi::IsSystemColor(clDefault));
    EXPECT_EQ(gdi::RGB(240, 20, 100), 0x6414F0u);
    EXPECT_EQ(gdi::GetBValue(gdi::RGB(1, 2, 3)), 3);
}

TEST(Colors, ColorToRgbResolvesSystemColoursThroughTheClassicPalette)
{
    gdi::ScopedClassicColors classic;
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
    EXPECT_EQ(ColorToRGB(clBtnShadow), 0x808080);
    EXPECT_EQ(ColorToRGB(clInfoBk), std::int32_t(gdi::RGB(255, 255, 225)));
    EXPECT_EQ(ColorToRGB(clNavy), clNavy);
    // Values that are no system colour pass unchanged, as the platform's conversion leaves them.
    EXPECT_EQ(ColorToRGB(clDefault), clDefault);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    // Only the low byte of a system colour value picks the entry.
    EXPECT_EQ(ColorToRGB(TColor(0x80000F0F)), ColorToRGB(clBtnFace));
}

TEST(Colors, SystemColoursFollowTheApplicationPalette)
{
    const QPalette original = QGuiApplication::palette();
    QPalette p = original;
    p.setColor(QPalette::Button, QColor(10, 20, 30));
    p.setColor(QPalette::Active, QPalette::Text, QColor(1, 2, 3));
    QGuiApplication::setPalette(p);
    EXPECT_EQ(ColorToRGB(clBtnFace), std::int32_t(gdi::RGB(10, 20, 30)));
    EXPECT_EQ(ColorToRGB(clWindowText), std::int32_t(gdi::RGB(1, 2, 3)));
    {
        gdi::ScopedClassicColors classic;
        EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
    }
    EXPECT_EQ(ColorToRGB(clBtnFace), std::int32_t(gdi::RGB(10, 20, 30)));
    QGuiApplication::setPalette(original);
}

TEST(Colors, NamesRoundTripAndUnnamedValuesBecomeDecimal)
{
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(clSkyBlue), "clSkyBlue");
    EXPECT_EQ(ColorToString(clSilver), "clSilver");  // the alias clLtGray is read, never written
    EXPECT_EQ(ColorToString(8294290), "8294290");
    EXPECT_EQ(ColorToString(TColor(0x80000019)), "-2147483623");
    for (TColor c : {clBlack, clMoneyGreen, clCream, clMedGray, clNone, clDefault, cl3DDkShadow, clInfoBk,
                     clWindowFrame, clHighlight, clGrayText, clMenuBar})
        EXPECT_EQ(IdentToColor(ColorToString(c)), c) << ColorToString(c);
    EXPECT_EQ(IdentToColor("clLtGray"), clSilver);
    EXPECT_EQ(IdentToColor("CLBTNFACE"), clBtnFace);
    EXPECT_EQ(IdentToColor("clNoSuchColour"), std::nullopt);
    EXPECT_EQ(ColorToIdent(12345), std::nullopt);
}

}  // namespace
