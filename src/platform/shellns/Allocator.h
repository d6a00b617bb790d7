#pragma once
// The shell's task allocator: every identifier list and returned wide string is one of its blocks.
// It counts live blocks so that callers (and tests) can see that nothing leaks.
#include <atomic>
#include <cstddef>

#include "platform/shellns/Result.h"

namespace shellns {

class TaskAllocator {
public:
    // A zero-filled block, or nullptr when memory is exhausted. A zero size still gives a block.
    void* Alloc(std::size_t size);
    void Free(void* block); // nullptr is ignored
    long LiveBlocks() const { return FLive.load(std::memory_order_relaxed); }

private:
    std::atomic<long> FLive{0};
};

// The process's one allocator; it lives as long as the process.
HResult GetTaskAllocator(TaskAllocator** out);
TaskAllocator& Allocator();

} // namespace shellns
