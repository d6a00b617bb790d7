#include "replays/Catalogue.h"

#include "platform/fs/FileErrors.h"
#include "platform/fs/Paths.h"
#include "replays/Fingerprint.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace replays {

namespace {

constexpr std::size_t kArenaBlockSize = std::size_t{1} << 20;
constexpr std::size_t kMaxFingerprintLength = std::numeric_limits<std::uint8_t>::max();
constexpr std::size_t kMaxStoredPathLength = std::numeric_limits<std::uint16_t>::max();

// Records 40 to 50 come in with one read rather than two.
constexpr std::uint64_t kFingerprintSpanRecords = kFirstFingerprintRecord - kSecondFingerprintRecord + 1;
constexpr std::size_t kFirstInSpan = (kFirstFingerprintRecord - kSecondFingerprintRecord) * kRecordSize;

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
    int code = files::kNoError;
    const auto file = files::File::Open(path, code);
    if (!file)
        return {AddStatus::Skipped, code};
    return AddFromFile(file, path);
}

AddOutcome Catalogue::AddReplay(const files::Folder& folder, std::string_view name, const std::string& path)
{
    int code = files::kNoError;
    const auto file = files::File::OpenIn(folder, name, code);
    if (!file)
        return {AddStatus::Skipped, code};
    return AddFromFile(file, path);
}

AddOutcome Catalogue::AddFromFile(const files::File& file, std::string_view path)
{
    unsigned char span[kFingerprintSpanRecords * kRecordSize];
    std::size_t got = 0;
    int code = file.ReadAt(RecordOffset(kSecondFingerprintRecord), span, sizeof span, got);
    if (code == files::kNoError && got < sizeof span)
        code = files::kReadBeyondEnd;
    if (code != files::kNoError)
        return {AddStatus::Failed, code};
    AddEntry(path, SizeInRecords(file.Length()), FingerprintOf(span + kFirstInSpan), FingerprintOf(span));
    return {AddStatus::Added, files::kNoError};
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

bool Catalogue::FallbackPass(std::vector<ReplayError>& errors, const std::atomic<bool>* cancel)
{
    EnsureOrdered();
    for (auto& entry : entries_) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            return false;
        if (entry.firstLength != 0)
            continue;
        const std::string path(entry.data, entry.pathLength);
        int code = files::kNoError;
        const auto file = files::File::Open(path, code);
        if (!file)
            continue;
        unsigned char record[kRecordSize];
        std::size_t got = 0;
        code = file.ReadAt(RecordOffset(kFallbackFingerprintRecord), record, sizeof record, got);
        if (code == files::kNoError && got < sizeof record)
            code = files::kReadBeyondEnd;
        if (code != files::kNoError) {
            errors.push_back({path, code, files::ErrorText(code)});
            continue;
        }
        const auto first = FingerprintOf(record);
        if (!first.empty())
            entry = MakeEntry(path, entry.size, first, {entry.data + entry.pathLength, entry.secondLength});
    }
    return true;
}

std::size_t Catalogue::BytesUsed() const
{
    return entries_.capacity() * sizeof(Entry) + arena_.BytesUsed();
}

} // namespace replays
