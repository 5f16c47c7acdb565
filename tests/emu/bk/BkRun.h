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

} // namespace emu
