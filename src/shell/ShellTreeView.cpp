#include "shell/ShellTreeView.h"

#include <QMenu>
#include <QScopedValueRollback>

#include <array>
#include <vector>

#include "platform/fs/CurrentDirectory.h"
#include "platform/fs/File.h"
#include "platform/fs/FileErrors.h"
#include "platform/shellns/Execute.h"
#include "platform/shellns/Icons.h"
#include "platform/shellns/Texts.h"
#include "platform/shellns/Wide.h"
#include "shell/ShellErrors.h"
#include "toolkit/Application.h"
#include "toolkit/ClassRegistry.h"
#include "toolkit/Exceptions.h"

namespace ShellCtrls {
namespace {

using namespace shellns;

// Command numbers of a shell menu run from 1; 0 means nothing was chosen.
constexpr std::uint32_t kFirstMenuCommand = 1;
constexpr std::uint32_t kLastMenuCommand = 0x7FFF;
constexpr std::size_t kVerbBufferSize = 256;
// The menu message that tells the shell's menu it is about to show.
constexpr std::uint32_t kInitMenuPopupMessage = 0x0117;
constexpr std::uint32_t kSiblingOrderBits = 0xFFFF;

// The shell menu being tracked, which takes the menu's messages while it shows.
std::shared_ptr<IContextMenu2> ActiveMenu2;

ShellFolderIntf DesktopFolder()
{
    ShellFolderIntf desktop;
    if (const HResult hr = GetDesktopFolder(&desktop); Failed(hr))
        RaiseSystemError(hr);
    return desktop;
}

TShellFolder* FolderOf(const TTreeNode* node)
{
    return node ? static_cast<TShellFolder*>(node->Data()) : nullptr;
}

bool SameVerb(const std::string& verb, const char* name)
{
    return QString::fromStdString(verb).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// The path up to and including its last separator.
std::string DirectoryPart(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Nothing is found at path any more.
bool Gone(const std::string& path)
{
    files::FileId id;
    bool readOnly = false;
    return files::Identify(path, id, readOnly) != files::kNoError;
}

// The user's yes to moving the folder to the trash, asked as a file manager asks.
bool TrashConfirmed(const TShellFolder& item)
{
    const QString question = QString::fromStdString(LocalText(Word::ConfirmTrash)).arg(PathToText(item.InFolderName()));
    return Application->MessageBox(question, QString(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The item's list from the desktop, rebuilt from its parent's list and its own item.
TIdListPtr AbsoluteListOf(const TShellFolder* folder)
{
    if (!folder)
        return nullptr;
    return TIdListPtr(folder->ParentFolder() ? JoinIdLists(folder->ParentFolder()->AbsIdList(), folder->RelIdList())
                                             : CopyIdList(folder->RelIdList()));
}

// Root texts name the same root when they are equal, or name the same root folder in any
// letter case. Paths are compared exactly: names that differ in case are other folders here.
bool SameRoot(const TRoot& a, const TRoot& b)
{
    TRootFolder x, y;
    return a == b || (RootFolderFromName(a, &x) && RootFolderFromName(b, &y) && x == y);
}

class THourGlass {
public:
    THourGlass() : FSaved(Screen ? Screen->Cursor() : crDefault)
    {
        if (Screen)
            Screen->SetCursor(crHourGlass);
    }
    ~THourGlass()
    {
        if (Screen)
            Screen->SetCursor(FSaved);
    }
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;

private:
    TCursor FSaved;
};

class TUpdating {
public:
    explicit TUpdating(TTreeNodes* nodes) : FNodes(nodes) { FNodes->BeginUpdate(); }
    ~TUpdating() { FNodes->EndUpdate(); }
    TUpdating(const TUpdating&) = delete;
    TUpdating& operator=(const TUpdating&) = delete;

private:
    TTreeNodes* FNodes;
};

// The system image list as the toolkit's controls take image lists.
class TSystemImages final : public IImageList {
public:
    explicit TSystemImages(ImageListHandle list) : FList(list), FIcons(std::size_t(list->Count())) {}

    int ImageCount() const override { return FList->Count(); }
    QSize ImageSize() const override { return QSize(FList->IconSize(), FList->IconSize()); }
    QIcon Image(int index) const override
    {
        if (index < 0 || index >= FList->Count())
            return {};
        QIcon& icon = FIcons[std::size_t(index)];
        if (icon.isNull())
            icon = FList->Icon(index);
        return icon;
    }

private:
    ImageListHandle FList;
    mutable std::vector<QIcon> FIcons;
};

std::uint32_t TrackWithQMenu(const Menu& description, TPoint screenPoint, QWidget* owner)
{
    QMenu menu(owner);
    for (const MenuItem& item : description.items) {
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromStdString(item.text));
        action->setData(item.id);
        action->setEnabled(item.enabled);
        if (item.isDefault)
            menu.setDefaultAction(action);
    }
    QObject::connect(&menu, &QMenu::aboutToShow, [] {
        if (ActiveMenu2)
            ActiveMenu2->HandleMenuMsg(kInitMenuPopupMessage, 0, 0);
    });
    const QAction* chosen = menu.exec(screenPoint);
    return chosen ? chosen->data().toUInt() : 0;
}

// Holds the menu in ActiveMenu2 while it is tracked.
class TActiveMenu {
public:
    explicit TActiveMenu(std::shared_ptr<IContextMenu2> menu) { ActiveMenu2 = std::move(menu); }
    ~TActiveMenu() { ActiveMenu2.reset(); }
    TActiveMenu(const TActiveMenu&) = delete;
    TActiveMenu& operator=(const TActiveMenu&) = delete;
};

} // namespace

void ShowShellMenu(TWinControl* owner, TShellFolder* folder, int x, int y, const TMenuTracker& tracker)
{
    if (!folder)
        return;
    const ShellFolderIntf parent = folder->ParentFolderIntf();
    PCItemIdList item = folder->RelIdList();
    UnknownPtr answer;
    if (!parent || Failed(parent->GetUIObjectOf(1, &item, InterfaceId::ContextMenu, &answer)))
        return;
    const auto menu = std::dynamic_pointer_cast<IContextMenu>(answer);
    if (!menu)
        return;
    const TPoint screenPoint = owner->ClientToScreen(TPoint(x, y));
    const std::unique_ptr<Menu, bool (*)(MenuHandle)> popup(CreatePopupMenu(), &DestroyMenu);
    menu->QueryContextMenu(popup.get(), 0, kFirstMenuCommand, kLastMenuCommand, kMenuExplore | kMenuCanRename);
    std::uint32_t command = 0;
    {
        const TActiveMenu active(std::dynamic_pointer_cast<IContextMenu2>(menu));
        command = tracker ? tracker(*popup, screenPoint) : TrackWithQMenu(*popup, screenPoint, owner);
    }
    if (command == 0)
        return;
    const std::uint32_t index = command - kFirstMenuCommand;
    char verbText[kVerbBufferSize] = {};
    menu->GetCommandString(index, kCommandStringVerb, verbText, sizeof verbText);
    const std::string verb = verbText;
    bool handled = false;
    bool succeeded = false;
    auto* hook = dynamic_cast<IShellVerbHook*>(owner);
    if (hook) {
        succeeded = true;
        hook->BeforeVerb(verb, handled);
    }
    if (!handled) {
        InvokeCommandInfo info;
        info.verb = index;
        info.show = kShowNormal;
        succeeded = menu->InvokeCommand(info) == S_OK;
    }
    if (hook)
        hook->AfterVerb(verb, succeeded);
}

// ---------------------------------------------------------------- TCustomShellTreeView

TCustomShellTreeView::TCustomShellTreeView(TComponent* owner)
    : TCustomTreeView(owner), FObjectTypes(otFolders)
{
    SetShowRoot(false);
    SetRightClickSelect(true);
    FileInfo info;
    // The platform asked for its system volume's root; here that is "/".
    const std::uintptr_t handle = GetFileInfo("/", kInfoSysIconIndex | kInfoSmallIcon, &info);
    if (handle)
        FSystemImageList = std::make_unique<TSystemImages>(reinterpret_cast<ImageListHandle>(handle));
    FSystemImages = FSystemImageList.get();
    FWatcher = new TShellChangeNotifier(this);
    FRoot = std::string(RootFolderName(rfDesktop));
}

TCustomShellTreeView::~TCustomShellTreeView()
{
    delete FWatcher;
    FWatcher = nullptr;
    // The nodes go with the tree without deletion notices: the owner of the handlers may be
    // half gone by now.
    FreeNodeFolders();
}

QString TCustomShellTreeView::RootText() const
{
    return PathToText(FRoot);
}

void TCustomShellTreeView::SetRootText(const QString& value)
{
    SetRoot(TextToPath(value));
}

void TCustomShellTreeView::SetRoot(const TRoot& value)
{
    if (SameRoot(value, FRoot))
        return;
    FPreviousRoot = FRoot;
    FRoot = value;
    RootSettingChanged();
}

void TCustomShellTreeView::SetObjectTypes(TShellObjectTypes value)
{
    if (FObjectTypes == value)
        return;
    FObjectTypes = value;
    RootSettingChanged();
}

void TCustomShellTreeView::RootSettingChanged()
{
    if (FSyncing)
        return;
    const QScopedValueRollback syncing(FSyncing, true);
    BuildRoot();
    for (TCustomShellPartner* partner : Partners())
        if (partner)
            partner->SetRoot(FRoot);
}

void TCustomShellTreeView::BuildRoot()
{
    if (ComponentState().testFlag(csLoading))
        return;
    std::optional<QString> error;
    try {
        FRootObject = MakeRootFolder(FRootObject, FPreviousRoot, FRoot);
    } catch (const Exception& e) {
        error = e.Message(); // shown once the tree stands again on the old root
    }
    if (FRootObject) {
        const QScopedValueRollback building(FBuildingRoot, true);
        if (Items()->Count() > 0)
            DropAllNodes();
        TTreeNode* node = Items()->Add(nullptr, QString());
        auto* folder = new TShellFolder(nullptr, FRootObject->FolderIntf(), FRootObject->AbsIdList());
        node->SetData(folder);
        node->SetText(PathToText(ItemDisplayName(DesktopFolder().get(), folder->AbsIdList(), kNameNormal)));
        if (FUseShellImages && !Images()) {
            node->SetImageIndex(SystemIconIndex(folder->AbsIdList(), false, false));
            node->SetSelectedIndex(SystemIconIndex(folder->AbsIdList(), false, true));
        }
        node->SetHasChildren(folder->HasFolderChildren());
        node->Expand(false);
        node->SetSelected(true);
    }
    if (error)
        throw Exception(*error);
}

bool TCustomShellTreeView::CanExpand(TTreeNode* node)
{
    const bool result = TCustomTreeView::CanExpand(node);
    if (result) {
        if (TShellFolder* folder = FolderOf(node)) {
            if (folder->IsFolderItem()) {
                if (node->HasChildren() && node->Count() == 0)
                    FillChildren(node);
            } else {
                const std::string file = folder->ParsingName();
                Execute(nullptr, file.c_str(), nullptr, DirectoryPart(file).c_str(), kShowHide);
            }
        }
    }
    node->SetHasChildren(node->Count() > 0);
    return result;
}

void TCustomShellTreeView::FillChildren(TTreeNode* node)
{
    const THourGlass hourGlass;
    const TUpdating updating(Items());
    const TShellFolder* folder = FolderOf(node);
    if (!folder || !folder->FolderIntf())
        return;
    // A folder that cannot be listed, whether the shell says so or raises an error on the way,
    // simply has no children: the tree goes on, and the expand button goes with the expansion.
    std::vector<TIdListPtr> children; // the folder objects keep copies
    try {
        EnumIdListPtr items;
        if (folder->FolderIntf()->EnumObjects(EnumFlagsFor(FObjectTypes), &items) != S_OK || !items)
            return;
        PItemIdList item = nullptr;
        while (items->Next(1, &item, nullptr) == S_OK)
            children.emplace_back(item);
    } catch (...) {
        return;
    }
    for (const TIdListPtr& child : children)
        InitChildNode(Items()->AddChild(node, QString()), child.get(), node);
    node->CustomSort([this](TTreeNode* a, TTreeNode* b) { return CompareSiblings(a, b); });
}

void TCustomShellTreeView::InitChildNode(TTreeNode* node, PCItemIdList relIdList, TTreeNode* parentNode)
{
    TShellFolder* parent = FolderOf(parentNode);
    const ShellFolderIntf folderIntf = BindChildFolder(parent->FolderIntf(), relIdList);
    auto* folder = new TShellFolder(parent, folderIntf, relIdList);
    node->SetData(folder);
    node->SetText(PathToText(folder->InFolderName()));
    if (FUseShellImages && !Images()) {
        node->SetImageIndex(SystemIconIndex(folder->AbsIdList(), false, false));
        node->SetSelectedIndex(SystemIconIndex(folder->AbsIdList(), false, true));
    }
    if (node->SelectedIndex() == 0)
        node->SetSelectedIndex(node->ImageIndex());
    node->SetHasChildren(folder->HasFolderChildren());
    if (folder->Traits().testFlag(trShared))
        node->SetOverlayIndex(0);
    if (FObjectTypes.testFlag(otNonFolders) && folderIntf)
        node->SetHasChildren(HasAnyChild(folderIntf, EnumFlagsFor(FObjectTypes)));
    if (FOnAddFolder) {
        bool canAdd = true;
        FOnAddFolder(this, folder, canAdd);
        if (!canAdd)
            node->Delete();
    }
}

int TCustomShellTreeView::CompareSiblings(TTreeNode* node1, TTreeNode* node2) const
{
    const TShellFolder* a = FolderOf(node1);
    const TShellFolder* b = FolderOf(node2);
    const HResult order = a->ParentFolderIntf()->CompareIDs(0, a->RelIdList(), b->RelIdList());
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(order) & kSiblingOrderBits);
}

TTreeNode* TCustomShellTreeView::FindFolderNode(PCItemIdList absIdList, TTreeNode* startNode) const
{
    if (!startNode)
        return nullptr;
    const int level = startNode->Level();
    for (TTreeNode* node = startNode; node;) {
        if (const TShellFolder* folder = FolderOf(node); folder && SameIdList(folder->AbsIdList(), absIdList))
            return node;
        node = node->GetNext();
        if (node && node->Level() <= level)
            break;
    }
    return nullptr;
}

TShellFolder* TCustomShellTreeView::SelectedItem() const
{
    return FolderOf(Selected());
}

std::string TCustomShellTreeView::SelectedPath() const
{
    const TShellFolder* item = SelectedItem();
    return item ? item->ParsingName() : std::string();
}

TShellFolder* TCustomShellTreeView::NodeFolder(int index) const
{
    return FolderOf(Items()->Item(index));
}

void TCustomShellTreeView::SelectIdList(PCItemIdList absIdList)
{
    if (FSyncing || ComponentState().testFlag(csLoading))
        return;
    if (const TShellFolder* selected = SelectedItem(); selected && SameIdList(selected->AbsIdList(), absIdList))
        return;
    const QScopedValueRollback syncing(FSyncing, true);
    const TUpdating updating(Items());
    const std::unique_ptr<TIdListList, void (*)(TIdListList*)> ancestors(AncestorIdLists(absIdList),
                                                                       &FreeIdListList);
    TTreeNode* current = Items()->GetFirstNode();
    for (PItemIdList ancestor : *ancestors)
        if (TTreeNode* found = FindFolderNode(ancestor, current)) {
            found->Expand(false);
            current = found;
        }
    TTreeNode* found = FindFolderNode(absIdList, current);
    SetSelected(found);
    if (found)
        TellPartners(FolderOf(found)->AbsIdList());
}

void TCustomShellTreeView::ReloadNode(TTreeNode* node)
{
    const TShellFolder* old = FolderOf(node);
    if (!old || !old->FolderIntf())
        return;
    const THourGlass hourGlass;
    const TIdListPtr topList = AbsoluteListOf(FolderOf(TopItem()));
    const TIdListPtr selectedList = AbsoluteListOf(FolderOf(Selected()));
    const TUpdating updating(Items());

    TTreeNode* fresh = Items()->Insert(node, QString());
    auto* folder = new TShellFolder(FolderOf(node->Parent()), old->FolderIntf(), old->RelIdList());
    fresh->SetData(folder);
    FillChildren(fresh);
    fresh->SetImageIndex(SystemIconIndex(folder->AbsIdList(), false, false));
    fresh->SetSelectedIndex(SystemIconIndex(folder->AbsIdList(), false, true));
    fresh->SetHasChildren(folder->HasFolderChildren());
    fresh->SetText(PathToText(folder->InFolderName()));

    // Expand again what was expanded below the old node (which lies after the fresh one).
    const int level = node->Level();
    for (TTreeNode* n = node; n;) {
        if (const TShellFolder* f = FolderOf(n); f && n->Expanded())
            if (TTreeNode* found = FindFolderNode(f->AbsIdList(), fresh))
                found->Expand(false);
        n = n->GetNext();
        if (n && n->Level() <= level)
            break;
    }

    delete FolderOf(node);
    node->SetData(nullptr);
    node->Delete();

    if (selectedList)
        SetSelected(FindFolderNode(selectedList.get(), Items()->GetFirstNode()));
    if (topList)
        SetTopItem(FindFolderNode(topList.get(), Items()->GetFirstNode()));
}

void TCustomShellTreeView::ReloadSelection()
{
    if (TTreeNode* selected = Selected())
        ReloadNode(selected);
}

bool TCustomShellTreeView::CanChange(TTreeNode* node)
{
    const bool result = TCustomTreeView::CanChange(node);
    if (result && !FSyncing && node) {
        const bool refresh = FAutoRefresh;
        SetAutoRefresh(false); // ends the watcher of the folder being left
        if (const TShellFolder* item = FolderOf(node)) {
            const TShellFolder* folder = item->IsFolderItem() ? item : item->ParentFolder();
            const QScopedValueRollback syncing(FSyncing, true); // a partner's answer must not move the tree again
            TellPartners(folder->AbsIdList());
        }
        const QScopedValueRollback pending(FPendingNode, node);
        SetAutoRefresh(refresh);
    }
    return result;
}

void TCustomShellTreeView::SetAutoRefresh(bool value)
{
    if (FAutoRefresh == value)
        return;
    FAutoRefresh = value;
    if (ComponentState().testFlag(csLoading))
        return;
    delete FWatcher;
    FWatcher = nullptr;
    if (!value)
        return;
    const TShellFolder* watched = FPendingNode ? FolderOf(FPendingNode) : FRootObject.get();
    if (!watched)
        return;
    FWatcher = new TShellChangeNotifier(this);
    FWatcher->SetWatchSubTree(false);
    FWatcher->SetRoot(watched->ParsingName());
    // Runs on this thread; a failure becomes the error box here, never the watcher's end.
    FWatcher->SetOnChange(TThreadMethod::FromFunction([this] { Guard([this] { ReloadSelection(); }); }));
}

HIMAGELIST TCustomShellTreeView::ChosenImageList() const
{
    if (Images())
        return Images();
    return FUseShellImages ? FSystemImages : nullptr;
}

void TCustomShellTreeView::ApplyShellImages()
{
    SetImageList(ChosenImageList());
}

void TCustomShellTreeView::SetUseShellImages(bool value)
{
    if (FUseShellImages == value)
        return;
    FUseShellImages = value;
    ApplyShellImages();
}

void TCustomShellTreeView::SetImageList(HIMAGELIST list)
{
    if (FSettingImages) {
        TCustomTreeView::SetImageList(list);
        return;
    }
    // Whoever asks, the tree shows its own list, else the system's, else none.
    const QScopedValueRollback setting(FSettingImages, true);
    SetImageList(ChosenImageList());
}

void TCustomShellTreeView::GetImageIndex(TTreeNode* node)
{
    if (Images())
        TCustomTreeView::GetImageIndex(node);
}

void TCustomShellTreeView::GetSelectedIndex(TTreeNode* node)
{
    if (Images())
        TCustomTreeView::GetSelectedIndex(node);
}

void TCustomShellTreeView::DoContextPopup(TPoint mousePos, bool& handled)
{
    if (!FAutoContextMenus) {
        TCustomTreeView::DoContextPopup(mousePos, handled);
        return;
    }
    handled = true;
    ShowShellMenu(this, SelectedItem(), mousePos.x(), mousePos.y(), FMenuTracker);
}

void TCustomShellTreeView::BeforeVerb(const std::string& verb, bool& handled)
{
    if (SameVerb(verb, "rename") && Selected()) {
        Selected()->EditText();
        handled = true;
    } else if (SameVerb(verb, "open")) {
        FSavedDirectory = files::GetCurrentDir();
        if (const TShellFolder* item = SelectedItem())
            files::SetCurrentDir(DirectoryPart(item->ParsingName()));
    } else if (SameVerb(verb, "delete")) {
        // One misclick must not send a folder away: without a yes nothing is run.
        if (const TShellFolder* item = SelectedItem())
            handled = !TrashConfirmed(*item);
    }
}

void TCustomShellTreeView::AfterVerb(const std::string& verb, bool succeeded)
{
    // The current directory comes back whether or not the item opened.
    if (SameVerb(verb, "open"))
        files::SetCurrentDir(FSavedDirectory);
    TTreeNode* selected = Selected();
    if (!selected)
        return;
    if (!succeeded) {
        // Opening starts another program; when none could be started the user hears of it here.
        if (SameVerb(verb, "open"))
            if (const TShellFolder* item = FolderOf(selected))
                Application->MessageBox(
                    QString::fromStdString(LocalText(Word::CannotOpen)).arg(PathToText(item->InFolderName())),
                    QString(), MB_OK | MB_ICONSTOP);
        return;
    }
    if (SameVerb(verb, "delete")) {
        // The node goes only with its folder: a deletion the user declined leaves both.
        TShellFolder* folder = FolderOf(selected);
        if (folder && Gone(folder->ParsingName())) {
            selected->SetData(nullptr);
            selected->Delete();
            delete folder;
        }
    } else if (SameVerb(verb, "paste")) {
        ReloadNode(selected);
    }
}

void TCustomShellTreeView::SetShellComboBox(TShellComboBox* value)
{
    if (FShellComboBox == value)
        return;
    Relink(FShellComboBox, value);
    FShellComboBox = value;
}

void TCustomShellTreeView::SetShellListView(TShellListView* value)
{
    if (FShellListView == value)
        return;
    Relink(FShellListView, value);
    FShellListView = value;
}

void TCustomShellTreeView::Relink(TComponent* old, TComponent* value)
{
    if (old)
        old->RemoveFreeNotification(this);
    if (value)
        value->FreeNotification(this);
}

std::array<TCustomShellPartner*, 2> TCustomShellTreeView::Partners() const
{
    return {FShellComboBox, FShellListView};
}

void TCustomShellTreeView::TellPartners(PCItemIdList absIdList)
{
    for (TCustomShellPartner* partner : Partners())
        if (partner)
            partner->TreeUpdate(absIdList);
}

void TCustomShellTreeView::Notification(TComponent* component, TOperation operation)
{
    TCustomTreeView::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (component == static_cast<TComponent*>(FShellComboBox))
        FShellComboBox = nullptr;
    if (component == static_cast<TComponent*>(FShellListView))
        FShellListView = nullptr;
}

void TCustomShellTreeView::Edit(TTreeNode* node, const std::optional<QString>& text)
{
    if (!text)
        return;
    QString edited = *text;
    if (OnEdited)
        OnEdited(this, node, edited);
    if (!node)
        return;
    if (TShellFolder* folder = FolderOf(node); folder && folder->RenameTo(edited.toStdU16String())) {
        node->SetText(edited);
        RebaseNode(node);
    }
}

void TCustomShellTreeView::RebaseNode(TTreeNode* node)
{
    // The folder interface still names the old path, and so does every object below it: each is
    // made again under its parent's new one, top down, while the nodes stay as they are, so what
    // was expanded or selected inside the renamed folder stays so.
    if (TShellFolder* old = FolderOf(node)) {
        TShellFolder* parent = FolderOf(node->Parent());
        const ShellFolderIntf parentIntf = parent ? parent->FolderIntf() : old->ParentFolderIntf();
        node->SetData(new TShellFolder(parent, BindChildFolder(parentIntf, old->RelIdList()), old->RelIdList()));
        delete old;
    }
    for (int i = 0; i < node->Count(); ++i)
        RebaseNode(node->Item(i));
}

void TCustomShellTreeView::Delete(TTreeNode* node)
{
    delete FolderOf(node);
    node->SetData(nullptr);
    TCustomTreeView::Delete(node);
}

void TCustomShellTreeView::DropAllNodes()
{
    const TUpdating updating(Items());
    FreeNodeFolders();
    Items()->Clear();
}

void TCustomShellTreeView::FreeNodeFolders()
{
    for (TTreeNode* node = Items()->GetFirstNode(); node; node = node->GetNext()) {
        delete FolderOf(node);
        node->SetData(nullptr);
    }
}

void TCustomShellTreeView::CreateWnd()
{
    TCustomTreeView::CreateWnd();
    if (Items()->Count() > 0)
        DropAllNodes();
    if (!Images())
        ApplyShellImages();
    if (!FBuildingRoot)
        BuildRoot();
}

void TCustomShellTreeView::DestroyWnd()
{
    DropAllNodes();
    TCustomTreeView::DestroyWnd();
}

void TCustomShellTreeView::Loaded()
{
    TCustomTreeView::Loaded();
    BuildRoot();
}

void RegisterShellClasses()
{
    RegisterClass<TShellTreeView>();
    RegisterClass<TShellComboBox>();
    RegisterClass<TShellListView>();
}

} // namespace ShellCtrls
