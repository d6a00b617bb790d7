#pragma once
// Modal message boxes, as the platform numbers their styles and answers. The application
// shows every box through its presenter: a modal QMessageBox unless one is passed in (in
// tests a recorder that answers by script, so no test ever waits for a person).

#include <QString>
#include <functional>
#include <memory>

class QMessageBox;

constexpr int MB_OK = 0x0;
constexpr int MB_OKCANCEL = 0x1;
constexpr int MB_ABORTRETRYIGNORE = 0x2;
constexpr int MB_YESNOCANCEL = 0x3;
constexpr int MB_YESNO = 0x4;
constexpr int MB_RETRYCANCEL = 0x5;
constexpr int MB_ICONSTOP = 0x10;
constexpr int MB_ICONERROR = MB_ICONSTOP;
constexpr int MB_ICONQUESTION = 0x20;
constexpr int MB_ICONWARNING = 0x30;
constexpr int MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct TMessageBoxRequest {
    QString text;
    QString caption;
    int flags = MB_OK;
};

// Shows the box and returns the button pressed (IDOK ...).
using TMessageBoxPresenter = std::function<int(const TMessageBoxRequest&)>;

// Shows a modal QMessageBox for the request: the presenter an application starts with.
int MessageBoxModal(const TMessageBoxRequest& request);

// The box the default presenter shows for a request, not yet shown: in the program's own font,
// with plain buttons, and wide enough for the window manager to show its whole caption.
std::unique_ptr<QMessageBox> MakeQtMessageBox(const TMessageBoxRequest& request);
