#pragma once
// The catalogue: one row per replay the last scan found, in ascending order of Size, rows of
// equal Size in the order they were added (the order of the folder walk).
//
//   replays::Catalogue catalogue;
//   replays::ScanResult scan = replays::FindReplays(catalogue, folderText);   // FolderWalk.h
//   for (std::size_t i = 0; i < catalogue.RowCount(); ++i) {
//       const replays::CatalogueRow row = catalogue.Row(i);
//       // row.Name, row.Size (records), row.Path (bytes, not necessarily UTF-8), fingerprints
//   }
//
// A catalogue is made by a CatalogueBuilder (CatalogueBuilder.h) and never changes afterwards:
// any number of threads may read it at once (the window while a removal runs on a worker). A
// row's texts view into the catalogue and stay valid while it lives; a new scan gives a new
// catalogue, moved into the place of the old one.

#include "platform/fs/Folder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace replays {

// What the name of a replay matches, in any letter case.
inline constexpr std::string_view kReplayPattern = "*.rep";

struct CatalogueRow {
    std::string_view Name; // the file-name part of Path
    std::uint64_t Size = 0; // in 256-byte records
    std::string_view Path;
    std::string_view FirstFingerprint;
    std::string_view SecondFingerprint;
    // The walk reached it through a link that belongs to neither the running user nor root (to
    // its folder or to the replay itself). Such a link's owner chose where it leads, maybe to
    // files they could not touch themselves: the replay is listed, but a removal neither deletes
    // it nor deletes another in its favour.
    bool ForeignLink = false;
};

// The folder part of a row's path: the walk joined folder and name with one separator.
std::string_view FolderOf(const CatalogueRow& row);

// A replay or folder that could not be read, with the fixed text of its file error.
struct ReplayError {
    std::string path;
    int code = 0;
    std::string message;
    bool folder = false; // a folder the walk could not enter or list, not a replay
};

// A file a scan brought back from where a removal that ended before its time had left it hidden
// (see Leftovers.h), or, in a scan that changes nothing, would have brought back.
struct RestoredFile {
    std::string path; // where it is now, visible (or would be)
    std::string from; // where it was found, hidden
    bool broughtBack = true; // false: it stays where it was found
};

class Catalogue {
public:
    Catalogue(); // no rows
    ~Catalogue();
    Catalogue(Catalogue&&) noexcept;
    Catalogue& operator=(Catalogue&&) noexcept;
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    std::size_t RowCount() const { return FEntries.size(); }
    CatalogueRow Row(std::size_t index) const;

    // The folder the scan started from, held open, so that a removal finds every folder below it
    // from this handle rather than by a path that may lead elsewhere by then.
    const std::shared_ptr<const files::Folder>& Top() const { return FTop; }

    // The identity the folder at path had when the walk took replays from it, so that a removal
    // acts in the very folders the scan saw; false when none was recorded (rows of AddEntry).
    bool FolderIdentity(std::string_view path, files::FileId& id) const;

    // Where the first link of another user lies that the walk passed on its way to row
    // (ForeignLink): on the way to row's folder, or to the replay itself. Empty when none was
    // recorded (rows of AddEntry).
    std::string_view ForeignLinkOf(const CatalogueRow& row) const;

    // Memory held for the rows, in bytes (row records and their texts).
    std::size_t BytesUsed() const;

private:
    friend class CatalogueBuilder;

    // Path, second fingerprint, first fingerprint and, while the fallback pass has not run, the
    // text of record 55 when it was read along, lie back to back at data.
    struct Entry {
        const char* data;
        std::uint64_t size;
        std::uint16_t pathLength;
        std::uint16_t nameOffset;
        std::uint8_t secondLength;
        std::uint8_t firstLength;
        std::uint8_t fallbackLength;
        std::uint8_t fallback : 2; // a FallbackRecord
        std::uint8_t foreignLink : 1;
    };
    static_assert(sizeof(Entry) == 24, "a row's record stays three words");

    // Texts live in large blocks that never move, so an entry holds one pointer.
    class Arena {
    public:
        Arena() = default;
        Arena(Arena&& other) noexcept;
        Arena& operator=(Arena&& other) noexcept;
        char* Allocate(std::size_t bytes);
        std::size_t BytesUsed() const { return FUsed; }

    private:
        std::vector<std::unique_ptr<char[]>> FBlocks;
        char* FNext = nullptr;
        std::size_t FLeft = 0;
        std::size_t FUsed = 0;
    };

    struct FolderRecord {
        std::string_view path; // in the arena
        files::FileId id;
        std::string_view foreignLink; // in the arena; empty when the way there passed none
    };

    // A replay whose own name led through another user's link, in a folder reached without one.
    struct ReplayLink {
        std::string_view path; // both in the arena
        std::string_view link;
    };

    std::vector<Entry> FEntries; // in row order
    std::vector<FolderRecord> FFolders; // by path
    std::vector<ReplayLink> FReplayLinks; // by path
    Arena FArena;
    std::shared_ptr<const files::Folder> FTop;
};

} // namespace replays
