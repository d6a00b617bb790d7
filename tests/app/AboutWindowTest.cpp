// The About window as start-up makes it: its layout and picture from the description, shown
// modally by the main window's About button, closed by "GG" or Enter but not Escape, the hidden
// names under the pointer, the link handed to the desktop, the notch in its corner.
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "support/Eventually.h"

#include "gl/glBitBtn.h"
#include "gl/glHShape.h"
#include "gl/glLabel.h"
#include "platform/shellns/Execute.h"
#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Jpeg.h"
#include "toolkit/MessageBox.h"
#include "toolkit/StdCtrls.h"
#include "support/FakeDesktop.h"
#include "support/MessageBoxRecorder.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class AboutWindow : public testing::Test {
protected:
    void SetUp() override
    {
        Application->SetTitle(QStringLiteral("Dupsweep"));
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Application->CreateForm(Form3);
    }

    void TearDown() override
    {
        delete Form3;
        delete Form2;
        delete Form1;
    }

    // Runs check once the About window's modal loop has started, then whatever ends it.
    static TModalResult ShowModal(std::function<void()> whileShown)
    {
        QTimer::singleShot(0, Form3, std::move(whileShown));
        return Form3->ShowModal();
    }

    // Clicks the address label in the shown window, then closes it; whether the click left it open.
    static bool ClickTheLinkAndStayOpen()
    {
        bool stillOpen = false;
        ShowModal([&] {
            QTest::mouseClick(Form3->glLabel6, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            stillOpen = Form3->Modal();
            Form3->glBitBtn1->Click();
        });
        return stillOpen;
    }

    static void Key(int key)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Form3;
        QTest::keyClick(target, Qt::Key(key));
    }

    testsupport::FakeDesktop desktop;
};

TEST_F(AboutWindow, ItIsBuiltHiddenFromItsDescription)
{
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(Form3->Caption(), QStringLiteral(" О программе"));
    EXPECT_EQ(Form3->BorderStyle(), bsDialog);
    EXPECT_EQ(Form3->ClientWidth(), 510);
    EXPECT_EQ(Form3->ClientHeight(), 200);

    EXPECT_EQ(Form3->Image1->BoundsRect(), Rect(0, 0, 300, 200));
    EXPECT_EQ(Form3->Image1->Align(), alLeft);
    auto* picture = qobject_cast<TJPEGImage*>(Form3->Image1->Picture()->Graphic());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 300);
    EXPECT_EQ(picture->Height(), 200);
    EXPECT_NEAR(double(picture->Stream().size()), 13042.0, 1300.0);

    const std::vector<std::pair<TglLabel*, QString>> labels = {
        {Form3->glLabel1, QStringLiteral("Made by Korvane")},
        {Form3->glLabel2, QStringLiteral("Dupsweep ver 1.0")},
        {Form3->glLabel3, QStringLiteral("Программа для удаления ")},
        {Form3->glLabel4, QStringLiteral("одинаковых реплеев с базы")},
        {Form3->glLabel5, QStringLiteral("Clan Vexal")},
        {Form3->glLabel6, QStringLiteral("www.example.org")},
    };
    const std::vector<TPoint> places = {{312, 68}, {304, 4}, {305, 29}, {305, 45}, {345, 93}, {308, 137}};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i].first->Caption(), labels[i].second);
        EXPECT_EQ(TPoint(labels[i].first->Left(), labels[i].first->Top()), places[i]);
        EXPECT_TRUE(labels[i].first->Visible());
    }
    EXPECT_EQ(Form3->glLabel6->Cursor(), crHandPoint);

    const std::vector<std::pair<TLabel*, QString>> names = {
        {Form3->Label1, QStringLiteral("Pellin")},
        {Form3->Label2, QStringLiteral("Korvane")},
        {Form3->Label3, QStringLiteral("Harro")},
    };
    for (const auto& [label, caption] : names) {
        EXPECT_EQ(label->Caption(), caption);
        EXPECT_FALSE(label->Visible());
        EXPECT_TRUE(label->Transparent());
    }
    EXPECT_EQ(Form3->Label2->Top(), -2);

    EXPECT_EQ(Form3->glHoleShape1->BoundsRect(), Rect(301, 155, 521, 205));
    EXPECT_EQ(Form3->glHoleShape1->RectEllipse()->X(), 45);
    EXPECT_EQ(Form3->glBitBtn1->Caption(), QStringLiteral("GG"));
    EXPECT_EQ(Form3->glBitBtn1->Kind(), bkYes);
    EXPECT_TRUE(Form3->glBitBtn1->Default());
    EXPECT_FALSE(Form3->glBitBtn1->Cancel());
    EXPECT_EQ(Form3->glBitBtn1->ModalResult(), mrYes);
    EXPECT_FALSE(Form3->Timer1->Enabled());
    EXPECT_EQ(Form3->Timer1->Interval(), 5000);
}

TEST_F(AboutWindow, TheAboutButtonShowsTheSameWindowEachTimeWithItsStateKept)
{
    bool shown = false;
    QTimer::singleShot(0, Form3, [&] {
        shown = Form3->Modal() && Form3->Visible();
        EXPECT_EQ(QApplication::activeModalWidget(), Form3);  // the main window takes no input
        Form3->Label2->Show();  // left visible, as a pointer gone off the window leaves it
        Form3->glBitBtn1->Click();
    });
    Form1->glBitBtn4->Click();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(Form3->Visible());

    bool keptState = false;
    QTimer::singleShot(0, Form3, [&] {
        keptState = Form3->Label2->Visible();
        Form3->close();  // the caption's close box
    });
    Form1->glBitBtn4->Click();
    EXPECT_TRUE(keptState);
    EXPECT_FALSE(Form3->Visible());
}

TEST_F(AboutWindow, EnterClosesItWithYesAndEscapeDoesNothing)
{
    bool openAfterEscape = false;
    const TModalResult result = ShowModal([&] {
        ASSERT_EVENTUALLY_ACTIVE(Form3);
        EXPECT_TRUE(Form3->glBitBtn1->Focused());
        Key(Qt::Key_Escape);
        QCoreApplication::processEvents();
        openAfterEscape = Form3->Modal();
        Key(Qt::Key_Return);
    });
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(result, 6);
}

TEST_F(AboutWindow, TheHiddenNamesShowWhileThePointerIsOverTheClan)
{
    Form3->Show();
    ASSERT_EVENTUALLY_EXPOSED(Form3);
    TLabel* const names[] = {Form3->Label1, Form3->Label2, Form3->Label3};
    QTest::mouseMove(Form3->glLabel5, QPoint(10, 10));
    for (TLabel* name : names)
        ASSERT_EVENTUALLY(name->Visible());
    // The names lie over the picture.
    for (TLabel* name : names)
        EXPECT_TRUE(Form3->Image1->BoundsRect().Contains(name->Left() + 1, std::max(0, name->Top()) + 1));
    QTest::mouseMove(Form3, QPoint(150, 190));
    for (TLabel* name : names)
        ASSERT_EVENTUALLY(!name->Visible());
    Form3->Hide();
}

TEST_F(AboutWindow, TheLinkHandsItsAddressToTheDesktopAndTheWindowStaysOpen)
{
    EXPECT_TRUE(ClickTheLinkAndStayOpen());
    ASSERT_EVENTUALLY_EQ(desktop.Opened(), std::vector<std::string>{kClanPage});
}

TEST_F(AboutWindow, APageNoBrowserCanOpenIsToldInAnErrorBoxAndTheWindowStaysOpen)
{
    desktop.SetOpens(false);
    TMessageBoxRecorder boxes(*Application);
    EXPECT_TRUE(ClickTheLinkAndStayOpen());
    ASSERT_EVENTUALLY_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text.toStdString(), "Не удалось открыть страницу «" + std::string(kClanPage)
                                                        + "»: ни один веб-браузер не смог её открыть.");
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("Dupsweep"));
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
}

TEST_F(AboutWindow, TheNotchIsCutFromTheFirstShowing)
{
    ShowModal([] {
        const QRegion shape = Form3->mask();
        EXPECT_FALSE(shape.contains(QPoint(303, 157)));  // the notch's corner, inside the bevel
        EXPECT_FALSE(shape.contains(QPoint(509, 199)));
        EXPECT_FALSE(shape.contains(QPoint(400, 199)));
        EXPECT_TRUE(shape.contains(QPoint(302, 199)));   // left of it: the bevel
        EXPECT_TRUE(shape.contains(QPoint(509, 156)));   // above it
        EXPECT_TRUE(shape.contains(QPoint(0, 0)));
        EXPECT_TRUE(shape.contains(QPoint(-1, 100)));    // the frame's left side
        Form3->glBitBtn1->Click();
    });
}

}  // namespace
