// The program's whole run: its own application object, made and destroyed in the test.
#include "support/QtTestMain.h"
#include "toolkit/Application.h"

#include <QPointer>
#include <QStatusTipEvent>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class TMainForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
};

TEST(Shutdown, ClosingTheMainFormEndsTheRunAndTheApplicationFreesEveryForm)
{
    static char name[] = "shutdown";
    static char* argv[] = {name, nullptr};
    static int argc = 1;
    QPointer<TMainForm> first;
    QPointer<TForm> second;
    {
        TApplication application(argc, argv);
        TMainForm* mainForm = nullptr;
        TForm* other = nullptr;
        application.CreateForm(mainForm);
        application.CreateForm(other);
        first = mainForm;
        second = other;
        EXPECT_EQ(application.MainForm(), mainForm);
        EXPECT_FALSE(mainForm->Visible());

        // Without an OnHint handler a hint change reaches the main form as a status tip.
        QStringList tips;
        struct TipCatcher : QObject {
            QStringList* tips;
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::StatusTip)
                    tips->append(static_cast<QStatusTipEvent*>(event)->tip());
                return false;
            }
        } catcher;
        catcher.tips = &tips;
        mainForm->installEventFilter(&catcher);
        application.SetHint(QStringLiteral("Replays directory"));
        EXPECT_EQ(tips, QStringList{QStringLiteral("Replays directory")});
        mainForm->removeEventFilter(&catcher);

        bool mainShownAtRun = false;
        QTimer::singleShot(0, [&] {
            mainShownAtRun = mainForm->Visible();
            other->Show();
            other->Close();  // another form only hides
            EXPECT_FALSE(other->Visible());
            EXPECT_FALSE(application.Terminated());
            mainForm->close();  // the frame's close box on the main form
        });
        application.Run();
        EXPECT_TRUE(mainShownAtRun);
        EXPECT_TRUE(application.Terminated());
        EXPECT_FALSE(first.isNull());
    }
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(Application, nullptr);
}

}  // namespace

// The test makes the application object itself.
std::unique_ptr<QObject> testsupport::MakeTestApplication(int&, char**)
{
    return nullptr;
}

#include "ShutdownTest.moc"
