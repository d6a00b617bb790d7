#pragma once
// What Qt's tree view is given behind TCustomTreeView: the model of the nodes, the selection
// of one node at a time and the view with the platform's input. Only the tree view and its
// nodes include it.

#include "toolkit/Guard.h"
#include "toolkit/TreeView.h"

#include <QAbstractItemModel>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTreeView>

// What Qt's tree view shows: the nodes, addressed by index rows and their own pointers.
class TCustomTreeView::Model : public QAbstractItemModel {
public:
    explicit Model(TCustomTreeView* tree) : QAbstractItemModel(tree), FTree(tree) {}

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
        return createIndex(node->FIndex, 0, const_cast<TTreeNode*>(node));
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
        return node ? IndexOf(node->FParent) : QModelIndex();
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
        if (!FTree->ReadOnly())
            flags |= Qt::ItemIsEditable;
        return flags;
    }

private:
    const TTreeNode* Root() const { return FTree->FItems->FRoot.get(); }

    QIcon Picture(TTreeNode* node) const
    {
        const HIMAGELIST list = FTree->ImageList();
        if (!list)
            return {};
        int index = -1;
        Guard([&] {
            if (node->Selected()) {
                FTree->GetSelectedIndex(node);
                index = node->SelectedIndex();
            } else {
                FTree->GetImageIndex(node);
                index = node->ImageIndex();
            }
        });
        return list->Image(index);
    }

    TCustomTreeView* FTree;
};

// One node selected at a time, and only through the tree: every move Qt asks for goes
// through the tree's selection-change check first.
class TCustomTreeView::SelectionModel : public QItemSelectionModel {
public:
    SelectionModel(Model* model, TCustomTreeView* tree) : QItemSelectionModel(model, tree), FTree(tree) {}

    // Moves caret and selection to index (none when invalid) without asking the tree.
    void Apply(const QModelIndex& index)
    {
        const QScopedValueRollback applying(FApplying, true);
        QItemSelectionModel::setCurrentIndex(index, index.isValid() ? ClearAndSelect : Clear);
    }

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override
    {
        if (FApplying) {
            QItemSelectionModel::setCurrentIndex(index, command);
            return;
        }
        if (index == currentIndex())
            return;
        Guard([&] { FTree->SelectNode(Model::NodeOf(index), true); });
    }

    void select(const QModelIndex& index, SelectionFlags command) override
    {
        if (FApplying)
            QItemSelectionModel::select(index, command);
    }

    void select(const QItemSelection& selection, SelectionFlags command) override
    {
        if (FApplying)
            QItemSelectionModel::select(selection, command);
    }

private:
    TCustomTreeView* FTree;
    bool FApplying = false;
};

// Qt's tree view with the platform's input: expand buttons, double clicks and the
// expansion keys go through the tree's expansion check, a right click selects only when
// the tree says so, and label edits end through the tree with the text or with none.
class TCustomTreeView::ItemView : public QTreeView {
public:
    explicit ItemView(TCustomTreeView* tree) : QTreeView(tree), FTree(tree) {}

    using QAbstractItemView::scheduleDelayedItemsLayout;

    TTreeNode* EditingNode() const { return FEditingNode; }

    // Qt's public edit() warns on stderr whenever a check refuses; a veto is no fault here.
    void OpenEditor(const QModelIndex& index) { edit(index, AllEditTriggers, nullptr); }

    void EndEditing(bool cancel)
    {
        QWidget* editor = FEditor;
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
        if (event->button() == Qt::RightButton && !FTree->RightClickSelect()) {
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
        TTreeNode* node = FTree->Selected();
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
            const TTreeNode* selected = FTree->Selected();
            pos = selected ? visualRect(FTree->FModel->IndexOf(selected)).center() : QPoint();
        }
        const TPoint client = viewport()->mapTo(FTree, pos);
        Guard([&] {
            bool handled = false;
            FTree->DoContextPopup(client, handled);
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
        Guard([&] { allowed = FTree->CanEdit(node); });
        if (!allowed || !QTreeView::edit(index, trigger, event) || state() != EditingState)
            return false;
        FEditingNode = node;
        FEditedText.reset();
        FEditor = indexWidget(index);
        return true;
    }

    // The edited text is kept for the tree, which decides what becomes of the label.
    void commitData(QWidget* editor) override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            FEditedText = line->text();
    }

    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        TTreeNode* node = editor == FEditor ? FEditingNode : nullptr;
        std::optional<QString> text;
        if (hint != QAbstractItemDelegate::RevertModelCache)
            text = FEditedText;
        if (node) {
            FEditingNode = nullptr;
            FEditedText.reset();
            FEditor = nullptr;
        }
        QTreeView::closeEditor(editor, hint);
        if (node)
            Guard([&] { FTree->Edit(node, text); });
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

    TCustomTreeView* FTree;
    TTreeNode* FEditingNode = nullptr;
    std::optional<QString> FEditedText;
    QPointer<QWidget> FEditor;
};
