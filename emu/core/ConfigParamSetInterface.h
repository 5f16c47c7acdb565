#pragma once

#include "emu/core/BusHandlers.h"
#include "emu/core/InterruptControllerInterface.h"
#include "emu/core/PortMapInterface.h"

#include <cstdint>

namespace emu {

// How a device declares its configuration parameters: named claims on memory pages, I/O ports and interrupt hook
// entries, and named flags. Every add takes the name (null fails) and whether the claim is self-contained. The
// "Values" forms take the first item and the count; the others take the device's active, first and count
// variables (each may be null), read the configured values from them and clear the active variable until the
// claim is in force; a set active variable asks for a fixed claim. A count of 0 counts as 1. An add fails, and
// the set stays as it was, for a name already present or when the handler (or the variable) its kind needs is
// missing. To change a parameter a device removes it by name and adds it again; while the machine runs, the
// change is in force when the add or remove returns.
class ConfigParamSetInterface {
public:
    virtual ~ConfigParamSetInterface() = default;

    // Pages; at least one handler.
    virtual bool AddMemoryRange(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                                BusReadHandler read, BusWriteHandler write) = 0;
    // Ports with plain reads; at least one handler.
    virtual bool AddPortRange(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                              BusReadHandler read, BusWriteHandler write) = 0;
    virtual bool AddPortRangeValues(const char* name, bool selfContained, bool fixed, uint64_t first, uint64_t count,
                                    BusReadHandler read, BusWriteHandler write) = 0;
    // Ports with status reads; at least one handler.
    virtual bool AddPortRangeAlt(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                                 PortStatusReadHandler read, BusWriteHandler write) = 0;
    virtual bool AddPortRangeAltValues(const char* name, bool selfContained, bool fixed, uint64_t first, uint64_t count,
                                       PortStatusReadHandler read, BusWriteHandler write) = 0;
    // Ports that are only written; the handler is required.
    virtual bool AddPortWriteRangeValues(const char* name, bool selfContained, bool fixed, uint64_t first,
                                         uint64_t count, BusWriteHandler write) = 0;
    // A flag with a value; needs the active variable unless self-contained.
    virtual bool AddFlag(const char* name, bool selfContained, bool* active, uint64_t* value) = 0;
    virtual bool AddFlagPair(const char* name, bool selfContained, bool* active, uint64_t* value, uint64_t* count) = 0;
    // Hook table entries; the handler is required. The "Values" forms are always fixed.
    virtual bool AddVectorRangeA(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                                 InterruptHookHandler handler) = 0;
    virtual bool AddVectorRangeAValues(const char* name, bool selfContained, uint64_t first, uint64_t count,
                                       InterruptHookHandler handler) = 0;
    virtual bool AddVectorRangeB(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                                 InterruptHookHandler handler) = 0;
    virtual bool AddVectorRangeBValues(const char* name, bool selfContained, uint64_t first, uint64_t count,
                                       InterruptHookHandler handler) = 0;
    // Deletes the parameter, out of force first; true when there is none.
    virtual bool Remove(const char* name) = 0;
    // Takes the parameter out of force and keeps it out until it is added again; always true.
    virtual bool Disable(const char* name) = 0;

protected:
    ConfigParamSetInterface() = default;
    ConfigParamSetInterface(const ConfigParamSetInterface&) = delete;
    ConfigParamSetInterface& operator=(const ConfigParamSetInterface&) = delete;
};

} // namespace emu
