// A push button: caption, image, raised or flat look, latched state, and a click that calls the owner's callback
// or ends the modal dialog it sits in.
#pragma once

#include "gui/ControlBase.h"

#include "common/Image.h"

#include <memory>

namespace gui {

class Button;

using ClickHandler = void (*)(Control* button);

// 0 plain, 1 confirming (a click ends the dialog with 1), 2 cancelling (2), 3 result-carrying (its result).
enum ButtonKind : int32_t { kPlainButton = 0, kConfirmButton = 1, kCancelButton = 2, kResultButton = 3 };

class Button : public virtual Control {
public:
    virtual common::WideString GetText() const = 0;
    virtual void SetText(const common::String& text) = 0;
    // The button owns the image from now on; null removes it.
    virtual void SetImage(common::Image* image) = 0;
    virtual common::Image* GetImage() const = 0;
    virtual void SetFocusable(bool focusable) = 0;
    virtual bool IsFocusable() const = 0;
    virtual void SetFlat(bool flat) = 0;
    virtual bool IsFlat() const = 0;
    // Drawn pressed, as a toggle that is on.
    virtual void SetLatched(bool latched) = 0;
    virtual bool IsLatched() const = 0;
    virtual int32_t GetKind() const = 0;
    virtual void SetKind(int32_t kind) = 0;
    virtual Font* GetFont() = 0;
    virtual int32_t& Result() = 0;
    virtual ClickHandler& ClickCallback() = 0;
    virtual void OnClick() = 0;
    // The own font when it is not the default, else the nearest ancestor's.
    virtual Font* GetEffectiveFont() = 0;
};

class ButtonBase : public virtual Button, public virtual ControlBase {
public:
    common::WideString GetText() const override { return text; }
    void SetText(const common::String& newText) override { text.Assign(newText); }
    void SetImage(common::Image* newImage) override;
    common::Image* GetImage() const override { return image.get(); }
    void SetFocusable(bool value) override { focusable = value; }
    bool IsFocusable() const override { return focusable; }
    void SetFlat(bool value) override;
    bool IsFlat() const override { return flat; }
    void SetLatched(bool value) override;
    bool IsLatched() const override { return latched; }
    int32_t GetKind() const override { return kind; }
    void SetKind(int32_t value) override { kind = value; }
    int32_t& Result() override { return result; }
    ClickHandler& ClickCallback() override { return onClick; }
    // Without a callback, a button of kind 1 to 3 in a modal dialog ends the dialog; else the callback runs.
    void OnClick() override;
    Font* GetEffectiveFont() override;

protected:
    ButtonBase(const common::String& caption, int32_t kind, int32_t dockMode);
    ~ButtonBase() override;

    common::WideString& Text() { return text; }

private:
    common::WideString text;
    std::unique_ptr<common::Image> image;
    bool focusable = true;
    int32_t kind;
    bool flat = false;
    bool latched = false;
    int32_t result = 0;
    ClickHandler onClick = nullptr;
};

} // namespace gui
