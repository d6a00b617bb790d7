#include "gl/glBitBtn.h"

#include "GlTestSupport.h"

#include "toolkit/Application.h"
#include "toolkit/FormReader.h"
#include "support/ClassicColors.h"
#include "support/Rgb.h"
#include "support/Eventually.h"

#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using gltest::Enter;
using gltest::Leave;
using gltest::Picture;

constexpr int kWidth = 125;
constexpr int kHeight = 21;

// A hover button beside a plain bitmap button of the same size and caption, on one form.
class HoverButton : public testing::Test {
protected:
    void SetUp() override
    {
        form.SetClientWidth(300);
        form.SetClientHeight(60);
        hover = new TglBitBtn(&form);
        hover->SetParent(&form);
        hover->SetBounds(5, 5, kWidth, kHeight);
        hover->SetCaption(QStringLiteral("Найти реплеи"));
        plain = new TBitBtn(&form);
        plain->SetParent(&form);
        plain->SetBounds(150, 5, kWidth, kHeight);
        plain->SetCaption(hover->Caption());
    }

    static void Key(QWidget* widget, QEvent::Type type)
    {
        QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(widget, &key);
    }

    gdi::ScopedClassicColors classic;
    TForm form{nullptr};
    TglBitBtn* hover = nullptr;
    TBitBtn* plain = nullptr;
};

TEST(GlBitBtnTouchUp, TheBaseDrawingStandsUnderThePointerAndWhileHeldDown)
{
    const TRect client = Rect(0, 0, kWidth, kHeight);
    EXPECT_EQ(GlBitBtnTouchUp(client, true, false, false).kind, TglTouchUp::Kind::None);
    EXPECT_EQ(GlBitBtnTouchUp(client, false, true, true).kind, TglTouchUp::Kind::None);
    EXPECT_EQ(GlBitBtnTouchUp(client, true, true, false).kind, TglTouchUp::Kind::None);

    const TglTouchUp framed = GlBitBtnTouchUp(client, false, false, true);
    EXPECT_EQ(framed.kind, TglTouchUp::Kind::FaceFrame);
    EXPECT_EQ(framed.frame, Rect(2, 2, kWidth - 2, kHeight - 2));
}

TEST(GlBitBtnTouchUp, AtRestThreePensHideTheBevel)
{
    const TglTouchUp flat = GlBitBtnTouchUp(Rect(0, 0, 10, 8), false, false, false);
    ASSERT_EQ(flat.kind, TglTouchUp::Kind::FlatLines);
    using C = TglTouchUpColor;
    const std::array<TglTouchUpLine, 6> expected = {{
        {C::Face, TPoint(1, 1), TPoint(9, 1)},
        {C::Face, TPoint(1, 1), TPoint(1, 7)},
        {C::ParentBackground, TPoint(0, 7), TPoint(10, 7)},
        {C::ParentBackground, TPoint(9, 0), TPoint(9, 8)},
        {C::Shadow, TPoint(-2, 6), TPoint(9, 6)},
        {C::Shadow, TPoint(8, 0), TPoint(8, 7)},
    }};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(flat.lines[i].color, expected[i].color) << "line " << i;
        EXPECT_EQ(flat.lines[i].from, expected[i].from) << "line " << i;
        EXPECT_EQ(flat.lines[i].to, expected[i].to) << "line " << i;
    }
}

TEST_F(HoverButton, AtRestTheBevelIsGoneAndOneShadowLineRemains)
{
    const QImage p = Picture(hover);
    const QRgb face = RgbOf(clBtnFace);
    const QRgb shadow = RgbOf(clBtnShadow);
    EXPECT_EQ(p.pixel(5, 1), face);                      // inner light edge, top
    EXPECT_EQ(p.pixel(1, 5), face);                      // inner light edge, left
    EXPECT_EQ(p.pixel(5, kHeight - 1), face);            // outer dark edge: the parent's colour
    EXPECT_EQ(p.pixel(kWidth - 1, 5), face);
    EXPECT_EQ(p.pixel(5, kHeight - 2), shadow);          // the one shadow line
    EXPECT_EQ(p.pixel(kWidth - 2, 5), shadow);
    EXPECT_EQ(p.pixel(0, kHeight - 2), shadow);          // it starts left of the button
    EXPECT_EQ(p.pixel(kWidth - 2, 0), shadow);           // and at its top
    EXPECT_EQ(p.pixel(0, 5), RgbOf(clBtnHighlight));     // the outer light edge stays
    EXPECT_EQ(p.pixel(5, 0), RgbOf(clBtnHighlight));
    // The plain button keeps its bevel.
    const QImage base = Picture(plain);
    EXPECT_EQ(base.pixel(5, 1), RgbOf(cl3DLight));
    EXPECT_EQ(base.pixel(5, kHeight - 1), RgbOf(cl3DDkShadow));
    // Every redraw gets the touch-up again.
    hover->Invalidate();
    EXPECT_EQ(Picture(hover), p);
}

TEST_F(HoverButton, UnderThePointerTheFullFaceShowsAndLeavingFlattensItAgain)
{
    const QImage flat = Picture(hover);
    Enter(hover);
    EXPECT_TRUE(hover->MouseOver());
    EXPECT_EQ(Picture(hover), Picture(plain));
    Leave(hover);
    EXPECT_FALSE(hover->MouseOver());
    EXPECT_EQ(Picture(hover), flat);
}

TEST_F(HoverButton, PressedFromTheKeyboardShowsThePressedFaceWhereverThePointerIs)
{
    Key(hover, QEvent::KeyPress);
    Key(plain, QEvent::KeyPress);
    ASSERT_TRUE(hover->Pressed());
    const QImage pressed = Picture(hover);
    EXPECT_EQ(pressed, Picture(plain));
    EXPECT_EQ(pressed.pixel(0, 5), RgbOf(clBtnShadow));          // the flat face's outline
    EXPECT_EQ(pressed.pixel(5, kHeight - 1), RgbOf(clBtnShadow));
    Key(hover, QEvent::KeyRelease);
    Key(plain, QEvent::KeyRelease);
    EXPECT_FALSE(hover->Pressed());
}

TEST_F(HoverButton, ADefaultButtonAtRestKeepsItsFrameButLosesTheInnerBevel)
{
    hover->SetDefault(true);
    plain->SetDefault(true);
    const QImage p = Picture(hover);
    const QImage base = Picture(plain);
    const QRgb face = RgbOf(clBtnFace);
    EXPECT_EQ(p.pixel(5, 0), RgbOf(clWindowFrame)); // the active button's frame
    EXPECT_EQ(p.pixel(5, 1), RgbOf(clBtnHighlight));
    EXPECT_EQ(p.pixel(5, kHeight - 2), RgbOf(cl3DDkShadow));
    for (const QPoint at : {QPoint(5, 2), QPoint(2, 5), QPoint(5, kHeight - 3), QPoint(kWidth - 3, 5)})
        EXPECT_EQ(p.pixel(at), face) << at.x() << "," << at.y();
    EXPECT_EQ(base.pixel(5, 2), RgbOf(cl3DLight));
    EXPECT_EQ(base.pixel(5, kHeight - 3), RgbOf(clBtnShadow));
    // Only those four lines differ from the plain button.
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool onFrame = (x == 2 || x == kWidth - 3 || y == 2 || y == kHeight - 3) && x >= 2
                && x <= kWidth - 3 && y >= 2 && y <= kHeight - 3;
            if (!onFrame) {
                ASSERT_EQ(p.pixel(x, y), base.pixel(x, y)) << x << "," << y;
            }
        }
}

TEST_F(HoverButton, AFocusedButtonAtRestGetsTheFaceFrameToo)
{
    form.Show();
    hover->SetFocus();
    // The focus arrives when the platform has activated the window.
    ASSERT_EVENTUALLY(hover->Focused());
    Leave(hover); // wherever the platform put the pointer, it is elsewhere now
    const QImage p = Picture(hover);
    EXPECT_EQ(p.pixel(5, 0), RgbOf(clWindowFrame));
    EXPECT_EQ(p.pixel(5, 2), RgbOf(clBtnFace));
    EXPECT_EQ(p.pixel(kWidth - 3, 5), RgbOf(clBtnFace));
    EXPECT_EQ(p.pixel(5, kHeight - 1), RgbOf(clWindowFrame)); // no three-pen touch-up
    form.Hide();
}

TEST_F(HoverButton, OnAColouredParentTheOuterEdgeTakesTheParentsColour)
{
    form.SetColor(clNavy);
    const QImage p = Picture(hover);
    EXPECT_EQ(p.pixel(5, kHeight - 1), RgbOf(clNavy));
    EXPECT_EQ(p.pixel(kWidth - 1, 5), RgbOf(clNavy));
    EXPECT_EQ(p.pixel(5, kHeight - 2), RgbOf(clBtnShadow));
    EXPECT_EQ(p.pixel(5, 1), RgbOf(clBtnFace)); // the top edge goes into the face, not the parent
}

class TStockForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
};

TEST(GlBitBtn, AStockKindReadWithACaptionKeepsTheCaption)
{
    TStockForm form(nullptr);
    TReader::ReadRootComponent(&form, QStringLiteral("object StockForm: TStockForm\n"
                                                     "  object glBitBtn1: TglBitBtn\n"
                                                     "    Caption = 'GG'\n"
                                                     "    Kind = bkYes\n"
                                                     "  end\n"
                                                     "end\n"));
    auto* button = form.FindComponent<TglBitBtn>(QStringLiteral("glBitBtn1"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Caption(), QStringLiteral("GG"));
    EXPECT_EQ(button->Kind(), bkYes);
    EXPECT_TRUE(button->Default());
    EXPECT_EQ(button->ModalResult(), mrYes);
    EXPECT_FALSE(button->Glyph()->Empty());
}

} // namespace

#include "glBitBtnTest.moc"
