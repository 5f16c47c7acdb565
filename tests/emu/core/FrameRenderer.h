#pragma once

#include "emu/core/RendererBase.h"

#include <cstdint>
#include <vector>

namespace emu {

// A renderer that owns its frame in memory, as the window renderers do, without a window; it notes the scale modes
// it is given.
class FrameRenderer : public RendererBase {
public:
    std::vector<int32_t> scaleModes;

    bool Resize(int32_t width, int32_t height, bool flag) override {
        return ResizeOwnedFrame(width, height, flag, [this] { return ReallocateFrame(); });
    }
    bool SetTargetWindow(void*) override { return false; }
    void RequestClear() override {}
    // What a presenter does with the dirty marks after a frame end.
    void TakeDirtyLines() { ClearDirtyLines(); }
    void SetScaleMode(int32_t mode) override {
        scaleModes.push_back(mode);
        RendererBase::SetScaleMode(mode);
    }
};

} // namespace emu
