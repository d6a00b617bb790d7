#pragma once
// What list and dedupe print of their results: on standard output the rows, the deleted paths and
// the count, as lines or as one JSON object; on standard error what the scan met and the files
// kept.

#include "cli/Arguments.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "replays/Catalogue.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"

#include <cstddef>
#include <string>

namespace cli {

// Replays and folders that could not be read, what the scan passed over and files brought back, a
// line each.
void ReportScanNotes(Output& err, const replays::ScanResult& scan);

// list's whole output.
void WriteList(Output& out, const replays::Catalogue& catalogue, const replays::ScanResult& scan, bool json);

// The JSON of a removal comes in three parts: up to the "deleted" array, which the removal then
// writes item by item as it deletes (DeletionReport), and the rest.
void BeginDedupeJson(JsonWriter& json, const replays::Catalogue& catalogue, const replays::ScanResult& scan);
void EndDedupeJson(JsonWriter& json, const replays::ScanResult& scan, const replays::RemovalResult& removal,
                   const Arguments& args);

// The files a removal kept, a line each.
void ReportKept(Output& err, const replays::RemovalResult& removal);

} // namespace cli
