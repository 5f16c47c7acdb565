// The system's open and save file dialogs. The hook binds the system's dialog window to the object when it is
// initialised, so that it shows the object's title and is centred on the owner.
#pragma once

#include "gui/FileDialogBase.h"
#include "gui/windows/ModalDialog.h"

namespace gui::Windows {

// The hook of every file dialog run.
UINT_PTR CALLBACK FileDialogHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

class FileDialog : public FileDialogBase, public ModalDialog {
public:
    // At the size the system gives it.
    FileDialog();
    // Resized to this size when it is bound.
    FileDialog(int32_t w, int32_t h);

    // True when the dialog was shown: result 1 and the chosen file as the path, or 2 (cancelled or failed) with
    // the path as it was. False (result 0) for an unsuitable owner or a mode other than open and save.
    bool Run(Window* owner) override;
    bool RunModal(Window* owner) override { return Run(owner); }
    // Centres the dialog again, at the size the system arrived at unless a size was given.
    void Recentre();

private:
    bool systemSized;
};

// The file dialog in open mode.
class OpenFileDialog : public FileDialog {
public:
    OpenFileDialog() { SetMode(kOpenFile); }
    OpenFileDialog(int32_t w, int32_t h) : FileDialog(w, h) { SetMode(kOpenFile); }
};

} // namespace gui::Windows
