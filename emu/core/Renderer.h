#pragma once

#include "common/CriticalLock.h"
#include "common/PixelBuffer.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace emu {

// Bits of a frame line's mark.
namespace line {
// The line holds current content.
inline constexpr uint8_t kDrawn = 0x01;
// The line changed since the last frame end.
inline constexpr uint8_t kDirty = 0x02;
} // namespace line

// The frame a machine's video device draws into and a presenter shows: 32-bit 0xAARRGGBB pixels (alpha always
// 0xFF), line 0 at the top and first in memory, one mark byte per line, and the frame state that tells a presenter
// whether anything changed. RendererBase gives the operations their bodies.
//
// Threads: the emulation thread (the video device) writes pixels and line marks without a lock and closes every
// frame with EndFrame; a presenter on the GUI thread calls MarkFrame. The frame lock guards the frame's memory and
// the presenter's window, the present lock the frame state (flags, counters, the marks at frame end, the layout);
// where both are taken the frame lock comes first. A frame's size, pixels and marks change only on the thread that
// draws it (the emulation thread for a machine's renderer, or while the controller holds that thread parked).
class Renderer : public common::PixelBuffer {
public:
    // Mark bytes: frames taller than this share them, line & kMarkIndexMask.
    static constexpr int32_t kMarkCount = 2048;
    static constexpr int32_t kMarkIndexMask = kMarkCount - 1;
    static constexpr uint32_t kDefaultBackground = 0xFF000000;
    // The largest side a frame may have: keeps width x height x 4 bytes far from overflowing.
    static constexpr int32_t kMaxSide = 16384;

    ~Renderer() override = default;

    // Whether the renderer can work on this host.
    virtual bool IsAvailable() const = 0;
    // Closes a frame: the frame becomes pending for presentation when any line changed or a full redraw was
    // asked for. aspect is the shown width / shown height (0 or less: square pixels).
    virtual void EndFrame(bool full, float aspect) = 0;
    // Gives the frame a new size; flag is the caller's (the fit-to-window resize passes true). False leaves no
    // usable frame.
    virtual bool Resize(int32_t width, int32_t height, bool flag) = 0;
    virtual bool HasSize(int32_t width, int32_t height) const = 0;
    // A movement in window pixels to frame units.
    virtual bool ScalePoint(double x, double y, double& scaledX, double& scaledY) = 0;
    // The presenter's vertical-sync flag; with clear it is cleared and false answered.
    virtual bool TestFlag(bool clear) = 0;
    virtual void SetFlag(bool on) = 0;

    int32_t Stride() const { return stride; }
    uint32_t BackgroundColour() const { return backgroundColour; }
    uint8_t LineMark(int32_t line) const { return lineMarks[static_cast<uint32_t>(line) & kMarkIndexMask]; }
    int32_t DirtyLineCount() const { return dirtyLineCount; }
    int32_t UndrawnLineCount() const { return undrawnLineCount; }
    int32_t ForcedRedrawCount() const { return forcedRedrawCount; }
    // The frame's lock, for a reader of the pixels on another thread (a frame grabber).
    common::CriticalLock& FrameLock() { return frameLock; }

protected:
    Renderer() = default;

    // Lines that have mark bytes of their own: the frame's height up to kMarkCount.
    int32_t MarkedLineCount() const { return Height < kMarkCount ? Height : kMarkCount; }

    std::array<uint8_t, kMarkCount> lineMarks{};
    // A full redraw is due at the next frame end.
    bool sizeChanged = false;
    int32_t dirtyLineCount = 0;
    int32_t undrawnLineCount = 0;
    // Further line draws that ignore kDrawn.
    int32_t forcedRedrawCount = 0;
    std::atomic<bool> vsyncOn{false};
    // Width x Height pixels, line after line; the row table points into them.
    std::unique_ptr<uint32_t[]> pixels;
    int32_t stride = 0;
    uint32_t backgroundColour = kDefaultBackground;
    float aspect = 0.0F;
    bool framePending = true;
    // Set first thing by the destructors: every locked operation then does nothing.
    std::atomic<bool> closing{false};
    common::CriticalLock frameLock;
    common::CriticalLock presentLock;
};

} // namespace emu
