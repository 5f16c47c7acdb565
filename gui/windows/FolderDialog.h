// The system's folder browser. Its callback binds the browser's window to the object when it is initialised, so
// that it shows the object's title, is centred on the owner and opens at the path.
#pragma once

#include "gui/FolderDialogBase.h"
#include "gui/windows/ModalDialog.h"

namespace gui::Windows {

// The browser's callback in every run.
int CALLBACK FolderDialogCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);

class FolderDialog : public FolderDialogBase, public ModalDialog {
public:
    // At the size the system gives it.
    FolderDialog();

    // True when the browser was shown: result 1 and the chosen folder, ending with the separator, as the path; or
    // 2 with the path as it was, when cancelled or when the choice has no place in the file system. False (result
    // 0) for an unsuitable owner.
    bool Run(Window* owner) override;
    bool RunModal(Window* owner) override { return Run(owner); }
};

} // namespace gui::Windows
