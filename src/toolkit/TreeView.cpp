#include "toolkit/TreeViewParts.h"

#include "toolkit/Exceptions.h"

#include <QHeaderView>
#include <algorithm>

// ---------------------------------------------------------------- image list

TCustomImageList::TCustomImageList(TComponent* owner) : TNonVisualComponent(owner) {}

void TCustomImageList::SetWidth(int value)
{
    if (FWidth == value || value <= 0)
        return;
    FWidth = value;
}

void TCustomImageList::SetHeight(int value)
{
    if (FHeight == value || value <= 0)
        return;
    FHeight = value;
}

int TCustomImageList::Add(const QIcon& image)
{
    FImages.push_back(image);
    return Count() - 1;
}

QIcon TCustomImageList::Image(int index) const
{
    return index >= 0 && index < Count() ? FImages[std::size_t(index)] : QIcon();
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
      FItems(std::make_unique<TTreeNodes>(this)),
      FModel(new Model(this)),
      FSelection(new SelectionModel(FModel, this)),
      FView(new ItemView(this))
{
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetFocusByClick(true);
    setFocusProxy(FView);
    FView->setModel(FModel);
    QItemSelectionModel* initial = FView->selectionModel();
    FView->setSelectionModel(FSelection);
    delete initial;
    FView->setHeaderHidden(true);
    FView->header()->setStretchLastSection(false);
    FView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    FView->setUniformRowHeights(true);
    FView->setItemsExpandable(false);
    FView->setExpandsOnDoubleClick(false);
    FView->setAnimated(false);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setIndentation(FIndent);
    FView->setRootIsDecorated(FShowRoot);
    FView->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    FView->setFont(Font()->Handle().ToQFont());
    QObject::connect(FSelection, &QItemSelectionModel::currentChanged, this,
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
    delete FView;
    FView = nullptr;
    delete FSelection;
    delete FModel;
}

QTreeView* TCustomTreeView::View() const
{
    return FView;
}

TTreeNode* TCustomTreeView::Selected() const
{
    return Model::NodeOf(FSelection->currentIndex());
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
    FSelection->Apply(FModel->IndexOf(node));
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
    return Model::NodeOf(FView->indexAt(QPoint(0, 0)));
}

void TCustomTreeView::SetTopItem(TTreeNode* node)
{
    if (node)
        FView->scrollTo(FModel->IndexOf(node), QAbstractItemView::PositionAtTop);
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) const
{
    return Model::NodeOf(FView->indexAt(FView->viewport()->mapFrom(this, QPoint(x, y))));
}

bool TCustomTreeView::IsEditing() const
{
    return FView->EditingNode() != nullptr;
}

bool TCustomTreeView::StartEdit(TTreeNode* node)
{
    if (IsEditing())
        EndEdit(false);
    FView->OpenEditor(FModel->IndexOf(node));
    return FView->EditingNode() == node;
}

void TCustomTreeView::EndEdit(bool cancel)
{
    FView->EndEditing(cancel);
}

bool TCustomTreeView::ExpandNode(TTreeNode* node)
{
    if (node->Expanded() || !node->HasChildren())
        return false;
    if (!CanExpand(node) || node->Count() == 0)
        return false;
    FView->expand(FModel->IndexOf(node));
    return true;
}

void TCustomTreeView::CollapseNode(TTreeNode* node)
{
    if (!node->Expanded())
        return;
    FView->collapse(FModel->IndexOf(node));
    // The caret never stays hidden inside a collapsed node.
    if (IsAncestorOf(node, Selected()))
        SelectNode(node, true);
}

void TCustomTreeView::NodeChanged(TTreeNode* node)
{
    if (FItems->Updating()) {
        FItems->FChangedWhileUpdating = true;
        return;
    }
    const QModelIndex index = FModel->IndexOf(node);
    emit FModel->dataChanged(index, index);
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
        FView->scheduleDelayedItemsLayout();
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
    if (IsNodeOrInside(node, FView->EditingNode()))
        EndEdit(true);
    // The caret leaves before its node goes; the check is asked but cannot keep it there.
    if (IsNodeOrInside(node, Selected()))
        SelectNode(SelectionAfterDeleting(node), false);
    NotifyDeletion(node);
}

void TCustomTreeView::NotifyDeletion(TTreeNode* node)
{
    for (const auto& child : node->FChildren)
        NotifyDeletion(child.get());
    Delete(node);
}

void TCustomTreeView::SortChildren(TTreeNode* parent, const TTVCompare& compare, bool recurse)
{
    std::vector<TTreeNode*> parents{parent};
    for (std::size_t i = 0; recurse && i < parents.size(); ++i)
        for (const auto& child : parents[i]->FChildren)
            if (!child->FChildren.empty())
                parents.push_back(child.get());
    emit FModel->layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const auto finish = [&] {
        for (TTreeNode* p : parents)
            for (std::size_t i = 0; i < p->FChildren.size(); ++i)
                p->FChildren[i]->FIndex = int(i);
        const QModelIndexList before = FModel->persistentIndexList();
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex& index : before)
            after.append(FModel->IndexOf(Model::NodeOf(index)));
        FModel->changePersistentIndexList(before, after);
        emit FModel->layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    };
    try {
        for (TTreeNode* p : parents)
            std::stable_sort(p->FChildren.begin(), p->FChildren.end(),
                             [&](const auto& a, const auto& b) { return compare(a.get(), b.get()) < 0; });
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TCustomTreeView::SetImages(TCustomImageList* value)
{
    if (FImages == value)
        return;
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = value;
    if (FImages)
        FImages->FreeNotification(this);
    SetImageList(FImages);
}

void TCustomTreeView::SetImageList(HIMAGELIST list)
{
    FImageList = list;
    if (list)
        FView->setIconSize(list->ImageSize());
    FView->viewport()->update();
}

void TCustomTreeView::SetIndent(int value)
{
    if (FIndent == value)
        return;
    FIndent = value;
    FView->setIndentation(value);
}

void TCustomTreeView::SetReadOnly(bool value)
{
    if (FReadOnly == value)
        return;
    FReadOnly = value;
    FView->setEditTriggers(value ? QAbstractItemView::NoEditTriggers
                                 : QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
}

void TCustomTreeView::SetRightClickSelect(bool value)
{
    FRightClickSelect = value;
}

void TCustomTreeView::SetShowRoot(bool value)
{
    if (FShowRoot == value)
        return;
    FShowRoot = value;
    FView->setRootIsDecorated(value);
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
    if (operation == opRemove && FImages && component == FImages) {
        FImages = nullptr;
        SetImageList(nullptr);
    }
}

void TCustomTreeView::FontChanged()
{
    TWinControl::FontChanged();
    FView->setFont(Font()->Handle().ToQFont());
}

void TCustomTreeView::ColorChanged()
{
    TWinControl::ColorChanged();
    const auto rgb = gdi::ColorRef(ColorToRGB(Color()));
    QPalette palette = FView->palette();
    palette.setColor(QPalette::Base, gdi::QColorOf(rgb));
    FView->setPalette(palette);
}

void TCustomTreeView::BoundsChanged()
{
    TWinControl::BoundsChanged();
    FView->setGeometry(0, 0, Width(), Height());
}

void TCustomTreeView::showEvent(QShowEvent* event)
{
    TWinControl::showEvent(event);
    Guard([this] { HandleNeeded(); });
}
