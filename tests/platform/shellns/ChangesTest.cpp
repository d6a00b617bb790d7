#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <thread>

#include "ScratchHome.h"
#include "platform/shellns/Changes.h"

using namespace shellns;

namespace {

constexpr std::uint32_t kArrivalMs = 10000;
// The kernel queues a change before the call that made it returns, so a wait that gives up at
// once tells whether a change has been seen: nothing is left to arrive late.
constexpr std::uint32_t kNow = 0;

std::uint32_t WaitOne(Handle handle, std::uint32_t timeout)
{
    return WaitForMultipleObjects(1, &handle, timeout);
}

struct Watch {
    Handle handle;
    Watch(const std::string& dir, bool subtree, std::uint32_t filter, std::size_t maxFolders = kMaxSubtreeFolders)
        : handle(FindFirstChangeNotification(dir, subtree, filter, maxFolders))
    {
    }
    ~Watch()
    {
        if (handle)
            FindCloseChangeNotification(handle);
    }
};

constexpr std::uint32_t kNameFilters = kNotifyFileName | kNotifyDirName;

} // namespace

TEST(ChangeNotification, ACreatedFileSignalsUntilRearmed)
{
    ScratchHome scratch;
    Watch watch(scratch.desktop, false, kNameFilters);
    ASSERT_NE(kInvalidHandle, watch.handle);
    EXPECT_EQ(kWaitTimeout, WaitOne(watch.handle, kNow));
    scratch.MakeFile("Desktop/new.rep");
    EXPECT_EQ(kWaitObject0, WaitOne(watch.handle, kArrivalMs));
    EXPECT_EQ(kWaitObject0, WaitOne(watch.handle, kNow)); // still signalled
    ASSERT_TRUE(FindNextChangeNotification(watch.handle));
    EXPECT_EQ(kWaitTimeout, WaitOne(watch.handle, kNow));
}

TEST(ChangeNotification, AChangeOneThreadSeesEndsAnotherThreadsWait)
{
    ScratchHome scratch;
    Watch watch(scratch.desktop, false, kNameFilters);
    auto waiter = std::async(std::launch::async, [&] { return WaitOne(watch.handle, kInfinite); });
    scratch.MakeFile("Desktop/new.rep");
    // This look reads the change; the handle stays signalled for the other thread all the same.
    EXPECT_EQ(kWaitObject0, WaitOne(watch.handle, kArrivalMs));
    const bool ended = waiter.wait_for(std::chrono::milliseconds(kArrivalMs)) == std::future_status::ready;
    if (!ended)
        scratch.MakeFile("Desktop/release.rep"); // a fresh change lets the stuck wait end
    EXPECT_TRUE(ended);
    EXPECT_EQ(kWaitObject0, waiter.get());
}

TEST(ChangeNotification, SubtreeModeDecidesWhetherSubFoldersCount)
{
    ScratchHome scratch;
    scratch.MakeDir("Desktop/sub");
    Watch flat(scratch.desktop, false, kNameFilters);
    Watch deep(scratch.desktop, true, kNameFilters);
    scratch.MakeFile("Desktop/sub/inner.rep");
    EXPECT_EQ(kWaitObject0, WaitOne(deep.handle, kArrivalMs));
    EXPECT_EQ(kWaitTimeout, WaitOne(flat.handle, kNow));
    // A folder made after the watch started is watched too.
    ASSERT_TRUE(FindNextChangeNotification(deep.handle));
    scratch.MakeDir("Desktop/later");
    EXPECT_EQ(kWaitObject0, WaitOne(deep.handle, kArrivalMs));
    ASSERT_TRUE(FindNextChangeNotification(deep.handle));
    scratch.MakeFile("Desktop/later/x");
    EXPECT_EQ(kWaitObject0, WaitOne(deep.handle, kArrivalMs));
}

TEST(ChangeNotification, FiltersChooseTheKindsOfChange)
{
    ScratchHome scratch;
    const std::string file = scratch.MakeFile("Desktop/data.rep", "one");
    Watch names(scratch.desktop, false, kNameFilters);
    Watch writes(scratch.desktop, false, kNotifyLastWrite);
    Watch dirsOnly(scratch.desktop, false, kNotifyDirName);
    std::ofstream(file, std::ios::app) << "more";
    EXPECT_EQ(kWaitObject0, WaitOne(writes.handle, kArrivalMs));
    EXPECT_EQ(kWaitTimeout, WaitOne(names.handle, kNow));
    scratch.MakeFile("Desktop/another.rep");
    EXPECT_EQ(kWaitTimeout, WaitOne(dirsOnly.handle, kNow));
    scratch.MakeDir("Desktop/folder");
    EXPECT_EQ(kWaitObject0, WaitOne(dirsOnly.handle, kArrivalMs));
}

TEST(ChangeNotification, WhatCannotBeWatchedGivesNoHandle)
{
    ScratchHome scratch;
    const std::string file = scratch.MakeFile("plain");
    EXPECT_EQ(kInvalidHandle, FindFirstChangeNotification(scratch.home + "/missing", false, kNameFilters));
    EXPECT_EQ(kInvalidHandle, FindFirstChangeNotification(file, false, kNameFilters));
}

TEST(WaitObjects, AReleasedMutexWakesAnotherThreadsWait)
{
    Handle mutex = CreateMutex(true);
    ScratchHome scratch;
    Watch watch(scratch.desktop, false, kNameFilters);
    const Handle both[] = {watch.handle, mutex};
    // Owned here, the mutex keeps every other thread's wait from ending.
    EXPECT_EQ(kWaitTimeout, std::async(std::launch::async, [&] { return WaitOne(mutex, kNow); }).get());
    auto waiter = std::async(std::launch::async, [&] {
        const std::uint32_t result = WaitForMultipleObjects(2, both, kInfinite);
        const bool released = ReleaseMutex(mutex); // the waiter owns it now
        return std::make_pair(result, released);
    });
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex)); // no longer the owner
    const auto [result, released] = waiter.get();
    EXPECT_EQ(kWaitObject0 + 1, result);
    EXPECT_TRUE(released);
    EXPECT_EQ(kWaitObject0, WaitOne(mutex, kNow)); // free again: this thread takes it
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(CloseHandle(mutex));
}

TEST(WaitObjects, AnEventWakesOneWaitThenResets)
{
    Handle event = CreateEvent();
    EXPECT_EQ(kWaitTimeout, WaitOne(event, kNow));
    auto waiter = std::async(std::launch::async, [&] { return WaitOne(event, kInfinite); });
    ASSERT_TRUE(SetEvent(event));
    EXPECT_EQ(kWaitObject0, waiter.get());
    EXPECT_EQ(kWaitTimeout, WaitOne(event, kNow));
    EXPECT_EQ(kWaitFailed, WaitForMultipleObjects(0, nullptr, 0));
    EXPECT_TRUE(CloseHandle(event));
}

// A subtree watch costs a watch per folder from the user's shared budget: it takes the folders
// of a subtree up to its limit, and refuses a larger subtree, the whole machine above all, rather
// than take a watch on every folder.
TEST(ChangeNotification, ASubtreeOfMoreFoldersThanTheLimitIsRefused)
{
    EXPECT_EQ(kInvalidHandle, Watch("/", true, kNameFilters).handle);

    constexpr std::size_t kLimit = 8;
    ScratchHome scratch;
    for (std::size_t i = 1; i < kLimit; ++i) // with the top itself: just at the limit
        scratch.MakeDir("many/" + std::to_string(i));
    {
        Watch watch(scratch.home + "/many", true, kNameFilters, kLimit);
        EXPECT_NE(kInvalidHandle, watch.handle);
        scratch.MakeFile("many/7/new.rep");
        EXPECT_EQ(kWaitObject0, WaitOne(watch.handle, kArrivalMs));
    }
    scratch.MakeDir("many/7/one more");
    EXPECT_EQ(kInvalidHandle, Watch(scratch.home + "/many", true, kNameFilters, kLimit).handle);
    EXPECT_NE(kInvalidHandle, Watch(scratch.home + "/many", false, kNameFilters, kLimit).handle); // the folder alone costs one
}
