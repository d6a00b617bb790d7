#include "cli/Arguments.h"
#include "cli/Commands.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> interrupted{false};
std::atomic<int> stopSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "set from a signal handler");

extern "C" void OnStopSignal(int signal)
{
    stopSignal.store(signal);
    interrupted.store(true);
}

// Ctrl-C and SIGTERM (a user's kill, a shutdown) ask the work to stop after the file in hand, so
// that everything done so far is reported; the handler then resets itself, so a second one ends
// the process at once. A reader that goes away (dedupe | head) must not kill the process between
// a deletion and its report: writes fail instead, and the removal stops at the first that does.
void CatchSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// Stopped by a signal, the process says which, as a shell would of one it killed.
int StatusAfter(int status)
{
    const int signal = stopSignal.load();
    return status == cli::kExitInterrupted && signal != 0 ? cli::kExitSignalBase + signal : status;
}

} // namespace

int main(int argc, char** argv)
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
    CatchSignals();
    return StatusAfter(cli::Run(parsed, {stdout, stderr, ::isatty(STDERR_FILENO) == 1}, interrupted));
}
