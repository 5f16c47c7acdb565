#pragma once

#include "common/PixelBuffer.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace test_support {

// A pixel buffer with pixels of its own. Every row is an allocation of exactly its width, so that AddressSanitizer
// catches a write past either end of a row.
class TestPixelBuffer : public common::PixelBuffer {
public:
    TestPixelBuffer() = default;
    TestPixelBuffer(int32_t width, int32_t height, uint32_t colour = 0) { Resize(width, height, colour); }

    // A new size, every pixel the colour; 0 or less in either leaves no pixels.
    void Resize(int32_t width, int32_t height, uint32_t colour = 0);
    uint32_t Pixel(int32_t x, int32_t y) const { return Row(y)[x]; }

private:
    std::vector<std::unique_ptr<uint32_t[]>> pixelRows;
};

} // namespace test_support
