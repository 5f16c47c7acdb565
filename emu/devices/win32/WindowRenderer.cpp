#include "emu/devices/win32/WindowRenderer.h"

namespace emu {

WindowRenderer::~WindowRenderer() {
    closing = true;
}

bool WindowRenderer::Resize(int32_t width, int32_t height, bool flag) {
    const bool unchanged = HasSize(width, height) && flag == resizeFlag;
    if (!unchanged && targetWindow == nullptr) {
        return false;
    }
    return ResizeOwnedFrame(width, height, flag, [this] { return Layout(false, true); });
}

bool WindowRenderer::ScalePoint(double x, double y, double& scaledX, double& scaledY) {
    scaledX = x * scaleX;
    scaledY = y * scaleY;
    return true;
}

bool WindowRenderer::GetClientRect(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) {
    RECT area{};
    if (targetWindow == nullptr || !::GetClientRect(targetWindow, &area)) {
        return false;
    }
    left = area.left;
    top = area.top;
    right = area.right;
    bottom = area.bottom;
    return true;
}

bool WindowRenderer::SetTargetWindow(void* window) {
    const auto handle = static_cast<HWND>(window);
    if (handle != nullptr && handle == targetWindow) {
        return true;
    }
    common::LockGuard frameGuard(&frameLock);
    common::LockGuard presentGuard(&presentLock);
    if (handle == targetWindow) {
        return true;
    }
    if (closing) {
        return false;
    }
    scaleX = 1.0;
    scaleY = 1.0;
    DetachWindow();
    ForgetWindow();
    if (handle == nullptr) {
        return true;
    }
    targetWindow = handle;
    RECT area{};
    if (!IsWindow(handle) || !::GetClientRect(handle, &area)) {
        ForgetWindow();
        return false;
    }
    bool attached = AttachWindow();
    if (attached) {
        attached = Layout(true, false);
    }
    clearNeeded = true;
    return attached;
}

bool WindowRenderer::MarkFrame(bool full) {
    common::LockGuard frameGuard(&frameLock);
    if (closing) {
        return false;
    }
    {
        common::LockGuard presentGuard(&presentLock);
        if (!RendererBase::MarkFrame(full)) {
            return false;
        }
        if (targetWindow == nullptr || !IsWindow(targetWindow)) {
            DetachWindow();
            ForgetWindow();
            return false;
        }
        if (!Layout(true, false)) {
            framePending = true;
            return false;
        }
    }
    const bool presented = Present();
    if (!presented) {
        common::LockGuard presentGuard(&presentLock);
        framePending = true;
    }
    return presented;
}

void WindowRenderer::ForgetWindow() {
    targetWindow = nullptr;
    client = {};
}

} // namespace emu
