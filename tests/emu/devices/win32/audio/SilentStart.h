// What every sound output that cannot open must give a machine: the null output, one error line, and a machine
// that runs on.
#pragma once

#include "emu/core/BusService.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/devices/LevelChannel.h"
#include "support/RecordingConsole.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {

// A test machine with one sound channel on the output prototype, which cannot open at 44100 Hz, 8 bits.
inline void ExpectMachineStartsSilently(HostSoundOutput& prototype) {
    test_support::RecordingConsole console;
    test_support::TestMachine machine;
    machine.SetConsole(&console);
    machine.SetSoundOutput(&prototype);
    machine.AddChild(std::make_unique<LevelChannel>());
    ASSERT_TRUE(machine.PowerOn());
    ASSERT_EQ(machine.Bus()->EventCount(), 1);
    EXPECT_TRUE(machine.Bus()->EventAt(0)->output->IsNull());
    EXPECT_EQ(console.Texts(), (std::vector<std::string>{"[INIT] Started emulation of TEST",
                                                         "[ERROR] Sound output \"" + std::string(prototype.Name()) +
                                                             "\" can not be opened (44100 Hz, 8 bits): playing "
                                                             "without sound!"}));
    machine.SetBusRate(44100, -1, false);
    for (int32_t tick = 0; tick < 2000; ++tick) {
        machine.TickBus();
    }
    EXPECT_GT(machine.Bus()->EventAt(0)->fireCount, 1u);
}

} // namespace emu
