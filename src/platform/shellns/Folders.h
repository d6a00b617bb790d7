#pragma once
// The shell namespace: the desktop at the root, holding the user's desktop folders and the places
// Home, Computer (the root file system and the user volumes) and Trash. Folders are reached through
// counted references to the folder interface; items are named by identifier lists.
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/shellns/IdList.h"
#include "platform/shellns/Result.h"

namespace shellns {

// Base of every interface; references are counted by std::shared_ptr.
class Unknown {
public:
    virtual ~Unknown() = default;
};
using UnknownPtr = std::shared_ptr<Unknown>;

enum class InterfaceId { ShellFolder, ContextMenu, ContextMenu2 };

// Enumeration flags.
constexpr std::uint32_t kEnumFolders = 0x20;
constexpr std::uint32_t kEnumNonFolders = 0x40;
constexpr std::uint32_t kEnumIncludeHidden = 0x80;

// Name flags.
constexpr std::uint32_t kNameNormal = 0;
constexpr std::uint32_t kNameInFolder = 0x1;
constexpr std::uint32_t kNameForEditing = 0x1000;
constexpr std::uint32_t kNameForParsing = 0x8000;

// Attribute flags.
constexpr std::uint32_t kAttrCanCopy = 0x1;
constexpr std::uint32_t kAttrCanMove = 0x2;
constexpr std::uint32_t kAttrCanLink = 0x4;
constexpr std::uint32_t kAttrCanRename = 0x10;
constexpr std::uint32_t kAttrCanDelete = 0x20;
constexpr std::uint32_t kAttrHasPropSheet = 0x40;
constexpr std::uint32_t kAttrDropTarget = 0x100;
constexpr std::uint32_t kAttrLink = 0x10000;
constexpr std::uint32_t kAttrShare = 0x20000;
constexpr std::uint32_t kAttrReadOnly = 0x40000;
constexpr std::uint32_t kAttrGhosted = 0x80000; // also "hidden": names beginning with "."
constexpr std::uint32_t kAttrValidate = 0x1000000;
constexpr std::uint32_t kAttrRemovable = 0x2000000;
constexpr std::uint32_t kAttrFileSysAncestor = 0x10000000;
constexpr std::uint32_t kAttrFolder = 0x20000000;
constexpr std::uint32_t kAttrFileSystem = 0x40000000;
constexpr std::uint32_t kAttrHasSubfolder = 0x80000000;

// The string-return record of name requests, in its three kinds.
constexpr std::uint32_t kStrRetWide = 0;   // pOleStr: a block of the task allocator; the receiver frees it
constexpr std::uint32_t kStrRetOffset = 1; // uOffset: the name lies in the first item of the asked list
constexpr std::uint32_t kStrRetNarrow = 2; // cStr: the name's bytes, zero-terminated
constexpr std::size_t kStrRetTextSize = 260;
struct StrRet {
    std::uint32_t uType;
    union {
        char16_t* pOleStr;
        std::uint32_t uOffset;
        char cStr[kStrRetTextSize];
    };
};

// Special folder numbers of the places this system knows.
constexpr int kFolderDesktop = 0;
constexpr int kFolderPrograms = 2;
constexpr int kFolderPersonal = 5;
constexpr int kFolderStartup = 7;
constexpr int kFolderRecycleBin = 10;
constexpr int kFolderStartMenu = 11;
constexpr int kFolderDesktopDirectory = 16;
constexpr int kFolderComputer = 17;
constexpr int kFolderFonts = 20;
constexpr int kFolderTemplates = 21;
constexpr int kFolderCommonStartMenu = 22;
constexpr int kFolderCommonPrograms = 23;
constexpr int kFolderCommonStartup = 24;
constexpr int kFolderAppData = 26;

class IEnumIdList : public Unknown {
public:
    // Up to count single-item lists (blocks of the task allocator, owned by the caller);
    // S_OK when all were delivered, S_FALSE when the folder ran out first.
    virtual HResult Next(std::uint32_t count, PItemIdList* items, std::uint32_t* fetched) = 0;
};
using EnumIdListPtr = std::shared_ptr<IEnumIdList>;

class IShellFolder : public Unknown {
public:
    // Absolute path, "NAME:/rest" on a volume named NAME, or a class-id path "::{...}" into an
    // absolute list. Only the desktop parses.
    virtual HResult ParseDisplayName(std::u16string_view name, PItemIdList* out) = 0;
    virtual HResult EnumObjects(std::uint32_t flags, EnumIdListPtr* out) = 0;
    virtual HResult BindToObject(PCItemIdList list, std::shared_ptr<IShellFolder>* out) = 0;
    // The shell's order in the low 16 bits of a success code: places first, then folders, then
    // other items, each by name as a file manager sorts them; 0 only for the very same item.
    virtual HResult CompareIDs(std::intptr_t column, PCItemIdList a, PCItemIdList b) = 0;
    virtual HResult CreateViewObject(InterfaceId iid, UnknownPtr* out) = 0;
    // Only the bits asked for in *inOut are answered; several items give the bits they all have.
    virtual HResult GetAttributesOf(std::uint32_t count, const PCItemIdList* items, std::uint32_t* inOut) = 0;
    virtual HResult GetUIObjectOf(std::uint32_t count, const PCItemIdList* items, InterfaceId iid,
                                  UnknownPtr* out) = 0;
    virtual HResult GetDisplayNameOf(PCItemIdList list, std::uint32_t flags, StrRet* out) = 0;
    // Renames the item on disk (never over an existing name); *out receives the list with its last item renamed.
    virtual HResult SetNameOf(PCItemIdList item, std::u16string_view name, std::uint32_t flags,
                              PItemIdList* out) = 0;
};
using ShellFolderPtr = std::shared_ptr<IShellFolder>;

HResult GetDesktopFolder(ShellFolderPtr* out);
// The absolute list of a special folder; E_INVALIDARG when this machine has no such place.
HResult GetSpecialFolderLocation(int folder, PItemIdList* out);

} // namespace shellns
