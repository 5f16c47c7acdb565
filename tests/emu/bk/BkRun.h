// A BK test machine powered on with its slice runner and a console: the program's main loop is a branch to itself
// at 01000, the stack below it.
#pragma once

#include "emu/bk/BkMachine.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkTestMachine.h"
#include "support/RecordingConsole.h"
#include "support/SliceRunner.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace emu {

inline constexpr uint16_t kMainLoop = 01000;
inline constexpr uint16_t kBranchToSelf = 0000777;

struct BkRun {
    explicit BkRun(bool withRenderer = true, int32_t frequency = test_support::BkTestMachine::kCpuFrequency)
        : machine(withRenderer, frequency), runner(machine) {
        machine.SetConsole(&console);
        // SYSREG reads no tape noise unless a test asks for it.
        machine.SetTapeNoise([](uint64_t) { return false; });
    }

    // Powered on, the main loop entered, and the bus's first tick past.
    bool PowerOn() {
        if (!machine.PowerOn()) {
            return false;
        }
        machine.Load(kMainLoop, {kBranchToSelf});
        machine.Enter(kMainLoop);
        return runner.Start();
    }

    Cpu1801BM1& Cpu() const { return *machine.Cpu(); }
    // The console lines that open with the tag.
    std::vector<std::string> Lines(const std::string& tag) {
        std::vector<std::string> found;
        for (const std::string& line : console.Texts()) {
            if (line.rfind("[" + tag + "]", 0) == 0) {
                found.push_back(line);
            }
        }
        return found;
    }

    test_support::RecordingConsole console;
    test_support::BkTestMachine machine;
    test_support::SliceRunner runner;
};

// A powered machine whose vectors 004, 060 and 0274 lead to loops of their own.
inline constexpr uint16_t kBusErrorLoop = 02000;
inline constexpr uint16_t kKeyLoop = 02100;
inline constexpr uint16_t kAr2KeyLoop = 02200;

struct KeyRun : BkRun {
    KeyRun() {
        EXPECT_TRUE(PowerOn());
        for (const auto& [vector, loop] :
             {std::pair<uint16_t, uint16_t>{04, kBusErrorLoop}, {060, kKeyLoop}, {0274, kAr2KeyLoop}}) {
            machine.Load(vector, {loop, 0340});
            machine.Load(loop, {kBranchToSelf});
        }
    }
    uint16_t Pc() const { return machine.Cpu()->Register(7); }
    // Presses the key (with the modifier held, when given) between two slices.
    void Press(uint8_t code, int32_t modifier = -1) {
        if (modifier >= 0) {
            runner.Key(static_cast<uint8_t>(modifier), true);
        }
        runner.Key(code, true);
    }
};

} // namespace emu
