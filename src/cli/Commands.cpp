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

// Buffered output that remembers whether every write reached its stream.
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
            failed_ = true;
        buffer_.clear();
        if (std::fflush(stream_) != 0)
            failed_ = true;
        return !failed_;
    }

private:
    std::FILE* stream_;
    std::string buffer_;
    bool failed_ = false;
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

    bool Enabled() const { return enabled_; }

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

// The removal's report as lines: each deleted path as it goes. The count and the files kept
// come from the structured result afterwards, in the form the output asks for.
class LineReport : public replays::RemovalReport {
public:
    LineReport(Writer* out, TerminalProgress& progress) : out_(out), progress_(progress) {}

    void Clear() override { lines_ = 0; }
    void Append(const std::string& line) override
    {
        ++lines_;
        if (out_ == nullptr)
            return; // JSON: the paths go out with the result
        progress_.Erase();
        out_->Line(line);
        if (progress_.Enabled())
            out_->Flush();
    }
    std::size_t LineCount() override { return lines_; }
    void Show() override {}
    void SetCaption(const std::string&) override {}
    void ShowMessage(const std::string&) override {}

private:
    Writer* out_;
    TerminalProgress& progress_;
    std::size_t lines_ = 0;
};

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

void ReportErrors(Writer& err, const std::vector<replays::ReplayError>& errors)
{
    for (const auto& e : errors)
        err.Line(std::string(kProgram) + e.path + ": " + e.message);
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
    buffer += std::string(",\"cancelled\":") + (scan.cancelled ? "true" : "false");
    out.Line("}");
}

void WriteDedupeJson(Writer& out, const replays::Catalogue& catalogue, const replays::ScanResult& scan,
                     const replays::RemovalResult& removal, bool dryRun)
{
    auto& buffer = out.Buffer();
    buffer += '{';
    AppendField(buffer, "folder", scan.folder);
    buffer += ",\"rows\":" + std::to_string(catalogue.RowCount()) + ",\"deleted\":[";
    for (std::size_t i = 0; i < removal.deleted.size(); ++i) {
        buffer += i == 0 ? "\n" : ",\n";
        AppendJsonString(buffer, removal.deleted[i]);
    }
    buffer += "],\n\"not_deleted\":[";
    for (std::size_t i = 0; i < removal.notDeleted.size(); ++i) {
        buffer += i == 0 ? "\n{" : ",\n{";
        AppendField(buffer, "path", removal.notDeleted[i].path);
        buffer += ',';
        AppendField(buffer, "reason", removal.notDeleted[i].reason);
        buffer += '}';
    }
    buffer += std::string("],\n\"dry_run\":") + (dryRun ? "true" : "false") + ",\n";
    AppendErrors(buffer, scan.errors);
    buffer += std::string(",\"cancelled\":") + (scan.cancelled || removal.cancelled ? "true" : "false");
    out.Line("}");
}

} // namespace

int Run(const Arguments& args, const Streams& streams, const std::atomic<bool>* cancel)
{
    Writer out(streams.out);
    Writer err(streams.err);
    TerminalProgress progress(streams.err, streams.showProgress);

    replays::Catalogue catalogue;
    const auto scan = replays::FindReplays(catalogue, args.folder, {&progress, cancel});
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
        ReportErrors(err, scan.errors);
    } else {
        ReportErrors(err, scan.errors);
        err.Flush();
        replays::RemovalResult removal;
        if (!cancelled) {
            LineReport report(args.json ? nullptr : &out, progress);
            removal = replays::RemoveDuplicates(catalogue, report, {args.dryRun, &progress, cancel});
            progress.Erase();
        }
        cancelled = cancelled || removal.cancelled;
        incomplete = incomplete || !removal.notDeleted.empty();
        if (args.json) {
            WriteDedupeJson(out, catalogue, scan, removal, args.dryRun);
        } else {
            const auto count = std::to_string(removal.deleted.size());
            out.Line(args.dryRun ? count + " duplicates would be deleted" : count + " duplicates deleted");
            for (const auto& kept : removal.notDeleted)
                err.Line(std::string(kProgram) + "not deleted: " + kept.path + ": " + kept.reason);
        }
    }

    if (!out.Flush()) {
        err.Line(std::string(kProgram) + "cannot write the output: " + std::strerror(errno));
        incomplete = true;
    }
    err.Flush();
    if (cancelled)
        return kExitInterrupted;
    return incomplete ? kExitIncomplete : kExitDone;
}

} // namespace cli
