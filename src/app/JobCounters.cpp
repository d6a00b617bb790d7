#include "app/JobCounters.h"

#include "app/BackgroundJob.h"

namespace app {

void ScanCounter::ScanAdvanced(const replays::ScanCounts& counts, std::string_view)
{
    folders_.store(counts.folders, std::memory_order_relaxed);
    files_.store(counts.files, std::memory_order_relaxed);
    replays_.store(counts.replays, std::memory_order_relaxed);
    ReportJobProgress(cancel_);
}

QStringList ScanCounter::Status() const
{
    return {QStringLiteral("Папок: %1    Файлов: %2")
                .arg(folders_.load(std::memory_order_relaxed))
                .arg(files_.load(std::memory_order_relaxed)),
            QStringLiteral("Реплеев найдено: %1").arg(replays_.load(std::memory_order_relaxed))};
}

void RemovalCounter::RemovalAdvanced(const replays::RemovalCounts& counts)
{
    candidates_.store(counts.candidates, std::memory_order_relaxed);
    done_.store(counts.done, std::memory_order_relaxed);
    deleted_.store(counts.deleted, std::memory_order_relaxed);
    ReportJobProgress(cancel_);
}

QStringList RemovalCounter::Status() const
{
    return {QStringLiteral("Проверено: %1 из %2")
                .arg(done_.load(std::memory_order_relaxed))
                .arg(candidates_.load(std::memory_order_relaxed)),
            QStringLiteral("Удалено: %1").arg(deleted_.load(std::memory_order_relaxed))};
}

} // namespace app
