#include "platform/shellns/Changes.h"

#include <dirent.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/shellns/Places.h"

namespace shellns {

class WaitableObject {
public:
    virtual ~WaitableObject() = default;
    virtual int Fd() const = 0;
    // True when a wait on this object is satisfied now; a mutex or an event is taken by it.
    virtual bool TryTake() = 0;
};

namespace {

constexpr std::uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF;

void DrainCounter(int fd)
{
    std::uint64_t value;
    while (::read(fd, &value, sizeof value) > 0) {
    }
}

void BumpCounter(int fd)
{
    const std::uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

class CounterObject : public WaitableObject {
public:
    CounterObject() : FFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~CounterObject() override
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    CounterObject(const CounterObject&) = delete;
    CounterObject& operator=(const CounterObject&) = delete;
    int Fd() const override { return FFd; }
    bool Valid() const { return FFd >= 0; }

protected:
    int FFd;
    std::mutex FLock;
};

// Readable while nobody owns it.
class Mutex final : public CounterObject {
public:
    explicit Mutex(bool owned)
    {
        if (owned)
            FOwner = std::this_thread::get_id(), FDepth = 1;
        else
            BumpCounter(FFd);
    }
    bool TryTake() override
    {
        std::lock_guard guard(FLock);
        const auto self = std::this_thread::get_id();
        if (FDepth > 0 && FOwner != self)
            return false;
        if (FDepth++ == 0) {
            FOwner = self;
            DrainCounter(FFd);
        }
        return true;
    }
    bool Release()
    {
        std::lock_guard guard(FLock);
        if (FDepth == 0 || FOwner != std::this_thread::get_id())
            return false;
        if (--FDepth == 0) {
            FOwner = {};
            BumpCounter(FFd);
        }
        return true;
    }

private:
    std::thread::id FOwner;
    int FDepth = 0;
};

// Readable while set; a successful wait resets it.
class Event final : public CounterObject {
public:
    bool TryTake() override
    {
        std::lock_guard guard(FLock);
        if (!FSet)
            return false;
        FSet = false;
        DrainCounter(FFd);
        return true;
    }
    void Set()
    {
        std::lock_guard guard(FLock);
        if (FSet)
            return;
        FSet = true;
        BumpCounter(FFd);
    }

private:
    bool FSet = false;
};

// Waits poll one descriptor that is readable while changes wait to be read and while the handle
// is signalled, so a handle signalled by one thread's look also ends another thread's wait.
class ChangeHandle final : public WaitableObject {
public:
    ChangeHandle(bool subtree, std::uint32_t filter, std::size_t maxFolders)
        : FFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), FSignal(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
          FPoll(::epoll_create1(EPOLL_CLOEXEC)), FSubtree(subtree), FFilter(filter), FMaxFolders(maxFolders)
    {
        FWatchMask = kNameEvents | kSelfEvents | IN_EXCL_UNLINK;
        if (filter & (kNotifyAttributes | kNotifySecurity | kNotifyLastWrite))
            FWatchMask |= IN_ATTRIB;
        if (filter & (kNotifySize | kNotifyLastWrite))
            FWatchMask |= IN_MODIFY;
        for (const int fd : {FFd, FSignal}) {
            epoll_event readable{};
            readable.events = EPOLLIN;
            readable.data.fd = fd;
            if (fd < 0 || FPoll < 0 || ::epoll_ctl(FPoll, EPOLL_CTL_ADD, fd, &readable) != 0)
                FUsable = false;
        }
    }
    ~ChangeHandle() override
    {
        for (const int fd : {FFd, FSignal, FPoll})
            if (fd >= 0)
                ::close(fd);
    }
    ChangeHandle(const ChangeHandle&) = delete;
    ChangeHandle& operator=(const ChangeHandle&) = delete;

    bool Open(const std::string& directory)
    {
        if (!FUsable)
            return false;
        FRootWatch = ::inotify_add_watch(FFd, directory.c_str(), FWatchMask | IN_ONLYDIR);
        if (FRootWatch < 0)
            return false;
        FFolders[FRootWatch] = directory;
        return !FSubtree || WatchBelow(directory);
    }

    int Fd() const override { return FPoll; }

    bool TryTake() override
    {
        std::lock_guard guard(FLock);
        if (!FSignalled) {
            ReadEvents();
            if (FSignalled)
                BumpCounter(FSignal);
        }
        return FSignalled;
    }

    void Rearm()
    {
        std::lock_guard guard(FLock);
        FSignalled = false;
        DrainCounter(FSignal);
    }

private:
    // Watches every folder below folder, not following links, so a link loop cannot recurse; false
    // when that would take more watches in all than a subtree watch may.
    bool WatchBelow(const std::string& folder)
    {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir)
            return true;
        std::vector<std::string> children;
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_type != DT_DIR || std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            children.push_back(JoinPath(folder, entry->d_name));
        }
        ::closedir(dir);
        for (const std::string& child : children) {
            if (FFolders.size() >= FMaxFolders)
                return false;
            const int watch = ::inotify_add_watch(FFd, child.c_str(), FWatchMask | IN_ONLYDIR | IN_DONT_FOLLOW);
            if (watch < 0)
                continue; // gone already, or the system's watch limit is reached: watch what can be watched
            FFolders[watch] = child;
            if (!WatchBelow(child))
                return false;
        }
        return true;
    }

    void ReadEvents()
    {
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t length = ::read(FFd, buffer, sizeof buffer);
            if (length <= 0)
                return;
            for (ssize_t at = 0; at < length;) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                const char* name = buffer + at + sizeof event;
                at += static_cast<ssize_t>(sizeof event + event.len);
                if (Matches(event, event.len ? name : ""))
                    FSignalled = true;
            }
        }
    }

    bool Matches(const inotify_event& event, const char* name)
    {
        if (event.mask & IN_Q_OVERFLOW)
            return true; // changes were lost: report that something changed
        if (event.mask & IN_IGNORED) {
            FFolders.erase(event.wd);
            return false;
        }
        const bool isDir = (event.mask & IN_ISDIR) != 0;
        bool matched = false;
        if (event.mask & kNameEvents) {
            matched = (FFilter & (isDir ? kNotifyDirName : kNotifyFileName)) != 0;
            if (FSubtree && isDir && (event.mask & (IN_CREATE | IN_MOVED_TO)))
                if (const auto parent = FFolders.find(event.wd);
                    parent != FFolders.end() && FFolders.size() < FMaxFolders) {
                    // Past the limit, folders made later go unwatched.
                    const std::string child = JoinPath(parent->second, name);
                    const int watch = ::inotify_add_watch(FFd, child.c_str(), FWatchMask | IN_ONLYDIR | IN_DONT_FOLLOW);
                    if (watch >= 0) {
                        FFolders[watch] = child;
                        WatchBelow(child);
                    }
                }
        }
        if ((event.mask & kSelfEvents) && event.wd == FRootWatch)
            matched = matched || (FFilter & kNotifyDirName) != 0;
        if (event.mask & IN_ATTRIB)
            matched = matched || (FFilter & (kNotifyAttributes | kNotifySecurity | kNotifyLastWrite)) != 0;
        if (event.mask & IN_MODIFY)
            matched = matched || (FFilter & (kNotifySize | kNotifyLastWrite)) != 0;
        return matched;
    }

    int FFd;     // the inotify instance
    int FSignal; // readable while signalled
    int FPoll;   // readable when either is
    bool FUsable = true;
    bool FSubtree;
    std::uint32_t FFilter;
    // A watch of a subtree takes one inotify watch per folder, from a budget that all the user's
    // programs share (8192 on many systems).
    std::size_t FMaxFolders;
    std::uint32_t FWatchMask;
    int FRootWatch = -1;
    std::unordered_map<int, std::string> FFolders;
    bool FSignalled = false;
    std::mutex FLock;
};

} // namespace

Handle FindFirstChangeNotification(const std::string& directory, bool subtree, std::uint32_t filter,
                                   std::size_t maxFolders)
{
    auto* handle = new ChangeHandle(subtree, filter, maxFolders);
    if (!handle->Open(directory)) {
        delete handle;
        return kInvalidHandle;
    }
    return handle;
}

bool FindNextChangeNotification(Handle handle)
{
    auto* change = dynamic_cast<ChangeHandle*>(handle);
    if (!change)
        return false;
    change->Rearm();
    return true;
}

bool FindCloseChangeNotification(Handle handle)
{
    if (!dynamic_cast<ChangeHandle*>(handle))
        return false;
    delete handle;
    return true;
}

Handle CreateMutex(bool initiallyOwned)
{
    auto* mutex = new Mutex(initiallyOwned);
    if (mutex->Valid())
        return mutex;
    delete mutex;
    return kInvalidHandle;
}

bool ReleaseMutex(Handle mutex)
{
    auto* m = dynamic_cast<Mutex*>(mutex);
    return m && m->Release();
}

Handle CreateEvent()
{
    auto* event = new Event;
    if (event->Valid())
        return event;
    delete event;
    return kInvalidHandle;
}

bool SetEvent(Handle event)
{
    auto* e = dynamic_cast<Event*>(event);
    if (!e)
        return false;
    e->Set();
    return true;
}

bool CloseHandle(Handle handle)
{
    if (!handle)
        return false;
    delete handle;
    return true;
}

std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* handles, std::uint32_t timeout)
{
    if (count == 0 || !handles)
        return kWaitFailed;
    std::vector<pollfd> fds(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!handles[i])
            return kWaitFailed;
        fds[i] = pollfd{handles[i]->Fd(), POLLIN, 0};
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    for (;;) {
        for (std::uint32_t i = 0; i < count; ++i)
            if (handles[i]->TryTake())
                return kWaitObject0 + i;
        int wait = -1;
        if (timeout != kInfinite) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return kWaitTimeout;
            wait = static_cast<int>(left.count());
        }
        const int ready = ::poll(fds.data(), count, wait);
        if (ready < 0 && errno != EINTR)
            return kWaitFailed;
        for (const pollfd& fd : fds)
            if (fd.revents & (POLLERR | POLLNVAL))
                return kWaitFailed;
    }
}

} // namespace shellns
