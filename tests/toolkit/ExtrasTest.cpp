// The label and the timer.
#include "support/Rgb.h"
#include "support/Eventually.h"
#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "toolkit/StdCtrls.h"
#include "support/ClassicColors.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(Label, ItSizesItselfToItsCaptionKeepingItsAlignedEdge)
{
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetBounds(100, 10, 200, 40);
    label->SetCaption(QStringLiteral("Pellin"));
    const QSize extent = label->Canvas()->TextExtent(QStringLiteral("Pellin"));
    EXPECT_EQ(label->Width(), extent.width());
    EXPECT_EQ(label->Height(), extent.height());
    EXPECT_EQ(label->Left(), 100);

    label->SetAlignment(taRightJustify);
    const int right = label->Left() + label->Width();
    label->SetCaption(QStringLiteral("Korvane and more"));
    EXPECT_EQ(label->Left() + label->Width(), right);

    label->SetAutoSize(false);
    label->SetBounds(0, 0, 10, 10);
    label->SetCaption(QStringLiteral("long text that does not fit"));
    EXPECT_EQ(label->Width(), 10);
}

TEST(Label, ATransparentLabelShowsItsParentBetweenTheLetters)
{
    gdi::ScopedClassicColors classic;
    TForm form(nullptr);
    form.SetColor(clNavy);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetCaption(QStringLiteral("Harro"));
    label->Font()->SetColor(clLime);
    label->SetColor(clBtnFace);
    const QImage opaque = label->grab().toImage();
    EXPECT_EQ(opaque.pixel(0, 0), RgbOf(clBtnFace));
    label->SetTransparent(true);
    const QImage clear = label->grab().toImage();
    EXPECT_EQ(clear.pixel(0, 0), RgbOf(clNavy));
    bool letters = false;
    for (int x = 0; x < clear.width(); ++x)
        for (int y = 0; y < clear.height(); ++y)
            letters = letters || clear.pixel(x, y) == RgbOf(clLime);
    EXPECT_TRUE(letters);
}

TEST(Timer, ItFiresWhileEnabledAndStopsWhenDisabled)
{
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(5);
    timer.SetOnTimer(TNotifyEvent::FromFunction([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    }));
    ASSERT_EVENTUALLY(ticks >= 2);
    timer.SetEnabled(false);
    const int stopped = ticks;
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, stopped);
}

class TTimerForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
    int ticks = 0;

public slots:
    void Timer1Timer(TObject*) { ++ticks; }
};

TEST(Timer, AStoredDisabledTimerNeverRuns)
{
    std::unique_ptr<TTimerForm> form(Create<TTimerForm>(nullptr));
    TReader::ReadRootComponent(form.get(), QStringLiteral(R"(object F: TTimerForm
  object Timer1: TTimer
    Enabled = False
    Interval = 5000
    OnTimer = Timer1Timer
  end
end
)"));
    auto* timer = form->FindComponent<TTimer>(QStringLiteral("Timer1"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 5000);
    EXPECT_EQ(timer->OnTimer().MethodName(), QByteArray("Timer1Timer"));
    timer->SetInterval(1);
    timer->SetEnabled(true);
    ASSERT_EVENTUALLY(form->ticks > 0);
}

}  // namespace

#include "ExtrasTest.moc"
