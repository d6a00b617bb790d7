#include "toolkit/TreeViewParts.h"

#include "toolkit/Exceptions.h"

#include <algorithm>

// ---------------------------------------------------------------- TTreeNode

TTreeNode::TTreeNode(TTreeNodes* owner, TTreeNode* parent) : FOwner(owner), FParent(parent) {}

TTreeNode::~TTreeNode() = default;

TCustomTreeView* TTreeNode::TreeView() const
{
    return FOwner->Owner();
}

void TTreeNode::Changed()
{
    TreeView()->NodeChanged(this);
}

void TTreeNode::SetText(const QString& value)
{
    if (FText == value)
        return;
    FText = value;
    Changed();
}

void TTreeNode::SetImageIndex(int value)
{
    if (FImageIndex == value)
        return;
    FImageIndex = value;
    Changed();
}

void TTreeNode::SetSelectedIndex(int value)
{
    if (FSelectedIndex == value)
        return;
    FSelectedIndex = value;
    Changed();
}

void TTreeNode::SetOverlayIndex(int value)
{
    if (FOverlayIndex == value)
        return;
    FOverlayIndex = value;
    Changed();
}

void TTreeNode::SetHasChildren(bool value)
{
    if (FHasChildren == value)
        return;
    FHasChildren = value;
    TreeView()->NodeLayoutChanged(this);
}

bool TTreeNode::Expanded() const
{
    const TCustomTreeView* tree = TreeView();
    return tree->FView->isExpanded(tree->FModel->IndexOf(this));
}

void TTreeNode::SetExpanded(bool value)
{
    if (value)
        Expand(false);
    else
        Collapse(false);
}

void TTreeNode::Expand(bool recurse)
{
    TreeView()->ExpandNode(this);
    if (recurse)
        for (int i = 0; i < Count(); ++i)
            Item(i)->Expand(true);
}

void TTreeNode::Collapse(bool recurse)
{
    if (recurse)
        for (int i = 0; i < Count(); ++i)
            Item(i)->Collapse(true);
    TreeView()->CollapseNode(this);
}

bool TTreeNode::Selected() const
{
    return TreeView()->Selected() == this;
}

void TTreeNode::SetSelected(bool value)
{
    if (value)
        TreeView()->SetSelected(this);
    else if (Selected())
        TreeView()->SetSelected(nullptr);
}

TTreeNode* TTreeNode::Parent() const
{
    return FParent == FOwner->FRoot.get() ? nullptr : FParent;
}

int TTreeNode::Level() const
{
    int level = 0;
    for (const TTreeNode* p = Parent(); p; p = p->Parent())
        ++level;
    return level;
}

int TTreeNode::SubtreeSize() const
{
    int size = 1;
    for (const auto& child : FChildren)
        size += child->SubtreeSize();
    return size;
}

int TTreeNode::AbsoluteIndex() const
{
    int index = 0;
    for (const TTreeNode* n = this; n->FParent; n = n->FParent) {
        for (int i = 0; i < n->FIndex; ++i)
            index += n->FParent->Item(i)->SubtreeSize();
        if (n->Parent())
            ++index; // the parent itself comes before its children
    }
    return index;
}

TTreeNode* TTreeNode::GetNextSibling() const
{
    return FParent && FIndex + 1 < FParent->Count() ? FParent->Item(FIndex + 1) : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const
{
    return FParent && FIndex > 0 ? FParent->Item(FIndex - 1) : nullptr;
}

TTreeNode* TTreeNode::GetNext() const
{
    if (!FChildren.empty())
        return FChildren.front().get();
    for (const TTreeNode* n = this; n->FParent; n = n->FParent)
        if (TTreeNode* next = n->GetNextSibling())
            return next;
    return nullptr;
}

void TTreeNode::Delete()
{
    FOwner->Delete(this);
}

bool TTreeNode::EditText()
{
    return TreeView()->StartEdit(this);
}

void TTreeNode::EndEdit(bool cancel)
{
    if (TreeView()->FView->EditingNode() == this)
        TreeView()->EndEdit(cancel);
}

bool TTreeNode::CustomSort(const TTVCompare& compare, bool recurse)
{
    TreeView()->SortChildren(this, compare, recurse);
    return true;
}

TRect TTreeNode::DisplayRect() const
{
    const TCustomTreeView* tree = TreeView();
    const QRect row = tree->FView->visualRect(tree->FModel->IndexOf(this));
    if (!row.isValid())
        return {};
    const QPoint topLeft = tree->FView->viewport()->mapTo(tree, row.topLeft());
    return Rect(topLeft.x(), topLeft.y(), topLeft.x() + row.width(), topLeft.y() + row.height());
}

// ---------------------------------------------------------------- TTreeNodes

TTreeNodes::TTreeNodes(TCustomTreeView* owner)
    : FOwner(owner), FRoot(new TTreeNode(this, nullptr))
{
}

TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::GetFirstNode() const
{
    return FRoot->GetFirstChild();
}

TTreeNode* TTreeNodes::Item(int index) const
{
    if (index < 0 || index >= FCount)
        throw Exception(QStringLiteral("Tree view index out of range (%1)").arg(index));
    TTreeNode* node = GetFirstNode();
    for (int i = 0; i < index; ++i)
        node = node->GetNext();
    return node;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const QString& text)
{
    TTreeNode* parent = sibling ? sibling->FParent : FRoot.get();
    return InsertAt(parent, parent->Count(), text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const QString& text)
{
    TTreeNode* into = ParentOrRoot(parent);
    return InsertAt(into, into->Count(), text);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const QString& text)
{
    if (!sibling)
        return Add(nullptr, text);
    return InsertAt(sibling->FParent, sibling->FIndex, text);
}

TTreeNode* TTreeNodes::InsertAt(TTreeNode* parent, int index, const QString& text)
{
    // Nodes live in the window: the first one makes it, as the platform's control does.
    FOwner->HandleNeeded();
    auto node = std::unique_ptr<TTreeNode>(new TTreeNode(this, parent));
    node->FText = text;
    TTreeNode* added = node.get();
    auto* model = FOwner->FModel;
    if (parent != FRoot.get())
        parent->FHasChildren = true;
    model->beginInsertRows(model->IndexOf(parent), index, index);
    auto& siblings = parent->FChildren;
    siblings.insert(siblings.begin() + index, std::move(node));
    for (std::size_t i = std::size_t(index); i < siblings.size(); ++i)
        siblings[i]->FIndex = int(i);
    ++FCount;
    model->endInsertRows();
    return added;
}

void TTreeNodes::Delete(TTreeNode* node)
{
    if (!node || node == FRoot.get())
        return;
    FOwner->DeletingNode(node);
    TTreeNode* parent = node->FParent;
    const int row = node->FIndex;
    auto* model = FOwner->FModel;
    model->beginRemoveRows(model->IndexOf(parent), row, row);
    auto& siblings = parent->FChildren;
    std::unique_ptr<TTreeNode> doomed = std::move(siblings[std::size_t(row)]);
    siblings.erase(siblings.begin() + row);
    for (std::size_t i = std::size_t(row); i < siblings.size(); ++i)
        siblings[i]->FIndex = int(i);
    FCount -= doomed->SubtreeSize();
    model->endRemoveRows();
    doomed.reset();
    if (parent != FRoot.get() && siblings.empty())
        parent->SetHasChildren(false);
}

void TTreeNodes::Clear()
{
    if (FCount == 0)
        return;
    FOwner->EndEdit(true);
    for (const auto& node : FRoot->FChildren)
        FOwner->NotifyDeletion(node.get());
    auto* model = FOwner->FModel;
    model->beginResetModel();
    FRoot->FChildren.clear();
    FCount = 0;
    model->endResetModel();
}

void TTreeNodes::BeginUpdate()
{
    if (FUpdateCount++ == 0)
        FOwner->FView->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0)
        return;
    FOwner->FView->setUpdatesEnabled(true);
    if (FChangedWhileUpdating) {
        FChangedWhileUpdating = false;
        FOwner->FView->scheduleDelayedItemsLayout();
    }
}
