#include "cli/Arguments.h"
#include "cli/Commands.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace {

std::atomic<bool> interrupted{false};
std::atomic<int> stopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "set from a signal handler");

extern "C" void OnStopSignal(int signal)
{
    int none = 0;
    stopSignal.compare_exchange_strong(none, signal); // the first one says how the run ended
    interrupted.store(true);
}

// Ctrl-C and SIGTERM (a user's kill, a shutdown) ask the work to stop after the file in hand, so
// that everything done so far is reported. More of them change nothing: whatever ended the
// process before its report was written would leave deletions no output names. Calls they come
// into are restarted (a write to a slow reader goes on). A reader that goes away (dedupe | head)
// must not kill the process between a deletion and its report: writes fail instead, and the
// removal stops at the first that does.
void CatchSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// A standard stream closed when the program starts would hand its number to the first file the
// program opens, and the report would be written into that file. Each is opened on /dev/null
// instead; whether it had been closed is returned.
bool OccupyIfClosed(int fd)
{
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
        return false;
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
    }
    return true;
}

// Stopped by a signal, the process says which, as a shell would of one it killed.
int StatusAfter(int status)
{
    const int signal = stopSignal.load();
    return status == cli::kExitInterrupted && signal != 0 ? cli::kExitSignalBase + signal : status;
}

int Main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    cli::Arguments parsed;
    std::string error;
    if (!cli::ParseArguments(args, parsed, error)) {
        std::fprintf(stderr, "dupsweep-cli: %s\nTry 'dupsweep-cli --help'.\n", error.c_str());
        return cli::kExitUsage;
    }
    if (parsed.action == cli::Action::Help) {
        std::fputs(cli::kHelpText, stdout);
        return cli::kExitDone;
    }
    if (parsed.action == cli::Action::Version) {
        std::puts("dupsweep-cli " DUPSWEEP_VERSION);
        return cli::kExitDone;
    }
    OccupyIfClosed(STDIN_FILENO);
    const bool outClosed = OccupyIfClosed(STDOUT_FILENO);
    OccupyIfClosed(STDERR_FILENO);
    CatchSignals();
    return StatusAfter(
        cli::Run(parsed, {outClosed ? nullptr : stdout, stderr, ::isatty(STDERR_FILENO) == 1}, interrupted));
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) { // so little memory that not even the arguments fit
        std::fputs("dupsweep-cli: out of memory: stopped before anything was deleted\n", stderr);
        return cli::kExitOutOfMemory;
    }
}
