// Where a window renderer puts its frame in the window's client area. Portable arithmetic, shared by the GDI and
// OpenGL presenters and tested on its own.
#pragma once

#include <cstdint>

namespace emu {

struct LayoutRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const LayoutRect&) const = default;
};

struct FrameLayout {
    // Where the picture goes in the client area.
    LayoutRect destination;
    // Frame units per window pixel, for ScalePoint: the aspect-corrected frame size over the destination size (1.0
    // for an empty destination).
    double scaleX = 1.0;
    double scaleY = 1.0;
};

// The picture of a width x height frame shown with aspect (shown width / shown height; 0 or less, not finite or
// outside 1/16..16: square pixels) in the client rectangle. Scale mode 1 zooms by the largest whole factor that
// fits, when the frame fits at all; any other mode stretches to the client area keeping the aspect ratio, centred
// on the side with room to spare. An empty frame or client area gives the client rectangle itself (an empty
// destination for an empty client area). Never divides by zero or overflows.
FrameLayout ComputeLayout(int32_t width, int32_t height, float aspect, const LayoutRect& client, int32_t scaleMode);

} // namespace emu
