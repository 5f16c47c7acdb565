#pragma once

#include <cstdint>

namespace emu {

class CpuInterface;

// What a processor needs of the machine's interrupt service at its instruction boundaries.
class InterruptServiceInterface {
public:
    virtual ~InterruptServiceInterface() = default;

    // Mode 0: whether an interrupt is to be taken now; vectorNumber is the vector address / 4 to enter, first and
    // third belong to the source. Mode 1, with the same values, after the entry: acknowledges it.
    virtual bool AskSources(uint8_t mode, uint32_t& first, uint32_t& vectorNumber, uint32_t& third) = 0;
    // Offers trap or interrupt `number` to hook table B, which may serve it in host code; cycles (0 on entry) may
    // be raised by the hook. Answers whether a hook took it.
    virtual bool CallHandlerB(uint32_t number, uint32_t argument1, uint32_t argument2, CpuInterface* cpu,
                              uint64_t& cycles) = 0;

protected:
    InterruptServiceInterface() = default;
    InterruptServiceInterface(const InterruptServiceInterface&) = delete;
    InterruptServiceInterface& operator=(const InterruptServiceInterface&) = delete;
};

} // namespace emu
