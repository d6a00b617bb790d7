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
// A row's texts view into the catalogue and stay valid until it next changes (AddReplay,
// AddEntry, FallbackPass, Clear). Rows are cheap to read by index. While it changes, one thread
// uses it (a scan's worker while the scan runs). A finished scan leaves it ordered, so reading
// rows afterwards writes nothing, and any number of threads may read at once (the window while
// a removal runs on a worker).

#include "platform/fs/Folder.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace replays {

class ReplayRead;

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

// A replay or folder that could not be read, with the fixed text of its file error.
struct ReplayError {
    std::string path;
    int code = 0;
    std::string message;
    bool folder = false; // a folder the walk could not enter or list, not a replay
};

// A file a scan brought back from where a removal that ended before its time had left it hidden
// (see Leftovers.h).
struct RestoredFile {
    std::string path; // where it is now, visible
    std::string from; // where it was found, hidden
};

enum class AddStatus {
    Added,
    Skipped, // gone since it was listed, or left alone on purpose (no regular file, read-only): silently
    Failed, // could not be opened or read otherwise (no permission, too many open files, too short
            // for record 50, an I/O error): see code
};

struct AddOutcome {
    AddStatus status = AddStatus::Skipped;
    int code = 0; // the file error when Failed, the open error when Skipped
};

class Catalogue {
public:
    Catalogue();
    ~Catalogue();
    Catalogue(Catalogue&&) noexcept;
    Catalogue& operator=(Catalogue&&) noexcept;
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    std::size_t RowCount() const { return entries_.size(); }
    CatalogueRow Row(std::size_t index) const;

    // Empties the catalogue and gives its memory back.
    void Clear();

    // Reads the replay at path and inserts its row after every row of the same Size.
    AddOutcome AddReplay(const std::string& path);
    // The folder walk's form: name is opened relative to folder; path is what the row shows.
    AddOutcome AddReplay(const files::Folder& folder, std::string_view name, const std::string& path);

    // Inserts a row from values already known. Fingerprints are at most 255 bytes and paths at
    // most 65535 (std::length_error otherwise).
    void AddEntry(std::string_view path, std::uint64_t size, std::string_view first, std::string_view second);

    // Inserts the row of a replay read elsewhere (by the walk's readers); read was Added.
    void AddRead(std::string_view path, const ReplayRead& read);

    // The folder the scan started from, held open, so that a removal finds every folder below it
    // from this handle rather than by a path that may lead elsewhere by then.
    void SetTop(std::shared_ptr<const files::Folder> top) { top_ = std::move(top); }
    const std::shared_ptr<const files::Folder>& Top() const { return top_; }

    // Replaces every empty first fingerprint by the text of record 55. A replay that can no
    // longer be opened keeps its row unchanged; one that cannot be read keeps its empty first
    // fingerprint and its error is appended to errors, in row order. readers threads read side
    // by side (0: as many as the reads need). Returns false when cancelled.
    bool FallbackPass(std::vector<ReplayError>& errors, const std::atomic<bool>* cancel = nullptr,
                      unsigned readers = 0);

    // Records a folder the walk took replays from, with the identity it had when it was walked,
    // so that a removal acts in the very folders the scan saw. path is what the paths of its
    // rows begin with (folder + "/" + name).
    void AddFolder(std::string_view path, files::FileId id);
    // The identity recorded for the folder at path; false when none was (rows of AddEntry).
    bool FolderIdentity(std::string_view path, files::FileId& id) const;

    // Puts rows added since the last read in their place. Reads do it themselves; a scan does it
    // before it returns, so that reading afterwards writes nothing.
    void Settle() { EnsureOrdered(); }

    // Memory held for the rows, in bytes (row records and their texts).
    std::size_t BytesUsed() const;

private:
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
        void Clear();
        std::size_t BytesUsed() const { return used_; }

    private:
        std::vector<std::unique_ptr<char[]>> blocks_;
        char* next_ = nullptr;
        std::size_t left_ = 0;
        std::size_t used_ = 0;
    };

    struct FolderRecord {
        std::string_view path; // in the arena
        files::FileId id;
    };

    Entry MakeEntry(std::string_view path, std::uint64_t size, std::string_view first, std::string_view second,
                    bool foreignLink = false, std::uint8_t fallback = 0, std::string_view fallbackText = {});
    void EnsureOrdered() const;

    // Rows [0, ordered_) are in row order; later additions wait in arrival order until the next
    // read merges them in, which keeps building a catalogue of n rows at O(n log n).
    mutable std::vector<Entry> entries_;
    mutable std::size_t ordered_ = 0;
    // In the order walked until the next read sorts them by path, for lookups.
    mutable std::vector<FolderRecord> folders_;
    mutable bool foldersSorted_ = true;
    Arena arena_;
    std::shared_ptr<const files::Folder> top_;
};

} // namespace replays
