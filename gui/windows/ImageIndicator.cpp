#include "gui/windows/ImageIndicator.h"

#include "gui/DrawingContext.h"
#include "gui/DrawingObjects.h"

namespace gui::Windows {

namespace {

constexpr DWORD kOwnerDrawnStatic = WS_CHILD | WS_CLIPSIBLINGS | SS_NOTIFY | SS_OWNERDRAW;

} // namespace

ImageIndicator::ImageIndicator(const Bounds& bounds, int32_t unit, common::Image* firstImage, int32_t dockMode,
                               bool visible)
    : ImageIndicatorBase(firstImage, dockMode), NativeControl(bounds, dockMode, visible, unit) {}

ImageIndicator::~ImageIndicator() {
    MarkDestroying();
    closing = true;
}

bool ImageIndicator::Create() {
    if (IsCreated()) {
        return true;
    }
    if (!MakeWindow(L"STATIC", kOwnerDrawnStatic)) {
        return false;
    }
    return NativeControl::Create();
}

bool ImageIndicator::Draw(DrawingContext* context, const Rect& window, const Rect&, Rect* extent) {
    if (extent != nullptr || closing || painting || context == nullptr) {
        return false;
    }
    painting = true;
    // The whole face first: a smaller image, or none, must not leave the last one showing.
    context->GetBrush()->SetSolidColour(Colour::FromColorRef(GetSysColor(COLOR_BTNFACE)));
    context->FillRectangle(window.left, window.top, window.right, window.bottom);
    common::Image* image = GetImage(GetCurrent());
    if (image != nullptr) {
        const int32_t left = window.left + ((window.right - window.left + 1) - image->GetWidth()) / 2;
        const int32_t top = window.top + ((window.bottom - window.top + 1) - image->GetHeight()) / 2;
        const Rect place{left, top, left + image->GetWidth() - 1, top + image->GetHeight() - 1};
        context->DrawImage(*image, nullptr, &place, GetMask(GetCurrent()));
    }
    painting = false;
    return image != nullptr;
}

} // namespace gui::Windows
