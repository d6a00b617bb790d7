#pragma once
// Deleting identical replays.
//
//   class Report : public replays::RemovalReport { ... };   // the report window, or text output
//   std::atomic<bool> cancel{false};
//   replays::RemovalResult r = replays::RemoveDuplicates(catalogue, report, {false, &progress, &cancel});
//   r.deleted        // paths really deleted, in order of deletion
//   r.notDeleted     // files that matched a neighbour but were kept: path and reason
//
// The catalogue's rows are cut into runs of equal Size; each run is put in the order the
// exchange sort leaves it (ExchangeOrder.h); where two neighbours in that order have equal first
// and equal second fingerprints, the earlier one is deleted, and of a group of such neighbours
// only the last stays. Before a file is deleted its whole contents are compared byte for byte
// with its later neighbour's file as both are on disk now; it stays when they differ, when
// either cannot be read, or when both are one file (same device and inode). The catalogue itself
// is not changed: rows of deleted files stay until the next scan.
//
// The report is driven with exactly these calls, from the thread running the removal: Clear();
// per deleted file Append(path), then Show() when LineCount() has just become 1; at the end
// ShowMessage("Дубликатов: N"), which returns when the user has closed it; then
// SetCaption("N реплея удаленно"). An empty catalogue gets no call. Files kept are not part of
// the message: the caller reports result.notDeleted after it, in its own way.

#include "replays/Catalogue.h"
#include "replays/Progress.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

namespace replays {

class RemovalReport {
public:
    virtual ~RemovalReport() = default;
    virtual void Clear() = 0;
    virtual void Append(const std::string& line) = 0; // a path: bytes, not necessarily UTF-8
    virtual std::size_t LineCount() = 0;
    virtual void Show() = 0; // non-modal: does not wait
    virtual void SetCaption(const std::string& caption) = 0; // UTF-8
    // Modal: returns once the user has closed it. UTF-8 apart from the paths it names.
    virtual void ShowMessage(const std::string& text) = 0;
};

struct RemovalOptions {
    bool dryRun = false; // make every check, delete nothing, report what would go
    RemovalProgress* progress = nullptr;
    const std::atomic<bool>* cancel = nullptr;
};

struct NotDeleted {
    std::string path;
    std::string reason;
};

struct RemovalResult {
    std::vector<std::string> deleted;
    std::vector<NotDeleted> notDeleted;
    bool cancelled = false;
    RemovalCounts counts;
};

// One decision of the fingerprints: delete row when its file equals that of keep.
struct RemovalCandidate {
    std::size_t row;
    std::size_t keep;
};

// The candidates in the order the removal takes them: runs in row order, each in exchange order.
std::vector<RemovalCandidate> PlanRemoval(const Catalogue& catalogue);

RemovalResult RemoveDuplicates(const Catalogue& catalogue, RemovalReport& report, const RemovalOptions& options = {});

} // namespace replays
