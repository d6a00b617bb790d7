#include "platform/shellns/IdList.h"

#include <cstring>

#include "platform/shellns/Allocator.h"

namespace shellns {

std::vector<std::string_view> SplitIdList(PCItemIdList list)
{
    std::vector<std::string_view> items;
    if (!list)
        return items;
    const std::uint8_t* p = IdBytes(list);
    for (std::uint16_t count = ReadIdCount(p); count >= kIdCountSize; count = ReadIdCount(p)) {
        items.emplace_back(reinterpret_cast<const char*>(p + kIdCountSize), count - kIdCountSize);
        p += count;
    }
    return items;
}

std::size_t IdListByteSize(PCItemIdList list)
{
    if (!list)
        return 0;
    std::size_t size = kIdCountSize;
    for (const std::string_view item : SplitIdList(list))
        size += item.size() + kIdCountSize;
    return size;
}

IdListBuilder::IdListBuilder(PCItemIdList prefix)
{
    AppendAll(prefix);
}

bool IdListBuilder::Append(std::string_view itemData)
{
    const std::size_t count = itemData.size() + kIdCountSize;
    if (count > kMaxIdItemSize)
        return false;
    std::uint8_t header[kIdCountSize];
    WriteIdCount(header, static_cast<std::uint16_t>(count));
    FBytes.append(reinterpret_cast<const char*>(header), kIdCountSize);
    FBytes.append(itemData);
    ++FItems;
    return true;
}

void IdListBuilder::AppendAll(PCItemIdList list)
{
    for (const std::string_view item : SplitIdList(list))
        Append(item);
}

PItemIdList IdListBuilder::Finish() const
{
    auto* block = static_cast<std::uint8_t*>(Allocator().Alloc(FBytes.size() + kIdCountSize));
    if (!block)
        return nullptr;
    std::memcpy(block, FBytes.data(), FBytes.size()); // the allocator zero-filled the terminator
    return reinterpret_cast<PItemIdList>(block);
}

} // namespace shellns
