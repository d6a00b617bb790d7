#include "app/ReportWindow.h"

#include "app/BackgroundJob.h"
#include "app/ProgressForm.h"
#include "app/Unit2.h"

#include "toolkit/Application.h"
#include "toolkit/StdCtrls.h"

#include <QFile>

namespace app {

ReportWindow::ReportWindow(TForm2& window)
    : window_(window), pending_(std::make_shared<Pending>()), lines_(std::size_t(window.ListBox1->Count()))
{
}

ReportWindow::~ReportWindow() = default;

void ReportWindow::Deliver(Pending& pending, TForm2& window)
{
    std::vector<std::string> lines;
    {
        const std::lock_guard lock(pending.mutex);
        lines.swap(pending.lines);
    }
    if (lines.empty())
        return;
    TStrings* items = window.ListBox1->Items();
    items->BeginUpdate();
    for (const std::string& line : lines)
        items->Add(QFile::decodeName(QByteArray(line.data(), qsizetype(line.size()))));
    items->EndUpdate();
}

void ReportWindow::Flush()
{
    Deliver(*pending_, window_);
}

void ReportWindow::Clear()
{
    RunOnUiThread([this] {
        Flush();
        window_.ListBox1->Clear();
    });
    lines_ = 0;
}

void ReportWindow::Append(const std::string& line)
{
    bool first = false;
    {
        const std::lock_guard lock(pending_->mutex);
        first = pending_->lines.empty();
        pending_->lines.push_back(line);
    }
    ++lines_;
    if (!first)
        return;
    // One delivery is on its way while paths wait; it takes all that have come by then. It is
    // dropped if the window is gone.
    QMetaObject::invokeMethod(
        &window_, [pending = pending_, window = &window_] { Deliver(*pending, *window); }, Qt::QueuedConnection);
}

std::size_t ReportWindow::LineCount()
{
    return lines_;
}

void ReportWindow::Show()
{
    RunOnUiThread([this] {
        Flush();
        window_.Show();
        // A job's progress window stays in front of the report it fills.
        if (TProgressForm* progress = TProgressForm::Current())
            progress->raise();
    });
}

void ReportWindow::SetCaption(const std::string& caption)
{
    RunOnUiThread([&] {
        Flush();
        window_.SetCaption(QString::fromStdString(caption));
    });
}

void ReportWindow::ShowMessage(const std::string& text)
{
    RunOnUiThread([&] {
        Flush();
        ::ShowMessage(QString::fromStdString(text));
    });
}

} // namespace app
