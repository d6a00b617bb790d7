#include "app/ReportWindow.h"

#include "app/ProgressForm.h"
#include "app/Unit2.h"

#include "toolkit/StdCtrls.h"

#include "platform/shellns/Wide.h"

namespace app {

ReportWindow::ReportWindow(TForm2& window) : FWindow(window), FPending(std::make_shared<Pending>()) {}

ReportWindow::~ReportWindow() = default;

void ReportWindow::Deliver(Pending& pending, TForm2& window)
{
    std::vector<std::string> lines;
    bool show = false;
    {
        const std::lock_guard lock(pending.mutex);
        lines.swap(pending.lines);
        show = !lines.empty() && !std::exchange(pending.shown, true);
    }
    if (lines.empty())
        return;
    TStrings* items = window.ListBox1->Items();
    items->BeginUpdate();
    for (const std::string& line : lines)
        items->Add(shellns::PathToText(line));
    items->EndUpdate();
    if (show) {
        // At the first deletion, as the user has always seen it; a job's progress window stays in
        // front of the report it fills.
        window.Show();
        if (TProgressForm* progress = TProgressForm::Current())
            progress->raise();
    }
}

void ReportWindow::Flush()
{
    Deliver(*FPending, FWindow);
}

void ReportWindow::Deleted(const std::string& path)
{
    bool first = false;
    {
        const std::lock_guard lock(FPending->mutex);
        first = FPending->lines.empty();
        FPending->lines.push_back(path);
    }
    if (!first)
        return;
    // One delivery is on its way while paths wait; it takes all that have come by then. It is
    // dropped if the window is gone.
    QMetaObject::invokeMethod(
        &FWindow, [pending = FPending, window = &FWindow] { Deliver(*pending, *window); }, Qt::QueuedConnection);
}

} // namespace app
