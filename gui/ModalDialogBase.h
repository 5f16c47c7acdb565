// The portable part of every modal dialog: where it is placed and the answer of its last run. The common dialogs
// share it as a virtual base with the Win32 dialog they run through.
#pragma once

#include "gui/Dialog.h"

namespace gui {

class ModalDialogBase : public virtual Dialog {
public:
    // RunModal (which each dialog family points at its own run), then the callback when the dialog was shown.
    bool RunWithCallback(Window* owner, DialogCallback callback, bool enabled) override;
    bool EndModal(int32_t newResult) override;
    int32_t GetResult() const override { return result; }
    // 1 centres the dialog on its owner; any other value keeps the stored position.
    int32_t GetPlacement() const override { return placement; }
    // Nothing to run here.
    bool RunModal(Window*) override { return false; }

protected:
    ModalDialogBase() = default;

    void SetPlacement(int32_t value) { placement = value; }
    void SetResult(int32_t value) { result = value; }

private:
    int32_t placement = 1;
    int32_t result = kNoAnswer;
};

} // namespace gui
