#include "toolkit/ComCtrls.h"

#include "toolkit/Exceptions.h"
#include "toolkit/Guard.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QProxyStyle>
#include <QScopedValueRollback>
#include <QStyleOption>
#include <QTreeView>

// ---------------------------------------------------------------- columns

TListColumn::TListColumn(TCollection* collection) : TCollectionItem(collection) {}

void TListColumn::SetAlignment(TAlignment value)
{
    if (FAlignment == value)
        return;
    FAlignment = value;
    Changed(false);
}

void TListColumn::SetCaption(const QString& value)
{
    if (FCaption == value)
        return;
    FCaption = value;
    Changed(false);
}

void TListColumn::SetWidth(int value)
{
    if (FWidth == value || value < 0)
        return;
    FWidth = value;
    Changed(false);
}

TListColumns::TListColumns(TListView* owner) : TCollection(&NewItem<TListColumn>, owner), FOwner(owner) {}

void TListColumns::Update(TCollectionItem*)
{
    FOwner->ColumnsChanged();
}

// ---------------------------------------------------------------- the model

// What Qt's tree view shows: the held items or the provider's rows, the columns' captions.
class TListView::Model : public QAbstractTableModel {
public:
    explicit Model(TListView* owner) : QAbstractTableModel(owner), FOwner(owner) {}

    using QAbstractTableModel::beginInsertRows;
    using QAbstractTableModel::beginRemoveRows;
    using QAbstractTableModel::beginResetModel;
    using QAbstractTableModel::endInsertRows;
    using QAbstractTableModel::endRemoveRows;
    using QAbstractTableModel::endResetModel;

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : FOwner->RowCount(); }
    int columnCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : std::max(1, FOwner->Columns()->Count());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return FOwner->CellText(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(AlignmentOf(index.column()) | Qt::AlignVCenter);
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section >= FOwner->Columns()->Count())
            return {};
        if (role == Qt::DisplayRole)
            return FOwner->Columns()->Items(section)->Caption();
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(AlignmentOf(section) | Qt::AlignVCenter);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags flags = Qt::ItemIsEnabled;
        // Without whole-row selection only the caption is selected.
        if (FOwner->RowSelect() || index.column() == 0)
            flags |= Qt::ItemIsSelectable;
        if (index.column() == 0 && !FOwner->ReadOnly() && !FOwner->OwnerData())
            flags |= Qt::ItemIsEditable;
        return flags;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (role != Qt::EditRole || index.column() != 0 || FOwner->OwnerData())
            return false;
        bool done = false;
        Guard([&] {
            FOwner->Items()->Item(index.row())->SetCaption(value.toString());
            done = true;
        });
        return done;
    }

    void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, columnCount({}) - 1)); }
    void HeadersChanged() { emit headerDataChanged(Qt::Horizontal, 0, columnCount({}) - 1); }

private:
    Qt::Alignment AlignmentOf(int column) const
    {
        if (column >= FOwner->Columns()->Count())
            return Qt::AlignLeft;
        switch (FOwner->Columns()->Items(column)->Alignment()) {
        case taRightJustify:
            return Qt::AlignRight;
        case taCenter:
            return Qt::AlignHCenter;
        case taLeftJustify:
            break;
        }
        return Qt::AlignLeft;
    }

    TListView* FOwner;
};

// ---------------------------------------------------------------- items

void TListItem::SetCaption(const QString& value)
{
    if (FCaption == value)
        return;
    FCaption = value;
    Changed();
}

void TListItem::SetSubItems(const QStringList& value)
{
    if (FSubItems == value)
        return;
    FSubItems = value;
    Changed();
}

void TListItem::AddSubItem(const QString& value)
{
    FSubItems.append(value);
    Changed();
}

int TListItem::Index() const
{
    const auto& items = FOwner->FItems;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this)
            return int(i);
    return -1;
}

void TListItem::Changed()
{
    if (FOwner->FUpdateCount > 0)
        return;
    if (const int row = Index(); row >= 0)
        FOwner->FOwner->FModel->RowChanged(row);
}

TListItem* TListItems::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[std::size_t(index)].get();
}

TListItem* TListItems::Add()
{
    return Insert(Count());
}

TListItem* TListItems::Insert(int index)
{
    if (index < 0 || index > Count())
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    const bool showing = FUpdateCount == 0 && !FOwner->OwnerData();
    if (showing)
        FOwner->FModel->beginInsertRows({}, index, index);
    FItems.insert(FItems.begin() + index, std::make_unique<TListItem>(this));
    if (showing)
        FOwner->FModel->endInsertRows();
    return FItems[std::size_t(index)].get();
}

void TListItems::Delete(int index)
{
    Item(index);
    const bool showing = FUpdateCount == 0 && !FOwner->OwnerData();
    if (showing)
        FOwner->FModel->beginRemoveRows({}, index, index);
    FItems.erase(FItems.begin() + index);
    if (showing)
        FOwner->FModel->endRemoveRows();
}

void TListItems::Clear()
{
    BeginUpdate();
    FItems.clear();
    EndUpdate();
}

void TListItems::BeginUpdate()
{
    if (FUpdateCount++ == 0 && !FOwner->OwnerData())
        FOwner->FModel->beginResetModel();
}

void TListItems::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && !FOwner->OwnerData())
        FOwner->FModel->endResetModel();
}

// ---------------------------------------------------------------- TListView

namespace {

// The header beyond the last column is drawn as a column without a caption, as the classic list
// view draws it: the style's own empty area is flat face colour without the sections' bottom edge.
class THeaderStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element != CE_HeaderEmptyArea) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionHeader blank;
        static_cast<QStyleOption&>(blank) = *option;
        blank.orientation = Qt::Horizontal;
        blank.position = QStyleOptionHeader::End;
        QProxyStyle::drawControl(CE_HeaderSection, &blank, painter, widget);
    }
};

} // namespace

TListView::TListView(TComponent* owner)
    : TWidgetHostControl(owner),
      FColumns(new TListColumns(this)),
      FItems(std::make_unique<TListItems>(this)),
      FModel(new Model(this)),
      FView(new QTreeView(this))
{
    FView->setModel(FModel);
    FView->setRootIsDecorated(false);
    FView->setItemsExpandable(false);
    FView->setUniformRowHeights(true);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setSelectionBehavior(QAbstractItemView::SelectItems);
    FView->header()->setStretchLastSection(false);
    FView->header()->setSectionsMovable(false);
    auto* headerStyle = new THeaderStyle; // follows the application's style, owned by the header
    headerStyle->setParent(FView->header());
    FView->header()->setStyle(headerStyle);
    SetHostedWidget(FView);
    QObject::connect(FView->header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (FSyncingWidths || section >= FColumns->Count())
            return;
        const QScopedValueRollback syncing(FSyncingWidths, true);
        Guard([&] { FColumns->Items(section)->SetWidth(size); });
    });
    ApplyEditing();
    SetColumnClick(true);
    SetBounds(0, 0, 250, 150);
}

TListView::~TListView()
{
    // The view asks the model while it goes; it goes first.
    delete FView;
    FView = nullptr;
}

void TListView::ColumnsChanged()
{
    FModel->beginResetModel();
    FModel->endResetModel();
    {
        const QScopedValueRollback syncing(FSyncingWidths, true);
        for (int i = 0; i < FColumns->Count(); ++i)
            FView->header()->resizeSection(i, FColumns->Items(i)->Width());
    }
    FModel->HeadersChanged();
}

void TListView::SetColumnClick(bool value)
{
    FColumnClick = value;
    FView->header()->setSectionsClickable(value);
    FView->header()->setHighlightSections(false);
}

void TListView::SetOwnerData(bool value)
{
    if (FOwnerData == value)
        return;
    FModel->beginResetModel();
    FOwnerData = value;
    FModel->endResetModel();
    ApplyEditing();
}

void TListView::SetReadOnly(bool value)
{
    FReadOnly = value;
    ApplyEditing();
}

void TListView::ApplyEditing()
{
    FView->setEditTriggers(FReadOnly || FOwnerData
                               ? QAbstractItemView::NoEditTriggers
                               : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

void TListView::SetRowSelect(bool value)
{
    if (FRowSelect == value)
        return;
    FRowSelect = value;
    FView->setSelectionBehavior(value ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    FView->setAllColumnsShowFocus(value);
    FView->viewport()->update();
}

void TListView::SetViewStyle(TViewStyle value)
{
    FViewStyle = value;
}

void TListView::SetDataProvider(const TListViewData* provider)
{
    FModel->beginResetModel();
    FProvider = provider;
    FModel->endResetModel();
}

void TListView::DataChanged()
{
    FModel->beginResetModel();
    FModel->endResetModel();
}

int TListView::RowCount() const
{
    if (FOwnerData)
        return FProvider ? FProvider->RowCount() : 0;
    return FItems->Count();
}

QString TListView::CellText(int row, int column) const
{
    if (FOwnerData)
        return FProvider && row < FProvider->RowCount() ? FProvider->CellText(row, column) : QString();
    if (row < 0 || row >= FItems->Count())
        return {};
    const TListItem* item = FItems->Item(row);
    if (column == 0)
        return item->Caption();
    return column - 1 < item->SubItems().size() ? item->SubItems().at(column - 1) : QString();
}

QString TListView::HintAt(TPoint clientPos, TRect& area) const
{
    const QPoint inView = FView->viewport()->mapFrom(this, QPoint(clientPos.x(), clientPos.y()));
    const QModelIndex cell = FView->indexAt(inView);
    if (!cell.isValid())
        return TWidgetHostControl::HintAt(clientPos, area);
    // The row's band across the view: the hint holds until the pointer moves to another row.
    const QRect cellRect = FView->visualRect(cell);
    const QRect band = QRect(0, cellRect.top(), FView->viewport()->width(), cellRect.height())
                           .intersected(FView->viewport()->rect());
    area = TRect::FromQRect(QRect(FView->viewport()->mapTo(this, band.topLeft()), band.size()));
    QStringList cells;
    for (int column = 0; column < std::max(1, FColumns->Count()); ++column)
        if (const QString text = CellText(cell.row(), column); !text.isEmpty())
            cells << text;
    return cells.join(u'\n');
}

int TListView::ItemIndex() const
{
    const QModelIndexList selected = FView->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TListView::SetItemIndex(int index)
{
    if (index < 0 || index >= RowCount()) {
        FView->clearSelection();
        return;
    }
    FView->setCurrentIndex(FModel->index(index, 0));
}
