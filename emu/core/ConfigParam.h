#pragma once

#include "common/NarrowString.h"
#include "emu/core/BusHandlers.h"
#include "emu/core/InterruptControllerInterface.h"
#include "emu/core/PortMapInterface.h"

#include <cstdint>

namespace emu {

// What a configuration parameter claims; one bit each.
enum class ParamType : uint32_t {
    None = 0,          // not yet typed; skipped when applying
    Flag = 1,          // a flag with a value, such as a device's interrupt line "IRQ"
    FlagPair = 2,      // a flag with a value and a count
    MemoryRange = 4,   // 1 KB pages First .. First + Count - 1 of the memory service
    PortRange = 8,     // I/O ports First .. First + Count - 1 of the port service
    VectorRangeA = 16, // entries First .. First + Count - 1 of the interrupt service's hook table A
    VectorRangeB = 32, // the same in hook table B
};

// The handlers a parameter binds; which of them a type uses is given with each one.
struct ParamHandlers {
    BusReadHandler read = nullptr;              // memory and port ranges
    PortStatusReadHandler statusRead = nullptr; // port ranges, used only without a plain read handler
    BusWriteHandler write = nullptr;            // memory and port ranges
    InterruptHookHandler vectorHook = nullptr;  // vector ranges
};

// One named claim of a device on a machine resource, or a named flag, kept in the device's parameter set. The
// device declares the configured first item and count; while the claim is in force (active) they are bound in
// the service. The device may hand variables of its own that the record keeps in step: the active variable
// mirrors whether the claim is in force, the first and count variables hold the values in force, or the
// configured ones while it is not.
class ConfigParam {
public:
    // The variables of the device, each of which may be null.
    struct Variables {
        bool* active = nullptr;
        uint64_t* first = nullptr;
        uint64_t* count = nullptr;
    };

    // A record configured with first and count (a count of 0 counts as 1); a fixed claim is one the device wants
    // in force with exactly these values. It starts disabled and out of force.
    ConfigParam(ParamType type, const common::String& name, bool selfContained, bool fixed, uint64_t first,
                uint64_t count, Variables variables, ParamHandlers handlers);
    ConfigParam(const ConfigParam&) = delete;
    ConfigParam& operator=(const ConfigParam&) = delete;

    ParamType Type() const { return type; }
    const common::NarrowString& Name() const { return name; }
    uint64_t First() const { return first; }
    uint64_t Count() const { return count; }
    // The values with which the record was last put in force.
    uint64_t AppliedFirst() const { return appliedFirst; }
    uint64_t AppliedCount() const { return appliedCount; }
    bool IsActive() const { return active; }
    // Only enabled records are bound when applied.
    bool IsEnabled() const { return enabled; }
    bool IsFixed() const { return fixed; }
    // A flag may go without an active variable only when it is self-contained.
    bool IsSelfContained() const { return selfContained; }
    const ParamHandlers& Handlers() const { return handlers; }

    void SetEnabled(bool on) { enabled = on; }
    // Not in force: the active variable false, the first and count variables the configured values.
    void TakeOutOfForce();
    // In force with the configured values, mirrored into the variables.
    void Activate();

private:
    ParamType type;
    common::NarrowString name;
    Variables variables;
    uint64_t first;
    uint64_t count;
    uint64_t appliedFirst = 0;
    uint64_t appliedCount = 0;
    ParamHandlers handlers;
    bool active = false;
    bool selfContained;
    bool fixed;
    bool enabled = false;
};

// The notification the machine sends its devices once it applied record, or every record for null.
uint32_t AppliedNotification(const ConfigParam* record);

} // namespace emu
