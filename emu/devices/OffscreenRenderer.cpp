#include "emu/devices/OffscreenRenderer.h"

namespace emu {

OffscreenRenderer::~OffscreenRenderer() {
    closing = true;
}

bool OffscreenRenderer::Resize(int32_t width, int32_t height, bool flag) {
    return ResizeOwnedFrame(width, height, flag, [this] { return ReallocateFrame(); });
}

void OffscreenRenderer::EndFrame(bool full, float aspect) {
    common::LockGuard presentGuard(&presentLock);
    if (closing) {
        return;
    }
    RendererBase::EndFrame(full, aspect);
    ClearDirtyLines();
}

bool OffscreenRenderer::MarkFrame(bool full) {
    common::LockGuard frameGuard(&frameLock);
    return !closing && RendererBase::MarkFrame(full);
}

bool OffscreenRenderer::SetTargetWindow(void*) {
    return false;
}

std::unique_ptr<RendererBase> OffscreenRenderer::Clone() const {
    return std::make_unique<OffscreenRenderer>();
}

} // namespace emu
