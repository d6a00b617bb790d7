#include "cli/Output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace cli {

Output::Output(std::FILE* stream) : FStream(stream), FFd(stream != nullptr ? ::fileno(stream) : -1)
{
    FBuffer.reserve(kFlushThreshold + kLongestReportItem);
    if (FStream == nullptr)
        FError = EBADF;
}

void Output::Line(std::string_view text)
{
    FBuffer.append(text);
    FBuffer += '\n';
    FlushWhenFull();
}

void Output::Message(std::string_view text)
{
    FBuffer.append(kProgram);
    Line(text);
}

void Output::FlushWhenFull()
{
    if (FBuffer.size() >= kFlushThreshold)
        Flush();
}

bool Output::Flush()
{
    if (FError == 0 && !FBuffer.empty())
        Write(FBuffer);
    FBuffer.clear();
    return FError == 0;
}

bool Output::Usable()
{
    if (FError != 0 || FFd < 0)
        return FError == 0;
    const int flags = ::fcntl(FFd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
        return Failed(flags < 0 ? errno : EBADF);
    struct stat st {};
    if (::fstat(FFd, &st) != 0)
        return Failed(errno);
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        pollfd poll{FFd, POLLOUT, 0};
        if (::poll(&poll, 1, 0) == 1 && (poll.revents & (POLLERR | POLLHUP)) != 0)
            return Failed(EPIPE);
    } else if (S_ISREG(st.st_mode)) {
        struct statvfs fs {};
        if (::fstatvfs(FFd, &fs) == 0 && (::geteuid() == 0 ? fs.f_bfree : fs.f_bavail) == 0)
            return Failed(ENOSPC);
    } else if (::write(FFd, "", 0) < 0) { // a device: one that is full says so even to this
        return Failed(errno);
    }
    return true;
}

const char* Output::Error() const
{
    return std::strerror(FError);
}

void Output::Write(std::string_view bytes)
{
    if (FFd < 0) { // a stream without a descriptor, such as one in memory
        if (std::fwrite(bytes.data(), 1, bytes.size(), FStream) != bytes.size() || std::fflush(FStream) != 0)
            Failed(errno != 0 ? errno : EIO);
        return;
    }
    while (!bytes.empty()) {
        const auto n = ::write(FFd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Failed(n < 0 ? errno : EIO);
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

bool Output::Failed(int error)
{
    if (FError == 0)
        FError = error != 0 ? error : EIO;
    return false;
}

} // namespace cli
