#include "toolkit/Collection.h"

#include "toolkit/Exceptions.h"

#include <algorithm>

TCollectionItem::TCollectionItem(TCollection* collection) : TPersistent(collection), FCollection(collection) {}

TCollectionItem::~TCollectionItem() = default;

int TCollectionItem::Index() const
{
    const auto& items = FCollection->FItems;
    const auto found = std::find_if(items.begin(), items.end(), [this](const auto& p) { return p.get() == this; });
    return found == items.end() ? -1 : int(found - items.begin());
}

void TCollectionItem::Changed(bool allItems)
{
    FCollection->Changed(allItems ? nullptr : this);
}

TCollection::TCollection(ItemFactory itemClass, QObject* parent) : TPersistent(parent), FItemClass(itemClass) {}

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[std::size_t(index)].get();
}

TCollectionItem* TCollection::Add()
{
    FItems.emplace_back(FItemClass(this));
    Changed(nullptr);
    return FItems.back().get();
}

void TCollection::Delete(int index)
{
    Items(index);
    FItems.erase(FItems.begin() + index);
    Changed(nullptr);
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    FItems.clear();
    Changed(nullptr);
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Update(nullptr);
}

void TCollection::Changed(TCollectionItem* item)
{
    if (FUpdateCount == 0)
        Update(item);
}

void TCollection::Update(TCollectionItem*) {}
