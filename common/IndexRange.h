#pragma once

#include <algorithm>
#include <cstdint>

namespace common {

// The part of [0, length) that a request for `count` items from `pos` covers. Strings and lists cut such requests
// the same way: a negative pos counts from before the start, a count past the end stops at the end, and a request
// that starts at or past the end, or ends before the start, covers nothing.
struct IndexRange {
    int first = 0;
    int count = 0;

    static constexpr IndexRange Clamp(int length, int pos, int count) {
        const int64_t end = int64_t{pos} + count;
        if (count <= 0 || end <= 0 || pos >= length) {
            return {};
        }
        const int first = std::max(pos, 0);
        return {first, static_cast<int>(std::min<int64_t>(end, length) - first)};
    }
};

} // namespace common
