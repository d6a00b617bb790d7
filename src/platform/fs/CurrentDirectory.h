#pragma once
// The logical current directory the folder walk resolves relative texts against.
//
// It starts as the process's working directory and lives for the whole process; the process's
// own working directory is never changed. When the working directory cannot be named (it was
// removed, or its path is longer than the system's path calls take) there is no current
// directory until one is set by an absolute text: a relative text then names nothing, rather
// than something the user never meant. Safe to call from any thread.

#include <string>
#include <string_view>

namespace files {

// The current directory; empty when there is none.
std::string GetCurrentDir();

// Text as the user typed it, absolute or relative to the current directory, normalised. Returns
// 0, or the error code that says why a relative text names nothing.
int ResolveFromCurrentDir(std::string_view text, std::string& resolved);

// Resolves text against the current directory and makes the result current when it names a
// folder that can be entered. Returns 0, or the error code with the current directory unchanged.
int SetCurrentDir(std::string_view text);

} // namespace files
