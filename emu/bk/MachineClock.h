// The moment the BK devices stamp and count by: the machine's first processor's cycle count.
#pragma once

#include "emu/core/CpuInterface.h"
#include "emu/core/Device.h"

#include <cstdint>

namespace emu {

// 0 without a machine or processor.
inline uint64_t CyclesNow(const Device& device) {
    const CpuInterface* cpu = device.Machine() != nullptr ? device.Machine()->FirstCpu() : nullptr;
    return cpu != nullptr ? cpu->Cycles() : 0;
}

} // namespace emu
