// Closing the main window from its frame while a removal runs, on a real X server, as a window
// manager asks it: the request reaches the main window although the progress window blocks it,
// the removal stops after the file in hand, and the program ends with no box left waiting.
#include "app/BackgroundJob.h"
#include "support/ProblemsRecorder.h"
#include "app/ProgressForm.h"
#include "app/Unit1.h"
#include "app/Unit2.h"

#include "gl/Register.h"
#include "gl/glBitBtn.h"
#include "platform/shellns/Wide.h"
#include "support/QtTestMain.h"
#include "support/ScratchTree.h"
#include "toolkit/Application.h"
#include "toolkit/StdCtrls.h"
#include "support/MessageBoxRecorder.h"

#include <QGuiApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t kRecord = 256;
// Long enough for any machine to show the progress window and hand over a request.
constexpr int kGiveUpMs = 30000;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// What a window manager sends a window whose close box was pressed.
void RequestClose(QWidget* window)
{
    xcb_connection_t* connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = xcb_window_t(window->winId());
    request.type = Atom(connection, "WM_PROTOCOLS");
    request.data.data32[0] = Atom(connection, "WM_DELETE_WINDOW");
    request.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, request.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
}

TEST(ClosingTheMainWindow, DuringARemovalStopsItAfterTheFileInHandAndEndsTheProgram)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run under xvfb-run";
    qputenv("QT_QPA_PLATFORM", "xcb");
    // A scratch X server comes without a session bus; Qt asking libdbus to start one leaks.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    static char name[] = "dupsweep";
    static char* argv[] = {name, nullptr};
    static int argc = 1;
    testsupport::ScratchTree tree;
    for (int i = 0; i < 4; ++i)
        for (const char* copy : {"a/r", "b/r"})
            tree.WriteFile(copy + std::to_string(i) + ".rep",
                           testsupport::MakeReplay((60 + std::size_t(i)) * kRecord, "same", "same", {}, unsigned(i)));

    TApplication application(argc, argv);
    RegisterGlClasses();
    application.SetTitle(QStringLiteral("Dupsweep"));
    application.CreateForm(Form1);
    application.CreateForm(Form2);
    TMessageBoxRecorder boxes(application);
    testsupport::ProblemsRecorder problems;
    Form1->SetProblemsPresenter(problems.Presenter());

    // The removal holds after its first file until it is asked to stop.
    std::atomic<int> reports{0};
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (TProgressForm* progress = TProgressForm::Current(); progress && progress->Visible()) {
            closer.stop();
            RequestClose(Form1);
        }
    });
    bool gaveUp = false;
    QTimer::singleShot(kGiveUpMs, [&] {
        gaveUp = true;
        if (TProgressForm* progress = TProgressForm::Current())
            progress->Button1->Click();
        application.Terminate();
    });
    QTimer::singleShot(0, [&] {
        Form1->Edit1->SetText(shellns::PathToText(tree.Root()));
        Form1->glBitBtn1->Click();
        Form1->SetJobProgressHook([&](const std::atomic<bool>& cancel) {
            if (++reports == 2) // the first report comes before any file, the second after the first
                cancel.wait(false);
        });
        closer.start();
        Form1->glBitBtn3->Click();
    });
    application.Run();

    EXPECT_FALSE(gaveUp) << "the close request was lost";
    EXPECT_TRUE(application.Terminated());
    EXPECT_TRUE(boxes.Shown().empty()); // no count box waits for a user who has gone
    EXPECT_TRUE(problems.AllShown().empty());
    EXPECT_FALSE(tree.Exists("a/r0.rep"));
    for (int i = 1; i < 4; ++i)
        EXPECT_TRUE(tree.Exists("a/r" + std::to_string(i) + ".rep")) << i;
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(tree.Exists("b/r" + std::to_string(i) + ".rep")) << i;
    EXPECT_EQ(Form2->ListBox1->Count(), 1);
}

} // namespace

// The test makes the application object itself, on the X server.
std::unique_ptr<QObject> testsupport::MakeTestApplication(int&, char**)
{
    return nullptr;
}
