#pragma once
// ShellCtrls: a view of the shell namespace for the folder tree. Identifier-list routines, the
// shell folder object that wraps one namespace item, and the module's shared desktop object.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QFlags>
#include <QObject>

#include "platform/shellns/Folders.h"

namespace ShellCtrls {
Q_NAMESPACE

using shellns::PCItemIdList;
using shellns::PItemIdList;
using ShellFolderIntf = shellns::ShellFolderPtr; // counted reference to a folder interface

// ---- identifier lists (blocks of the shell's task allocator; absent = nullptr) ----

PItemIdList AllocIdList(std::size_t size);
void FreeIdList(PItemIdList list);
PCItemIdList NextIdItem(PCItemIdList list);
int IdItemCount(PCItemIdList list);
std::size_t IdListSize(PCItemIdList list);
PItemIdList CopyIdList(PCItemIdList list);
PItemIdList JoinIdLists(PCItemIdList first, PCItemIdList second);
void StripLastIdItem(PItemIdList list);
PItemIdList LastIdItem(PCItemIdList list);

using TIdListList = std::vector<PItemIdList>; // owns its lists; freed with FreeIdListList
TIdListList* AncestorIdLists(PCItemIdList list);
void FreeIdListList(TIdListList* lists);

bool SameIdList(PCItemIdList a, PCItemIdList b);

struct IdListDeleter {
    void operator()(shellns::ItemIdList* list) const { FreeIdList(list); }
};
using TIdListPtr = std::unique_ptr<shellns::ItemIdList, IdListDeleter>;

// ---- item properties ----

// Sets are Qt flags, as the toolkit's published sets are (element = one bit).
enum TAbility { abCopy = 0x1, abDelete = 0x2, abLink = 0x4, abMove = 0x8, abRename = 0x10, abDropTarget = 0x20,
                abPropSheet = 0x40 };
Q_DECLARE_FLAGS(TAbilities, TAbility)
Q_FLAG_NS(TAbilities)

enum TTrait { trGhosted = 0x1, trLink = 0x2, trReadOnly = 0x4, trShared = 0x8, trFileSystem = 0x10,
              trFileSystemAncestor = 0x20, trRemovable = 0x40, trValidate = 0x80 };
Q_DECLARE_FLAGS(TTraits, TTrait)
Q_FLAG_NS(TTraits)

enum TRootFolder {
    rfDesktop, rfMyComputer, rfNetwork, rfRecycleBin, rfAppData, rfCommonDesktopDirectory, rfCommonPrograms,
    rfCommonStartMenu, rfCommonStartup, rfControlPanel, rfDesktopDirectory, rfFavorites, rfFonts, rfInternet,
    rfPersonal, rfPrinters, rfPrintHood, rfPrograms, rfRecent, rfSendTo, rfStartMenu, rfStartup, rfTemplates
};
constexpr int kRootFolderCount = rfTemplates + 1;
// The name of a root folder as a root setting writes it ("rfDesktop", ...).
std::string_view RootFolderName(TRootFolder folder);
// A root folder named by text, in any letter case; false when the text names none.
bool RootFolderFromName(std::string_view text, TRootFolder* folder);

using TRoot = std::string; // a root folder's name, or a path

enum TShellObjectType { otFolders = 0x1, otNonFolders = 0x2, otHidden = 0x4 };
Q_DECLARE_FLAGS(TShellObjectTypes, TShellObjectType)
Q_FLAG_NS(TShellObjectTypes)

std::uint32_t EnumFlagsFor(TShellObjectTypes objectTypes);

// Kinds of change a change notifier reports.
enum TNotifyFilter {
    nfFileNameChange = 0x1,
    nfDirNameChange = 0x2,
    nfAttributeChange = 0x4,
    nfSizeChange = 0x8,
    nfWriteChange = 0x10,
    nfSecurityChange = 0x20,
};
Q_DECLARE_FLAGS(TNotifyFilters, TNotifyFilter)
Q_FLAG_NS(TNotifyFilters)


// ---- shell routines ----

// The item's name under the name flags; "parentfolder = nil" without a folder. A name that is a
// class-id path ("::{...}") is replaced by the item's plain display name.
std::string ItemDisplayName(shellns::IShellFolder* folder, PCItemIdList list, std::uint32_t nameFlags);
// The folder interface of the item list names inside folder; none for an item that is no folder.
// Without a folder the list is taken from the desktop.
ShellFolderIntf BindChildFolder(const ShellFolderIntf& folder, PCItemIdList list);
int SystemIconIndex(PCItemIdList absIdList, bool large, bool open);
bool HasAnyChild(const ShellFolderIntf& folder, std::uint32_t enumFlags);

class TShellFolder;
std::unique_ptr<TShellFolder> FolderFromIdList(PCItemIdList absIdList);
// The root object for newRootText (a root folder's name or a path). On success the old root object
// is destroyed; on failure newRootText is set back to oldRootText, the error "Error setting path"
// is raised, and the old root object stays as it was.
std::unique_ptr<TShellFolder> MakeRootFolder(std::unique_ptr<TShellFolder>& oldRoot, const TRoot& oldRootText,
                                             TRoot& newRootText);

// One namespace item: its identifier lists, its own folder interface (none for a non-folder) and
// its parent object, which it does not own.
class TShellFolder {
public:
    // Without parent the item is taken from the desktop and its parent becomes SharedDesktop().
    TShellFolder(TShellFolder* parent, ShellFolderIntf folderIntf, PCItemIdList relIdList);
    ~TShellFolder() = default;
    TShellFolder(const TShellFolder&) = delete;
    TShellFolder& operator=(const TShellFolder&) = delete;

    PCItemIdList RelIdList() const { return FRelIdList.get(); }
    PCItemIdList AbsIdList() const { return FAbsIdList.get(); }
    TShellFolder* ParentFolder() const { return FParentFolder; }
    const ShellFolderIntf& FolderIntf() const { return FFolderIntf; }
    int Depth() const { return FDepth; }

    ShellFolderIntf ParentFolderIntf() const;
    std::string ParsingName() const;  // for a file-system item its full path
    std::string InFolderName() const; // the name shown inside its folder
    bool IsFolderItem() const;
    bool HasFolderChildren() const;
    TAbilities Abilities() const;
    TTraits Traits() const;
    int IconIndex(bool large) const;
    // False without the rename ability; raises "Rename to %s failed" when the system refuses.
    bool RenameTo(const std::u16string& newName);
    void RunDefaultVerb() const;

private:
    std::uint32_t Attributes(std::uint32_t mask) const;

    TIdListPtr FRelIdList;
    TIdListPtr FAbsIdList;
    TShellFolder* FParentFolder = nullptr;
    ShellFolderIntf FFolderIntf;
    int FDepth = 0;
};

// ---- module state ----

// The desktop's object, made at module start; nullptr outside the module's life.
TShellFolder* SharedDesktop();
void StartShellCtrls();
void EndShellCtrls();
// Starts the module for a scope (a program's main, a test).
class ShellCtrlsModule {
public:
    ShellCtrlsModule() { StartShellCtrls(); }
    ~ShellCtrlsModule() { EndShellCtrls(); }
    ShellCtrlsModule(const ShellCtrlsModule&) = delete;
    ShellCtrlsModule& operator=(const ShellCtrlsModule&) = delete;
};

} // namespace ShellCtrls

Q_DECLARE_OPERATORS_FOR_FLAGS(ShellCtrls::TAbilities)
Q_DECLARE_OPERATORS_FOR_FLAGS(ShellCtrls::TTraits)
Q_DECLARE_OPERATORS_FOR_FLAGS(ShellCtrls::TShellObjectTypes)
Q_DECLARE_OPERATORS_FOR_FLAGS(ShellCtrls::TNotifyFilters)
