#pragma once
// The running process as a later process can recognise it, and the descriptors it may hold.
//
// A process id alone names another program once the process has ended and the id comes round
// again; with the boot it ran in and the moment it started it names one process for good.

#include <cstddef>
#include <cstdint>
#include <string>

namespace files {

struct ProcessStamp {
    std::string boot; // the start of the kernel's random id of the boot: 8 hex digits
    std::int64_t pid = 0;
    std::uint64_t started = 0; // clock ticks from the boot to the process's start
};

// This process.
const ProcessStamp& ThisProcess();

enum class ProcessState { Running, Gone, Unknown };

// Whether the process stamp names is still running.
ProcessState StateOf(const ProcessStamp& stamp);

// Whether the process pid is running the program whose name begins with program; Gone when it
// has ended or runs another program now.
ProcessState StateOfProgram(std::int64_t pid, std::string_view program);

// How many descriptors this process may have open at once.
std::size_t OpenFilesLimit();

// Sixty-four bits no other process can foresee, from the kernel; asks for no memory, and keeps
// nothing per thread.
std::uint64_t UnpredictableBits();

} // namespace files
