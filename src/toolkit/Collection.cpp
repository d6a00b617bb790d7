#include "toolkit/Collection.h"

#include "toolkit/Exceptions.h"

#include <algorithm>

TCollectionItem::TCollectionItem(TCollection* collection) : TPersistent(collection), collection_(collection) {}

TCollectionItem::~TCollectionItem() = default;

int TCollectionItem::Index() const
{
    const auto& items = collection_->items_;
    const auto found = std::find_if(items.begin(), items.end(), [this](const auto& p) { return p.get() == this; });
    return found == items.end() ? -1 : int(found - items.begin());
}

void TCollectionItem::Changed(bool allItems)
{
    collection_->Changed(allItems ? nullptr : this);
}

TCollection::TCollection(ItemFactory itemClass, QObject* parent) : TPersistent(parent), itemClass_(itemClass) {}

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    return items_[std::size_t(index)].get();
}

TCollectionItem* TCollection::Add()
{
    items_.emplace_back(itemClass_(this));
    Changed(nullptr);
    return items_.back().get();
}

void TCollection::Delete(int index)
{
    Items(index);
    items_.erase(items_.begin() + index);
    Changed(nullptr);
}

void TCollection::Clear()
{
    if (items_.empty())
        return;
    items_.clear();
    Changed(nullptr);
}

void TCollection::BeginUpdate()
{
    ++updateCount_;
}

void TCollection::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0)
        Update(nullptr);
}

void TCollection::Changed(TCollectionItem* item)
{
    if (updateCount_ == 0)
        Update(item);
}

void TCollection::Update(TCollectionItem*) {}
