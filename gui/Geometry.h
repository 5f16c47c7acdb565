// Rectangles of the drawing context (inclusive corners, in the context's pixels), bounds and margins.
#pragma once

#include <algorithm>
#include <cstdint>

namespace gui {

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool Overlaps(const Rect& other) const {
        return left <= other.right && other.left <= right && top <= other.bottom && other.top <= bottom;
    }
    // The common part; only meaningful when the two overlap.
    Rect Intersect(const Rect& other) const {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
    Rect Union(const Rect& other) const {
        return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                std::max(bottom, other.bottom)};
    }
    Rect Normalised() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A window's place: position and size.
struct Bounds {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

// Margins of a container: the space kept free on each side.
struct Margins {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const Margins&, const Margins&) = default;
};

} // namespace gui
