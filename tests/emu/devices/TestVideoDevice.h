// A raster video device for the tests: a 1 KB monochrome screen at 040000 (pages 16..31 of the window), one bit
// per pixel, high bit first, drawn white on blue; it records every DrawLine and FramePhase call.
#pragma once

#include "emu/devices/PixelExpansion.h"
#include "emu/devices/RasterVideoDevice.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace emu {

class TestVideoDevice : public RasterVideoDevice {
public:
    static constexpr uint32_t kScreenStart = 040000;
    static constexpr int32_t kWidth = 64;
    static constexpr int32_t kHeight = 32;
    static constexpr uint32_t kInk = 0xFFFFFFFF;
    static constexpr uint32_t kPaper = 0xFF0000C0;

    struct Call {
        int32_t line;
        int32_t width;
        bool withRow;
        bool full;
        int32_t eventIndex;
        bool operator==(const Call&) const = default;
    };

    explicit TestVideoDevice(const char* name = "VIDEO") : RasterVideoDevice(name) {
        SetMemoryPageSize(0, 1, 0xFFFFFFFF);
        AddMemoryPages(0, 16, 16, true, true);
    }

    std::vector<Call> calls;
    std::vector<int32_t> phases;

    bool DrawLine(int32_t line, int32_t, int32_t width, uint32_t* row, bool full, int32_t eventIndex) override {
        calls.push_back({line, width, row != nullptr, full, eventIndex});
        if (row == nullptr || width <= 0) {
            return false;
        }
        const int32_t lineBytes = (width + 7) / 8;
        const uint8_t* memory = CurrentPageBuffer();
        if (memory == nullptr || (line + 1) * lineBytes > MemorySize()) {
            std::fill(row, row + width, kPaper);
            return true;
        }
        static constexpr uint32_t kPalette[2] = {kPaper, kInk};
        ExpandPixels1(memory + line * lineBytes, row, kPalette, width, true);
        return true;
    }
    void FramePhase(int32_t phase, int32_t) override { phases.push_back(phase); }

    // The calls with a row (drawn lines) and without (blank calls).
    int32_t DrawnCalls() const {
        return static_cast<int32_t>(std::count_if(calls.begin(), calls.end(), [](const Call& c) { return c.withRow; }));
    }
    int32_t BlankCalls() const { return static_cast<int32_t>(calls.size()) - DrawnCalls(); }

    // The optional geometry, as a derived device sets it.
    void SetGeometry(int32_t mode, int32_t columns, int32_t rows, int32_t bits) {
        videoMode = mode;
        columnCount = columns;
        rowCount = rows;
        pixelBits = bits;
        graphicsMode = bits > 0;
    }
};

} // namespace emu
