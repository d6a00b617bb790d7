#include "replays/Catalogue.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "replays/OrderedReads.h"
#include "replays/ReplayReading.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace replays {

namespace {

constexpr std::size_t kArenaBlockSize = std::size_t{1} << 20;
constexpr std::size_t kMaxFingerprintLength = std::numeric_limits<std::uint8_t>::max();
constexpr std::size_t kMaxStoredPathLength = std::numeric_limits<std::uint16_t>::max();

} // namespace

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
Catalogue::Catalogue(Catalogue&&) noexcept = default;
Catalogue& Catalogue::operator=(Catalogue&&) noexcept = default;

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
    };
}

void Catalogue::Clear()
{
    entries_.clear();
    entries_.shrink_to_fit();
    ordered_ = 0;
    arena_.Clear();
}

AddOutcome Catalogue::AddReplay(const std::string& path)
{
    const auto read = ReadReplay(path);
    if (read.status == AddStatus::Added)
        AddEntry(path, read.size, read.First(), read.Second());
    return {read.status, read.code};
}

AddOutcome Catalogue::AddReplay(const files::Folder& folder, std::string_view name, const std::string& path)
{
    const auto read = ReadReplay(folder, name);
    if (read.status == AddStatus::Added)
        AddEntry(path, read.size, read.First(), read.Second());
    return {read.status, read.code};
}

Catalogue::Entry Catalogue::MakeEntry(std::string_view path, std::uint64_t size, std::string_view first,
                                      std::string_view second)
{
    if (path.size() > kMaxStoredPathLength || first.size() > kMaxFingerprintLength
        || second.size() > kMaxFingerprintLength)
        throw std::length_error("catalogue entry too long");
    char* data = arena_.Allocate(path.size() + second.size() + first.size());
    std::memcpy(data, path.data(), path.size());
    std::memcpy(data + path.size(), second.data(), second.size());
    std::memcpy(data + path.size() + second.size(), first.data(), first.size());
    return {
        data,
        size,
        static_cast<std::uint16_t>(path.size()),
        static_cast<std::uint16_t>(path.size() - files::FileNamePart(path).size()),
        static_cast<std::uint8_t>(second.size()),
        static_cast<std::uint8_t>(first.size()),
    };
}

void Catalogue::AddEntry(std::string_view path, std::uint64_t size, std::string_view first, std::string_view second)
{
    entries_.push_back(MakeEntry(path, size, first, second));
}

void Catalogue::EnsureOrdered() const
{
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
    struct Job {
        std::size_t row = 0;
        std::string path;
        ReplayRead outcome;
    };
    OrderedReads<Job> reads(
        readers,
        [&](Job& job) {
            if (!cancelled())
                job.outcome = ReadFallback(job.path);
        },
        [&](Job& job) {
            if (cancelled())
                return;
            Entry& entry = entries_[job.row];
            if (job.outcome.status == AddStatus::Failed)
                errors.push_back({job.path, job.outcome.code, files::ErrorText(job.outcome.code)});
            else if (job.outcome.status == AddStatus::Added && !job.outcome.First().empty())
                entry = MakeEntry(job.path, entry.size, job.outcome.First(), {entry.data + entry.pathLength, entry.secondLength});
        });
    for (std::size_t row = 0; row < entries_.size() && !cancelled(); ++row) {
        if (entries_[row].firstLength == 0)
            reads.Push({row, std::string(entries_[row].data, entries_[row].pathLength), {}});
    }
    reads.Finish();
    return !cancelled();
}

std::size_t Catalogue::BytesUsed() const
{
    return entries_.capacity() * sizeof(Entry) + arena_.BytesUsed();
}

} // namespace replays
