#pragma once

#include "emu/core/ConfigParam.h"
#include "emu/core/ConfigParamSetInterface.h"

#include <memory>
#include <vector>

namespace common {
class RecordArchive;
} // namespace common

namespace emu {

class MachineInterface;

// The configuration parameters of one device, owned by it, in the archive's name order. Once the machine has
// handed its services to the device, the machine is the set's listener: every add and remove asks it to apply
// the change, which it does at once while it runs (and at its next start otherwise).
class ConfigParamSet : public ConfigParamSetInterface {
public:
    ConfigParamSet() = default;

    bool AddMemoryRange(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                        BusReadHandler read, BusWriteHandler write) override;
    bool AddPortRange(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                      BusReadHandler read, BusWriteHandler write) override;
    bool AddPortRangeValues(const char* name, bool selfContained, bool fixed, uint64_t first, uint64_t count,
                            BusReadHandler read, BusWriteHandler write) override;
    bool AddPortRangeAlt(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                         PortStatusReadHandler read, BusWriteHandler write) override;
    bool AddPortRangeAltValues(const char* name, bool selfContained, bool fixed, uint64_t first, uint64_t count,
                               PortStatusReadHandler read, BusWriteHandler write) override;
    bool AddPortWriteRangeValues(const char* name, bool selfContained, bool fixed, uint64_t first, uint64_t count,
                                 BusWriteHandler write) override;
    bool AddFlag(const char* name, bool selfContained, bool* active, uint64_t* value) override;
    bool AddFlagPair(const char* name, bool selfContained, bool* active, uint64_t* value, uint64_t* count) override;
    bool AddVectorRangeA(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                         InterruptHookHandler handler) override;
    bool AddVectorRangeAValues(const char* name, bool selfContained, uint64_t first, uint64_t count,
                               InterruptHookHandler handler) override;
    bool AddVectorRangeB(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                         InterruptHookHandler handler) override;
    bool AddVectorRangeBValues(const char* name, bool selfContained, uint64_t first, uint64_t count,
                               InterruptHookHandler handler) override;
    bool Remove(const char* name) override;
    bool Disable(const char* name) override;

    // The "_CFP" chunk, which holds only its version: the devices declare their parameters anew from their own
    // configuration rather than from a saved state. note is not read.
    bool SaveState(common::RecordArchive& archive) const;
    bool LoadState(common::RecordArchive& archive, common::NarrowString* note);
    // Takes every parameter out of force, leaving the services as they are; the device's stop.
    void RestoreAll();

    int32_t Count() const { return static_cast<int32_t>(records.size()); }
    // The record at a position in name order; null out of range.
    ConfigParam* RecordAt(int32_t index) const;
    ConfigParam* Find(const char* name) const;
    MachineInterface* Listener() const { return listener; }
    void SetListener(MachineInterface* machine) { listener = machine; }

private:
    // A record made from the device's variables: the configured values are read from them and the active
    // variable, which asks for a fixed claim, is cleared. Null for a null name.
    static std::unique_ptr<ConfigParam> FromVariables(ParamType type, const char* name, bool selfContained,
                                                      ConfigParam::Variables variables, ParamHandlers handlers);
    static std::unique_ptr<ConfigParam> FromValues(ParamType type, const char* name, bool selfContained, bool fixed,
                                                   uint64_t first, uint64_t count, ParamHandlers handlers);
    // Enters the record when it has what its kind needs and its name is free, then asks the listener to apply it.
    bool Add(std::unique_ptr<ConfigParam> record, bool complete);
    // The position of the first record whose name is not ordered before name.
    size_t LowerBound(const char* name) const;
    // Whether the record at position has that name.
    bool NamedAt(size_t position, const char* name) const;

    std::vector<std::unique_ptr<ConfigParam>> records;
    MachineInterface* listener = nullptr;
};

} // namespace emu
