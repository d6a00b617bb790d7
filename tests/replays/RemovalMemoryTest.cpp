// Memory running out at any moment of a removal: it ends cleanly, every deletion made by then
// was told before the next began, and no file is left aside. A program of its own, for it
// replaces the allocator to make the n-th allocation, and every one after it, fail.
#include "replays/FolderWalk.h"
#include "replays/Removal.h"
#include "support/ScratchTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <new>

namespace {

std::atomic<long> allocationsLeft{-1}; // below 0: no limit
std::atomic<long> allocationsMade{0};

void* Allocate(std::size_t size, std::size_t alignment = 0)
{
    allocationsMade.fetch_add(1, std::memory_order_relaxed);
    if (allocationsLeft.load(std::memory_order_relaxed) >= 0 && allocationsLeft.fetch_sub(1) <= 0) {
        allocationsLeft.store(0); // out of memory it stays
        throw std::bad_alloc();
    }
    void* memory = alignment == 0 ? std::malloc(size == 0 ? 1 : size)
                                  : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    if (memory == nullptr)
        throw std::bad_alloc();
    return memory;
}

// What asks for memory without exceptions (a sort's scratch buffer) runs out alike, and its
// memory comes from, and goes back to, the same place as the rest.
void* AllocateOrNull(std::size_t size, std::size_t alignment = 0) noexcept
{
    try {
        return Allocate(size, alignment);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return Allocate(size, static_cast<std::size_t>(alignment)); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return Allocate(size, static_cast<std::size_t>(alignment)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateOrNull(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return AllocateOrNull(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept { std::free(memory); }

// Every object a thread keeps of its own with a destructor is registered for the thread's end
// here, and the C library ends the process when it has no memory for that: the engine's threads
// keep none. Counted on the way to the C library's own registration.
std::atomic<long> threadExitDestructors{0};

extern "C" int __cxa_thread_atexit_impl(void (*destructor)(void*), void* object, void* dso)
{
    using Register = int (*)(void (*)(void*), void*, void*);
    static const auto next = reinterpret_cast<Register>(::dlsym(RTLD_NEXT, "__cxa_thread_atexit_impl"));
    threadExitDestructors.fetch_add(1);
    return next(destructor, object, dso);
}

namespace {

// Notes which of the paths it knows was told of, taking no memory to do it.
class Told : public replays::RemovalReport {
public:
    explicit Told(std::vector<std::string> paths) : FPaths(std::move(paths)), FTold(FPaths.size(), 0) {}

    void Deleted(const std::string& path) override
    {
        for (std::size_t i = 0; i < FPaths.size(); ++i)
            FTold[i] |= FPaths[i] == path ? 1 : 0;
    }

    bool WasTold(std::size_t i) const { return FTold[i] != 0; }
    const std::vector<std::string>& Paths() const { return FPaths; }

private:
    std::vector<std::string> FPaths;
    std::vector<char> FTold;
};

constexpr unsigned kPairs = 12;

// Whatever the removal did before memory ran out: told of every deletion, nothing aside.
void Check(const testsupport::ScratchTree& tree, const Told& told, long failingAt)
{
    for (std::size_t i = 0; i < told.Paths().size(); ++i) {
        const bool gone = !std::filesystem::exists(std::filesystem::symlink_status(told.Paths()[i]));
        EXPECT_EQ(gone, told.WasTold(i)) << told.Paths()[i] << (gone ? " deleted untold" : " told but there")
                                         << ", allocation " << failingAt << " failing";
    }
    for (const auto& entry : std::filesystem::directory_iterator(tree.Path("r")))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".dupsweep-"))
            << entry.path() << " left aside, allocation " << failingAt << " failing";
    EXPECT_EQ(testsupport::FileContentsBelow(tree.Path("r")).size() >= kPairs, true);
}

// One removal of fresh pairs, its failingAt-th allocation failing (below 0: none); returns how
// many allocations it made.
long RemoveRunningOut(long failingAt, unsigned verifiers)
{
    testsupport::ScratchTree tree;
    std::vector<std::string> first;
    for (unsigned i = 0; i < kPairs; ++i) {
        const auto bytes = testsupport::MakeReplay(14000, "f" + std::to_string(i), "s", {}, i);
        first.push_back(tree.WriteFile("r/" + std::to_string(i) + "a.rep", bytes));
        tree.WriteFile("r/" + std::to_string(i) + "b.rep", bytes);
    }
    replays::Catalogue catalogue;
    replays::FindReplays(catalogue, tree.Path("r"));
    Told told(first);
    replays::RemovalOptions options;
    options.report = &told;
    options.verifiers = verifiers;
    replays::RemovalResult result;
    bool escaped = false;
    allocationsMade = 0;
    allocationsLeft = failingAt;
    try {
        result = replays::RemoveDuplicates(catalogue, options);
    } catch (const std::bad_alloc&) {
        escaped = true;
    }
    allocationsLeft = -1;
    const long made = allocationsMade;
    EXPECT_FALSE(escaped) << "running out of memory escaped the removal, allocation " << failingAt << " failing";
    EXPECT_EQ(result.outOfMemory, failingAt >= 0 && failingAt < made) << "allocation " << failingAt;
    Check(tree, told, failingAt);
    return made;
}

TEST(RemovalMemory, RunningOutAtAnyAllocationEndsCleanlyWithEveryDeletionTold)
{
    const long all = RemoveRunningOut(-1, 1);
    ASSERT_GT(all, 0);
    for (long failingAt = 0; failingAt < all && !testing::Test::HasFailure(); ++failingAt)
        RemoveRunningOut(failingAt, 1);
}

TEST(RemovalMemory, NoThreadOfAScanOrARemovalKeepsAnythingThatNeedsMemoryAtItsEnd)
{
    testsupport::ScratchTree tree;
    for (unsigned i = 0; i < kPairs; ++i) {
        tree.WriteFile("r/" + std::to_string(i) + "a.rep", testsupport::NumberedReplay(i));
        tree.WriteFile("r/" + std::to_string(i) + "b.rep", testsupport::NumberedReplay(i));
    }
    tree.WriteFile("r/" + testsupport::LeftoverFolderName() + "/c.rep", testsupport::NumberedReplay(kPairs));
    const long before = threadExitDestructors.load();
    replays::Catalogue catalogue;
    replays::ScanOptions scan;
    scan.readers = 4;
    replays::FindReplays(catalogue, tree.Path("r"), scan);
    replays::RemovalOptions options;
    options.verifiers = 4;
    const auto result = replays::RemoveDuplicates(catalogue, options);
    EXPECT_EQ(result.deleted.size(), kPairs);
    EXPECT_EQ(threadExitDestructors.load(), before);
}

TEST(RemovalMemory, RunningOutOnReadingThreadsEndsCleanlyToo)
{
    const long all = RemoveRunningOut(-1, 4);
    for (long failingAt = 0; failingAt < all && !testing::Test::HasFailure(); failingAt += 3)
        RemoveRunningOut(failingAt, 4);
}

} // namespace
