#include "support/ReadTrap.h"

#include <cerrno>
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

ReadTrap::ReadTrap() : fanotify_(OpenFanotify()), stop_(::eventfd(0, EFD_CLOEXEC))
{
    if (fanotify_ < 0 || stop_ < 0)
        throw std::runtime_error(std::string("cannot set a read trap: ") + std::strerror(errno));
    thread_ = std::thread([this] { Serve(); });
}

ReadTrap::~ReadTrap()
{
    const std::uint64_t one = 1;
    if (::write(stop_, &one, sizeof one) != sizeof one)
        std::terminate(); // the trap's thread could not be stopped; readers would hang
    thread_.join();
    ::close(fanotify_); // takes the marks away and lets any reader still held go
    ::close(stop_);
}

void ReadTrap::Arm(const std::string& path, std::function<void()> action, int nth)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw std::runtime_error("cannot arm a read trap on " + path + ": " + std::strerror(errno));
    {
        const std::lock_guard lock(mutex_);
        armed_.push_back({st.st_dev, st.st_ino, nth, std::move(action)});
    }
    if (::fanotify_mark(fanotify_, FAN_MARK_ADD, FAN_ACCESS_PERM, AT_FDCWD, path.c_str()) != 0)
        throw std::runtime_error("cannot arm a read trap on " + path + ": " + std::strerror(errno));
}

std::vector<std::string> ReadTrap::Errors()
{
    const std::lock_guard lock(mutex_);
    return errors_;
}

void ReadTrap::Serve()
{
    alignas(fanotify_event_metadata) char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{fanotify_, POLLIN, 0}, {stop_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        const auto length = ::read(fanotify_, buffer, sizeof buffer);
        if (length <= 0)
            continue;
        auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
        for (auto left = length; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            std::vector<std::function<void()>> due;
            struct stat st {};
            if (event->fd >= 0 && ::fstat(event->fd, &st) == 0) {
                const std::lock_guard lock(mutex_);
                for (auto& armed : armed_) {
                    if (armed.remaining > 0 && armed.device == st.st_dev && armed.inode == st.st_ino
                        && --armed.remaining == 0)
                        due.push_back(std::move(armed.action));
                }
            }
            if (!due.empty())
                lastReader_.store(event->pid);
            for (const auto& action : due) {
                try {
                    action();
                } catch (const std::exception& e) {
                    const std::lock_guard lock(mutex_);
                    errors_.push_back(e.what());
                }
            }
            if (event->mask & FAN_ACCESS_PERM) {
                const fanotify_response response{event->fd, FAN_ALLOW};
                if (::write(fanotify_, &response, sizeof response) != sizeof response)
                    std::terminate(); // a reader left waiting would hang the test run
            }
            if (event->fd >= 0)
                ::close(event->fd);
        }
    }
}

} // namespace testsupport
