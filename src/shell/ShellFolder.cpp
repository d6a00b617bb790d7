#include <array>
#include <cctype>
#include <cstring>

#include "platform/shellns/Allocator.h"
#include "platform/shellns/Execute.h"
#include "platform/shellns/Icons.h"
#include "platform/shellns/Wide.h"
#include "shell/ShellCtrls.h"
#include "shell/ShellErrors.h"

namespace ShellCtrls {
namespace {

using namespace shellns;

constexpr std::uint32_t kFolderMask = kAttrFolder;
constexpr std::uint32_t kHasSubfolderMask = kAttrHasSubfolder;
constexpr std::uint32_t kAbilityMask = 0x177;
constexpr std::uint32_t kFirstTraitMask = 0xF0000;
constexpr std::uint32_t kStorageTraitMask = kAttrFileSystem | kAttrFileSysAncestor | kAttrRemovable | kAttrValidate;
constexpr std::uint32_t kEnumFlagsShift = 5;
constexpr std::uint32_t kObjectTypeBits = 0x7;
constexpr std::uint32_t kRootFolderIndexMask = 0x7F;

struct AbilityFlag {
    TAbility ability;
    std::uint32_t flag;
};
constexpr std::array<AbilityFlag, 7> kAbilityFlags{{
    {abCopy, kAttrCanCopy},
    {abDelete, kAttrCanDelete},
    {abLink, kAttrCanLink},
    {abMove, kAttrCanMove},
    {abRename, kAttrCanRename},
    {abDropTarget, kAttrDropTarget},
    {abPropSheet, kAttrHasPropSheet},
}};

struct TraitFlag {
    TTrait trait;
    std::uint32_t flag;
};
constexpr std::array<TraitFlag, 8> kTraitFlags{{
    {trGhosted, kAttrGhosted},
    {trLink, kAttrLink},
    {trReadOnly, kAttrReadOnly},
    {trShared, kAttrShare},
    {trFileSystem, kAttrFileSystem},
    {trFileSystemAncestor, kAttrFileSysAncestor},
    {trRemovable, kAttrRemovable},
    {trValidate, kAttrValidate},
}};

struct RootFolderEntry {
    std::string_view name;
    int folderNumber;
};
constexpr std::array<RootFolderEntry, kRootFolderCount> kRootFolders{{
    {"rfDesktop", 0},
    {"rfMyComputer", 17},
    {"rfNetwork", 18},
    {"rfRecycleBin", 10},
    {"rfAppData", 26},
    {"rfCommonDesktopDirectory", 25},
    {"rfCommonPrograms", 23},
    {"rfCommonStartMenu", 22},
    {"rfCommonStartup", 24},
    {"rfControlPanel", 3},
    {"rfDesktopDirectory", 16},
    {"rfFavorites", 6},
    {"rfFonts", 20},
    {"rfInternet", 1},
    {"rfPersonal", 5},
    {"rfPrinters", 4},
    {"rfPrintHood", 27},
    {"rfPrograms", 2},
    {"rfRecent", 8},
    {"rfSendTo", 9},
    {"rfStartMenu", 11},
    {"rfStartup", 7},
    {"rfTemplates", 21},
}};

constexpr std::string_view kClassIdPathPrefix = "::{";

TShellFolder* gSharedDesktop = nullptr;

ShellFolderIntf DesktopFolder()
{
    ShellFolderIntf desktop;
    if (const HResult hr = GetDesktopFolder(&desktop); Failed(hr))
        RaiseSystemError(hr);
    return desktop;
}

TIdListPtr DesktopIdList()
{
    PItemIdList list = nullptr;
    if (const HResult hr = GetSpecialFolderLocation(kFolderDesktop, &list); Failed(hr))
        RaiseSystemError(hr);
    return TIdListPtr(list);
}

// The text a string-return record carries; a wide text is given back to the allocator.
std::string StrRetText(StrRet& record, PCItemIdList list)
{
    switch (record.uType) {
    case kStrRetWide: {
        if (!record.pOleStr)
            return {};
        const std::string text = WideToBytes(record.pOleStr);
        Allocator().Free(record.pOleStr);
        record.pOleStr = nullptr;
        return text;
    }
    case kStrRetOffset: {
        if (!list)
            return {};
        const std::uint16_t itemSize = ReadIdCount(IdBytes(list));
        if (record.uOffset >= itemSize)
            return {};
        const char* text = reinterpret_cast<const char*>(IdBytes(list)) + record.uOffset;
        return std::string(text, strnlen(text, itemSize - record.uOffset));
    }
    case kStrRetNarrow:
        return std::string(record.cStr, strnlen(record.cStr, sizeof record.cStr));
    default:
        return {};
    }
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string FormatWithText(std::string_view format, std::string_view text)
{
    std::string message(format);
    const std::size_t at = message.find("%s");
    return message.replace(at, 2, text);
}

} // namespace

std::string_view RootFolderName(TRootFolder folder)
{
    return kRootFolders[static_cast<std::size_t>(folder) & kRootFolderIndexMask].name;
}

bool RootFolderFromName(std::string_view text, TRootFolder* folder)
{
    for (std::size_t i = 0; i < kRootFolders.size(); ++i) {
        const std::string_view name = kRootFolders[i].name;
        if (name.size() != text.size())
            continue;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(name[k])) == std::tolower(static_cast<unsigned char>(text[k]));
        if (same) {
            *folder = static_cast<TRootFolder>(i);
            return true;
        }
    }
    return false;
}

std::uint32_t EnumFlagsFor(TShellObjectTypes objectTypes)
{
    return (static_cast<std::uint32_t>(objectTypes.toInt()) & kObjectTypeBits) << kEnumFlagsShift;
}

bool SameIdList(PCItemIdList a, PCItemIdList b)
{
    return DesktopFolder()->CompareIDs(0, a, b) == 0;
}

std::string ItemDisplayName(IShellFolder* folder, PCItemIdList list, std::uint32_t nameFlags)
{
    if (!folder)
        return "parentfolder = nil";
    StrRet record;
    std::memset(&record, 0, sizeof record);
    folder->GetDisplayNameOf(list, nameFlags, &record); // a failed request leaves the empty name
    std::string name = StrRetText(record, list);
    if (name.size() > 1 && name[0] == '?' && IsDigit(name[1]))
        std::erase(name, '?');
    if (name.compare(0, kClassIdPathPrefix.size(), kClassIdPathPrefix) == 0)
        return ItemDisplayName(folder, list, kNameNormal);
    return name;
}

ShellFolderIntf BindChildFolder(const ShellFolderIntf& folder, PCItemIdList list)
{
    ShellFolderIntf child;
    if (folder && Failed(folder->BindToObject(list, &child))) {
        UnknownPtr answer;
        if (Succeeded(folder->GetUIObjectOf(1, &list, InterfaceId::ShellFolder, &answer)))
            child = std::dynamic_pointer_cast<IShellFolder>(answer);
        if (Succeeded(folder->CreateViewObject(InterfaceId::ShellFolder, &answer)))
            child = std::dynamic_pointer_cast<IShellFolder>(answer);
    }
    // Only a list that is not relative to some other folder may be taken from the desktop.
    if (!child && !folder)
        DesktopFolder()->BindToObject(list, &child);
    return child;
}

int SystemIconIndex(PCItemIdList absIdList, bool large, bool open)
{
    std::uint32_t flags = kInfoSysIconIndex | kInfoIdList;
    if (open)
        flags |= kInfoOpenIcon;
    if (!large)
        flags |= kInfoSmallIcon;
    FileInfo info;
    GetFileInfo(absIdList, flags, &info);
    return info.iconIndex;
}

bool HasAnyChild(const ShellFolderIntf& folder, std::uint32_t enumFlags)
{
    if (!folder)
        return false;
    EnumIdListPtr items;
    if (Failed(folder->EnumObjects(enumFlags, &items)) || !items)
        return false;
    PItemIdList first = nullptr;
    std::uint32_t fetched = 0;
    const bool any = items->Next(1, &first, &fetched) == S_OK;
    FreeIdList(first);
    return any;
}

std::unique_ptr<TShellFolder> FolderFromIdList(PCItemIdList absIdList)
{
    ShellFolderIntf desktop = DesktopFolder();
    ShellFolderIntf folder = BindChildFolder(desktop, absIdList);
    return std::make_unique<TShellFolder>(SharedDesktop(), folder ? folder : desktop, absIdList);
}

std::unique_ptr<TShellFolder> MakeRootFolder(std::unique_ptr<TShellFolder>& oldRoot, const TRoot& oldRootText,
                                             TRoot& newRootText)
{
    PItemIdList list = nullptr;
    HResult hr = E_FAIL;
    if (TRootFolder folder; RootFolderFromName(newRootText, &folder)) {
        hr = GetSpecialFolderLocation(kRootFolders[static_cast<std::size_t>(folder) & kRootFolderIndexMask].folderNumber,
                                      &list);
    } else if (!newRootText.empty()) {
        std::string path = newRootText;
        if (path.back() == ':')
            path += '/'; // "NAME:" is the root of the volume NAME, as a drive letter and colon was
        hr = DesktopFolder()->ParseDisplayName(BytesToWide(path), &list);
    }
    TIdListPtr owned(list);
    if (hr != S_OK) {
        const std::string message = FormatWithText("Error setting path: \"%s\"", newRootText);
        newRootText = oldRootText;
        RaiseShellError(message);
    }
    std::unique_ptr<TShellFolder> root = FolderFromIdList(owned.get());
    oldRoot.reset();
    return root;
}

TShellFolder::TShellFolder(TShellFolder* parent, ShellFolderIntf folderIntf, PCItemIdList relIdList)
    : FParentFolder(parent), FFolderIntf(std::move(folderIntf))
{
    FRelIdList.reset(CopyIdList(relIdList));
    if (parent) {
        FAbsIdList.reset(JoinIdLists(parent->AbsIdList(), relIdList));
    } else {
        const TIdListPtr desktop = DesktopIdList();
        FAbsIdList.reset(JoinIdLists(desktop.get(), relIdList));
    }
    if (!FParentFolder)
        FParentFolder = gSharedDesktop; // still none while the shared desktop itself is made
    for (TShellFolder* ancestor = parent ? parent->FParentFolder : nullptr; ancestor; ancestor = ancestor->FParentFolder)
        ++FDepth;
}

ShellFolderIntf TShellFolder::ParentFolderIntf() const
{
    return FParentFolder ? FParentFolder->FFolderIntf : DesktopFolder();
}

std::string TShellFolder::ParsingName() const
{
    return ItemDisplayName(DesktopFolder().get(), AbsIdList(), kNameForParsing);
}

std::string TShellFolder::InFolderName() const
{
    return ItemDisplayName(ParentFolderIntf().get(), RelIdList(), kNameInFolder);
}

std::uint32_t TShellFolder::Attributes(std::uint32_t mask) const
{
    const ShellFolderIntf parent = ParentFolderIntf();
    if (!parent)
        return 0;
    PCItemIdList item = RelIdList();
    parent->GetAttributesOf(1, &item, &mask); // a failed request clears the flags
    return mask;
}

bool TShellFolder::IsFolderItem() const
{
    return (Attributes(kFolderMask) & kAttrFolder) != 0;
}

bool TShellFolder::HasFolderChildren() const
{
    return (Attributes(kHasSubfolderMask) & kAttrHasSubfolder) != 0;
}

TAbilities TShellFolder::Abilities() const
{
    const std::uint32_t attrs = Attributes(kAbilityMask);
    TAbilities abilities;
    for (const AbilityFlag& entry : kAbilityFlags)
        if (attrs & entry.flag)
            abilities |= entry.ability;
    return abilities;
}

TTraits TShellFolder::Traits() const
{
    // The storage traits are asked for by name: the shell answers only the flags it is asked for.
    const std::uint32_t attrs = Attributes(kFirstTraitMask) | Attributes(kStorageTraitMask);
    TTraits traits;
    for (const TraitFlag& entry : kTraitFlags)
        if (attrs & entry.flag)
            traits |= entry.trait;
    return traits;
}

int TShellFolder::IconIndex(bool large) const
{
    return SystemIconIndex(AbsIdList(), large, false);
}

bool TShellFolder::RenameTo(const std::u16string& newName)
{
    if (!Abilities().testFlag(abRename))
        return false;
    PItemIdList renamed = nullptr;
    const ShellFolderIntf parent = ParentFolderIntf();
    const HResult hr = parent ? parent->SetNameOf(RelIdList(), newName, kNameNormal, &renamed) : E_FAIL;
    TIdListPtr newRel(renamed);
    if (hr != S_OK)
        RaiseShellError(FormatWithText("Rename to %s failed", WideToBytes(newName)));
    FAbsIdList.reset(FParentFolder ? JoinIdLists(FParentFolder->AbsIdList(), newRel.get()) : CopyIdList(newRel.get()));
    FRelIdList = std::move(newRel);
    return true;
}

void TShellFolder::RunDefaultVerb() const
{
    ExecuteInfo info;
    info.mask = kExecuteInvokeIdList;
    info.idList = AbsIdList();
    info.show = kShowShow;
    ExecuteEx(&info);
}

TShellFolder* SharedDesktop()
{
    return gSharedDesktop;
}

void StartShellCtrls()
{
    if (gSharedDesktop)
        return;
    PItemIdList desktop = nullptr;
    if (Succeeded(GetSpecialFolderLocation(kFolderDesktop, &desktop)) && desktop) {
        const TIdListPtr owned(desktop);
        gSharedDesktop = new TShellFolder(nullptr, DesktopFolder(), owned.get());
    }
}

void EndShellCtrls()
{
    delete gSharedDesktop;
    gSharedDesktop = nullptr;
}

} // namespace ShellCtrls
