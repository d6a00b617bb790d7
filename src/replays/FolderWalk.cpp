#include "replays/FolderWalk.h"

#include "platform/fs/CurrentDirectory.h"
#include "platform/fs/FileErrors.h"
#include "platform/fs/Folder.h"
#include "platform/fs/Paths.h"

#include <algorithm>
#include <utility>

namespace replays {

namespace {

constexpr std::string_view kReplayPattern = "*.rep";

// Depth first, pre-order, with an explicit stack so that depth costs neither call stack nor
// open descriptors: a folder is listed, its replays are read and its descriptor closed before
// any subfolder is opened.
class Walk {
public:
    Walk(Catalogue& catalogue, const ScanOptions& options, ScanResult& result)
        : catalogue_(catalogue), options_(options), result_(result)
    {
    }

    void Run(files::Folder top)
    {
        levels_.push_back({top.Path(), top.Id(), {}, 0});
        Visit(top, levels_.back().subfolders);
        while (!levels_.empty() && !Cancelled()) {
            Level& level = levels_.back();
            if (level.next == level.subfolders.size()) {
                levels_.pop_back();
                continue;
            }
            auto path = files::JoinPath(level.path, level.subfolders[level.next++]);
            auto folder = Enter(std::move(path));
            if (!folder)
                continue;
            levels_.push_back({folder.Path(), folder.Id(), {}, 0});
            Visit(folder, levels_.back().subfolders);
        }
        result_.cancelled = Cancelled();
    }

private:
    struct Level {
        std::string path;
        files::FileId id;
        std::vector<std::string> subfolders; // in search order
        std::size_t next;
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

    void Fail(std::string path, int code)
    {
        auto message = files::ErrorText(code);
        result_.errors.push_back({std::move(path), code, std::move(message)});
    }

    // Opens a subfolder unless it is gone, is no folder after all, or is already on the stack.
    files::Folder Enter(std::string path)
    {
        if (path.size() > files::kMaxPathLength) {
            Fail(std::move(path), files::kInvalidFilename);
            return {};
        }
        int code = files::kNoError;
        auto folder = files::Folder::Open(path, code);
        if (!folder) {
            // Vanished or replaced by a file since it was listed: nothing to walk, nothing to say.
            if (code != files::kFileNotFound && code != files::kInvalidFilename)
                Fail(std::move(path), code);
            return {};
        }
        const bool onStack = std::any_of(levels_.begin(), levels_.end(),
                                         [&](const Level& level) { return level.id == folder.Id(); });
        return onStack ? files::Folder{} : std::move(folder);
    }

    // Hands the folder's replays to the catalogue and collects its subfolders.
    void Visit(const files::Folder& folder, std::vector<std::string>& subfolders)
    {
        ++result_.counts.folders;
        Advanced(folder.Path());
        if (const int code = listing_.Read(folder); code != files::kNoError)
            Fail(folder.Path(), code);
        for (std::size_t i = 0; i < listing_.size() && !Cancelled(); ++i) {
            const auto name = listing_.Name(i);
            if (listing_.Kind(i) == files::EntryKind::Folder) {
                subfolders.emplace_back(name);
                continue;
            }
            if (!files::MatchesPattern(name, kReplayPattern))
                continue;
            ++result_.counts.files;
            auto path = files::JoinPath(folder.Path(), name);
            if (path.size() > files::kMaxPathLength) {
                Fail(std::move(path), files::kInvalidFilename);
                continue;
            }
            const auto outcome = catalogue_.AddReplay(folder, name, path);
            if (outcome.status == AddStatus::Added)
                ++result_.counts.replays;
            else if (outcome.status == AddStatus::Failed)
                Fail(std::move(path), outcome.code);
            Advanced(folder.Path());
        }
    }

    Catalogue& catalogue_;
    const ScanOptions& options_;
    ScanResult& result_;
    std::vector<Level> levels_;
    files::FolderListing listing_; // reused: one folder is listed at a time
};

} // namespace

ScanResult ScanFolder(Catalogue& catalogue, std::string_view folder, const ScanOptions& options)
{
    ScanResult result;
    if (folder.empty()) {
        result.enterError = files::kInvalidFilename;
        return result;
    }
    result.folder = files::ResolvePath(files::GetCurrentDir(), folder);
    auto top = files::Folder::Open(result.folder, result.enterError);
    if (!top)
        return result;
    result.entered = true;
    Walk(catalogue, options, result).Run(std::move(top));
    // Like stepping back up out of the folder: the next relative text is taken from its parent.
    if (files::SetCurrentDir(files::ParentPath(result.folder)) != files::kNoError)
        files::SetCurrentDir(result.folder);
    return result;
}

ScanResult FindReplays(Catalogue& catalogue, std::string_view folder, const ScanOptions& options)
{
    catalogue.Clear();
    auto result = ScanFolder(catalogue, folder, options);
    if (result.entered && !result.cancelled && !catalogue.FallbackPass(result.errors, options.cancel))
        result.cancelled = true;
    return result;
}

} // namespace replays
