#include "toolkit/MessageBox.h"

#include "platform/gdi/Font.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

namespace {

QMessageBox::Icon IconOf(int flags)
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

std::vector<ButtonChoice> ButtonsOf(int flags)
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

// Room a window manager takes beside the caption in a title bar (the window's icon and its
// buttons); a box narrower than its caption plus this shows the caption cut short.
constexpr int kTitleBarAllowance = 120;

}  // namespace

std::unique_ptr<QMessageBox> MakeQtMessageBox(const TMessageBoxRequest& request)
{
    auto box = std::make_unique<QMessageBox>(IconOf(request.flags), request.caption, request.text);
    // The count after a removal and every error read in the same plain, unsmoothed letters as
    // the windows they come from.
    box->setFont(gdi::Font().ToQFont());
    const std::vector<ButtonChoice> choices = ButtonsOf(request.flags);
    for (const ButtonChoice& c : choices)
        box->addButton(c.button)->setIcon(QIcon());
    box->setDefaultButton(choices.front().button);
    // A short text ("Дубликатов: 3") made a box so narrow that its title read "D...".
    const int captionWidth = QFontMetrics(QApplication::font()).horizontalAdvance(request.caption);
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(captionWidth + kTitleBarAllowance, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}

int MessageBoxModal(const TMessageBoxRequest& request)
{
    const auto box = MakeQtMessageBox(request);
    const std::vector<ButtonChoice> choices = ButtonsOf(request.flags);
    const auto pressed = QMessageBox::StandardButton(box->exec());
    for (const ButtonChoice& c : choices)
        if (c.button == pressed)
            return c.answer;
    // Closed by its frame: the answer a box without Cancel gives is its only button.
    return (request.flags & 0xF) == MB_OK ? IDOK : IDCANCEL;
}
