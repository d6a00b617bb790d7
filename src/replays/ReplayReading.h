#pragma once
// Reading one replay's size and fingerprints, apart from adding its row, so that several threads
// can read while rows are still added in walk order. Internal to the engine.

#include "platform/fs/File.h"
#include "platform/fs/Folder.h"
#include "replays/CatalogueBuilder.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace replays {

// What is known of record 55 after the first read of a replay.
enum class FallbackRecord : std::uint8_t {
    Unread, // not needed, or to be read by the fallback pass itself
    Read, // Fallback() holds its text
    Missing, // the replay ends before it
};

class ReplayRead {
public:
    AddStatus status = AddStatus::Skipped;
    int code = 0;
    std::uint64_t size = 0;
    FallbackRecord fallback = FallbackRecord::Unread;
    // The first link of another user on the way to it, when there was one (see Catalogue.h).
    std::string foreignLink;

    std::string_view First() const { return {FFirst, FFirstLength}; }
    std::string_view Second() const { return {FSecond, FSecondLength}; }
    std::string_view Fallback() const { return {FFallback, FFallbackLength}; }
    void SetFirst(std::string_view text);
    void SetSecond(std::string_view text);
    void SetFallback(std::string_view text);

private:
    // Fingerprints are copied out of the read buffer: at most 255 bytes each.
    char FFirst[255]{};
    char FSecond[255]{};
    char FFallback[255]{};
    std::uint8_t FFirstLength = 0;
    std::uint8_t FSecondLength = 0;
    std::uint8_t FFallbackLength = 0;
};

// Opens the replay (path, or name within folder) and reads size, record 50 and record 40, and,
// while the file is open anyway, record 55 when the first fingerprint is empty.
ReplayRead ReadReplay(const std::string& path);
ReplayRead ReadReplay(const files::Folder& folder, std::string_view name);

// Record 55 of the replay at path. status is Skipped when it cannot be opened (the row stays),
// Failed when it cannot be read; the fingerprint comes back as First().
ReplayRead ReadFallback(const std::string& path);

} // namespace replays
