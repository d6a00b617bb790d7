#include "cli/Results.h"

#include "cli/ReasonTexts.h"
#include "cli/Wording.h"

namespace cli {

namespace {

void WritePaths(JsonWriter& json, std::string_view key, const std::vector<std::string>& paths)
{
    json.Key(key).BeginArray();
    for (const auto& path : paths)
        json.String(path);
    json.EndArray();
}

// What a scan has to say besides its rows: what could not be read, what it passed over and files
// brought back.
void WriteScanNotes(JsonWriter& json, const replays::ScanResult& scan)
{
    json.Key("errors").BeginArray();
    for (const auto& error : scan.errors)
        json.BeginObject().Field("path", error.path).Field("message", error.message).EndObject();
    json.EndArray();
    WritePaths(json, "read_only", scan.readOnly);
    WritePaths(json, "too_short", scan.tooShort);
    json.Key("restored").BeginArray();
    for (const auto& restored : scan.restored) {
        json.BeginObject().Field("path", restored.path).Field("from", restored.from);
        json.Key("brought_back").Bool(restored.broughtBack).EndObject();
    }
    json.EndArray();
}

} // namespace

// Read-only replays are left alone on purpose, and files too short to be replays are none: neither
// changes the exit status, but both are named, so that a folder of them does not look like a folder
// without replays. Files brought back from an interrupted removal are named so that their owner
// knows where they came from; a listing and a dry run, which change nothing, name where each would
// come back to.
void ReportScanNotes(Output& err, const replays::ScanResult& scan)
{
    for (const auto& e : scan.errors)
        err.Message(e.path + ": " + e.message);
    for (const auto& path : scan.readOnly)
        err.Message(path + ": read-only, left alone");
    for (const auto& path : scan.tooShort)
        err.Message(path + ": too short to be a replay");
    for (const auto& restored : scan.restored)
        err.Message(restored.path + (restored.broughtBack ? ": brought back from " : ": would be brought back from ")
                    + restored.from + ", where an interrupted removal had left it");
}

void WriteList(Output& out, const replays::Catalogue& catalogue, const replays::ScanResult& scan, bool json)
{
    if (!json) {
        for (std::size_t i = 0; i < catalogue.RowCount(); ++i) {
            const auto row = catalogue.Row(i);
            out.Line(std::to_string(row.Size) + '\t' + std::string(row.Path));
        }
        return;
    }
    JsonWriter writer(out.Buffer());
    writer.BeginObject().Field("folder", scan.folder).Key("replays").Integer(catalogue.RowCount());
    writer.Key("rows").BeginArray(JsonLayout::ItemPerLine);
    for (std::size_t i = 0; i < catalogue.RowCount(); ++i) {
        const auto row = catalogue.Row(i);
        writer.BeginObject().Field("name", row.Name).Key("size").Integer(row.Size).Field("path", row.Path);
        writer.Key("fp1").Hex(row.FirstFingerprint).Key("fp2").Hex(row.SecondFingerprint).EndObject();
        out.FlushWhenFull();
    }
    writer.EndArray().BreakLine();
    WriteScanNotes(writer, scan);
    writer.Key("cancelled").Bool(scan.cancelled).EndObject();
    out.Line({});
}

void BeginDedupeJson(JsonWriter& json, const replays::Catalogue& catalogue, const replays::ScanResult& scan)
{
    json.BeginObject().Field("folder", scan.folder).Key("replays").Integer(catalogue.RowCount());
    json.Key("deleted").BeginArray(JsonLayout::ItemPerLine);
}

void EndDedupeJson(JsonWriter& json, const replays::ScanResult& scan, const replays::RemovalResult& removal,
                   const Arguments& args)
{
    json.EndArray().Key("bytes").Integer(removal.counts.bytesDeleted);
    json.BreakLine().Key("not_deleted").BeginArray(JsonLayout::ItemPerLine);
    for (const auto& kept : removal.notDeleted)
        json.BeginObject().Field("path", kept.path).Field("reason", KeptReason(kept)).EndObject();
    json.EndArray().BreakLine().Key("dry_run").Bool(args.dryRun);
    json.Key("trash").Bool(args.disposal == Disposal::Trash).BreakLine();
    WriteScanNotes(json, scan);
    json.Key("cancelled").Bool(scan.cancelled || removal.cancelled).EndObject();
}

void ReportKept(Output& err, const replays::RemovalResult& removal)
{
    for (const auto& kept : removal.notDeleted)
        err.Message("not deleted: " + kept.path + ": " + KeptReason(kept));
}

} // namespace cli
