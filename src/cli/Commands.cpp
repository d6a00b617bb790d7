#include "cli/Commands.h"

#include "cli/DeletionReport.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/Results.h"
#include "cli/TerminalProgress.h"
#include "cli/Wording.h"
#include "platform/fs/FileErrors.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"

#include <memory>
#include <new>
#include <string>

namespace cli {

namespace {

// Memory put by at the start and let go when memory runs out, so that the end of the report
// can still be written.
constexpr std::size_t kParachute = std::size_t{1} << 20;

constexpr std::string_view kOutOfMemory = "out of memory: stopped; every file deleted until then was reported";

int RunCommand(const Arguments& args, const Streams& streams, std::atomic<bool>& cancel,
               std::unique_ptr<char[]>& parachute)
{
    Output out(streams.out);
    Output err(streams.err);
    TerminalProgress progress(streams.err, streams.showProgress, DoneWords(args));

    replays::Catalogue catalogue;
    replays::ScanOptions scanOptions{&progress, &cancel};
    scanOptions.bringBack = args.action == Action::Dedupe && !args.dryRun; // a listing and a dry run change nothing
    const auto scan = replays::FindReplays(catalogue, args.folder, scanOptions);
    progress.Finish();
    if (!scan.entered) {
        err.Message(args.folder + ": not a folder that can be entered (" + files::ErrorText(scan.enterError) + ")");
        return kExitNoFolder;
    }
    bool incomplete = !scan.errors.empty();
    bool cancelled = scan.cancelled;
    bool outOfMemory = false;

    if (args.action == Action::List) {
        WriteList(out, catalogue, scan, args.json);
        ReportScanNotes(err, scan);
    } else {
        ReportScanNotes(err, scan);
        err.Flush();
        replays::RemovalResult removal;
        JsonWriter json(out.Buffer());
        if (args.json)
            BeginDedupeJson(json, catalogue, scan);
        // Output that cannot be taken stops the removal before the first deletion.
        if (!cancelled && out.Usable() && out.Flush()) {
            DeletionReport report(out, args.json ? &json : nullptr, progress, cancel);
            replays::RemovalOptions options{args.dryRun, &progress, &cancel, &report};
            options.toTrash = args.disposal == Disposal::Trash;
            removal = replays::RemoveDuplicates(catalogue, options);
            if ((outOfMemory = removal.outOfMemory))
                parachute.reset(); // what is left of the report can be written now
            progress.Finish();
            if (!report.Unreported().empty())
                err.Message("deleted, but the output would not take it: " + report.Unreported());
        }
        cancelled = cancelled || removal.cancelled;
        incomplete = incomplete || !removal.notDeleted.empty();
        if (args.json) {
            EndDedupeJson(json, scan, removal, args);
            out.Line({});
        } else {
            out.Line(CountLine(args, removal.deleted.size(), removal.counts.bytesDeleted));
            ReportKept(err, removal);
        }
    }

    const bool written = out.Flush();
    if (outOfMemory)
        err.Message(kOutOfMemory);
    if (!written)
        err.Message(std::string("cannot write the output: ") + out.Error());
    err.Flush();
    if (outOfMemory)
        return kExitOutOfMemory;
    if (!written)
        return kExitIncomplete; // stopped by the output, not by the user
    if (cancelled)
        return kExitInterrupted;
    return incomplete ? kExitIncomplete : kExitDone;
}

} // namespace

int Run(const Arguments& args, const Streams& streams, std::atomic<bool>& cancel)
{
    // Memory put by for the end of the report, let go when memory runs out.
    auto parachute = std::make_unique_for_overwrite<char[]>(kParachute);
    try {
        return RunCommand(args, streams, cancel, parachute);
    } catch (const std::bad_alloc&) {
        // Before the removal (the scan), or while writing what follows it: nothing is deleted
        // unreported, for each deletion reached the output before the next began.
        parachute.reset();
        std::fprintf(streams.err, "%.*s%.*s\n", static_cast<int>(kProgram.size()), kProgram.data(),
                     static_cast<int>(kOutOfMemory.size()), kOutOfMemory.data());
        std::fflush(streams.err);
        return kExitOutOfMemory;
    }
}

} // namespace cli
