// The message box's data.
#pragma once

#include "gui/MessageBoxDialog.h"
#include "gui/ModalDialogBase.h"

namespace gui {

class MessageBoxDialogBase : public virtual MessageBoxDialog, public virtual ModalDialogBase {
public:
    bool ShowWithCallback(Window* owner, DialogCallback callback, const common::String& newText,
                          const common::String& title) override;
    common::WideString Text() const override { return text; }
    void SetText(const common::String& newText) override { text.Assign(newText); }
    int32_t GetIcon() const override { return icon; }
    void SetIcon(int32_t value) override { icon = value; }
    bool Show(Window* owner, const common::String& newText, const common::String& title) override;
    bool RunModal(Window* owner) override { return Run(owner); }

    // Shows the box; nothing to show here.
    virtual bool Run(Window*) { return false; }

    // The error form: an error icon and OK alone, whatever the icon kind.
    void SetErrorForm(bool value) { errorForm = value; }
    bool IsErrorForm() const { return errorForm; }
    // Shows the text in the error form.
    bool ShowError(Window* owner, const common::String& newText, const common::String& title);

protected:
    MessageBoxDialogBase() = default;

private:
    common::WideString text;
    int32_t icon = kNoIcon;
    bool errorForm = false;
};

} // namespace gui
