// A window's mouse cursor: the default arrow, the hand, or one built from an image.
#pragma once

#include "gui/Colour.h"

#include <array>
#include <cstdint>

namespace common {
class Image;
}

namespace gui {

enum CursorKind : int32_t { kArrowCursor = 0, kImageCursor = 1, kHandCursor = 2 };

class Cursor {
public:
    virtual ~Cursor() = default;

    // Shares the other cursor's handle (an image-built one is freed with its last holder).
    virtual void Assign(const Cursor* other) = 0;
    virtual void Reset() = 0;
    // kArrowCursor or kHandCursor; false for any other kind.
    virtual bool LoadStandard(int32_t kind) = 0;
    // A 32 x 32 cursor from the image's top-left pixels, classified by the four key colours; false (the cursor
    // unchanged) for an empty image or when the host refuses.
    virtual bool CreateFromImage(common::Image& image, int32_t hotX, int32_t hotY, const Colour& white,
                                 const Colour& black, const Colour& transparent, const Colour& inverted) = 0;
    // Opaque white and black keys for white and black; the same colours again for transparent and inverted, so
    // that only pure white and black pixels show.
    bool CreateFromImage(common::Image& image, int32_t hotX, int32_t hotY);
    virtual int32_t GetKind() const = 0;
    virtual bool HasHandle() const = 0;
};

// The AND and XOR planes of a 32 x 32 cursor, 1 bit per pixel, rows of 4 bytes, leftmost pixel in the high bit.
struct CursorPlanes {
    std::array<uint8_t, 128> andPlane{};
    std::array<uint8_t, 128> xorPlane{};
};

// Pixels equal to white show white, black black, transparent and anything else the screen, inverted the screen
// inverted; checked in that order.
CursorPlanes MakeCursorPlanes(common::Image& image, const Colour& white, const Colour& black, const Colour& transparent,
                              const Colour& inverted);

} // namespace gui
