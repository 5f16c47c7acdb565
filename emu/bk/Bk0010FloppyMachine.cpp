#include "emu/bk/Bk0010FloppyMachine.h"

#include "emu/bk/BkFloppyController.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/MemoryMap.h"

namespace emu {

namespace {

constexpr BkRomImage kBk0010FddRoms[] = {
    bk_rom::kMonitor,
    {0160000, bk_rom::kRomSize, false, RomMissing::FailsStart, false, "Floppy Driver", "disk_326.bin", "disk_327.rom"},
};

} // namespace

Bk0010FloppyMachine::Bk0010FloppyMachine(const char* name) : Bk0010MachineBase(name) {}

Bk0010FloppyMachine::~Bk0010FloppyMachine() = default;

bool Bk0010FloppyMachine::CreateServices() {
    if (!Bk0010MachineBase::CreateServices()) {
        return false;
    }
    auto made = std::make_unique<BkFloppyController>();
    BkFloppyController* added = made.get();
    if (!AddChild(std::move(made))) {
        return false;
    }
    controller = added;
    if (!Drives()->SetFloppyCount(BkFloppyController::kDriveCount)) {
        return false;
    }
    for (int32_t index = 0; index < BkFloppyController::kDriveCount; ++index) {
        DriveSlot* slot = Drives()->DriveAt(DriveKind::Floppy, index);
        if (slot == nullptr || !controller->AddDrive(slot)) {
            return false;
        }
        slot->AddFileType(common::NarrowString("img"), common::NarrowString("Raw Disk Images"));
    }
    return controller->InstallRomHook();
}

bool Bk0010FloppyMachine::Start(int32_t& rate) {
    return Bk0010MachineBase::Start(rate) &&
           Memory()->SetPageMapping(MemoryMap::Access::ReadWrite, kFirstBoardPage, kBoardPages);
}

bool Bk0010FloppyMachine::AddRegisters(BkRegisterTable& table) {
    return Bk0010MachineBase::AddRegisters(table) && (controller == nullptr || BkFloppyController::AddRegisters(table));
}

Bk0010FddMachine::Bk0010FddMachine() : Bk0010FloppyMachine("BK-0010 + FDD") {
    modelIndex = kModelIndex;
}

Bk0010FddMachine::~Bk0010FddMachine() = default;

std::unique_ptr<Computer> Bk0010FddMachine::NewInstance() const {
    return std::make_unique<Bk0010FddMachine>();
}

BkRomSet Bk0010FddMachine::RomSet() const {
    return {kBk0010FddRoms};
}

} // namespace emu
