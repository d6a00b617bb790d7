#include "replays/ReplayReading.h"

#include "platform/fs/FileErrors.h"
#include "replays/Fingerprint.h"

#include <algorithm>

namespace replays {

namespace {

// Records 40 to 50 come in with one read rather than two.
constexpr std::uint64_t kSpanRecords = kFirstFingerprintRecord - kSecondFingerprintRecord + 1;
constexpr std::size_t kFirstInSpan = (kFirstFingerprintRecord - kSecondFingerprintRecord) * kRecordSize;

// Reads whole records from record on; a short read is the file error of a short read.
int ReadRecords(const files::File& file, std::uint64_t record, unsigned char* buffer, std::size_t bytes)
{
    std::size_t got = 0;
    const int code = file.ReadAt(RecordOffset(record), buffer, bytes, got);
    if (code != files::kNoError)
        return code;
    return got < bytes ? files::kReadBeyondEnd : files::kNoError;
}

ReplayRead ReadOpened(const files::File& file, int openCode)
{
    ReplayRead read;
    read.code = openCode;
    if (!file) {
        // A replay that vanished or is left alone on purpose goes unmentioned; one the system
        // would not open (permissions, too many open files) must not drop out in silence.
        if (openCode != files::kFileNotFound && openCode != files::kRefused && openCode != files::kReadOnly)
            read.status = AddStatus::Failed;
        return read;
    }
    if (file.Length() < RecordOffset(kFirstFingerprintRecord + 1)) {
        read.status = AddStatus::TooShort;
        return read;
    }
    unsigned char span[kSpanRecords * kRecordSize];
    read.code = ReadRecords(file, kSecondFingerprintRecord, span, sizeof span);
    if (read.code != files::kNoError) {
        read.status = AddStatus::Failed;
        return read;
    }
    read.status = AddStatus::Added;
    read.size = SizeInRecords(file.Length());
    read.SetFirst(FingerprintOf(span + kFirstInSpan));
    read.SetSecond(FingerprintOf(span));
    if (read.First().empty()) {
        // The fallback pass will want record 55; one more read now spares it opening the file.
        unsigned char record[kRecordSize];
        const int code = ReadRecords(file, kFallbackFingerprintRecord, record, sizeof record);
        if (code == files::kNoError) {
            read.fallback = FallbackRecord::Read;
            read.SetFallback(FingerprintOf(record));
        } else if (code == files::kReadBeyondEnd) {
            read.fallback = FallbackRecord::Missing;
        }
    }
    return read;
}

} // namespace

void ReplayRead::SetFirst(std::string_view text)
{
    std::copy_n(text.data(), text.size(), FFirst);
    FFirstLength = static_cast<std::uint8_t>(text.size());
}

void ReplayRead::SetSecond(std::string_view text)
{
    std::copy_n(text.data(), text.size(), FSecond);
    FSecondLength = static_cast<std::uint8_t>(text.size());
}

void ReplayRead::SetFallback(std::string_view text)
{
    std::copy_n(text.data(), text.size(), FFallback);
    FFallbackLength = static_cast<std::uint8_t>(text.size());
}

ReplayRead ReadReplay(const std::string& path)
{
    int code = files::kNoError;
    const auto file = files::File::Open(path, code);
    return ReadOpened(file, code);
}

ReplayRead ReadReplay(const files::Folder& folder, std::string_view name)
{
    int code = files::kNoError;
    files::LinkTrail trail;
    const auto file = files::File::OpenIn(folder, name, code, files::Access::ReadWrite, &trail);
    auto read = ReadOpened(file, code);
    read.foreignLink = std::move(trail.foreignLink);
    return read;
}

ReplayRead ReadFallback(const std::string& path)
{
    ReplayRead read;
    const auto file = files::File::Open(path, read.code);
    if (!file)
        return read;
    unsigned char record[kRecordSize];
    read.code = ReadRecords(file, kFallbackFingerprintRecord, record, sizeof record);
    if (read.code != files::kNoError) {
        read.status = AddStatus::Failed;
        return read;
    }
    read.status = AddStatus::Added;
    read.SetFirst(FingerprintOf(record));
    return read;
}

} // namespace replays
