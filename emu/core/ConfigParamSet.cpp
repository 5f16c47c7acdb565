#include "emu/core/ConfigParamSet.h"

#include "emu/core/MachineInterface.h"
#include "emu/core/StateChunk.h"

#include <algorithm>

namespace emu {

namespace {

bool HasHandler(const ParamHandlers& handlers) {
    return handlers.read != nullptr || handlers.statusRead != nullptr || handlers.write != nullptr ||
           handlers.vectorHook != nullptr;
}

} // namespace

std::unique_ptr<ConfigParam> ConfigParamSet::FromVariables(ParamType type, const char* name, bool selfContained,
                                                           ConfigParam::Variables variables, ParamHandlers handlers) {
    if (name == nullptr) {
        return nullptr;
    }
    const bool fixed = variables.active != nullptr && *variables.active;
    if (variables.active != nullptr) {
        *variables.active = false;
    }
    return std::make_unique<ConfigParam>(type, common::NarrowString(name), selfContained, fixed,
                                         variables.first != nullptr ? *variables.first : 0,
                                         variables.count != nullptr ? *variables.count : 0, variables, handlers);
}

std::unique_ptr<ConfigParam> ConfigParamSet::FromValues(ParamType type, const char* name, bool selfContained,
                                                        bool fixed, uint64_t first, uint64_t count,
                                                        ParamHandlers handlers) {
    if (name == nullptr) {
        return nullptr;
    }
    return std::make_unique<ConfigParam>(type, common::NarrowString(name), selfContained, fixed, first, count,
                                         ConfigParam::Variables{}, handlers);
}

bool ConfigParamSet::Add(std::unique_ptr<ConfigParam> record, bool complete) {
    if (record == nullptr || !complete) {
        return false;
    }
    const size_t position = LowerBound(record->Name().GetNarrow());
    if (NamedAt(position, record->Name().GetNarrow())) {
        return false;
    }
    record->SetEnabled(true);
    ConfigParam* added = records.insert(records.begin() + position, std::move(record))->get();
    return listener == nullptr || listener->ApplySettings(added);
}

bool ConfigParamSet::AddMemoryRange(const char* name, bool selfContained, bool* active, uint64_t* first,
                                    uint64_t* count, BusReadHandler read, BusWriteHandler write) {
    const ParamHandlers handlers{.read = read, .write = write};
    return Add(FromVariables(ParamType::MemoryRange, name, selfContained, {active, first, count}, handlers),
               HasHandler(handlers));
}

bool ConfigParamSet::AddPortRange(const char* name, bool selfContained, bool* active, uint64_t* first, uint64_t* count,
                                  BusReadHandler read, BusWriteHandler write) {
    const ParamHandlers handlers{.read = read, .write = write};
    return Add(FromVariables(ParamType::PortRange, name, selfContained, {active, first, count}, handlers),
               HasHandler(handlers));
}

bool ConfigParamSet::AddPortRangeValues(const char* name, bool selfContained, bool fixed, uint64_t first,
                                        uint64_t count, BusReadHandler read, BusWriteHandler write) {
    const ParamHandlers handlers{.read = read, .write = write};
    return Add(FromValues(ParamType::PortRange, name, selfContained, fixed, first, count, handlers),
               HasHandler(handlers));
}

bool ConfigParamSet::AddPortRangeAlt(const char* name, bool selfContained, bool* active, uint64_t* first,
                                     uint64_t* count, PortStatusReadHandler read, BusWriteHandler write) {
    const ParamHandlers handlers{.statusRead = read, .write = write};
    return Add(FromVariables(ParamType::PortRange, name, selfContained, {active, first, count}, handlers),
               HasHandler(handlers));
}

bool ConfigParamSet::AddPortRangeAltValues(const char* name, bool selfContained, bool fixed, uint64_t first,
                                           uint64_t count, PortStatusReadHandler read, BusWriteHandler write) {
    const ParamHandlers handlers{.statusRead = read, .write = write};
    return Add(FromValues(ParamType::PortRange, name, selfContained, fixed, first, count, handlers),
               HasHandler(handlers));
}

bool ConfigParamSet::AddPortWriteRangeValues(const char* name, bool selfContained, bool fixed, uint64_t first,
                                             uint64_t count, BusWriteHandler write) {
    return Add(FromValues(ParamType::PortRange, name, selfContained, fixed, first, count, {.write = write}),
               write != nullptr);
}

bool ConfigParamSet::AddFlag(const char* name, bool selfContained, bool* active, uint64_t* value) {
    return Add(FromVariables(ParamType::Flag, name, selfContained, {active, value, nullptr}, {}),
               active != nullptr || selfContained);
}

bool ConfigParamSet::AddFlagPair(const char* name, bool selfContained, bool* active, uint64_t* value, uint64_t* count) {
    return Add(FromVariables(ParamType::FlagPair, name, selfContained, {active, value, count}, {}),
               active != nullptr || selfContained);
}

bool ConfigParamSet::AddVectorRangeA(const char* name, bool selfContained, bool* active, uint64_t* first,
                                     uint64_t* count, InterruptHookHandler handler) {
    return Add(
        FromVariables(ParamType::VectorRangeA, name, selfContained, {active, first, count}, {.vectorHook = handler}),
        handler != nullptr);
}

bool ConfigParamSet::AddVectorRangeAValues(const char* name, bool selfContained, uint64_t first, uint64_t count,
                                           InterruptHookHandler handler) {
    return Add(FromValues(ParamType::VectorRangeA, name, selfContained, true, first, count, {.vectorHook = handler}),
               handler != nullptr);
}

bool ConfigParamSet::AddVectorRangeB(const char* name, bool selfContained, bool* active, uint64_t* first,
                                     uint64_t* count, InterruptHookHandler handler) {
    return Add(
        FromVariables(ParamType::VectorRangeB, name, selfContained, {active, first, count}, {.vectorHook = handler}),
        handler != nullptr);
}

bool ConfigParamSet::AddVectorRangeBValues(const char* name, bool selfContained, uint64_t first, uint64_t count,
                                           InterruptHookHandler handler) {
    return Add(FromValues(ParamType::VectorRangeB, name, selfContained, true, first, count, {.vectorHook = handler}),
               handler != nullptr);
}

bool ConfigParamSet::Remove(const char* name) {
    const size_t position = LowerBound(name);
    if (!NamedAt(position, name)) {
        return true;
    }
    std::unique_ptr<ConfigParam> removed = std::move(records[position]);
    records.erase(records.begin() + position);
    if (removed->IsActive()) {
        removed->TakeOutOfForce();
    }
    return listener == nullptr || listener->ApplySettings(nullptr);
}

bool ConfigParamSet::Disable(const char* name) {
    ConfigParam* record = Find(name);
    if (record != nullptr && record->IsEnabled()) {
        record->SetEnabled(false);
        record->TakeOutOfForce();
        if (listener != nullptr) {
            listener->ApplySettings(nullptr);
        }
    }
    return true;
}

bool ConfigParamSet::SaveState(common::RecordArchive& archive) const {
    return WriteVersionChunk(archive, "_CFP");
}

bool ConfigParamSet::LoadState(common::RecordArchive& archive, common::NarrowString*) {
    return ReadVersionChunk(archive, "_CFP");
}

void ConfigParamSet::RestoreAll() {
    for (const std::unique_ptr<ConfigParam>& record : records) {
        record->TakeOutOfForce();
    }
}

ConfigParam* ConfigParamSet::RecordAt(int32_t index) const {
    return index >= 0 && index < Count() ? records[index].get() : nullptr;
}

ConfigParam* ConfigParamSet::Find(const char* name) const {
    const size_t position = LowerBound(name);
    return NamedAt(position, name) ? records[position].get() : nullptr;
}

size_t ConfigParamSet::LowerBound(const char* name) const {
    const auto position = std::lower_bound(
        records.begin(), records.end(), name,
        [](const std::unique_ptr<ConfigParam>& record, const char* key) { return record->Name().Compare(key) < 0; });
    return static_cast<size_t>(position - records.begin());
}

bool ConfigParamSet::NamedAt(size_t position, const char* name) const {
    return position < records.size() && records[position]->Name().Compare(name) == 0;
}

} // namespace emu
