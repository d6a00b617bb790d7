#include "replays/Removal.h"

#include "platform/fs/File.h"
#include "platform/fs/FileErrors.h"
#include "replays/ExchangeOrder.h"

#include <cstring>

namespace replays {

namespace {

constexpr std::string_view kCountMessage = "Дубликатов: ";
constexpr std::string_view kCaptionSuffix = " реплея удаленно";
constexpr std::size_t kCompareChunk = std::size_t{256} << 10;

// Decides and carries out one deletion.
class Remover {
public:
    explicit Remover(bool dryRun) : dryRun_(dryRun), mine_(kCompareChunk), theirs_(kCompareChunk) {}

    // True when path was deleted (in a dry run: would be); otherwise reason says why not.
    bool Remove(const std::string& path, const std::string& keep, RemovalCounts& counts, std::string& reason)
    {
        int code = files::kNoError;
        const auto file = files::File::Open(path, code);
        if (!file) {
            reason = files::ErrorText(code);
            return false;
        }
        const auto kept = files::File::Open(keep, code, files::Access::Read); // it stays, read-only or not
        if (!kept) {
            reason = "Cannot compare with " + keep + ": " + files::ErrorText(code);
            return false;
        }
        if (file.Id() == kept.Id()) {
            reason = "Same file as " + keep;
            return false;
        }
        ++counts.compared;
        bool equal = false;
        code = Compare(file, kept, equal);
        if (code != files::kNoError) {
            reason = "Cannot compare with " + keep + ": " + files::ErrorText(code);
            return false;
        }
        if (!equal) {
            reason = "Contents differ from " + keep;
            return false;
        }
        if (dryRun_)
            return true;
        // The name must still lead to the file just compared.
        files::FileId now;
        bool readOnly = false;
        code = files::Identify(path, now, readOnly);
        if (code == files::kNoError && now != file.Id()) {
            reason = "Replaced by another file before it could be deleted";
            return false;
        }
        if (code == files::kNoError && readOnly)
            code = files::kAccessDenied;
        if (code == files::kNoError)
            code = files::DeleteFile(path);
        if (code != files::kNoError) {
            reason = files::ErrorText(code);
            return false;
        }
        return true;
    }

private:
    int Compare(const files::File& a, const files::File& b, bool& equal)
    {
        equal = false;
        if (a.Length() != b.Length())
            return files::kNoError;
        for (std::uint64_t offset = 0; offset < a.Length();) {
            std::size_t gotA = 0, gotB = 0;
            if (const int code = a.ReadAt(offset, mine_.data(), mine_.size(), gotA); code != files::kNoError)
                return code;
            if (const int code = b.ReadAt(offset, theirs_.data(), theirs_.size(), gotB); code != files::kNoError)
                return code;
            if (gotA != gotB || std::memcmp(mine_.data(), theirs_.data(), gotA) != 0)
                return files::kNoError;
            if (gotA == 0)
                break; // shrank since it was opened; equal so far and equally short
            offset += gotA;
        }
        equal = true;
        return files::kNoError;
    }

    bool dryRun_;
    std::vector<char> mine_;
    std::vector<char> theirs_;
};

} // namespace

std::vector<RemovalCandidate> PlanRemoval(const Catalogue& catalogue)
{
    std::vector<RemovalCandidate> plan;
    std::vector<std::string_view> keys;
    const std::size_t rows = catalogue.RowCount();
    for (std::size_t start = 0, end = 0; start < rows; start = end) {
        const auto size = catalogue.Row(start).Size;
        for (end = start + 1; end < rows && catalogue.Row(end).Size == size; ++end) {
        }
        if (end - start < 2)
            continue;
        keys.clear();
        for (std::size_t i = start; i < end; ++i)
            keys.push_back(catalogue.Row(i).FirstFingerprint);
        const auto order = ExchangeSortOrder(keys);
        for (std::size_t p = 0; p + 1 < order.size(); ++p) {
            const auto row = start + order[p];
            const auto next = start + order[p + 1];
            const auto a = catalogue.Row(row);
            const auto b = catalogue.Row(next);
            if (a.FirstFingerprint == b.FirstFingerprint && a.SecondFingerprint == b.SecondFingerprint)
                plan.push_back({row, next});
        }
    }
    return plan;
}

RemovalResult RemoveDuplicates(const Catalogue& catalogue, RemovalReport& report, const RemovalOptions& options)
{
    RemovalResult result;
    if (catalogue.RowCount() == 0)
        return result;
    report.Clear();
    const auto plan = PlanRemoval(catalogue);
    result.counts.candidates = plan.size();
    if (options.progress != nullptr)
        options.progress->RemovalAdvanced(result.counts);

    Remover remover(options.dryRun);
    for (const auto& candidate : plan) {
        if (options.cancel != nullptr && options.cancel->load(std::memory_order_relaxed)) {
            result.cancelled = true;
            break;
        }
        std::string path(catalogue.Row(candidate.row).Path);
        const std::string keep(catalogue.Row(candidate.keep).Path);
        std::string reason;
        if (remover.Remove(path, keep, result.counts, reason)) {
            ++result.counts.deleted;
            report.Append(path);
            if (report.LineCount() == 1)
                report.Show();
            result.deleted.push_back(std::move(path));
        } else {
            result.notDeleted.push_back({std::move(path), std::move(reason)});
        }
        ++result.counts.done;
        if (options.progress != nullptr)
            options.progress->RemovalAdvanced(result.counts);
    }

    report.ShowMessage(std::string(kCountMessage) + std::to_string(result.deleted.size()));
    report.SetCaption(std::to_string(report.LineCount()) + std::string(kCaptionSuffix));
    return result;
}

} // namespace replays
