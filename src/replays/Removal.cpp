#include "replays/Removal.h"

#include "platform/fs/File.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "platform/fs/Process.h"
#include "platform/fs/Trash.h"
#include "replays/ExchangeOrder.h"
#include "replays/Leftovers.h"
#include "replays/OrderedReads.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <list>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <unistd.h>

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
// A private folder is the running user's alone.
constexpr std::uint32_t kAsideMode = 0700;
constexpr std::uint32_t kOthersBits = 077;
constexpr std::uint32_t kOthersWriteBits = 022;
// A private folder's name is about 60 bytes long; room for it in a report's path.
constexpr std::size_t kPrivateFolderNameRoom = 80;
// Private folder names tried before giving up (a name is taken only by chance, or by another
// user's folder swapped in between making and opening it).
constexpr int kAsideFolderTries = 16;

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

// The folder part of a row's path (the walk joined folder and name with one separator).
std::string_view FolderOf(const CatalogueRow& row)
{
    auto folder = row.Path.substr(0, row.Path.size() - row.Name.size());
    if (folder.size() > 1 && folder.back() == files::kSeparator)
        folder.remove_suffix(1);
    return folder;
}

bool IsWithin(std::string_view path, std::string_view top)
{
    return path == top
        || (path.starts_with(top) && path.size() > top.size() && (top.back() == files::kSeparator || path[top.size()] == files::kSeparator));
}

// A folder of the files in hand, and where its files are moved to be checked just before they
// go (Leftovers.h says how either records the file's name):
// - in a folder that no other user may write (the running user's, writable by no group and no
//   others), a hidden name beside the file does: only the user's own processes could reach it,
//   and those can do anything the user can anyway;
// - elsewhere, a private folder inside it, made at the first need and removed with it when empty
//   (one that could not be emptied stays for a later scan). Making and removing a folder costs a
//   file system like ext4 about a millisecond, a hundred renames: it is made only where another
//   user could reach a name.
class OpenFolder {
public:
    explicit OpenFolder(files::Folder folder) : FFolder(std::move(folder)), FOwnOnly(OthersCannotWrite(FFolder)) {}
    ~OpenFolder()
    {
        if (FPrivate)
            files::RemoveFolderIn(FFolder, FPrivateName);
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    const files::Folder& Get() const { return FFolder; }

    // Where the file name goes aside, with the name it has there in entry (written into buffer);
    // null with code set when there is nowhere.
    const files::Folder* Aside(std::string_view name, NameBuffer& buffer, std::string_view& entry, int& code)
    {
        code = files::kNoError;
        if (FOwnOnly && !(entry = AsideFileName(name, buffer)).empty())
            return &FFolder;
        entry = name;
        return MakePrivate(code);
    }

    // Whether entries of the folder may be changed (a dry run's question), asked once.
    int MayChangeEntries()
    {
        if (!FMayChange)
            FMayChange = files::MayChangeEntriesOf(FFolder);
        return *FMayChange;
    }

    // Appends to path where an entry aside lies below this folder, within the room it has.
    void AppendAside(const files::Folder& aside, std::string_view entry, std::string& path) const
    {
        if (&aside != &FFolder) {
            path += FPrivateName;
            path += files::kSeparator;
        }
        path += entry;
    }
    std::size_t AsideRoom() const { return kPrivateFolderNameRoom + 2 * NAME_MAX + 2; }

private:
    static bool OthersCannotWrite(const files::Folder& folder)
    {
        return folder.Owner() == files::RunningUser() && (folder.Mode() & kOthersWriteBits) == 0;
    }

    // The private folder, made when first needed; null with code set when it cannot be.
    const files::Folder* MakePrivate(int& code)
    {
        for (int tries = 0; !FPrivate && tries < kAsideFolderTries; ++tries) {
            auto name = NewAsideFolderName();
            if ((code = files::MakeFolderIn(FFolder, name, kAsideMode)) == files::kAlreadyExists)
                continue;
            if (code != files::kNoError)
                return nullptr;
            files::Folder made;
            try {
                made = files::Folder::OpenOwnIn(FFolder, name, code);
            } catch (...) { // out of memory: the folder goes again
                files::RemoveFolderIn(FFolder, name);
                throw;
            }
            // Someone may have put another folder in its place between making and opening it.
            if (!made || made.Owner() != files::RunningUser() || (made.Mode() & kOthersBits) != 0)
                continue;
            FPrivate = std::move(made);
            FPrivateName = std::move(name);
        }
        if (!FPrivate && code == files::kNoError)
            code = files::kAccessDenied;
        return FPrivate ? &FPrivate : nullptr;
    }

    files::Folder FFolder;
    const bool FOwnOnly;
    std::optional<int> FMayChange;
    files::Folder FPrivate;
    std::string FPrivateName;
};

// The folders of the files in hand, found from the folder the scan started in and checked
// against the identities the scan recorded; everything afterwards goes through the handles. As
// many stay open as the descriptor budget allows, so that a collection's folders are mostly
// opened once.
class Folders {
public:
    Folders(const Catalogue& catalogue, std::size_t capacity) : FCatalogue(catalogue), FCapacity(capacity) {}

    // The folder at path, or null with code set (0 when it is not the folder the scan walked).
    std::shared_ptr<OpenFolder> Get(std::string_view path, int& code)
    {
        code = files::kNoError;
        if (const auto found = FIndex.find(path); found != FIndex.end()) {
            FUsed.splice(FUsed.begin(), FUsed, found->second);
            return FUsed.front().folder;
        }
        auto folder = Open(path, code);
        if (!folder && code == files::kTooManyOpenFiles && !FUsed.empty()) {
            Shrink(FUsed.size() / 2); // the process needs descriptors elsewhere: give some back
            folder = Open(path, code);
        }
        if (!folder)
            return nullptr;
        if (files::FileId walked; FCatalogue.FolderIdentity(path, walked) && walked != folder.Id())
            return nullptr;
        Shrink(FCapacity - 1);
        FUsed.push_front({std::string(path), std::make_shared<OpenFolder>(std::move(folder))});
        FIndex.emplace(FUsed.front().path, FUsed.begin());
        return FUsed.front().folder;
    }

private:
    struct Entry {
        std::string path;
        std::shared_ptr<OpenFolder> folder;
    };
    using Used = std::list<Entry>; // most recently used first

    // Below the scan's folder, from its handle: an exchange of any folder on the way since the
    // scan, the scanned one included, leads nowhere else.
    files::Folder Open(std::string_view path, int& code) const
    {
        const auto& top = FCatalogue.Top();
        if (!top || !IsWithin(path, top->Path()))
            return files::Folder::Open(std::string(path), code);
        const auto below = path.size() == top->Path().size() ? std::string_view(".")
                                                              : path.substr(top->Path().size() + (top->Path().size() > 1));
        return files::Folder::OpenIn(*top, below, code);
    }

    void Shrink(std::size_t size)
    {
        while (FUsed.size() > size) {
            FIndex.erase(FUsed.back().path);
            FUsed.pop_back();
        }
    }

    const Catalogue& FCatalogue;
    const std::size_t FCapacity;
    Used FUsed;
    std::unordered_map<std::string_view, Used::iterator> FIndex; // keys view the entries' own paths
};

// The names a dry run would have deleted, by folder and name: gone for every later decision.
// Asked at every name a dry run looks at, so a question takes no memory.
class GoneNames : public files::AbsentNames {
public:
    bool Absent(const files::FileId& folder, std::string_view name) const override
    {
        KeyBuffer buffer;
        return !FNames.empty() && FNames.contains(Key(folder, name, buffer));
    }
    void Add(const files::FileId& folder, std::string_view name)
    {
        KeyBuffer buffer;
        FNames.emplace(Key(folder, name, buffer));
    }

private:
    using KeyBuffer = std::array<char, sizeof(files::FileId) + NAME_MAX>;

    static std::string_view Key(const files::FileId& folder, std::string_view name, KeyBuffer& buffer)
    {
        std::memcpy(buffer.data(), &folder, sizeof folder);
        const auto length = std::min(name.size(), std::size_t{NAME_MAX});
        std::memcpy(buffer.data() + sizeof folder, name.data(), length);
        return {buffer.data(), sizeof folder + length};
    }

    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> FNames;
};

// The trash of each file system met, found (and made) once; or why there is none.
class Trashes {
public:
    const files::Trash* For(const files::Folder& folder, int& code)
    {
        auto [at, added] = FTrashes.try_emplace(folder.Id().device);
        if (added)
            at->second.trash = files::Trash::For(folder, at->second.code);
        code = at->second.code;
        return at->second.trash ? &at->second.trash : nullptr;
    }

    int Available(const files::Folder& folder)
    {
        auto [at, added] = FAvailable.try_emplace(folder.Id().device, files::kNoError);
        if (added)
            at->second = files::Trash::Available(folder);
        return at->second;
    }

private:
    struct Found {
        files::Trash trash;
        int code = files::kNoError;
    };
    std::map<dev_t, Found> FTrashes;
    std::map<dev_t, int> FAvailable;
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
    files::File file; // the file to delete, held open from its comparison to its removal
    files::FileStamp mine; // the file to delete, right after the comparison
    files::FileStamp theirs; // the copy that stays, from before the comparison
    bool compared = false;
    std::uint64_t bytes = 0;
    std::string leftAt; // for LeftAside, LeftHidden and Rewritten, where the file is now
    files::FileId mineId; // the files compared, as soon as they were opened
    files::FileId theirsId;
};

// Decides and carries out the deletions. Compare may run on several threads at once, on
// different checks; everything else runs on the removal's thread.
class Remover {
public:
    Remover(const Catalogue& catalogue, const RemovalOptions& options, RemovalResult& result, const Budget& budget)
        : FOptions(options), FResult(result), FFolders(catalogue, budget.folders)
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
    void Compare(Check& check, const files::AbsentNames* gone = nullptr) const
    {
        if (Cancelled())
            return;
        if (check.row.ForeignLink || check.keep.ForeignLink)
            return Keep(check, KeepReason::ForeignLink);
        int code = files::kNoError;
        if (!check.folder)
            return Keep(check, check.folderCode == files::kNoError ? KeepReason::FolderReplaced : KeepReason::CannotOpen,
                        check.folderCode);
        auto file = files::File::OpenIn(check.folder->Get(), check.row.Name, code, files::Access::ReadWrite, nullptr, gone);
        if (!file)
            return Keep(check, KeepReason::CannotOpen, code);
        check.mineId = file.Id();
        if (!check.keepFolder)
            return Keep(check,
                        check.keepFolderCode == files::kNoError ? KeepReason::FolderReplaced : KeepReason::CannotCompare,
                        check.keepFolderCode);
        // It stays, read-only or not.
        const auto other = files::File::OpenIn(check.keepFolder->Get(), check.keep.Name, code, files::Access::Read,
                                               nullptr, gone);
        if (!other)
            return Keep(check, KeepReason::CannotCompare, code);
        check.theirsId = other.Id();
        if (file.Id() == other.Id())
            return Keep(check, KeepReason::SameFile);

        files::FileStamp mineBefore = file.Opened();
        check.theirs = other.Opened();
        if ((code = Settle(file, mineBefore, other, check.theirs)) != files::kNoError)
            return Keep(check, KeepReason::CannotCompare, code);
        if (!IsSettled(mineBefore))
            return Keep(check, KeepReason::Changed);
        if (!IsSettled(check.theirs))
            return Keep(check, KeepReason::OtherChanged);
        check.compared = true;
        bool equal = false;
        code = CompareContents(file, other, equal, check.bytes);
        if (Cancelled())
            return; // Unread: nothing is decided
        if (code != files::kNoError)
            return Keep(check, KeepReason::CannotCompare, code);
        if (!equal)
            return Keep(check, KeepReason::ContentsDiffer);
        if (file.Stamp(check.mine) != files::kNoError || !check.mine.Unchanged(mineBefore))
            return Keep(check, KeepReason::Changed);
        check.verdict = Verdict::Equal;
        check.file = std::move(file);
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
            const bool moved = check.reason == KeepReason::LeftAside || check.reason == KeepReason::LeftHidden
                || check.reason == KeepReason::Rewritten;
            FResult.notDeleted.push_back({std::move(path), check.reason, check.code,
                                          moved ? std::move(check.leftAt) : std::string(check.keep.Path)});
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
            RemoveMoved(check, moved, entry, trash);
        } catch (...) {
            GiveBack(check, moved, KeepReason::Refused);
            throw;
        }
    }

    // A file moved aside: the folder it lies in, and its name there.
    struct Moved {
        const files::Folder& folder;
        std::string_view name;
    };

    void RemoveMoved(Check& check, const Moved& moved, const files::FileStamp& entry, const files::Trash* trash)
    {
        if (const auto reason = CheckMoved(moved, entry, check.mine))
            return GiveBack(check, moved, *reason);
        if (!StillThere(check.keepFolder->Get(), check.keep.Name, check.theirs))
            return GiveBack(check, moved, KeepReason::OtherChanged);
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
        LookAgain(check, entry, trash);
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
    // last look (through a descriptor opened before it was moved), it must not be lost with what
    // it holds now. A link that went leaves what it led to untouched; a file with other names
    // lives on under them.
    void LookAgain(Check& check, const files::FileStamp& entry, const files::Trash* trash)
    {
        files::FileStamp now;
        if (entry.kind != files::FileKind::Regular || check.file.Stamp(now) != files::kNoError
            || now.SameContents(check.mine))
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
        Keep(check, KeepReason::Rewritten, code);
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
    int CompareContents(const files::File& a, const files::File& b, bool& equal, std::uint64_t& bytes) const
    {
        // Each reading thread compares one pair at a time, in buffers of its own.
        thread_local std::vector<char> mine(kCompareChunk), theirs(kCompareChunk);
        equal = false;
        for (std::uint64_t offset = 0;;) {
            if (Cancelled())
                return files::kNoError;
            std::size_t gotA = 0, gotB = 0;
            if (const int code = a.ReadAt(offset, mine.data(), mine.size(), gotA); code != files::kNoError)
                return code;
            if (const int code = b.ReadAt(offset, theirs.data(), theirs.size(), gotB); code != files::kNoError)
                return code;
            if (gotA != gotB || std::memcmp(mine.data(), theirs.data(), gotA) != 0)
                return files::kNoError;
            bytes += 2 * gotA;
            if (gotA < mine.size())
                break;
            offset += gotA;
        }
        equal = true;
        return files::kNoError;
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

    const RemovalOptions& FOptions;
    RemovalResult& FResult;
    Folders FFolders;
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
    Remover remover(catalogue, options, result, budget);
    try {
        const auto plan = PlanRemoval(catalogue);
        result.counts.candidates = plan.size();
        result.deleted.reserve(plan.size()); // what telling of every deletion takes, taken now
        if (options.progress != nullptr)
            options.progress->RemovalAdvanced(result.counts);

        // Comparisons run ahead on reading threads, as many as the reads need; each is decided
        // and acted on here, in the removal's order, the names checked just before the deletion.
        const unsigned readers = options.verifiers != 0 ? options.verifiers : budget.readers;
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
