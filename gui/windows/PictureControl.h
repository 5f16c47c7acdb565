// A child control whose whole face is drawn by the owner's callback, straight onto the paint DC or into a memory
// bitmap that one BitBlt then copies to the window.
#pragma once

#include "gui/PictureControl.h"
#include "gui/windows/NativeControl.h"

namespace gui::Windows {

class PictureControl : public PictureControlBase, public NativeControl {
public:
    PictureControl(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dockMode, bool visible);
    ~PictureControl() override;

    bool Create() override;
    void Destroy() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    using NativeWindow::Draw;
    using PictureControlBase::Draw;

private:
    LRESULT Paint(UINT message, WPARAM wParam, LPARAM lParam);
    // The memory DC to draw into, with a bitmap of the control's size; null when it cannot be had.
    HDC PrepareMemory(HDC paintDc);
    void FreeMemory();

    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    HDC memoryDc = nullptr;
    int32_t bitmapWidth = 0;
    int32_t bitmapHeight = 0;
    int32_t paintRequests = 0;
    bool painting = false;
};

} // namespace gui::Windows
