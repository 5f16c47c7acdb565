#pragma once

#include "emu/devices/OpenGLLayout.h"
#include "emu/devices/win32/GdiRenderer.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace emu {

// "OpenGL": presents the frame through OpenGL 1.x on the target window: a double-buffered WGL context, one
// glDrawPixels of the 32-bit BGRA frame with a pixel zoom into the rectangle ComputeLayout gives, and SwapBuffers.
// It is used only with vertical sync off; when the window or the driver does not give what it needs (a picture that
// reaches the display, a pixel format, a context, big enough textures, non-power-of-two and BGRA pixels, a swap
// interval of 0), it draws through the GDI renderer's path for the rest of the attachment and tells why
// (FallbackReason); a new attachment tries OpenGL again.
//
// Whether the picture can reach the display is asked before the window gets a pixel format, which it keeps for its
// life: under Wine's X11 driver some builds (Debian 12's Wine 8.0) give a child window's device context no X
// drawable, so SwapBuffers copies such a window's GL picture into nothing, and once the window has a pixel format
// Wine paints its client area into that same nothing, GDI drawing included. Such a window is left as it is.
//
// Threads: construction and Clone make no WGL call; attaching, presenting, detaching and destroying an attached
// renderer run on the GUI thread, which holds the context current. The window must clip its children and
// siblings (WS_CLIPCHILDREN | WS_CLIPSIBLINGS).
class OpenGLRenderer : public GdiRenderer {
public:
    OpenGLRenderer() = default;
    ~OpenGLRenderer() override;

    // The frame and, when the window is gone, the window too.
    void Free() override;
    // Tries OpenGL, else falls back to GDI; false only when not even a GDI device context can be had.
    bool AttachWindow() override;
    void DetachWindow() override;
    bool FillBackground(uint32_t colour) override;
    std::unique_ptr<RendererBase> Clone() const override;
    const char* Name() const override { return "OpenGL"; }
    void SetScaleMode(int32_t mode) override;

    // Drawing through GDI for this attachment.
    bool UsesGdiFallback() const { return fallbackToGdi; }
    const char* FallbackReason() const override { return fallbackReason.load(); }

protected:
    bool Present() override;
    bool Layout(bool checkClient, bool reallocate) override;

private:
    using SwapIntervalSetter = BOOL(WINAPI*)(int interval);
    using SwapIntervalGetter = int(WINAPI*)();

    // Display, pixel format, context and driver checks; null when GL presents here, else why not.
    const char* AttachGl();
    // Leaves and deletes the context and releases its device context; the swap entries are forgotten.
    void ReleaseGl();
    bool FallBackToGdi(const char* reason);
    // The projection and raster placement for the frame, aspect and client area; under the present lock.
    void SetupProjection();

    HDC glDeviceContext = nullptr;
    HGLRC renderingContext = nullptr;
    bool glLayoutDirty = true;
    GlPlacement placement;
    float glLayoutAspect = 0.0F;
    bool fallbackToGdi = false;
    std::atomic<const char*> fallbackReason{nullptr};
    SwapIntervalSetter swapIntervalSetter = nullptr;
    SwapIntervalGetter swapIntervalGetter = nullptr;
};

// The "OpenGL" renderer prototype.
std::unique_ptr<OpenGLRenderer> MakeOpenGLRenderer();

} // namespace emu
