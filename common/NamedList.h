#pragma once

#include "common/IndexRange.h"
#include "common/List.h"

#include <memory>
#include <vector>

namespace common {

// A list of named entries: each an owned copy of its name with a value of type T, value-initialised when added
// (0 for numbers).
template <typename T>
class NamedList : public List {
public:
    NamedList() = default;

    // The name of the entry at index; null outside the list.
    String* At(int index) const override { return InList(index) ? entries[index].name.get() : nullptr; }
    int Add(const String& name) override {
        entries.push_back({name.Substr(0, name.Length()), T{}});
        return Count() - 1;
    }
    int Count() const override { return static_cast<int>(entries.size()); }
    void Remove(int index, int count) override {
        const IndexRange range = IndexRange::Clamp(Count(), index, count);
        entries.erase(entries.begin() + range.first, entries.begin() + range.first + range.count);
    }
    void Clear() override { entries.clear(); }
    // Entries keep the order they were added in.
    void Sort() override {}

    // The value of the entry at index; null outside the list.
    T* ValueAt(int index) { return InList(index) ? &entries[index].value : nullptr; }
    const T* ValueAt(int index) const { return InList(index) ? &entries[index].value : nullptr; }

private:
    struct Entry {
        std::unique_ptr<String> name;
        T value;
    };

    bool InList(int index) const { return index >= 0 && index < Count(); }

    std::vector<Entry> entries;
};

} // namespace common
