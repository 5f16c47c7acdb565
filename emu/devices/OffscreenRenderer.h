#pragma once

#include "emu/core/RendererBase.h"

#include <memory>

namespace emu {

// "Offscreen": a renderer whose frame lives only in memory, for machines run without a window (tests, tools).
// It resizes without a window, locks as the window renderers do, and takes the dirty marks at every frame end as
// a presenter does, so MarkFrame answers whether anything changed. Its picture is AsImage(), which
// common::WriteBmp writes as a file; a reader on another thread holds FrameLock() meanwhile.
class OffscreenRenderer : public RendererBase {
public:
    OffscreenRenderer() = default;
    ~OffscreenRenderer() override;

    // The frame gets the size (0 x 0: none); the machine is told through the resize callback.
    bool Resize(int32_t width, int32_t height, bool flag) override;
    void EndFrame(bool full, float aspect) override;
    bool MarkFrame(bool full) override;
    bool SetTargetWindow(void* window) override;
    std::unique_ptr<RendererBase> Clone() const override;
    const char* Name() const override { return "Offscreen"; }
    void RequestClear() override {}
};

} // namespace emu
