#include "cli/Commands.h"

#include "cli/Json.h"
#include "platform/fs/FileErrors.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);
constexpr std::size_t kFlushThreshold = std::size_t{64} << 10;
constexpr std::string_view kProgram = "dupsweep-cli: ";
constexpr std::string_view kEraseLine = "\r\x1b[K";

// The longest a path may be in a row, and the most its JSON escape can take (six bytes a byte).
constexpr std::size_t kLongestReportItem = 6 * 65536 + 8;
// Memory put by at the start and let go when memory runs out, so that the end of the report
// can still be written.
constexpr std::size_t kParachute = std::size_t{1} << 20;

// Buffered output that remembers whether every write reached its stream, and why not. It writes
// through the stream's descriptor itself, so that a signal that comes while a reader is slow
// only delays the write (EINTR is no failure). Room for a whole deletion's report is taken at the
// start: telling of a deletion needs no memory.
class Writer {
public:
    explicit Writer(std::FILE* stream) : FStream(stream), FFd(stream != nullptr ? ::fileno(stream) : -1)
    {
        FBuffer.reserve(kFlushThreshold + kLongestReportItem);
        if (FStream == nullptr)
            FError = EBADF; // closed before the program started
    }
    ~Writer() { Flush(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    std::string& Buffer() { return FBuffer; }

    void Line(std::string_view text)
    {
        FBuffer.append(text);
        FBuffer += '\n';
        if (FBuffer.size() >= kFlushThreshold)
            Flush();
    }

    bool Flush()
    {
        if (FError == 0 && !FBuffer.empty())
            Write(FBuffer);
        FBuffer.clear();
        return FError == 0;
    }

    // Whether the output can take anything at all: closed, opened for reading only, full, or a
    // pipe nobody reads any more. Asked before anything is deleted, when nothing has been written
    // yet that would tell.
    bool Usable()
    {
        if (FError != 0 || FFd < 0)
            return FError == 0;
        const int flags = ::fcntl(FFd, F_GETFL);
        if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
            return Failed(flags < 0 ? errno : EBADF);
        struct stat st {};
        if (::fstat(FFd, &st) != 0)
            return Failed(errno);
        if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
            pollfd poll{FFd, POLLOUT, 0};
            if (::poll(&poll, 1, 0) == 1 && (poll.revents & (POLLERR | POLLHUP)) != 0)
                return Failed(EPIPE);
        } else if (S_ISREG(st.st_mode)) {
            struct statvfs fs {};
            if (::fstatvfs(FFd, &fs) == 0 && (::geteuid() == 0 ? fs.f_bfree : fs.f_bavail) == 0)
                return Failed(ENOSPC);
        } else if (::write(FFd, "", 0) < 0) { // a device: one that is full says so even to this
            return Failed(errno);
        }
        return true;
    }

    const char* Error() const { return std::strerror(FError); }

private:
    void Write(std::string_view bytes)
    {
        if (FFd < 0) { // a stream without a descriptor, such as one in memory
            if (std::fwrite(bytes.data(), 1, bytes.size(), FStream) != bytes.size() || std::fflush(FStream) != 0)
                Failed(errno != 0 ? errno : EIO);
            return;
        }
        while (!bytes.empty()) {
            const auto n = ::write(FFd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                Failed(n < 0 ? errno : EIO);
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    bool Failed(int error)
    {
        if (FError == 0)
            FError = error != 0 ? error : EIO;
        return false;
    }

    std::FILE* FStream;
    int FFd;
    std::string FBuffer;
    int FError = 0;
};

// One line on a terminal's standard error, redrawn at most ten times a second.
class TerminalProgress : public replays::ScanProgress, public replays::RemovalProgress {
public:
    TerminalProgress(std::FILE* stream, bool enabled) : FStream(stream), FEnabled(enabled) {}

    void ScanAdvanced(const replays::ScanCounts& counts, std::string_view) override
    {
        if (Due())
            Draw("scanning: " + std::to_string(counts.folders) + " folders, " + std::to_string(counts.files)
                 + " files, " + std::to_string(counts.replays) + " replays");
    }

    void RemovalAdvanced(const replays::RemovalCounts& counts) override
    {
        if (Due())
            Draw("comparing: " + std::to_string(counts.done) + " of " + std::to_string(counts.candidates)
                 + ", " + std::to_string(counts.deleted) + " deleted");
    }

    void Erase()
    {
        if (!FShown)
            return;
        std::fwrite(kEraseLine.data(), 1, kEraseLine.size(), FStream);
        std::fflush(FStream);
        FShown = false;
    }

private:
    bool Due()
    {
        if (!FEnabled)
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now - FLast < kProgressInterval)
            return false;
        FLast = now;
        return true;
    }

    void Draw(const std::string& text)
    {
        std::string line(kEraseLine);
        line += text;
        std::fwrite(line.data(), 1, line.size(), FStream);
        std::fflush(FStream);
        FShown = true;
    }

    std::FILE* FStream;
    bool FEnabled;
    bool FShown = false;
    std::chrono::steady_clock::time_point FLast{};
};

// The removal's report: each deleted path goes out as it is deleted, a line or an item of the
// JSON "deleted" list, and reaches the output before the next file is deleted. When it cannot
// be written the removal is stopped at once, so that nothing is deleted unreported.
class DeletionReport : public replays::RemovalReport {
public:
    DeletionReport(Writer& out, bool json, TerminalProgress& progress, std::atomic<bool>& stop)
        : FOut(out), FJson(json), FProgress(progress), FStop(stop)
    {
        FUnreported.reserve(kLongestReportItem);
    }

    void Deleted(const std::string& path) override
    {
        if (FJson) {
            FOut.Buffer() += FLines == 0 ? "\n" : ",\n";
            AppendJsonString(FOut.Buffer(), path);
        } else {
            FProgress.Erase();
            FOut.Line(path);
        }
        ++FLines;
        if (!FOut.Flush()) {
            FUnreported.assign(path); // deleting stops here: the one path the output did not take
            FStop.store(true);
        }
    }

    // Deleted, but the output would not take it; empty when there is none.
    const std::string& Unreported() const { return FUnreported; }

private:
    Writer& FOut;
    bool FJson;
    TerminalProgress& FProgress;
    std::atomic<bool>& FStop;
    std::size_t FLines = 0;
    std::string FUnreported;
};

std::string KeptReason(const replays::NotDeleted& kept)
{
    using replays::KeepReason;
    switch (kept.reason) {
    case KeepReason::CannotOpen:
    case KeepReason::Refused:
        return files::ErrorText(kept.code);
    case KeepReason::CannotCompare:
        return "Cannot compare with " + kept.other + ": " + files::ErrorText(kept.code);
    case KeepReason::SameFile:
        return "Same file as " + kept.other;
    case KeepReason::ContentsDiffer:
        return "Contents differ from " + kept.other;
    case KeepReason::Changed:
        return "Changed while it was compared or before it could be deleted";
    case KeepReason::OtherChanged:
        return kept.other + " changed or went away before this copy could be deleted";
    case KeepReason::Replaced:
        return "Replaced by another file before it could be deleted";
    case KeepReason::FolderReplaced:
        return "Its folder, or that of " + kept.other + ", is no longer the folder the scan walked";
    case KeepReason::LeftAside:
        return "Kept as " + kept.other + ": its name was taken while it was checked";
    case KeepReason::LeftHidden:
        return "Kept, but hidden at " + kept.other + ": it could not be given a name again; the next list or dedupe"
               " of its folder brings it back";
    case KeepReason::ForeignLink:
        return "It or " + kept.other + " is reached through a link that belongs to another user";
    case KeepReason::NoTrash:
        return kept.code == files::kNoTrash ? files::ErrorText(kept.code)
                                            : "No trash on its file system: " + files::ErrorText(kept.code);
    case KeepReason::Rewritten:
        return kept.code == files::kNoError
            ? "Written to while it was removed: kept as " + kept.other
            : "Written to while it was removed, and what it held then could not be saved: " + files::ErrorText(kept.code);
    }
    return {};
}

void AppendField(std::string& json, std::string_view key, std::string_view value)
{
    AppendJsonString(json, key);
    json += ':';
    AppendJsonString(json, value);
}

void AppendErrors(std::string& json, const std::vector<replays::ReplayError>& errors)
{
    json += "\"errors\":[";
    for (std::size_t i = 0; i < errors.size(); ++i) {
        json += i == 0 ? "{" : ",{";
        AppendField(json, "path", errors[i].path);
        json += ',';
        AppendField(json, "message", errors[i].message);
        json += '}';
    }
    json += ']';
}

void AppendPaths(std::string& json, std::string_view key, const std::vector<std::string>& paths)
{
    json += ',';
    AppendJsonString(json, key);
    json += ":[";
    for (std::size_t i = 0; i < paths.size(); ++i) {
        json += i == 0 ? "" : ",";
        AppendJsonString(json, paths[i]);
    }
    json += ']';
}

// What a scan has to say besides its rows, in the JSON: read-only replays and files brought back.
void AppendScanNotes(std::string& json, const replays::ScanResult& scan)
{
    AppendPaths(json, "read_only", scan.readOnly);
    json += ",\"restored\":[";
    for (std::size_t i = 0; i < scan.restored.size(); ++i) {
        json += i == 0 ? "{" : ",{";
        AppendField(json, "path", scan.restored[i].path);
        json += ',';
        AppendField(json, "from", scan.restored[i].from);
        json += '}';
    }
    json += ']';
}

// Read-only replays are left alone on purpose and do not change the exit status; they are named
// so that a folder of them does not look like a folder without replays. Files brought back from an
// interrupted removal are named so that their owner knows where they came from.
void ReportErrors(Writer& err, const replays::ScanResult& scan)
{
    for (const auto& e : scan.errors)
        err.Line(std::string(kProgram) + e.path + ": " + e.message);
    for (const auto& path : scan.readOnly)
        err.Line(std::string(kProgram) + path + ": read-only, left alone");
    for (const auto& restored : scan.restored)
        err.Line(std::string(kProgram) + restored.path + ": brought back from " + restored.from
                 + ", where an interrupted removal had left it");
}

void WriteList(Writer& out, const replays::Catalogue& catalogue, const replays::ScanResult& scan, bool json)
{
    auto& buffer = out.Buffer();
    if (!json) {
        for (std::size_t i = 0; i < catalogue.RowCount(); ++i) {
            const auto row = catalogue.Row(i);
            out.Line(std::to_string(row.Size) + '\t' + std::string(row.Path));
        }
        return;
    }
    buffer += '{';
    AppendField(buffer, "folder", scan.folder);
    buffer += ",\"rows\":[";
    for (std::size_t i = 0; i < catalogue.RowCount(); ++i) {
        const auto row = catalogue.Row(i);
        buffer += i == 0 ? "\n{" : ",\n{";
        AppendField(buffer, "name", row.Name);
        buffer += ",\"size\":" + std::to_string(row.Size) + ',';
        AppendField(buffer, "path", row.Path);
        buffer += ",\"fp1\":\"";
        AppendHex(buffer, row.FirstFingerprint);
        buffer += "\",\"fp2\":\"";
        AppendHex(buffer, row.SecondFingerprint);
        buffer += "\"}";
        if (buffer.size() >= kFlushThreshold)
            out.Flush();
    }
    buffer += "],\n";
    AppendErrors(buffer, scan.errors);
    AppendScanNotes(buffer, scan);
    buffer += std::string(",\"cancelled\":") + (scan.cancelled ? "true" : "false");
    out.Line("}");
}

// The JSON of a removal comes in three parts: up to the "deleted" list, which the removal then
// writes item by item as it deletes (DeletionReport), and the rest.
void BeginDedupeJson(Writer& out, const replays::Catalogue& catalogue, const replays::ScanResult& scan)
{
    auto& buffer = out.Buffer();
    buffer += '{';
    AppendField(buffer, "folder", scan.folder);
    buffer += ",\"rows\":" + std::to_string(catalogue.RowCount()) + ",\"deleted\":[";
}

void EndDedupeJson(Writer& out, const replays::ScanResult& scan, const replays::RemovalResult& removal,
                   const Arguments& args)
{
    auto& buffer = out.Buffer();
    buffer += "],\n\"not_deleted\":[";
    for (std::size_t i = 0; i < removal.notDeleted.size(); ++i) {
        buffer += i == 0 ? "\n{" : ",\n{";
        AppendField(buffer, "path", removal.notDeleted[i].path);
        buffer += ',';
        AppendField(buffer, "reason", KeptReason(removal.notDeleted[i]));
        buffer += '}';
    }
    buffer += std::string("],\n\"dry_run\":") + (args.dryRun ? "true" : "false");
    buffer += std::string(",\"trash\":") + (args.trash ? "true" : "false") + ",\n";
    AppendErrors(buffer, scan.errors);
    AppendScanNotes(buffer, scan);
    buffer += std::string(",\"cancelled\":") + (scan.cancelled || removal.cancelled ? "true" : "false");
    out.Line("}");
}

} // namespace

namespace {

constexpr std::string_view kOutOfMemory = "out of memory: stopped; every file deleted until then was reported";

std::string CountLine(const Arguments& args, std::size_t count)
{
    const auto n = std::to_string(count);
    if (args.trash)
        return n + (args.dryRun ? " duplicates would be moved to the trash" : " duplicates moved to the trash");
    return n + (args.dryRun ? " duplicates would be deleted" : " duplicates deleted");
}

int RunCommand(const Arguments& args, const Streams& streams, std::atomic<bool>& cancel,
               std::unique_ptr<char[]>& parachute)
{
    Writer out(streams.out);
    Writer err(streams.err);
    TerminalProgress progress(streams.err, streams.showProgress);

    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, args.folder, {&progress, &cancel});
    progress.Erase();
    if (!scan.entered) {
        err.Line(std::string(kProgram) + args.folder + ": not a folder that can be entered ("
                 + files::ErrorText(scan.enterError) + ")");
        return kExitNoFolder;
    }
    bool incomplete = !scan.errors.empty();
    bool cancelled = scan.cancelled;
    bool outOfMemory = false;

    if (args.action == Action::List) {
        WriteList(out, catalogue, scan, args.json);
        ReportErrors(err, scan);
    } else {
        ReportErrors(err, scan);
        err.Flush();
        replays::RemovalResult removal;
        if (args.json)
            BeginDedupeJson(out, catalogue, scan);
        // Output that cannot be taken stops the removal before the first deletion.
        if (!cancelled && out.Usable() && out.Flush()) {
            DeletionReport report(out, args.json, progress, cancel);
            replays::RemovalOptions options{args.dryRun, &progress, &cancel, &report};
            options.toTrash = args.trash;
            removal = replays::RemoveDuplicates(catalogue, options);
            if ((outOfMemory = removal.outOfMemory))
                parachute.reset(); // what is left of the report can be written now
            progress.Erase();
            if (!report.Unreported().empty())
                err.Line(std::string(kProgram) + "deleted, but the output would not take it: " + report.Unreported());
        }
        cancelled = cancelled || removal.cancelled;
        incomplete = incomplete || !removal.notDeleted.empty();
        if (args.json) {
            EndDedupeJson(out, scan, removal, args);
        } else {
            out.Line(CountLine(args, removal.deleted.size()));
            for (const auto& kept : removal.notDeleted)
                err.Line(std::string(kProgram) + "not deleted: " + kept.path + ": " + KeptReason(kept));
        }
    }

    const bool written = out.Flush();
    if (outOfMemory)
        err.Line(std::string(kProgram) + std::string(kOutOfMemory));
    if (!written)
        err.Line(std::string(kProgram) + "cannot write the output: " + out.Error());
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
