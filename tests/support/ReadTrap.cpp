#include "support/ReadTrap.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <exception>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

namespace {

int OpenFanotify()
{
    return ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_LARGEFILE | O_CLOEXEC);
}

} // namespace

bool ReadTrap::Available(std::string& why)
{
    const int fd = OpenFanotify();
    if (fd < 0) {
        why = std::string("file access permission events are not available here (") + std::strerror(errno)
            + "); they need root";
        return false;
    }
    ::close(fd);
    return true;
}

ReadTrap::ReadTrap() : FFanotify(OpenFanotify()), FStop(::eventfd(0, EFD_CLOEXEC))
{
    if (FFanotify < 0 || FStop < 0)
        throw std::runtime_error(std::string("cannot set a read trap: ") + std::strerror(errno));
    FThread = std::thread([this] { Serve(); });
}

ReadTrap::~ReadTrap()
{
    const std::uint64_t one = 1;
    if (::write(FStop, &one, sizeof one) != sizeof one)
        std::terminate(); // the trap's thread could not be stopped; readers would hang
    FThread.join();
    ::close(FFanotify); // takes the marks away and lets any reader still held go
    ::close(FStop);
}

void ReadTrap::Arm(const std::string& path, std::function<void()> action, int nth)
{
    Add(Event::Read, path, std::move(action), nth);
}

void ReadTrap::ArmOpenIn(const std::string& folder, std::function<void()> action, int nth)
{
    Add(Event::OpenIn, folder, std::move(action), nth);
}

void ReadTrap::ArmClose(const std::string& path, std::function<void()> action, int nth)
{
    Add(Event::Close, path, std::move(action), nth);
}

void ReadTrap::Add(Event event, const std::string& path, std::function<void()> action, int nth)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw std::runtime_error("cannot arm a read trap on " + path + ": " + std::strerror(errno));
    {
        const std::lock_guard lock(FMutex);
        FArmed.push_back({event, st.st_dev, st.st_ino, nth, std::move(action)});
    }
    const std::uint64_t mask = event == Event::Read ? FAN_ACCESS_PERM
        : event == Event::Close                      ? FAN_CLOSE_NOWRITE
                                                     : FAN_OPEN_PERM | FAN_EVENT_ON_CHILD | FAN_ONDIR;
    if (::fanotify_mark(FFanotify, FAN_MARK_ADD, mask, AT_FDCWD, path.c_str()) != 0)
        throw std::runtime_error("cannot arm a read trap on " + path + ": " + std::strerror(errno));
}

namespace {

// The folder of the file an event's descriptor refers to, as device and inode.
bool FolderOf(int fd, struct stat& folder)
{
    char path[PATH_MAX + 1];
    const auto length = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, PATH_MAX);
    if (length <= 0)
        return false;
    std::string text(path, static_cast<std::size_t>(length));
    text.erase(text.rfind('/') == 0 ? 1 : text.rfind('/'));
    return ::stat(text.c_str(), &folder) == 0;
}

} // namespace

std::vector<std::string> ReadTrap::Errors()
{
    const std::lock_guard lock(FMutex);
    return FErrors;
}

void ReadTrap::Serve()
{
    alignas(fanotify_event_metadata) char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{FFanotify, POLLIN, 0}, {FStop, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        const auto length = ::read(FFanotify, buffer, sizeof buffer);
        if (length <= 0)
            continue;
        auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
        for (auto left = length; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            std::vector<std::function<void()>> due;
            struct stat st {}, folder {};
            const auto kind = (event->mask & FAN_ACCESS_PERM) ? Event::Read
                : (event->mask & FAN_OPEN_PERM)              ? Event::OpenIn
                                                             : Event::Close;
            const bool known = event->fd >= 0
                && (kind == Event::OpenIn ? FolderOf(event->fd, folder) : ::fstat(event->fd, &st) == 0);
            // The trap keeps no descriptor of the file while the reader goes on: one would count as
            // another program holding it (a write lease on it would be refused). A response names
            // its event by the descriptor's number, closed or not.
            if (event->fd >= 0)
                ::close(event->fd);
            if (known) {
                const auto& of = kind == Event::OpenIn ? folder : st;
                const std::lock_guard lock(FMutex);
                for (auto& armed : FArmed) {
                    if (armed.event == kind && armed.remaining > 0 && armed.device == of.st_dev
                        && armed.inode == of.st_ino && --armed.remaining == 0)
                        due.push_back(std::move(armed.action));
                }
            }
            if (!due.empty())
                FLastReader.store(event->pid);
            for (const auto& action : due) {
                try {
                    action();
                } catch (const std::exception& e) {
                    const std::lock_guard lock(FMutex);
                    FErrors.push_back(e.what());
                }
            }
            if (event->mask & (FAN_ACCESS_PERM | FAN_OPEN_PERM)) {
                const fanotify_response response{event->fd, FAN_ALLOW};
                if (::write(FFanotify, &response, sizeof response) != sizeof response)
                    std::terminate(); // a reader left waiting would hang the test run
            }
        }
    }
}

} // namespace testsupport
