#pragma once

#include "emu/core/RendererBase.h"

namespace emu {

// "No Rendering": the renderer of a machine run without a chosen one. It never gets a frame, so video devices
// draw nothing into it.
class NullRenderer : public RendererBase {
public:
    bool Resize(int32_t width, int32_t height, bool flag) override;
    bool SetTargetWindow(void* window) override;
    std::unique_ptr<RendererBase> Clone() const override;
    const char* Name() const override { return "No Rendering"; }
    void RequestClear() override {}
};

} // namespace emu
