// A text label without a native window: its parent paints it.
#pragma once

#include "gui/ControlBase.h"
#include "gui/DrawingObjectProperties.h"

namespace gui {

class Label : public virtual Control {
public:
    virtual const common::WideString& GetText() const = 0;
    virtual void SetText(const common::String& text) = 0;
    virtual Font* GetFont() = 0;
    // The alignment bits of DrawingContext::DrawTextInRect.
    virtual uint32_t GetTextAlignment() const = 0;
    virtual void SetTextAlignment(uint32_t alignment) = 0;
    virtual Font* GetEffectiveFont() = 0;
};

class LabelBase : public virtual Label, public virtual ControlBase {
public:
    const common::WideString& GetText() const override { return text; }
    void SetText(const common::String& newText) override { text.Assign(newText); }
    // A property holder of its own: it has no owner to tell.
    Font* GetFont() override { return &font; }
    uint32_t GetTextAlignment() const override { return textAlignment; }
    void SetTextAlignment(uint32_t alignment) override { textAlignment = alignment; }
    Font* GetEffectiveFont() override { return font.IsDefault() ? FindAncestor() : &font; }

protected:
    LabelBase(const common::String& caption, int32_t dockMode) {
        InitAlignment(dockMode);
        text.Assign(caption);
        SetWindowless(true);
    }
    ~LabelBase() override { MarkDestroying(); }

private:
    common::WideString text;
    uint32_t textAlignment = 0;
    FontProperties font;
};

} // namespace gui
