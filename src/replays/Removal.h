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
// Never the last copy. Other programs, other users, or a second removal over the same files, may
// change the tree at any moment; a file is deleted only when all of this holds:
// - its folder and the folder of the copy that stays are the very folders the scan walked (same
//   device and inode), found again from the folder the scan started in (held open since), opened
//   once and from then on used by handle, so that a folder exchanged on the way cannot lead the
//   deletion anywhere else;
// - neither it nor the copy that stays was reached through a link of another user, neither by
//   the scan nor now (ForeignLink): not below the scanned folder, and not on the way to it, which
//   the scan follows name by name from "/" as it follows every path below;
// - the copy that stays is at least as safe from other users as the file itself was: nobody but
//   root and the running user could remove, replace or change the copy who could not do as much
//   to the file (ExposedCopy; platform/fs/Exposure.h says who can). Only the folder that holds
//   each entry counts, not the folders above it: a user who may rename a folder above can move
//   the copy's folder away, with the copy in it, but neither remove nor change the copy. A user's
//   own tree, where only they may write, is as safe on both sides;
// - the two files, opened through those folders, are two files, and their whole contents, read
//   through the open files to their ends, are equal byte for byte;
// - neither file changed from before the comparison to after it (device, inode, size, times);
// - right before it is moved, its name still leads to the compared file with nothing about it
//   changed, its status change time included: that time moves with every write and every change
//   of the other times, and no user can set it back, so an edit that puts the modification time
//   back as it was still shows; and the file, opened again by that name, is that file;
// - no other program has it open: the removal takes a write lease on it (platform/fs/File.h:
//   Lease), which the kernel grants only while no other descriptor or mapping of the file
//   exists, and holds it until the file is gone; the removal's own comparisons, which may hold
//   the same file under another name, are waited for rather than taken for another program
//   (OwnFiles.h). Refused, the file is kept (InUse);
// - it is moved aside where no other user can reach it (under an unpredictable hidden name in a
//   folder only the running user may write, elsewhere into a folder of this run's own of mode
//   0700 inside its folder, see Leftovers.h), and there it is still the compared file with the
//   compared contents, while the copy that stays is still under its name as the compared,
//   unchanged file, and no program has reached for it meanwhile (an open waits on the lease, and
//   the removal sees it waiting); only then is it removed there (or, with toTrash, moved into
//   the trash of its file system, platform/fs/Trash.h).
// On any doubt the file gets its name back (a name beside it when its own was taken meanwhile)
// and is reported kept. A file is moved before the other copy is looked at, so two removals that
// would each delete the copy the other keeps cannot both succeed: the later one finds the other
// copy gone or just moved. Once it is removed, the file, still open, is looked at once more: if
// it was written to since the last look, or a program reached for it just as it went, what it
// holds now is saved to a new file under its name (or beside it) and it is reported kept.
//
// What no system call can close:
// - where no lease can be had (a file the running user does not own, without CAP_LEASE; a file
//   system without leases, such as NFS), a program that opened the file before it was moved and
//   writes into it between the last look and the removal, putting its modification time back,
//   or writes after the removal (into a file that has no name any more, as after any deletion);
// - a program that found the file by its name before it was moved, and whose open reaches the
//   file only once it is removed: it waits on the lease, the removal saves the file under its
//   name again for it, but the program's open goes on to the file without a name, and what it
//   writes there is lost as after any deletion;
// - a process of the running user itself, which can reach the private folder as the user can;
// - who may change a file through an access control list, or against one of its flags: only the
//   owners and the mode bits are read;
// - a run of version 1.0.0 (which took no locks) in another pid or time namespace: its leftovers
//   are known only by their process stamp, which names no process here (Leftovers.h).
//
// A dry run decides what a real run over the same tree would: the same checks, in the same order,
// with the last step only asked about (could the file be moved out of its folder, is there a
// trash), and a file it would delete is taken as gone for every later decision, as it would be.
// It takes no lease: whether another program has a file open changes from one moment to the next.
// It changes nothing on disk.
//
// Memory is taken before a file is moved, never between its move and its report: running out of
// it ends the removal (outOfMemory) with every deletion made so far reported and no file left aside.

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
    // Threads that compare side by side (0: as many as the reads need and the limit of open files
    // allows). Decisions are the same, taken in the same order, whatever the number.
    unsigned verifiers = 0;
    bool toTrash = false; // move what would be deleted into the trash of its file system instead
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
    LeftHidden, // it was kept, but could not be given a name again: it stays at other, hidden,
                // where the next scan brings it back
    ForeignLink, // it or other was reached through a link of another user (link)
    NoTrash, // toTrash, and its file system has no trash it could be moved into (code)
    Rewritten, // written to while it was removed: what it held then was saved as other (or, when
               // code is set, could not be saved)
    InUse, // another program had it open (or mapped), or reached for it while it was aside
    ReachedFor, // a program reached for it just as it went: what it held was saved as other (or,
                // when code is set, could not be saved)
    ExposedCopy, // a user who could not have removed or changed it could remove, replace or change
                 // other, the copy that would stay
};

struct NotDeleted {
    std::string path;
    KeepReason reason = KeepReason::CannotOpen;
    int code = 0; // the file error, for CannotOpen, CannotCompare, Refused, NoTrash, Rewritten, ReachedFor
    // The copy that stays; for LeftAside, LeftHidden, Rewritten and ReachedFor, where the file is now.
    std::string other;
    std::string link; // for ForeignLink, where the link of another user lies
};

struct RemovalResult {
    std::vector<std::string> deleted;
    std::vector<NotDeleted> notDeleted;
    bool cancelled = false;
    bool outOfMemory = false; // it ended because memory ran out (cancelled is set too)
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
