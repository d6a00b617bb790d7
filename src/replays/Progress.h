#pragma once
// How a running scan or removal tells its caller how far it has got.
//
// The callbacks run on whatever thread runs the scan or the removal, as often as every entry;
// an implementation keeps them short (store the counts, wake the user-interface thread) and
// decides itself how often to show them. A job stops soon after its cancel flag turns true: the
// flag is read once per entry, and between the blocks of a long comparison.

#include <cstdint>
#include <string_view>

namespace replays {

struct ScanCounts {
    std::uint64_t folders = 0; // folders entered
    std::uint64_t files = 0; // "*.rep" files looked at
    std::uint64_t replays = 0; // rows listed
};

class ScanProgress {
public:
    virtual ~ScanProgress() = default;
    // folder is the one being walked.
    virtual void ScanAdvanced(const ScanCounts& counts, std::string_view folder) = 0;
};

struct RemovalCounts {
    std::uint64_t candidates = 0; // rows whose fingerprints match their neighbour's
    std::uint64_t done = 0; // candidates decided so far
    std::uint64_t compared = 0; // whole-contents comparisons made
    std::uint64_t deleted = 0; // files deleted (or, in a dry run, found deletable)
    std::uint64_t bytesDeleted = 0; // their sizes in bytes, summed
    std::uint64_t bytesCompared = 0; // of both files of every comparison, so far
};

class RemovalProgress {
public:
    virtual ~RemovalProgress() = default;
    virtual void RemovalAdvanced(const RemovalCounts& counts) = 0;
};

} // namespace replays
