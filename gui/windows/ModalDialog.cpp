#include "gui/windows/ModalDialog.h"

#include "gui/Units.h"

#include <array>
#include <cstring>

namespace gui::Windows {

namespace {

// An empty popup with a caption, a system menu and a modal frame; no font block follows without DS_SETFONT.
constexpr DWORD kTemplateStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr size_t kTemplateSize = 82;
// What the dialog manager is told for an answer other than OK and cancel.
constexpr INT_PTR kOtherAnswer = 0xFFFF;

// A DLGTEMPLATE without controls, menu, class or title, at the geometry given (read as dialog units until the
// object binds the window and moves it).
struct DialogTemplate {
    DialogTemplate(int32_t x, int32_t y, int32_t w, int32_t h) {
        Put(0, kTemplateStyle);
        Put(10, static_cast<uint16_t>(x));
        Put(12, static_cast<uint16_t>(y));
        Put(14, static_cast<uint16_t>(w));
        Put(16, static_cast<uint16_t>(h));
    }
    template <typename Value>
    void Put(size_t offset, Value value) {
        std::memcpy(bytes.data() + offset, &value, sizeof(value));
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes.data()); }

    alignas(DWORD) std::array<uint8_t, kTemplateSize> bytes{};
};

} // namespace

INT_PTR CALLBACK ModalDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<ModalDialog*>(lParam);
        if (dialog != nullptr) {
            dialog->SetHandle(window);
            if (dialog->Create()) {
                dialog->bound = true;
                return FALSE; // no default focus
            }
        }
        EndDialog(window, kOtherAnswer);
        return TRUE;
    }
    // Before WM_INITDIALOG nothing is bound: the dialog manager's default.
    auto* dialog = dynamic_cast<ModalDialog*>(NativeWindow::FromHandle(window));
    if (dialog == nullptr) {
        return 0;
    }
    return dialog->HandleMessage(message, wParam, lParam);
}

LRESULT CALLBACK DialogDefaultProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

ModalDialog::ModalDialog() = default;

ModalDialog::ModalDialog(int32_t w, int32_t h) {
    // Nothing virtual is called while the object is built: with no window yet, placing is storing.
    WindowBase::StoreGeometry(0, 0, w, h, false);
}

ModalDialog::ModalDialog(int32_t x, int32_t y, int32_t w, int32_t h, int32_t placement) {
    WindowBase::StoreGeometry(x, y, w, h, false);
    SetPlacement(placement);
}

ModalDialog::~ModalDialog() {
    MarkDestroying();
}

void ModalDialog::MarkSystemDialog(bool adoptGeometry) {
    systemDialog = true;
    adoptNativeGeometry = adoptGeometry;
}

bool ModalDialog::BeginRun(Window* newOwner, HWND& ownerWindow) {
    // A run going on keeps its answer.
    if (running) {
        return false;
    }
    SetResult(kNoAnswer);
    // The owner needs a window and a module instance: a top-level window has both, and so has a control in one.
    auto* native = dynamic_cast<NativeWindow*>(newOwner);
    if (native == nullptr || !native->IsCreated() || native->GetInstance() == nullptr ||
        native->GetHandle() == nullptr) {
        return false;
    }
    instance = native->GetInstance();
    owner = native;
    ownerWindow = native->GetHandle();
    StoreVisibility(true);
    running = true;
    bound = false;
    return true;
}

void ModalDialog::StoreVisibility(bool visible) {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    GetBounds(x, y, w, h);
    StoreGeometry(x, y, w, h, visible);
}

void ModalDialog::EndRun() {
    running = false;
    StoreVisibility(false);
    // A system dialog's window is gone without its WM_DESTROY ever reaching the object.
    if (GetHandle() != nullptr) {
        Destroy();
    }
    instance = nullptr;
    owner = nullptr;
}

bool ModalDialog::RunModal(Window* newOwner) {
    HWND ownerWindow = nullptr;
    if (!BeginRun(newOwner, ownerWindow)) {
        return false;
    }
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    GetBounds(x, y, w, h);
    const DialogTemplate dialogTemplate(x, y, w, h);
    const INT_PTR answer = DialogBoxIndirectParamW(instance, dialogTemplate.Get(), ownerWindow, ModalDialogProc,
                                                   reinterpret_cast<LPARAM>(this));
    const bool wasBound = bound;
    EndRun();
    // The result is what EndModal stored, not the system's answer; a dialog that never bound has none.
    if (answer == 0 || answer == -1 || !wasBound) {
        SetResult(kNoAnswer);
        return false;
    }
    return true;
}

void ModalDialog::EndNative(int32_t result) {
    HWND window = GetHandle();
    if (systemDialog) {
        // The system dialog ends through its own buttons, so that it reports the answer itself.
        PostMessageW(window, WM_COMMAND, result == kAnswerOk ? IDOK : IDCANCEL, 0);
        return;
    }
    EndDialog(window, result == kAnswerOk || result == kAnswerCancel ? result : kOtherAnswer);
}

bool ModalDialog::EndModal(int32_t result) {
    ModalDialogBase::EndModal(result);
    if (GetHandle() != nullptr && running) {
        EndNative(result);
    }
    return ModalDialogBase::EndModal(result);
}

bool ModalDialog::GetOwnerScreenBounds(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    if (owner->GetTopLevelWindow() == dynamic_cast<TitledWindow*>(owner)) {
        owner->GetBounds(x, y, w, h);
        return true;
    }
    // A child window's bounds are in its parent's client area: its rectangle on the screen instead.
    RECT rect{};
    if (!GetWindowRect(owner->GetHandle(), &rect)) {
        return false;
    }
    SplitRect(rect, x, y, w, h);
    return true;
}

bool ModalDialog::Create() {
    if (IsCreated()) {
        return true;
    }
    // Bound without subclassing: the dialog manager keeps the window procedure.
    SetPreviousProcedure(DialogDefaultProc);
    if (adoptNativeGeometry) {
        adoptNativeGeometry = false;
        NativeWindow::Update(true, true, false);
    }
    CentreOnOwner();
    return NativeTitledWindow::Create();
}

void ModalDialog::CentreOnOwner() {
    int32_t ownerX = 0;
    int32_t ownerY = 0;
    int32_t ownerWidth = 0;
    int32_t ownerHeight = 0;
    if (GetPlacement() != 1 || owner == nullptr || !owner->IsCreated() ||
        !GetOwnerScreenBounds(ownerX, ownerY, ownerWidth, ownerHeight)) {
        return;
    }
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    GetBounds(x, y, w, h);
    SetBounds(ownerX + (ownerWidth - w) / 2, ownerY + (ownerHeight - h) / 2, w, h, kPixels);
}

void ModalDialog::Destroy() {
    if (GetHandle() != nullptr) {
        if (!IsInDestroy() && running) {
            // The system destroys the window; its WM_DESTROY comes back here.
            running = false;
            EndNative(kAnswerCancel);
            return;
        }
        // Only unbound: the window is the dialog manager's or the system's to destroy.
        Unbind();
    }
    NativeTitledWindow::Destroy();
    instance = nullptr;
    owner = nullptr;
}

Window* ModalDialog::GetParent() {
    return running ? owner : nullptr;
}

LRESULT ModalDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && !IsLocked() && GetHandle() != nullptr) {
        // The dialog manager would paint the face after the toolkit and wipe its windowless children: the face
        // first, as every toolkit window has it, then the children.
        PAINTSTRUCT paint{};
        BeginPaint(GetHandle(), &paint);
        EndPaint(GetHandle(), &paint);
        Redraw(0, 0, -1, -1, nullptr);
        return 1;
    }
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
            EndModal(kAnswerOk);
            return 1;
        case IDCANCEL:
            EndModal(kAnswerCancel);
            return 1;
        default:
            break;
        }
    }
    return NativeContainerWindow::HandleMessage(message, wParam, lParam);
}

bool ModalDialog::BindSystemDialog(ModalDialog* dialog, HWND given) {
    // The system hands over its dialog window or a child dialog inside it.
    HWND top = given;
    while (top != nullptr && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD) != 0 && ::GetParent(top) != nullptr) {
        top = ::GetParent(top);
    }
    if (dialog != nullptr && dialog->owner != nullptr && top != nullptr) {
        dialog->SetHandle(top);
        if (dialog->Create()) {
            dialog->bound = true;
            return true;
        }
    }
    PostMessageW(top, WM_COMMAND, IDCANCEL, 0);
    return false;
}

} // namespace gui::Windows
