#pragma once

#include "common/String.h"

namespace common {

// An indexed list that owns a copy of everything added to it. Indexes and counts are signed; a request that
// reaches outside the list is cut to it.
class List {
public:
    virtual ~List() = default;

    // The item at index, owned by the list; null outside the list.
    virtual String* At(int index) const = 0;
    // Appends a copy of the item (in the item's width) and answers its index.
    virtual int Add(const String& item) = 0;
    virtual int Count() const = 0;
    // Deletes the items [index, index + count) that exist.
    virtual void Remove(int index, int count) = 0;
    virtual void Clear() { Remove(0, Count()); }
    virtual void Sort() = 0;

protected:
    List() = default;
    List(const List&) = delete;
    List& operator=(const List&) = delete;
};

} // namespace common
