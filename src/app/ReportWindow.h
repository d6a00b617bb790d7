#pragma once
// The report window as a removal drives it from its worker thread. Deleted paths travel to
// the window in batches without holding the worker up; every other call runs on the
// user-interface thread and waits for it, after the paths sent before it have arrived.

#include "replays/Removal.h"

#include <cstddef>
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

    void Clear() override;
    void Append(const std::string& line) override;
    std::size_t LineCount() override;
    void Show() override;
    void SetCaption(const std::string& caption) override;
    // The count box; what was kept is reported afterwards by the window.
    void ShowMessage(const std::string& text) override;

    // Hands the paths still on their way to the window; on the user-interface thread.
    void Flush();

private:
    struct Pending {
        std::mutex mutex;
        std::vector<std::string> lines;
    };

    static void Deliver(Pending& pending, TForm2& window);

    TForm2& window_;
    std::shared_ptr<Pending> pending_;
    std::size_t lines_; // as the window will hold them, counted on the removal's thread
};

} // namespace app
