#pragma once

#include "emu/core/Computer.h"

#include <cstdint>

namespace test_support {

// A computer with 64 KB of RAM, of which a range of pages may be read-only ROM, with its services built; tests add
// their devices and processors to it. The memory is created anew at every start, as the machine models do.
class TestMachine : public emu::Computer {
public:
    static constexpr uint32_t kMemorySize = 0x10000;
    static constexpr uint32_t kAddressMask = 0177777;

    explicit TestMachine(const char* name = "TEST", uint32_t romFirstPage = 0, uint32_t romPageCount = 0);

    bool Start(int32_t& rate) override;
    // Starts the machine as the controller powers it on: with the bus binding every event by name, so that a
    // saved state can find them again.
    bool PowerOn();

private:
    uint32_t romFirstPage;
    uint32_t romPageCount;
};

} // namespace test_support
