#include "replays/FolderWalk.h"

#include "platform/fs/CurrentDirectory.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Folder.h"
#include "platform/fs/Paths.h"
#include "platform/fs/Process.h"
#include "replays/Leftovers.h"
#include "replays/OrderedReads.h"
#include "replays/ReplayReading.h"

#include <algorithm>
#include <deque>
#include <unordered_set>
#include <memory>
#include <optional>
#include <utility>

namespace replays {

namespace {

// Replays waiting to be read hold their folder open; this many folders at most.
constexpr std::size_t kMaxOpenFolders = 32;
// Folders on the way down kept open at most, each to enter its subfolders from; a deeper folder
// is entered from the deepest one kept, by the names in between.
constexpr std::size_t kMaxHeldLevels = 64;
// Descriptors left for everything else the process holds (standard streams, the catalogue's top
// folder, a removal's folders afterwards) when the walk sizes itself by the limit.
constexpr std::size_t kOtherDescriptors = 16;

// How many descriptors each of the walk's uses may take: the folders waiting for reads, the
// levels held, and the files open on reading threads share what the limit leaves.
std::size_t DescriptorShare()
{
    const auto limit = files::OpenFilesLimit();
    return limit > kOtherDescriptors ? (limit - kOtherDescriptors) / 3 : 1;
}

// The part of path below base (a folder that path lies in).
std::string_view Below(std::string_view path, std::string_view base)
{
    return path.substr(base.size() == 1 ? 1 : base.size() + 1);
}

// Depth first, pre-order, with an explicit stack so that depth costs no call stack, and only a
// bounded number of open descriptors: a folder's descriptor is kept while its replays wait to be
// read, and while its subfolders are entered unless it lies deeper than a bound. Replays are read
// side by side and added in walk order.
class Walk {
public:
    Walk(CatalogueBuilder& builder, const ScanOptions& options, ScanResult& result)
        : FBuilder(builder),
          FOptions(options),
          FResult(result),
          FShare(DescriptorShare()),
          FReads(
              options.readers != 0 ? options.readers : static_cast<unsigned>(std::clamp<std::size_t>(FShare, 1, kMaxReaders)),
              [this](Pending& pending) { Read(pending); }, [this](Pending& pending) { Take(pending); })
    {
    }

    // foreignLink: the first link of another user on the way to top, if any.
    void Run(const std::shared_ptr<const files::Folder>& top, std::string foreignLink)
    {
        FWalked.insert(top->Id());
        FLevels.push_back({top->Path(), top, top->Id(), std::move(foreignLink), {}, 0});
        Visit(FLevels.back());
        while (!FLevels.empty() && !Cancelled()) {
            Level& level = FLevels.back();
            if (level.next == level.subfolders.size()) {
                FLevels.pop_back();
                continue;
            }
            const auto name = std::move(level.subfolders[level.next++]);
            auto child = Enter(name);
            if (!child.folder)
                continue;
            FLevels.push_back(std::move(child));
            Visit(FLevels.back());
            if (FLevels.size() > std::min(kMaxHeldLevels, FShare))
                FLevels.back().folder.reset(); // its subfolders are entered from a level above
        }
        FReads.Finish();
        FResult.cancelled = Cancelled();
    }

private:
    struct Level {
        std::string path;
        std::shared_ptr<const files::Folder> folder; // null when it lies too deep to be kept open
        files::FileId id;
        std::string foreignLink; // the first link of another user on the way, if any
        std::vector<std::string> subfolders; // in search order
        std::size_t next;
    };

    struct Pending {
        std::shared_ptr<const files::Folder> folder;
        std::string path;
        std::size_t nameOffset = 0; // the name within path, as opened in folder
        std::string foreignLink; // its folder's
        bool read = false;
        ReplayRead outcome;
    };

    bool Cancelled() const
    {
        return FOptions.cancel != nullptr && FOptions.cancel->load(std::memory_order_relaxed);
    }

    void Advanced(std::string_view folder)
    {
        if (FOptions.progress != nullptr)
            FOptions.progress->ScanAdvanced(FResult.counts, folder);
    }

    // Errors are kept in walk order, so whatever waits to be read goes first.
    void Fail(std::string path, int code, bool folder)
    {
        FReads.Finish();
        auto message = files::ErrorText(code);
        FResult.errors.push_back({std::move(path), code, std::move(message), folder});
    }

    // Opens the subfolder name of the deepest level unless it is gone, is no folder after all, was
    // walked already, or lies on a system file system: links may lead to one folder by many paths
    // (2^n through n levels of two links each), and the first path that reaches it is the one its
    // replays are listed under. It is opened from the deepest level held open, never by its path.
    Level Enter(const std::string& name)
    {
        const Level& parent = FLevels.back();
        auto path = files::JoinPath(parent.path, name);
        if (path.size() > files::kMaxPathLength) {
            Fail(std::move(path), files::kPathTooLong, true);
            return {};
        }
        auto anchor = FLevels.rbegin();
        while (!anchor->folder)
            ++anchor;
        const std::string relative(Below(path, anchor->path));
        int code = files::kNoError;
        files::LinkTrail trail;
        auto folder = files::Folder::OpenIn(*anchor->folder, relative, code, &trail);
        if (!folder && code == files::kTooManyOpenFiles && FReads.Waiting() > 0) {
            FReads.Finish(); // replays waiting to be read hold folders open; let them go and try again
            folder = files::Folder::OpenIn(*anchor->folder, relative, code, &trail);
        }
        if (!folder) {
            // Vanished or replaced by a file since it was listed: nothing to walk, nothing to say.
            if (code != files::kFileNotFound && code != files::kInvalidFilename && code != files::kNotAFolder)
                Fail(std::move(path), code, true);
            return {};
        }
        if (!FWalked.insert(folder.Id()).second)
            return {};
        // A system file system is passed over like the other system entries a search leaves out.
        if (folder.Id().device != parent.id.device && files::IsSystemFileSystem(folder))
            return {};
        const auto id = folder.Id();
        return {std::move(path), std::make_shared<const files::Folder>(std::move(folder)), id,
                anchor->foreignLink.empty() ? std::move(trail.foreignLink) : anchor->foreignLink, {}, 0};
    }

    // Queues the folder's replays for reading and collects its subfolders, after bringing back
    // what a removal that ended before its time left hidden there.
    void Visit(Level& level)
    {
        const auto& folder = level.folder;
        ++FResult.counts.folders;
        Advanced(folder->Path());
        int code = ReadListing(*folder);
        if (code == files::kNoError && !FListing.Hidden().empty()) {
            FReads.Finish(); // errors in walk order
            const auto before = FResult.restored.size();
            RecoverLeftovers(*folder, FListing.Hidden(), {FOptions.bringBack, level.foreignLink}, FResult.restored,
                             FResult.errors);
            if (FOptions.bringBack && FResult.restored.size() != before)
                code = ReadListing(*folder); // what came back is listed like the rest
        }
        if (code != files::kNoError)
            Fail(folder->Path(), code, true);
        for (std::size_t i = 0; i < FListing.size() && !Cancelled(); ++i) {
            const auto name = FListing.Name(i);
            if (FListing.Kind(i) == files::EntryKind::Folder) {
                level.subfolders.emplace_back(name);
                continue;
            }
            if (!files::MatchesPattern(name, kReplayPattern))
                continue;
            auto path = files::JoinPath(folder->Path(), name);
            if (path.size() > files::kMaxPathLength) {
                ++FResult.counts.files;
                Fail(std::move(path), files::kPathTooLong, false);
                continue;
            }
            Queue(level, std::move(path));
        }
    }

    int ReadListing(const files::Folder& folder)
    {
        int code = FListing.Read(folder, kAsidePrefix);
        if (code == files::kTooManyOpenFiles && FReads.Waiting() > 0) {
            FReads.Finish(); // as in Enter
            code = FListing.Read(folder, kAsidePrefix);
        }
        return code;
    }

    void Queue(const Level& level, std::string path)
    {
        const auto& folder = level.folder;
        if (FOpenFolders.empty() || FOpenFolders.back().first != folder.get()) {
            while (FOpenFolders.size() >= std::min(kMaxOpenFolders, FShare))
                FReads.Advance();
            FOpenFolders.emplace_back(folder.get(), 0);
        }
        ++FOpenFolders.back().second;
        const auto nameOffset = path.size() - files::FileNamePart(path).size();
        FReads.Push({folder, std::move(path), nameOffset, level.foreignLink, false, {}});
    }

    // On any reading thread.
    void Read(Pending& pending)
    {
        if (Cancelled())
            return;
        pending.outcome = ReadReplay(*pending.folder, std::string_view(pending.path).substr(pending.nameOffset));
        pending.read = true;
    }

    // On the walking thread, in walk order.
    void Take(Pending& pending)
    {
        const auto folder = std::move(pending.folder); // closed with the last replay that needs it
        if (--FOpenFolders.front().second == 0)
            FOpenFolders.pop_front();
        if (!pending.read || Cancelled())
            return;
        ++FResult.counts.files;
        const auto& outcome = pending.outcome;
        if (outcome.status == AddStatus::Added) {
            if (FRecorded != folder->Id()) {
                FBuilder.AddFolder(folder->Path(), folder->Id(), pending.foreignLink);
                FRecorded = folder->Id();
            }
            FBuilder.AddRead(pending.path, outcome, pending.foreignLink);
            ++FResult.counts.replays;
        } else if (outcome.status == AddStatus::Failed) {
            FResult.errors.push_back({pending.path, outcome.code, files::ErrorText(outcome.code)});
        } else if (outcome.status == AddStatus::TooShort) {
            FResult.tooShort.push_back(pending.path);
        } else if (outcome.code == files::kReadOnly) {
            FResult.readOnly.push_back(pending.path);
        }
        Advanced(folder->Path());
    }

    CatalogueBuilder& FBuilder;
    const ScanOptions& FOptions;
    ScanResult& FResult;
    const std::size_t FShare; // descriptors each of the walk's uses may take
    std::vector<Level> FLevels;
    std::unordered_set<files::FileId, files::FileIdHash> FWalked;
    std::optional<files::FileId> FRecorded; // the folder whose identity the builder got last
    std::deque<std::pair<const files::Folder*, std::size_t>> FOpenFolders; // replays waiting, per folder
    files::FolderListing FListing; // reused: one folder is listed at a time
    OrderedReads<Pending> FReads; // last: its helpers stop before the rest goes
};

} // namespace

ScanResult ScanFolder(CatalogueBuilder& builder, std::string_view folder, const ScanOptions& options)
{
    ScanResult result;
    result.enterError = files::ResolveFromCurrentDir(folder, result.folder);
    if (result.enterError != files::kNoError)
        return result;
    // The way to the folder is judged like every way below it: links followed by hand, their owners
    // noted.
    files::LinkTrail trail;
    auto top = files::Folder::Open(result.folder, result.enterError, &trail);
    if (!top)
        return result;
    if (files::IsSystemFileSystem(top)) {
        result.enterError = files::kSystemFileSystem;
        return result;
    }
    result.entered = true;
    const auto shared = std::make_shared<const files::Folder>(std::move(top));
    builder.SetTop(shared);
    Walk(builder, options, result).Run(shared, std::move(trail.foreignLink));
    // Like stepping back up out of the folder: the next relative text is taken from its parent.
    if (files::SetCurrentDir(files::ParentPath(result.folder)) != files::kNoError)
        files::SetCurrentDir(result.folder);
    return result;
}

ScanResult FindReplays(Catalogue& catalogue, std::string_view folder, const ScanOptions& options)
{
    catalogue = {}; // its memory goes back before the walk takes its own
    CatalogueBuilder builder;
    ScanResult result;
    try {
        result = ScanFolder(builder, folder, options);
        if (result.entered && !result.cancelled
            && !builder.FallbackPass(result.errors, options.cancel, options.readers))
            result.cancelled = true;
    } catch (...) {
        catalogue = builder.Build(); // the rows found before the failure stay listed
        throw;
    }
    catalogue = builder.Build();
    return result;
}

} // namespace replays
