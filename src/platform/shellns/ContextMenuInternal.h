#pragma once
#include <cstdint>

#include "platform/shellns/ContextMenu.h"
#include "platform/shellns/FoldersInternal.h"

namespace shellns::detail {

// The menu of one item; attributes tell which of rename and delete it allows.
UnknownPtr MakeItemContextMenu(Node item, std::uint32_t attributes);

} // namespace shellns::detail
