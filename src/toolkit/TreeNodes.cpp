#include "toolkit/TreeViewParts.h"

#include "toolkit/Exceptions.h"

#include <algorithm>

// ---------------------------------------------------------------- TTreeNode

TTreeNode::TTreeNode(TTreeNodes* owner, TTreeNode* parent) : owner_(owner), parent_(parent) {}

TTreeNode::~TTreeNode() = default;

TCustomTreeView* TTreeNode::TreeView() const
{
    return owner_->Owner();
}

void TTreeNode::Changed()
{
    TreeView()->NodeChanged(this);
}

void TTreeNode::SetText(const QString& value)
{
    if (text_ == value)
        return;
    text_ = value;
    Changed();
}

void TTreeNode::SetImageIndex(int value)
{
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    Changed();
}

void TTreeNode::SetSelectedIndex(int value)
{
    if (selectedIndex_ == value)
        return;
    selectedIndex_ = value;
    Changed();
}

void TTreeNode::SetOverlayIndex(int value)
{
    if (overlayIndex_ == value)
        return;
    overlayIndex_ = value;
    Changed();
}

void TTreeNode::SetHasChildren(bool value)
{
    if (hasChildren_ == value)
        return;
    hasChildren_ = value;
    TreeView()->NodeLayoutChanged(this);
}

bool TTreeNode::Expanded() const
{
    const TCustomTreeView* tree = TreeView();
    return tree->view_->isExpanded(tree->model_->IndexOf(this));
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
    return parent_ == owner_->root_.get() ? nullptr : parent_;
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
    for (const auto& child : children_)
        size += child->SubtreeSize();
    return size;
}

int TTreeNode::AbsoluteIndex() const
{
    int index = 0;
    for (const TTreeNode* n = this; n->parent_; n = n->parent_) {
        for (int i = 0; i < n->index_; ++i)
            index += n->parent_->Item(i)->SubtreeSize();
        if (n->Parent())
            ++index; // the parent itself comes before its children
    }
    return index;
}

TTreeNode* TTreeNode::GetNextSibling() const
{
    return parent_ && index_ + 1 < parent_->Count() ? parent_->Item(index_ + 1) : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const
{
    return parent_ && index_ > 0 ? parent_->Item(index_ - 1) : nullptr;
}

TTreeNode* TTreeNode::GetNext() const
{
    if (!children_.empty())
        return children_.front().get();
    for (const TTreeNode* n = this; n->parent_; n = n->parent_)
        if (TTreeNode* next = n->GetNextSibling())
            return next;
    return nullptr;
}

void TTreeNode::Delete()
{
    owner_->Delete(this);
}

bool TTreeNode::EditText()
{
    return TreeView()->StartEdit(this);
}

void TTreeNode::EndEdit(bool cancel)
{
    if (TreeView()->view_->EditingNode() == this)
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
    const QRect row = tree->view_->visualRect(tree->model_->IndexOf(this));
    if (!row.isValid())
        return {};
    const QPoint topLeft = tree->view_->viewport()->mapTo(tree, row.topLeft());
    return Rect(topLeft.x(), topLeft.y(), topLeft.x() + row.width(), topLeft.y() + row.height());
}

// ---------------------------------------------------------------- TTreeNodes

TTreeNodes::TTreeNodes(TCustomTreeView* owner)
    : owner_(owner), root_(new TTreeNode(this, nullptr))
{
}

TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::GetFirstNode() const
{
    return root_->GetFirstChild();
}

TTreeNode* TTreeNodes::Item(int index) const
{
    if (index < 0 || index >= count_)
        throw Exception(QStringLiteral("Tree view index out of range (%1)").arg(index));
    TTreeNode* node = GetFirstNode();
    for (int i = 0; i < index; ++i)
        node = node->GetNext();
    return node;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const QString& text)
{
    TTreeNode* parent = sibling ? sibling->parent_ : root_.get();
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
    return InsertAt(sibling->parent_, sibling->index_, text);
}

TTreeNode* TTreeNodes::InsertAt(TTreeNode* parent, int index, const QString& text)
{
    // Nodes live in the window: the first one makes it, as the platform's control does.
    owner_->HandleNeeded();
    auto node = std::unique_ptr<TTreeNode>(new TTreeNode(this, parent));
    node->text_ = text;
    TTreeNode* added = node.get();
    auto* model = owner_->model_;
    if (parent != root_.get())
        parent->hasChildren_ = true;
    model->beginInsertRows(model->IndexOf(parent), index, index);
    auto& siblings = parent->children_;
    siblings.insert(siblings.begin() + index, std::move(node));
    for (std::size_t i = std::size_t(index); i < siblings.size(); ++i)
        siblings[i]->index_ = int(i);
    ++count_;
    model->endInsertRows();
    return added;
}

void TTreeNodes::Delete(TTreeNode* node)
{
    if (!node || node == root_.get())
        return;
    owner_->DeletingNode(node);
    TTreeNode* parent = node->parent_;
    const int row = node->index_;
    auto* model = owner_->model_;
    model->beginRemoveRows(model->IndexOf(parent), row, row);
    auto& siblings = parent->children_;
    std::unique_ptr<TTreeNode> doomed = std::move(siblings[std::size_t(row)]);
    siblings.erase(siblings.begin() + row);
    for (std::size_t i = std::size_t(row); i < siblings.size(); ++i)
        siblings[i]->index_ = int(i);
    count_ -= doomed->SubtreeSize();
    model->endRemoveRows();
    doomed.reset();
    if (parent != root_.get() && siblings.empty())
        parent->SetHasChildren(false);
}

void TTreeNodes::Clear()
{
    if (count_ == 0)
        return;
    owner_->EndEdit(true);
    for (const auto& node : root_->children_)
        owner_->NotifyDeletion(node.get());
    auto* model = owner_->model_;
    model->beginResetModel();
    root_->children_.clear();
    count_ = 0;
    model->endResetModel();
}

void TTreeNodes::BeginUpdate()
{
    if (updateCount_++ == 0)
        owner_->view_->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate()
{
    if (updateCount_ == 0 || --updateCount_ > 0)
        return;
    owner_->view_->setUpdatesEnabled(true);
    if (changedWhileUpdating_) {
        changedWhileUpdating_ = false;
        owner_->view_->scheduleDelayedItemsLayout();
    }
}
