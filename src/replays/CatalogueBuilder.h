#pragma once
// Building a catalogue: rows are added in walk order, then the builder hands over a catalogue
// with its rows in place (Catalogue.h).
//
//   replays::CatalogueBuilder builder;
//   builder.AddReplay(path);                    // reads the replay's size and fingerprints
//   builder.FallbackPass(errors);               // fills empty first fingerprints from record 55
//   replays::Catalogue catalogue = builder.Build();
//
// One thread uses a builder at a time (a scan's worker while the scan runs).

#include "replays/Catalogue.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace replays {

class ReplayRead;

enum class AddStatus {
    Added,
    Skipped, // gone since it was listed, or left alone on purpose (no regular file, read-only): silently
    Failed, // could not be opened or read otherwise (no permission, too many open files, an I/O
            // error, a file cut short while it was read): see code
    TooShort, // shorter than the records its fingerprints are read from (51): no replay, so no
              // failure either, but named, for a user may have taken it for one
};

struct AddOutcome {
    AddStatus status = AddStatus::Skipped;
    int code = 0; // the file error when Failed, the open error when Skipped
};

class CatalogueBuilder {
public:
    // Reads the replay at path and adds its row, to come after every row of the same Size.
    AddOutcome AddReplay(const std::string& path);
    // The folder walk's form: name is opened relative to folder; path is what the row shows.
    AddOutcome AddReplay(const files::Folder& folder, std::string_view name, const std::string& path);

    // Adds a row from values already known. Fingerprints are at most 255 bytes and paths at most
    // 65535 (std::length_error otherwise).
    void AddEntry(std::string_view path, std::uint64_t size, std::string_view first, std::string_view second);

    // Adds the row of a replay read elsewhere (by the walk's readers); read was Added.
    // folderLink is the first link of another user on the way to its folder, if any.
    void AddRead(std::string_view path, const ReplayRead& read, std::string_view folderLink = {});

    // The folder the scan started from (Catalogue::Top).
    void SetTop(std::shared_ptr<const files::Folder> top) { FCatalogue.FTop = std::move(top); }

    // Records a folder the walk took replays from, with the identity it had when it was walked
    // (Catalogue::FolderIdentity) and the first link of another user on the way to it, if any
    // (Catalogue::ForeignLinkOf). path is what the paths of its rows begin with (folder + "/" +
    // name).
    void AddFolder(std::string_view path, files::FileId id, std::string_view foreignLink = {});

    // Replaces every empty first fingerprint by the text of record 55. A replay that can no
    // longer be opened keeps its row unchanged; one that cannot be read keeps its empty first
    // fingerprint and its error is appended to errors, in row order. readers threads read side
    // by side (0: as many as the reads need). Returns false when cancelled.
    bool FallbackPass(std::vector<ReplayError>& errors, const std::atomic<bool>* cancel = nullptr,
                      unsigned readers = 0);

    // Hands over what was built, rows in place, and starts again from nothing.
    Catalogue Build();

private:
    using Entry = Catalogue::Entry;

    Entry MakeEntry(std::string_view path, std::uint64_t size, std::string_view first, std::string_view second,
                    bool foreignLink = false, std::uint8_t fallback = 0, std::string_view fallbackText = {});
    void Order();
    std::string_view Keep(std::string_view text); // a copy in the catalogue's arena

    // Rows [0, FOrdered) are in row order; later additions wait in arrival order until the next
    // Order merges them in, which keeps building a catalogue of n rows at O(n log n). Its folders
    // are in the order walked until Build sorts them.
    Catalogue FCatalogue;
    std::size_t FOrdered = 0;
};

} // namespace replays
