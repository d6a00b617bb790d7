#pragma once
// Item identifier lists in the platform's byte format: items of a little-endian 16-bit byte count
// (counting itself) and opaque data, ended by a 16-bit zero. The empty list names the desktop.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shellns {

struct ItemIdList; // never defined: a list is only ever handled as raw bytes
using PItemIdList = ItemIdList*;
using PCItemIdList = const ItemIdList*;

constexpr std::size_t kIdCountSize = 2;
constexpr std::size_t kMaxIdItemSize = 0xFFFF;

inline const std::uint8_t* IdBytes(PCItemIdList list) { return reinterpret_cast<const std::uint8_t*>(list); }
inline std::uint8_t* IdBytes(PItemIdList list) { return reinterpret_cast<std::uint8_t*>(list); }

// The 16-bit count at p; lists may sit at odd addresses, so it is read byte by byte.
inline std::uint16_t ReadIdCount(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline void WriteIdCount(std::uint8_t* p, std::uint16_t count)
{
    p[0] = static_cast<std::uint8_t>(count & 0xFF);
    p[1] = static_cast<std::uint8_t>(count >> 8);
}

// The items of a list as views on their data (count field excluded). Stops at the terminator and at a
// count too small to hold itself, which would otherwise never advance.
std::vector<std::string_view> SplitIdList(PCItemIdList list);

// Size in bytes including the terminator; 0 for nullptr.
std::size_t IdListByteSize(PCItemIdList list);

// Builds a list item by item and hands it out as a block of the task allocator.
class IdListBuilder {
public:
    IdListBuilder() = default;
    explicit IdListBuilder(PCItemIdList prefix); // starts with the items of an existing list
    bool Append(std::string_view itemData);      // false when the item would exceed the 16-bit count
    void AppendAll(PCItemIdList list);
    PItemIdList Finish() const;                   // nullptr when the allocator gives nothing
    std::size_t ItemCount() const { return FItems; }

private:
    std::string FBytes;
    std::size_t FItems = 0;
};

} // namespace shellns
