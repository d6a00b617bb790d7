#pragma once
// The logical current directory the folder walk resolves relative texts against.
//
// It starts as the process's working directory and lives for the whole process; the process's
// own working directory is never changed. Safe to call from any thread.

#include <string>
#include <string_view>

namespace files {

std::string GetCurrentDir();

// Resolves text against the current directory and makes the result current when it names a
// folder that can be entered. Returns 0, or the error code with the current directory unchanged.
int SetCurrentDir(std::string_view text);

} // namespace files
