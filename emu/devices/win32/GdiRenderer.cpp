#include "emu/devices/win32/GdiRenderer.h"

#include <cstring>

namespace emu {

GdiRenderer::GdiRenderer() {
    bitmapHeader.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bitmapHeader.bmiHeader.biPlanes = 1;
    bitmapHeader.bmiHeader.biBitCount = 32;
    bitmapHeader.bmiHeader.biCompression = BI_RGB;
}

GdiRenderer::~GdiRenderer() {
    common::LockGuard frameGuard(&frameLock);
    common::LockGuard presentGuard(&presentLock);
    closing = true;
    DetachWindow();
    ReleaseFrame();
}

void GdiRenderer::Free() {
    common::LockGuard frameGuard(&frameLock);
    common::LockGuard presentGuard(&presentLock);
    if (closing) {
        return;
    }
    RendererBase::Free();
    if (targetWindow == nullptr || !IsWindow(targetWindow) || deviceContext == nullptr) {
        DetachWindow();
        ForgetWindow();
    }
}

void GdiRenderer::EndFrame(bool full, float newAspect) {
    common::LockGuard presentGuard(&presentLock);
    if (closing) {
        return;
    }
    RendererBase::EndFrame(full, newAspect);
    ClearDirtyLines();
}

bool GdiRenderer::AttachWindow() {
    deviceContext = GetDC(targetWindow);
    if (deviceContext == nullptr) {
        return false;
    }
    SetStretchBltMode(deviceContext, COLORONCOLOR);
    return true;
}

void GdiRenderer::DetachWindow() {
    if (deviceContext != nullptr) {
        ReleaseDC(targetWindow, deviceContext);
        deviceContext = nullptr;
    }
}

bool GdiRenderer::FillBackground(uint32_t colour) {
    if (deviceContext == nullptr) {
        return false;
    }
    FillRectangle({client.left, client.top, client.right, client.bottom}, colour);
    return true;
}

std::unique_ptr<RendererBase> GdiRenderer::Clone() const {
    return std::make_unique<GdiRenderer>();
}

void GdiRenderer::SetScaleMode(int32_t mode) {
    common::LockGuard presentGuard(&presentLock);
    if (mode != scaleMode) {
        framePending = true;
        layoutDirty = true;
    }
    scaleMode = mode;
}

LayoutRect GdiRenderer::Destination() {
    common::LockGuard presentGuard(&presentLock);
    return destination;
}

bool GdiRenderer::Present() {
    if (deviceContext == nullptr) {
        return false;
    }
    if (pixels == nullptr) {
        FillBackground(backgroundColour);
        return true;
    }
    UpdateLayout();
    // The strips of the client area the picture leaves uncovered: left, top, right, bottom.
    const RECT strips[] = {
        {client.left, client.top, destination.left, client.bottom},
        {client.left, client.top, client.right, destination.top},
        {destination.right, client.top, client.right, client.bottom},
        {client.left, destination.bottom, client.right, client.bottom},
    };
    for (const RECT& strip : strips) {
        if (strip.right > strip.left && strip.bottom > strip.top) {
            FillRectangle(strip, backgroundColour);
        }
    }
    // The bitmap is bottom-up; drawn with a negative height, line 0 of the frame lands at the top.
    StretchDIBits(deviceContext, destination.left, destination.bottom - 1, destination.Width(), -destination.Height(),
                  0, 0, Width, Height, pixels.get(), &bitmapHeader, DIB_RGB_COLORS, SRCCOPY);
    return true;
}

bool GdiRenderer::Layout(bool checkClient, bool reallocate) {
    bool result = true;
    if (reallocate) {
        bitmapHeader.bmiHeader.biWidth = Width;
        bitmapHeader.bmiHeader.biHeight = Height;
        result = ReallocateFrame();
        layoutDirty = true;
    }
    if (checkClient) {
        RECT area{};
        if (!::GetClientRect(targetWindow, &area)) {
            return false;
        }
        if (area.right != client.right || area.bottom != client.bottom) {
            client = {area.left, area.top, area.right, area.bottom};
            layoutDirty = true;
        }
    }
    return result;
}

void GdiRenderer::UpdateLayout() {
    common::LockGuard presentGuard(&presentLock);
    // Compared by bits: a NaN aspect is laid out once, not at every presentation.
    if (!layoutDirty && std::memcmp(&aspect, &layoutAspect, sizeof aspect) == 0) {
        return;
    }
    const FrameLayout layout = ComputeLayout(Width, Height, aspect, client, scaleMode);
    destination = layout.destination;
    scaleX = layout.scaleX;
    scaleY = layout.scaleY;
    layoutAspect = aspect;
    layoutDirty = false;
}

COLORREF GdiRenderer::ColourRef(uint32_t colour) {
    return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}

void GdiRenderer::FillRectangle(const RECT& area, uint32_t colour) {
    HBRUSH brush = CreateSolidBrush(ColourRef(colour));
    HGDIOBJ previous = SelectObject(deviceContext, brush);
    FillRect(deviceContext, &area, brush);
    SelectObject(deviceContext, previous);
    DeleteObject(brush);
}

} // namespace emu
