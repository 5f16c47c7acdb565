#include "gui/Cursor.h"

#include "common/Image.h"

#include <algorithm>

namespace gui {

bool Cursor::CreateFromImage(common::Image& image, int32_t hotX, int32_t hotY) {
    const Colour white = Colour::Of(0xFFFFFFFF);
    const Colour black = Colour::Of(0xFF000000);
    return CreateFromImage(image, hotX, hotY, white, black, white, black);
}

CursorPlanes MakeCursorPlanes(common::Image& image, const Colour& white, const Colour& black, const Colour& transparent,
                              const Colour& inverted) {
    CursorPlanes planes;
    planes.andPlane.fill(0xFF);
    const int32_t width = std::min(image.GetWidth(), 32);
    const int32_t height = std::min(image.GetHeight(), 32);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const Colour pixel = Colour::Of(image.GetPixelColour(y, x));
            bool andBit = true;
            bool xorBit = false;
            if (pixel == white) {
                andBit = false;
                xorBit = true;
            } else if (pixel == black) {
                andBit = false;
            } else if (pixel == transparent) {
            } else if (pixel == inverted) {
                xorBit = true;
            }
            const int32_t byte = y * 4 + x / 8;
            const auto bit = static_cast<uint8_t>(0x80 >> (x % 8));
            planes.andPlane[byte] = andBit ? planes.andPlane[byte] | bit : planes.andPlane[byte] & ~bit;
            planes.xorPlane[byte] = xorBit ? planes.xorPlane[byte] | bit : planes.xorPlane[byte] & ~bit;
        }
    }
    return planes;
}

} // namespace gui
