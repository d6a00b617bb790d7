#include "cli/Arguments.h"
#include "cli/Commands.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int)
{
    interrupted.store(true);
}

// The first Ctrl-C asks the work to stop after the file in hand; the handler then resets
// itself, so a second one ends the process at once.
void CatchInterrupt()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
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
    CatchInterrupt();
    return cli::Run(parsed, {stdout, stderr, ::isatty(STDERR_FILENO) == 1}, &interrupted);
}
