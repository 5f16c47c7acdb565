#include "gui/MessageBoxDialogBase.h"

namespace gui {

bool MessageBoxDialogBase::ShowWithCallback(Window* owner, DialogCallback callback, const common::String& newText,
                                            const common::String& title) {
    SetText(newText);
    SetTitle(title);
    return RunWithCallback(owner, callback, true);
}

bool MessageBoxDialogBase::Show(Window* owner, const common::String& newText, const common::String& title) {
    SetText(newText);
    SetTitle(title);
    return Run(owner);
}

bool MessageBoxDialogBase::ShowError(Window* owner, const common::String& newText, const common::String& title) {
    SetErrorForm(true);
    return Show(owner, newText, title);
}

} // namespace gui
