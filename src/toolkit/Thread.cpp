#include "toolkit/Thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <pthread.h>

#include <condition_variable>
#include <deque>

namespace {

struct SyncRequest {
    const std::function<void()>* method;
    std::exception_ptr error;
    bool done = false;
};

// One lock for the waiting Synchronize calls and for every thread's finished flag, so a
// GUI thread blocked in WaitFor wakes for either.
struct SyncState {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<SyncRequest*> queue;
};

SyncState& GlobalSyncState()
{
    static SyncState state;
    return state;
}

// What the system keeps of a thread's name.
constexpr std::size_t kMaxNameBytes = 15;

// Static initialisation runs on the main thread; used only while no application exists.
const std::thread::id mainThreadId = std::this_thread::get_id();

}  // namespace

bool TThread::IsMainThread()
{
    if (const QCoreApplication* app = QCoreApplication::instance())
        return QThread::currentThread() == app->thread();
    return std::this_thread::get_id() == mainThreadId;
}

bool CheckSynchronize()
{
    if (!TThread::IsMainThread())
        return false;
    SyncState& sync = GlobalSyncState();
    bool ran = false;
    for (;;) {
        SyncRequest* request = nullptr;
        {
            const std::lock_guard lock(sync.mutex);
            if (sync.queue.empty())
                break;
            request = sync.queue.front();
            sync.queue.pop_front();
        }
        try {
            (*request->method)();
        } catch (...) {
            request->error = std::current_exception();
        }
        {
            const std::lock_guard lock(sync.mutex);
            request->done = true;
        }
        sync.changed.notify_all();
        ran = true;
    }
    return ran;
}

void TThread::Synchronize(const std::function<void()>& method)
{
    if (IsMainThread()) {
        method();
        return;
    }
    SyncState& sync = GlobalSyncState();
    SyncRequest request{&method, nullptr, false};
    {
        const std::lock_guard lock(sync.mutex);
        sync.queue.push_back(&request);
    }
    sync.changed.notify_all();
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { CheckSynchronize(); }, Qt::QueuedConnection);
    {
        std::unique_lock lock(sync.mutex);
        sync.changed.wait(lock, [&] { return request.done; });
    }
    if (request.error)
        std::rethrow_exception(request.error);
}

TThread::TThread(bool createSuspended, std::string name) : FName(std::move(name)), FCreateSuspended(createSuspended) {}

void TThread::AfterConstruction()
{
    if (!FCreateSuspended)
        Start();
}

TThread::~TThread()
{
    if (!FThread.joinable())
        return;
    if (FThread.get_id() == std::this_thread::get_id()) {
        FThread.detach();  // freeing itself at the end of its body
        return;
    }
    Terminate();
    WaitFor();
}

void TThread::Start()
{
    const std::lock_guard lock(GlobalSyncState().mutex);
    if (FStarted)
        return;
    FStarted = true;
    FThread = std::thread([this] { Run(); });
    if (!FName.empty())
        ::pthread_setname_np(FThread.native_handle(), FName.substr(0, kMaxNameBytes).c_str());
}

bool TThread::Suspended() const
{
    const std::lock_guard lock(GlobalSyncState().mutex);
    return !FStarted;
}

bool TThread::Finished() const
{
    const std::lock_guard lock(GlobalSyncState().mutex);
    return FFinished;
}

void TThread::Run()
{
    try {
        Execute();
    } catch (...) {
        FFatalException = std::current_exception();
    }
    try {
        DoTerminate();
    } catch (...) {
        if (!FFatalException)
            FFatalException = std::current_exception();
    }
    const bool freeSelf = FFreeOnTerminate;
    SyncState& sync = GlobalSyncState();
    {
        const std::lock_guard lock(sync.mutex);
        FFinished = true;
    }
    sync.changed.notify_all();
    if (freeSelf)
        delete this;
}

void TThread::DoTerminate()
{
    if (OnTerminate)
        Synchronize([this] { OnTerminate(this); });
}

int TThread::WaitFor()
{
    SyncState& sync = GlobalSyncState();
    {
        std::unique_lock lock(sync.mutex);
        if (!FStarted)
            return FReturnValue;
        if (IsMainThread()) {
            while (!FFinished) {
                sync.changed.wait(lock, [&] { return FFinished || !sync.queue.empty(); });
                if (!FFinished) {
                    lock.unlock();
                    CheckSynchronize();
                    lock.lock();
                }
            }
        }
    }
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
        FThread.join();
    return FReturnValue;
}
