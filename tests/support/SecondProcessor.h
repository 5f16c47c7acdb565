// The other end of a processor state round trip in the processor tests.
#pragma once

#include "support/RamTestMachine.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace test_support {

// A second processor of the same kind on a test machine of its own, attached and started.
template <typename Processor>
struct SecondProcessor {
    SecondProcessor() {
        machine.Attach(cpu);
        int32_t rate = 0;
        EXPECT_TRUE(cpu.Start(rate));
    }

    // Makes the machine's RAM a copy of the other's, so that the processor runs on the same code and data.
    void CopyMemoryFrom(RamTestMachine& other) {
        std::copy(other.Memory(), other.Memory() + TestMachine::kMemorySize, machine.Memory());
    }

    RamTestMachine machine;
    Processor cpu;
};

} // namespace test_support
