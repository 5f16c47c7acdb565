// The core's console until the console window lands: the log with the clear, the change mark and its one-shot
// callback, the banner flag and the repeat filter switch the core uses, under the names the console window gives
// them. The core's hooks into the console window (its keys, overlay, panel and activation) are stubs meanwhile.
#pragma once

#include "common/Console.h"
#include "common/List.h"

#include <atomic>
#include <cstdint>

namespace emu {

class CoreConsole : public common::Console {
public:
    // Told that the console wants a repaint, once per change from painted to changed, on the writer's thread.
    using ChangeCallback = void (*)(void* context);

    // Adds each item as a plain line.
    void AppendLines(const common::List& lines);
    // Forgets every line.
    void Clear();
    // Repaint wanted: sets the changed flag and tells the change callback when it was clear.
    void MarkChanged();
    bool IsChanged() const { return changed.load(); }
    // What a paint does to the flag.
    void MarkPainted() { changed.store(false); }
    void SetChangeCallback(ChangeCallback callback, void* context);
    // The banner stands centred until the first command or power-on.
    void SetCentred(bool on) { centred.store(on); }
    bool IsCentred() const { return centred.load(); }
    void SetSuppressRepeats(bool suppress) { suppressRepeats.store(suppress); }
    // The console's own record of pressed keys (none here).
    void ResetKeyStates(bool) {}
    bool SuppressesRepeats() const { return suppressRepeats.load(); }

private:
    std::atomic<ChangeCallback> changeCallback{nullptr};
    std::atomic<void*> changeContext{nullptr};
    std::atomic<bool> changed{true};
    std::atomic<bool> centred{false};
    std::atomic<bool> suppressRepeats{false};
};

} // namespace emu
