#include "replays/Removal.h"

#include "platform/fs/File.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "replays/ExchangeOrder.h"

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
#include <unistd.h>

namespace replays {

namespace {

constexpr std::size_t kCompareChunk = std::size_t{256} << 10;
// Folders kept open between files, within these bounds.
constexpr std::size_t kMinOpenFolders = 8;
constexpr std::size_t kMaxOpenFolders = 4096;
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

enum class Decision { Delete, Keep, Stopped };

// Decides and carries out one deletion.
class Remover {
public:
    Remover(const Catalogue& catalogue, const RemovalOptions& options, RemovalCounts& counts)
        : options_(options),
          counts_(counts),
          folders_(catalogue),
          mine_(kCompareChunk),
          theirs_(kCompareChunk),
          privatePrefix_(".dupsweep-" + std::to_string(::getpid()) + "-"
                         + std::to_string(std::random_device()() & 0xFFFFFF) + "-")
    {
    }

    // Keep: kept says why. Stopped: cancelled in the middle; nothing was changed.
    Decision Remove(const CatalogueRow& row, const CatalogueRow& keep, NotDeleted& kept)
    {
        kept.other = keep.Path;
        int code = files::kNoError;
        const auto folder = folders_.Get(FolderOf(row), code);
        if (!folder)
            return code == files::kNoError ? Keep(kept, KeepReason::FolderReplaced) : Keep(kept, KeepReason::CannotOpen, code);
        const auto file = files::File::OpenIn(*folder, row.Name, code);
        if (!file)
            return Keep(kept, KeepReason::CannotOpen, code);
        const auto keepFolder = folders_.Get(FolderOf(keep), code);
        if (!keepFolder)
            return code == files::kNoError ? Keep(kept, KeepReason::FolderReplaced) : Keep(kept, KeepReason::CannotCompare, code);
        const auto other = files::File::OpenIn(*keepFolder, keep.Name, code, files::Access::Read); // it stays, read-only or not
        if (!other)
            return Keep(kept, KeepReason::CannotCompare, code);
        if (file.Id() == other.Id())
            return Keep(kept, KeepReason::SameFile);

        files::FileStamp mineBefore = file.Opened(), theirsBefore = other.Opened();
        if ((code = Settle(file, mineBefore, other, theirsBefore)) != files::kNoError)
            return Keep(kept, KeepReason::CannotCompare, code);
        if (!IsSettled(mineBefore))
            return Keep(kept, KeepReason::Changed);
        if (!IsSettled(theirsBefore))
            return Keep(kept, KeepReason::OtherChanged);
        ++counts_.compared;
        bool equal = false;
        code = Compare(file, other, equal);
        if (Cancelled())
            return Decision::Stopped;
        if (code != files::kNoError)
            return Keep(kept, KeepReason::CannotCompare, code);
        if (!equal)
            return Keep(kept, KeepReason::ContentsDiffer);
        // The copy that stays is held to its stamp from before when its name is checked last;
        // this one's must be taken now, before moving it aside moves its status change time.
        files::FileStamp mine;
        if (file.Stamp(mine) != files::kNoError || !mine.Unchanged(mineBefore))
            return Keep(kept, KeepReason::Changed);
        const files::FileStamp& theirs = theirsBefore;

        if (options_.dryRun) {
            // The checks a deletion makes, on the names where they stand.
            if (const auto reason = CheckName(*folder, row.Name, mine))
                return Keep(kept, *reason);
            return StillThere(*keepFolder, keep.Name, theirs) ? Decision::Delete : Keep(kept, KeepReason::OtherChanged);
        }

        std::string aside;
        if ((code = MoveAside(*folder, row.Name, aside)) != files::kNoError)
            return Keep(kept, KeepReason::Refused, code);
        // From here on its name is free; whatever went wrong, the file gets it back.
        if (const auto reason = CheckName(*folder, aside, mine))
            return Restore(*folder, aside, row, kept, *reason);
        if (!StillThere(*keepFolder, keep.Name, theirs))
            return Restore(*folder, aside, row, kept, KeepReason::OtherChanged);
        if ((code = files::DeleteIn(*folder, aside)) != files::kNoError)
            return Restore(*folder, aside, row, kept, KeepReason::Refused, code);
        return Decision::Delete;
    }

private:
    static Decision Keep(NotDeleted& kept, KeepReason reason, int code = files::kNoError)
    {
        kept.reason = reason;
        kept.code = code;
        return Decision::Keep;
    }

    bool Cancelled() const { return options_.cancel != nullptr && options_.cancel->load(std::memory_order_relaxed); }

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

    // Both files, block by block to the end of each, as they are now, not to a length seen before.
    int Compare(const files::File& a, const files::File& b, bool& equal)
    {
        equal = false;
        for (std::uint64_t offset = 0;;) {
            if (Cancelled())
                return files::kNoError;
            std::size_t gotA = 0, gotB = 0;
            if (const int code = a.ReadAt(offset, mine_.data(), mine_.size(), gotA); code != files::kNoError)
                return code;
            if (const int code = b.ReadAt(offset, theirs_.data(), theirs_.size(), gotB); code != files::kNoError)
                return code;
            if (gotA != gotB || std::memcmp(mine_.data(), theirs_.data(), gotA) != 0)
                return files::kNoError;
            counts_.bytesCompared += 2 * gotA;
            if (gotA < mine_.size())
                break;
            offset += gotA;
            if (options_.progress != nullptr)
                options_.progress->RemovalAdvanced(counts_);
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

    static Decision Restore(const files::Folder& folder, const std::string& aside, const CatalogueRow& row,
                            NotDeleted& kept, KeepReason reason, int code = files::kNoError)
    {
        if (files::RenameIn(folder, aside, row.Name) != files::kNoError) {
            kept.other = files::JoinPath(FolderOf(row), aside);
            return Keep(kept, KeepReason::LeftAside);
        }
        return Keep(kept, reason, code);
    }

    const RemovalOptions& options_;
    RemovalCounts& counts_;
    Folders folders_;
    std::vector<char> mine_;
    std::vector<char> theirs_;
    const std::string privatePrefix_; // hidden, so that scans pass over a file while it is aside
    std::uint64_t privateNames_ = 0;
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

    Remover remover(catalogue, options, result.counts);
    for (const auto& candidate : plan) {
        if (options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed)) {
            result.cancelled = true;
            break;
        }
        const auto row = catalogue.Row(candidate.row);
        NotDeleted kept;
        const auto decision = remover.Remove(row, catalogue.Row(candidate.keep), kept);
        if (decision == Decision::Stopped) {
            result.cancelled = true;
            break;
        }
        if (decision == Decision::Delete) {
            std::string path(row.Path);
            ++result.counts.deleted;
            if (options.report != nullptr)
                options.report->Deleted(path);
            result.deleted.push_back(std::move(path));
        } else {
            kept.path = row.Path;
            result.notDeleted.push_back(std::move(kept));
        }
        ++result.counts.done;
        if (options.progress != nullptr)
            options.progress->RemovalAdvanced(result.counts);
    }

    return result;
}

} // namespace replays
