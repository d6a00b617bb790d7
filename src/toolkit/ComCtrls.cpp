#include "toolkit/ComCtrls.h"

#include "toolkit/Exceptions.h"
#include "toolkit/Guard.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QProxyStyle>
#include <QStyleOption>
#include <QTreeView>

// ---------------------------------------------------------------- columns

TListColumn::TListColumn(TCollection* collection) : TCollectionItem(collection) {}

void TListColumn::SetAlignment(TAlignment value)
{
    if (alignment_ == value)
        return;
    alignment_ = value;
    Changed(false);
}

void TListColumn::SetCaption(const QString& value)
{
    if (caption_ == value)
        return;
    caption_ = value;
    Changed(false);
}

void TListColumn::SetWidth(int value)
{
    if (width_ == value || value < 0)
        return;
    width_ = value;
    Changed(false);
}

TListColumns::TListColumns(TListView* owner) : TCollection(&NewItem<TListColumn>, owner), owner_(owner) {}

void TListColumns::Update(TCollectionItem*)
{
    owner_->ColumnsChanged();
}

// ---------------------------------------------------------------- the model

// What Qt's tree view shows: the held items or the provider's rows, the columns' captions.
class TListView::Model : public QAbstractTableModel {
public:
    explicit Model(TListView* owner) : QAbstractTableModel(owner), owner_(owner) {}

    using QAbstractTableModel::beginInsertRows;
    using QAbstractTableModel::beginRemoveRows;
    using QAbstractTableModel::beginResetModel;
    using QAbstractTableModel::endInsertRows;
    using QAbstractTableModel::endRemoveRows;
    using QAbstractTableModel::endResetModel;

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : owner_->RowCount(); }
    int columnCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : std::max(1, owner_->Columns()->Count());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return owner_->CellText(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(AlignmentOf(index.column()) | Qt::AlignVCenter);
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section >= owner_->Columns()->Count())
            return {};
        if (role == Qt::DisplayRole)
            return owner_->Columns()->Items(section)->Caption();
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
        if (owner_->RowSelect() || index.column() == 0)
            flags |= Qt::ItemIsSelectable;
        if (index.column() == 0 && !owner_->ReadOnly() && !owner_->OwnerData())
            flags |= Qt::ItemIsEditable;
        return flags;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (role != Qt::EditRole || index.column() != 0 || owner_->OwnerData())
            return false;
        bool done = false;
        Guard([&] {
            owner_->Items()->Item(index.row())->SetCaption(value.toString());
            done = true;
        });
        return done;
    }

    void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, columnCount({}) - 1)); }
    void HeadersChanged() { emit headerDataChanged(Qt::Horizontal, 0, columnCount({}) - 1); }

private:
    Qt::Alignment AlignmentOf(int column) const
    {
        if (column >= owner_->Columns()->Count())
            return Qt::AlignLeft;
        switch (owner_->Columns()->Items(column)->Alignment()) {
        case taRightJustify:
            return Qt::AlignRight;
        case taCenter:
            return Qt::AlignHCenter;
        case taLeftJustify:
            break;
        }
        return Qt::AlignLeft;
    }

    TListView* owner_;
};

// ---------------------------------------------------------------- items

void TListItem::SetCaption(const QString& value)
{
    if (caption_ == value)
        return;
    caption_ = value;
    Changed();
}

void TListItem::SetSubItems(const QStringList& value)
{
    if (subItems_ == value)
        return;
    subItems_ = value;
    Changed();
}

void TListItem::AddSubItem(const QString& value)
{
    subItems_.append(value);
    Changed();
}

int TListItem::Index() const
{
    const auto& items = owner_->items_;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this)
            return int(i);
    return -1;
}

void TListItem::Changed()
{
    if (owner_->updateCount_ > 0)
        return;
    if (const int row = Index(); row >= 0)
        owner_->owner_->model_->RowChanged(row);
}

TListItem* TListItems::Item(int index) const
{
    if (index < 0 || index >= Count())
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    return items_[std::size_t(index)].get();
}

TListItem* TListItems::Add()
{
    return Insert(Count());
}

TListItem* TListItems::Insert(int index)
{
    if (index < 0 || index > Count())
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    const bool showing = updateCount_ == 0 && !owner_->OwnerData();
    if (showing)
        owner_->model_->beginInsertRows({}, index, index);
    items_.insert(items_.begin() + index, std::make_unique<TListItem>(this));
    if (showing)
        owner_->model_->endInsertRows();
    return items_[std::size_t(index)].get();
}

void TListItems::Delete(int index)
{
    Item(index);
    const bool showing = updateCount_ == 0 && !owner_->OwnerData();
    if (showing)
        owner_->model_->beginRemoveRows({}, index, index);
    items_.erase(items_.begin() + index);
    if (showing)
        owner_->model_->endRemoveRows();
}

void TListItems::Clear()
{
    BeginUpdate();
    items_.clear();
    EndUpdate();
}

void TListItems::BeginUpdate()
{
    if (updateCount_++ == 0 && !owner_->OwnerData())
        owner_->model_->beginResetModel();
}

void TListItems::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0 && !owner_->OwnerData())
        owner_->model_->endResetModel();
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
      columns_(new TListColumns(this)),
      items_(std::make_unique<TListItems>(this)),
      model_(new Model(this)),
      view_(new QTreeView(this))
{
    view_->setModel(model_);
    view_->setRootIsDecorated(false);
    view_->setItemsExpandable(false);
    view_->setUniformRowHeights(true);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectItems);
    view_->header()->setStretchLastSection(false);
    view_->header()->setSectionsMovable(false);
    auto* headerStyle = new THeaderStyle; // follows the application's style, owned by the header
    headerStyle->setParent(view_->header());
    view_->header()->setStyle(headerStyle);
    SetHostedWidget(view_);
    QObject::connect(view_->header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (syncingWidths_ || section >= columns_->Count())
            return;
        syncingWidths_ = true;
        Guard([&] { columns_->Items(section)->SetWidth(size); });
        syncingWidths_ = false;
    });
    ApplyEditing();
    SetColumnClick(true);
    SetBounds(0, 0, 250, 150);
}

TListView::~TListView()
{
    // The view asks the model while it goes; it goes first.
    delete view_;
    view_ = nullptr;
}

void TListView::ColumnsChanged()
{
    model_->beginResetModel();
    model_->endResetModel();
    syncingWidths_ = true;
    for (int i = 0; i < columns_->Count(); ++i)
        view_->header()->resizeSection(i, columns_->Items(i)->Width());
    syncingWidths_ = false;
    model_->HeadersChanged();
}

void TListView::SetColumnClick(bool value)
{
    columnClick_ = value;
    view_->header()->setSectionsClickable(value);
    view_->header()->setHighlightSections(false);
}

void TListView::SetOwnerData(bool value)
{
    if (ownerData_ == value)
        return;
    model_->beginResetModel();
    ownerData_ = value;
    model_->endResetModel();
    ApplyEditing();
}

void TListView::SetReadOnly(bool value)
{
    readOnly_ = value;
    ApplyEditing();
}

void TListView::ApplyEditing()
{
    view_->setEditTriggers(readOnly_ || ownerData_
                               ? QAbstractItemView::NoEditTriggers
                               : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

void TListView::SetRowSelect(bool value)
{
    if (rowSelect_ == value)
        return;
    rowSelect_ = value;
    view_->setSelectionBehavior(value ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    view_->setAllColumnsShowFocus(value);
    view_->viewport()->update();
}

void TListView::SetViewStyle(TViewStyle value)
{
    viewStyle_ = value;
}

void TListView::SetDataProvider(const TListViewData* provider)
{
    model_->beginResetModel();
    provider_ = provider;
    model_->endResetModel();
}

void TListView::DataChanged()
{
    model_->beginResetModel();
    model_->endResetModel();
}

int TListView::RowCount() const
{
    if (ownerData_)
        return provider_ ? provider_->RowCount() : 0;
    return items_->Count();
}

QString TListView::CellText(int row, int column) const
{
    if (ownerData_)
        return provider_ && row < provider_->RowCount() ? provider_->CellText(row, column) : QString();
    if (row < 0 || row >= items_->Count())
        return {};
    const TListItem* item = items_->Item(row);
    if (column == 0)
        return item->Caption();
    return column - 1 < item->SubItems().size() ? item->SubItems().at(column - 1) : QString();
}

QString TListView::HintAt(TPoint clientPos, TRect& area) const
{
    const QPoint inView = view_->viewport()->mapFrom(this, QPoint(clientPos.x(), clientPos.y()));
    const QModelIndex cell = view_->indexAt(inView);
    if (!cell.isValid())
        return TWidgetHostControl::HintAt(clientPos, area);
    // The row's band across the view: the hint holds until the pointer moves to another row.
    const QRect cellRect = view_->visualRect(cell);
    const QRect band = QRect(0, cellRect.top(), view_->viewport()->width(), cellRect.height())
                           .intersected(view_->viewport()->rect());
    area = TRect::fromQRect(QRect(view_->viewport()->mapTo(this, band.topLeft()), band.size()));
    QStringList cells;
    for (int column = 0; column < std::max(1, columns_->Count()); ++column)
        if (const QString text = CellText(cell.row(), column); !text.isEmpty())
            cells << text;
    return cells.join(u'\n');
}

int TListView::ItemIndex() const
{
    const QModelIndexList selected = view_->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TListView::SetItemIndex(int index)
{
    if (index < 0 || index >= RowCount()) {
        view_->clearSelection();
        return;
    }
    view_->setCurrentIndex(model_->index(index, 0));
}
