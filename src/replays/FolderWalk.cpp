#include "replays/FolderWalk.h"

#include "platform/fs/CurrentDirectory.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Folder.h"
#include "platform/fs/Paths.h"
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

constexpr std::string_view kReplayPattern = "*.rep";
// Replays waiting to be read hold their folder open; this many folders at most.
constexpr std::size_t kMaxOpenFolders = 32;

// Depth first, pre-order, with an explicit stack so that depth costs neither call stack nor
// open descriptors: a folder's descriptor is kept only while its replays wait to be read. Replays
// are read side by side and added in walk order.
class Walk {
public:
    Walk(Catalogue& catalogue, const ScanOptions& options, ScanResult& result)
        : catalogue_(catalogue),
          options_(options),
          result_(result),
          reads_(
              options.readers, [this](Pending& pending) { Read(pending); },
              [this](Pending& pending) { Take(pending); })
    {
    }

    void Run(files::Folder top)
    {
        walked_.insert(top.Id());
        auto folder = std::make_shared<const files::Folder>(std::move(top));
        levels_.push_back({folder->Path(), {}, 0});
        Visit(folder, levels_.back().subfolders);
        while (!levels_.empty() && !Cancelled()) {
            Level& level = levels_.back();
            if (level.next == level.subfolders.size()) {
                levels_.pop_back();
                continue;
            }
            auto path = files::JoinPath(level.path, level.subfolders[level.next++]);
            folder = Enter(std::move(path));
            if (!folder)
                continue;
            levels_.push_back({folder->Path(), {}, 0});
            Visit(folder, levels_.back().subfolders);
        }
        reads_.Finish();
        result_.cancelled = Cancelled();
    }

private:
    struct Level {
        std::string path;
        std::vector<std::string> subfolders; // in search order
        std::size_t next;
    };

    struct Pending {
        std::shared_ptr<const files::Folder> folder;
        std::string path;
        std::size_t nameOffset = 0; // the name within path, as opened in folder
        bool read = false;
        ReplayRead outcome;
    };

    bool Cancelled() const
    {
        return options_.cancel != nullptr && options_.cancel->load(std::memory_order_relaxed);
    }

    void Advanced(std::string_view folder)
    {
        if (options_.progress != nullptr)
            options_.progress->ScanAdvanced(result_.counts, folder);
    }

    // Errors are kept in walk order, so whatever waits to be read goes first.
    void Fail(std::string path, int code, bool folder)
    {
        reads_.Finish();
        auto message = files::ErrorText(code);
        result_.errors.push_back({std::move(path), code, std::move(message), folder});
    }

    // Opens a subfolder unless it is gone, is no folder after all, or was walked already: links
    // may lead to one folder by many paths (2^n through n levels of two links each), and the
    // first path that reaches it is the one its replays are listed under.
    std::shared_ptr<const files::Folder> Enter(std::string path)
    {
        if (path.size() > files::kMaxPathLength) {
            Fail(std::move(path), files::kInvalidFilename, true);
            return nullptr;
        }
        int code = files::kNoError;
        auto folder = files::Folder::Open(path, code);
        if (!folder && code == files::kTooManyOpenFiles && reads_.Waiting() > 0) {
            reads_.Finish(); // replays waiting to be read hold folders open; let them go and try again
            folder = files::Folder::Open(path, code);
        }
        if (!folder) {
            // Vanished or replaced by a file since it was listed: nothing to walk, nothing to say.
            if (code != files::kFileNotFound && code != files::kInvalidFilename)
                Fail(std::move(path), code, true);
            return nullptr;
        }
        if (!walked_.insert(folder.Id()).second)
            return nullptr;
        return std::make_shared<const files::Folder>(std::move(folder));
    }

    // Queues the folder's replays for reading and collects its subfolders.
    void Visit(const std::shared_ptr<const files::Folder>& folder, std::vector<std::string>& subfolders)
    {
        ++result_.counts.folders;
        Advanced(folder->Path());
        int code = listing_.Read(*folder);
        if (code == files::kTooManyOpenFiles && reads_.Waiting() > 0) {
            reads_.Finish(); // as in Enter
            code = listing_.Read(*folder);
        }
        if (code != files::kNoError)
            Fail(folder->Path(), code, true);
        for (std::size_t i = 0; i < listing_.size() && !Cancelled(); ++i) {
            const auto name = listing_.Name(i);
            if (listing_.Kind(i) == files::EntryKind::Folder) {
                subfolders.emplace_back(name);
                continue;
            }
            if (!files::MatchesPattern(name, kReplayPattern))
                continue;
            auto path = files::JoinPath(folder->Path(), name);
            if (path.size() > files::kMaxPathLength) {
                ++result_.counts.files;
                Fail(std::move(path), files::kInvalidFilename, false);
                continue;
            }
            Queue(folder, std::move(path));
        }
    }

    void Queue(const std::shared_ptr<const files::Folder>& folder, std::string path)
    {
        if (openFolders_.empty() || openFolders_.back().first != folder.get()) {
            while (openFolders_.size() >= kMaxOpenFolders)
                reads_.Advance();
            openFolders_.emplace_back(folder.get(), 0);
        }
        ++openFolders_.back().second;
        const auto nameOffset = path.size() - files::FileNamePart(path).size();
        reads_.Push({folder, std::move(path), nameOffset, false, {}});
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
        if (--openFolders_.front().second == 0)
            openFolders_.pop_front();
        if (!pending.read || Cancelled())
            return;
        ++result_.counts.files;
        const auto& outcome = pending.outcome;
        if (outcome.status == AddStatus::Added) {
            if (recorded_ != folder->Id()) {
                catalogue_.AddFolder(folder->Path(), folder->Id());
                recorded_ = folder->Id();
            }
            catalogue_.AddRead(pending.path, outcome);
            ++result_.counts.replays;
        } else if (outcome.status == AddStatus::Failed) {
            result_.errors.push_back({pending.path, outcome.code, files::ErrorText(outcome.code)});
        } else if (outcome.code == files::kReadOnly) {
            result_.readOnly.push_back(pending.path);
        }
        Advanced(folder->Path());
    }

    Catalogue& catalogue_;
    const ScanOptions& options_;
    ScanResult& result_;
    std::vector<Level> levels_;
    std::unordered_set<files::FileId, files::FileIdHash> walked_;
    std::optional<files::FileId> recorded_; // the folder whose identity the catalogue got last
    std::deque<std::pair<const files::Folder*, std::size_t>> openFolders_; // replays waiting, per folder
    files::FolderListing listing_; // reused: one folder is listed at a time
    OrderedReads<Pending> reads_; // last: its helpers stop before the rest goes
};

} // namespace

ScanResult ScanFolder(Catalogue& catalogue, std::string_view folder, const ScanOptions& options)
{
    ScanResult result;
    result.enterError = files::ResolveFromCurrentDir(folder, result.folder);
    if (result.enterError != files::kNoError)
        return result;
    auto top = files::Folder::Open(result.folder, result.enterError);
    if (!top)
        return result;
    result.entered = true;
    Walk(catalogue, options, result).Run(std::move(top));
    catalogue.Settle();
    // Like stepping back up out of the folder: the next relative text is taken from its parent.
    if (files::SetCurrentDir(files::ParentPath(result.folder)) != files::kNoError)
        files::SetCurrentDir(result.folder);
    return result;
}

ScanResult FindReplays(Catalogue& catalogue, std::string_view folder, const ScanOptions& options)
{
    catalogue.Clear();
    auto result = ScanFolder(catalogue, folder, options);
    if (result.entered && !result.cancelled
        && !catalogue.FallbackPass(result.errors, options.cancel, options.readers))
        result.cancelled = true;
    return result;
}

} // namespace replays
