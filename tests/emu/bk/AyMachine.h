// The AY chip on the device tests' machine, whose processor cycle count the test sets and whose sound outputs
// record every block: the chip is started, and its source rate is the test's.
#pragma once

#include "emu/bk/AyChannel.h"
#include "emu/bk/AySoundChip.h"
#include "emu/devices/DeviceTestMachine.h"
#include "support/RecordingConsole.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {

struct AyMachine {
    explicit AyMachine(int32_t sourceRate = 48000, bool yamaha = false) {
        auto made = std::make_unique<AySoundChip>();
        chip = made.get();
        chip->SetYamahaMode(yamaha);
        EXPECT_TRUE(machine.AddChild(std::move(made), "AY-3-891x"));
        machine.SetConsole(&console);
        EXPECT_TRUE(machine.PowerOnAndClock());
        EXPECT_TRUE(chip->SoundDevice::SetBaseFrequency(sourceRate));
    }

    AyChannel& Channel(int32_t index = 0) const { return *chip->Channel(index); }
    // The chip's console lines.
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        for (const std::string& line : console.Texts()) {
            if (line.rfind("[AY-3", 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    DeviceTestMachine machine;
    test_support::RecordingConsole console;
    AySoundChip* chip = nullptr;
};

} // namespace emu
