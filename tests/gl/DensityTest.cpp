// The decorative controls on a screen of twice the density (a scale factor of 2):
// their text is drawn with the screen's finer pixels, as sharp as Qt's own widgets, while their
// lines, bevels and places stay those of normal density, each pixel made two by two.
#include "gl/glBitBtn.h"
#include "gl/glHShape.h"
#include "gl/glHint.h"
#include "gl/glLabel.h"

#include "GlTestSupport.h"
#include "toolkit/StdCtrls.h"
#include "support/Density.h"
#include "support/ClassicColors.h"
#include "support/Rgb.h"
#include "support/Eventually.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using testsupport::HasDetailFinerThanDoubledPixels;

constexpr int kRatio = 2;
// Read when the application object is made, which is after every namespace-scope constant.
const bool onDenseScreen = qputenv("QT_SCALE_FACTOR", QByteArray::number(kRatio));

// What the widget shows, in image pixels.
QImage DensePicture(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Whether every image pixel of one logical pixel of the picture has the colour.
bool LogicalPixelIs(const QImage& picture, QPoint logical, TColor colour)
{
    for (int dy = 0; dy < kRatio; ++dy)
        for (int dx = 0; dx < kRatio; ++dx)
            if (picture.pixel(logical * kRatio + QPoint(dx, dy)) != RgbOf(colour))
                return false;
    return true;
}

class DenseScreen : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(onDenseScreen);
        ASSERT_EQ(qApp->devicePixelRatio(), kRatio);
        form.SetClientWidth(400);
        form.SetClientHeight(250);
    }

    void ShowForm()
    {
        form.Show();
        ASSERT_EVENTUALLY_EXPOSED(&form);
    }

    gdi::ScopedClassicColors classic;
    TForm form{nullptr};
};

TEST_F(DenseScreen, EffectLabelsDrawTheirLettersWithTheFinerPixels)
{
    const std::vector<std::pair<const char*, std::function<void(TglLabel*)>>> looks = {
        {"raised", [](TglLabel*) {}},
        {"gradient",
         [](TglLabel* label) {
             label->Gradient()->SetFromColor(clNavy);
             label->Gradient()->SetToColor(clRed);
             label->Gradient()->SetActive(true);
         }},
        {"see-through letters", [](TglLabel* label) { label->SetOptions(floTransparentFont); }},
        {"outlined, buffered", [](TglLabel* label) { label->SetOptions(floDelineatedText | floBufferedDraw); }},
        {"opaque", [](TglLabel* label) { label->SetTransparent(false); }},
    };
    ShowForm();
    int top = 0;
    for (const auto& [what, look] : looks) {
        TglLabel* label = gltest::NewLabel(form, QStringLiteral("Clan Vexal"), 10, top);
        look(label);
        label->grab();  // sizes itself
        const QImage picture = DensePicture(label);
        EXPECT_EQ(picture.size(), QSize(label->Width(), label->Height()) * kRatio) << what;
        EXPECT_TRUE(HasDetailFinerThanDoubledPixels(picture)) << what;
        top += 40;
    }
}

TEST_F(DenseScreen, AHoverButtonHasAFineCaptionAndItsFlatEdgesAtTheirPlaces)
{
    // The focus goes to the edit, so that the button shows its flat look at rest.
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 50, 100, 21);
    auto* button = new TglBitBtn(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 125, 21);
    button->SetCaption(QStringLiteral("Найти реплеи"));
    ShowForm();
    ASSERT_FALSE(button->Focused());
    const QImage picture = DensePicture(button);
    EXPECT_TRUE(HasDetailFinerThanDoubledPixels(picture));
    // At rest: the single shadow line one pixel inside the bottom and right edges, the outer
    // edge in the parent's colour.
    EXPECT_TRUE(LogicalPixelIs(picture, QPoint(60, 19), clBtnShadow));
    EXPECT_TRUE(LogicalPixelIs(picture, QPoint(123, 10), clBtnShadow));
    EXPECT_TRUE(LogicalPixelIs(picture, QPoint(60, 20), clBtnFace));
}

TEST_F(DenseScreen, TheStyledHintHasAFineTextAndStaysOnTheScreen)
{
    TglHintWindow window(nullptr);
    const QString hint = QStringLiteral("Replays directory");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const TRect measured = window.CalcHintRect(screen.width(), hint);
    window.ActivateHint(measured.Translated(screen.right() - 10, screen.bottom() - 5), hint);
    ASSERT_EVENTUALLY_EXPOSED(&window);
    EXPECT_TRUE(screen.contains(window.frameGeometry()));
    EXPECT_EQ(window.frameGeometry().bottomRight(), screen.bottomRight());

    const QImage picture = DensePicture(&window);
    const QRect text = GlHintTextRect(window.ClientRect()).ToQRect();
    EXPECT_TRUE(HasDetailFinerThanDoubledPixels(picture.copy(QRect(text.topLeft() * kRatio, text.size() * kRatio))));
    EXPECT_TRUE(LogicalPixelIs(picture, QPoint(window.Width() - 1, 5), clBlack));  // the frame
}

TEST_F(DenseScreen, TheHoleShapesBevelLiesAlongTheHoleLineByLine)
{
    form.SetBorderStyle(bsDialog);
    auto* shape = new TglHoleShape(&form);
    shape->SetParent(&form);
    shape->SetBounds(10, 10, 40, 30);
    ShowForm();
    const QImage picture = DensePicture(shape);
    EXPECT_TRUE(LogicalPixelIs(picture, QPoint(20, 0), clBtnShadow));
    EXPECT_TRUE(LogicalPixelIs(picture, QPoint(20, 1), cl3DDkShadow));
    EXPECT_TRUE(LogicalPixelIs(picture, QPoint(0, 15), clBtnShadow));
    EXPECT_TRUE(LogicalPixelIs(picture, QPoint(1, 15), cl3DDkShadow));
    // The hole begins just inside the bevel, in logical pixels whatever the density.
    EXPECT_FALSE(form.mask().contains(QPoint(12, 20)));
    EXPECT_TRUE(form.mask().contains(QPoint(11, 20)));
}

}  // namespace
