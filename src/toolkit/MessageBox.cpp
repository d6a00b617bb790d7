#include "toolkit/MessageBox.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon iconOf(int flags)
{
    switch (flags & 0xF0) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonChoice> buttonsOf(int flags)
{
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL:
        return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

int showQtBox(const TMessageBoxRequest& request)
{
    QMessageBox box(iconOf(request.flags), request.caption, request.text);
    const std::vector<ButtonChoice> choices = buttonsOf(request.flags);
    for (const ButtonChoice& c : choices)
        box.addButton(c.button);
    box.setDefaultButton(choices.front().button);
    const auto pressed = QMessageBox::StandardButton(box.exec());
    for (const ButtonChoice& c : choices)
        if (c.button == pressed)
            return c.answer;
    // Closed by its frame: the answer a box without Cancel gives is its only button.
    return (request.flags & 0xF) == MB_OK ? IDOK : IDCANCEL;
}

TMessageBoxPresenter& presenter()
{
    static TMessageBoxPresenter current;
    return current;
}

}  // namespace

TMessageBoxPresenter SetMessageBoxPresenter(TMessageBoxPresenter replacement)
{
    return std::exchange(presenter(), std::move(replacement));
}

int MessageBoxModal(const QString& text, const QString& caption, int flags)
{
    const TMessageBoxRequest request{text, caption, flags};
    if (presenter())
        return presenter()(request);
    return showQtBox(request);
}

TMessageBoxRecorder::TMessageBoxRecorder()
{
    previous_ = SetMessageBoxPresenter([this](const TMessageBoxRequest& request) {
        shown_.push_back(request);
        if (OnShown)
            OnShown(request);
        if (nextAnswer_ < answers_.size())
            return answers_[nextAnswer_++];
        return buttonsOf(request.flags).front().answer;
    });
}

TMessageBoxRecorder::~TMessageBoxRecorder()
{
    SetMessageBoxPresenter(std::move(previous_));
}
