// The system's message box: Yes and No with a question, information or no icon; in the error form OK alone with
// the error icon. It is never bound to the object.
#pragma once

#include "gui/MessageBoxDialogBase.h"
#include "gui/windows/ModalDialog.h"

namespace gui::Windows {

class MessageBoxDialog : public MessageBoxDialogBase, public ModalDialog {
public:
    MessageBoxDialog();

    using MessageBoxDialogBase::Show;
    using ModalDialog::Show;

    // True when the box was shown: result 1 for Yes or OK, 3 for No. False (result 0) for an unsuitable owner or
    // when the system could not show it.
    bool Run(Window* owner) override;
    bool RunModal(Window* owner) override { return Run(owner); }
};

} // namespace gui::Windows
