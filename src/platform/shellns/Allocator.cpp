#include "platform/shellns/Allocator.h"

#include <cstdlib>

namespace shellns {

void* TaskAllocator::Alloc(std::size_t size)
{
    void* block = std::calloc(size == 0 ? 1 : size, 1);
    if (block)
        FLive.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void TaskAllocator::Free(void* block)
{
    if (!block)
        return;
    std::free(block);
    FLive.fetch_sub(1, std::memory_order_relaxed);
}

TaskAllocator& Allocator()
{
    static TaskAllocator allocator;
    return allocator;
}

HResult GetTaskAllocator(TaskAllocator** out)
{
    if (!out)
        return E_INVALIDARG;
    *out = &Allocator();
    return S_OK;
}

} // namespace shellns
