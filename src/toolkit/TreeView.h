#pragma once
// The tree view control: nodes with a text, a data pointer, pictures from an image list and
// a has-children flag that shows an expand button before any child exists. Expanding,
// moving the selection and editing a label each ask a virtual check first (CanExpand,
// CanChange, CanEdit), which a subclass or a handler may use to veto or to fill a node
// just in time. Nodes live in the control's own model over a QTreeView, so a node costs a
// small object and 10,000 children appear in one layout.
//
//   TTreeView* tree = new TTreeView(form);
//   tree->SetParent(form);
//   TTreeNode* root = tree->Items()->Add(nullptr, "Root");
//   tree->Items()->AddChild(root, "Child");
//   root->Expand(false);
//   tree->SetSelected(root);

#include "toolkit/Controls.h"

#include <QIcon>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTreeView;
class TCustomTreeView;
class TTreeNodes;

// What an image-list handle gives a control: pictures of one size, by index.
class IImageList {
public:
    virtual ~IImageList() = default;
    virtual int ImageCount() const = 0;
    virtual QSize ImageSize() const = 0;
    // A null icon for an index out of range.
    virtual QIcon Image(int index) const = 0;
};
using HIMAGELIST = const IImageList*;

// An image list a form owns: pictures added by the program, all shown at Width x Height.
class TCustomImageList : public TNonVisualComponent, public IImageList {
    Q_OBJECT
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_CLASSINFO("Height", "default 16")
    Q_CLASSINFO("Width", "default 16")

public:
    explicit TCustomImageList(TComponent* owner);

    int Width() const { return FWidth; }
    void SetWidth(int value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    int Count() const { return int(FImages.size()); }
    // The index of the new picture.
    int Add(const QIcon& image);

    int ImageCount() const override { return Count(); }
    QSize ImageSize() const override { return QSize(FWidth, FHeight); }
    QIcon Image(int index) const override;

private:
    std::vector<QIcon> FImages;
    int FWidth = 16;
    int FHeight = 16;
};

class TTreeNode;
// Negative when the first node goes first, as the sort functions of the platform answer.
using TTVCompare = std::function<int(TTreeNode* node1, TTreeNode* node2)>;

class TTreeNode {
public:
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;
    ~TTreeNode();

    TTreeNodes* Owner() const { return FOwner; }
    TCustomTreeView* TreeView() const;

    const QString& Text() const { return FText; }
    void SetText(const QString& value);
    // Anything the program keeps with the node; the tree never looks at it.
    void* Data() const { return FData; }
    void SetData(void* value) { FData = value; }

    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    // The picture while the node is selected.
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int value);
    // An overlay picture of the image list drawn over the node's picture; -1 for none.
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int value);

    // The expand button shows while this is set, whether or not children exist yet. Adding a
    // child sets it; removing the last child clears it.
    bool HasChildren() const { return FHasChildren; }
    void SetHasChildren(bool value);

    bool Expanded() const;
    void SetExpanded(bool value);
    // Through the tree's expansion check, which may veto it (or fill the node first).
    void Expand(bool recurse);
    void Collapse(bool recurse);

    bool Selected() const;
    void SetSelected(bool value);

    // nullptr for a top-level node.
    TTreeNode* Parent() const;
    int Count() const { return int(FChildren.size()); }
    TTreeNode* Item(int index) const { return FChildren.at(std::size_t(index)).get(); }
    // Position among its siblings.
    int Index() const { return FIndex; }
    // 0 for a top-level node.
    int Level() const;
    // Position in depth-first order over the whole tree, collapsed parts included.
    int AbsoluteIndex() const;

    TTreeNode* GetFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front().get(); }
    TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back().get(); }
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // The next node in depth-first order: first child, else next sibling, else the next
    // sibling of the nearest ancestor that has one; nullptr after the last node.
    TTreeNode* GetNext() const;

    // Deletes the node and its subtree, telling the tree of every node that goes.
    void Delete();

    // Starts the in-place edit of the label (through the tree's editing check); false when
    // it did not start.
    bool EditText();
    // Ends the edit of this node's label, keeping the edited text unless cancel is set.
    void EndEdit(bool cancel);

    // Orders the direct children (and, with recurse, every level below) by compare.
    bool CustomSort(const TTVCompare& compare, bool recurse = false);

    // The node's row in the tree's client coordinates; empty while the node is not shown.
    TRect DisplayRect() const;

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;

    TTreeNode(TTreeNodes* owner, TTreeNode* parent);
    void Changed();
    int SubtreeSize() const;

    TTreeNodes* FOwner;
    TTreeNode* FParent; // the hidden root for a top-level node
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
    int FIndex = 0;
    QString FText;
    void* FData = nullptr;
    int FImageIndex = 0;
    int FSelectedIndex = 0;
    int FOverlayIndex = -1;
    bool FHasChildren = false;
};

class TTreeNodes {
public:
    explicit TTreeNodes(TCustomTreeView* owner);
    ~TTreeNodes();
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    TCustomTreeView* Owner() const { return FOwner; }
    // Every node of the tree.
    int Count() const { return FCount; }
    // The node at an absolute index (depth-first order); throws when out of range.
    TTreeNode* Item(int index) const;
    TTreeNode* operator[](int index) const { return Item(index); }
    TTreeNode* GetFirstNode() const;

    // A new last sibling of sibling (a new last top-level node when sibling is nullptr).
    TTreeNode* Add(TTreeNode* sibling, const QString& text);
    // A new last child of parent (top-level when parent is nullptr).
    TTreeNode* AddChild(TTreeNode* parent, const QString& text);
    // A new node just before sibling (a new last top-level node when sibling is nullptr).
    TTreeNode* Insert(TTreeNode* sibling, const QString& text);
    void Delete(TTreeNode* node);
    // Deletes every node. The selection becomes none without a selection-change check.
    void Clear();

    // Changes made between these show at once at the end; they nest.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }

private:
    friend class TTreeNode;
    friend class TCustomTreeView;

    TTreeNode* InsertAt(TTreeNode* parent, int index, const QString& text);
    TTreeNode* ParentOrRoot(TTreeNode* node) const { return node ? node : FRoot.get(); }

    TCustomTreeView* FOwner;
    std::unique_ptr<TTreeNode> FRoot;
    int FCount = 0;
    int FUpdateCount = 0;
    bool FChangedWhileUpdating = false;
};

using TTVChangingEvent = TEvent<TObject*, TTreeNode*, bool&>;
using TTVChangedEvent = TEvent<TObject*, TTreeNode*>;
using TTVEditedEvent = TEvent<TObject*, TTreeNode*, QString&>;
using TContextPopupEvent = TEvent<TObject*, TPoint, bool&>;
Q_DECLARE_METATYPE(TTreeNode*)
Q_DECLARE_METATYPE(TTVChangingEvent)
Q_DECLARE_METATYPE(TTVChangedEvent)
Q_DECLARE_METATYPE(TTVEditedEvent)
Q_DECLARE_METATYPE(TContextPopupEvent)

class TCustomTreeView : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(TCustomImageList* Images READ Images WRITE SetImages)
    Q_PROPERTY(int Indent READ Indent WRITE SetIndent)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool RightClickSelect READ RightClickSelect WRITE SetRightClickSelect)
    Q_PROPERTY(bool ShowRoot READ ShowRoot WRITE SetShowRoot)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(TTVChangedEvent OnChange MEMBER OnChange)
    Q_PROPERTY(TTVChangingEvent OnChanging MEMBER OnChanging)
    Q_PROPERTY(TContextPopupEvent OnContextPopup MEMBER OnContextPopup)
    Q_PROPERTY(TTVChangedEvent OnDeletion MEMBER OnDeletion)
    Q_PROPERTY(TTVChangingEvent OnEditing MEMBER OnEditing)
    Q_PROPERTY(TTVEditedEvent OnEdited MEMBER OnEdited)
    Q_PROPERTY(TTVChangingEvent OnExpanding MEMBER OnExpanding)
    Q_PROPERTY(TTVChangedEvent OnGetImageIndex MEMBER OnGetImageIndex)
    Q_PROPERTY(TTVChangedEvent OnGetSelectedIndex MEMBER OnGetSelectedIndex)
    Q_CLASSINFO("Color", "TColor; default clWindow; stored IsColorStored")
    Q_CLASSINFO("ParentColor", "default False")
    Q_CLASSINFO("Indent", "default 19")
    Q_CLASSINFO("ReadOnly", "default False")
    Q_CLASSINFO("RightClickSelect", "default False")
    Q_CLASSINFO("ShowRoot", "default True")
    Q_CLASSINFO("TabStop", "default True")

public:
    explicit TCustomTreeView(TComponent* owner);
    ~TCustomTreeView() override;

    TTreeNodes* Items() const { return FItems.get(); }

    // The selected node (the one with the caret), or nullptr.
    TTreeNode* Selected() const;
    // Through the selection-change check, which may veto it.
    void SetSelected(TTreeNode* node);
    // The first node shown at the top of the client area.
    TTreeNode* TopItem() const;
    void SetTopItem(TTreeNode* node);
    // The node whose row holds the client point, or nullptr.
    TTreeNode* GetNodeAt(int x, int y) const;
    bool IsEditing() const;

    // The tree's own image list; without one the pictures come from the list a subclass sets.
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* value);
    // Horizontal step from one level to the next, in pixels.
    int Indent() const { return FIndent; }
    void SetIndent(int value);
    // No in-place editing of labels.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // A right click selects the node under the pointer before the context-menu request.
    bool RightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool value);
    // Top-level nodes have expand buttons and lines.
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool value);

    // The window is destroyed and made again (a subclass may rebuild its nodes on the way).
    void RecreateWnd();

    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TContextPopupEvent OnContextPopup;
    TTVChangedEvent OnDeletion;
    TTVChangingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TTVChangingEvent OnExpanding;
    TTVChangedEvent OnGetImageIndex;
    TTVChangedEvent OnGetSelectedIndex;

    // The Qt view the nodes show in (for tests and for painting the window).
    QTreeView* View() const;

protected:
    // Asked before a node expands; the base asks OnExpanding.
    virtual bool CanExpand(TTreeNode* node);
    // Asked before the selection moves to node (nullptr: to none); the base asks OnChanging.
    virtual bool CanChange(TTreeNode* node);
    // The selection has moved; the base fires OnChange.
    virtual void Change(TTreeNode* node);
    // Asked before a label edit starts; the base asks OnEditing.
    virtual bool CanEdit(TTreeNode* node);
    // A label edit has ended with the edited text, or with none when it was cancelled. The
    // base passes a text to OnEdited and gives it to the node.
    virtual void Edit(TTreeNode* node, const std::optional<QString>& text);
    // Every node that goes away, just before it goes (children before their parent); the
    // base fires OnDeletion.
    virtual void Delete(TTreeNode* node);
    // Asked whenever the node's picture is drawn; the base fires the events, which may set
    // the node's indexes.
    virtual void GetImageIndex(TTreeNode* node);
    virtual void GetSelectedIndex(TTreeNode* node);
    // A context-menu request at a client point (a right click, or the keyboard at the
    // selected node); the base fires OnContextPopup.
    virtual void DoContextPopup(TPoint mousePos, bool& handled);
    // The window is asked to show pictures from list (nullptr: none). The tree asks for
    // its own image list whenever Images changes.
    virtual void SetImageList(HIMAGELIST list);
    // The list the window shows pictures from.
    HIMAGELIST ImageList() const { return FImageList; }
    // The window goes; nodes stay unless a subclass drops them.
    virtual void DestroyWnd();

    void Notification(TComponent* component, TOperation operation) override;
    void FontChanged() override;
    void ColorChanged() override;
    void BoundsChanged() override;
    bool UsesSurface() const override { return false; }
    void showEvent(QShowEvent* event) override;

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    class Model;
    class SelectionModel;
    class ItemView;

    bool ExpandNode(TTreeNode* node);
    void CollapseNode(TTreeNode* node);
    bool SelectNode(TTreeNode* node, bool mayVeto);
    bool StartEdit(TTreeNode* node);
    void EndEdit(bool cancel);
    void NodeChanged(TTreeNode* node);
    void NodeLayoutChanged(TTreeNode* node);
    bool NodeShown(const TTreeNode* node) const;
    void CurrentChanged(TTreeNode* now, TTreeNode* before);
    void SortChildren(TTreeNode* parent, const TTVCompare& compare, bool recurse);
    TTreeNode* SelectionAfterDeleting(TTreeNode* node) const;
    void DeletingNode(TTreeNode* node);
    void NotifyDeletion(TTreeNode* node);

    std::unique_ptr<TTreeNodes> FItems;
    Model* FModel;
    SelectionModel* FSelection;
    ItemView* FView;
    TCustomImageList* FImages = nullptr;
    HIMAGELIST FImageList = nullptr;
    int FIndent = 19;
    bool FReadOnly = false;
    bool FRightClickSelect = false;
    bool FShowRoot = true;
};

class TTreeView : public TCustomTreeView {
    Q_OBJECT

public:
    using TCustomTreeView::TCustomTreeView;
};
