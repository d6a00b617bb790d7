#pragma once
// A deterministic tree of replay-like files for the benchmarks.
//
// Files are sparse unless asked otherwise: a distinct 1 KiB header and the three fingerprint
// records are written, the rest of each (14 to 300 KB, like real replays) reads as zeros, so
// 100,000 of them take little disk. One replay in a hundred (or as asked) is a byte-identical
// copy of an earlier one placed elsewhere, one in twenty has an empty record-50 text, and a few
// other files sit beside them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct ReplayTree {
    std::size_t replays = 0;
    std::size_t copies = 0; // of those, byte-identical copies of another
    std::vector<std::string> folders; // every folder that holds replays
};

// What the generated replays are like.
struct TreeShape {
    std::size_t copyEvery = 100; // one replay in this many (at least 2) is a copy of an earlier one
    std::size_t maxBytes = 300000; // sizes spread evenly from 14,336 bytes up to this
    bool dense = false; // every byte written, as in real replays, rather than a sparse file
};

// Writes count replays below root (which must exist). The same arguments give the same tree.
ReplayTree MakeReplayTree(const std::string& root, std::size_t count, std::uint64_t seed = 1,
                          const TreeShape& shape = {});

// A fresh temporary folder and, when it goes, its removal with everything below.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

} // namespace bench
