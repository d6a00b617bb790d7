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
    CounterObject() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~CounterObject() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    CounterObject(const CounterObject&) = delete;
    CounterObject& operator=(const CounterObject&) = delete;
    int Fd() const override { return fd_; }
    bool Valid() const { return fd_ >= 0; }

protected:
    int fd_;
    std::mutex lock_;
};

// Readable while nobody owns it.
class Mutex final : public CounterObject {
public:
    explicit Mutex(bool owned)
    {
        if (owned)
            owner_ = std::this_thread::get_id(), depth_ = 1;
        else
            BumpCounter(fd_);
    }
    bool TryTake() override
    {
        std::lock_guard guard(lock_);
        const auto self = std::this_thread::get_id();
        if (depth_ > 0 && owner_ != self)
            return false;
        if (depth_++ == 0) {
            owner_ = self;
            DrainCounter(fd_);
        }
        return true;
    }
    bool Release()
    {
        std::lock_guard guard(lock_);
        if (depth_ == 0 || owner_ != std::this_thread::get_id())
            return false;
        if (--depth_ == 0) {
            owner_ = {};
            BumpCounter(fd_);
        }
        return true;
    }

private:
    std::thread::id owner_;
    int depth_ = 0;
};

// Readable while set; a successful wait resets it.
class Event final : public CounterObject {
public:
    bool TryTake() override
    {
        std::lock_guard guard(lock_);
        if (!set_)
            return false;
        set_ = false;
        DrainCounter(fd_);
        return true;
    }
    void Set()
    {
        std::lock_guard guard(lock_);
        if (set_)
            return;
        set_ = true;
        BumpCounter(fd_);
    }

private:
    bool set_ = false;
};

// Waits poll one descriptor that is readable while changes wait to be read and while the handle
// is signalled, so a handle signalled by one thread's look also ends another thread's wait.
class ChangeHandle final : public WaitableObject {
public:
    ChangeHandle(bool subtree, std::uint32_t filter, std::size_t maxFolders)
        : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), signal_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
          poll_(::epoll_create1(EPOLL_CLOEXEC)), subtree_(subtree), filter_(filter), maxFolders_(maxFolders)
    {
        watchMask_ = kNameEvents | kSelfEvents | IN_EXCL_UNLINK;
        if (filter & (kNotifyAttributes | kNotifySecurity | kNotifyLastWrite))
            watchMask_ |= IN_ATTRIB;
        if (filter & (kNotifySize | kNotifyLastWrite))
            watchMask_ |= IN_MODIFY;
        for (const int fd : {fd_, signal_}) {
            epoll_event readable{};
            readable.events = EPOLLIN;
            readable.data.fd = fd;
            if (fd < 0 || poll_ < 0 || ::epoll_ctl(poll_, EPOLL_CTL_ADD, fd, &readable) != 0)
                usable_ = false;
        }
    }
    ~ChangeHandle() override
    {
        for (const int fd : {fd_, signal_, poll_})
            if (fd >= 0)
                ::close(fd);
    }
    ChangeHandle(const ChangeHandle&) = delete;
    ChangeHandle& operator=(const ChangeHandle&) = delete;

    bool Open(const std::string& directory)
    {
        if (!usable_)
            return false;
        rootWatch_ = ::inotify_add_watch(fd_, directory.c_str(), watchMask_ | IN_ONLYDIR);
        if (rootWatch_ < 0)
            return false;
        folders_[rootWatch_] = directory;
        return !subtree_ || WatchBelow(directory);
    }

    int Fd() const override { return poll_; }

    bool TryTake() override
    {
        std::lock_guard guard(lock_);
        if (!signalled_) {
            ReadEvents();
            if (signalled_)
                BumpCounter(signal_);
        }
        return signalled_;
    }

    void Rearm()
    {
        std::lock_guard guard(lock_);
        signalled_ = false;
        DrainCounter(signal_);
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
            if (folders_.size() >= maxFolders_)
                return false;
            const int watch = ::inotify_add_watch(fd_, child.c_str(), watchMask_ | IN_ONLYDIR | IN_DONT_FOLLOW);
            if (watch < 0)
                continue; // gone already, or the system's watch limit is reached: watch what can be watched
            folders_[watch] = child;
            if (!WatchBelow(child))
                return false;
        }
        return true;
    }

    void ReadEvents()
    {
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t length = ::read(fd_, buffer, sizeof buffer);
            if (length <= 0)
                return;
            for (ssize_t at = 0; at < length;) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                const char* name = buffer + at + sizeof event;
                at += static_cast<ssize_t>(sizeof event + event.len);
                if (Matches(event, event.len ? name : ""))
                    signalled_ = true;
            }
        }
    }

    bool Matches(const inotify_event& event, const char* name)
    {
        if (event.mask & IN_Q_OVERFLOW)
            return true; // changes were lost: report that something changed
        if (event.mask & IN_IGNORED) {
            folders_.erase(event.wd);
            return false;
        }
        const bool isDir = (event.mask & IN_ISDIR) != 0;
        bool matched = false;
        if (event.mask & kNameEvents) {
            matched = (filter_ & (isDir ? kNotifyDirName : kNotifyFileName)) != 0;
            if (subtree_ && isDir && (event.mask & (IN_CREATE | IN_MOVED_TO)))
                if (const auto parent = folders_.find(event.wd);
                    parent != folders_.end() && folders_.size() < maxFolders_) {
                    // Past the limit, folders made later go unwatched.
                    const std::string child = JoinPath(parent->second, name);
                    const int watch = ::inotify_add_watch(fd_, child.c_str(), watchMask_ | IN_ONLYDIR | IN_DONT_FOLLOW);
                    if (watch >= 0) {
                        folders_[watch] = child;
                        WatchBelow(child);
                    }
                }
        }
        if ((event.mask & kSelfEvents) && event.wd == rootWatch_)
            matched = matched || (filter_ & kNotifyDirName) != 0;
        if (event.mask & IN_ATTRIB)
            matched = matched || (filter_ & (kNotifyAttributes | kNotifySecurity | kNotifyLastWrite)) != 0;
        if (event.mask & IN_MODIFY)
            matched = matched || (filter_ & (kNotifySize | kNotifyLastWrite)) != 0;
        return matched;
    }

    int fd_;     // the inotify instance
    int signal_; // readable while signalled
    int poll_;   // readable when either is
    bool usable_ = true;
    bool subtree_;
    std::uint32_t filter_;
    // A watch of a subtree takes one inotify watch per folder, from a budget that all the user's
    // programs share (8192 on many systems).
    std::size_t maxFolders_;
    std::uint32_t watchMask_;
    int rootWatch_ = -1;
    std::unordered_map<int, std::string> folders_;
    bool signalled_ = false;
    std::mutex lock_;
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
