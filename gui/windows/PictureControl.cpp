#include "gui/windows/PictureControl.h"

#include "gui/windows/GdiDrawingContext.h"

namespace gui::Windows {

namespace {

// It may be the screen an OpenGL renderer draws into, which must clip what lies over it.
constexpr DWORD kOwnerDrawnStatic = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | SS_NOTIFY | SS_OWNERDRAW;

} // namespace

PictureControl::PictureControl(int32_t x, int32_t y, int32_t w, int32_t h, int32_t dockMode, bool visible)
    : PictureControlBase(std::make_unique<OffscreenSurface>(), dockMode), NativeControl(x, y, w, h, dockMode, visible) {
}

PictureControl::~PictureControl() {
    MarkDestroying();
    FreeMemory();
}

bool PictureControl::Create() {
    if (IsCreated()) {
        return true;
    }
    if (!MakeWindow(L"STATIC", kOwnerDrawnStatic)) {
        return false;
    }
    return NativeControl::Create();
}

void PictureControl::Destroy() {
    FreeMemory();
    NativeControl::Destroy();
}

void PictureControl::FreeMemory() {
    if (bitmap != nullptr) {
        if (memoryDc != nullptr) {
            SelectObject(memoryDc, previousBitmap);
        }
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (memoryDc != nullptr) {
        DeleteDC(memoryDc);
        memoryDc = nullptr;
    }
}

HDC PictureControl::PrepareMemory(HDC paintDc) {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    GetBounds(x, y, w, h);
    if (memoryDc == nullptr) {
        memoryDc = CreateCompatibleDC(paintDc);
    }
    if (memoryDc == nullptr) {
        return nullptr;
    }
    if (bitmap != nullptr && (bitmapWidth != w || bitmapHeight != h)) {
        SelectObject(memoryDc, previousBitmap);
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (bitmap == nullptr) {
        bitmap = CreateCompatibleBitmap(paintDc, w, h);
        if (bitmap == nullptr) {
            FreeMemory();
            return nullptr;
        }
        bitmapWidth = w;
        bitmapHeight = h;
        previousBitmap = SelectObject(memoryDc, bitmap);
    }
    return memoryDc;
}

LRESULT PictureControl::Paint(UINT message, WPARAM wParam, LPARAM lParam) {
    ++paintRequests;
    // A paint asked for from inside the callback, or while the layout holds the control, waits its turn.
    if (painting || IsLocked()) {
        return 0;
    }
    while (paintRequests != 0) {
        painting = true;
        paintRequests = 1;
        PAINTSTRUCT paint{};
        HDC paintDc = BeginPaint(GetHandle(), &paint);
        if (paintDc == nullptr) {
            painting = false;
            --paintRequests;
            continue;
        }
        HDC target = paintDc;
        if (!DoubleBuffered()) {
            FreeMemory();
        } else if (HDC memory = PrepareMemory(paintDc)) {
            target = memory;
        }
        auto* surface = static_cast<OffscreenSurface*>(GetSurface());
        if (!surface->IsActive()) {
            surface->SetWindow(GetHandle());
            surface->SetDc(target);
        }
        if (surface->Begin()) {
            Draw(surface);
            surface->End();
        }
        if (target != paintDc) {
            BitBlt(paintDc, 0, 0, bitmapWidth, bitmapHeight, memoryDc, 0, 0, SRCCOPY);
        }
        EndPaint(GetHandle(), &paint);
        painting = false;
        --paintRequests;
        return 0;
    }
    return NativeControl::HandleMessage(message, wParam, lParam);
}

LRESULT PictureControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        return Paint(message, wParam, lParam);
    case WM_ERASEBKGND:
        return -1; // the callback paints everything: no flicker between paints
    default:
        return NativeControl::HandleMessage(message, wParam, lParam);
    }
}

} // namespace gui::Windows
