#pragma once

#include "common/NarrowString.h"

#include <cstdint>

namespace emu {

class CpuInterface;

// A processor's timed event callback: context is the owning device. It may change *period (0 or less becomes 1)
// and *data; false removes the event.
using TimedEventCallback = bool (*)(void* context, int32_t* period, uint64_t* data, CpuInterface* cpu);

// The bus's named event bindings as the processors use them: while the machine starts, every timed event a device
// adds is bound by (device, event name), so that a saved state can re-attach its events to the running machine.
class EventBindingInterface {
public:
    virtual ~EventBindingInterface() = default;

    // True while the machine starts and events are to be bound.
    virtual bool IsRegistering() const = 0;
    // Enters (or checks) the binding of name to (callback, object); false for a null name, callback or object.
    virtual bool BindObjectEvent(const char* name, TimedEventCallback callback, void* object) = 0;
    // Finds the binding of the device whose full dotted name is deviceName and of eventName; fills its object,
    // callback and the binding's own copy of the name, which lives as long as the binding. False when missing.
    virtual bool FindObjectEvent(const common::NarrowString& deviceName, const common::NarrowString& eventName,
                                 void*& object, TimedEventCallback& callback, const char*& boundName) const = 0;

protected:
    EventBindingInterface() = default;
    EventBindingInterface(const EventBindingInterface&) = delete;
    EventBindingInterface& operator=(const EventBindingInterface&) = delete;
};

} // namespace emu
