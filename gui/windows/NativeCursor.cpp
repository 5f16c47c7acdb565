#include "gui/windows/NativeCursor.h"

#include "common/Image.h"

namespace gui::Windows {

void NativeCursor::Announce(int changing) {
    if (onChange != nullptr) {
        onChange(onChangeContext, this, changing);
    }
}

void NativeCursor::Release() {
    handle = nullptr;
    shared.reset();
}

void NativeCursor::Assign(const Cursor* other) {
    const auto* native = dynamic_cast<const NativeCursor*>(other);
    if (native == nullptr || native->handle == handle) {
        return;
    }
    Announce(1);
    Release();
    handle = native->handle;
    kind = native->kind;
    shared = native->shared;
    Announce(0);
}

void NativeCursor::Reset() {
    Announce(1);
    Release();
    kind = kArrowCursor;
    Announce(0);
}

bool NativeCursor::LoadStandard(int32_t newKind) {
    if (newKind == kind) {
        return true;
    }
    if (newKind == kArrowCursor) {
        Reset();
        return true;
    }
    Announce(1);
    Release();
    kind = newKind;
    if (newKind == kHandCursor) {
        handle = LoadCursorW(nullptr, IDC_HAND);
    }
    Announce(0);
    return handle != nullptr;
}

bool NativeCursor::CreateFromImage(common::Image& image, int32_t hotX, int32_t hotY, const Colour& white,
                                   const Colour& black, const Colour& transparent, const Colour& inverted) {
    if (image.GetWidth() == 0 || image.GetHeight() == 0) {
        return false;
    }
    const CursorPlanes planes = MakeCursorPlanes(image, white, black, transparent, inverted);
    HCURSOR made =
        CreateCursor(GetModuleHandleW(nullptr), hotX, hotY, 32, 32, planes.andPlane.data(), planes.xorPlane.data());
    if (made == nullptr) {
        return false;
    }
    Announce(1);
    Release();
    handle = made;
    kind = kImageCursor;
    shared.reset(made, [](void* cursor) { DestroyCursor(static_cast<HCURSOR>(cursor)); });
    Announce(0);
    return true;
}

} // namespace gui::Windows
