#include "replays/Removal.h"

#include "platform/fs/Exposure.h"
#include "platform/fs/File.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "platform/fs/Process.h"
#include "platform/fs/Trash.h"
#include "replays/ExchangeOrder.h"
#include "replays/Leftovers.h"
#include "replays/OrderedReads.h"
#include "replays/OwnFiles.h"
#include "replays/RemovalFolders.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <unordered_set>

namespace replays {

namespace {

// Blocks of the comparison: a typical replay (under 100 KB) in one read, and little memory per
// reading thread.
constexpr std::size_t kCompareChunk = std::size_t{128} << 10;
// Folders kept open between files and candidates compared ahead of the one being decided, at
// most; fewer when the limit of open files is low (see Budget).
constexpr std::size_t kMaxOpenFolders = 4096;
constexpr std::size_t kMaxChecksAhead = 64;
// Descriptors left for everything else: standard streams, the catalogue's top folder, private
// folders, the trash's folders, a file being saved.
constexpr std::size_t kOtherDescriptors = 16;
// A file changed within this many clock steps may change again without its times moving: its
// times cannot vouch for it until they are this far behind the clock.
constexpr std::int64_t kSettledSteps = 2;

// What the descriptors the process may have open are shared out for: folders kept open, and
// candidates compared ahead (each holds the file to delete and up to two folders), and reading
// threads (each holds the copy that stays while it compares). A limit as low as 64 still lets
// every file be decided.
struct Budget {
    std::size_t folders;
    std::size_t checksAhead;
    unsigned readers;
};

Budget BudgetFor(std::size_t limit)
{
    const std::size_t available = limit > 2 * kOtherDescriptors ? limit - kOtherDescriptors : kOtherDescriptors;
    Budget budget {};
    budget.folders = std::clamp<std::size_t>(available / 4, 2, kMaxOpenFolders);
    budget.checksAhead = std::clamp<std::size_t>((available - budget.folders) / 4, 1, kMaxChecksAhead);
    const auto left = available - budget.folders - std::min(available - budget.folders, 3 * budget.checksAhead);
    budget.readers = static_cast<unsigned>(std::clamp<std::size_t>(left, 1, kMaxReaders));
    return budget;
}

// The blocks comparisons read into, a pair per comparison running, kept for the next one. Taken
// from here rather than kept per thread: a thread's own objects with destructors need memory of
// the C library's when first used, and where that is out it ends the process.
class CompareBuffers {
public:
    struct Pair {
        std::unique_ptr<char[]> mine;
        std::unique_ptr<char[]> theirs;
    };

    explicit CompareBuffers(unsigned readers) { FFree.reserve(readers); }

    Pair Take()
    {
        {
            const std::lock_guard lock(FMutex);
            if (!FFree.empty()) {
                auto pair = std::move(FFree.back());
                FFree.pop_back();
                return pair;
            }
        }
        return {std::make_unique_for_overwrite<char[]>(kCompareChunk), std::make_unique_for_overwrite<char[]>(kCompareChunk)};
    }

    void Give(Pair pair)
    {
        const std::lock_guard lock(FMutex);
        if (FFree.size() < FFree.capacity())
            FFree.push_back(std::move(pair));
    }

private:
    std::mutex FMutex;
    std::vector<Pair> FFree;
};

// How far a candidate got before it is taken: not looked at (the removal was cancelled first),
// kept for a reason, or found equal to the copy that stays.
enum class Verdict { Unread, Keep, Equal };

// One candidate on its way from the comparison, which runs on any reading thread, to the
// decision, which the removal's own thread takes in the removal's order.
struct Check {
    CatalogueRow row;
    CatalogueRow keep;
    // Opened by the removal's thread, which alone keeps the folders; null when missing, with the
    // error (0: it is not the folder the scan walked).
    std::shared_ptr<OpenFolder> folder;
    std::shared_ptr<OpenFolder> keepFolder;
    int folderCode = files::kNoError;
    int keepFolderCode = files::kNoError;

    Verdict verdict = Verdict::Unread;
    KeepReason reason = KeepReason::CannotOpen;
    int code = files::kNoError;
    files::File file; // the file to delete, held from its comparison or opened again (Reopen)
    files::FileStamp mine; // the file to delete, right after the comparison
    files::FileStamp theirs; // the copy that stays, from before the comparison
    bool compared = false;
    std::uint64_t bytes = 0;
    std::string leftAt; // where the file is now, when it was kept somewhere else than its name
    std::string link; // for ForeignLink, the link of another user on the way
    files::FileId mineId; // the files compared, as soon as they were opened
    files::FileId theirsId;
};

// Decides and carries out the deletions. Compare may run on several threads at once, on
// different checks; everything else runs on the removal's thread.
class Remover {
public:
    Remover(const Catalogue& catalogue, const RemovalOptions& options, RemovalResult& result, unsigned readers,
            std::size_t folders)
        : FCatalogue(catalogue),
          FOptions(options),
          FResult(result),
          FFolders(catalogue, folders),
          FOwn(readers),
          FBuffers(readers)
    {
    }

    bool Cancelled() const { return FOptions.cancel != nullptr && FOptions.cancel->load(std::memory_order_relaxed); }

    Check Prepare(const CatalogueRow& row, const CatalogueRow& keep)
    {
        Check check;
        check.row = row;
        check.keep = keep;
        check.folder = FFolders.Get(FolderOf(row), check.folderCode);
        check.keepFolder = FFolders.Get(FolderOf(keep), check.keepFolderCode);
        return check;
    }

    // On any reading thread: opens both files through their folders and compares them. A
    // comparison made ahead takes no name as gone; the decision makes it again when that matters
    // (Decide).
    void Compare(Check& check, const files::AbsentNames* gone = nullptr)
    {
        if (Cancelled())
            return;
        if (check.row.ForeignLink || check.keep.ForeignLink) {
            check.link = FCatalogue.ForeignLinkOf(check.row.ForeignLink ? check.row : check.keep);
            return Keep(check, KeepReason::ForeignLink);
        }
        int code = files::kNoError;
        if (!check.folder)
            return Keep(check, check.folderCode == files::kNoError ? KeepReason::FolderReplaced : KeepReason::CannotOpen,
                        check.folderCode);
        files::LinkTrail mineTrail, theirsTrail;
        auto file = FOwn.Open(check.folder->Get(), check.row.Name, code, files::Access::ReadWrite, &mineTrail, gone);
        if (!file)
            return Keep(check, KeepReason::CannotOpen, code);
        check.mineId = file->Id();
        if (!check.keepFolder)
            return Keep(check,
                        check.keepFolderCode == files::kNoError ? KeepReason::FolderReplaced : KeepReason::CannotCompare,
                        check.keepFolderCode);
        // It stays, read-only or not.
        const auto other
            = FOwn.Open(check.keepFolder->Get(), check.keep.Name, code, files::Access::Read, &theirsTrail, gone);
        if (!other)
            return Keep(check, KeepReason::CannotCompare, code);
        check.theirsId = other->Id();
        if (file->Id() == other->Id())
            return Keep(check, KeepReason::SameFile);
        // A link of another user laid since the scan leads where its owner chose, as one the scan met.
        if (mineTrail.foreign || theirsTrail.foreign) {
            check.link = mineTrail.foreign ? mineTrail.foreignLink : theirsTrail.foreignLink;
            return Keep(check, KeepReason::ForeignLink);
        }
        if (!Exposed(*other, theirsTrail, check.keepFolder->Get()).Within(Exposed(*file, mineTrail, check.folder->Get())))
            return Keep(check, KeepReason::ExposedCopy);

        files::FileStamp mineBefore = file->Opened();
        check.theirs = other->Opened();
        if ((code = Settle(*file, mineBefore, *other, check.theirs)) != files::kNoError)
            return Keep(check, KeepReason::CannotCompare, code);
        if (!IsSettled(mineBefore))
            return Keep(check, KeepReason::Changed);
        if (!IsSettled(check.theirs))
            return Keep(check, KeepReason::OtherChanged);
        check.compared = true;
        bool equal = false;
        code = CompareContents(*file, *other, equal, check.bytes);
        if (Cancelled())
            return; // Unread: nothing is decided
        if (code != files::kNoError)
            return Keep(check, KeepReason::CannotCompare, code);
        if (!equal)
            return Keep(check, KeepReason::ContentsDiffer);
        if (file->Stamp(check.mine) != files::kNoError || !check.mine.Unchanged(mineBefore))
            return Keep(check, KeepReason::Changed);
        check.verdict = Verdict::Equal;
        // A file that only its own name leads to is held on to until its removal, which leases it
        // through this very descriptor: no other comparison can open it. One with other names, or
        // reached through a link, is let go and opened again by its removal (Reopen).
        if (check.mine.links == 1 && !mineTrail.followed)
            check.file = std::move(file).Keep();
    }

    // On the removal's thread, in the removal's order: deletes what was found equal, if it still
    // may be deleted, and records the outcome. Once cancelled, nothing more is done.
    void Take(Check& check)
    {
        Decide(check);
        check.file = {}; // the file and folders go with the check, not with a later one
        check.folder.reset();
        check.keepFolder.reset();
    }

private:
    void Decide(Check& check)
    {
        if (FResult.cancelled || Cancelled() || check.verdict == Verdict::Unread) {
            FResult.cancelled = true;
            return;
        }
        // Moving and deleting files changes the status of every other name of the same file, and
        // a name deleted (or, in a dry run, taken as deleted) leaves links to it leading nowhere:
        // a comparison made ahead, before that, is made again now, as a removal on one thread
        // would make it.
        if (FTouched.contains(check.mineId) || FTouched.contains(check.theirsId)) {
            check = Prepare(check.row, check.keep);
            Compare(check, &FGone);
            if (check.verdict == Verdict::Unread) {
                FResult.cancelled = true;
                return;
            }
        }
        auto& counts = FResult.counts;
        counts.compared += check.compared ? 1 : 0;
        counts.bytesCompared += check.bytes;
        std::string path(check.row.Path); // before anything moves: telling of a deletion takes no memory
        if (check.verdict == Verdict::Equal)
            Remove(check);
        if (check.verdict == Verdict::Equal) {
            ++counts.deleted;
            counts.bytesDeleted += check.mine.size;
            if (FOptions.report != nullptr)
                FOptions.report->Deleted(path);
            FResult.deleted.push_back(std::move(path));
        } else {
            FResult.notDeleted.push_back({std::move(path), check.reason, check.code,
                                          check.leftAt.empty() ? std::string(check.keep.Path) : std::move(check.leftAt),
                                          std::move(check.link)});
        }
        ++counts.done;
        if (FOptions.progress != nullptr)
            FOptions.progress->RemovalAdvanced(counts);
    }

    static void Keep(Check& check, KeepReason reason, int code = files::kNoError)
    {
        check.verdict = Verdict::Keep;
        check.reason = reason;
        check.code = code;
    }

    // Removes the file found equal, if the checks that must hold right then do; on doubt the
    // check turns to Keep. A dry run makes the same checks in the same order and asks about the
    // last steps instead of taking them.
    void Remove(Check& check)
    {
        const auto& folder = check.folder->Get();
        files::FileStamp entry;
        if (const auto reason = CheckBeforeMove(folder, check.row.Name, check.mine, entry))
            return Keep(check, *reason);
        if (const auto reason = Reopen(check))
            return Keep(check, *reason);
        int code = files::kNoError;
        const files::Trash* trash = nullptr;
        if (FOptions.toTrash) {
            if (FOptions.dryRun)
                code = FTrashes.Available(folder);
            else
                trash = FTrashes.For(folder, code);
            if (code != files::kNoError)
                return Keep(check, KeepReason::NoTrash, code);
        }
        // A link goes as itself; what it leads to stays, and needs no lease. A dry run takes none:
        // whether another program has a file open changes from one moment to the next.
        const Leased leased(FOwn, check.file, !FOptions.dryRun && entry.kind == files::FileKind::Regular);
        if (leased.Get() == files::Lease::InUse)
            return Keep(check, KeepReason::InUse);
        if (FOptions.dryRun)
            return TakeAsGone(check, folder, entry);
        std::string_view asideEntry;
        const files::Folder* aside = check.folder->Aside(check.row.Name, FAsideEntry, asideEntry, code);
        if (aside == nullptr)
            return Keep(check, KeepReason::Refused, code);
        // Room to tell where the file is left, should it come to that, taken while nothing moved.
        check.leftAt.reserve(check.row.Path.size() + check.folder->AsideRoom());
        FTouched.insert(check.mine.id);
        if ((code = files::RenameBetween(folder, check.row.Name, *aside, asideEntry)) != files::kNoError)
            return Keep(check, KeepReason::Refused, code);
        // From here on its name is free; whatever goes wrong, the file gets it back.
        const Moved moved{*aside, asideEntry};
        try {
            RemoveMoved(check, moved, entry, trash, leased.Get() == files::Lease::Held);
        } catch (...) {
            GiveBack(check, moved, KeepReason::Refused);
            throw;
        }
    }

    // The file to delete, when the comparison let go of it (Compare), opened again through its
    // name as it is right now. Why it is not the compared, unchanged file, if it is not.
    std::optional<KeepReason> Reopen(Check& check) const
    {
        if (check.file)
            return std::nullopt;
        int code = files::kNoError;
        check.file = files::File::OpenIn(check.folder->Get(), check.row.Name, code, files::Access::ReadWrite, nullptr,
                                         &FGone);
        if (!check.file || check.file.Id() != check.mine.id)
            return KeepReason::Replaced;
        return check.file.Opened().Unchanged(check.mine) ? std::nullopt : std::optional(KeepReason::Changed);
    }

    // A write lease on the file for as long as it lives, when one is wanted and to be had
    // (OwnFiles.h).
    class Leased {
    public:
        Leased(OwnFiles& own, const files::File& file, bool wanted)
            : FOwn(own), FFile(file), FLease(wanted ? own.Lease(file) : files::Lease::Unavailable)
        {
        }
        ~Leased()
        {
            if (FLease == files::Lease::Held)
                FOwn.EndLease(FFile);
        }
        Leased(const Leased&) = delete;
        Leased& operator=(const Leased&) = delete;

        files::Lease Get() const { return FLease; }

    private:
        OwnFiles& FOwn;
        const files::File& FFile;
        const files::Lease FLease;
    };

    // A file moved aside: the folder it lies in, and its name there.
    struct Moved {
        const files::Folder& folder;
        std::string_view name;
    };

    // With leased, nobody else had the file open when it was moved, and any program that reaches
    // for it since waits: one that does so before the file goes gets it back under its name.
    void RemoveMoved(Check& check, const Moved& moved, const files::FileStamp& entry, const files::Trash* trash,
                     bool leased)
    {
        if (const auto reason = CheckMoved(moved, entry, check.mine))
            return GiveBack(check, moved, *reason);
        if (!StillThere(check.keepFolder->Get(), check.keep.Name, check.theirs))
            return GiveBack(check, moved, KeepReason::OtherChanged);
        if (leased && !check.file.LeaseUndisturbed())
            return GiveBack(check, moved, KeepReason::InUse);
        int code = files::kNoError;
        if (trash != nullptr) {
            if ((code = trash->Put(check.folder->Get(), check.row.Name, moved.folder, moved.name, FTrashedAs))
                != files::kNoError)
                return GiveBack(check, moved,
                                code == files::kNoTrash || code == files::kUnmappedErrnoBase + EXDEV ? KeepReason::NoTrash
                                                                                                    : KeepReason::Refused,
                                code);
        } else if ((code = files::DeleteIn(moved.folder, moved.name)) != files::kNoError) {
            return GiveBack(check, moved, KeepReason::Refused, code);
        }
        LookAgain(check, entry, trash, leased && !check.file.LeaseUndisturbed());
    }

    // A dry run's last step: whether the file could be moved out of its folder, and whether the
    // copy that stays is still there, as a real run would find after moving it; then the file is
    // taken as gone for what follows.
    void TakeAsGone(Check& check, const files::Folder& folder, const files::FileStamp& entry)
    {
        if (int code = check.folder->MayChangeEntries(); code != files::kNoError
            || (code = files::MayMoveOutOf(folder, entry, check.file)) != files::kNoError)
            return Keep(check, KeepReason::Refused, code);
        if (!StillThere(check.keepFolder->Get(), check.keep.Name, check.theirs))
            return Keep(check, KeepReason::OtherChanged);
        FTouched.insert(check.mine.id);
        FGone.Add(folder.Id(), check.row.Name);
    }

    // Once it is removed, the file, still open, is looked at once more: written to since the
    // last look (through a descriptor opened before it was moved, where no lease could be had),
    // or awaited by a program that reached for it just as it went (one that found its name before
    // it was moved), it must not be lost with what it holds now. A link that went leaves what it
    // led to untouched; a file with other names lives on under them.
    void LookAgain(Check& check, const files::FileStamp& entry, const files::Trash* trash, bool awaited)
    {
        files::FileStamp now;
        if (entry.kind != files::FileKind::Regular || check.file.Stamp(now) != files::kNoError)
            return;
        const bool rewritten = !now.SameContents(check.mine);
        if (!rewritten && !awaited)
            return;
        const auto& folder = check.folder->Get();
        NameBuffer buffer;
        std::string_view given;
        int code = files::kNoError;
        if (trash != nullptr) {
            if ((code = PutBack(trash->Files(), FTrashedAs, folder, check.row.Name, buffer, given)) == files::kNoError)
                trash->DropInfo(FTrashedAs);
        } else if (now.links == 0) {
            given = check.row.Name;
            code = files::SaveCopyIn(check.file, folder, given, now);
            for (unsigned n = 2; code == files::kAlreadyExists && n < kMaxBesideTries; ++n)
                code = files::SaveCopyIn(check.file, folder, given = BesideName(check.row.Name, n, buffer), now);
        } else {
            return;
        }
        if (code == files::kNoError)
            SetLeftAt(check, given);
        Keep(check, rewritten ? KeepReason::Rewritten : KeepReason::ReachedFor, code);
    }

    // Stamps of both files (those from opening them, to begin with) from a moment when their
    // times can vouch for them: a change in the same clock step as the last one may leave the
    // times as they were, so a file changed just now is waited for until that step is past.
    static int Settle(const files::File& a, files::FileStamp& stampA, const files::File& b, files::FileStamp& stampB)
    {
        const auto wait = std::max(Unsettled(stampA), Unsettled(stampB));
        if (wait <= 0)
            return files::kNoError;
        std::this_thread::sleep_for(std::chrono::nanoseconds(wait));
        if (const int code = a.Stamp(stampA); code != files::kNoError)
            return code;
        return b.Stamp(stampB);
    }

    // How long until a file's times are far enough behind the clock; 0 or less when they are.
    static std::int64_t Unsettled(const files::FileStamp& stamp)
    {
        return std::max(stamp.modified, stamp.changed) + kSettledSteps * files::FileClockStep() - files::FileClockNow();
    }

    static bool IsSettled(const files::FileStamp& stamp) { return Unsettled(stamp) <= 0; }

    // Both files, block by block to the end of each, as they are now, not to a length seen
    // before; it stops at the first difference, and when cancelled.
    int CompareContents(const files::File& a, const files::File& b, bool& equal, std::uint64_t& bytes)
    {
        auto buffers = FBuffers.Take();
        equal = false;
        int code = files::kNoError;
        for (std::uint64_t offset = 0; !Cancelled();) {
            std::size_t gotA = 0, gotB = 0;
            if ((code = a.ReadAt(offset, buffers.mine.get(), kCompareChunk, gotA)) != files::kNoError
                || (code = b.ReadAt(offset, buffers.theirs.get(), kCompareChunk, gotB)) != files::kNoError
                || gotA != gotB || std::memcmp(buffers.mine.get(), buffers.theirs.get(), gotA) != 0)
                break;
            bytes += 2 * gotA;
            if (gotA < kCompareChunk) {
                equal = true;
                break;
            }
            offset += gotA;
        }
        FBuffers.Give(std::move(buffers));
        return code;
    }

    // Who besides root and the running user could remove, replace or change file: its entry lies
    // in folder, or, when a link led to it, where the trail says.
    static files::Exposure Exposed(const files::File& file, const files::LinkTrail& trail, const files::Folder& folder)
    {
        const auto& stamp = file.Opened();
        return files::Exposure::Of({stamp.owner, stamp.group, stamp.mode}, trail.followed ? trail.folder : folder.Owners(),
                                   files::RunningUser());
    }

    // Why name in folder is not, right before it moves, the compared file unchanged (or a link to
    // it), if it is not. entry is what the name itself is.
    std::optional<KeepReason> CheckBeforeMove(const files::Folder& folder, std::string_view name,
                                              const files::FileStamp& compared, files::FileStamp& entry) const
    {
        if (files::StampIn(folder, name, files::Links::Own, entry, &FGone) != files::kNoError)
            return KeepReason::Replaced;
        files::FileStamp target = entry;
        if (entry.kind == files::FileKind::Link
            && files::StampIn(folder, name, files::Links::Follow, target, &FGone) != files::kNoError)
            return KeepReason::Replaced;
        if (target.id != compared.id)
            return KeepReason::Replaced;
        // No user can set the status change time: any change since the comparison shows in it,
        // one that put the modification time back as it was included.
        return target.Unchanged(compared) ? std::nullopt : std::optional(KeepReason::Changed);
    }

    // Why what now lies where the file was moved is not what was checked before the move (entry),
    // with the compared contents, if it is not. The move itself moved its status change
    // time; a link's is its own, and what it leads to is not deleted.
    static std::optional<KeepReason> CheckMoved(const Moved& moved, const files::FileStamp& entry,
                                                const files::FileStamp& compared)
    {
        files::FileStamp now;
        if (files::StampIn(moved.folder, moved.name, files::Links::Own, now) != files::kNoError || now.id != entry.id
            || now.kind != entry.kind)
            return KeepReason::Replaced;
        if (now.kind == files::FileKind::Regular && !now.SameContents(compared))
            return KeepReason::Changed;
        return std::nullopt;
    }

    // Whether name in folder still leads to the compared file, with nothing about it changed.
    bool StillThere(const files::Folder& folder, std::string_view name, const files::FileStamp& compared) const
    {
        files::FileStamp entry;
        return files::StampIn(folder, name, files::Links::Follow, entry, &FGone) == files::kNoError
            && entry.Unchanged(compared);
    }

    // The file moved aside gets its name back, or one beside it when its own was taken meanwhile;
    // failing both, it stays where the next scan brings it back. Takes no memory, for it may run
    // just when memory ran out.
    void GiveBack(Check& check, const Moved& moved, KeepReason reason, int code = files::kNoError)
    {
        NameBuffer buffer;
        std::string_view given;
        if (PutBack(moved.folder, moved.name, check.folder->Get(), check.row.Name, buffer, given) != files::kNoError) {
            SetLeftAt(check, {});
            check.folder->AppendAside(moved.folder, moved.name, check.leftAt);
            return Keep(check, KeepReason::LeftHidden);
        }
        if (given != check.row.Name) {
            SetLeftAt(check, given);
            return Keep(check, KeepReason::LeftAside);
        }
        Keep(check, reason, code);
    }

    // Where the file is now: name in its folder (within the room reserved before it moved).
    static void SetLeftAt(Check& check, std::string_view name)
    {
        const auto folder = FolderOf(check.row);
        check.leftAt.assign(folder);
        if (folder.empty() || folder.back() != files::kSeparator)
            check.leftAt += files::kSeparator;
        check.leftAt += name;
    }

    const Catalogue& FCatalogue;
    const RemovalOptions& FOptions;
    RemovalResult& FResult;
    Folders FFolders;
    OwnFiles FOwn;
    CompareBuffers FBuffers;
    Trashes FTrashes;
    GoneNames FGone; // a dry run's deletions; empty in a real run, whose deletions are gone indeed
    std::string FTrashedAs; // the name the file last moved into the trash has there
    NameBuffer FAsideEntry; // the name the file in hand has aside
    std::unordered_set<files::FileId, files::FileIdHash> FTouched; // files this removal moved or deleted
};

} // namespace

std::vector<RemovalCandidate> PlanRemoval(const Catalogue& catalogue)
{
    std::vector<RemovalCandidate> plan;
    std::vector<std::string_view> keys;
    const std::size_t rows = catalogue.RowCount();
    for (std::size_t start = 0, end = 0; start < rows; start = end) {
        const auto size = catalogue.Row(start).Size;
        for (end = start + 1; end < rows && catalogue.Row(end).Size == size; ++end) {
        }
        if (end - start < 2)
            continue;
        keys.clear();
        for (std::size_t i = start; i < end; ++i)
            keys.push_back(catalogue.Row(i).FirstFingerprint);
        const auto order = ExchangeSortOrder(keys);
        for (std::size_t p = 0; p + 1 < order.size(); ++p) {
            const auto row = start + order[p];
            const auto next = start + order[p + 1];
            const auto a = catalogue.Row(row);
            const auto b = catalogue.Row(next);
            if (a.FirstFingerprint == b.FirstFingerprint && a.SecondFingerprint == b.SecondFingerprint)
                plan.push_back({row, next});
        }
    }
    return plan;
}

RemovalResult RemoveDuplicates(const Catalogue& catalogue, const RemovalOptions& options)
{
    RemovalResult result;
    if (catalogue.RowCount() == 0)
        return result;
    const auto budget = BudgetFor(files::OpenFilesLimit());
    const unsigned readers = options.verifiers != 0 ? options.verifiers : budget.readers;
    try {
        Remover remover(catalogue, options, result, readers, budget.folders);
        const auto plan = PlanRemoval(catalogue);
        result.counts.candidates = plan.size();
        result.deleted.reserve(plan.size()); // what telling of every deletion takes, taken now
        if (options.progress != nullptr)
            options.progress->RemovalAdvanced(result.counts);

        // Comparisons run ahead on reading threads, as many as the reads need; each is decided
        // and acted on here, in the removal's order, the names checked just before the deletion.
        OrderedReads<Check> checks(
            readers, [&remover](Check& check) { remover.Compare(check); },
            [&remover](Check& check) { remover.Take(check); }, budget.checksAhead);
        for (const auto& candidate : plan) {
            if (result.cancelled || remover.Cancelled()) {
                result.cancelled = true; // some were never looked at
                break;
            }
            checks.Push(remover.Prepare(catalogue.Row(candidate.row), catalogue.Row(candidate.keep)));
        }
        checks.Finish();
    } catch (const std::bad_alloc&) {
        // Every deletion so far was told as it happened; what is left undecided stays.
        result.outOfMemory = true;
        result.cancelled = true;
    }
    return result;
}

} // namespace replays
