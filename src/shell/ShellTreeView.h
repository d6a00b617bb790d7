#pragma once
// The shell folder tree: a tree view whose nodes are namespace items, rooted at a root folder
// or a path, filled when a folder is first expanded, sorted in the shell's order, with the
// system icons, the shell's context menu, in-place rename and an optional watcher that reloads
// the selected folder when the file system changes. Every node's data is the TShellFolder it
// owns.
//
//   ShellCtrls::RegisterShellClasses();          // once, before forms that place one are read
//   ...
//   QString path = shellns::PathToText(ShellTreeView1->SelectedPath());
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/shellns/ContextMenu.h"
#include "shell/ShellChangeNotifier.h"
#include "shell/ShellCtrls.h"
#include "shell/ShellPartners.h"
#include "toolkit/TreeView.h"

namespace ShellCtrls {

// Lets a control take part in the commands of the shell context menu it shows.
class IShellVerbHook {
public:
    virtual ~IShellVerbHook() = default;
    // Before the command runs; handled = true keeps the shell from running it.
    virtual void BeforeVerb(const std::string& verb, bool& handled) = 0;
    virtual void AfterVerb(const std::string& verb, bool succeeded) = 0;
};

// Tracks a popup menu at a screen point and returns the command chosen, 0 for none.
using TMenuTracker = std::function<std::uint32_t(const shellns::Menu& menu, TPoint screenPoint)>;

// Shows the shell's context menu of folder at a client point of owner and runs the command
// chosen, with the owner's IShellVerbHook, if it offers one, taking part. The menu is tracked
// by tracker when one is given (a test answering it), else shown as a popup menu.
void ShowShellMenu(TWinControl* owner, TShellFolder* folder, int x, int y, const TMenuTracker& tracker = {});

using TAddFolderEvent = TEvent<TObject*, TShellFolder*, bool&>;

class TCustomShellTreeView : public TCustomTreeView, public IShellVerbHook {
    Q_OBJECT

public:
    explicit TCustomShellTreeView(TComponent* owner);
    ~TCustomShellTreeView() override;

    // A root folder's name (any letter case) or a path. Setting it rebuilds the tree; a text
    // that names nothing raises "Error setting path" after the tree has been rebuilt from the
    // old root, and the old text stays.
    const TRoot& Root() const { return FRoot; }
    void SetRoot(const TRoot& value);
    TShellObjectTypes ObjectTypes() const { return FObjectTypes; }
    virtual void SetObjectTypes(TShellObjectTypes value);
    // The system icons, while the tree has no image list of its own.
    bool UseShellImages() const { return FUseShellImages; }
    void SetUseShellImages(bool value);
    // Watch the selected folder and reload it when it changes.
    bool AutoRefresh() const { return FAutoRefresh; }
    void SetAutoRefresh(bool value);
    // A right click shows the shell's context menu of the selected item.
    bool AutoContextMenus() const { return FAutoContextMenus; }
    void SetAutoContextMenus(bool value) { FAutoContextMenus = value; }
    // Answers the context menus this tree shows instead of the user (tests); empty: the user does.
    void SetMenuTracker(TMenuTracker value) { FMenuTracker = std::move(value); }
    // Asked for every new child node; clearing CanAdd keeps the folder out.
    const TAddFolderEvent& OnAddFolder() const { return FOnAddFolder; }
    void SetOnAddFolder(const TAddFolderEvent& value) { FOnAddFolder = value; }
    // Partners handed the root setting when it changes and the folder the tree moves to; a
    // partner that goes is unlinked.
    TShellComboBox* ShellComboBox() const { return FShellComboBox; }
    void SetShellComboBox(TShellComboBox* value);
    TShellListView* ShellListView() const { return FShellListView; }
    void SetShellListView(TShellListView* value);

    // The folder object of the selected node, or nullptr.
    TShellFolder* SelectedItem() const;
    // SelectedItem's parsing name (a file-system folder's full path), empty with no selection.
    std::string SelectedPath() const;
    // The folder object of the node at an absolute index.
    TShellFolder* NodeFolder(int index) const;
    // Expands the tree down to the item and selects it.
    void SelectIdList(PCItemIdList absIdList);
    // Rebuilds a node and its expanded subtree from the shell, keeping expansion, selection
    // and the top row.
    void ReloadNode(TTreeNode* node);
    void ReloadSelection();
    // Frees every node's folder object and removes all nodes.
    virtual void DropAllNodes();

    // The watcher of the selected folder while AutoRefresh is set (for tests).
    TShellChangeNotifier* Watcher() const { return FWatcher; }

    void BeforeVerb(const std::string& verb, bool& handled) override;
    void AfterVerb(const std::string& verb, bool succeeded) override;

protected:
    bool CanExpand(TTreeNode* node) override;
    bool CanChange(TTreeNode* node) override;
    void Edit(TTreeNode* node, const std::optional<QString>& text) override;
    void Delete(TTreeNode* node) override;
    void GetImageIndex(TTreeNode* node) override;
    void GetSelectedIndex(TTreeNode* node) override;
    void DoContextPopup(TPoint mousePos, bool& handled) override;
    void SetImageList(HIMAGELIST list) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    QString RootText() const;
    void SetRootText(const QString& value);

private:
    void BuildRoot();
    void RootSettingChanged();
    void FillChildren(TTreeNode* node);
    void InitChildNode(TTreeNode* node, PCItemIdList relIdList, TTreeNode* parentNode);
    int CompareSiblings(TTreeNode* node1, TTreeNode* node2) const;
    TTreeNode* FindFolderNode(PCItemIdList absIdList, TTreeNode* startNode) const;
    void ApplyShellImages();
    HIMAGELIST ChosenImageList() const;
    void RebaseNode(TTreeNode* node);
    void FreeNodeFolders();
    // Hears when value goes instead of old.
    void Relink(TComponent* old, TComponent* value);
    std::array<TCustomShellPartner*, 2> Partners() const; // none linked: nullptr
    // The partners, if any, follow the tree to this item.
    void TellPartners(PCItemIdList absIdList);

    TRoot FRoot;
    TRoot FPreviousRoot;
    std::unique_ptr<TShellFolder> FRootObject;
    TShellObjectTypes FObjectTypes;
    std::unique_ptr<IImageList> FSystemImageList;
    HIMAGELIST FSystemImages = nullptr;
    bool FBuildingRoot = false;
    bool FAutoContextMenus = true;
    TMenuTracker FMenuTracker;
    bool FSyncing = false;
    bool FAutoRefresh = false;
    bool FSettingImages = false;
    bool FUseShellImages = true;
    TShellChangeNotifier* FWatcher = nullptr;
    TShellComboBox* FShellComboBox = nullptr;
    TShellListView* FShellListView = nullptr;
    TAddFolderEvent FOnAddFolder;
    std::string FSavedDirectory;
    TTreeNode* FPendingNode = nullptr;
};

} // namespace ShellCtrls

Q_DECLARE_METATYPE(ShellCtrls::TShellFolder*)
Q_DECLARE_METATYPE(ShellCtrls::TAddFolderEvent)

// Outside the namespace so that its meta-object name is the plain one form descriptions write.
class TShellTreeView : public ShellCtrls::TCustomShellTreeView {
    Q_OBJECT
    Q_PROPERTY(ShellCtrls::TShellObjectTypes ObjectTypes READ ObjectTypes WRITE SetObjectTypes)
    Q_PROPERTY(QString Root READ RootText WRITE SetRootText)
    Q_PROPERTY(bool UseShellImages READ UseShellImages WRITE SetUseShellImages)
    Q_PROPERTY(bool AutoRefresh READ AutoRefresh WRITE SetAutoRefresh)
    Q_PROPERTY(bool AutoContextMenus READ AutoContextMenus WRITE SetAutoContextMenus)
    Q_PROPERTY(ShellCtrls::TAddFolderEvent OnAddFolder READ OnAddFolder WRITE SetOnAddFolder)
    Q_PROPERTY(TShellComboBox* ShellComboBox READ ShellComboBox WRITE SetShellComboBox)
    Q_PROPERTY(TShellListView* ShellListView READ ShellListView WRITE SetShellListView)
    Q_CLASSINFO("ObjectTypes", "default [otFolders]")
    Q_CLASSINFO("Root", "default 'rfDesktop'")
    Q_CLASSINFO("UseShellImages", "default True")
    Q_CLASSINFO("AutoRefresh", "default False")
    Q_CLASSINFO("AutoContextMenus", "default True")

public:
    using TCustomShellTreeView::TCustomShellTreeView;
};

namespace ShellCtrls {

using ::TShellTreeView;

// Makes the shell's controls known to form descriptions ("object ShellTreeView1: TShellTreeView").
void RegisterShellClasses();

} // namespace ShellCtrls
