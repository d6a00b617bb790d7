#include "replays/Catalogue.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "replays/OrderedReads.h"
#include "replays/ReplayReading.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace replays {

namespace {

constexpr std::size_t kArenaBlockSize = std::size_t{1} << 20;
constexpr std::size_t kMaxFingerprintLength = std::numeric_limits<std::uint8_t>::max();
constexpr std::size_t kMaxStoredPathLength = std::numeric_limits<std::uint16_t>::max();

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

void Catalogue::Arena::Clear()
{
    blocks_.clear();
    blocks_.shrink_to_fit();
    next_ = nullptr;
    left_ = 0;
    used_ = 0;
}

Catalogue::Catalogue() = default;
Catalogue::~Catalogue() = default;
Catalogue::Catalogue(Catalogue&& other) noexcept
    : entries_(std::move(other.entries_)),
      ordered_(std::exchange(other.ordered_, 0)),
      folders_(std::move(other.folders_)),
      foldersSorted_(std::exchange(other.foldersSorted_, true)),
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
        ordered_ = std::exchange(other.ordered_, 0);
        folders_ = std::move(other.folders_);
        other.folders_.clear();
        foldersSorted_ = std::exchange(other.foldersSorted_, true);
        arena_ = std::move(other.arena_);
        top_ = std::move(other.top_);
    }
    return *this;
}

CatalogueRow Catalogue::Row(std::size_t index) const
{
    EnsureOrdered();
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

void Catalogue::Clear()
{
    entries_.clear();
    entries_.shrink_to_fit();
    ordered_ = 0;
    folders_.clear();
    folders_.shrink_to_fit();
    foldersSorted_ = true;
    arena_.Clear();
    top_.reset();
}

AddOutcome Catalogue::AddReplay(const std::string& path)
{
    const auto read = ReadReplay(path);
    if (read.status == AddStatus::Added)
        AddRead(path, read);
    return {read.status, read.code};
}

AddOutcome Catalogue::AddReplay(const files::Folder& folder, std::string_view name, const std::string& path)
{
    const auto read = ReadReplay(folder, name);
    if (read.status == AddStatus::Added)
        AddRead(path, read);
    return {read.status, read.code};
}

void Catalogue::AddRead(std::string_view path, const ReplayRead& read)
{
    entries_.push_back(MakeEntry(path, read.size, read.First(), read.Second(), read.foreignLink,
                                 static_cast<std::uint8_t>(read.fallback), read.Fallback()));
}

Catalogue::Entry Catalogue::MakeEntry(std::string_view path, std::uint64_t size, std::string_view first,
                                      std::string_view second, bool foreignLink, std::uint8_t fallback,
                                      std::string_view fallbackText)
{
    if (path.size() > kMaxStoredPathLength || first.size() > kMaxFingerprintLength
        || second.size() > kMaxFingerprintLength || fallbackText.size() > kMaxFingerprintLength)
        throw std::length_error("catalogue entry too long");
    char* data = arena_.Allocate(path.size() + second.size() + first.size() + fallbackText.size());
    char* at = data;
    for (const auto text : {path, second, first, fallbackText})
        at = std::copy_n(text.data(), text.size(), at);
    return {
        data,
        size,
        static_cast<std::uint16_t>(path.size()),
        static_cast<std::uint16_t>(path.size() - files::FileNamePart(path).size()),
        static_cast<std::uint8_t>(second.size()),
        static_cast<std::uint8_t>(first.size()),
        static_cast<std::uint8_t>(fallbackText.size()),
        fallback,
        foreignLink,
    };
}

void Catalogue::AddEntry(std::string_view path, std::uint64_t size, std::string_view first, std::string_view second)
{
    entries_.push_back(MakeEntry(path, size, first, second));
}

void Catalogue::AddFolder(std::string_view path, files::FileId id)
{
    char* text = arena_.Allocate(path.size());
    std::copy_n(path.data(), path.size(), text);
    folders_.push_back({{text, path.size()}, id});
    foldersSorted_ = false;
}

bool Catalogue::FolderIdentity(std::string_view path, files::FileId& id) const
{
    EnsureOrdered();
    const auto at = std::lower_bound(folders_.begin(), folders_.end(), path,
                                     [](const FolderRecord& folder, std::string_view p) { return folder.path < p; });
    if (at == folders_.end() || at->path != path)
        return false;
    id = at->id;
    return true;
}

void Catalogue::EnsureOrdered() const
{
    if (!foldersSorted_) {
        std::sort(folders_.begin(), folders_.end(),
                  [](const FolderRecord& a, const FolderRecord& b) { return a.path < b.path; });
        foldersSorted_ = true;
    }
    if (ordered_ == entries_.size())
        return;
    const auto bySize = [](const Entry& a, const Entry& b) { return a.size < b.size; };
    const auto tail = entries_.begin() + static_cast<std::ptrdiff_t>(ordered_);
    std::stable_sort(tail, entries_.end(), bySize);
    std::inplace_merge(entries_.begin(), tail, entries_.end(), bySize); // keeps earlier rows first
    ordered_ = entries_.size();
}

bool Catalogue::FallbackPass(std::vector<ReplayError>& errors, const std::atomic<bool>* cancel, unsigned readers)
{
    EnsureOrdered();
    const auto cancelled = [cancel] { return cancel != nullptr && cancel->load(std::memory_order_relaxed); };
    const auto apply = [&](Entry& entry, const ReplayRead& read) {
        const std::string_view path(entry.data, entry.pathLength);
        if (read.status == AddStatus::Failed)
            errors.push_back({std::string(path), read.code, files::ErrorText(read.code)});
        else if (read.status == AddStatus::Added && !read.First().empty())
            entry = MakeEntry(path, entry.size, read.First(), {entry.data + entry.pathLength, entry.secondLength},
                              entry.foreignLink != 0);
    };
    struct Job {
        std::size_t row = 0;
        ReplayRead outcome;
    };
    OrderedReads<Job> reads(
        readers,
        [&](Job& job) {
            if (!cancelled())
                job.outcome = ReadFallback(std::string(entries_[job.row].data, entries_[job.row].pathLength));
        },
        [&](Job& job) {
            if (!cancelled())
                apply(entries_[job.row], job.outcome);
        });
    for (std::size_t row = 0; row < entries_.size() && !cancelled(); ++row) {
        Entry& entry = entries_[row];
        if (entry.firstLength != 0)
            continue;
        // Record 55 was read along with the others when the replay was first read, if it could be.
        switch (static_cast<FallbackRecord>(entry.fallback)) {
        case FallbackRecord::Unread:
            reads.Push({row, {}});
            break;
        case FallbackRecord::Read: {
            ReplayRead read;
            read.status = AddStatus::Added;
            read.SetFirst({entry.data + entry.pathLength + entry.secondLength + entry.firstLength, entry.fallbackLength});
            reads.Finish(); // rows and errors in row order
            apply(entry, read);
            break;
        }
        case FallbackRecord::Missing: {
            ReplayRead read;
            read.status = AddStatus::Failed;
            read.code = files::kReadBeyondEnd;
            reads.Finish();
            apply(entry, read);
            break;
        }
        }
    }
    reads.Finish();
    return !cancelled();
}

std::size_t Catalogue::BytesUsed() const
{
    return entries_.capacity() * sizeof(Entry) + folders_.capacity() * sizeof(FolderRecord) + arena_.BytesUsed();
}

} // namespace replays
