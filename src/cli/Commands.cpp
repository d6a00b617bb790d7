#include "cli/Commands.h"

#include "cli/Json.h"
#include "platform/fs/FileErrors.h"
#include "replays/FolderWalk.h"
#include "replays/Removal.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

namespace cli {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);
constexpr std::size_t kFlushThreshold = std::size_t{64} << 10;
constexpr std::string_view kProgram = "dupsweep-cli: ";
constexpr std::string_view kEraseLine = "\r\x1b[K";

// Buffered output that remembers whether every write reached its stream, and why not.
class Writer {
public:
    explicit Writer(std::FILE* stream) : stream_(stream) {}
    ~Writer() { Flush(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    std::string& Buffer() { return buffer_; }

    void Line(std::string_view text)
    {
        buffer_.append(text);
        buffer_ += '\n';
        if (buffer_.size() >= kFlushThreshold)
            Flush();
    }

    bool Flush()
    {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), stream_) != buffer_.size())
            Failed();
        buffer_.clear();
        if (std::fflush(stream_) != 0)
            Failed();
        return error_ == 0;
    }

    const char* Error() const { return std::strerror(error_); }

private:
    void Failed()
    {
        if (error_ == 0)
            error_ = errno != 0 ? errno : EIO;
    }

    std::FILE* stream_;
    std::string buffer_;
    int error_ = 0;
};

// One line on a terminal's standard error, redrawn at most ten times a second.
class TerminalProgress : public replays::ScanProgress, public replays::RemovalProgress {
public:
    TerminalProgress(std::FILE* stream, bool enabled) : stream_(stream), enabled_(enabled) {}

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
        if (!shown_)
            return;
        std::fwrite(kEraseLine.data(), 1, kEraseLine.size(), stream_);
        std::fflush(stream_);
        shown_ = false;
    }

private:
    bool Due()
    {
        if (!enabled_)
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < kProgressInterval)
            return false;
        last_ = now;
        return true;
    }

    void Draw(const std::string& text)
    {
        std::string line(kEraseLine);
        line += text;
        std::fwrite(line.data(), 1, line.size(), stream_);
        std::fflush(stream_);
        shown_ = true;
    }

    std::FILE* stream_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
};

// The removal's report: each deleted path goes out as it is deleted, a line or an item of the
// JSON "deleted" list, and reaches the output before the next file is deleted. When it cannot
// be written the removal is stopped at once, so that nothing is deleted unreported.
class DeletionReport : public replays::RemovalReport {
public:
    DeletionReport(Writer& out, bool json, TerminalProgress& progress, std::atomic<bool>& stop)
        : out_(out), json_(json), progress_(progress), stop_(stop)
    {
    }

    void Deleted(const std::string& path) override
    {
        if (json_) {
            out_.Buffer() += lines_ == 0 ? "\n" : ",\n";
            AppendJsonString(out_.Buffer(), path);
        } else {
            progress_.Erase();
            out_.Line(path);
        }
        ++lines_;
        if (!out_.Flush()) {
            unreported_.push_back(path);
            stop_.store(true);
        }
    }

    // Deleted, but the output would not take them.
    const std::vector<std::string>& Unreported() const { return unreported_; }

private:
    Writer& out_;
    bool json_;
    TerminalProgress& progress_;
    std::atomic<bool>& stop_;
    std::size_t lines_ = 0;
    std::vector<std::string> unreported_;
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

void AppendReadOnly(std::string& json, const std::vector<std::string>& paths)
{
    json += ",\"read_only\":[";
    for (std::size_t i = 0; i < paths.size(); ++i) {
        json += i == 0 ? "" : ",";
        AppendJsonString(json, paths[i]);
    }
    json += ']';
}

// Read-only replays are left alone on purpose and do not change the exit status; they are named
// so that a folder of them does not look like a folder without replays.
void ReportErrors(Writer& err, const replays::ScanResult& scan)
{
    for (const auto& e : scan.errors)
        err.Line(std::string(kProgram) + e.path + ": " + e.message);
    for (const auto& path : scan.readOnly)
        err.Line(std::string(kProgram) + path + ": read-only, left alone");
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
    AppendReadOnly(buffer, scan.readOnly);
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

void EndDedupeJson(Writer& out, const replays::ScanResult& scan, const replays::RemovalResult& removal, bool dryRun)
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
    buffer += std::string("],\n\"dry_run\":") + (dryRun ? "true" : "false") + ",\n";
    AppendErrors(buffer, scan.errors);
    AppendReadOnly(buffer, scan.readOnly);
    buffer += std::string(",\"cancelled\":") + (scan.cancelled || removal.cancelled ? "true" : "false");
    out.Line("}");
}

} // namespace

int Run(const Arguments& args, const Streams& streams, std::atomic<bool>& cancel)
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

    if (args.action == Action::List) {
        WriteList(out, catalogue, scan, args.json);
        ReportErrors(err, scan);
    } else {
        ReportErrors(err, scan);
        err.Flush();
        replays::RemovalResult removal;
        if (args.json)
            BeginDedupeJson(out, catalogue, scan);
        // Output that cannot be taken before the first deletion stops the removal before it.
        if (!cancelled && out.Flush()) {
            DeletionReport report(out, args.json, progress, cancel);
            removal = replays::RemoveDuplicates(catalogue, {args.dryRun, &progress, &cancel, &report});
            progress.Erase();
            for (const auto& path : report.Unreported())
                err.Line(std::string(kProgram) + "deleted, but the output would not take it: " + path);
        }
        cancelled = cancelled || removal.cancelled;
        incomplete = incomplete || !removal.notDeleted.empty();
        if (args.json) {
            EndDedupeJson(out, scan, removal, args.dryRun);
        } else {
            const auto count = std::to_string(removal.deleted.size());
            out.Line(args.dryRun ? count + " duplicates would be deleted" : count + " duplicates deleted");
            for (const auto& kept : removal.notDeleted)
                err.Line(std::string(kProgram) + "not deleted: " + kept.path + ": " + KeptReason(kept));
        }
    }

    if (!out.Flush()) {
        err.Line(std::string(kProgram) + "cannot write the output: " + out.Error());
        err.Flush();
        return kExitIncomplete; // stopped by the output, not by the user
    }
    err.Flush();
    if (cancelled)
        return kExitInterrupted;
    return incomplete ? kExitIncomplete : kExitDone;
}

} // namespace cli
