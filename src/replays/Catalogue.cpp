#include "replays/Catalogue.h"

#include "platform/fs/Paths.h"

#include <algorithm>
#include <utility>

namespace replays {

namespace {

constexpr std::size_t kArenaBlockSize = std::size_t{1} << 20;

} // namespace

// A moved-from arena or catalogue is empty, not sharing the blocks it gave away.
Catalogue::Arena::Arena(Arena&& other) noexcept
    : FBlocks(std::move(other.FBlocks)),
      FNext(std::exchange(other.FNext, nullptr)),
      FLeft(std::exchange(other.FLeft, 0)),
      FUsed(std::exchange(other.FUsed, 0))
{
    other.FBlocks.clear();
}

Catalogue::Arena& Catalogue::Arena::operator=(Arena&& other) noexcept
{
    if (this != &other) {
        FBlocks = std::move(other.FBlocks);
        other.FBlocks.clear();
        FNext = std::exchange(other.FNext, nullptr);
        FLeft = std::exchange(other.FLeft, 0);
        FUsed = std::exchange(other.FUsed, 0);
    }
    return *this;
}

char* Catalogue::Arena::Allocate(std::size_t bytes)
{
    if (bytes > FLeft) {
        const std::size_t blockSize = std::max(kArenaBlockSize, bytes);
        FBlocks.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        FNext = FBlocks.back().get();
        FLeft = blockSize;
        FUsed += blockSize;
    }
    char* start = FNext;
    FNext += bytes;
    FLeft -= bytes;
    return start;
}

Catalogue::Catalogue() = default;
Catalogue::~Catalogue() = default;
Catalogue::Catalogue(Catalogue&& other) noexcept
    : FEntries(std::move(other.FEntries)),
      FFolders(std::move(other.FFolders)),
      FReplayLinks(std::move(other.FReplayLinks)),
      FArena(std::move(other.FArena)),
      FTop(std::move(other.FTop))
{
    other.FEntries.clear();
    other.FFolders.clear();
    other.FReplayLinks.clear();
}

Catalogue& Catalogue::operator=(Catalogue&& other) noexcept
{
    if (this != &other) {
        FEntries = std::move(other.FEntries);
        other.FEntries.clear();
        FFolders = std::move(other.FFolders);
        other.FFolders.clear();
        FReplayLinks = std::move(other.FReplayLinks);
        other.FReplayLinks.clear();
        FArena = std::move(other.FArena);
        FTop = std::move(other.FTop);
    }
    return *this;
}

CatalogueRow Catalogue::Row(std::size_t index) const
{
    const Entry& e = FEntries[index];
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

namespace {

// The record of a sorted vector whose path is path; null when there is none.
template <class Record>
const Record* FindByPath(const std::vector<Record>& records, std::string_view path)
{
    const auto at = std::lower_bound(records.begin(), records.end(), path,
                                     [](const Record& record, std::string_view p) { return record.path < p; });
    return at == records.end() || at->path != path ? nullptr : &*at;
}

} // namespace

std::string_view FolderOf(const CatalogueRow& row)
{
    auto folder = row.Path.substr(0, row.Path.size() - row.Name.size());
    if (folder.size() > 1 && folder.back() == files::kSeparator)
        folder.remove_suffix(1);
    return folder;
}

bool Catalogue::FolderIdentity(std::string_view path, files::FileId& id) const
{
    const auto* folder = FindByPath(FFolders, path);
    if (folder == nullptr)
        return false;
    id = folder->id;
    return true;
}

std::string_view Catalogue::ForeignLinkOf(const CatalogueRow& row) const
{
    if (const auto* record = FindByPath(FFolders, FolderOf(row)); record != nullptr && !record->foreignLink.empty())
        return record->foreignLink;
    const auto* replay = FindByPath(FReplayLinks, row.Path);
    return replay != nullptr ? replay->link : std::string_view();
}

std::size_t Catalogue::BytesUsed() const
{
    return FEntries.capacity() * sizeof(Entry) + FFolders.capacity() * sizeof(FolderRecord)
        + FReplayLinks.capacity() * sizeof(ReplayLink) + FArena.BytesUsed();
}

} // namespace replays
