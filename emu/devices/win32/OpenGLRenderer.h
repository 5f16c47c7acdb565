#pragma once

#include "emu/devices/OpenGLLayout.h"
#include "emu/devices/win32/GdiRenderer.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace emu {

// "OpenGL": presents the frame through OpenGL 1.x: a double-buffered WGL context, one glDrawPixels of the 32-bit
// BGRA frame with a pixel zoom into the rectangle ComputeLayout gives, and SwapBuffers. It is used only with vertical
// sync off; when the host or the driver does not give what it needs (a picture that reaches the display, a pixel
// format, a context, big enough textures, non-power-of-two and BGRA pixels, a swap interval of 0), it draws through
// the GDI renderer's path into the target window for the rest of the attachment and tells why (FallbackReason); a new
// attachment tries OpenGL again.
//
// GL draws into a window of the renderer's own, made when it attaches and destroyed when it detaches: a borderless
// pop-up owned by the target's top-level window and kept over the target's client area, which lets the mouse through
// to the target and never takes the focus; a desktop's window manager stacks it with its owner. The target itself never
// gets a pixel format (a window keeps one for its life), so whatever draws into it through GDI later, the GDI renderer
// or the console, shows. A pop-up rather than a child window: Wine's X11 driver shows a GL picture only in a top-level
// window, and some of its builds (Debian 12's Wine 8.0) give a child window's device context no X drawable at all, so
// that whatever such a window shows once it has a pixel format, GDI drawing included, never reaches the display.
//
// Threads: construction and Clone make no WGL call; attaching, presenting, detaching and destroying an attached
// renderer run on the GUI thread, which holds the context current and owns the picture window. HidePicture may come
// from any thread.
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
    // The picture window hides until the next presentation.
    void HidePicture() override;

    // The window GL draws into; null while none is open.
    HWND PictureWindow() const { return pictureWindow; }

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
    // Opens the picture window over the target, hidden, and follows the target and its top-level window.
    bool OpenPictureWindow();
    void ClosePictureWindow();
    // The picture window over the target's client area, shown while the target shows and no HidePicture holds, and
    // put right over the top-level window in the window order when shown or when restack asks; true when it was
    // shown, moved, resized or put back over.
    bool FollowTarget(bool restack);
    // Where the picture window goes in the window order to lie right over the top-level window.
    HWND PlaceOverRoot() const;
    static LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FollowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);

    // The projection and raster placement for the frame, aspect and client area; under the present lock.
    void SetupProjection();

    HWND pictureWindow = nullptr;
    // The target's top-level window, which owns the picture window.
    HWND rootWindow = nullptr;
    // The picture window stays hidden: before the first presentation of an attachment, and after HidePicture.
    std::atomic<bool> pictureHidden{true};
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
