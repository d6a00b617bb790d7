#pragma once
// Context menus of namespace items. A menu is filled into a small description that the caller shows
// with its own toolkit; commands are numbered from the first command number the caller gives, in
// the order of the verbs below.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/shellns/Folders.h"

namespace shellns {

struct MenuItem {
    std::uint32_t id = 0; // command number; 0 for a separator
    std::string text;     // UTF-8, "&" marks the access key
    bool separator = false;
    bool isDefault = false;
    bool enabled = true;
};
struct Menu {
    std::vector<MenuItem> items;
};
using MenuHandle = Menu*;

MenuHandle CreatePopupMenu();
bool DestroyMenu(MenuHandle menu);

// Menu fill flags.
constexpr std::uint32_t kMenuDefaultOnly = 0x1;
constexpr std::uint32_t kMenuExplore = 0x4;
constexpr std::uint32_t kMenuCanRename = 0x10;

// Command offsets (command number minus the first number) and the verbs they carry.
constexpr std::uint32_t kCommandOpen = 0;
constexpr std::uint32_t kCommandDelete = 1;
constexpr std::uint32_t kCommandRename = 2;
constexpr std::uint32_t kCommandCount = 3;

// Kinds of command string.
constexpr std::uint32_t kCommandStringVerb = 0;

struct InvokeCommandInfo {
    std::uint32_t size = sizeof(InvokeCommandInfo);
    std::uint32_t mask = 0;
    std::variant<std::uint32_t, std::string> verb; // a command offset, or a verb text
    int show = 1;
};

class IContextMenu : public Unknown {
public:
    // Inserts the item's commands at position index; the success code holds the largest offset used + 1.
    virtual HResult QueryContextMenu(MenuHandle menu, std::uint32_t index, std::uint32_t firstCommand,
                                     std::uint32_t lastCommand, std::uint32_t flags) = 0;
    virtual HResult InvokeCommand(const InvokeCommandInfo& info) = 0;
    // The verb of a command offset as zero-terminated narrow text in buffer (of size bytes).
    virtual HResult GetCommandString(std::uint32_t command, std::uint32_t kind, char* buffer, std::uint32_t size) = 0;
};

class IContextMenu2 : public IContextMenu {
public:
    // Menu messages for owner-drawn entries; these menus draw none, so every message is accepted.
    virtual HResult HandleMenuMsg(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

} // namespace shellns
