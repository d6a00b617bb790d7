#pragma once
// Collections: ordered lists of persistent items of one class, streamed as
// "Columns = < item ... end item ... end >".

#include "toolkit/Persistent.h"

#include <memory>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
    Q_OBJECT

public:
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;

    TCollection* Collection() const { return FCollection; }
    int Index() const;

protected:
    // Tells the collection that this item (or, with allItems, every item) changed.
    void Changed(bool allItems);

private:
    TCollection* FCollection;
};

class TCollection : public TPersistent {
    Q_OBJECT

public:
    using ItemFactory = TCollectionItem* (*)(TCollection*);

    TCollection(ItemFactory itemClass, QObject* parent);
    ~TCollection() override;

    int Count() const { return int(FItems.size()); }
    TCollectionItem* Items(int index) const;
    TCollectionItem* Add();
    void Delete(int index);
    void Clear();

    // Changes inside an update block reach Update once, at its end.
    void BeginUpdate();
    void EndUpdate();

protected:
    // An item changed; nullptr when the list itself or several items changed.
    virtual void Update(TCollectionItem* item);

private:
    friend class TCollectionItem;
    void Changed(TCollectionItem* item);

    ItemFactory FItemClass;
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
    int FUpdateCount = 0;
};

// The factory of a collection item class: TCollection(&NewItem<TListColumn>, this).
template <class T>
TCollectionItem* NewItem(TCollection* collection)
{
    return new T(collection);
}
