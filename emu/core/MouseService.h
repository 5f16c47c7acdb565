#pragma once

#include "emu/core/ListenerList.h"
#include "emu/core/TreeNode.h"

#include <cstdint>

namespace emu {

// A mouse event as its senders (the host, the numeric-pad mouse) and the listening devices share it.
struct MouseEventRecord {
    // Bit 0 the left button, bit 1 the right one.
    uint32_t buttons = 0;
    double moveX = 0;
    double moveY = 0;
    // The same movement in whole steps.
    int16_t stepX = 0;
    int16_t stepY = 0;
};

using MouseListener = void (*)(void* context, const MouseEventRecord& event);

// Hands mouse events to every listening device, the service "_MOUSE".
class MouseService : public TreeNode {
public:
    MouseService();

    // Tells every listener, in the order they were added.
    void Broadcast(const MouseEventRecord& event);
    // A listener already there is not added twice.
    bool AddListener(void* context, MouseListener listener);
    int32_t ListenerCount() const { return static_cast<int32_t>(listeners.Count()); }

    // Both drop the listeners: devices add theirs as they start.
    bool Start(int32_t& rate) override;
    void Stop() override;
    // The "_MOUS" chunk, which holds only its version.
    bool SaveOwnData(common::RecordArchive& archive) override;
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    ListenerList<MouseListener> listeners;
};

} // namespace emu
