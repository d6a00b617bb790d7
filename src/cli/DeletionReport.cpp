#include "cli/DeletionReport.h"

namespace cli {

DeletionReport::DeletionReport(Output& out, JsonWriter* json, TerminalProgress& progress, std::atomic<bool>& stop)
    : FOut(out), FJson(json), FProgress(progress), FStop(stop)
{
    FUnreported.reserve(kLongestReportItem);
}

void DeletionReport::Deleted(const std::string& path)
{
    FProgress.Erase(); // standard output may be the same terminal
    if (FJson != nullptr)
        FJson->String(path);
    else
        FOut.Line(path);
    if (!FOut.Flush()) {
        FUnreported.assign(path); // deleting stops here: the one path the output did not take
        FStop.store(true);
    }
}

} // namespace cli
