#include "emu/core/ConfigParam.h"

#include "emu/core/Notification.h"

namespace emu {

ConfigParam::ConfigParam(ParamType type, const common::String& name, bool selfContained, bool fixed, uint64_t first,
                         uint64_t count, Variables variables, ParamHandlers handlers)
    : type(type), variables(variables), first(first), count(count == 0 ? 1 : count), handlers(handlers),
      selfContained(selfContained), fixed(fixed) {
    this->name.Assign(name);
}

void ConfigParam::TakeOutOfForce() {
    active = false;
    if (variables.active != nullptr) {
        *variables.active = false;
    }
    if (variables.first != nullptr) {
        *variables.first = first;
    }
    if (variables.count != nullptr) {
        *variables.count = count;
    }
}

void ConfigParam::Activate() {
    active = true;
    appliedFirst = first;
    appliedCount = count;
    if (variables.active != nullptr) {
        *variables.active = true;
    }
    if (variables.first != nullptr) {
        *variables.first = appliedFirst;
    }
    if (variables.count != nullptr) {
        *variables.count = appliedCount;
    }
}

uint32_t AppliedNotification(const ConfigParam* record) {
    switch (record != nullptr ? record->Type() : ParamType::None) {
    case ParamType::None:
        return notification::kAllParamsApplied;
    case ParamType::MemoryRange:
        return notification::kMemoryRangesApplied;
    case ParamType::PortRange:
        return notification::kPortRangesApplied;
    case ParamType::Flag:
    case ParamType::VectorRangeA:
    case ParamType::VectorRangeB:
        return notification::kFlagsOrVectorsApplied;
    default:
        return notification::kParamsApplied;
    }
}

} // namespace emu
