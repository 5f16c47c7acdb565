#pragma once

#include "emu/bk/Bk0010Machine.h"

#include <memory>

namespace emu {

class BkFloppyController;

// A BK-0010 with the floppy controller ("FDC BK") and its two drives, the floppy slots 0 and 1 taking "img" raw
// disk images, the controller's registers 0177130-0177133 among the family's, and the RAM the
// controller's board adds at 0120000-0157777. The floppy driver ROM at 0160000 has its sector routine served
// directly by the controller.
class Bk0010FloppyMachine : public Bk0010MachineBase {
public:
    static constexpr uint32_t kFirstBoardPage = 40;
    static constexpr uint32_t kBoardPages = 16;

    explicit Bk0010FloppyMachine(const char* name = "BK-FLOPPY");
    ~Bk0010FloppyMachine() override;

    // The BK-0010's devices, then the controller, two floppy slots with their drives and the ROM hook.
    bool CreateServices() override;
    // The BK-0010's start, then RAM at pages 40-55.
    bool Start(int32_t& rate) override;
    BkFloppyController* FloppyController() const override { return controller; }

protected:
    // The family's registers and the controller's, 0177130-0177133.
    bool AddRegisters(BkRegisterTable& table) override;

private:
    BkFloppyController* controller = nullptr;
};

// "BK-0010 + FDD": the monitor and the floppy driver ROM.
class Bk0010FddMachine : public Bk0010FloppyMachine {
public:
    static constexpr uint32_t kModelIndex = 3;

    Bk0010FddMachine();
    ~Bk0010FddMachine() override;

    std::unique_ptr<Computer> NewInstance() const override;
    const char* ModelId() const override { return "bk_10_fd"; }
    // The monitor and the floppy driver, both required.
    BkRomSet RomSet() const override;
};

} // namespace emu
