#include "toolkit/TreeViewParts.h"

#include "toolkit/Exceptions.h"

#include <QHeaderView>
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

// ---------------------------------------------------------------- TCustomTreeView

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
    palette.setColor(QPalette::Base, gdi::QColorOf(rgb));
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
