#include "support/Rgb.h"
#include "toolkit/Application.h"
#include "toolkit/Controls.h"
#include "toolkit/Exceptions.h"
#include "toolkit/HintWindow.h"
#include "toolkit/StdCtrls.h"
#include "support/ClassicColors.h"
#include "support/Eventually.h"

#include <QEnterEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// What the test controls paint: a solid block in their top-left quarter only.
void PaintQuarter(TCanvas* canvas, TRect client, TColor fill)
{
    canvas->Brush()->SetColor(fill);
    canvas->FillRect(Rect(0, 0, client.Width() / 2, client.Height() / 2));
}

// A windowless control that paints a solid block in its top-left quarter only.
class TBlock : public TGraphicControl {
    Q_OBJECT

public:
    using TGraphicControl::TGraphicControl;
    TColor fill = clRed;

protected:
    void Paint() override { PaintQuarter(Canvas(), ClientRect(), fill); }
};

class TPanelish : public TCustomControl {
    Q_OBJECT

public:
    using TCustomControl::TCustomControl;
    TColor fill = clNone;

protected:
    void Paint() override
    {
        if (fill != clNone)
            PaintQuarter(Canvas(), ClientRect(), fill);
    }
};

QRgb PixelAt(QWidget* widget, int x, int y)
{
    return widget->grab().toImage().pixel(x, y);
}

// A control the form owns, placed in `parent`: the form itself unless another is named.
template <class T>
T* Add(TForm& form, TWinControl* parent = nullptr)
{
    auto* control = new T(&form);
    control->SetParent(parent ? parent : &form);
    return control;
}

template <class T>
T* AddAt(TForm& form, int left, int top, int width, int height)
{
    T* control = Add<T>(form);
    control->SetBounds(left, top, width, height);
    return control;
}

void SetClientSize(TForm& form, int width, int height)
{
    form.SetClientWidth(width);
    form.SetClientHeight(height);
}

TEST(AlignBounds, TopAndBottomStackInwardsThenLeftRightAndClientShareTheRest)
{
    const std::vector<TAlignItem> items = {
        {alClient, Rect(0, 0, 10, 10)},    {alBottom, Rect(0, 50, 10, 60)}, {alTop, Rect(0, 30, 10, 40)},
        {alTop, Rect(0, 10, 10, 30)},      {alLeft, Rect(0, 0, 15, 5)},     {alRight, Rect(0, 0, 25, 5)},
        {alNone, Rect(3, 4, 5, 6)},
    };
    const std::vector<TRect> r = AlignBounds(Rect(0, 0, 200, 100), items);
    EXPECT_EQ(r[3], Rect(0, 0, 200, 20));    // the upper alTop one goes first
    EXPECT_EQ(r[2], Rect(0, 20, 200, 30));
    EXPECT_EQ(r[1], Rect(0, 90, 200, 100));
    EXPECT_EQ(r[4], Rect(0, 30, 15, 90));
    EXPECT_EQ(r[5], Rect(175, 30, 200, 90));
    EXPECT_EQ(r[0], Rect(15, 30, 175, 90));
    EXPECT_EQ(r[6], Rect(3, 4, 5, 6));
}

TEST(AlignBounds, ASpaceTooSmallGivesEmptyRectanglesNotNegativeOnes)
{
    const std::vector<TRect> r =
        AlignBounds(Rect(0, 0, 10, 10), {{alTop, Rect(0, 0, 5, 30)}, {alClient, Rect(0, 0, 5, 5)}});
    EXPECT_EQ(r[0], Rect(0, 0, 10, 30));
    EXPECT_TRUE(r[1].IsEmpty());
    EXPECT_GE(r[1].Width(), 0);
}

TEST(Controls, AnAlignedChildFollowsItsParentsSize)
{
    TForm form(nullptr);
    SetClientSize(form, 300, 200);
    auto* top = AddAt<TEdit>(form, 5, 5, 50, 40);
    top->SetAlign(alTop);
    EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 300, 40));
    form.SetClientWidth(500);
    EXPECT_EQ(top->Width(), 500);
    top->SetVisible(false);
    auto* rest = Add<TEdit>(form);
    rest->SetAlign(alClient);
    EXPECT_EQ(rest->BoundsRect(), Rect(0, 0, 500, 200));
}

TEST(Controls, AnchoredControlsKeepTheirDistancesWhenTheParentIsResized)
{
    TForm form(nullptr);
    SetClientSize(form, 300, 200);
    const TRect place = Rect(100, 50, 140, 80);
    struct Case {
        TAnchors anchors;
        TRect grown;  // after the client grows by 100 x 50
    };
    const Case cases[] = {
        {akLeft | akTop, place},
        {akRight | akBottom, Rect(200, 100, 240, 130)},
        {akLeft | akTop | akRight | akBottom, Rect(100, 50, 240, 130)},
        {TAnchors(), Rect(150, 75, 190, 105)},  // neither side: the centre keeps its share
    };
    std::vector<TBlock*> blocks;
    for (const Case& c : cases) {
        auto* block = AddAt<TBlock>(form, place.left, place.top, place.Width(), place.Height());
        block->SetAnchors(c.anchors);
        blocks.push_back(block);
    }
    SetClientSize(form, 400, 250);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i]->BoundsRect(), cases[i].grown) << i;
    // Step by step back to the first size: back to the first place, nothing lost on the way.
    form.SetClientWidth(351);
    SetClientSize(form, 300, 200);
    for (TBlock* block : blocks)
        EXPECT_EQ(block->BoundsRect(), place);

    // Moved by hand, a control measures from its new place.
    blocks[1]->SetLeft(10);
    form.SetClientWidth(320);
    EXPECT_EQ(blocks[1]->Left(), 30);
}

TEST(Controls, AControlKeepsItsBoundsThroughEveryChangeOfParent)
{
    TForm form(nullptr);
    auto* panel = new TPanelish(&form);
    panel->SetBounds(10, 20, 100, 80);  // before it has a parent
    auto* block = new TBlock(&form);
    block->SetBounds(5, 6, 7, 8);
    EXPECT_EQ(block->Width(), 7);
    THintWindow bordered(nullptr);
    bordered.HandleNeeded();  // its client area lies inside a one-pixel border
    const std::vector<TWinControl*> parents = {&form, &bordered, panel, &bordered, nullptr};
    for (std::size_t i = 0; i < parents.size(); ++i) {
        block->SetParent(parents[i]);
        EXPECT_EQ(block->BoundsRect(), Rect(5, 6, 12, 14)) << i;
    }
    panel->SetParent(&form);
    EXPECT_EQ(panel->BoundsRect(), Rect(10, 20, 110, 100));
}

TEST(Controls, AWindowReadsItsBoundsFromTheWindowSystemAndLaysItselfOutAgainWhenItResizes)
{
    TForm form(nullptr);
    form.SetBounds(40, 30, 300, 200);
    EXPECT_EQ(form.BoundsRect(), Rect(40, 30, 340, 230));  // no frame yet: what was set
    Add<TBlock>(form)->SetAlign(alClient);
    auto* corner = AddAt<TBlock>(form, 10, 10, 20, 20);
    corner->SetAnchors(akRight | akBottom);
    form.Show();
    ASSERT_EVENTUALLY_EXPOSED(&form);
    const QSize frame = form.frameGeometry().size() - form.size();

    // As the user dragging the frame does: the window system gives the size.
    form.windowHandle()->resize(form.ClientWidth() + 60, form.ClientHeight() + 40);
    ASSERT_EVENTUALLY_EQ(form.ClientWidth(), 360);
    EXPECT_EQ(form.Width(), 360 + frame.width());
    EXPECT_EQ(form.BoundsRect(), TRect::FromQRect(form.frameGeometry()));
    EXPECT_EQ(form.Controls(0)->BoundsRect(), Rect(0, 0, 360, form.ClientHeight()));
    EXPECT_EQ(corner->BoundsRect(), Rect(70, 50, 90, 70));
}

TEST(Controls, ADoubleClickFiresOnDblClickBeforeTheSecondPress)
{
    TForm form(nullptr);
    auto* block = AddAt<TBlock>(form, 0, 0, 50, 50);
    std::vector<std::string> heard;
    block->OnDblClick = TNotifyEvent::FromFunction([&](TObject* sender) {
        EXPECT_EQ(sender, block);
        heard.push_back("double click");
    });
    block->OnMouseDown = TMouseEvent::FromFunction([&](TObject*, TMouseButton, TShiftState shift, int, int) {
        heard.push_back(shift.testFlag(ssDouble) ? "second press" : "press");
    });
    form.Show();
    QTest::mouseClick(block, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseDClick(block, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(heard, (std::vector<std::string>{"press", "double click", "second press"}));
    form.Hide();
}

// A form with a control that drags itself and one that takes what is dropped on it.
class Dragging : public testing::Test {
protected:
    void SetUp() override
    {
        SetClientSize(form, 300, 100);
        source = AddBlock(10);
        target = AddBlock(150);
        source->SetDragMode(dmAutomatic);
        source->SetDragCursor(crHandPoint);
        source->OnStartDrag = TStartDragEvent::FromFunction([&](TObject* sender, TDragObject*&) {
            heard.push_back("start " + Name(sender));
        });
        source->OnEndDrag = TEndDragEvent::FromFunction([&](TObject* sender, TObject* to, int x, int y) {
            heard.push_back("end " + Name(sender) + " on " + Name(to) + " " + std::to_string(x) + "," + std::to_string(y));
        });
        source->SetOnClick(TNotifyEvent::FromFunction([&](TObject*) { heard.push_back("click"); }));
        target->OnDragOver = TDragOverEvent::FromFunction(
            [&](TObject* sender, TObject* from, int, int, TDragState state, bool& accept) {
                heard.push_back("over " + Name(sender) + " from " + Name(from) + (state == dsDragEnter ? " enter" : ""));
                accept = takes;
            });
        target->OnDragDrop = TDragDropEvent::FromFunction([&](TObject* sender, TObject* from, int x, int y) {
            heard.push_back("drop on " + Name(sender) + " from " + Name(from) + " " + std::to_string(x) + "," +
                            std::to_string(y));
        });
        form.Show();
        ASSERT_EVENTUALLY_EXPOSED(&form);
    }

    TBlock* AddBlock(int left)
    {
        auto* block = AddAt<TBlock>(form, left, 10, 50, 50);
        block->SetName(left < 100 ? QStringLiteral("Source") : QStringLiteral("Target"));
        return block;
    }

    static std::string Name(TObject* object)
    {
        auto* control = dynamic_cast<TControl*>(object);
        return control ? control->Name().toStdString() : "nothing";
    }

    // Drags the source onto the target's point (x, y).
    void DragOnto(int x, int y)
    {
        QTest::mousePress(source, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        EXPECT_TRUE(source->Dragging());
        QTest::mouseMove(target, QPoint(x - 1, y));
        QTest::mouseMove(target, QPoint(x, y));
        QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        EXPECT_FALSE(source->Dragging());
    }

    TForm form{nullptr};
    TBlock* source = nullptr;
    TBlock* target = nullptr;
    bool takes = true;
    std::vector<std::string> heard;
};

TEST_F(Dragging, AControlThatDragsItselfIsDroppedOnOneThatTakesIt)
{
    DragOnto(20, 30);
    EXPECT_EQ(heard, (std::vector<std::string>{"start Source", "over Target from Source enter",
                                               "over Target from Source", "drop on Target from Source 20,30",
                                               "end Source on Target 20,30"}));
}

TEST_F(Dragging, DroppedWhereNothingTakesItTheDragEndsOnNothing)
{
    takes = false;
    DragOnto(20, 30);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), "end Source on nothing 160,30");  // where it was let go, from the source
    EXPECT_EQ(std::count(heard.begin(), heard.end(), "drop on Target from Source 20,30"), 0);
}

TEST(Controls, ChildrenFollowTheParentsFontAndColourUntilGivenTheirOwn)
{
    TForm form(nullptr);
    form.Font()->SetHeight(-13);
    auto* follower = Add<TBlock>(form);
    auto* own = Add<TBlock>(form);
    EXPECT_EQ(follower->Font()->Height(), -13);
    EXPECT_EQ(follower->Color(), clBtnFace);

    own->Font()->SetName(QStringLiteral("Arial"));
    EXPECT_FALSE(own->ParentFont());
    own->SetColor(clNavy);
    EXPECT_FALSE(own->ParentColor());

    form.Font()->SetHeight(-20);
    form.SetColor(clCream);
    EXPECT_EQ(follower->Font()->Height(), -20);
    EXPECT_EQ(follower->Color(), clCream);
    EXPECT_TRUE(follower->ParentFont());
    EXPECT_EQ(own->Font()->Height(), -13);
    EXPECT_EQ(own->Color(), clNavy);

    own->SetParentFont(true);
    EXPECT_EQ(own->Font()->Name(), form.Font()->Name());
    EXPECT_EQ(own->Font()->Height(), -20);
}

TEST(Controls, ShowHintFollowsTheParentUnlessSetOnTheControl)
{
    TForm form(nullptr);
    auto* panel = Add<TPanelish>(form);
    auto* inner = Add<TEdit>(form, panel);
    auto* own = Add<TEdit>(form, panel);
    own->SetShowHint(false);  // unchanged: stays with the parent
    EXPECT_TRUE(own->ParentShowHint());
    own->SetParentShowHint(false);
    form.SetShowHint(true);
    EXPECT_TRUE(panel->ShowHint());
    EXPECT_TRUE(inner->ShowHint());
    EXPECT_FALSE(own->ShowHint());
}

TEST(Controls, AWindowlessControlPaintsOverItsParentWhichShowsBeneath)
{
    gdi::ScopedClassicColors classic;
    TForm form(nullptr);
    SetClientSize(form, 100, 60);
    AddAt<TBlock>(form, 10, 10, 40, 40);  // under: red
    auto* over = AddAt<TBlock>(form, 20, 20, 40, 40);
    over->fill = clBlue;

    const QImage picture = form.grab().toImage();
    EXPECT_EQ(picture.pixel(12, 12), RgbOf(clRed));      // under's painted quarter
    EXPECT_EQ(picture.pixel(45, 45), RgbOf(clBtnFace));  // neither painted here: the form shows
    EXPECT_EQ(picture.pixel(22, 22), RgbOf(clBlue));     // the later control lies on top
    EXPECT_EQ(picture.pixel(25, 42), RgbOf(clBtnFace));
    // Over's unpainted part shows under's painting beneath it.
    EXPECT_EQ(PixelAt(over, 9, 25), RgbOf(clBtnFace));
    EXPECT_EQ(PixelAt(over, 25, 2), RgbOf(clBtnFace));
    EXPECT_EQ(picture.pixel(29, 21), RgbOf(clBlue));
}

TEST(Controls, ClickingFiresOnClickOnlyWhenReleasedOverTheControl)
{
    TForm form(nullptr);
    SetClientSize(form, 200, 100);
    auto* block = AddAt<TBlock>(form, 0, 0, 50, 50);
    int clicks = 0;
    std::vector<int> downs;
    block->SetOnClick(TNotifyEvent::FromFunction([&](TObject* sender) {
        EXPECT_EQ(sender, block);
        ++clicks;
    }));
    block->OnMouseDown = TMouseEvent::FromFunction(
        [&](TObject*, TMouseButton button, TShiftState, int x, int) { downs.push_back(button == mbLeft ? x : -1); });
    form.Show();
    QTest::mouseClick(block, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(downs, std::vector<int>{10});
    QTest::mousePress(block, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(block, Qt::LeftButton, Qt::NoModifier, QPoint(80, 10));
    EXPECT_EQ(clicks, 1);
    form.Hide();
}

// Records the mouse-enter notifications a control hears, its own and its children's.
class TListener : public TCustomControl {
    Q_OBJECT

public:
    using TCustomControl::TCustomControl;
    std::vector<TControl*> entered;
    std::vector<TControl*> left;
    void MouseEnter(TControl* control) override
    {
        TCustomControl::MouseEnter(control);
        entered.push_back(control);
    }
    void MouseLeave(TControl* control) override
    {
        TCustomControl::MouseLeave(control);
        left.push_back(control);
    }
};

TEST(Controls, MouseEnterAndLeaveReachTheControlThenPassOnToItsParent)
{
    TForm form(nullptr);
    auto* panel = Add<TListener>(form);
    auto* block = Add<TBlock>(form, panel);
    int enters = 0;
    int leaves = 0;
    block->OnMouseEnter = TNotifyEvent::FromFunction([&](TObject*) { ++enters; });
    block->OnMouseLeave = TNotifyEvent::FromFunction([&](TObject*) { ++leaves; });
    panel->OnMouseEnter = TNotifyEvent::FromFunction([&](TObject*) { FAIL() << "a child's entry is not the panel's"; });

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(block, &enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(block, &leave);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(panel->entered, std::vector<TControl*>{block});
    EXPECT_EQ(panel->left, std::vector<TControl*>{block});
}

TEST(Controls, OwnerAndParentFreeEachControlOnce)
{
    // The owner goes first: controls it owns leave their parents, which another owns.
    auto* formA = new TForm(nullptr);
    auto* formB = new TForm(nullptr);
    auto* panelOfB = new TPanelish(formB);
    panelOfB->SetParent(formB);
    QPointer<TEdit> ownedByA = new TEdit(formA);
    ownedByA->SetParent(panelOfB);
    delete formA;
    EXPECT_TRUE(ownedByA.isNull());
    EXPECT_EQ(panelOfB->ControlCount(), 0);

    // The parent goes first: its children go with it and leave their owner's list.
    auto* formC = new TForm(nullptr);
    auto* child = new TEdit(formC);
    child->SetParent(panelOfB);
    child->SetName(QStringLiteral("Child"));
    delete panelOfB;
    EXPECT_EQ(formC->FindComponent(QStringLiteral("Child")), nullptr);
    EXPECT_EQ(formC->ComponentCount(), 0);

    // A plain widget as parent, the owner first and then the other way round.
    auto plain = std::make_unique<QWidget>();
    auto* inPlain = new TEdit(formC);
    inPlain->QWidget::setParent(plain.get());
    delete formC;
    EXPECT_TRUE(plain->children().isEmpty());
    auto* formD = new TForm(nullptr);
    auto* inPlain2 = new TEdit(formD);
    inPlain2->QWidget::setParent(plain.get());
    plain.reset();
    EXPECT_EQ(formD->ComponentCount(), 0);
    delete formD;
    delete formB;
}

TEST(Controls, AFormWithNestedControlsIsFreedWhole)
{
    auto* form = new TForm(nullptr);
    auto* outer = new TPanelish(form);
    outer->SetParent(form);
    auto* inner = new TPanelish(form);
    inner->SetParent(outer);
    for (int i = 0; i < 5; ++i)
        (new TEdit(form))->SetParent(inner);
    (new TBlock(form))->SetParent(outer);
    QPointer<TPanelish> watch = inner;
    delete form;
    EXPECT_TRUE(watch.isNull());
}

TEST(Controls, AControlCannotBeItsOwnParentAndFocusNeedsAVisibleControl)
{
    TForm form(nullptr);
    auto* panel = new TPanelish(&form);
    EXPECT_THROW(panel->SetParent(panel), EInvalidOperation);
    auto* edit = Add<TEdit>(form);
    EXPECT_FALSE(edit->CanFocus());  // the form is hidden
    EXPECT_THROW(edit->SetFocus(), EInvalidOperation);
}

TEST(Controls, DrawingOnTheCanvasOutsidePaintingIsShownWhenUpdated)
{
    gdi::ScopedClassicColors classic;
    TForm form(nullptr);
    SetClientSize(form, 40, 40);
    auto* block = AddAt<TBlock>(form, 0, 0, 40, 40);
    EXPECT_EQ(PixelAt(block, 30, 30), RgbOf(clBtnFace));
    block->Canvas()->Brush()->SetColor(clLime);
    block->Canvas()->FillRect(Rect(25, 25, 35, 35));
    block->update();
    EXPECT_EQ(PixelAt(block, 30, 30), RgbOf(clLime));
    block->Invalidate();  // a full paint starts again from what lies beneath
    EXPECT_EQ(PixelAt(block, 30, 30), RgbOf(clBtnFace));
}

TEST(Controls, AWindowedControlDrawnOnBetweenPaintsShowsTheDrawingOverItsPicture)
{
    gdi::ScopedClassicColors classic;
    TForm form(nullptr);
    SetClientSize(form, 40, 40);
    auto* panel = AddAt<TPanelish>(form, 0, 0, 40, 40);
    panel->fill = clRed;
    EXPECT_EQ(PixelAt(panel, 30, 30), RgbOf(clBtnFace));
    panel->Canvas()->Brush()->SetColor(clLime);
    panel->Canvas()->FillRect(Rect(25, 25, 35, 35));
    panel->update();
    EXPECT_EQ(PixelAt(panel, 30, 30), RgbOf(clLime));  // in the colour the drawing chose
    EXPECT_EQ(PixelAt(panel, 5, 5), RgbOf(clRed));     // over what the panel showed
    panel->Invalidate();
    EXPECT_EQ(PixelAt(panel, 30, 30), RgbOf(clBtnFace));
}

}  // namespace

#include "ControlsTest.moc"
