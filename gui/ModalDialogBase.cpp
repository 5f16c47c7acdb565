#include "gui/ModalDialogBase.h"

namespace gui {

bool ModalDialogBase::RunWithCallback(Window* owner, DialogCallback callback, bool enabled) {
    if (owner == nullptr || callback == nullptr || !enabled) {
        return false;
    }
    const bool shown = RunModal(owner);
    if (shown) {
        callback(this);
    }
    return shown;
}

bool ModalDialogBase::EndModal(int32_t newResult) {
    result = newResult;
    return true;
}

} // namespace gui
