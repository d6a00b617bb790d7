#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Font.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <gtest/gtest.h>

namespace {

using namespace gdi;

TEST(Fonts, PointsAndHeightsConvertAtNinetySixDpi)
{
    EXPECT_EQ(HeightFromPoints(8), -11);
    EXPECT_EQ(HeightFromPoints(10), -13);
    EXPECT_EQ(HeightFromPoints(12), -16);
    EXPECT_EQ(PointsFromHeight(-11), 8);
    EXPECT_EQ(PointsFromHeight(-16), 12);
    EXPECT_EQ(HeightFromPoints(0), 0);
}

TEST(Fonts, ClassicFacesResolveToInstalledFacesWithCyrillic)
{
    const QString sans = ResolvedFamily(QStringLiteral("MS Sans Serif"));
    EXPECT_TRUE(sans == QLatin1String("Liberation Sans") || sans == QLatin1String("DejaVu Sans")) << sans.toStdString();
    EXPECT_EQ(ResolvedFamily(QStringLiteral("Arial")), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(ResolvedFamily(QStringLiteral("No Such Face")), QStringLiteral("No Such Face"));

    for (const char* face : {"MS Sans Serif", "Arial"}) {
        LogFont lf;
        lf.faceName = QString::fromLatin1(face);
        lf.charSet = RUSSIAN_CHARSET;
        const Font f(lf);
        EXPECT_EQ(QFontInfo(f.ToQFont()).family(), ResolvedFamily(lf.faceName)) << face;
        const QFontMetrics fm(f.ToQFont());
        for (QChar c : QStringLiteral("Дубликатов: реплея удаленно"))
            EXPECT_TRUE(fm.inFont(c)) << face;
    }
}

TEST(Fonts, RegisteredSubstitutesApplyToFontsMadeAfterwards)
{
    LogFont lf;
    lf.faceName = QStringLiteral("Classic Serif Face");
    const Font before(lf);
    EXPECT_NE(QFontInfo(before.ToQFont()).family(), QStringLiteral("Liberation Serif"));
    RegisterFontSubstitute(lf.faceName, {QStringLiteral("No Such Family"), QStringLiteral("Liberation Serif")});
    EXPECT_EQ(ResolvedFamily(lf.faceName), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(QFontInfo(Font(lf).ToQFont()).family(), QStringLiteral("Liberation Serif"));
}

TEST(Fonts, TheDefaultFormFontHasClassicMetrics)
{
    const Font f;  // "MS Sans Serif", height -11
    EXPECT_EQ(f.Description().height, kDefaultFontHeight);
    EXPECT_EQ(f.PixelSize(), 11);
    const TextMetrics& tm = f.Metrics();
    // The classic face: a 13-pixel cell, ascent 11, average width 5; stay within a pixel.
    EXPECT_NEAR(tm.height, 13, 1);
    EXPECT_NEAR(tm.ascent, 11, 1);
    EXPECT_NEAR(tm.aveCharWidth, 5, 1);
    EXPECT_EQ(tm.height, tm.ascent + tm.descent);
    EXPECT_EQ(tm.internalLeading, tm.height - 11);
    EXPECT_TRUE(f.ToQFont().styleStrategy() & QFont::NoAntialias);
}

TEST(Fonts, PositiveHeightIsTheWholeCell)
{
    for (int cell : {13, 16, 24, 40}) {
        LogFont lf;
        lf.faceName = QStringLiteral("Arial");
        lf.height = cell;
        const Font f(lf);
        EXPECT_LE(f.Metrics().height, cell);
        EXPECT_GE(f.Metrics().height, cell - 1);
        EXPECT_LT(f.PixelSize(), cell);
    }
}

TEST(Fonts, StyleWeightAndWidthReachTheQtFont)
{
    LogFont lf;
    lf.weight = FW_BOLD;
    lf.italic = true;
    lf.underline = true;
    lf.strikeOut = true;
    const Font f(lf);
    EXPECT_EQ(f.ToQFont().weight(), QFont::Bold);
    EXPECT_TRUE(f.ToQFont().italic());
    EXPECT_TRUE(f.ToQFont().underline());
    EXPECT_TRUE(f.ToQFont().strikeOut());
    EXPECT_EQ(Font(LogFont{}).ToQFont().weight(), QFont::Normal);
    LogFont wide;
    wide.width = 2 * Font().Metrics().aveCharWidth;
    EXPECT_GT(Font(wide).ToQFont().stretch(), 150);
    EXPECT_EQ(Font(wide), Font(wide));
    EXPECT_FALSE(Font(wide) == Font());
}

TEST(Fonts, MetricsDoNotDependOnTheDevicesResolution)
{
    const Font f;
    QImage lowDpi(10, 10, QImage::Format_RGB32);
    QImage highDpi(10, 10, QImage::Format_RGB32);
    constexpr int kDotsPerMeterAt96 = 3780;
    lowDpi.setDotsPerMeterY(kDotsPerMeterAt96);
    lowDpi.setDotsPerMeterX(kDotsPerMeterAt96);
    highDpi.setDotsPerMeterY(2 * kDotsPerMeterAt96);
    highDpi.setDotsPerMeterX(2 * kDotsPerMeterAt96);
    const QFontMetrics low(f.ToQFont(), &lowDpi);
    const QFontMetrics high(f.ToQFont(), &highDpi);
    EXPECT_EQ(low.ascent() + low.descent(), high.ascent() + high.descent());
    EXPECT_EQ(low.horizontalAdvance(QStringLiteral("Replays directory")),
              high.horizontalAdvance(QStringLiteral("Replays directory")));
    EXPECT_EQ(low.ascent() + low.descent(), f.Metrics().height);
}

}  // namespace
