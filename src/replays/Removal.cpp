#include "replays/Removal.h"

#include "platform/fs/File.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "replays/ExchangeOrder.h"
#include "replays/OrderedReads.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <list>
#include <memory>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <unistd.h>

namespace replays {

namespace {

// Blocks of the comparison: a typical replay (under 100 KB) in one read, and little memory per
// reading thread.
constexpr std::size_t kCompareChunk = std::size_t{128} << 10;
// Folders kept open between files, within these bounds.
constexpr std::size_t kMinOpenFolders = 8;
constexpr std::size_t kMaxOpenFolders = 4096;
// Candidates compared ahead of the one being decided; each holds its two folders open.
constexpr std::size_t kChecksAhead = 64;
// Private names taken by someone else before one is found free.
constexpr int kPrivateNameTries = 16;
// A file changed within this many clock steps may change again without its times moving: its
// times cannot vouch for it until they are this far behind the clock.
constexpr std::int64_t kSettledSteps = 2;

// The folder part of a row's path (the walk joined folder and name with one separator).
std::string_view FolderOf(const CatalogueRow& row)
{
    auto folder = row.Path.substr(0, row.Path.size() - row.Name.size());
    if (folder.size() > 1 && folder.back() == files::kSeparator)
        folder.remove_suffix(1);
    return folder;
}

// The folders of the files in hand, opened by path once and checked against the identities the
// scan recorded; everything afterwards goes through the handles. As many stay open as the
// descriptor limit comfortably allows, so that a collection's folders are mostly opened once.
class Folders {
public:
    explicit Folders(const Catalogue& catalogue) : catalogue_(catalogue), capacity_(Capacity()) {}

    // The folder at path, or null with code set (0 when it is not the folder the scan walked).
    std::shared_ptr<const files::Folder> Get(std::string_view path, int& code)
    {
        code = files::kNoError;
        if (const auto found = index_.find(path); found != index_.end()) {
            used_.splice(used_.begin(), used_, found->second);
            return used_.front();
        }
        auto folder = files::Folder::Open(std::string(path), code);
        if (!folder && code == files::kTooManyOpenFiles && !used_.empty()) {
            Shrink(used_.size() / 2); // the process needs descriptors elsewhere: give some back
            folder = files::Folder::Open(std::string(path), code);
        }
        if (!folder)
            return nullptr;
        if (files::FileId walked; catalogue_.FolderIdentity(path, walked) && walked != folder.Id())
            return nullptr;
        Shrink(capacity_ - 1);
        used_.push_front(std::make_shared<const files::Folder>(std::move(folder)));
        index_.emplace(used_.front()->Path(), used_.begin());
        return used_.front();
    }

private:
    using Used = std::list<std::shared_ptr<const files::Folder>>; // most recently used first

    // A quarter of the descriptors the process may have, within bounds.
    static std::size_t Capacity()
    {
        rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            return kMaxOpenFolders;
        return std::clamp<std::size_t>(limit.rlim_cur / 4, kMinOpenFolders, kMaxOpenFolders);
    }

    void Shrink(std::size_t size)
    {
        while (used_.size() > size) {
            index_.erase(used_.back()->Path());
            used_.pop_back();
        }
    }

    const Catalogue& catalogue_;
    const std::size_t capacity_;
    Used used_;
    std::unordered_map<std::string_view, Used::iterator> index_; // keys view the folders' own paths
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
    std::shared_ptr<const files::Folder> folder;
    std::shared_ptr<const files::Folder> keepFolder;
    int folderCode = files::kNoError;
    int keepFolderCode = files::kNoError;

    Verdict verdict = Verdict::Unread;
    KeepReason reason = KeepReason::CannotOpen;
    int code = files::kNoError;
    files::FileStamp mine; // the file to delete, right after the comparison
    files::FileStamp theirs; // the copy that stays, from before the comparison
    bool compared = false;
    std::uint64_t bytes = 0;
    std::string leftAt; // for LeftAside, where the file is now
    files::FileId mineId; // the files compared, as soon as they were opened
    files::FileId theirsId;
};

// Decides and carries out the deletions. Compare may run on several threads at once, on
// different checks; everything else runs on the removal's thread.
class Remover {
public:
    Remover(const Catalogue& catalogue, const RemovalOptions& options, RemovalResult& result)
        : options_(options),
          result_(result),
          folders_(catalogue),
          privatePrefix_(".dupsweep-" + std::to_string(::getpid()) + "-"
                         + std::to_string(std::random_device()() & 0xFFFFFF) + "-")
    {
    }

    bool Cancelled() const { return options_.cancel != nullptr && options_.cancel->load(std::memory_order_relaxed); }

    Check Prepare(const CatalogueRow& row, const CatalogueRow& keep)
    {
        Check check;
        check.row = row;
        check.keep = keep;
        check.folder = folders_.Get(FolderOf(row), check.folderCode);
        check.keepFolder = folders_.Get(FolderOf(keep), check.keepFolderCode);
        return check;
    }

    // On any reading thread: opens both files through their folders and compares them.
    void Compare(Check& check) const
    {
        if (Cancelled())
            return;
        int code = files::kNoError;
        if (!check.folder)
            return Keep(check, check.folderCode == files::kNoError ? KeepReason::FolderReplaced : KeepReason::CannotOpen,
                        check.folderCode);
        const auto file = files::File::OpenIn(*check.folder, check.row.Name, code);
        if (!file)
            return Keep(check, KeepReason::CannotOpen, code);
        check.mineId = file.Id();
        if (!check.keepFolder)
            return Keep(check,
                        check.keepFolderCode == files::kNoError ? KeepReason::FolderReplaced : KeepReason::CannotCompare,
                        check.keepFolderCode);
        const auto other = files::File::OpenIn(*check.keepFolder, check.keep.Name, code, files::Access::Read); // it stays, read-only or not
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
        // The copy that stays is held to its stamp from before when its name is checked last;
        // this one's must be taken now, before moving it aside moves its status change time.
        if (file.Stamp(check.mine) != files::kNoError || !check.mine.Unchanged(mineBefore))
            return Keep(check, KeepReason::Changed);
        check.verdict = Verdict::Equal;
    }

    // On the removal's thread, in the removal's order: deletes what was found equal, if it still
    // may be deleted, and records the outcome. Once cancelled, nothing more is done.
    void Take(Check& check)
    {
        Decide(check);
        check.folder.reset(); // the folders go with the check, not with a later one
        check.keepFolder.reset();
    }

private:
    void Decide(Check& check)
    {
        if (result_.cancelled || Cancelled() || check.verdict == Verdict::Unread) {
            result_.cancelled = true;
            return;
        }
        // Moving and deleting files changes the status of every other name of the same file: a
        // comparison made ahead, before that, is made again now, as a removal on one thread
        // would make it.
        if (touched_.contains(check.mineId) || touched_.contains(check.theirsId)) {
            check = Prepare(check.row, check.keep);
            Compare(check);
            if (check.verdict == Verdict::Unread) {
                result_.cancelled = true;
                return;
            }
        }
        auto& counts = result_.counts;
        counts.compared += check.compared ? 1 : 0;
        counts.bytesCompared += check.bytes;
        if (check.verdict == Verdict::Equal)
            Delete(check, *check.folder, *check.keepFolder);
        std::string path(check.row.Path);
        if (check.verdict == Verdict::Equal) {
            ++counts.deleted;
            if (options_.report != nullptr)
                options_.report->Deleted(path);
            result_.deleted.push_back(std::move(path));
        } else {
            result_.notDeleted.push_back({std::move(path), check.reason, check.code,
                                          check.reason == KeepReason::LeftAside ? std::move(check.leftAt)
                                                                                : std::string(check.keep.Path)});
        }
        ++counts.done;
        if (options_.progress != nullptr)
            options_.progress->RemovalAdvanced(counts);
    }

    static void Keep(Check& check, KeepReason reason, int code = files::kNoError)
    {
        check.verdict = Verdict::Keep;
        check.reason = reason;
        check.code = code;
    }

    // Moves the file found equal aside, checks both names and deletes it; or, in a dry run,
    // makes the same checks on the names where they stand. On doubt the check turns to Keep.
    void Delete(Check& check, const files::Folder& folder, const files::Folder& keepFolder)
    {
        if (options_.dryRun) {
            if (const auto reason = CheckName(folder, check.row.Name, check.mine))
                return Keep(check, *reason);
            if (!StillThere(keepFolder, check.keep.Name, check.theirs))
                Keep(check, KeepReason::OtherChanged);
            return;
        }
        std::string aside;
        if (const int code = MoveAside(folder, check.row.Name, aside); code != files::kNoError)
            return Keep(check, KeepReason::Refused, code);
        touched_.insert(check.mine.id);
        // From here on its name is free; whatever went wrong, the file gets it back.
        if (const auto reason = CheckName(folder, aside, check.mine))
            return Restore(check, folder, aside, *reason);
        if (!StillThere(keepFolder, check.keep.Name, check.theirs))
            return Restore(check, folder, aside, KeepReason::OtherChanged);
        if (const int code = files::DeleteIn(folder, aside); code != files::kNoError)
            return Restore(check, folder, aside, KeepReason::Refused, code);
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

    // Why name in folder is not the compared file unchanged (or a link to it), if it is not.
    static std::optional<KeepReason> CheckName(const files::Folder& folder, std::string_view name,
                                               const files::FileStamp& compared)
    {
        files::FileStamp entry;
        if (files::StampIn(folder, name, files::Links::Own, entry) != files::kNoError)
            return KeepReason::Replaced;
        if (entry.kind == files::FileKind::Link
            && files::StampIn(folder, name, files::Links::Follow, entry) != files::kNoError)
            return KeepReason::Replaced;
        if (entry.id != compared.id)
            return KeepReason::Replaced;
        // A rename moves the status change time, so only the contents can be held to the stamp.
        return entry.SameContents(compared) ? std::nullopt : std::optional(KeepReason::Changed);
    }

    // Whether name in folder still leads to the compared file, with nothing about it changed.
    static bool StillThere(const files::Folder& folder, std::string_view name, const files::FileStamp& compared)
    {
        files::FileStamp entry;
        return files::StampIn(folder, name, files::Links::Follow, entry) == files::kNoError && entry.Unchanged(compared);
    }

    int MoveAside(const files::Folder& folder, std::string_view name, std::string& aside)
    {
        int code = files::kAlreadyExists;
        for (int tries = 0; tries < kPrivateNameTries && code == files::kAlreadyExists; ++tries) {
            aside = privatePrefix_ + std::to_string(++privateNames_);
            code = files::RenameIn(folder, name, aside);
        }
        return code;
    }

    void Restore(Check& check, const files::Folder& folder, const std::string& aside, KeepReason reason,
                 int code = files::kNoError)
    {
        if (files::RenameIn(folder, aside, check.row.Name) != files::kNoError) {
            check.leftAt = files::JoinPath(FolderOf(check.row), aside);
            return Keep(check, KeepReason::LeftAside);
        }
        Keep(check, reason, code);
    }

    const RemovalOptions& options_;
    RemovalResult& result_;
    Folders folders_;
    const std::string privatePrefix_; // hidden, so that scans pass over a file while it is aside
    std::uint64_t privateNames_ = 0;
    std::unordered_set<files::FileId, files::FileIdHash> touched_; // files this removal moved or deleted
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
    const auto plan = PlanRemoval(catalogue);
    result.counts.candidates = plan.size();
    if (options.progress != nullptr)
        options.progress->RemovalAdvanced(result.counts);

    // Comparisons run ahead on reading threads, as many as the reads need; each is decided and
    // acted on here, in the removal's order, the names checked just before the deletion.
    Remover remover(catalogue, options, result);
    OrderedReads<Check> checks(
        options.verifiers, [&remover](Check& check) { remover.Compare(check); },
        [&remover](Check& check) { remover.Take(check); }, kChecksAhead);
    for (const auto& candidate : plan) {
        if (result.cancelled || remover.Cancelled()) {
            result.cancelled = true; // some were never looked at
            break;
        }
        checks.Push(remover.Prepare(catalogue.Row(candidate.row), catalogue.Row(candidate.keep)));
    }
    checks.Finish();
    return result;
}

} // namespace replays
