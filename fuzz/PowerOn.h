// Starting and running the fuzzers' machines.
#pragma once

#include "emu/core/BusService.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/Machine.h"

#include <algorithm>
#include <cstdint>

namespace fuzz {

// Starts the machine as the controller powers it on: with the bus binding every event by name, so that a saved
// state finds them again.
inline bool StartRegistering(emu::Machine& machine) {
    machine.Bus()->SetRegistering(true);
    int32_t rate = 0;
    const bool started = machine.Start(rate);
    machine.Bus()->SetRegistering(false);
    return started;
}

// One bus tick's slice of the processor, 34 cycles, with its events dispatched when due, as the core runs it.
inline void RunSlice(emu::CpuInterface& cpu) {
    int32_t budget = 34;
    while (budget > 0) {
        if (cpu.cyclesToNextEvent <= 0) {
            cpu.DispatchEvents();
        }
        const int32_t used = cpu.Execute(std::min(budget, std::max(cpu.cyclesToNextEvent, 1)));
        if (used <= 0) {
            break;
        }
        budget -= used;
        cpu.cyclesToNextEvent -= used;
    }
}

} // namespace fuzz
