#pragma once

#include "emu/core/Renderer.h"

#include <cstdint>
#include <memory>

namespace emu {

// Called after a renderer that owns its frame was resized; the machine installs one that tells its devices 0x100.
using RendererResizeCallback = bool (*)(void* context);
// Called at every frame end under the present lock; answers true when it drew into the frame (the controller's
// console overlay), which then counts as a full redraw.
using FrameEndCallback = bool (*)(void* context);

// The base of every renderer, itself "No Draw": the frame state logic, the line operations the video devices use,
// the callbacks and the scale mode. A window renderer overrides the window operations and presents in MarkFrame;
// a renderer that owns its frame allocates it in Resize (ResizeOwnedFrame).
//
// What a video device does per frame, on the emulation thread: for each line l it wants to draw, when NeedsLine(l)
// it writes Width pixels into Row(l) and calls MarkLineDrawn(l); when the video memory under a line changes it calls
// InvalidateLine(l) (or ForceRedraw for everything); at the frame's end EndFrame. A line marked drawn stays as it is
// until invalidated, so a still picture costs no pixel writes and presents nothing.
class RendererBase : public Renderer {
public:
    RendererBase() = default;
    ~RendererBase() override;

    // The background back to opaque black (a change makes a frame pending), and no frame.
    void Free() override;
    bool IsAvailable() const override { return true; }
    // Under the present lock. full is not used here.
    void EndFrame(bool full, float aspect) override;
    // The base keeps its size and only resets the line marks for it.
    bool Resize(int32_t width, int32_t height, bool flag) override;
    bool HasSize(int32_t width, int32_t height) const override { return width == Width && height == Height; }
    // Unchanged.
    bool ScalePoint(double x, double y, double& scaledX, double& scaledY) override;
    bool TestFlag(bool clear) override;
    void SetFlag(bool on) override { vsyncOn = on; }

    // The target window's client rectangle (left and top 0); false without a window.
    virtual bool GetClientRect(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom);
    virtual bool AttachWindow() { return false; }
    virtual void DetachWindow() {}
    // Paints the whole client area in colour; false without a window.
    virtual bool FillBackground(uint32_t colour);
    // The native handle of the window to draw into (an HWND on Windows); null detaches.
    virtual bool SetTargetWindow(void* window) = 0;
    // The GUI thread's presentation entry. With full a full redraw is requested (the next EndFrame marks every
    // line) and true answered; without, a pending frame is taken (true) or there is none (false). Window
    // renderers present when this answers true.
    virtual bool MarkFrame(bool full);
    // A new renderer of the same kind in its initial state; null for a kind that makes none.
    virtual std::unique_ptr<RendererBase> Clone() const { return nullptr; }
    virtual const char* Name() const { return "No Draw"; }
    // Why the renderer presents through a plainer path than its own for this attachment (the OpenGL renderer
    // through GDI), for the console; null while it presents as its kind does. Read on any thread.
    virtual const char* FallbackReason() const { return nullptr; }
    // Another surface (the console) draws into the target window until this renderer presents again: a renderer
    // that shows its picture in a window of its own hides that window. Any thread.
    virtual void HidePicture() {}
    virtual bool WantsFullRedraw() const { return false; }
    // The whole client area is painted in the background colour before the next picture.
    virtual void RequestClear() = 0;
    // 1: integer zoom; any other value: stretched to the window, keeping the aspect ratio.
    virtual void SetScaleMode(int32_t mode) { scaleMode = mode; }

    // A null callback removes it.
    void SetResizeCallback(RendererResizeCallback callback, void* context);
    void SetFrameEndCallback(FrameEndCallback callback, void* context);
    // Resizes the frame to the client area (with flag true); false without a window or when it has that size.
    bool FitToClientArea();
    // A new colour redraws the whole frame. Takes both locks.
    void SetBackgroundColour(uint32_t colour);
    // Draws up to 64 pixels of a bit mask right to left, clipped to the frame: x is the rightmost column, y the
    // first line, -dx the pixels per line, lines the line count; bit 0 of the mask (low word first) is column x,
    // bit 1 column x - 1 and so on, a set bit in colour one, a clear bit in colour zero. Answers the pixels
    // written plus -dx for every line skipped whole, returning as soon as that reaches exactly 64; 0 for
    // lines <= 0, dx >= 0 or no frame.
    int32_t PlotMask64(int32_t x, int32_t y, int32_t dx, int32_t lines, uint32_t maskLow, uint32_t maskHigh,
                       uint32_t one, uint32_t zero);

    // Line operations of the video devices (emulation thread, no lock).
    // Whether line l of the frame is to be drawn: not drawn yet, or a forced redraw runs.
    bool NeedsLine(int32_t l) const {
        return l >= 0 && l < Height &&
               (forcedRedrawCount != 0 || (lineMarks[static_cast<uint32_t>(l) & kMarkIndexMask] & line::kDrawn) == 0);
    }
    // After line l's pixels were written: it is drawn and, when it was not yet, dirty for this frame.
    void MarkLineDrawn(int32_t l) {
        if (l < 0 || l >= Height) {
            return;
        }
        uint8_t& mark = lineMarks[static_cast<uint32_t>(l) & kMarkIndexMask];
        if (forcedRedrawCount == 0 && (mark & line::kDrawn) != 0) {
            return;
        }
        if (forcedRedrawCount > 0) {
            --forcedRedrawCount;
        }
        if ((mark & line::kDrawn) == 0 && undrawnLineCount > 0) {
            --undrawnLineCount;
        }
        if ((mark & line::kDirty) == 0 && l < MarkedLineCount()) {
            mark |= line::kDirty;
            ++dirtyLineCount;
        }
        mark |= line::kDrawn;
    }
    // The video memory under line l changed.
    void InvalidateLine(int32_t l) {
        if (l < 0 || l >= Height) {
            return;
        }
        uint8_t& mark = lineMarks[static_cast<uint32_t>(l) & kMarkIndexMask];
        if ((mark & line::kDrawn) != 0) {
            mark &= static_cast<uint8_t>(~line::kDrawn);
            ++undrawnLineCount;
        }
    }
    // The next Height line draws happen whatever the marks say.
    void ForceRedraw() { forcedRedrawCount = Height; }
    bool HasLinesToDraw() const { return (forcedRedrawCount | undrawnLineCount) > 0; }

    int32_t ScaleMode() const { return scaleMode; }
    // Under the present lock.
    float Aspect();
    bool IsFramePending();

protected:
    // Every mark cleared and every line waiting to be drawn, for the present size.
    bool ResetFrame();
    // Every marked line dirty, and the frame pending.
    void MarkAllLinesDirty();
    // The dirty marks taken by a presenter at frame end.
    void ClearDirtyLines();
    // New opaque black pixels and row table for Width x Height (none for an empty size). False, with an empty
    // frame, when the memory cannot be had.
    bool ReallocateFrame();
    // No pixels, no rows, 0 x 0.
    void ReleaseFrame();
    // The resize of a renderer that owns its frame, under both locks: reallocate builds the new frame, then the
    // resize callback is told. Nothing for the present size and flag; false for a side outside 0..kMaxSide, while
    // closing, or when reallocate fails.
    template <typename Reallocate>
    bool ResizeOwnedFrame(int32_t width, int32_t height, bool flag, Reallocate reallocate);

    RendererResizeCallback resizeCallback = nullptr;
    void* resizeContext = nullptr;
    FrameEndCallback frameEndCallback = nullptr;
    void* frameEndContext = nullptr;
    int32_t scaleMode = 0;
    // The flag of the last resize.
    bool resizeFlag = false;
};

template <typename Reallocate>
bool RendererBase::ResizeOwnedFrame(int32_t width, int32_t height, bool flag, Reallocate reallocate) {
    if (HasSize(width, height) && flag == resizeFlag) {
        return true;
    }
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) {
        return false;
    }
    common::LockGuard frameGuard(&frameLock);
    common::LockGuard presentGuard(&presentLock);
    if (closing) {
        return false;
    }
    sizeChanged = true;
    Width = width;
    Height = height;
    resizeFlag = flag;
    bool result = reallocate();
    if (!ResetFrame()) {
        result = false;
    }
    if (resizeCallback != nullptr && resizeContext != nullptr) {
        resizeCallback(resizeContext);
    }
    return result;
}

} // namespace emu
