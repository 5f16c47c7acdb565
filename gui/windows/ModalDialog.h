// The Win32 modal dialog: run by the dialog manager from a template built in memory that describes an empty popup
// window; the toolkit's own child controls are made inside it when the object binds the window at
// WM_INITDIALOG. The dialog manager keeps its window procedure: the object's handler is reached through the
// dialog procedure, and what it leaves gets the manager's default processing.
//
// The common dialogs run through this class as well: they bind the system's dialog window to the object when the
// system initialises it, and keep the owner and the run bracket of this class.
#pragma once

#include "gui/ModalDialogBase.h"
#include "gui/windows/NativeContainerWindow.h"

namespace gui::Windows {

// The dialog procedure handed to the dialog manager.
INT_PTR CALLBACK ModalDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The previous procedure of every dialog: whatever the toolkit leaves, the dialog manager does.
LRESULT CALLBACK DialogDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class ModalDialog : public virtual ModalDialogBase, public NativeTitledWindow {
public:
    // Centred on the owner, at the property layer's default geometry.
    ModalDialog();
    // Centred on the owner.
    ModalDialog(int32_t w, int32_t h);
    // At (x, y) on the screen unless placement is 1.
    ModalDialog(int32_t x, int32_t y, int32_t w, int32_t h, int32_t placement);
    ~ModalDialog() override;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Shows the dialog and returns when it has ended; false (result 0) for an owner without a created window and a
    // module instance, or when the window could not be made or bound; false, the answer kept, while it runs.
    bool RunModal(Window* owner) override;
    // Ends a running dialog with the result: the system is told 1, 2, or 0xFFFF for any other result.
    bool EndModal(int32_t result) override;
    // Binds the window the system made: centred on the owner when placement is 1, then its children.
    bool Create() override;
    // A running dialog is ended with 2 and unbound when its window goes; the children go with it.
    void Destroy() override;
    bool IsDialog() const override { return true; }
    // The owner while the dialog runs.
    Window* GetParent() override;
    bool OnCreate() override { return true; }
    // Enter, Esc and the close box come as IDOK and IDCANCEL: they end the dialog with 1 and 2.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The owner's module instance while the dialog runs.
    HINSTANCE GetInstance() override { return instance; }

    bool IsRunning() const { return running; }

    // Binds the system's dialog window that holds the window the system hands over (itself or a child of it);
    // when there is no dialog or it cannot be bound, the system dialog is cancelled. False on failure.
    static bool BindSystemDialog(ModalDialog* dialog, HWND given);

protected:
    // For a system dialog: its window is the system's and ended through its own buttons; adopting, the dialog
    // takes the size the system gives it.
    void MarkSystemDialog(bool adoptGeometry);
    // The start of a run: false (the result 0 when nothing runs) for an unsuitable owner or a run going on;
    // otherwise the owner and its instance are kept and the dialog reports itself visible.
    bool BeginRun(Window* owner, HWND& ownerWindow);
    // The end of a run: hidden again, the owner let go, and a window the system destroyed without a word unbound.
    void EndRun();
    // With placement 1, the stored geometry centred on the owner, and the window moved there when it is bound.
    void CentreOnOwner();

private:
    // Ends the native dialog: the dialog manager's end for the own dialog, the system dialog's own OK or cancel.
    void EndNative(int32_t result);
    // The stored geometry as it is, shown or hidden.
    void StoreVisibility(bool visible);
    // The owner's rectangle on the screen, which the dialog is centred on.
    bool GetOwnerScreenBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h);

    friend INT_PTR CALLBACK ModalDialogProc(HWND, UINT, WPARAM, LPARAM);

    bool running = false;
    HINSTANCE instance = nullptr;
    NativeWindow* owner = nullptr;
    bool adoptNativeGeometry = false;
    bool systemDialog = false;
    bool bound = false; // bound in this run
};

} // namespace gui::Windows
