#pragma once
// The one-line progress a terminal shows on standard error while a scan or a removal runs.

#include "replays/Progress.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace cli {

// One line, redrawn at most ten times a second, except that the first counts of a new stage are
// drawn at once; nothing at all when it is not enabled (standard error is no terminal). Erase it
// before writing anything else to the terminal.
class TerminalProgress : public replays::ScanProgress, public replays::RemovalProgress {
public:
    // doneWords say what the removal does with a duplicate ("deleted", "would be deleted").
    TerminalProgress(std::FILE* stream, bool enabled, std::string_view doneWords)
        : FStream(stream), FEnabled(enabled), FDoneWords(doneWords)
    {
    }

    void ScanAdvanced(const replays::ScanCounts& counts, std::string_view folder) override;
    void RemovalAdvanced(const replays::RemovalCounts& counts) override;
    void Erase();
    // The stage is over: the line goes, and the next stage's first counts show at once rather
    // than leave the line empty, or stale, until a tenth of a second has passed.
    void Finish();

private:
    bool Due();
    void Draw(const std::string& text);

    std::FILE* FStream;
    bool FEnabled;
    std::string_view FDoneWords;
    bool FShown = false;
    std::chrono::steady_clock::time_point FLast{};
};

} // namespace cli
