#pragma once

#include "emu/devices/FrameLayout.h"
#include "emu/devices/win32/WindowRenderer.h"

#include <windows.h>

#include <memory>

namespace emu {

// "WinGDI": the window renderer over GDI. The frame is a 32-bit device-independent bitmap drawn with StretchDIBits
// (nearest pixel) into the rectangle ComputeLayout gives; the client area around it is painted in the background
// colour. The OpenGL renderer derives from it and falls back to its GDI path.
class GdiRenderer : public WindowRenderer {
public:
    GdiRenderer();
    ~GdiRenderer() override;

    // The frame and, when the window is gone, the window too.
    void Free() override;
    // Under the present lock; the dirty marks are taken for the presentation.
    void EndFrame(bool full, float aspect) override;
    // Takes the window's device context.
    bool AttachWindow() override;
    void DetachWindow() override;
    bool FillBackground(uint32_t colour) override;
    std::unique_ptr<RendererBase> Clone() const override;
    const char* Name() const override { return "WinGDI"; }
    // A new mode lays the picture out again and presents it.
    void SetScaleMode(int32_t mode) override;

    // Where the picture went at the last presentation.
    LayoutRect Destination();

protected:
    bool Present() override;
    bool Layout(bool checkClient, bool reallocate) override;
    // The destination rectangle and point scale for the frame, aspect, client area and mode, when any of them
    // changed; under the present lock.
    void UpdateLayout();
    // A COLORREF of a 0xAARRGGBB pixel value.
    static COLORREF ColourRef(uint32_t colour);
    void FillRectangle(const RECT& area, uint32_t colour);

    HDC deviceContext = nullptr;
    BITMAPINFO bitmapHeader{};
    bool layoutDirty = true;
    LayoutRect destination;
    float layoutAspect = 0.0F;
};

} // namespace emu
