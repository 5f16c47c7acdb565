// A window's cursor handle: the arrow, the hand, or one built from an image, which all copies share and the last
// one destroys. Every change of the handle is announced before and after, so that the window can swap it.
#pragma once

#include "gui/Cursor.h"
#include "gui/windows/Win32.h"

#include <memory>

namespace gui::Windows {

class NativeCursor : public Cursor {
public:
    // Called with changing 1 before the handle changes and 0 after.
    using ChangeHandler = void (*)(void* context, NativeCursor* cursor, int changing);

    NativeCursor(ChangeHandler onChange = nullptr, void* onChangeContext = nullptr)
        : onChange(onChange), onChangeContext(onChangeContext) {}
    ~NativeCursor() override { Release(); }
    NativeCursor(const NativeCursor&) = delete;
    NativeCursor& operator=(const NativeCursor&) = delete;

    void Assign(const Cursor* other) override;
    void Reset() override;
    bool LoadStandard(int32_t kind) override;
    bool CreateFromImage(common::Image& image, int32_t hotX, int32_t hotY, const Colour& white, const Colour& black,
                         const Colour& transparent, const Colour& inverted) override;
    using Cursor::CreateFromImage;
    int32_t GetKind() const override { return kind; }
    bool HasHandle() const override { return handle != nullptr; }

    HCURSOR GetHandle() const { return handle; }

private:
    // Forgets the handle; an image-built one is destroyed with its last holder.
    void Release();
    void Announce(int changing);

    ChangeHandler onChange;
    void* onChangeContext;
    int32_t kind = kArrowCursor;
    HCURSOR handle = nullptr;
    std::shared_ptr<void> shared; // owns an image-built handle for all its holders
};

} // namespace gui::Windows
