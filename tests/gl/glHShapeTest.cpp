// The hole shape: the hole's geometry and the bevel's figures as plain functions, then shapes
// on a dialog-framed form cutting its window region (as the About window's notch does).
#include "gl/glHShape.h"

#include "GlTestSupport.h"
#include "support/PixelUnion.h"

#include "platform/gdi/Region.h"
#include "platform/gdi/SystemMetrics.h"
#include "toolkit/FormReader.h"
#include "toolkit/FormText.h"
#include "support/FormWriter.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "support/ClassicColors.h"
#include "support/Rgb.h"
#include "support/Eventually.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

using Figures = std::vector<THoleBevelFigure>;
using testsupport::PixelUnion;

// Regions built differently may cut the same area into different rectangles.
bool SameArea(const QRegion& a, const QRegion& b)
{
    return a.xored(b).isEmpty();
}

TEST(HoleGeometry, TheHoleLiesInsideTheBevels)
{
    EXPECT_EQ(HoleShapeRect(stRectangle, 200, 100), Rect(0, 0, 200, 100));
    EXPECT_EQ(HoleShapeRect(stCircle, 200, 100), Rect(0, 0, 100, 100));
    EXPECT_EQ(HoleShapeRect(stRoundSquare, 30, 90), Rect(0, 0, 30, 30));
    EXPECT_EQ(HoleShapeRect(stEllipse, 200, 100), Rect(0, 0, 200, 100));

    const TRect r = Rect(0, 0, 20, 10);
    EXPECT_EQ(ShrinkForBevel(r, bvLowered, true), Rect(2, 2, 19, 9));
    EXPECT_EQ(ShrinkForBevel(r, bvLowered, false), Rect(1, 1, 19, 9));
    EXPECT_EQ(ShrinkForBevel(r, bvRaised, true), Rect(1, 1, 18, 8));
    EXPECT_EQ(ShrinkForBevel(r, bvRaised, false), Rect(1, 1, 19, 9));
    EXPECT_EQ(ShrinkForBevel(r, bvNone, true), r);
    EXPECT_EQ(ShrinkForBevel(r, bvSpace, true), r);

    // The About window's notch before it is moved into the window.
    const THoleLook notch{stRectangle, bvLowered, true, bvNone, true, 0, QPoint(45, 45)};
    EXPECT_EQ(GeometricHole(notch, 220, 50), gdi::CreateRectRgn(3, 3, 220, 50));

    // Both bevels shrink the hole; with an offset the inner one does not, the gap does.
    THoleLook twoBevels = notch;
    twoBevels.inner = bvRaised;
    EXPECT_EQ(GeometricHole(twoBevels, 220, 50), gdi::CreateRectRgn(4, 4, 218, 48));
    twoBevels.offset = 5;
    EXPECT_EQ(GeometricHole(twoBevels, 220, 50), gdi::CreateRectRgn(8, 8, 215, 45));

    // Curved holes reach one pixel further right and down.
    THoleLook round = notch;
    round.shape = stRoundRect;
    EXPECT_EQ(GeometricHole(round, 100, 60), gdi::CreateRoundRectRgn(3, 3, 101, 61, 45, 45));
    THoleLook circle = notch;
    circle.shape = stCircle;
    const QRegion disc = GeometricHole(circle, 200, 100);
    EXPECT_EQ(disc, gdi::CreateEllipticRgn(3, 3, 101, 101));
    EXPECT_LE(disc.boundingRect().right(), 100);
}

TEST(HoleGeometry, TheShapesOwnFrameOffsetsFollowTheBorderStyleAndTheFrameMetrics)
{
    EXPECT_EQ(HoleFrameOffset(bsNone), TPoint(-1, -1));
    EXPECT_EQ(HoleFrameOffset(bsSingle), TPoint(1, 20));
    EXPECT_EQ(HoleFrameOffset(bsSizeable), TPoint(3, 22));
    EXPECT_EQ(HoleFrameOffset(bsDialog), TPoint(2, 21));
    EXPECT_EQ(HoleFrameOffset(bsToolWindow), TPoint(1, 16));
    EXPECT_EQ(HoleFrameOffset(bsSizeToolWin), TPoint(4, 19));
    gdi::SetSystemMetricOverride(gdi::SM_CYCAPTION, 30);
    EXPECT_EQ(HoleFrameOffset(bsDialog), TPoint(2, 32));
    gdi::ClearSystemMetricOverrides();
}

TEST(HoleGeometry, BevelsOfEachCutAndWeight)
{
    THoleLook look;
    EXPECT_EQ(HoleBevelDrawing(look, 220, 50).figures,
              (Figures{{clBtnHighlight, Rect(0, 0, 220, 50)},
                       {clBtnShadow, Rect(0, 0, 219, 49)},
                       {cl3DDkShadow, Rect(1, 1, 219, 49)}}));
    look.outerBold = false;
    EXPECT_EQ(HoleBevelDrawing(look, 220, 50).figures,
              (Figures{{clBtnHighlight, Rect(0, 0, 220, 50)}, {clBtnShadow, Rect(0, 0, 219, 49)}}));
    look.outer = bvRaised;
    look.outerBold = true;
    EXPECT_EQ(HoleBevelDrawing(look, 20, 10).figures,
              (Figures{{clBtnHighlight, Rect(0, 0, 20, 10)},
                       {cl3DDkShadow, Rect(1, 1, 20, 10)},
                       {clBtnShadow, Rect(1, 1, 19, 9)}}));
    look.outerBold = false;
    EXPECT_EQ(HoleBevelDrawing(look, 20, 10).figures,
              (Figures{{clBtnHighlight, Rect(0, 0, 20, 10)}, {clBtnShadow, Rect(1, 1, 20, 10)}}));

    // The inner bevel follows inside the outer one and the gap; bvSpace draws nothing.
    look = THoleLook{};
    look.inner = bvRaised;
    look.innerBold = false;
    look.offset = 3;
    const Figures figures = HoleBevelDrawing(look, 20, 10).figures;
    ASSERT_EQ(figures.size(), 5u);
    EXPECT_EQ(figures[3], (THoleBevelFigure{clBtnHighlight, Rect(5, 5, 16, 6)}));
    look.outer = bvSpace;
    look.inner = bvSpace;
    EXPECT_TRUE(HoleBevelDrawing(look, 20, 10).figures.empty());
}

TEST(HoleGeometry, CurvedFiguresAreFilledPlainRectanglesOutlined)
{
    THoleLook look;
    look.corner = QPoint(45, 45);
    EXPECT_FALSE(HoleBevelDrawing(look, 50, 50).filled);
    EXPECT_EQ(HoleBevelDrawing(look, 50, 50).corner, QPoint());
    look.shape = stRoundRect;
    EXPECT_TRUE(HoleBevelDrawing(look, 50, 50).filled);
    EXPECT_EQ(HoleBevelDrawing(look, 50, 50).corner, QPoint(45, 45));
    // Corner sizes with no bit in common: outlines, although the corners are round.
    look.corner = QPoint(1, 2);
    EXPECT_FALSE(HoleBevelDrawing(look, 50, 50).filled);
    look.shape = stCircle;
    const THoleBevelDrawing circle = HoleBevelDrawing(look, 200, 100);
    EXPECT_TRUE(circle.ellipses);
    EXPECT_TRUE(circle.filled);
    for (const THoleBevelFigure& figure : circle.figures)
        EXPECT_LE(figure.box.right, 100);
}

// Shapes on a dialog-framed form of the About window's client size. In the form's client
// coordinates the 2000-pixel square begins at minus the dialog frame (3, 22), and a hole lies
// one pixel up and left of where the shape's own frame offset (2, 21) would put it.
class HoleShapes : public testing::Test {
protected:
    void SetUp() override
    {
        form.SetBorderStyle(bsDialog);
        form.SetClientWidth(510);
        form.SetClientHeight(200);
    }

    TglHoleShape* AddShape(int left, int top, int width, int height, TWinControl* parent = nullptr)
    {
        auto* shape = new TglHoleShape(&form);
        shape->SetParent(parent ? parent : &form);
        shape->SetBounds(left, top, width, height);
        return shape;
    }

    void ShowForm()
    {
        form.Show();
        ASSERT_EVENTUALLY_EXPOSED(&form);
    }

    static QRegion Whole() { return QRegion(-3, -22, 2000, 2000); }

    gdi::ScopedClassicColors classic;
    TForm form{nullptr};
};

TEST_F(HoleShapes, ANewShapeHasItsDefaultsAndLeavesItsOwnersWindowWhole)
{
    EXPECT_FALSE(form.HandleAllocated());
    auto* shape = new TglHoleShape(&form);
    // Made while being made, the owner's window has the whole square for its region.
    EXPECT_TRUE(form.HandleAllocated());
    EXPECT_EQ(form.mask(), Whole());
    EXPECT_EQ(shape->Shape(), stRectangle);
    EXPECT_EQ(shape->BevelOuter(), bvLowered);
    EXPECT_EQ(shape->BevelInner(), bvNone);
    EXPECT_TRUE(shape->BevelOuterBold());
    EXPECT_TRUE(shape->BevelInnerBold());
    EXPECT_EQ(shape->BevelOffset(), 0);
    EXPECT_EQ(shape->CombineMode(), cmDIFF);
    EXPECT_EQ(shape->RectEllipse()->X(), 45);
    EXPECT_EQ(shape->RectEllipse()->Y(), 45);
    EXPECT_TRUE(shape->ShapeBitmap()->Empty());
    EXPECT_TRUE(shape->Enabled());
    EXPECT_TRUE(shape->EnabledAllInDesignTime());
    EXPECT_EQ(shape->Width(), 112);
    EXPECT_EQ(shape->Height(), 112);

    // Without a windowed owner the shape is off and cannot be switched on.
    TglHoleShape loose(nullptr);
    EXPECT_FALSE(loose.Enabled());
    loose.SetEnabled(true);
    loose.SetEnabledAllInDesignTime(true);
    EXPECT_FALSE(loose.Enabled());
    EXPECT_FALSE(loose.EnabledAllInDesignTime());
}

TEST_F(HoleShapes, TheNotchIsCutWhenTheWindowIsFirstShown)
{
    TglHoleShape* shape = AddShape(301, 155, 220, 50);
    // Just inside the bevel's two lines along its top and left.
    const QRegion notch(303, 157, 217, 47);
    EXPECT_EQ(form.mask(), Whole());
    ShowForm();
    EXPECT_EQ(shape->HoleRegion(), QRegion(306, 179, 217, 47));  // outer-window coordinates
    EXPECT_EQ(form.mask(), Whole().subtracted(notch));
    EXPECT_FALSE(form.mask().contains(QPoint(509, 199)));
    EXPECT_TRUE(form.mask().contains(QPoint(302, 199)));
    EXPECT_TRUE(form.mask().contains(QPoint(509, 156)));
    // The frame is cut only beside the notch.
    EXPECT_TRUE(form.mask().contains(QPoint(-1, 199)));
    EXPECT_TRUE(form.mask().contains(QPoint(302, 200)));
    EXPECT_TRUE(form.mask().contains(QPoint(510, 156)));
    EXPECT_FALSE(form.mask().contains(QPoint(510, 157)));
    EXPECT_FALSE(form.mask().contains(QPoint(303, 200)));

    // Moved or resized on view, it re-cuts at once.
    shape->SetBounds(0, 0, 40, 30);
    EXPECT_EQ(form.mask(), Whole().subtracted(QRegion(2, 2, 37, 27)));
    shape->SetWidth(60);
    EXPECT_EQ(form.mask(), Whole().subtracted(QRegion(2, 2, 57, 27)));

    // Going, it takes its hole along.
    delete shape;
    EXPECT_EQ(form.mask(), Whole());
}

TEST_F(HoleShapes, CombineModesAndTheOrderOfShapes)
{
    TglHoleShape* first = AddShape(10, 10, 40, 30);
    ShowForm();
    const QRegion hole(12, 12, 37, 27);
    first->SetCombineMode(cmAND);
    EXPECT_EQ(form.mask(), hole);
    first->SetCombineMode(cmOR);
    EXPECT_EQ(form.mask(), Whole());
    first->SetCombineMode(cmCOPY);  // the platform's copy keeps the region so far
    EXPECT_EQ(form.mask(), Whole());
    first->SetCombineMode(cmXOR);
    EXPECT_EQ(form.mask(), Whole().subtracted(hole));

    // In child order: the first cuts, the second (XOR) puts back where they overlap.
    first->SetCombineMode(cmDIFF);
    TglHoleShape* second = AddShape(30, 10, 40, 30);
    ShowForm();
    const QRegion secondHole(32, 12, 37, 27);
    second->SetCombineMode(cmXOR);
    EXPECT_EQ(form.mask(), Whole().subtracted(hole).xored(secondHole));
    EXPECT_TRUE(form.mask().contains(QPoint(40, 20)));   // overlap restored
    EXPECT_FALSE(form.mask().contains(QPoint(20, 20)));  // first's alone
    EXPECT_FALSE(form.mask().contains(QPoint(60, 20)));  // second's alone
    // The other way round the union of both holes is gone.
    first->SetCombineMode(cmXOR);
    second->SetCombineMode(cmDIFF);
    EXPECT_EQ(form.mask(), Whole().xored(hole).subtracted(secondHole));
    EXPECT_FALSE(form.mask().contains(QPoint(40, 20)));
}

TEST_F(HoleShapes, TheRegionEndsTwoThousandPixelsFromTheWindowsCorner)
{
    form.SetClientWidth(2100);
    form.SetClientHeight(2100);
    AddShape(10, 10, 40, 30);
    ShowForm();
    EXPECT_TRUE(form.mask().contains(QPoint(1996, 1977)));
    EXPECT_FALSE(form.mask().contains(QPoint(1997, 100)));
    EXPECT_FALSE(form.mask().contains(QPoint(100, 1978)));
}

TEST_F(HoleShapes, BevelOffsetIsClampedToTheShapeAndNegativesIgnored)
{
    TglHoleShape* shape = AddShape(0, 0, 112, 112);
    shape->SetBevelOffset(100);
    EXPECT_EQ(shape->BevelOffset(), 100);
    shape->SetBevelOffset(200);
    EXPECT_EQ(shape->BevelOffset(), 110);
    shape->SetBevelOffset(-1);
    EXPECT_EQ(shape->BevelOffset(), 110);
    // A shape with no room for a gap gets none.
    TglHoleShape* tiny = AddShape(0, 0, 1, 1);
    tiny->SetBevelOffset(5);
    EXPECT_EQ(tiny->BevelOffset(), 0);
}

TEST_F(HoleShapes, SwitchingOffAndOnAndTheDesignTimeSwitchOfAllShapes)
{
    TglHoleShape* first = AddShape(10, 10, 40, 30);
    TglHoleShape* second = AddShape(100, 10, 40, 30);
    ShowForm();
    first->SetEnabled(false);
    EXPECT_EQ(form.mask(), Whole().subtracted(QRegion(102, 12, 37, 27)));
    first->SetEnabled(true);
    EXPECT_EQ(form.mask(), Whole().subtracted(QRegion(12, 12, 37, 27)).subtracted(QRegion(102, 12, 37, 27)));

    second->SetEnabledAllInDesignTime(false);
    EXPECT_FALSE(first->EnabledAllInDesignTime());
    EXPECT_FALSE(second->EnabledAllInDesignTime());
    // Only a form designer reads it: the running window keeps both holes.
    EXPECT_FALSE(form.mask().contains(QPoint(20, 20)));
}

TEST_F(HoleShapes, AShapeWhoseParentIsNotItsOwnerCutsNoHole)
{
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    list->SetBounds(0, 0, 300, 150);
    TglHoleShape* shape = AddShape(10, 10, 40, 30, list);
    ShowForm();
    shape->SetShape(stEllipse);
    EXPECT_EQ(form.mask(), Whole());
    EXPECT_TRUE(list->mask().isEmpty());
}

TEST_F(HoleShapes, ABitmapHoleIsItsNonWhitePixelsCutOncePerAssignment)
{
    TBitmap picture;
    picture.SetSize(60, 40);
    picture.Canvas()->Brush()->SetColor(clBlack);
    picture.Canvas()->Ellipse(5, 5, 55, 35);
    picture.Handle().SetPixel(0, 0, TColor(0xFEFFFF));  // not exactly white: part of the hole
    TglHoleShape* shape = AddShape(20, 30, 60, 40);
    ShowForm();
    shape->SetShapeBitmap(&picture);
    const QRegion pixels = PixelUnion(shape->ShapeBitmap()->Handle());
    ASSERT_FALSE(pixels.isEmpty());
    EXPECT_TRUE(pixels.contains(QPoint(0, 0)));
    EXPECT_TRUE(SameArea(form.mask(), Whole().subtracted(pixels.translated(19, 29))));

    // The hole stays where it was cut until the bitmap is assigned again.
    shape->SetLeft(100);
    EXPECT_TRUE(SameArea(form.mask(), Whole().subtracted(pixels.translated(19, 29))));
    TBitmap again;
    again.Assign(&picture);
    shape->SetShapeBitmap(&again);
    EXPECT_TRUE(SameArea(form.mask(), Whole().subtracted(pixels.translated(99, 29))));
}

TEST_F(HoleShapes, ADescriptionStoresWhatDiffersFromTheDefaults)
{
    TReader::ReadRootComponent(&form, QStringLiteral("object Form1: TForm\n"
                                                     "  BorderStyle = bsDialog\n"
                                                     "  ClientHeight = 200\n"
                                                     "  ClientWidth = 510\n"
                                                     "  object glHoleShape1: TglHoleShape\n"
                                                     "    Left = 301\n"
                                                     "    Top = 155\n"
                                                     "    Width = 220\n"
                                                     "    Height = 50\n"
                                                     "    Shape = stRoundRect\n"
                                                     "    BevelInner = bvRaised\n"
                                                     "    CombineMode = cmXOR\n"
                                                     "    RectEllipse.X = 12\n"
                                                     "    RectEllipse.Y = 45\n"
                                                     "  end\n"
                                                     "end\n"));
    auto* shape = form.FindComponent<TglHoleShape>(QStringLiteral("glHoleShape1"));
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->Shape(), stRoundRect);
    EXPECT_EQ(shape->BevelInner(), bvRaised);
    EXPECT_EQ(shape->CombineMode(), cmXOR);
    EXPECT_EQ(shape->RectEllipse()->X(), 12);
    const QString written = TWriter::WriteComponent(shape, &form);
    for (const char* line : {"Shape = stRoundRect", "BevelInner = bvRaised", "CombineMode = cmXOR", "RectEllipse.X = 12"})
        EXPECT_TRUE(written.contains(QLatin1String(line))) << line << "\n" << written.toStdString();
    for (const char* line : {"BevelOuter", "BevelOffset", "Enabled", "ShapeBitmap"})
        EXPECT_FALSE(written.contains(QLatin1String(line))) << line << "\n" << written.toStdString();
}

TEST_F(HoleShapes, ABitmapHoleReadFromADescriptionIsCut)
{
    // A description fills the shape's own bitmap instead of assigning one: that is a new
    // picture too, and is scanned.
    TBitmap picture;
    picture.SetSize(30, 20);
    picture.Canvas()->Brush()->SetColor(clRed);
    picture.Canvas()->FillRect(Rect(5, 5, 25, 15));
    const QString text = QStringLiteral("object Form1: TForm\n"
                                        "  BorderStyle = bsDialog\n"
                                        "  object glHoleShape1: TglHoleShape\n"
                                        "    Left = 40\n"
                                        "    Top = 50\n"
                                        "    ShapeBitmap.Data = {\n%1}\n"
                                        "  end\n"
                                        "end\n")
                             .arg(FormatFormBinary(picture.Data()).join(u'\n'));
    TReader::ReadRootComponent(&form, text);
    ShowForm();
    EXPECT_TRUE(SameArea(form.mask(), Whole().subtracted(QRegion(44, 54, 20, 10))));
}

TEST(HoleShapeBitmap, TheScanByRunsEqualsTheUnionOfPixels)
{
    // Random pictures of random sizes: white, near-white and coloured pixels in runs and alone.
    std::uint32_t state = 2024;
    const auto next = [&state](std::uint32_t below) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % below;
    };
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    auto* shape = new TglHoleShape(&form);
    shape->SetParent(&form);
    shape->SetBounds(0, 0, 50, 50);
    for (int round = 0; round < 300; ++round) {
        TBitmap picture;
        picture.SetSize(1 + int(next(48)), 1 + int(next(48)));
        const std::uint32_t density = 1 + next(8);
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x) {
                const std::uint32_t pick = next(16);
                if (pick < density)
                    picture.Handle().SetPixel(x, y, pick % 2 ? TColor(0xFFFFFE) : TColor(next(0xFFFFFF)));
            }
        shape->SetShapeBitmap(&picture);
        // Without a frame the region moves by the frame offset (-1, -1).
        ASSERT_TRUE(SameArea(shape->HoleRegion(), PixelUnion(picture.Handle()).translated(-1, -1))) << "round " << round;
    }
}

TEST_F(HoleShapes, TheBevelIsDrawnAlongTheEdge)
{
    TglHoleShape* shape = AddShape(10, 10, 40, 30);
    ShowForm();
    const QImage lowered = shape->grab().toImage();
    ExpectPixels(lowered, {{20, 0, clBtnShadow}, {20, 1, cl3DDkShadow}, {0, 15, clBtnShadow},
                 {1, 15, cl3DDkShadow}, {20, 29, clBtnHighlight}, {39, 15, clBtnHighlight},
                 {20, 28, cl3DDkShadow}});

    shape->SetBevelOuter(bvRaised);
    const QImage raised = shape->grab().toImage();
    ExpectPixels(raised, {{20, 0, clBtnHighlight}, {20, 29, cl3DDkShadow}, {39, 15, cl3DDkShadow},
                 {20, 28, clBtnShadow}});

    // A bitmap shape draws nothing of its own.
    TBitmap picture;
    picture.SetSize(40, 30);
    picture.Canvas()->Brush()->SetColor(clBlack);
    picture.Canvas()->FillRect(Rect(0, 0, 40, 30));
    shape->SetShapeBitmap(&picture);
    const QImage bare = shape->grab().toImage();
    EXPECT_EQ(bare.pixel(20, 0), RgbOf(clBtnFace));
}

}  // namespace
