// The application's hint switch, pauses, events and the base hint window.
#include "support/Eventually.h"
#include "toolkit/Application.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/Exceptions.h"
#include "toolkit/StdCtrls.h"

#include "platform/gdi/SystemMetrics.h"
#include "support/ClassicColors.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <gtest/gtest.h>

#include <memory>

namespace {

class TRedHintWindow : public THintWindow {
    Q_OBJECT

public:
    using THintWindow::THintWindow;
};

class Hints : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm>(nullptr);
        form->SetClientWidth(300);
        form->SetClientHeight(100);
        edit = new TEdit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(10, 10, 100, 21);
        edit->SetHint(QStringLiteral("Replays directory|The folder to scan"));
        edit->SetShowHint(true);
        plain = new TEdit(form.get());
        plain->SetParent(form.get());
        plain->SetBounds(10, 50, 100, 21);
        Application->SetHintPause(kShortPause);
        Application->SetHintHidePause(kLongHide);
    }
    void TearDown() override
    {
        Application->CancelHint();
        Application->OnShowHint = {};
        Application->OnHint = {};
        Application->SetHintPause(500);
        Application->SetHintHidePause(2500);
        Application->SetHint(QString());
        form.reset();
    }

    // Pauses kept short so the tests wait little; their order is what is checked.
    static constexpr int kShortPause = 40;
    static constexpr int kLongHide = 60000;

    // The pointer at a client point of control, where the platform's cursor is too: a window that
    // shows or hides under it then reports the pointer where the test put it.
    static void PointAt(TControl* control, int x, int y)
    {
        const TPoint global = control->ClientToScreen(TPoint(x, y));
        QCursor::setPos(global.x(), global.y());
        Application->HintMouseMessage(control, global);
    }

    std::unique_ptr<TForm> form;
    TEdit* edit = nullptr;
    TEdit* plain = nullptr;
};

TEST(HintDefaults, TheApplicationPausesAre500And2500Milliseconds)
{
    TApplication* app = Application;
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(app->HintPause(), 500);
    EXPECT_EQ(app->HintHidePause(), 2500);
    EXPECT_TRUE(app->ShowHint());
    ASSERT_NE(app->HintWindow(), nullptr);
    EXPECT_EQ(app->HintWindowClass(), ClassOf<THintWindow>());
}

TEST_F(Hints, TheSwitchMakesANewHintWindowOfTheCurrentClassAndDestroysIt)
{
    QPointer<THintWindow> before = Application->HintWindow();
    Application->SetHintWindowClass(ClassOf<TRedHintWindow>());
    EXPECT_EQ(Application->HintWindow(), before.data());  // the class alone changes nothing
    Application->SetHintColor(clCream);
    Application->SetShowHint(false);
    EXPECT_TRUE(before.isNull());
    EXPECT_EQ(Application->HintWindow(), nullptr);
    Application->SetShowHint(true);
    THintWindow* made = Application->HintWindow();
    ASSERT_NE(made, nullptr);
    EXPECT_NE(dynamic_cast<TRedHintWindow*>(made), nullptr);
    EXPECT_EQ(made->Owner(), Application);
    EXPECT_EQ(made->Color(), clCream);

    EXPECT_THROW(Application->SetHintWindowClass(ClassOf<TEdit>()), EInvalidOperation);
    Application->SetHintWindowClass(ClassOf<THintWindow>());
    Application->SetHintColor(clInfoBk);
    Application->SetShowHint(false);
    Application->SetShowHint(true);
}

TEST_F(Hints, AHintShowsAfterThePauseWithItsShortTextBelowThePointer)
{
    QElapsedTimer clock;
    clock.start();
    const TPoint pointer = edit->ClientToScreen(TPoint(5, 5));
    Application->HintMouseMessage(edit, pointer);
    EXPECT_FALSE(Application->HintVisible());
    ASSERT_EVENTUALLY(Application->HintVisible());
    EXPECT_GE(clock.elapsed(), kShortPause);
    THintWindow* window = Application->HintWindow();
    EXPECT_EQ(window->Caption(), QStringLiteral("Replays directory"));
    EXPECT_EQ(window->Left(), pointer.x());
    EXPECT_GT(window->Top(), pointer.y());
    EXPECT_EQ(Application->Hint(), QStringLiteral("The folder to scan"));
    // The pointer leaving the control ends the hint.
    Application->HintMouseMessage(plain, plain->ClientToScreen(TPoint(5, 5)));
    EXPECT_FALSE(Application->HintVisible());
}

TEST_F(Hints, TheHintHidesItselfAfterTheHidePause)
{
    Application->SetHintHidePause(kShortPause);
    // The hide pause runs from the hint's showing, not from when a poll first sees it: on a busy
    // machine the poll may come after the whole pause.
    QElapsedTimer clock;
    Application->OnShowHint = TShowHintEvent::FromFunction([&](QString&, bool&, THintInfo&) { clock.start(); });
    Application->HintMouseMessage(edit, edit->ClientToScreen(TPoint(5, 5)));
    ASSERT_EVENTUALLY(clock.isValid());
    ASSERT_EVENTUALLY(!Application->HintVisible());
    EXPECT_GE(clock.elapsed(), kShortPause - 10);
}

TEST_F(Hints, OnShowHintMayChangeTheTextOrForbidTheHint)
{
    bool allow = true;
    THintInfo seen;
    int asked = 0;
    Application->OnShowHint = TShowHintEvent::FromFunction([&](QString& text, bool& canShow, THintInfo& info) {
        ++asked;
        seen = info;
        text = QStringLiteral("changed");
        info.HintColor = clCream;
        canShow = allow;
    });
    Application->HintMouseMessage(edit, edit->ClientToScreen(TPoint(5, 5)));
    ASSERT_EVENTUALLY(Application->HintVisible());
    EXPECT_EQ(seen.HintControl, edit);
    EXPECT_EQ(seen.HintStr, QStringLiteral("Replays directory"));
    EXPECT_EQ(seen.HideTimeout, kLongHide);
    EXPECT_EQ(seen.CursorRect, edit->ClientRect());
    EXPECT_EQ(seen.HintMaxWidth, Screen->Width());
    EXPECT_EQ(Application->HintWindow()->Caption(), QStringLiteral("changed"));
    EXPECT_EQ(Application->HintWindow()->Color(), clCream);

    Application->CancelHint();
    allow = false;
    Application->HintMouseMessage(edit, edit->ClientToScreen(TPoint(6, 6)));
    ASSERT_EVENTUALLY_EQ(asked, 2);
    EXPECT_FALSE(Application->HintVisible());  // the handler said no
}

TEST_F(Hints, AControlWithoutShowHintTakesItsParentsHintSetting)
{
    Application->HintMouseMessage(plain, plain->ClientToScreen(TPoint(5, 5)));
    EXPECT_EQ(Application->HintControl(), nullptr);
    form->SetShowHint(true);
    form->SetHint(QStringLiteral("form hint"));
    Application->HintMouseMessage(plain, plain->ClientToScreen(TPoint(5, 6)));
    EXPECT_EQ(Application->HintControl(), plain);
    ASSERT_EVENTUALLY(Application->HintVisible());
    EXPECT_EQ(Application->HintWindow()->Caption(), QStringLiteral("form hint"));
}

// A list's hint is the whole line or row under the pointer, which may reach past its right edge:
// moving to another line brings that line's hint after the pause; blank space shows none.
TEST_F(Hints, AListHintsTheWholeLineUnderThePointer)
{
    auto* box = new TListBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(120, 10, 150, 80);
    box->SetItemHeight(13);
    box->SetShowHint(true);
    const QString first = QStringLiteral("/replays/") + QString(100, u'a') + QStringLiteral("/first.rep");
    const QString second = QStringLiteral("/replays/second.rep");
    box->Items()->Add(first);
    box->Items()->Add(second);
    form->Show();
    QCoreApplication::processEvents();

    PointAt(box, 20, 5);
    ASSERT_EVENTUALLY(Application->HintVisible());
    EXPECT_EQ(Application->HintWindow()->Caption(), first);
    PointAt(box, 30, 6); // the same line: it stays
    EXPECT_TRUE(Application->HintVisible());
    PointAt(box, 30, 18);
    EXPECT_FALSE(Application->HintVisible());
    ASSERT_EVENTUALLY(Application->HintVisible());
    EXPECT_EQ(Application->HintWindow()->Caption(), second);
    PointAt(box, 30, 60); // below the last line
    EXPECT_FALSE(Application->HintVisible());
    Application->ActivateHint(); // as the end of the pause would: nothing to show there
    EXPECT_FALSE(Application->HintVisible());

    auto* view = new TListView(form.get());
    view->SetParent(form.get());
    view->SetBounds(10, 40, 100, 50);
    view->SetViewStyle(vsReport);
    view->Columns()->Add()->SetCaption(QStringLiteral("Файл"));
    view->Columns()->Add()->SetCaption(QStringLiteral("Причина"));
    TListItem* row = view->Items()->Add();
    row->SetCaption(first);
    row->AddSubItem(QStringLiteral("Файл только для чтения"));
    view->SetShowHint(true);
    QCoreApplication::processEvents();

    const QRect rowRect = view->View()->visualRect(view->View()->model()->index(0, 0));
    const QPoint inRow = view->View()->viewport()->mapTo(view, rowRect.center());
    PointAt(view, inRow.x(), inRow.y());
    ASSERT_EVENTUALLY(Application->HintVisible());
    EXPECT_EQ(Application->HintWindow()->Caption(), first + QStringLiteral("\nФайл только для чтения"));
    form->Hide();
}

TEST_F(Hints, HintChangesFireOnHintOrGoToTheMainFormAsAStatusTip)
{
    int fired = 0;
    Application->OnHint = TNotifyEvent::FromFunction([&](TObject* sender) {
        EXPECT_EQ(sender, Application);
        ++fired;
    });
    Application->SetHint(QStringLiteral("one"));
    Application->SetHint(QStringLiteral("one"));
    EXPECT_EQ(fired, 1);
    Application->OnHint = {};
    // Without a handler the main form hears it; this program has no main form in tests.
    EXPECT_EQ(Application->MainForm(), nullptr);
    Application->SetHint(QStringLiteral("two"));
    EXPECT_EQ(Application->Hint(), QStringLiteral("two"));
}

TEST_F(Hints, QtsOwnTooltipsNeverAppear)
{
    edit->Editor()->setToolTip(QStringLiteral("a Qt tooltip"));
    form->Show();
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), edit->Editor()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(edit->Editor(), &help);
    EXPECT_FALSE(QToolTip::isVisible());
    form->Hide();
}

TEST_F(Hints, ThePointerMovingOverAShownFormReachesTheHintMachinery)
{
    form->Show();
    QTest::mouseMove(edit->Editor(), QPoint(20, 10));
    ASSERT_EVENTUALLY_EQ(Application->HintControl(), static_cast<TControl*>(edit));
    ASSERT_EVENTUALLY(Application->HintVisible());
    QTest::mouseClick(edit->Editor(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    EXPECT_FALSE(Application->HintVisible());  // a click ends the hint
    form->Hide();
}

// A hint window that hides when activated, as styled hint windows do.
class THidingHintWindow : public THintWindow {
    Q_OBJECT

public:
    using THintWindow::THintWindow;
    int activations = 0;

protected:
    void ActivationChanged(bool) override
    {
        ++activations;
        Hide();
    }
};

TEST_F(Hints, ASubclassHearsTheActivationMessageAndMayHide)
{
    THidingHintWindow window(nullptr);
    window.ActivateHint(Rect(10, 10, 60, 30), QStringLiteral("x"));
    EXPECT_TRUE(window.Visible());
    QEvent activation(QEvent::ActivationChange);
    QCoreApplication::sendEvent(&window, &activation);
    EXPECT_EQ(window.activations, 1);
    EXPECT_FALSE(window.Visible());
}

TEST_F(Hints, TheBaseWindowMeasuresWrappedTextPlusSixByTwo)
{
    THintWindow* window = Application->HintWindow();
    const QString text = QStringLiteral("Replays directory");
    const QSize extent = window->Canvas()->TextExtent(text);
    const TRect r = window->CalcHintRect(1000, text);
    EXPECT_EQ(r, Rect(0, 0, extent.width() + 6, extent.height() + 2));
    const TRect wrapped = window->CalcHintRect(extent.width() / 2, text);
    EXPECT_GT(wrapped.Height(), r.Height());
}

TEST_F(Hints, TheBaseWindowStaysOnTheScreenAndShowsWithoutTakingTheActivation)
{
    gdi::SetSystemMetricOverride(gdi::SM_CXSCREEN, 800);
    gdi::SetSystemMetricOverride(gdi::SM_CYSCREEN, 600);
    THintWindow* window = Application->HintWindow();
    window->ActivateHint(Rect(780, 590, 880, 610), QStringLiteral("corner"));
    EXPECT_EQ(window->BoundsRect(), Rect(700, 580, 800, 600));
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->ActivateHint(Rect(-30, -5, 20, 5), QStringLiteral("left"));
    EXPECT_EQ(window->BoundsRect(), Rect(0, 0, 50, 10));
    window->Hide();
    gdi::ClearSystemMetricOverrides();
}

TEST_F(Hints, TheBaseWindowHasAOnePixelFrameAndItsTextTwoPixelsIn)
{
    gdi::ScopedClassicColors classic;
    THintWindow* window = Application->HintWindow();
    const TRect r = window->CalcHintRect(300, QStringLiteral("Hi"));
    window->ActivateHint(r.Translated(10, 10), QStringLiteral("Hi"));
    const QImage p = window->grab().toImage();
    window->Hide();
    const auto rgb = [](TColor c) {
        const auto v = gdi::ColorRef(ColorToRGB(c));
        return qRgb(gdi::GetRValue(v), gdi::GetGValue(v), gdi::GetBValue(v));
    };
    EXPECT_EQ(p.pixel(0, 0), rgb(clWindowFrame));
    EXPECT_EQ(p.pixel(p.width() - 1, p.height() - 1), rgb(clWindowFrame));
    EXPECT_EQ(p.pixel(1, 1), rgb(clInfoBk));
    EXPECT_EQ(p.pixel(2, p.height() / 2), rgb(clInfoBk));  // the text starts further in
    bool text = false;
    for (int x = 3; x < p.width() - 1; ++x)
        for (int y = 1; y < p.height() - 1; ++y)
            text = text || p.pixel(x, y) == rgb(clInfoText);
    EXPECT_TRUE(text);
}

}  // namespace

#include "HintTest.moc"
