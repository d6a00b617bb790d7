#pragma once
// The removal's report as it happens: each deleted path goes out as it is deleted, a line or an
// item of the JSON "deleted" list, and reaches the output before the next file is deleted. When it
// cannot be written the removal is stopped at once, so that nothing is deleted unreported.

#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/TerminalProgress.h"
#include "replays/Removal.h"

#include <atomic>
#include <string>

namespace cli {

class DeletionReport : public replays::RemovalReport {
public:
    // json: the writer whose "deleted" array is open, or null for lines. stop is the removal's
    // cancel flag.
    DeletionReport(Output& out, JsonWriter* json, TerminalProgress& progress, std::atomic<bool>& stop);

    void Deleted(const std::string& path) override;

    // Deleted, but the output would not take it; empty when there is none.
    const std::string& Unreported() const { return FUnreported; }

private:
    Output& FOut;
    JsonWriter* FJson;
    TerminalProgress& FProgress;
    std::atomic<bool>& FStop;
    std::string FUnreported; // room for the longest path is taken at the start
};

} // namespace cli
