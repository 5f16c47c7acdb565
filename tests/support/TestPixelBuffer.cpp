#include "support/TestPixelBuffer.h"

#include <algorithm>

namespace test_support {

void TestPixelBuffer::Resize(int32_t width, int32_t height, uint32_t colour) {
    Free();
    pixelRows.clear();
    if (width <= 0 || height <= 0) {
        return;
    }
    Rows = std::make_unique<uint32_t*[]>(static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        auto& row = pixelRows.emplace_back(std::make_unique<uint32_t[]>(static_cast<size_t>(width)));
        std::fill(row.get(), row.get() + width, colour);
        Rows[y] = row.get();
    }
    Width = width;
    Height = height;
}

} // namespace test_support
