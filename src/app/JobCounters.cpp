#include "app/JobCounters.h"

namespace app {

void JobCounter::ScanAdvanced(const replays::ScanCounts& counts, std::string_view)
{
    Store(counts.folders, counts.files, counts.replays);
}

void JobCounter::RemovalAdvanced(const replays::RemovalCounts& counts)
{
    Store(counts.done, counts.candidates, counts.deleted);
}

void JobCounter::Store(std::uint64_t first, std::uint64_t second, std::uint64_t third)
{
    FCounts[0].store(first, std::memory_order_relaxed);
    FCounts[1].store(second, std::memory_order_relaxed);
    FCounts[2].store(third, std::memory_order_relaxed);
    if (FHook)
        FHook(FCancel);
}

QStringList JobCounter::Status() const
{
    const bool scan = FJob == Job::Scan;
    return {(scan ? QStringLiteral("Папок: %1    Файлов: %2") : QStringLiteral("Проверено: %1 из %2"))
                .arg(FCounts[0].load(std::memory_order_relaxed))
                .arg(FCounts[1].load(std::memory_order_relaxed)),
            (scan ? QStringLiteral("Реплеев найдено: %1") : QStringLiteral("Удалено: %1"))
                .arg(FCounts[2].load(std::memory_order_relaxed))};
}

} // namespace app
