#include <cstring>

#include "platform/shellns/Allocator.h"
#include "platform/shellns/IdList.h"
#include "shell/ShellCtrls.h"
#include "shell/ShellErrors.h"

namespace ShellCtrls {
namespace {

using shellns::IdBytes;
using shellns::kIdCountSize;
using shellns::ReadIdCount;

shellns::TaskAllocator& Malloc()
{
    shellns::TaskAllocator* allocator = nullptr;
    if (const shellns::HResult hr = shellns::GetTaskAllocator(&allocator); shellns::Failed(hr))
        RaiseSystemError(hr);
    return *allocator;
}

} // namespace

PItemIdList AllocIdList(std::size_t size)
{
    return static_cast<PItemIdList>(Malloc().Alloc(size));
}

void FreeIdList(PItemIdList list)
{
    Malloc().Free(list);
}

PCItemIdList NextIdItem(PCItemIdList list)
{
    if (!list)
        return nullptr;
    return reinterpret_cast<PCItemIdList>(IdBytes(list) + ReadIdCount(IdBytes(list)));
}

int IdItemCount(PCItemIdList list)
{
    return static_cast<int>(shellns::SplitIdList(list).size());
}

std::size_t IdListSize(PCItemIdList list)
{
    return shellns::IdListByteSize(list);
}

PItemIdList CopyIdList(PCItemIdList list)
{
    if (!list)
        return nullptr;
    const std::size_t size = IdListSize(list);
    PItemIdList copy = AllocIdList(size);
    if (copy && size > 0)
        std::memcpy(IdBytes(copy), IdBytes(list), size);
    return copy;
}

PItemIdList JoinIdLists(PCItemIdList first, PCItemIdList second)
{
    const std::size_t firstSize = first ? IdListSize(first) - kIdCountSize : 0;
    const std::size_t secondSize = second ? IdListSize(second) : kIdCountSize;
    PItemIdList joined = AllocIdList(firstSize + secondSize);
    if (!joined)
        return nullptr;
    if (firstSize > 0)
        std::memcpy(IdBytes(joined), IdBytes(first), firstSize);
    if (second) // an absent second list is the empty one: its terminator is already zero
        std::memcpy(IdBytes(joined) + firstSize, IdBytes(second), secondSize);
    return joined;
}

void StripLastIdItem(PItemIdList list)
{
    if (!list)
        return;
    std::uint8_t* last = nullptr;
    for (std::uint8_t* p = IdBytes(list); ReadIdCount(p) >= kIdCountSize; p += ReadIdCount(p))
        last = p;
    if (last)
        shellns::WriteIdCount(last, 0);
}

PItemIdList LastIdItem(PCItemIdList list)
{
    if (!list)
        return nullptr;
    const std::uint8_t* last = IdBytes(list);
    for (const std::uint8_t* p = last; ReadIdCount(p) >= kIdCountSize; p += ReadIdCount(p))
        last = p;
    return CopyIdList(reinterpret_cast<PCItemIdList>(last));
}

TIdListList* AncestorIdLists(PCItemIdList list)
{
    auto* lists = new TIdListList;
    TIdListPtr prefix(CopyIdList(list));
    for (int count = IdItemCount(list); count > 0; --count) {
        StripLastIdItem(prefix.get());
        lists->insert(lists->begin(), CopyIdList(prefix.get()));
    }
    return lists;
}

void FreeIdListList(TIdListList* lists)
{
    if (!lists)
        return;
    for (PItemIdList list : *lists)
        FreeIdList(list);
    delete lists;
}

} // namespace ShellCtrls
