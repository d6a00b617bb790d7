#pragma once
// The user's trash, through GIO: the desktop's own implementation of the freedesktop trash, which
// writes the records file managers read back, for any name the file system takes.
#include <string>

#include "platform/shellns/Result.h"

namespace shellns::detail {

// Whether a trash can take the file or folder: it is on the home's file system, or its volume has
// a trash of its own, and its folder may be changed.
bool TrashAvailable(const std::string& path);
// Moves a file or folder (a link itself, not what it leads to) to the trash of its file system.
HResult MoveToTrash(const std::string& path);

} // namespace shellns::detail
