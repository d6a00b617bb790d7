// The window region of a form: given in outer-window coordinates, it lands on the client area
// moved by the classic frame of the border style, keeping what lies over the frame; a region
// that leaves nothing hides the whole window rather than none of it.
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

#include "platform/gdi/Region.h"
#include "platform/gdi/SystemMetrics.h"
#include "support/Eventually.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<TForm> DialogForm(TFormBorderStyle style = bsDialog)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(style);
    form->SetClientWidth(510);
    form->SetClientHeight(200);
    return form;
}

TEST(WindowRegion, TheClientAreaBeginsInsideTheClassicFrameOfEachBorderStyle)
{
    EXPECT_EQ(FormClientOrigin(bsNone), TPoint(0, 0));
    EXPECT_EQ(FormClientOrigin(bsSingle), TPoint(3, 22));
    EXPECT_EQ(FormClientOrigin(bsSizeable), TPoint(4, 23));
    EXPECT_EQ(FormClientOrigin(bsDialog), TPoint(3, 22));
    EXPECT_EQ(FormClientOrigin(bsToolWindow), TPoint(3, 18));
    EXPECT_EQ(FormClientOrigin(bsSizeToolWin), TPoint(4, 19));
    gdi::SetSystemMetricOverride(gdi::SM_CYCAPTION, 30);
    EXPECT_EQ(FormClientOrigin(bsDialog), TPoint(3, 33));
    gdi::ClearSystemMetricOverrides();
}

TEST(WindowRegion, AFormsRegionLandsOnItsClientAreaAndKeepsWhatLiesOverTheFrame)
{
    auto form = DialogForm();
    EXPECT_FALSE(form->HandleAllocated());
    QRegion region;
    gdi::CombineRgn(region, gdi::CreateRectRgn(0, 0, 2000, 2000), gdi::CreateRectRgn(306, 179, 523, 226), gdi::RGN_DIFF);
    SetWindowRgn(form.get(), region);
    EXPECT_TRUE(form->HandleAllocated());
    const QRegion expected = QRegion(-3, -22, 2000, 2000).subtracted(QRegion(303, 157, 217, 47));
    EXPECT_EQ(form->mask(), expected);

    // Shown, the window keeps its shape; a new region replaces the old one.
    form->Show();
    ASSERT_EVENTUALLY_EXPOSED(form.get());
    EXPECT_EQ(form->mask(), expected);
    SetWindowRgn(form.get(), gdi::CreateRectRgn(0, 0, 2000, 2000));
    EXPECT_EQ(form->mask(), QRegion(-3, -22, 2000, 2000));

    // Without a frame the outer corner is the client area's.
    auto bare = DialogForm(bsNone);
    SetWindowRgn(bare.get(), gdi::CreateRectRgn(0, 0, 10, 10));
    EXPECT_EQ(bare->mask(), QRegion(0, 0, 10, 10));
}

TEST(WindowRegion, ANothingRegionHidesTheWholeWindow)
{
    auto form = DialogForm();
    SetWindowRgn(form.get(), QRegion());
    EXPECT_FALSE(form->mask().isEmpty());
    const QRect frameAndClient = form->rect().adjusted(-3, -22, 3, 3);
    EXPECT_TRUE((form->mask() & frameAndClient).isEmpty());
    // Only on the frame: nothing of the client area either.
    SetWindowRgn(form.get(), gdi::CreateRectRgn(0, 0, 3, 22));
    EXPECT_TRUE((form->mask() & form->rect()).isEmpty());
}

TEST(WindowRegion, AChildWindowsRegionIsInItsOwnCoordinates)
{
    auto form = DialogForm();
    auto* list = new TListBox(form.get());
    list->SetParent(form.get());
    list->SetBounds(10, 10, 100, 80);
    SetWindowRgn(list, gdi::CreateEllipticRgn(0, 0, 100, 80));
    EXPECT_EQ(list->mask(), gdi::CreateEllipticRgn(0, 0, 100, 80));
    EXPECT_TRUE(form->mask().isEmpty());
}

}  // namespace
