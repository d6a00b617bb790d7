#pragma once
// What dupsweep-cli does once its arguments are parsed.

#include "cli/Arguments.h"

#include <atomic>
#include <cstdio>

namespace cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitNoFolder = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitIncomplete = 3;
inline constexpr int kExitInterrupted = 130;

struct Streams {
    std::FILE* out;
    std::FILE* err;
    bool showProgress; // err is a terminal
};

// Runs list or dedupe and returns the exit status. cancel may turn true at any time.
int Run(const Arguments& args, const Streams& streams, const std::atomic<bool>* cancel);

} // namespace cli
