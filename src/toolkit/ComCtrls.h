#pragma once
// The list view in report view: columns with captions and widths, rows with a caption
// and sub-items. Rows are either held by the list view (Items) or, in owner-data mode,
// asked for by index from a data provider, so a million rows appear at once.

#include "toolkit/Collection.h"
#include "toolkit/Controls.h"

#include <QStringList>
#include <memory>
#include <vector>

class QTreeView;
class TListView;

class TListColumn : public TCollectionItem {
    Q_OBJECT
    Q_PROPERTY(toolkit::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_CLASSINFO("Alignment", "default taLeftJustify")
    Q_CLASSINFO("Width", "default 50")

public:
    explicit TListColumn(TCollection* collection);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    int Width() const { return FWidth; }
    void SetWidth(int value);

private:
    TAlignment FAlignment = taLeftJustify;
    QString FCaption;
    int FWidth = 50;
};

class TListColumns : public TCollection {
    Q_OBJECT

public:
    explicit TListColumns(TListView* owner);

    TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
    TListColumn* Items(int index) const { return static_cast<TListColumn*>(TCollection::Items(index)); }

protected:
    void Update(TCollectionItem* item) override;

private:
    TListView* FOwner;
};

class TListItems;

// One row held by the list view: the caption is the first column, sub-item n the column
// n + 1.
class TListItem {
public:
    explicit TListItem(TListItems* owner) : FOwner(owner) {}

    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    const QStringList& SubItems() const { return FSubItems; }
    void SetSubItems(const QStringList& value);
    void AddSubItem(const QString& value);
    int Index() const;
    // Anything the program keeps with the row.
    void* Data = nullptr;

private:
    void Changed();

    TListItems* FOwner;
    QString FCaption;
    QStringList FSubItems;
};

class TListItems {
public:
    explicit TListItems(TListView* owner) : FOwner(owner) {}

    int Count() const { return int(FItems.size()); }
    TListItem* Item(int index) const;
    TListItem* operator[](int index) const { return Item(index); }
    TListItem* Add();
    TListItem* Insert(int index);
    void Delete(int index);
    void Clear();
    // Rows added inside an update block reach the view at once, at its end.
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TListItem;
    friend class TListView;

    TListView* FOwner;
    std::vector<std::unique_ptr<TListItem>> FItems;
    int FUpdateCount = 0;
};

// Rows of an owner-data list view, asked for by index only when they are shown.
class TListViewData {
public:
    virtual ~TListViewData() = default;
    virtual int RowCount() const = 0;
    // Column 0 is the row's caption, column n its sub-item n - 1.
    virtual QString CellText(int row, int column) const = 0;
};

class TListView : public TWidgetHostControl {
    Q_OBJECT
    Q_PROPERTY(TListColumns* Columns READ Columns)
    Q_PROPERTY(bool ColumnClick READ ColumnClick WRITE SetColumnClick)
    Q_PROPERTY(bool OwnerData READ OwnerData WRITE SetOwnerData)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool RowSelect READ RowSelect WRITE SetRowSelect)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(toolkit::TViewStyle ViewStyle READ ViewStyle WRITE SetViewStyle)
    Q_CLASSINFO("ColumnClick", "default True")
    Q_CLASSINFO("OwnerData", "default False")
    Q_CLASSINFO("ReadOnly", "default False")
    Q_CLASSINFO("RowSelect", "default False")
    Q_CLASSINFO("ViewStyle", "default vsIcon")

public:
    explicit TListView(TComponent* owner);
    ~TListView() override;

    TListColumns* Columns() const { return FColumns; }
    TListItems* Items() const { return FItems.get(); }

    // Column headers can be clicked.
    bool ColumnClick() const { return FColumnClick; }
    void SetColumnClick(bool value);
    // Rows come from the data provider instead of Items.
    bool OwnerData() const { return FOwnerData; }
    void SetOwnerData(bool value);
    // No in-place editing of captions.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // Selection covers the whole row, not only the caption.
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool value);
    // Every style shows as a report: only the report view is built.
    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle value);

    // The provider of an owner-data list view (not owned; nullptr for none). Setting it
    // reads its row count.
    void SetDataProvider(const TListViewData* provider);
    const TListViewData* DataProvider() const { return FProvider; }
    // The provider's rows changed (count or contents): the view reads them again.
    void DataChanged();

    // Rows shown, whichever way they are held.
    int RowCount() const;
    QString CellText(int row, int column) const;
    // -1 when no row is selected.
    int ItemIndex() const;
    void SetItemIndex(int index);

    // The whole row under the pointer, a line per column that holds text: cells wider than the
    // view are read without scrolling.
    QString HintAt(TPoint clientPos, TRect& area) const override;

    QTreeView* View() const { return FView; }

private:
    friend class TListColumns;
    friend class TListItems;
    friend class TListItem;
    class Model;

    void ColumnsChanged();
    void ApplyEditing();

    TListColumns* FColumns;
    std::unique_ptr<TListItems> FItems;
    Model* FModel;
    QTreeView* FView;
    const TListViewData* FProvider = nullptr;
    bool FColumnClick = true;
    bool FOwnerData = false;
    bool FReadOnly = false;
    bool FRowSelect = false;
    TViewStyle FViewStyle = vsIcon;
    bool FSyncingWidths = false;
};
