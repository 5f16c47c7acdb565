#pragma once

#include <cstdint>

namespace emu {

class CpuInterface;

// A hook of the interrupt service's vector tables: serves trap or interrupt `number` in host code for the CPU
// and may change the cycles it costs. Answers whether it served it.
using InterruptHookHandler = bool (*)(void* context, uint32_t number, uint32_t argument1, uint32_t argument2,
                                      CpuInterface* cpu, uint64_t* cycles);

// What the configuration parameters need of the machine's interrupt service: binding entries of its two hook
// tables (A, and B through which the traps reach the CPU) to the handlers of a device.
class InterruptControllerInterface {
public:
    virtual ~InterruptControllerInterface() = default;

    // Binds entry 0 .. 255 of table A; false above 255.
    virtual bool SetHandler(uint32_t number, void* context, InterruptHookHandler handler) = 0;
    // The same for table B.
    virtual bool SetHandlerB(uint32_t number, void* context, InterruptHookHandler handler) = 0;

protected:
    InterruptControllerInterface() = default;
    InterruptControllerInterface(const InterruptControllerInterface&) = delete;
    InterruptControllerInterface& operator=(const InterruptControllerInterface&) = delete;
};

} // namespace emu
