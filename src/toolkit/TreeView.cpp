#include "toolkit/TreeView.h"

#include "toolkit/Exceptions.h"
#include "toolkit/Guard.h"

#include <QAbstractItemModel>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTreeView>
#include <algorithm>

// ---------------------------------------------------------------- image list

TCustomImageList::TCustomImageList(TComponent* owner) : TNonVisualComponent(owner) {}

void TCustomImageList::SetWidth(int value)
{
    if (width_ == value || value <= 0)
        return;
    width_ = value;
}

void TCustomImageList::SetHeight(int value)
{
    if (height_ == value || value <= 0)
        return;
    height_ = value;
}

int TCustomImageList::Add(const QIcon& image)
{
    images_.push_back(image);
    return Count() - 1;
}

QIcon TCustomImageList::Image(int index) const
{
    return index >= 0 && index < Count() ? images_[std::size_t(index)] : QIcon();
}

// ---------------------------------------------------------------- the model

namespace {

bool IsAncestorOf(const TTreeNode* ancestor, const TTreeNode* node)
{
    for (const TTreeNode* p = node ? node->Parent() : nullptr; p; p = p->Parent())
        if (p == ancestor)
            return true;
    return false;
}

bool IsNodeOrInside(const TTreeNode* node, const TTreeNode* candidate)
{
    return candidate && (candidate == node || IsAncestorOf(node, candidate));
}

}  // namespace

// What Qt's tree view shows: the nodes, addressed by index rows and their own pointers.
class TCustomTreeView::Model : public QAbstractItemModel {
public:
    explicit Model(TCustomTreeView* tree) : QAbstractItemModel(tree), tree_(tree) {}

    using QAbstractItemModel::beginInsertRows;
    using QAbstractItemModel::beginRemoveRows;
    using QAbstractItemModel::beginResetModel;
    using QAbstractItemModel::changePersistentIndexList;
    using QAbstractItemModel::endInsertRows;
    using QAbstractItemModel::endRemoveRows;
    using QAbstractItemModel::endResetModel;
    using QAbstractItemModel::persistentIndexList;

    static TTreeNode* NodeOf(const QModelIndex& index)
    {
        return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : nullptr;
    }

    QModelIndex IndexOf(const TTreeNode* node) const
    {
        if (!node || node == Root())
            return {};
        return createIndex(node->index_, 0, const_cast<TTreeNode*>(node));
    }

    QModelIndex index(int row, int column, const QModelIndex& parent) const override
    {
        const TTreeNode* p = parent.isValid() ? NodeOf(parent) : Root();
        if (column != 0 || row < 0 || row >= p->Count())
            return {};
        return createIndex(row, 0, p->Item(row));
    }

    QModelIndex parent(const QModelIndex& child) const override
    {
        const TTreeNode* node = NodeOf(child);
        return node ? IndexOf(node->parent_) : QModelIndex();
    }

    int rowCount(const QModelIndex& parent) const override
    {
        if (parent.column() > 0)
            return 0;
        return (parent.isValid() ? NodeOf(parent) : Root())->Count();
    }

    int columnCount(const QModelIndex&) const override { return 1; }

    // The flag, not the rows: a node may show its button before it has children.
    bool hasChildren(const QModelIndex& parent) const override
    {
        return parent.isValid() ? NodeOf(parent)->HasChildren() : Root()->Count() > 0;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        TTreeNode* node = NodeOf(index);
        if (!node)
            return {};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return node->Text();
        case Qt::DecorationRole:
            return Picture(node);
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (!tree_->ReadOnly())
            flags |= Qt::ItemIsEditable;
        return flags;
    }

private:
    const TTreeNode* Root() const { return tree_->items_->root_.get(); }

    QIcon Picture(TTreeNode* node) const
    {
        const HIMAGELIST list = tree_->ImageList();
        if (!list)
            return {};
        int index = -1;
        Guard([&] {
            if (node->Selected()) {
                tree_->GetSelectedIndex(node);
                index = node->SelectedIndex();
            } else {
                tree_->GetImageIndex(node);
                index = node->ImageIndex();
            }
        });
        return list->Image(index);
    }

    TCustomTreeView* tree_;
};

// One node selected at a time, and only through the tree: every move Qt asks for goes
// through the tree's selection-change check first.
class TCustomTreeView::SelectionModel : public QItemSelectionModel {
public:
    SelectionModel(Model* model, TCustomTreeView* tree) : QItemSelectionModel(model, tree), tree_(tree) {}

    // Moves caret and selection to index (none when invalid) without asking the tree.
    void Apply(const QModelIndex& index)
    {
        applying_ = true;
        try {
            QItemSelectionModel::setCurrentIndex(index, index.isValid() ? ClearAndSelect : Clear);
        } catch (...) {
            applying_ = false;
            throw;
        }
        applying_ = false;
    }

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override
    {
        if (applying_) {
            QItemSelectionModel::setCurrentIndex(index, command);
            return;
        }
        if (index == currentIndex())
            return;
        Guard([&] { tree_->SelectNode(Model::NodeOf(index), true); });
    }

    void select(const QModelIndex& index, SelectionFlags command) override
    {
        if (applying_)
            QItemSelectionModel::select(index, command);
    }

    void select(const QItemSelection& selection, SelectionFlags command) override
    {
        if (applying_)
            QItemSelectionModel::select(selection, command);
    }

private:
    TCustomTreeView* tree_;
    bool applying_ = false;
};

// Qt's tree view with the platform's input: expand buttons, double clicks and the
// expansion keys go through the tree's expansion check, a right click selects only when
// the tree says so, and label edits end through the tree with the text or with none.
class TCustomTreeView::ItemView : public QTreeView {
public:
    explicit ItemView(TCustomTreeView* tree) : QTreeView(tree), tree_(tree) {}

    using QAbstractItemView::scheduleDelayedItemsLayout;

    TTreeNode* EditingNode() const { return editingNode_; }

    // Qt's public edit() warns on stderr whenever a check refuses; a veto is no fault here.
    void OpenEditor(const QModelIndex& index) { edit(index, AllEditTriggers, nullptr); }

    void EndEditing(bool cancel)
    {
        QWidget* editor = editor_;
        if (!editor)
            return;
        if (!cancel)
            commitData(editor);
        closeEditor(editor, cancel ? QAbstractItemDelegate::RevertModelCache
                                   : QAbstractItemDelegate::SubmitModelCache);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton) {
            if (TTreeNode* node = ButtonAt(event->position().toPoint())) {
                Guard([node] { node->SetExpanded(!node->Expanded()); });
                event->accept();
                return;
            }
        }
        if (event->button() == Qt::RightButton && !tree_->RightClickSelect()) {
            event->accept();
            return;
        }
        QTreeView::mousePressEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        const QPoint pos = event->position().toPoint();
        if (event->button() != Qt::LeftButton || ButtonAt(pos)) {
            mousePressEvent(event);
            return;
        }
        const QPersistentModelIndex index = indexAt(pos);
        QTreeView::mouseDoubleClickEvent(event);
        if (index.isValid() && state() == NoState)
            if (TTreeNode* node = Model::NodeOf(index); node->HasChildren())
                Guard([node] { node->SetExpanded(!node->Expanded()); });
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        TTreeNode* node = tree_->Selected();
        const int key = event->key();
        if (node && state() != EditingState) {
            // '*' would expand a whole subtree; one level is what a lazily filled tree can afford.
            if ((key == Qt::Key_Right || key == Qt::Key_Plus || key == Qt::Key_Asterisk) && !node->Expanded()
                && node->HasChildren()) {
                Guard([node] { node->Expand(false); });
                event->accept();
                return;
            }
            if ((key == Qt::Key_Left || key == Qt::Key_Minus) && node->Expanded()) {
                Guard([node] { node->Collapse(false); });
                event->accept();
                return;
            }
            if (key == Qt::Key_Plus || key == Qt::Key_Minus || key == Qt::Key_Asterisk) {
                event->accept();
                return;
            }
        }
        QTreeView::keyPressEvent(event);
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        QPoint pos = event->pos();
        if (event->reason() == QContextMenuEvent::Keyboard) {
            const TTreeNode* selected = tree_->Selected();
            pos = selected ? visualRect(tree_->model_->IndexOf(selected)).center() : QPoint();
        }
        const TPoint client = viewport()->mapTo(tree_, pos);
        Guard([&] {
            bool handled = false;
            tree_->DoContextPopup(client, handled);
        });
        event->accept();
    }

    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override
    {
        // SelectedClicked only arms Qt's slow-second-click timer, which comes back with AllEditTriggers.
        const bool opens = index.isValid() && state() != EditingState && (model()->flags(index) & Qt::ItemIsEditable)
            && (trigger == AllEditTriggers || (trigger != SelectedClicked && (trigger & editTriggers())));
        if (!opens)
            return QTreeView::edit(index, trigger, event);
        TTreeNode* node = Model::NodeOf(index);
        bool allowed = false;
        Guard([&] { allowed = tree_->CanEdit(node); });
        if (!allowed || !QTreeView::edit(index, trigger, event) || state() != EditingState)
            return false;
        editingNode_ = node;
        editedText_.reset();
        editor_ = indexWidget(index);
        return true;
    }

    // The edited text is kept for the tree, which decides what becomes of the label.
    void commitData(QWidget* editor) override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            editedText_ = line->text();
    }

    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        TTreeNode* node = editor == editor_ ? editingNode_ : nullptr;
        std::optional<QString> text;
        if (hint != QAbstractItemDelegate::RevertModelCache)
            text = editedText_;
        if (node) {
            editingNode_ = nullptr;
            editedText_.reset();
            editor_ = nullptr;
        }
        QTreeView::closeEditor(editor, hint);
        if (node)
            Guard([&] { tree_->Edit(node, text); });
    }

private:
    // The node whose expand button is at a viewport point.
    TTreeNode* ButtonAt(QPoint pos) const
    {
        const QModelIndex index = indexAt(pos);
        TTreeNode* node = Model::NodeOf(index);
        if (!node || !node->HasChildren() || (!rootIsDecorated() && !node->Parent()))
            return nullptr;
        const QRect row = visualRect(index);
        return QRect(row.left() - indentation(), row.top(), indentation(), row.height()).contains(pos) ? node
                                                                                                      : nullptr;
    }

    TCustomTreeView* tree_;
    TTreeNode* editingNode_ = nullptr;
    std::optional<QString> editedText_;
    QPointer<QWidget> editor_;
};

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

void TTreeNode::DeleteChildren()
{
    while (!children_.empty())
        owner_->Delete(children_.back().get());
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

// ---------------------------------------------------------------- TCustomTreeView

TCustomTreeView::TCustomTreeView(TComponent* owner)
    : TWinControl(owner),
      items_(std::make_unique<TTreeNodes>(this)),
      model_(new Model(this)),
      selection_(new SelectionModel(model_, this)),
      view_(new ItemView(this))
{
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetFocusByClick(true);
    setFocusProxy(view_);
    view_->setModel(model_);
    QItemSelectionModel* initial = view_->selectionModel();
    view_->setSelectionModel(selection_);
    delete initial;
    view_->setHeaderHidden(true);
    view_->header()->setStretchLastSection(false);
    view_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view_->setUniformRowHeights(true);
    view_->setItemsExpandable(false);
    view_->setExpandsOnDoubleClick(false);
    view_->setAnimated(false);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setIndentation(indent_);
    view_->setRootIsDecorated(showRoot_);
    view_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    view_->setFont(Font()->Handle().qfont());
    QObject::connect(selection_, &QItemSelectionModel::currentChanged, this,
                     [this](const QModelIndex& now, const QModelIndex& before) {
                         Guard([&] { CurrentChanged(Model::NodeOf(now), Model::NodeOf(before)); });
                     });
    ColorChanged();
    SetBounds(0, 0, 121, 97);
}

TCustomTreeView::~TCustomTreeView()
{
    // Nodes go without deletion notices: the handlers' owner may already be half gone.
    // The view asks the model while it goes, so it goes first.
    delete view_;
    view_ = nullptr;
    delete selection_;
    delete model_;
}

QTreeView* TCustomTreeView::View() const
{
    return view_;
}

TTreeNode* TCustomTreeView::Selected() const
{
    return Model::NodeOf(selection_->currentIndex());
}

void TCustomTreeView::SetSelected(TTreeNode* node)
{
    SelectNode(node, true);
}

bool TCustomTreeView::SelectNode(TTreeNode* node, bool mayVeto)
{
    if (node == Selected())
        return true;
    if (!CanChange(node) && mayVeto)
        return false;
    selection_->Apply(model_->IndexOf(node));
    return true;
}

void TCustomTreeView::CurrentChanged(TTreeNode* now, TTreeNode* before)
{
    // The picture follows the selection.
    if (before)
        NodeChanged(before);
    if (now)
        NodeChanged(now);
    Change(now);
}

TTreeNode* TCustomTreeView::TopItem() const
{
    return Model::NodeOf(view_->indexAt(QPoint(0, 0)));
}

void TCustomTreeView::SetTopItem(TTreeNode* node)
{
    if (node)
        view_->scrollTo(model_->IndexOf(node), QAbstractItemView::PositionAtTop);
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) const
{
    return Model::NodeOf(view_->indexAt(view_->viewport()->mapFrom(this, QPoint(x, y))));
}

bool TCustomTreeView::IsEditing() const
{
    return view_->EditingNode() != nullptr;
}

bool TCustomTreeView::StartEdit(TTreeNode* node)
{
    if (IsEditing())
        EndEdit(false);
    view_->OpenEditor(model_->IndexOf(node));
    return view_->EditingNode() == node;
}

void TCustomTreeView::EndEdit(bool cancel)
{
    view_->EndEditing(cancel);
}

bool TCustomTreeView::ExpandNode(TTreeNode* node)
{
    if (node->Expanded() || !node->HasChildren())
        return false;
    if (!CanExpand(node) || node->Count() == 0)
        return false;
    view_->expand(model_->IndexOf(node));
    return true;
}

void TCustomTreeView::CollapseNode(TTreeNode* node)
{
    if (!node->Expanded())
        return;
    view_->collapse(model_->IndexOf(node));
    // The caret never stays hidden inside a collapsed node.
    if (IsAncestorOf(node, Selected()))
        SelectNode(node, true);
}

void TCustomTreeView::NodeChanged(TTreeNode* node)
{
    if (items_->Updating()) {
        items_->changedWhileUpdating_ = true;
        return;
    }
    const QModelIndex index = model_->IndexOf(node);
    emit model_->dataChanged(index, index);
}

bool TCustomTreeView::NodeShown(const TTreeNode* node) const
{
    for (const TTreeNode* p = node->Parent(); p; p = p->Parent())
        if (!p->Expanded())
            return false;
    return true;
}

void TCustomTreeView::NodeLayoutChanged(TTreeNode* node)
{
    // Qt's view reads whether a row has a button only when it lays the rows out.
    if (NodeShown(node))
        view_->scheduleDelayedItemsLayout();
}

TTreeNode* TCustomTreeView::SelectionAfterDeleting(TTreeNode* node) const
{
    if (TTreeNode* next = node->GetNextSibling())
        return next;
    if (TTreeNode* parent = node->Parent())
        return parent;
    return node->GetPrevSibling();
}

void TCustomTreeView::DeletingNode(TTreeNode* node)
{
    if (IsNodeOrInside(node, view_->EditingNode()))
        EndEdit(true);
    // The caret leaves before its node goes; the check is asked but cannot keep it there.
    if (IsNodeOrInside(node, Selected()))
        SelectNode(SelectionAfterDeleting(node), false);
    NotifyDeletion(node);
}

void TCustomTreeView::NotifyDeletion(TTreeNode* node)
{
    for (const auto& child : node->children_)
        NotifyDeletion(child.get());
    Delete(node);
}

void TCustomTreeView::SortChildren(TTreeNode* parent, const TTVCompare& compare, bool recurse)
{
    std::vector<TTreeNode*> parents{parent};
    for (std::size_t i = 0; recurse && i < parents.size(); ++i)
        for (const auto& child : parents[i]->children_)
            if (!child->children_.empty())
                parents.push_back(child.get());
    emit model_->layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const auto finish = [&] {
        for (TTreeNode* p : parents)
            for (std::size_t i = 0; i < p->children_.size(); ++i)
                p->children_[i]->index_ = int(i);
        const QModelIndexList before = model_->persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(model_->IndexOf(Model::NodeOf(index)));
        model_->changePersistentIndexList(before, after);
        emit model_->layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    };
    try {
        for (TTreeNode* p : parents)
            std::stable_sort(p->children_.begin(), p->children_.end(),
                             [&](const auto& a, const auto& b) { return compare(a.get(), b.get()) < 0; });
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TCustomTreeView::SetImages(TCustomImageList* value)
{
    if (images_ == value)
        return;
    if (images_)
        images_->RemoveFreeNotification(this);
    images_ = value;
    if (images_)
        images_->FreeNotification(this);
    SetImageList(images_);
}

void TCustomTreeView::SetImageList(HIMAGELIST list)
{
    imageList_ = list;
    if (list)
        view_->setIconSize(list->ImageSize());
    view_->viewport()->update();
}

void TCustomTreeView::SetIndent(int value)
{
    if (indent_ == value)
        return;
    indent_ = value;
    view_->setIndentation(value);
}

void TCustomTreeView::SetReadOnly(bool value)
{
    if (readOnly_ == value)
        return;
    readOnly_ = value;
    view_->setEditTriggers(value ? QAbstractItemView::NoEditTriggers
                                 : QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
}

void TCustomTreeView::SetRightClickSelect(bool value)
{
    rightClickSelect_ = value;
}

void TCustomTreeView::SetShowRoot(bool value)
{
    if (showRoot_ == value)
        return;
    showRoot_ = value;
    view_->setRootIsDecorated(value);
}

void TCustomTreeView::RecreateWnd()
{
    if (!HandleAllocated()) {
        HandleNeeded();
        return;
    }
    DestroyWnd();
    CreateWnd();
}

void TCustomTreeView::DestroyWnd() {}

bool TCustomTreeView::CanExpand(TTreeNode* node)
{
    bool allow = true;
    if (OnExpanding)
        OnExpanding(this, node, allow);
    return allow;
}

bool TCustomTreeView::CanChange(TTreeNode* node)
{
    bool allow = true;
    if (OnChanging)
        OnChanging(this, node, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* node)
{
    if (OnChange)
        OnChange(this, node);
}

bool TCustomTreeView::CanEdit(TTreeNode* node)
{
    bool allow = true;
    if (OnEditing)
        OnEditing(this, node, allow);
    return allow;
}

void TCustomTreeView::Edit(TTreeNode* node, const std::optional<QString>& text)
{
    if (!text)
        return;
    QString edited = *text;
    if (OnEdited)
        OnEdited(this, node, edited);
    if (node)
        node->SetText(edited);
}

void TCustomTreeView::Delete(TTreeNode* node)
{
    if (OnDeletion)
        OnDeletion(this, node);
}

void TCustomTreeView::GetImageIndex(TTreeNode* node)
{
    if (OnGetImageIndex)
        OnGetImageIndex(this, node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* node)
{
    if (OnGetSelectedIndex)
        OnGetSelectedIndex(this, node);
}

void TCustomTreeView::DoContextPopup(TPoint mousePos, bool& handled)
{
    if (OnContextPopup)
        OnContextPopup(this, mousePos, handled);
}

void TCustomTreeView::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == opRemove && images_ && component == images_) {
        images_ = nullptr;
        SetImageList(nullptr);
    }
}

void TCustomTreeView::FontChanged()
{
    TWinControl::FontChanged();
    view_->setFont(Font()->Handle().qfont());
}

void TCustomTreeView::ColorChanged()
{
    TWinControl::ColorChanged();
    const auto rgb = gdi::ColorRef(ColorToRGB(Color()));
    QPalette palette = view_->palette();
    palette.setColor(QPalette::Base, QColor(gdi::GetRValue(rgb), gdi::GetGValue(rgb), gdi::GetBValue(rgb)));
    view_->setPalette(palette);
}

void TCustomTreeView::BoundsChanged()
{
    TWinControl::BoundsChanged();
    view_->setGeometry(0, 0, Width(), Height());
}

void TCustomTreeView::showEvent(QShowEvent* event)
{
    TWinControl::showEvent(event);
    Guard([this] { HandleNeeded(); });
}
