#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace emu {

// The (context, callback) pairs a service tells of its changes, in the order they were added; a pair is there
// at most once. Services walk it by index, so that a listener may add another while it is told.
template <typename Callback>
class ListenerList {
public:
    struct Entry {
        void* context;
        Callback callback;

        bool operator==(const Entry&) const = default;
    };

    void Add(void* context, Callback callback) {
        const Entry added{context, callback};
        if (std::find(entries.begin(), entries.end(), added) == entries.end()) {
            entries.push_back(added);
        }
    }
    // The pair goes, if it is there.
    void Remove(void* context, Callback callback) {
        const auto found = std::find(entries.begin(), entries.end(), Entry{context, callback});
        if (found != entries.end()) {
            entries.erase(found);
        }
    }
    void Clear() { entries.clear(); }
    size_t Count() const { return entries.size(); }
    const Entry& operator[](size_t index) const { return entries[index]; }

private:
    std::vector<Entry> entries;
};

} // namespace emu
