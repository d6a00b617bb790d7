// The About window's notch as a real X server shows it under a real window manager (openbox):
// the offscreen platform ignores window shapes, and only a window manager draws a frame. The
// window is shown over a backdrop of one colour and the screen's pixels are read: the notch
// shows the backdrop right up to the bevel, and the frame is cut only beside the notch.
#include "app/Unit3.h"

#include "support/QtTestMain.h"

#include "platform/gdi/Colors.h"
#include "toolkit/Application.h"
#include "support/ClassicColors.h"
#include "support/Eventually.h"

#include <QCursor>
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

const testsupport::OnPlatform onX("xcb");

constexpr QRgb kBackdrop = 0xFFFF00FF;
const QRect kBackdropArea(200, 100, 700, 400);
// The client area, the notch's corner in it and a row and a column that cross the notch.
constexpr int kClientWidth = 510;
constexpr int kClientHeight = 200;
const QPoint kNotchCorner(303, 157);
constexpr int kRowThroughNotch = 180;
constexpr int kColumnThroughNotch = 400;
constexpr int kRowAboveNotch = 100;
constexpr int kColumnLeftOfNotch = 100;
// How long a window manager may take to frame, shape and paint a window.
constexpr int kSettleMilliseconds = 15000;

class AboutWindowOnX : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        windowManager = new QProcess;
        windowManager->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        ASSERT_TRUE(windowManager->waitForStarted()) << "openbox did not start";
    }

    static void TearDownTestSuite()
    {
        windowManager->terminate();
        windowManager->waitForFinished();
        delete windowManager;
    }

    void SetUp() override
    {
        // Below the window, round where it is stored to appear; a backdrop as large as the
        // screen would count as a full-screen window and lie above every other.
        backdrop.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
        backdrop.setGeometry(kBackdropArea);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor::fromRgb(kBackdrop));
        backdrop.setPalette(palette);
        backdrop.setAutoFillBackground(true);
        backdrop.show();
        ASSERT_EVENTUALLY_EXPOSED(&backdrop);

        Application->CreateForm(Form3);
        Form3->Show();
        ASSERT_EVENTUALLY_EXPOSED(Form3);
        // Framed once the window manager has said how wide its frame is.
        ASSERT_EVENTUALLY_WITHIN(Form3->frameGeometry() != Form3->geometry(), kSettleMilliseconds)
            << "no window manager framed the window";
        QCursor::setPos(QPoint(0, 0));
    }

    void TearDown() override { delete Form3; }

    // The client area's corner in screen pixels. Scaled, the window manager may place it on
    // an odd pixel, which Qt's coordinates cannot say: the X server is asked.
    static QPoint ClientOriginOnScreen()
    {
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* connection = x11->connection();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const xcb_translate_coordinates_cookie_t cookie =
            xcb_translate_coordinates(connection, xcb_window_t(Form3->winId()), root, 0, 0);
        const std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&free)> reply(
            xcb_translate_coordinates_reply(connection, cookie, nullptr), &free);
        return reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint();
    }

    // Every check that fails on the screen as it is now, one per line.
    static std::string ShapeFaults()
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QImage shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        const int ratio = int(shot.width() / screen->geometry().width());
        const QPoint client = ClientOriginOnScreen();
        std::string faults;
        // Every screen pixel of one pixel of the client area.
        const auto logical = [&](QPoint p, QRgb wanted, const char* what) {
            const QPoint at = client + p * ratio;
            for (int dy = 0; dy < ratio; ++dy)
                for (int dx = 0; dx < ratio; ++dx)
                    if (shot.pixel(at + QPoint(dx, dy)) != wanted) {
                        faults += std::string(what) + "\n";
                        return;
                    }
        };
        // One screen pixel beside the client area, where the frame is.
        const auto frame = [&](QPoint screenPixel, bool kept, const char* what) {
            if ((shot.pixel(screenPixel) != kBackdrop) != kept)
                faults += std::string(what) + "\n";
        };
        const auto screenX = [&](int clientX) { return client.x() + clientX * ratio; };
        const auto screenY = [&](int clientY) { return client.y() + clientY * ratio; };
        const QRgb shadow = qRgb(128, 128, 128);
        const QRgb darkShadow = qRgb(0, 0, 0);

        logical(kNotchCorner, kBackdrop, "the notch's corner is not cut");
        logical({kColumnThroughNotch, kClientHeight - 1}, kBackdrop, "the notch's inside is not cut");
        logical({kClientWidth - 1, kClientHeight - 1}, kBackdrop, "the window's corner is not cut");
        logical({kNotchCorner.x() - 2, kRowThroughNotch}, shadow, "no shadow line left of the notch");
        logical({kNotchCorner.x() - 1, kRowThroughNotch}, darkShadow, "no dark line just left of the notch");
        logical({kColumnThroughNotch, kNotchCorner.y() - 2}, shadow, "no shadow line above the notch");
        logical({kColumnThroughNotch, kNotchCorner.y() - 1}, darkShadow, "no dark line just above the notch");

        frame({screenX(0) - 1, screenY(kRowAboveNotch)}, true, "the frame's left side is cut");
        frame({screenX(kClientWidth), screenY(kRowAboveNotch)}, true, "the frame's right side above the notch is cut");
        frame({screenX(kColumnLeftOfNotch), screenY(kClientHeight)}, true, "the frame's bottom left of the notch is cut");
        frame({screenX(kClientWidth), screenY(kRowThroughNotch)}, false, "the frame's right side beside the notch stays");
        frame({screenX(kColumnThroughNotch), screenY(kClientHeight)}, false, "the frame's bottom below the notch stays");
        return faults;
    }

    static QProcess* windowManager;
    gdi::ScopedClassicColors classic;
    QWidget backdrop;
};

QProcess* AboutWindowOnX::windowManager = nullptr;

TEST_F(AboutWindowOnX, TheNotchShowsWhatLiesBelowUpToTheBevelAndTheFrameIsCutOnlyBesideIt)
{
    std::string faults;
    ASSERT_EVENTUALLY_WITHIN((faults = ShapeFaults()).empty(), kSettleMilliseconds) << faults;
}

}  // namespace
