#pragma once

#include "emu/bk/BkMachine.h"

#include <memory>

namespace emu {

class DriveSlot;

// The BK-0010 line (family "bk_0010"): the family's devices with the processor at 3 MHz starting at 0100000, the
// 16 KB screen from 040000 and the BIOS call tracer; 64 KB of memory with 32 KB of RAM from 0, the model's ROMs
// and the register page. The floppy model derives from it and adds its controller, its drives and its registers.
class Bk0010MachineBase : public BkMachine {
public:
    static constexpr int32_t kCpuFrequency = 3000000;
    static constexpr uint16_t kStartWord = 0100000;
    static constexpr uint32_t kMemorySize = 0x10000;
    static constexpr uint16_t kScreen = 040000;

    explicit Bk0010MachineBase(const char* name = "BK");
    ~Bk0010MachineBase() override;

    const char* FamilyId() const override { return "bk_0010"; }
    // The family's devices, the processor's clock and start word, the screen window and the BIOS call tracer.
    bool CreateServices() override;
    // The memory made anew (every page saved with the state, the ROMs with it), the family's start, RAM at
    // pages 0-31, pages 32-63 absent, the ROM set, the register page. False at the first step that fails.
    bool Start(int32_t& rate) override;
};

// A BK-0010 with a tape recorder and the BIN slot: the first cartridge slot, "BIN:", for "bin" and "exe" files.
// When the slot holds a file at start, the first read of 0120000 loads and starts it.
class Bk0010TapeMachine : public Bk0010MachineBase {
public:
    explicit Bk0010TapeMachine(const char* name = "BK-TAPE");
    ~Bk0010TapeMachine() override;

    // The BK-0010's devices and the BIN slot.
    bool CreateServices() override;
    // The BK-0010's start; then, with a file in the BIN slot, the BIN autostart on page 40. False without the
    // slot.
    bool Start(int32_t& rate) override;
    int32_t BinHookPage() const override { return kBinHookPage; }

private:
    // 0120000-0121777.
    static constexpr int32_t kBinHookPage = 40;
};

// "BK-0010": the monitor, FOCAL and the tests ROM.
class Bk0010Machine : public Bk0010TapeMachine {
public:
    static constexpr uint32_t kModelIndex = 1;

    Bk0010Machine();
    ~Bk0010Machine() override;

    std::unique_ptr<Computer> NewInstance() const override;
    const char* ModelId() const override { return "bk_0010"; }
    // The monitor; FOCAL, stood in for when missing; the tests, left absent when missing.
    BkRomSet RomSet() const override;
};

// "BK-0010.01": the monitor and the three BASIC ROMs.
class Bk0010_01Machine : public Bk0010TapeMachine {
public:
    static constexpr uint32_t kModelIndex = 2;

    Bk0010_01Machine();
    ~Bk0010_01Machine() override;

    std::unique_ptr<Computer> NewInstance() const override;
    const char* ModelId() const override { return "bk_10_01"; }
    // The monitor and the three BASIC ROMs: without the first, a stand-in and none of the others.
    BkRomSet RomSet() const override;
};

} // namespace emu
