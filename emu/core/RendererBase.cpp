#include "emu/core/RendererBase.h"

#include <algorithm>
#include <new>

namespace emu {

namespace {

// The mask shifted right by count bits, any count.
uint64_t ShiftedRight(uint64_t mask, int64_t count) {
    return count >= 64 ? 0 : mask >> count;
}

// Whether a count going up by step per line reaches exactly 64 within lines lines.
bool Reaches64(int64_t count, int64_t step, int64_t lines) {
    const int64_t missing = 64 - count;
    return missing > 0 && missing % step == 0 && missing / step <= lines;
}

} // namespace

RendererBase::~RendererBase() {
    closing = true;
    common::LockGuard frameGuard(&frameLock);
    common::LockGuard presentGuard(&presentLock);
    dirtyLineCount = 0;
    undrawnLineCount = 0;
    forcedRedrawCount = 0;
    ReleaseFrame();
}

void RendererBase::Free() {
    common::LockGuard frameGuard(&frameLock);
    common::LockGuard presentGuard(&presentLock);
    if (backgroundColour != kDefaultBackground) {
        backgroundColour = kDefaultBackground;
        framePending = true;
    }
    ReleaseFrame();
}

void RendererBase::EndFrame(bool, float newAspect) {
    common::LockGuard presentGuard(&presentLock);
    if (sizeChanged) {
        MarkAllLinesDirty();
    } else if (dirtyLineCount > 0) {
        framePending = true;
    }
    aspect = newAspect;
    if (frameEndCallback != nullptr && frameEndCallback(frameEndContext)) {
        MarkAllLinesDirty();
    }
}

bool RendererBase::Resize(int32_t, int32_t, bool) {
    return ResetFrame();
}

bool RendererBase::ScalePoint(double x, double y, double& scaledX, double& scaledY) {
    scaledX = x;
    scaledY = y;
    return true;
}

bool RendererBase::TestFlag(bool clear) {
    if (clear) {
        vsyncOn = false;
        return false;
    }
    return vsyncOn;
}

bool RendererBase::GetClientRect(int32_t&, int32_t&, int32_t&, int32_t&) {
    return false;
}

bool RendererBase::FillBackground(uint32_t) {
    return false;
}

bool RendererBase::MarkFrame(bool full) {
    common::LockGuard presentGuard(&presentLock);
    if (full) {
        sizeChanged = true;
        framePending = false;
        return true;
    }
    if (!framePending) {
        return false;
    }
    framePending = false;
    return true;
}

void RendererBase::SetResizeCallback(RendererResizeCallback callback, void* context) {
    common::LockGuard frameGuard(&frameLock);
    resizeCallback = callback;
    resizeContext = callback != nullptr ? context : nullptr;
}

void RendererBase::SetFrameEndCallback(FrameEndCallback callback, void* context) {
    common::LockGuard presentGuard(&presentLock);
    frameEndCallback = callback;
    frameEndContext = callback != nullptr ? context : nullptr;
}

bool RendererBase::FitToClientArea() {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    if (!GetClientRect(left, top, right, bottom) || HasSize(right, bottom)) {
        return false;
    }
    return Resize(right, bottom, true);
}

void RendererBase::SetBackgroundColour(uint32_t colour) {
    if (colour == backgroundColour) {
        return;
    }
    common::LockGuard frameGuard(&frameLock);
    common::LockGuard presentGuard(&presentLock);
    backgroundColour = colour;
    MarkAllLinesDirty();
}

int32_t RendererBase::PlotMask64(int32_t x, int32_t y, int32_t dx, int32_t lines, uint32_t maskLow, uint32_t maskHigh,
                                 uint32_t one, uint32_t zero) {
    if (lines <= 0 || dx >= 0 || Rows == nullptr) {
        return 0;
    }
    uint64_t mask = static_cast<uint64_t>(maskHigh) << 32 | maskLow;
    const int64_t step = -static_cast<int64_t>(dx);
    const int64_t left = static_cast<int64_t>(x) + dx + 1;
    const int64_t leftClip = left < 0 ? -left : 0;
    const int64_t first = std::max<int64_t>(left, 0);
    const bool columnsOutside = x < 0 || left >= Width;
    const int64_t end = static_cast<int64_t>(y) + lines;
    int64_t count = 0;
    for (int64_t row = y; row < end;) {
        if (columnsOutside || row < 0 || row >= Height) {
            // Lines above the frame up to its top, or every line left: skipped whole, counted at once.
            const int64_t skipped = !columnsOutside && row < 0 ? std::min<int64_t>(end, 0) - row : end - row;
            if (Reaches64(count, step, skipped)) {
                return 64;
            }
            count += step * skipped;
            mask = ShiftedRight(mask, step * skipped);
            row += skipped;
            continue;
        }
        const int64_t start = std::min<int64_t>(x, Width - 1);
        mask = ShiftedRight(mask, x - start);
        uint32_t* pixels = Rows[row];
        for (int64_t column = start; column >= first; --column) {
            pixels[column] = (mask & 1) != 0 ? one : zero;
            mask >>= 1;
            if (++count == 64) {
                return 64;
            }
        }
        mask = ShiftedRight(mask, leftClip);
        ++row;
    }
    return static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX));
}

float RendererBase::Aspect() {
    common::LockGuard presentGuard(&presentLock);
    return aspect;
}

bool RendererBase::IsFramePending() {
    common::LockGuard presentGuard(&presentLock);
    return framePending;
}

bool RendererBase::ResetFrame() {
    dirtyLineCount = 0;
    undrawnLineCount = MarkedLineCount();
    forcedRedrawCount = 0;
    lineMarks.fill(0);
    return true;
}

void RendererBase::MarkAllLinesDirty() {
    sizeChanged = false;
    const int32_t marked = MarkedLineCount();
    if (dirtyLineCount != marked) {
        dirtyLineCount = marked;
        for (int32_t index = 0; index < marked; ++index) {
            lineMarks[static_cast<size_t>(index)] |= line::kDirty;
        }
    }
    framePending = true;
}

void RendererBase::ClearDirtyLines() {
    if (dirtyLineCount == 0) {
        return;
    }
    dirtyLineCount = 0;
    for (int32_t index = 0; index < MarkedLineCount(); ++index) {
        lineMarks[static_cast<size_t>(index)] &= static_cast<uint8_t>(~line::kDirty);
    }
}

bool RendererBase::ReallocateFrame() {
    const int32_t width = Width;
    const int32_t height = Height;
    ReleaseFrame();
    if (width <= 0 || height <= 0) {
        return true;
    }
    const auto pixelCount = static_cast<size_t>(static_cast<int64_t>(width) * height);
    pixels.reset(new (std::nothrow) uint32_t[pixelCount]);
    Rows.reset(new (std::nothrow) uint32_t*[static_cast<size_t>(height)]);
    if (pixels == nullptr || Rows == nullptr) {
        ReleaseFrame();
        return false;
    }
    std::fill(pixels.get(), pixels.get() + pixelCount, kDefaultBackground);
    for (int32_t row = 0; row < height; ++row) {
        Rows[static_cast<size_t>(row)] = pixels.get() + static_cast<size_t>(row) * static_cast<size_t>(width);
    }
    Width = width;
    Height = height;
    stride = width * 4;
    return true;
}

void RendererBase::ReleaseFrame() {
    common::PixelBuffer::Free();
    pixels.reset();
    stride = 0;
}

} // namespace emu
