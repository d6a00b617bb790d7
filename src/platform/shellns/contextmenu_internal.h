#pragma once
#include <cstdint>

#include "platform/shellns/contextmenu.h"
#include "platform/shellns/folders_internal.h"

namespace shellns::detail {

// The menu of one item; attributes tell which of rename and delete it allows.
UnknownPtr MakeItemContextMenu(Node item, std::uint32_t attributes);

} // namespace shellns::detail
