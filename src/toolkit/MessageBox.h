#pragma once
// Modal message boxes, as the platform numbers their styles and answers. Every box goes
// through one presenter: by default a modal QMessageBox, in tests a recorder that answers
// by script, so no test ever waits for a person.

#include <QString>
#include <functional>
#include <memory>
#include <vector>

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

// Installs a presenter (an empty one restores the default); returns the previous one.
TMessageBoxPresenter SetMessageBoxPresenter(TMessageBoxPresenter presenter);

// Shows a modal box through the current presenter.
int MessageBoxModal(const QString& text, const QString& caption, int flags);

// The box the default presenter shows for a request, not yet shown: in the program's own font,
// with plain buttons, and wide enough for the window manager to show its whole caption.
std::unique_ptr<QMessageBox> MakeQtMessageBox(const TMessageBoxRequest& request);

// Answers every box while it lives, recording what was shown: the test hook for boxes.
// The answer is the next scripted one, else the box's first button (IDOK, IDYES ...).
class TMessageBoxRecorder {
public:
    TMessageBoxRecorder();
    ~TMessageBoxRecorder();
    TMessageBoxRecorder(const TMessageBoxRecorder&) = delete;
    TMessageBoxRecorder& operator=(const TMessageBoxRecorder&) = delete;

    void Answer(int button) { answers_.push_back(button); }
    const std::vector<TMessageBoxRequest>& Shown() const { return shown_; }
    // Runs for each box before it is answered (a test may look at the windows then).
    std::function<void(const TMessageBoxRequest&)> OnShown;

private:
    std::vector<TMessageBoxRequest> shown_;
    std::vector<int> answers_;
    std::size_t nextAnswer_ = 0;
    TMessageBoxPresenter previous_;
};
