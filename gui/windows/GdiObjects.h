// Font, pen and brush with the GDI handle they build on first selection. A handle is counted once per drawing
// context that has it selected; a change while it is selected waits until the last context lets it go, then the
// stale handle is deleted and the next selection builds a new one.
#pragma once

#include "gui/DrawingObjectProperties.h"
#include "gui/windows/Win32.h"

namespace gui::Windows {

template <typename Properties, typename Handle, uint32_t deviceOnlyMask>
class GdiObject : public Properties {
public:
    explicit GdiObject(DrawingContext* owner) : Properties(owner) {}
    ~GdiObject() override {
        if (handle != nullptr) {
            DeleteObject(handle);
        }
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    // A change of device state only (font colour, pen mode) keeps the handle.
    void OnChanged(uint32_t mask) override {
        if (deviceOnlyMask != 0 && mask == deviceOnlyMask) {
            Properties::OnChanged(mask);
            return;
        }
        if (handle != nullptr && uses == 0) {
            pendingChange = 0;
            DeleteObject(handle);
            handle = nullptr;
            return;
        }
        if (handle != nullptr) {
            pendingChange = mask;
        }
        Properties::OnChanged(mask);
    }

    // The handle, built when there is none, counted as one more use; null when it cannot be built.
    Handle Acquire() {
        if (handle == nullptr) {
            handle = Build();
        }
        if (handle != nullptr) {
            ++uses;
        }
        return handle;
    }
    void Release() {
        if (uses > 0 && --uses == 0 && pendingChange != 0) {
            OnChanged(pendingChange);
        }
    }
    Handle GetHandle() const { return handle; }
    int32_t Uses() const { return uses; }

protected:
    virtual Handle Build() const = 0;

private:
    Handle handle = nullptr;
    int32_t uses = 0;
    uint32_t pendingChange = 0;
};

class GdiFont : public GdiObject<FontProperties, HFONT, kFontColour> {
public:
    using GdiObject::GdiObject;

    // Face, size or style given: the device's own font does not do.
    bool NeedsHandle() const;

protected:
    HFONT Build() const override;
};

class GdiPen : public GdiObject<PenProperties, HPEN, kPenMode> {
public:
    using GdiObject::GdiObject;

    // A style, a width or a colour given.
    bool NeedsHandle() const;

protected:
    HPEN Build() const override;
};

class GdiBrush : public GdiObject<BrushProperties, HBRUSH, 0> {
public:
    using GdiObject::GdiObject;

    // A style or a colour given.
    bool NeedsHandle() const;

protected:
    HBRUSH Build() const override;
};

} // namespace gui::Windows
