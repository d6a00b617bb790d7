#include "replays/Catalogue.h"

#include <algorithm>
#include <utility>

namespace replays {

namespace {

constexpr std::size_t kArenaBlockSize = std::size_t{1} << 20;

} // namespace

// A moved-from arena or catalogue is empty, not sharing the blocks it gave away.
Catalogue::Arena::Arena(Arena&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      next_(std::exchange(other.next_, nullptr)),
      left_(std::exchange(other.left_, 0)),
      used_(std::exchange(other.used_, 0))
{
    other.blocks_.clear();
}

Catalogue::Arena& Catalogue::Arena::operator=(Arena&& other) noexcept
{
    if (this != &other) {
        blocks_ = std::move(other.blocks_);
        other.blocks_.clear();
        next_ = std::exchange(other.next_, nullptr);
        left_ = std::exchange(other.left_, 0);
        used_ = std::exchange(other.used_, 0);
    }
    return *this;
}

char* Catalogue::Arena::Allocate(std::size_t bytes)
{
    if (bytes > left_) {
        const std::size_t blockSize = std::max(kArenaBlockSize, bytes);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        next_ = blocks_.back().get();
        left_ = blockSize;
        used_ += blockSize;
    }
    char* start = next_;
    next_ += bytes;
    left_ -= bytes;
    return start;
}

Catalogue::Catalogue() = default;
Catalogue::~Catalogue() = default;
Catalogue::Catalogue(Catalogue&& other) noexcept
    : entries_(std::move(other.entries_)),
      folders_(std::move(other.folders_)),
      arena_(std::move(other.arena_)),
      top_(std::move(other.top_))
{
    other.entries_.clear();
    other.folders_.clear();
}

Catalogue& Catalogue::operator=(Catalogue&& other) noexcept
{
    if (this != &other) {
        entries_ = std::move(other.entries_);
        other.entries_.clear();
        folders_ = std::move(other.folders_);
        other.folders_.clear();
        arena_ = std::move(other.arena_);
        top_ = std::move(other.top_);
    }
    return *this;
}

CatalogueRow Catalogue::Row(std::size_t index) const
{
    const Entry& e = entries_[index];
    const std::string_view path(e.data, e.pathLength);
    return {
        path.substr(e.nameOffset),
        e.size,
        path,
        {e.data + e.pathLength + e.secondLength, e.firstLength},
        {e.data + e.pathLength, e.secondLength},
        e.foreignLink != 0,
    };
}

bool Catalogue::FolderIdentity(std::string_view path, files::FileId& id) const
{
    const auto at = std::lower_bound(folders_.begin(), folders_.end(), path,
                                     [](const FolderRecord& folder, std::string_view p) { return folder.path < p; });
    if (at == folders_.end() || at->path != path)
        return false;
    id = at->id;
    return true;
}

std::size_t Catalogue::BytesUsed() const
{
    return entries_.capacity() * sizeof(Entry) + folders_.capacity() * sizeof(FolderRecord) + arena_.BytesUsed();
}

} // namespace replays
