#include "platform/shellns/ContextMenu.h"

#include <array>
#include <cstring>
#include <string_view>

#include "platform/shellns/ContextMenuInternal.h"
#include "platform/shellns/Execute.h"
#include "platform/shellns/Texts.h"
#include "platform/shellns/TrashInternal.h"

namespace shellns {

MenuHandle CreatePopupMenu()
{
    return new Menu;
}

bool DestroyMenu(MenuHandle menu)
{
    delete menu;
    return menu != nullptr;
}

namespace detail {
namespace {

// The verbs stay the same in every language; only the menu's words follow the user's.
struct Verb {
    std::string_view verb;
    Word text;
};
constexpr std::array<Verb, kCommandCount> kVerbs{{
    {"open", Word::Open},
    {"delete", Word::Delete},
    {"rename", Word::Rename},
}};

class ItemContextMenu final : public IContextMenu2 {
public:
    ItemContextMenu(Node item, std::uint32_t attributes) : FItem(std::move(item)), FAttributes(attributes) {}

    HResult QueryContextMenu(MenuHandle menu, std::uint32_t index, std::uint32_t firstCommand,
                             std::uint32_t lastCommand, std::uint32_t flags) override
    {
        if (!menu || firstCommand + kCommandCount - 1 > lastCommand)
            return E_INVALIDARG;
        std::vector<MenuItem> added;
        added.push_back(Item(kCommandOpen, firstCommand, true));
        if (!(flags & kMenuDefaultOnly)) {
            added.push_back(MenuItem{0, {}, true, false, true});
            // Deleting moves to the trash; where no trash can take the item, it is not offered.
            if (TrashAvailable(FItem.path))
                added.push_back(Item(kCommandDelete, firstCommand, (FAttributes & kAttrCanDelete) != 0));
            if (flags & kMenuCanRename)
                added.push_back(Item(kCommandRename, firstCommand, (FAttributes & kAttrCanRename) != 0));
        }
        const std::size_t at = std::min<std::size_t>(index, menu->items.size());
        menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
        return MakeSuccess(static_cast<std::uint16_t>(flags & kMenuDefaultOnly ? kCommandOpen + 1 : kCommandCount));
    }

    HResult InvokeCommand(const InvokeCommandInfo& info) override
    {
        std::uint32_t command = kCommandCount;
        if (const auto* offset = std::get_if<std::uint32_t>(&info.verb))
            command = *offset;
        else
            for (std::uint32_t i = 0; i < kCommandCount; ++i)
                if (kVerbs[i].verb == std::get<std::string>(info.verb))
                    command = i;
        switch (command) {
        case kCommandOpen:
            if (FItem.path.empty())
                return E_FAIL; // the computer item has no folder to show
            return OpenWithDefaultHandler(FItem.path) ? S_OK : E_FAIL;
        case kCommandDelete:
            if (!(FAttributes & kAttrCanDelete))
                return FromSystemError(kErrorAccessDenied);
            return MoveToTrash(FItem.path);
        case kCommandRename:
            return E_NOTIMPL; // renaming is done in place by the view that shows the item
        default:
            return E_INVALIDARG;
        }
    }

    HResult GetCommandString(std::uint32_t command, std::uint32_t kind, char* buffer, std::uint32_t size) override
    {
        if (kind != kCommandStringVerb || command >= kCommandCount || !buffer || size == 0)
            return E_INVALIDARG;
        const std::string_view verb = kVerbs[command].verb;
        const std::size_t n = std::min<std::size_t>(verb.size(), size - 1);
        std::memcpy(buffer, verb.data(), n);
        buffer[n] = '\0';
        return S_OK;
    }

    HResult HandleMenuMsg(std::uint32_t, std::uintptr_t, std::intptr_t) override { return S_OK; }

private:
    static MenuItem Item(std::uint32_t command, std::uint32_t firstCommand, bool enabled)
    {
        return MenuItem{firstCommand + command, LocalText(kVerbs[command].text), false, command == kCommandOpen,
                        enabled};
    }

    Node FItem;
    std::uint32_t FAttributes;
};

} // namespace

UnknownPtr MakeItemContextMenu(Node item, std::uint32_t attributes)
{
    return std::make_shared<ItemContextMenu>(std::move(item), attributes);
}

} // namespace detail
} // namespace shellns
