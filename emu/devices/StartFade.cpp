#include "emu/devices/StartFade.h"

#include "common/LittleEndian.h"

namespace emu {

namespace {

// Bytes a sample; 0 for a width no output opens with.
int32_t WidthOf(int32_t sampleBits) {
    return sampleBits == 8 || sampleBits == 16 ? sampleBits / 8 : 0;
}

int64_t RestLevel(int32_t width) {
    return width == 1 ? 128 : 0;
}

int64_t SampleAt(const uint8_t* at, int32_t width) {
    const auto value = static_cast<int64_t>(common::LoadLittleEndian(at, width));
    return width == 1 ? value : static_cast<int16_t>(value);
}

} // namespace

void FillAtRestLevel(std::span<uint8_t> block, int32_t sampleBits) {
    const int32_t width = WidthOf(sampleBits);
    if (width == 0) {
        return;
    }
    for (size_t at = 0; at + static_cast<size_t>(width) <= block.size(); at += static_cast<size_t>(width)) {
        common::StoreLittleEndian(block.data() + at, width, static_cast<uint64_t>(RestLevel(width)));
    }
}

void FadeInFromRestLevel(std::span<uint8_t> block, int32_t sampleBits) {
    const int32_t width = WidthOf(sampleBits);
    if (width == 0) {
        return;
    }
    const auto samples = static_cast<int64_t>(block.size()) / width;
    const int64_t rest = RestLevel(width);
    for (int64_t sample = 0; sample < samples; ++sample) {
        uint8_t* at = block.data() + sample * width;
        const int64_t level = rest + (SampleAt(at, width) - rest) * sample / samples;
        common::StoreLittleEndian(at, width, static_cast<uint64_t>(level));
    }
}

} // namespace emu
