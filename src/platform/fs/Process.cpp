#include "platform/fs/Process.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sys/random.h>
#include <sys/resource.h>
#include <unistd.h>

namespace files {

namespace {

constexpr std::size_t kBootIdDigits = 8;
// The start time is the 22nd field of /proc/PID/stat, the 19th after the one that follows the
// command's closing parenthesis.
constexpr int kFieldsToStartTime = 19;
// Descriptors taken to be there when the limit cannot be read.
constexpr std::size_t kUsualOpenFiles = 1024;
// Spreads the clock's bits over a whole word (a step of the splitmix64 mixer).
constexpr int kMixShift = 31;
constexpr std::uint64_t kMixFactor = 0x9E3779B97F4A7C15ULL;

std::string ReadWhole(const std::string& path, bool& found)
{
    std::ifstream in(path, std::ios::binary);
    found = static_cast<bool>(in);
    return found ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string();
}

std::string BootId()
{
    bool found = false;
    auto id = ReadWhole("/proc/sys/kernel/random/boot_id", found);
    return id.substr(0, std::min(id.size(), kBootIdDigits));
}

// The start time in /proc/PID/stat; 0 when it cannot be read.
std::uint64_t StartedAt(const std::string& stat)
{
    const auto close = stat.rfind(')'); // the command may hold spaces and parentheses itself
    if (close == std::string::npos)
        return 0;
    std::size_t pos = close + 1;
    for (int field = 0; field < kFieldsToStartTime && pos != std::string::npos; ++field)
        pos = stat.find(' ', pos + 1);
    if (pos == std::string::npos)
        return 0;
    return std::strtoull(stat.c_str() + pos + 1, nullptr, 10);
}

// Running, gone or unknown by the signal test, for when /proc cannot say.
ProcessState Probe(std::int64_t pid)
{
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)
        return ProcessState::Unknown;
    return errno == ESRCH ? ProcessState::Gone : ProcessState::Unknown;
}

} // namespace

const ProcessStamp& ThisProcess()
{
    static const ProcessStamp self = [] {
        bool found = false;
        return ProcessStamp{BootId(), ::getpid(), StartedAt(ReadWhole("/proc/self/stat", found))};
    }();
    return self;
}

ProcessState StateOf(const ProcessStamp& stamp)
{
    if (stamp.pid <= 0)
        return ProcessState::Unknown;
    if (!stamp.boot.empty() && !ThisProcess().boot.empty() && stamp.boot != ThisProcess().boot)
        return ProcessState::Gone; // it ran before the machine last started
    bool found = false;
    const auto stat = ReadWhole("/proc/" + std::to_string(stamp.pid) + "/stat", found);
    if (!found)
        return Probe(stamp.pid);
    const auto started = StartedAt(stat);
    if (started == 0 || stamp.started == 0)
        return ProcessState::Unknown;
    return started == stamp.started ? ProcessState::Running : ProcessState::Gone;
}

ProcessState StateOfProgram(std::int64_t pid, std::string_view program)
{
    if (pid <= 0)
        return ProcessState::Unknown;
    bool found = false;
    const auto command = ReadWhole("/proc/" + std::to_string(pid) + "/comm", found);
    if (!found)
        return Probe(pid);
    return command.starts_with(program) ? ProcessState::Running : ProcessState::Gone;
}

std::size_t OpenFilesLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return kUsualOpenFiles;
    return limit.rlim_cur == RLIM_INFINITY ? SIZE_MAX : static_cast<std::size_t>(limit.rlim_cur);
}

std::uint64_t UnpredictableBits()
{
    std::uint64_t bits = 0;
    auto* at = reinterpret_cast<unsigned char*>(&bits);
    for (std::size_t got = 0; got < sizeof bits;) {
        const auto n = ::getrandom(at + got, sizeof bits - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (errno != EINTR) {
            // A kernel without the call (older than 3.17): the clock's nanoseconds, mixed.
            timespec now {};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            bits = (static_cast<std::uint64_t>(now.tv_nsec) << 32) ^ static_cast<std::uint64_t>(now.tv_sec)
                ^ static_cast<std::uint64_t>(::getpid());
            bits = (bits ^ (bits >> kMixShift)) * kMixFactor;
            break;
        }
    }
    return bits;
}

} // namespace files
