#pragma once
// The counts a running scan or removal reports, kept where the progress window can read them:
// the worker stores, the user-interface thread only reads.

#include "replays/Progress.h"

#include <QStringList>

#include <atomic>
#include <cstdint>

namespace app {

class ScanCounter : public replays::ScanProgress {
public:
    explicit ScanCounter(const std::atomic<bool>& cancel) : cancel_(cancel) {}

    void ScanAdvanced(const replays::ScanCounts& counts, std::string_view folder) override;
    QStringList Status() const;

private:
    const std::atomic<bool>& cancel_;
    std::atomic<std::uint64_t> folders_{0};
    std::atomic<std::uint64_t> files_{0};
    std::atomic<std::uint64_t> replays_{0};
};

class RemovalCounter : public replays::RemovalProgress {
public:
    explicit RemovalCounter(const std::atomic<bool>& cancel) : cancel_(cancel) {}

    void RemovalAdvanced(const replays::RemovalCounts& counts) override;
    QStringList Status() const;

private:
    const std::atomic<bool>& cancel_;
    std::atomic<std::uint64_t> candidates_{0};
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> deleted_{0};
};

} // namespace app
