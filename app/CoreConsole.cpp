#include "app/CoreConsole.h"

namespace emu {

void CoreConsole::AppendLines(const common::List& lines) {
    for (int index = 0; index < lines.Count(); ++index) {
        AppendLine(*lines.At(index));
    }
}

void CoreConsole::Clear() {
    TakePendingLines();
    MarkChanged();
}

void CoreConsole::MarkChanged() {
    const ChangeCallback callback = changeCallback.load();
    if (!changed.exchange(true) && callback != nullptr) {
        callback(changeContext.load());
    }
}

void CoreConsole::SetChangeCallback(ChangeCallback callback, void* context) {
    changeContext.store(context);
    changeCallback.store(callback);
}

} // namespace emu
