#pragma once
// What is read from a replay: its size in 256-byte records and the length-prefixed texts of
// three fixed records. Nothing else in a replay is interpreted.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace replays {

inline constexpr std::size_t kRecordSize = 256;
inline constexpr std::uint64_t kSecondFingerprintRecord = 40;
inline constexpr std::uint64_t kFirstFingerprintRecord = 50;
inline constexpr std::uint64_t kFallbackFingerprintRecord = 55; // replaces an empty first fingerprint

inline constexpr std::uint64_t RecordOffset(std::uint64_t record) { return record * kRecordSize; }
inline constexpr std::uint64_t SizeInRecords(std::uint64_t bytes) { return bytes / kRecordSize; }

// Byte 0 of the record gives a length L; the fingerprint is bytes 1..L, ended early before the
// first zero byte. The result views into record, which must hold kRecordSize bytes.
std::string_view FingerprintOf(const unsigned char* record);

} // namespace replays
