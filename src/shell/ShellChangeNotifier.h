#pragma once
// The shell change notifier: a component that watches one directory on a worker thread and runs
// its OnChange on the GUI thread for every change the platform reports there.
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/shellns/Changes.h"
#include "shell/ShellCtrls.h"
#include "toolkit/Component.h"
#include "toolkit/Events.h"
#include "toolkit/Thread.h"

namespace ShellCtrls {

// The platform's change filter bits of a set of filters.
std::uint32_t NotifyFilterBits(TNotifyFilters filters);

// The worker: blocks on its watch, its wake mutex and its parameter event, and hands each change
// to the GUI thread. Only this thread opens and closes its watch, so new parameters never close a
// watch under a waiting thread; they are picked up as soon as the current wait ends.
class TShellChangeThread : public TThread {
public:
    // What the system shows for a watcher's thread.
    static constexpr const char* kThreadName = "shell watcher";

    explicit TShellChangeThread(TThreadMethod callback); // made suspended, on the GUI thread
    ~TShellChangeThread() override;

    // GUI thread: new parameters for the watch.
    void SetWatchParams(const TRoot& directory, bool subtree, std::uint32_t flags);
    // GUI thread: the method run for each change; read on the GUI thread only, so a replaced
    // callback is never called again.
    void SetChangeCallback(TThreadMethod callback) { ChangeCallback = std::move(callback); }
    // GUI thread: stops the watcher and gives it up; it frees itself once its body has ended.
    void Stop();
    // True until the body has ended (at once when its folder cannot be watched).
    bool Running() const { return FRunning.load(); }
    // True while a watch is open: changes from then on are reported.
    bool Watching() const { return FWatching.load(); }
    // GUI thread: a change has been seen that has not been handed over yet. The platform takes
    // note of a change before the call that made it returns, so this answers at once, without
    // waiting to see whether something comes.
    bool ChangePending();

protected:
    void Execute() override;

private:
    bool OpenWatch(); // applies the pending parameters; false when the directory cannot be watched

    shellns::Handle WakeMutex = shellns::kInvalidHandle;
    shellns::Handle ParamsEvent = shellns::kInvalidHandle;
    shellns::Handle WatchHandle = shellns::kInvalidHandle;
    TThreadMethod ChangeCallback;
    TRoot WatchDir;
    bool WatchTree = false;
    std::uint32_t WatchFlags = 0;
    bool ParamsChanged = false;

    std::mutex FHandleLock; // WatchHandle is replaced only under it, so ChangePending can look at it
    std::atomic<bool> FRunning{false};
    std::atomic<bool> FWatching{false};
    std::mutex FOwnersLock;
    int FOwners = 2; // the notifier and the body: the last of them to let go frees the object
};

class TCustomShellChangeNotifier : public TNonVisualComponent {
    Q_OBJECT

public:
    explicit TCustomShellChangeNotifier(TComponent* owner);
    ~TCustomShellChangeNotifier() override;

    TNotifyFilters NotifyFilters() const { return FNotifyFilters; }
    void SetNotifyFilters(TNotifyFilters value);
    // The directory watched, a path (bytes) passed to the platform as it stands.
    const TRoot& Root() const { return FRoot; }
    void SetRoot(const TRoot& value);
    bool WatchSubTree() const { return FWatchSubTree; }
    void SetWatchSubTree(bool value);
    const TThreadMethod& OnChange() const { return FOnChange; }
    // Starts the watcher with a method; none stops it.
    void SetOnChange(TThreadMethod value);

    // True while a watcher thread runs, and while it has a watch open.
    bool WatcherRunning() const { return WatchThread && WatchThread->Running(); }
    bool Watching() const { return WatchThread && WatchThread->Watching(); }
    // A change has been seen that OnChange has not been called for yet (see TShellChangeThread).
    bool ChangePending() const { return WatchThread && WatchThread->ChangePending(); }

protected:
    QString RootText() const;
    void SetRootText(const QString& value);

private:
    void ApplyWatchParams();
    void StartWatcher();
    void StopWatcher();

    TNotifyFilters FNotifyFilters;
    TRoot FRoot;
    bool FWatchSubTree = true;
    TThreadMethod FOnChange;
    TShellChangeThread* WatchThread = nullptr;
};

class TShellChangeNotifier : public TCustomShellChangeNotifier {
    Q_OBJECT
    Q_PROPERTY(ShellCtrls::TNotifyFilters NotifyFilters READ NotifyFilters WRITE SetNotifyFilters)
    Q_PROPERTY(QString Root READ RootText WRITE SetRootText)
    Q_PROPERTY(bool WatchSubTree READ WatchSubTree WRITE SetWatchSubTree)
    Q_CLASSINFO("NotifyFilters", "default [nfFileNameChange, nfDirNameChange]")
    Q_CLASSINFO("Root", "default '/'")
    Q_CLASSINFO("WatchSubTree", "default true")

public:
    using TCustomShellChangeNotifier::TCustomShellChangeNotifier;
};

} // namespace ShellCtrls

