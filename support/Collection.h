#pragma once
// A list of items that belong to it: an item joins its collection when it is
// created and leaves it when it is destroyed; the collection destroys the
// items it still holds.
#include <vector>

class TCollection;

class TCollectionItem {
public:
    explicit TCollectionItem(TCollection* Collection);
    virtual ~TCollectionItem();
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return collection_; }
    int Index() const;

private:
    TCollection* collection_;
};

class TCollection {
public:
    TCollection() = default;
    virtual ~TCollection();
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    // Raises ERangeError for an index outside the collection.
    TCollectionItem* Item(int Index) const;
    int IndexOf(const TCollectionItem* Item) const;
    // Destroys every item, the last first.
    void Clear();

private:
    friend class TCollectionItem;
    std::vector<TCollectionItem*> items_;
};
