#pragma once
// Change notification on a directory (inotify), and the waitable objects a watcher blocks on: a
// mutex, an auto-reset event, and a wait for the first of several objects that sleeps in the kernel.
#include <cstddef>
#include <cstdint>
#include <string>

namespace shellns {

class WaitableObject; // change handle, mutex or event
using Handle = WaitableObject*;
inline const Handle kInvalidHandle = nullptr;

// Change filter bits.
constexpr std::uint32_t kNotifyFileName = 0x1;
constexpr std::uint32_t kNotifyDirName = 0x2;
constexpr std::uint32_t kNotifyAttributes = 0x4;
constexpr std::uint32_t kNotifySize = 0x8;
constexpr std::uint32_t kNotifyLastWrite = 0x10;
constexpr std::uint32_t kNotifySecurity = 0x100;

// The most folders a subtree watch takes, the directory itself included; folders made later past
// it go unwatched. Far below a whole machine, and half of the common per-user budget of 8192, so
// the user's other programs keep theirs.
constexpr std::size_t kMaxSubtreeFolders = 4096;

// A handle that becomes signalled at the first change of a kind in filter inside directory (and,
// with subtree, in every folder below it), and stays signalled until FindNextChangeNotification.
// kInvalidHandle when the directory cannot be watched, and for a subtree of more folders than
// maxFolders (a whole machine from "/"): each folder costs a watch from the user's budget. Tests
// pass a lower limit: thousands of scratch folders are slow to remove.
Handle FindFirstChangeNotification(const std::string& directory, bool subtree, std::uint32_t filter,
                                   std::size_t maxFolders = kMaxSubtreeFolders);
// Re-arms the handle; changes not yet reported signal it again at the next wait.
bool FindNextChangeNotification(Handle handle);
bool FindCloseChangeNotification(Handle handle);

// A mutex owned by one thread at a time, recursively; waiting on it acquires it.
Handle CreateMutex(bool initiallyOwned);
bool ReleaseMutex(Handle mutex); // false unless the calling thread owns it
// An event that wakes one wait and then resets itself.
Handle CreateEvent();
bool SetEvent(Handle event);
// Closes a mutex or an event. No thread may be waiting on it.
bool CloseHandle(Handle handle);

constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
constexpr std::uint32_t kWaitObject0 = 0;
constexpr std::uint32_t kWaitTimeout = 0x102;
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

// Waits until one of the objects is signalled (and, for a mutex or an event, takes it); returns
// kWaitObject0 + its index, the lowest index when several are. timeout is in milliseconds.
std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* handles, std::uint32_t timeout);

} // namespace shellns
