#pragma once
// Deleting identical replays.
//
//   class Deletions : public replays::RemovalReport { ... };   // told of each deletion as it happens
//   std::atomic<bool> cancel{false};
//   replays::RemovalResult r = replays::RemoveDuplicates(catalogue, {false, &progress, &cancel, &deletions});
//   r.deleted        // paths really deleted, in order of deletion
//   r.notDeleted     // files that matched a neighbour but were kept: path and reason
//   r.cancelled      // stopped before the end
//
// The removal reports in data only; what a user sees of it (the report window, the count, the
// files kept) its caller makes of these.
//
// The catalogue's rows are cut into runs of equal Size; each run is put in the order the
// exchange sort leaves it (ExchangeOrder.h); where two neighbours in that order have equal first
// and equal second fingerprints, the earlier one is deleted, and of a group of such neighbours
// only the last stays. The catalogue itself is not changed: rows of deleted files stay until the
// next scan.
//
// Never the last copy. Other programs, or a second removal over the same files, may change the
// tree at any moment; a file is deleted only when all of this holds:
// - its folder and the folder of the copy that stays are the very folders the scan walked (same
//   device and inode), opened once and from then on used by handle, so that a folder exchanged
//   on the way cannot lead the deletion anywhere else;
// - the two files, opened through those folders, are two files, and their whole contents, read
//   through the open files to their ends, are equal byte for byte;
// - neither file changed from before the comparison to after it (device, inode, size, times);
// - it is moved aside under a private name in its folder (replacing nothing), and there it is
//   still the compared, unchanged file, while the copy that stays is still under its name as the
//   compared, unchanged file; only then is the private name removed.
// On any doubt the file gets its name back and is reported kept. A file is moved aside before
// the other copy is looked at, so two removals that would each delete the copy the other keeps
// cannot both succeed: the later one finds the other copy gone or just moved.

#include "replays/Catalogue.h"
#include "replays/Progress.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace replays {

// Told of each deletion as it happens, on the thread running the removal, in order of deletion,
// before the next file is deleted. In a dry run, of each file that would be deleted.
class RemovalReport {
public:
    virtual ~RemovalReport() = default;
    virtual void Deleted(const std::string& path) = 0; // bytes, not necessarily UTF-8
};

struct RemovalOptions {
    bool dryRun = false; // make every check, delete nothing, report what would go
    RemovalProgress* progress = nullptr; // told after every file
    const std::atomic<bool>* cancel = nullptr; // read between files and between compared blocks
    RemovalReport* report = nullptr;
    // Threads that compare side by side (0: as many as the reads need). Decisions are the same,
    // taken in the same order, whatever the number.
    unsigned verifiers = 0;
};

// Why a file that matched its neighbour was kept. Callers say it in their own words.
enum class KeepReason : std::uint8_t {
    CannotOpen, // it could not be opened (code): gone, read-only, no regular file, no permission
    CannotCompare, // the copy that stays (other) could not be opened or read (code)
    SameFile, // its name and other's lead to one and the same file
    ContentsDiffer, // its contents are not those of other
    Changed, // it changed while it was compared, or before it could be deleted
    OtherChanged, // other changed, went or was replaced before this one could be deleted
    Replaced, // by deletion time its name led to another file, which was given its name back
    FolderReplaced, // its folder, or other's, is no longer the one the scan walked
    Refused, // the system would not let it be moved aside or deleted (code)
    LeftAside, // it was kept, but its name was taken meanwhile: it is now at other
};

struct NotDeleted {
    std::string path;
    KeepReason reason = KeepReason::CannotOpen;
    int code = 0; // the file error, for CannotOpen, CannotCompare and Refused
    std::string other; // the copy that stays; for LeftAside, where the file is now
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

RemovalResult RemoveDuplicates(const Catalogue& catalogue, const RemovalOptions& options = {});

} // namespace replays
