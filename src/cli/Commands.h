#pragma once
// What dupsweep-cli does once its arguments are parsed.

#include "cli/Arguments.h"

#include <atomic>
#include <csignal>
#include <cstdio>

namespace cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitNoFolder = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitIncomplete = 3;
inline constexpr int kExitOutOfMemory = 4;
inline constexpr int kExitSignalBase = 128;
inline constexpr int kExitInterrupted = kExitSignalBase + SIGINT;

struct Streams {
    std::FILE* out; // null: standard output was closed, and nothing can be written
    std::FILE* err;
    bool showProgress; // err is a terminal
};

// Runs list or dedupe and returns the exit status. cancel may turn true at any time (the user
// stops the work); Run sets it itself when the output cannot be written, to stop deleting.
// Output that cannot be written at all is found out before anything is deleted; memory running
// out ends the run with kExitOutOfMemory, every deletion made by then reported.
int Run(const Arguments& args, const Streams& streams, std::atomic<bool>& cancel);

} // namespace cli
