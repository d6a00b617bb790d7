#pragma once
// The report window as a removal fills it from its worker thread: deleted paths travel to the
// window in batches without holding the worker up, and the window shows with the first of them.
// Everything else about the window (emptying it first, its caption afterwards) the main window
// does itself on the user-interface thread.

#include "replays/Removal.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TForm2;

namespace app {

class ReportWindow : public replays::RemovalReport {
public:
    // Made on the user-interface thread; the window outlives the removal.
    explicit ReportWindow(TForm2& window);
    ~ReportWindow() override;

    // On the removal's thread.
    void Deleted(const std::string& path) override;

    // Hands the paths still on their way to the window; on the user-interface thread.
    void Flush();

private:
    struct Pending {
        std::mutex mutex;
        std::vector<std::string> lines;
        bool shown = false; // the window was shown for this removal
    };

    static void Deliver(Pending& pending, TForm2& window);

    TForm2& FWindow;
    std::shared_ptr<Pending> FPending;
};

} // namespace app
