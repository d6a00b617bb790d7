#include "cli/TerminalProgress.h"

#include "cli/Wording.h"

namespace cli {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);
constexpr std::string_view kEraseLine = "\r\x1b[K";

} // namespace

void TerminalProgress::ScanAdvanced(const replays::ScanCounts& counts, std::string_view)
{
    if (Due())
        Draw("scanning: " + Counted(counts.folders, "folder", "folders") + ", " + Counted(counts.files, "file", "files")
             + ", " + Counted(counts.replays, "replay", "replays"));
}

void TerminalProgress::RemovalAdvanced(const replays::RemovalCounts& counts)
{
    if (Due())
        Draw("comparing: " + std::to_string(counts.done) + " of " + std::to_string(counts.candidates) + ", "
             + std::to_string(counts.deleted) + " " + std::string(FDoneWords));
}

void TerminalProgress::Erase()
{
    if (!FShown)
        return;
    std::fwrite(kEraseLine.data(), 1, kEraseLine.size(), FStream);
    std::fflush(FStream);
    FShown = false;
}

void TerminalProgress::Finish()
{
    Erase();
    FLast = {};
}

bool TerminalProgress::Due()
{
    if (!FEnabled)
        return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - FLast < kProgressInterval)
        return false;
    FLast = now;
    return true;
}

void TerminalProgress::Draw(const std::string& text)
{
    std::string line(kEraseLine);
    line += text;
    std::fwrite(line.data(), 1, line.size(), FStream);
    std::fflush(FStream);
    FShown = true;
}

} // namespace cli
