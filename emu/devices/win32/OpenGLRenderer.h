#pragma once

#include "emu/devices/OpenGLLayout.h"
#include "emu/devices/win32/GdiRenderer.h"

#include <windows.h>

#include <memory>

namespace emu {

// "OpenGL": presents the frame through OpenGL 1.x on the target window: a double-buffered WGL context, one
// glDrawPixels of the 32-bit BGRA frame with a pixel zoom into the rectangle ComputeLayout gives, and SwapBuffers.
// It is used only with vertical sync off; when the window or the driver does not give what it needs (a pixel format,
// a context, big enough textures, non-power-of-two and BGRA pixels, a swap interval of 0), it draws through the GDI
// renderer's path for the rest of the attachment, and a new attachment tries OpenGL again.
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

protected:
    bool Present() override;
    bool Layout(bool checkClient, bool reallocate) override;

private:
    using SwapIntervalSetter = BOOL(WINAPI*)(int interval);
    using SwapIntervalGetter = int(WINAPI*)();

    // Pixel format, context and driver checks; false when GL cannot present here.
    bool AttachGl();
    // Leaves and deletes the context and releases its device context; the swap entries are forgotten.
    void ReleaseGl();
    bool FallBackToGdi();
    // The projection and raster placement for the frame, aspect and client area; under the present lock.
    void SetupProjection();

    HDC glDeviceContext = nullptr;
    HGLRC renderingContext = nullptr;
    bool glLayoutDirty = true;
    GlPlacement placement;
    float glLayoutAspect = 0.0F;
    bool fallbackToGdi = false;
    SwapIntervalSetter swapIntervalSetter = nullptr;
    SwapIntervalGetter swapIntervalGetter = nullptr;
};

// The "OpenGL" renderer prototype.
std::unique_ptr<OpenGLRenderer> MakeOpenGLRenderer();

} // namespace emu
