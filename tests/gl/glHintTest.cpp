#include "gl/glHint.h"

#include "GlTestSupport.h"

#include "toolkit/Exceptions.h"
#include "toolkit/FormReader.h"

#include "platform/gdi/SystemMetrics.h"
#include "support/ClassicColors.h"
#include "support/Rgb.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using gltest::Picture;

const QString kHint = QStringLiteral("Replays directory");

class THintHost : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
};

// Puts the application's hint handlers, hint window class and screen size back afterwards.
class StyledHint : public testing::Test {
protected:
    void SetUp() override
    {
        savedHint = Application->OnHint;
        savedShowHint = Application->OnShowHint;
        savedClass = Application->HintWindowClass();
        gdi::SetSystemMetricOverride(gdi::SM_CXSCREEN, 800);
        gdi::SetSystemMetricOverride(gdi::SM_CYSCREEN, 600);
    }

    void TearDown() override
    {
        Application->OnHint = savedHint;
        Application->OnShowHint = savedShowHint;
        Application->SetHintWindowClass(savedClass);
        Application->SetShowHint(false);
        Application->SetShowHint(true);
        gdi::ClearSystemMetricOverrides();
    }

    TNotifyEvent savedHint;
    TShowHintEvent savedShowHint;
    TComponentClass savedClass;
};

TEST(GlHintWindowBounds, GrowsByThePictureAndALineAndStaysOnTheScreen)
{
    // Room enough: only the size changes.
    EXPECT_EQ(GlHintWindowBounds(Rect(100, 50, 200, 66), 800, 600), Rect(100, 50, 220, 67));
    // Near the bottom-right corner: moved up and left, wholly on the screen.
    EXPECT_EQ(GlHintWindowBounds(Rect(750, 590, 850, 606), 800, 600), Rect(680, 583, 800, 600));
    // Starting left of the screen: from 0; wider than the screen: from 0 as well.
    EXPECT_EQ(GlHintWindowBounds(Rect(-40, 10, 60, 26), 800, 600), Rect(0, 10, 120, 27));
    EXPECT_EQ(GlHintWindowBounds(Rect(10, 10, 900, 26), 800, 600), Rect(0, 10, 910, 27));
    // Above the top of the screen: left there.
    EXPECT_EQ(GlHintWindowBounds(Rect(10, -30, 60, -14), 800, 600), Rect(10, -30, 80, -13));
}

TEST(GlHintTextRect, TextStartsBesideThePictureOneLineDown)
{
    EXPECT_EQ(GlHintTextRect(Rect(0, 0, 120, 17)), Rect(20, 1, 120, 17));
}

TEST_F(StyledHint, TheWindowIsMeasuredTextPlus26By3AndHasNoBorder)
{
    TglHintWindow window(nullptr);
    EXPECT_EQ(window.Canvas()->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(window.Canvas()->Font()->Size(), 8);
    EXPECT_EQ(int(window.Canvas()->Font()->Charset()), 204);

    const QSize text = window.Canvas()->TextExtent(kHint);
    const TRect measured = window.CalcHintRect(800, kHint);
    window.ActivateHint(measured.Translated(100, 200), kHint);
    EXPECT_TRUE(window.Visible());
    EXPECT_EQ(window.Caption(), kHint);
    EXPECT_EQ(window.BoundsRect(), Rect(100, 200, 100 + text.width() + 26, 200 + text.height() + 3));
    EXPECT_EQ(window.ClientWidth(), window.Width()); // no platform-drawn border
}

TEST_F(StyledHint, TheWindowIsClampedToTheScreenExceptAtTheTop)
{
    TglHintWindow window(nullptr);
    const TRect measured = window.CalcHintRect(800, kHint);
    window.ActivateHint(measured.Translated(790, 595), kHint);
    EXPECT_EQ(window.Left() + window.Width(), 800);
    EXPECT_EQ(window.Top() + window.Height(), 600);
    window.ActivateHint(measured.Translated(10, -50), kHint);
    EXPECT_EQ(window.Top(), -50);
}

TEST_F(StyledHint, PaintsAFrameThePictureAndTheTextBesideIt)
{
    gdi::ScopedClassicColors classic;
    TglHintWindow window(nullptr);
    window.ActivateHint(window.CalcHintRect(800, kHint).Translated(10, 10), kHint);
    const QImage p = Picture(&window);
    const int w = p.width();
    const int h = p.height();
    ASSERT_EQ(w, window.Width());

    const QRgb black = RgbOf(clBlack);
    const QRgb white = RgbOf(clWhite);
    EXPECT_EQ(p.pixel(w / 2, 0), black);
    EXPECT_EQ(p.pixel(w / 2, h - 1), black);
    EXPECT_EQ(p.pixel(w - 1, h / 2), black);
    EXPECT_EQ(p.pixel(0, 0), black);         // the picture leaves the corner above it
    EXPECT_EQ(p.pixel(w - 3, h / 2), white); // beyond the text, inside the frame

    gdi::Bitmap picture;
    ASSERT_TRUE(picture.LoadFromResourceName(QStringLiteral("HELP")));
    ASSERT_EQ(QSize(picture.Width(), picture.Height()), QSize(14, 15));
    // Unscaled at (0, 1): a window lower than the picture cuts it off.
    for (int y = 0; y < picture.Height() && y + 1 < h; ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const gdi::ColorRef c = picture.Pixel(x, y);
            ASSERT_EQ(p.pixel(x, y + 1), qRgb(gdi::GetRValue(c), gdi::GetGValue(c), gdi::GetBValue(c)))
                << x << "," << y;
        }

    // Nothing between the picture and the text; the text is black, from column 20 on.
    int firstInk = -1;
    for (int x = 1; x < w - 1 && firstInk < 0; ++x)
        for (int y = 1; y < h - 1; ++y)
            if (x >= 14 && p.pixel(x, y) != white) {
                firstInk = x;
                EXPECT_EQ(p.pixel(x, y), black);
                break;
            }
    EXPECT_GE(firstInk, 20);
    EXPECT_LE(firstInk, 22);

    // A look at the hint as the user sees it, when asked for.
    const QByteArray shots = qgetenv("DUPSWEEP_SCREENSHOTS");
    if (!shots.isEmpty()) {
        EXPECT_TRUE(p.save(QString::fromLocal8Bit(shots) + QStringLiteral("/hint-window.png")));
    }
}

TEST_F(StyledHint, ALongHintWrapsFromTheTopOfTheTextArea)
{
    gdi::ScopedClassicColors classic;
    TglHintWindow window(nullptr);
    const QString hint = QStringLiteral("Папка с реплеями, в которой ищутся одинаковые файлы");
    const int lineHeight = window.Canvas()->TextExtent(hint).height();
    const TRect measured = window.CalcHintRect(120, hint);
    ASSERT_GE(measured.Height(), 3 * lineHeight);
    window.ActivateHint(measured.Translated(0, 0), hint);
    const QImage p = Picture(&window);
    const auto inkInRows = [&](int from, int to) {
        for (int y = from; y < to; ++y)
            for (int x = 20; x < p.width() - 1; ++x)
                if (p.pixel(x, y) == RgbOf(clBlack))
                    return true;
        return false;
    };
    EXPECT_TRUE(inkInRows(1, 1 + lineHeight));
    EXPECT_TRUE(inkInRows(1 + 2 * lineHeight, 1 + 3 * lineHeight));
}

TEST_F(StyledHint, AnActivationMessageHidesTheWindow)
{
    TglHintWindow window(nullptr);
    window.ActivateHint(window.CalcHintRect(800, kHint).Translated(10, 10), kHint);
    ASSERT_TRUE(window.Visible());
    QEvent activation(QEvent::ActivationChange);
    QCoreApplication::sendEvent(&window, &activation);
    EXPECT_FALSE(window.Visible());
}

TEST_F(StyledHint, CreatingItMakesTheApplicationsHintWindowStyledWhateverActiveSays)
{
    THintHost form(nullptr);
    auto* hint = new TglHint(&form);
    EXPECT_FALSE(hint->Active());
    EXPECT_TRUE(hint->ShowHint());
    EXPECT_TRUE(Application->ShowHint());
    EXPECT_NE(dynamic_cast<TglHintWindow*>(Application->HintWindow()), nullptr);
    EXPECT_TRUE(Application->HintWindowClass() == ClassOf<TglHintWindow>());
}

TEST_F(StyledHint, WhileHookedOnlyItsOwnEventsRunAndDestructionGivesTheOldOnesBack)
{
    int oldHints = 0;
    int oldShows = 0;
    const TNotifyEvent oldHint = TNotifyEvent::FromFunction([&](TObject*) { ++oldHints; });
    const TShowHintEvent oldShow = TShowHintEvent::FromFunction([&](QString&, bool&, THintInfo&) { ++oldShows; });
    Application->OnHint = oldHint;
    Application->OnShowHint = oldShow;

    auto form = std::make_unique<THintHost>(nullptr);
    auto* hint = new TglHint(form.get());
    TObject* sender = nullptr;
    hint->OnHint = TNotifyEvent::FromFunction([&](TObject* s) { sender = s; });
    hint->OnShowHint = TShowHintEvent::FromFunction([](QString& text, bool& canShow, THintInfo& info) {
        text += QStringLiteral("!");
        canShow = false;
        info.HintMaxWidth = 77;
    });

    Application->SetHint(QStringLiteral("one"));
    EXPECT_EQ(sender, Application);
    QString text = kHint;
    bool canShow = true;
    THintInfo info;
    Application->OnShowHint(text, canShow, info);
    EXPECT_EQ(text, kHint + QStringLiteral("!"));
    EXPECT_FALSE(canShow);
    EXPECT_EQ(info.HintMaxWidth, 77);

    // Without handlers of its own it calls nothing at all.
    hint->OnHint = nullptr;
    hint->OnShowHint = nullptr;
    Application->SetHint(QStringLiteral("two"));
    Application->OnShowHint(text, canShow, info);
    EXPECT_EQ(oldHints, 0);
    EXPECT_EQ(oldShows, 0);

    form.reset();
    EXPECT_TRUE(Application->OnHint == oldHint);
    EXPECT_TRUE(Application->OnShowHint == oldShow);
    EXPECT_TRUE(Application->HintWindowClass() == ClassOf<TglHintWindow>()); // not given back
}

TEST_F(StyledHint, LoadedActiveItHooksAgainYetGivesBackTheHandlersFromBeforeTheFirstHook)
{
    const TNotifyEvent oldHint = TNotifyEvent::FromFunction([](TObject*) {});
    Application->OnHint = oldHint;
    Application->OnShowHint = nullptr;
    auto form = std::make_unique<THintHost>(nullptr);
    TReader::ReadRootComponent(form.get(), QStringLiteral("object HintHost: THintHost\n"
                                                          "  object glHint1: TglHint\n"
                                                          "    Active = True\n"
                                                          "    ShowHint = False\n"
                                                          "  end\n"
                                                          "end\n"));
    auto* hint = form->FindComponent<TglHint>(QStringLiteral("glHint1"));
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->ShowHint()); // the second hook set it again
    EXPECT_TRUE(Application->ShowHint());
    EXPECT_TRUE(Application->OnHint == TNotifyEvent(hint, &TglHint::ForwardHint));
    form.reset();
    EXPECT_TRUE(Application->OnHint == oldHint);
    EXPECT_FALSE(Application->OnShowHint.Assigned());
}

TEST_F(StyledHint, ASecondInstanceOnTheSameOwnerIsRefused)
{
    THintHost form(nullptr);
    new TglHint(&form);
    try {
        new TglHint(&form);
        FAIL() << "a second TglHint was made";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create more than one instance of TglHint component"));
    }
    EXPECT_EQ(form.ComponentCount(), 1);

    THintHost other(nullptr);
    EXPECT_NO_THROW(new TglHint(&other)); // another owner may have its own

    THintHost loaded(nullptr);
    EXPECT_THROW(TReader::ReadRootComponent(&loaded, QStringLiteral("object HintHost: THintHost\n"
                                                                    "  object glHint1: TglHint\n"
                                                                    "  end\n"
                                                                    "  object glHint2: TglHint\n"
                                                                    "  end\n"
                                                                    "end\n")),
                 Exception);
}

} // namespace

#include "glHintTest.moc"
