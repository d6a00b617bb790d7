#pragma once
#include <cstdint>

#include "platform/shellns/contextmenu.h"
#include "platform/shellns/folders_internal.h"

namespace shellns::detail {

// The menu of one item; attributes tell which of rename and delete it allows.
UnknownPtr MakeItemContextMenu(Node item, std::uint32_t attributes);

// Whether a trash can take the file or folder: its name survives the trip through text and a
// trash lies on its file system.
bool TrashAvailable(const std::string& path);
// Moves a file or folder to the user's trash.
HResult MoveToTrash(const std::string& path);

} // namespace shellns::detail
