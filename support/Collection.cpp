#include "support/Collection.h"

#include <algorithm>

#include "platform/Checked.h"

TCollectionItem::TCollectionItem(TCollection* Collection) : collection_(Collection) {
    if (collection_) collection_->items_.push_back(this);
}

TCollectionItem::~TCollectionItem() {
    if (!collection_) return;
    auto& items = collection_->items_;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
}

int TCollectionItem::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

TCollection::~TCollection() { Clear(); }

TCollectionItem* TCollection::Item(int Index) const { return At(items_, Index); }

int TCollection::IndexOf(const TCollectionItem* Item) const {
    const auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TCollection::Clear() {
    while (!items_.empty()) delete items_.back();
}
