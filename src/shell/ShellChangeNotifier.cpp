#include "shell/ShellChangeNotifier.h"

#include "platform/shellns/Wide.h"

namespace ShellCtrls {
namespace {

constexpr std::uint32_t kKeptFilterBits = 0x1F; // file name .. last write keep their place
constexpr std::uint32_t kSecurityBit = 0x100;
constexpr const char* kDefaultRoot = "/"; // the system volume's root

// Guards every watcher's parameters; held only to copy or store them, never while waiting.
std::mutex& WatchLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

std::uint32_t NotifyFilterBits(TNotifyFilters filters)
{
    std::uint32_t bits = static_cast<std::uint32_t>(filters.toInt()) & kKeptFilterBits;
    if (filters.testFlag(nfSecurityChange))
        bits |= kSecurityBit;
    return bits;
}

TShellChangeThread::TShellChangeThread(TThreadMethod callback)
    : TThread(true, kThreadName), ChangeCallback(std::move(callback))
{
    WakeMutex = shellns::CreateMutex(true); // owned by the GUI thread until it wants the watcher to stop
    ParamsEvent = shellns::CreateEvent();
    FRunning = WakeMutex != shellns::kInvalidHandle && ParamsEvent != shellns::kInvalidHandle;
}

TShellChangeThread::~TShellChangeThread()
{
    if (WatchHandle != shellns::kInvalidHandle)
        shellns::FindCloseChangeNotification(WatchHandle);
    if (WakeMutex != shellns::kInvalidHandle)
        shellns::CloseHandle(WakeMutex);
    if (ParamsEvent != shellns::kInvalidHandle)
        shellns::CloseHandle(ParamsEvent);
}

void TShellChangeThread::SetWatchParams(const TRoot& directory, bool subtree, std::uint32_t flags)
{
    {
        std::lock_guard guard(WatchLock());
        WatchDir = directory;
        WatchTree = subtree;
        WatchFlags = flags;
        ParamsChanged = true;
    }
    shellns::SetEvent(ParamsEvent);
}

void TShellChangeThread::Stop()
{
    ChangeCallback = TThreadMethod();
    Terminate();
    shellns::ReleaseMutex(WakeMutex); // ends the watcher's wait
    bool last;
    {
        std::lock_guard guard(FOwnersLock);
        last = --FOwners == 0;
    }
    if (!last)
        return; // the body frees the object when it ends
    WaitFor(); // the body has ended already; this joins its thread
    delete this;
}

bool TShellChangeThread::OpenWatch()
{
    for (;;) {
        TRoot directory;
        bool subtree;
        std::uint32_t flags;
        {
            std::lock_guard guard(WatchLock());
            if (!ParamsChanged && WatchHandle != shellns::kInvalidHandle)
                return true;
            directory = WatchDir;
            subtree = WatchTree;
            flags = WatchFlags;
            ParamsChanged = false;
        }
        FWatching = false;
        {
            std::lock_guard handle(FHandleLock);
            if (WatchHandle != shellns::kInvalidHandle)
                shellns::FindCloseChangeNotification(WatchHandle);
            WatchHandle = shellns::FindFirstChangeNotification(directory, subtree, flags);
        }
        std::lock_guard guard(WatchLock());
        FWatching = WatchHandle != shellns::kInvalidHandle && !ParamsChanged;
        if (!ParamsChanged) // newer parameters arrived while the watch was opening: open again
            return WatchHandle != shellns::kInvalidHandle;
    }
}

bool TShellChangeThread::ChangePending()
{
    // A change handle stays signalled until it is re-armed, so looking does not take the change
    // from the watcher.
    std::lock_guard handle(FHandleLock);
    return WatchHandle != shellns::kInvalidHandle
        && shellns::WaitForMultipleObjects(1, &WatchHandle, 0) == shellns::kWaitObject0;
}

void TShellChangeThread::Execute()
{
    if (FRunning && OpenWatch()) {
        while (!Terminated()) {
            const shellns::Handle objects[] = {WatchHandle, WakeMutex, ParamsEvent};
            const std::uint32_t signalled = shellns::WaitForMultipleObjects(3, objects, shellns::kInfinite);
            if (signalled == shellns::kWaitObject0) {
                Synchronize([this] { ChangeCallback(); }); // read on the GUI thread: never a replaced one
                shellns::FindNextChangeNotification(WatchHandle);
            } else if (signalled == shellns::kWaitObject0 + 1) {
                shellns::ReleaseMutex(WakeMutex);
            } else if (signalled != shellns::kWaitObject0 + 2) {
                break; // the wait failed
            }
            if (!OpenWatch())
                break;
        }
    }
    // Decide who frees the object before the body is seen as ended.
    bool last;
    {
        std::lock_guard guard(FOwnersLock);
        last = --FOwners == 0;
        FRunning = false;
        FWatching = false;
    }
    if (last)
        SetFreeOnTerminate(true);
}

TCustomShellChangeNotifier::TCustomShellChangeNotifier(TComponent* owner)
    : TNonVisualComponent(owner), FNotifyFilters(nfFileNameChange | nfDirNameChange), FRoot(kDefaultRoot)
{
    StartWatcher();
}

TCustomShellChangeNotifier::~TCustomShellChangeNotifier()
{
    StopWatcher();
}

void TCustomShellChangeNotifier::SetNotifyFilters(TNotifyFilters value)
{
    if (value == FNotifyFilters)
        return;
    FNotifyFilters = value;
    ApplyWatchParams();
}

void TCustomShellChangeNotifier::SetRoot(const TRoot& value)
{
    // Compared exactly: on this file system names that differ in letter case are other folders.
    if (value == FRoot)
        return;
    FRoot = value;
    ApplyWatchParams();
}

void TCustomShellChangeNotifier::SetWatchSubTree(bool value)
{
    if (value == FWatchSubTree)
        return;
    FWatchSubTree = value;
    ApplyWatchParams();
}

void TCustomShellChangeNotifier::SetOnChange(TThreadMethod value)
{
    if (value == FOnChange)
        return;
    FOnChange = std::move(value);
    if (!FOnChange)
        StopWatcher(); // nothing to report to
    else if (WatchThread)
        WatchThread->SetChangeCallback(FOnChange);
    else
        StartWatcher();
}

QString TCustomShellChangeNotifier::RootText() const
{
    return shellns::PathToText(FRoot);
}

void TCustomShellChangeNotifier::SetRootText(const QString& value)
{
    SetRoot(shellns::TextToPath(value));
}

void TCustomShellChangeNotifier::ApplyWatchParams()
{
    if (!WatchThread)
        return;
    if (!WatchThread->Running()) { // its folder could not be watched: try the new parameters afresh
        StopWatcher();
        StartWatcher();
        return;
    }
    WatchThread->SetWatchParams(FRoot, FWatchSubTree, NotifyFilterBits(FNotifyFilters));
}

void TCustomShellChangeNotifier::StartWatcher()
{
    if (!FOnChange)
        return;
    WatchThread = Create<TShellChangeThread>(FOnChange);
    WatchThread->SetWatchParams(FRoot, FWatchSubTree, NotifyFilterBits(FNotifyFilters));
    WatchThread->Resume();
}

void TCustomShellChangeNotifier::StopWatcher()
{
    if (!WatchThread)
        return;
    TShellChangeThread* watcher = WatchThread;
    WatchThread = nullptr;
    watcher->Stop();
}

} // namespace ShellCtrls
