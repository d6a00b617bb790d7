#include "replays/CatalogueBuilder.h"

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

constexpr std::size_t kMaxFingerprintLength = std::numeric_limits<std::uint8_t>::max();
constexpr std::size_t kMaxStoredPathLength = std::numeric_limits<std::uint16_t>::max();

} // namespace

AddOutcome CatalogueBuilder::AddReplay(const std::string& path)
{
    const auto read = ReadReplay(path);
    if (read.status == AddStatus::Added)
        AddRead(path, read);
    return {read.status, read.code};
}

AddOutcome CatalogueBuilder::AddReplay(const files::Folder& folder, std::string_view name, const std::string& path)
{
    const auto read = ReadReplay(folder, name);
    if (read.status == AddStatus::Added)
        AddRead(path, read);
    return {read.status, read.code};
}

void CatalogueBuilder::AddRead(std::string_view path, const ReplayRead& read, std::string_view folderLink)
{
    FCatalogue.FEntries.push_back(MakeEntry(path, read.size, read.First(), read.Second(),
                                            !folderLink.empty() || !read.foreignLink.empty(),
                                            static_cast<std::uint8_t>(read.fallback), read.Fallback()));
    if (folderLink.empty() && !read.foreignLink.empty()) {
        const auto entryPath = FCatalogue.FEntries.back().data; // the row's own copy of path
        FCatalogue.FReplayLinks.push_back({{entryPath, path.size()}, Keep(read.foreignLink)});
    }
}

void CatalogueBuilder::AddEntry(std::string_view path, std::uint64_t size, std::string_view first,
                                std::string_view second)
{
    FCatalogue.FEntries.push_back(MakeEntry(path, size, first, second));
}

CatalogueBuilder::Entry CatalogueBuilder::MakeEntry(std::string_view path, std::uint64_t size, std::string_view first,
                                                    std::string_view second, bool foreignLink, std::uint8_t fallback,
                                                    std::string_view fallbackText)
{
    if (path.size() > kMaxStoredPathLength || first.size() > kMaxFingerprintLength
        || second.size() > kMaxFingerprintLength || fallbackText.size() > kMaxFingerprintLength)
        throw std::length_error("catalogue entry too long");
    char* data = FCatalogue.FArena.Allocate(path.size() + second.size() + first.size() + fallbackText.size());
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

std::string_view CatalogueBuilder::Keep(std::string_view text)
{
    char* kept = FCatalogue.FArena.Allocate(text.size());
    std::copy_n(text.data(), text.size(), kept);
    return {kept, text.size()};
}

void CatalogueBuilder::AddFolder(std::string_view path, files::FileId id, std::string_view foreignLink)
{
    const auto kept = Keep(path);
    FCatalogue.FFolders.push_back({kept, id, foreignLink.empty() ? std::string_view() : Keep(foreignLink)});
}

void CatalogueBuilder::Order()
{
    auto& entries = FCatalogue.FEntries;
    if (FOrdered == entries.size())
        return;
    const auto bySize = [](const Entry& a, const Entry& b) { return a.size < b.size; };
    const auto tail = entries.begin() + static_cast<std::ptrdiff_t>(FOrdered);
    std::stable_sort(tail, entries.end(), bySize);
    std::inplace_merge(entries.begin(), tail, entries.end(), bySize); // keeps earlier rows first
    FOrdered = entries.size();
}

Catalogue CatalogueBuilder::Build()
{
    Order();
    auto& folders = FCatalogue.FFolders;
    std::sort(folders.begin(), folders.end(),
              [](const Catalogue::FolderRecord& a, const Catalogue::FolderRecord& b) { return a.path < b.path; });
    auto& links = FCatalogue.FReplayLinks;
    std::sort(links.begin(), links.end(),
              [](const Catalogue::ReplayLink& a, const Catalogue::ReplayLink& b) { return a.path < b.path; });
    FOrdered = 0;
    return std::move(FCatalogue);
}

bool CatalogueBuilder::FallbackPass(std::vector<ReplayError>& errors, const std::atomic<bool>* cancel,
                                    unsigned readers)
{
    Order(); // errors in row order
    auto& entries = FCatalogue.FEntries;
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
                job.outcome = ReadFallback(std::string(entries[job.row].data, entries[job.row].pathLength));
        },
        [&](Job& job) {
            if (!cancelled())
                apply(entries[job.row], job.outcome);
        });
    for (std::size_t row = 0; row < entries.size() && !cancelled(); ++row) {
        Entry& entry = entries[row];
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

} // namespace replays
