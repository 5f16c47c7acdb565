#pragma once

#include "emu/bk/BkMachine.h"
#include "emu/devices/OffscreenRenderer.h"
#include "support/RecordingSoundOutput.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace test_support {

// A BK machine for tests: the standard devices, 64 KB of RAM with no ROM, the screen at 040000 (16 KB), the
// register page at 0176000, the processor at 3 MHz starting at 0100000 (so SYSREG's high byte is 0200). The frame
// goes to an offscreen renderer unless the machine is made without one, the sound to recording outputs (unpaced).
// Tests load a few words of program, set the processor's registers, power it on and run it with a SliceRunner.
class BkTestMachine : public emu::BkMachine {
public:
    static constexpr int32_t kCpuFrequency = 3000000;
    static constexpr uint16_t kStartWord = 0100000;
    static constexpr uint32_t kMemorySize = 0x10000;
    static constexpr uint16_t kScreen = 040000;

    explicit BkTestMachine(bool withRenderer = true, int32_t cpuFrequency = kCpuFrequency);
    ~BkTestMachine() override;

    // The memory made anew and mapped: RAM everywhere, saved with the state, but for the register page.
    bool Start(int32_t& rate) override;
    // Starts the machine as the emulator core powers it on: its events bound by name on the bus, so that a saved
    // state finds them again.
    bool PowerOn();

    uint16_t Word(uint16_t address) const;
    void SetWord(uint16_t address, uint16_t value);
    // Stores words from address on.
    void Load(uint16_t address, std::initializer_list<uint16_t> words);
    // The processor at pc with the stack at sp and the status word psw.
    void Enter(uint16_t pc, uint16_t sp = 01000, uint16_t psw = 0);

    // The blocks the output of the index-th output event of the bus played, oldest first (the speaker's is 0,
    // the Covox's 1).
    std::vector<std::vector<uint8_t>> Played(int32_t index) const;

    emu::OffscreenRenderer renderer;
    RecordingSoundOutput sound{{.name = "Recording", .failsToOpen = false, .paced = false}};
};

} // namespace test_support
