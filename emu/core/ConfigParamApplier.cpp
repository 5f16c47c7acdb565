#include "emu/core/ConfigParamApplier.h"

#include "emu/core/ConfigParam.h"
#include "emu/core/Device.h"
#include "emu/core/InterruptControllerInterface.h"
#include "emu/core/MemoryMapInterface.h"
#include "emu/core/PortMapInterface.h"

#include <cstdint>

namespace emu {

namespace {

constexpr uint32_t kLastPort = 0xFFFF;

// The common frame of every apply: out of force, then bound and in force when enabled.
template <typename Bind>
bool Apply(ConfigParam* record, ParamType type, Bind bind) {
    if (record == nullptr || record->Type() != type) {
        return false;
    }
    record->TakeOutOfForce();
    if (!record->IsEnabled()) {
        return true;
    }
    if (!bind(static_cast<uint32_t>(record->First()), static_cast<uint32_t>(record->Count()))) {
        return false;
    }
    record->Activate();
    return true;
}

// Binds ports first .. first + count - 1, cut at the last port.
template <typename BindPort>
bool BindPorts(uint32_t first, uint32_t count, BindPort bindPort) {
    if (count == 0) {
        return false;
    }
    for (uint32_t port = first;; ++port) {
        if (!bindPort(port)) {
            return false;
        }
        if (port - first + 1 == count || port == kLastPort) {
            return true;
        }
    }
}

using SetHookEntry = bool (InterruptControllerInterface::*)(uint32_t, void*, InterruptHookHandler);

bool ApplyVectorRange(InterruptControllerInterface* interrupts, ConfigParam* record, Device* device, ParamType type,
                      SetHookEntry setEntry) {
    return interrupts != nullptr && Apply(record, type, [&](uint32_t first, uint32_t count) {
               const InterruptHookHandler hook = record->Handlers().vectorHook;
               if (hook == nullptr) {
                   return true;
               }
               if (static_cast<int32_t>(count) < 1) {
                   return false;
               }
               for (uint32_t entry = first; entry - first < count; ++entry) {
                   if (!(interrupts->*setEntry)(entry, device, hook)) {
                       return false;
                   }
               }
               return true;
           });
}

} // namespace

bool ConfigParamApplier::ApplyMemoryRange(MemoryMapInterface* memory, ConfigParam* record, Device* device) const {
    return memory != nullptr && Apply(record, ParamType::MemoryRange, [&](uint32_t first, uint32_t count) {
               const ParamHandlers& handlers = record->Handlers();
               return (handlers.read == nullptr || memory->MapReadRange(first, count, device, handlers.read, false)) &&
                      (handlers.write == nullptr || memory->MapWriteRange(first, count, device, handlers.write, false));
           });
}

bool ConfigParamApplier::ApplyPortRange(PortMapInterface* ports, ConfigParam* record, Device* device) const {
    return ports != nullptr && Apply(record, ParamType::PortRange, [&](uint32_t first, uint32_t count) {
               const ParamHandlers& handlers = record->Handlers();
               const bool readsBound =
                   handlers.read != nullptr
                       ? BindPorts(first, count,
                                   [&](uint32_t port) { return ports->BindReadPort(port, device, handlers.read); })
                       : handlers.statusRead == nullptr || BindPorts(first, count, [&](uint32_t port) {
                             return ports->BindReadPortStatus(port, device, handlers.statusRead);
                         });
               return readsBound && (handlers.write == nullptr || BindPorts(first, count, [&](uint32_t port) {
                                         return ports->BindWritePort(port, device, handlers.write);
                                     }));
           });
}

bool ConfigParamApplier::ApplyFlag(ConfigParam* record) const {
    return Apply(record, ParamType::Flag, [](uint32_t, uint32_t) { return true; });
}

bool ConfigParamApplier::ApplyFlagPair(ConfigParam* record) const {
    return Apply(record, ParamType::FlagPair, [](uint32_t, uint32_t) { return true; });
}

bool ConfigParamApplier::ApplyVectorRangeA(InterruptControllerInterface* interrupts, ConfigParam* record,
                                           Device* device) const {
    return ApplyVectorRange(interrupts, record, device, ParamType::VectorRangeA,
                            &InterruptControllerInterface::SetHandler);
}

bool ConfigParamApplier::ApplyVectorRangeB(InterruptControllerInterface* interrupts, ConfigParam* record,
                                           Device* device) const {
    return ApplyVectorRange(interrupts, record, device, ParamType::VectorRangeB,
                            &InterruptControllerInterface::SetHandlerB);
}

} // namespace emu
