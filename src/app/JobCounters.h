#pragma once
// The counts a running scan or removal reports, kept where the progress window can read them:
// the worker stores, the user-interface thread only reads.

#include "replays/Progress.h"

#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

namespace app {

// Runs on the job's worker at each of its progress reports, with the job's cancel flag. The
// program sets none; a test holds a job there for as long as it needs.
using JobProgressHook = std::function<void(const std::atomic<bool>& cancel)>;

// Either job shows three counts on two lines: two on the first, one on the second.
class JobCounter : public replays::ScanProgress, public replays::RemovalProgress {
public:
    enum class Job { Scan, Removal };

    JobCounter(Job job, const std::atomic<bool>& cancel, JobProgressHook hook = {})
        : FJob(job), FCancel(cancel), FHook(std::move(hook))
    {
    }

    void ScanAdvanced(const replays::ScanCounts& counts, std::string_view folder) override;
    void RemovalAdvanced(const replays::RemovalCounts& counts) override;
    // The progress window's lines for the job, with the counts of its last report.
    QStringList Status() const;

private:
    void Store(std::uint64_t first, std::uint64_t second, std::uint64_t third);

    const Job FJob;
    const std::atomic<bool>& FCancel;
    const JobProgressHook FHook;
    std::array<std::atomic<std::uint64_t>, 3> FCounts{};
};

} // namespace app
