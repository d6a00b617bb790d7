// The bitmap button's drawing on the classic palette, its stock kinds and its state.
#include "support/Rgb.h"
#include "support/Eventually.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/FormReader.h"
#include "support/FormWriter.h"
#include "support/ClassicColors.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr QRgb kOlive = 0xFF808000;

class BitBtn : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm>(nullptr);
        form->SetClientWidth(200);
        form->SetClientHeight(100);
        button = Add(10, 10);
        other = Add(100, 10);
    }
    void TearDown() override { form->Hide(); }

    TBitBtn* Add(int left, int top)
    {
        auto* b = new TBitBtn(form.get());
        b->SetParent(form.get());
        b->SetBounds(left, top, 75, 25);
        return b;
    }

    QImage Picture(TControl* control) { return control->grab().toImage(); }

    gdi::ScopedClassicColors classic;
    std::unique_ptr<TForm> form;
    TBitBtn* button = nullptr;
    TBitBtn* other = nullptr;
};

TEST_F(BitBtn, AtRestTheButtonShowsTheRaised3DFace)
{
    const QImage p = Picture(button);
    ExpectPixels(p, {{0, 0, clBtnHighlight}, {0, 23, clBtnHighlight}, {74, 24, cl3DDkShadow},
                 {73, 23, clBtnShadow}, {73, 1, clBtnShadow}, {37, 12, clBtnFace}});
}

TEST_F(BitBtn, TheDefaultButtonGetsAWindowFrameOutlineAndItsFaceOnePixelIn)
{
    button->SetDefault(true);
    const QImage p = Picture(button);
    ExpectPixels(p, {{0, 0, clWindowFrame}, {74, 24, clWindowFrame}, {37, 0, clWindowFrame},
                 {1, 1, clBtnHighlight}, {73, 23, cl3DDkShadow}});
    EXPECT_TRUE(button->Active());
    EXPECT_FALSE(other->Active());
}

TEST_F(BitBtn, HeldDownTheFaceIsFlatWithAShadowOutline)
{
    QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(button->Pressed());
    const QImage p = Picture(button);
    ExpectPixels(p, {{0, 0, clBtnShadow}, {74, 24, clBtnShadow}, {1, 1, clBtnFace}, {73, 23, clBtnFace}});
    // Dragged off it comes up; back over it goes down again.
    QTest::mouseMove(button, QPoint(200, 5));
    EXPECT_FALSE(button->Pressed());
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    EXPECT_FALSE(button->Pressed());
}

TEST_F(BitBtn, TheFocusedButtonIsActiveAndShowsTheFocusRectangleFourPixelsIn)
{
    form->Show();
    button->SetFocus();
    ASSERT_EVENTUALLY(button->Focused());
    EXPECT_TRUE(button->Active());
    const QImage p = Picture(button);
    EXPECT_EQ(p.pixel(0, 0), RgbOf(clWindowFrame));
    // The dotted frame inverts every other pixel of its edge, here on a face-coloured ground.
    const QRgb face = RgbOf(clBtnFace);
    const QRgb inverted = face ^ 0x00FFFFFF;
    int dots = 0;
    for (int x = 4; x < 71; ++x) {
        const QRgb pixel = p.pixel(x, 4);
        EXPECT_TRUE(pixel == face || pixel == inverted) << x;
        dots += pixel == inverted;
        EXPECT_EQ(p.pixel(x, 3), face) << x;
    }
    EXPECT_GT(dots, 25);
    EXPECT_LT(dots, 40);
    EXPECT_EQ(p.pixel(4, 12) == inverted || p.pixel(4, 13) == inverted, true);

    // With the focus on another button the default one is no longer active.
    button->SetDefault(true);
    other->SetFocus();
    ASSERT_EVENTUALLY(other->Focused());
    EXPECT_FALSE(button->Active());
    EXPECT_EQ(Picture(button).pixel(0, 0), RgbOf(clBtnHighlight));
}

TEST_F(BitBtn, StockKindsSetCaptionGlyphAndResults)
{
    for (int k = bkOK; k <= bkAll; ++k) {
        const auto kind = TBitBtnKind(k);
        button->SetKind(kind);
        const TBitBtnStock& stock = BitBtnStock(kind);
        EXPECT_EQ(button->Kind(), kind);
        EXPECT_EQ(button->Caption(), QLatin1String(stock.caption));
        EXPECT_EQ(button->Default(), stock.isDefault) << k;
        EXPECT_EQ(button->Cancel(), stock.isCancel) << k;
        EXPECT_EQ(button->ModalResult(), stock.modalResult) << k;
        ASSERT_FALSE(button->Glyph()->Empty()) << stock.glyph;
        EXPECT_EQ(button->Glyph()->TransparentColor(), gdi::RGB(128, 128, 0));
    }
    EXPECT_EQ(BitBtnStock(bkOK).modalResult, mrOk);
    EXPECT_EQ(BitBtnStock(bkCancel).modalResult, mrCancel);
    EXPECT_EQ(BitBtnStock(bkYes).modalResult, 6);
    EXPECT_EQ(BitBtnStock(bkNo).modalResult, 7);
    EXPECT_EQ(BitBtnStock(bkAll).modalResult, 8);
    EXPECT_STREQ(BitBtnStock(bkHelp).caption, "&Help");

    // Changing what the kind decides makes the button a custom one.
    button->SetKind(bkOK);
    button->SetModalResult(mrNo);
    EXPECT_EQ(button->Kind(), bkCustom);
}

TEST_F(BitBtn, TheGlyphIsDrawnWithoutItsTransparentColour)
{
    button->SetKind(bkOK);
    const QImage p = Picture(button);
    bool green = false;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            EXPECT_NE(p.pixel(x, y), kOlive) << x << "," << y;
            green = green || p.pixel(x, y) == 0xFF008000;
        }
    EXPECT_TRUE(green);

    button->SetEnabled(false);
    const QImage d = Picture(button);
    for (int y = 0; y < d.height(); ++y)
        for (int x = 0; x < d.width(); ++x)
            EXPECT_NE(d.pixel(x, y), 0xFF008000u) << "the disabled glyph keeps no colour";
}

class TButtonForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
};

TEST_F(BitBtn, AStockButtonReadWithACaptionKeepsItAndWritesOnlyWhatDiffers)
{
    RegisterClass<TBitBtn>();
    std::unique_ptr<TButtonForm> f(Create<TButtonForm>(nullptr));
    const char* const yesText = R"(object glBitBtn1: TBitBtn
  Left = 437
  Top = 128
  Width = 71
  Height = 25
  Caption = 'GG'
  TabOrder = 0
  Kind = bkYes
end
)";
    const QString cancelAndEnd = QStringLiteral(R"(  object BitBtn2: TBitBtn
    Left = 180
    Top = 255
    Width = 75
    Height = 25
    TabOrder = 1
    Kind = bkCancel
  end
end
)");
    TReader::ReadRootComponent(f.get(),
                               QStringLiteral("object F: TButtonForm\n") + NestFormText(yesText) + cancelAndEnd);
    auto* yes = f->FindComponent<TBitBtn>(QStringLiteral("glBitBtn1"));
    auto* cancel = f->FindComponent<TBitBtn>(QStringLiteral("BitBtn2"));
    EXPECT_EQ(yes->Caption(), QStringLiteral("GG"));
    EXPECT_EQ(yes->Kind(), bkYes);
    EXPECT_TRUE(yes->Default());
    EXPECT_EQ(yes->ModalResult(), mrYes);
    EXPECT_FALSE(yes->Glyph()->Empty());
    EXPECT_EQ(cancel->Caption(), QStringLiteral("Cancel"));
    EXPECT_TRUE(cancel->Cancel());

    EXPECT_EQ(TWriter::WriteComponent(yes, f.get()), QString::fromUtf8(yesText));
    EXPECT_FALSE(TWriter::WriteComponent(cancel, f.get()).contains(QStringLiteral("Caption")));

    // Set outside loading, a kind replaces the caption.
    yes->SetKind(bkNo);
    EXPECT_EQ(yes->Caption(), QStringLiteral("&No"));
}

TEST_F(BitBtn, ClickingAStockButtonEndsAModalFormWithItsResult)
{
    button->SetKind(bkYes);
    QTimer::singleShot(0, button, [this] { QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); });
    EXPECT_EQ(form->ShowModal(), mrYes);
}

// A subclass that paints over the base drawing, as the hover button does.
class TTouchedUp : public TBitBtn {
    Q_OBJECT

public:
    using TBitBtn::TBitBtn;
    std::vector<unsigned> states;

protected:
    void DrawItem(const TDrawItemStruct& item) override
    {
        TBitBtn::DrawItem(item);
        states.push_back(item.itemState);
        EXPECT_EQ(item.rcItem, Rect(0, 0, Width(), Height()));
        item.hDC->FillRect(Rect(2, 2, 3, 3), gdi::SolidBrush(clRed));
    }
};

TEST_F(BitBtn, EveryRedrawGoesThroughTheOwnerDrawStepThatASubclassExtends)
{
    auto* touched = new TTouchedUp(form.get());
    touched->SetParent(form.get());
    touched->SetBounds(10, 50, 75, 25);
    EXPECT_EQ(Picture(touched).pixel(2, 2), RgbOf(clRed));
    ASSERT_FALSE(touched->states.empty());
    EXPECT_FALSE(touched->states.back() & ODS_SELECTED);

    // Held down from the keyboard: the selected flag is set; let go, the button clicks.
    form->Show();
    touched->SetFocus();
    ASSERT_EVENTUALLY(touched->Focused());
    int clicks = 0;
    touched->SetOnClick(TNotifyEvent::FromFunction([&](TObject*) { ++clicks; }));
    QTest::keyPress(touched, Qt::Key_Space);
    EXPECT_TRUE(touched->Pressed());
    EXPECT_TRUE(touched->states.back() & ODS_SELECTED);
    EXPECT_TRUE(touched->states.back() & ODS_FOCUS);
    QTest::keyRelease(touched, Qt::Key_Space);
    EXPECT_FALSE(touched->Pressed());
    EXPECT_FALSE(touched->states.back() & ODS_SELECTED);
    EXPECT_EQ(clicks, 1);
}

TEST(GlyphPlacement, TheBlockIsCentredUnlessAMarginIsGiven)
{
    const TRect client = Rect(0, 0, 71, 25);
    TGlyphPlacement at = PlaceGlyphAndText(client, QSize(18, 18), QSize(20, 13), blGlyphLeft, -1, 4);
    EXPECT_EQ(at.glyph, TPoint(14, 3));
    EXPECT_EQ(at.text, Rect(36, 6, 56, 19));

    at = PlaceGlyphAndText(client, QSize(), QSize(20, 13), blGlyphLeft, -1, 4);
    EXPECT_EQ(at.text.left, 25);

    at = PlaceGlyphAndText(client, QSize(18, 18), QSize(20, 13), blGlyphRight, 2, 4);
    EXPECT_EQ(at.glyph.x(), 51);
    EXPECT_EQ(at.text.left, 27);

    at = PlaceGlyphAndText(client, QSize(18, 18), QSize(20, 13), blGlyphLeft, -1, -1);
    EXPECT_EQ(at.glyph.x(), 11);
    EXPECT_EQ(at.text.left, 40);

    at = PlaceGlyphAndText(Rect(0, 0, 60, 60), QSize(18, 18), QSize(20, 13), blGlyphTop, 5, 2);
    EXPECT_EQ(at.glyph, TPoint(21, 5));
    EXPECT_EQ(at.text, Rect(20, 25, 40, 38));
}

}  // namespace

#include "BitBtnTest.moc"
