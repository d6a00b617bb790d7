#pragma once
// The one-line progress a terminal shows on standard error while a scan or a removal runs.

#include "replays/Progress.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace cli {

// One line, redrawn at most ten times a second; nothing at all when it is not enabled (standard
// error is no terminal). Erase it before writing anything else to the terminal.
class TerminalProgress : public replays::ScanProgress, public replays::RemovalProgress {
public:
    TerminalProgress(std::FILE* stream, bool enabled) : FStream(stream), FEnabled(enabled) {}

    void ScanAdvanced(const replays::ScanCounts& counts, std::string_view folder) override;
    void RemovalAdvanced(const replays::RemovalCounts& counts) override;
    void Erase();

private:
    bool Due();
    void Draw(const std::string& text);

    std::FILE* FStream;
    bool FEnabled;
    bool FShown = false;
    std::chrono::steady_clock::time_point FLast{};
};

} // namespace cli
