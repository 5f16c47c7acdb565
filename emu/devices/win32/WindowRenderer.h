#pragma once

#include "emu/core/RendererBase.h"
#include "emu/devices/FrameLayout.h"

#include <windows.h>

namespace emu {

// A renderer that shows its frame in a host window: it remembers the target window and its client rectangle,
// owns the frame's pixel memory (allocated by Layout), fits the picture into the client area (ComputeLayout) and
// presents on the GUI thread from MarkFrame. The presentation itself (Present) and the reading of the window's
// size and the frame's allocation (Layout) are the concrete renderer's.
//
// Threads: Resize, Free, SetTargetWindow and the destructor take the frame lock, then the present lock. MarkFrame
// holds the frame lock across the whole presentation and the present lock only around the frame-state step and
// Layout; the concrete renderer takes the present lock for its layout computation.
class WindowRenderer : public RendererBase {
public:
    WindowRenderer() = default;
    ~WindowRenderer() override;

    // Refused for a side below 0 or above kMaxSide, and without a target window. The resize callback is told.
    bool Resize(int32_t width, int32_t height, bool flag) override;
    // Window pixels to frame units, by the factors of the last layout (1.0 while none).
    bool ScalePoint(double x, double y, double& scaledX, double& scaledY) override;
    bool GetClientRect(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) override;
    // Detaches from the window before, then attaches to the new one (an HWND): false when it is no window, its
    // client area cannot be read or the attachment failed. The same window again is kept as it is.
    bool SetTargetWindow(void* window) override;
    // Presents when the base answers true; a window that is gone detaches the renderer (false). A failed
    // presentation leaves the frame pending.
    bool MarkFrame(bool full) override;
    void RequestClear() override { clearNeeded = true; }

    HWND TargetWindow() const { return targetWindow; }

protected:
    // Shows the frame in the window; under the frame lock.
    virtual bool Present() = 0;
    // With checkClient reads the window's client rectangle anew (false when that fails); with reallocate builds
    // the frame for Width x Height.
    virtual bool Layout(bool checkClient, bool reallocate) = 0;

    void ForgetWindow();

    HWND targetWindow = nullptr;
    // The window's client rectangle as last read (left and top 0).
    LayoutRect client;
    bool clearNeeded = false;
    double scaleX = 1.0;
    double scaleY = 1.0;
};

} // namespace emu
