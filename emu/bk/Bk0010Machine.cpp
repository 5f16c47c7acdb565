#include "emu/bk/Bk0010Machine.h"

#include "emu/bk/BkBiosTracer.h"
#include "emu/bk/BkVideo.h"
#include "emu/core/DriveSet.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"

namespace emu {

namespace {

constexpr uint32_t kRamPages = 32;
constexpr uint32_t kUpperPages = 32;

constexpr BkRomImage kBk0010Roms[] = {
    bk_rom::kMonitor,
    {0120000, bk_rom::kRomSize, false, RomMissing::StandInReadOnly, false, "FOCAL Language", "Focal.rom"},
    // Without the tests their pages stay absent; the register page serves the top kilobyte.
    {0160000, bk_rom::kRomSize, false, RomMissing::LeftAbsent, false, "System Tests", "Tests.rom"},
};

constexpr BkRomImage kBk0010_01Roms[] = {
    bk_rom::kMonitor,
    {0120000, bk_rom::kRomSize, false, RomMissing::StandIn, false, "BASIC Language 1/3", "Basic10first.rom"},
    {0140000, bk_rom::kRomSize, false, RomMissing::FailsStart, true, "BASIC Language 2/3", "Basic10second.rom"},
    {0160000, bk_rom::kRomSize, false, RomMissing::FailsStart, true, "BASIC Language 3/3", "Basic10third.rom"},
};

} // namespace

// ---- BK-0010 line

Bk0010MachineBase::Bk0010MachineBase(const char* name) : BkMachine(name) {}

Bk0010MachineBase::~Bk0010MachineBase() = default;

bool Bk0010MachineBase::CreateServices() {
    if (!BkMachine::CreateServices() || !Cpu()->SetFrequency(kCpuFrequency)) {
        return false;
    }
    Cpu()->SetStartWord(kStartWord);
    if (!Video()->AddMemoryPages(0, kScreen / page::kSize, BkVideo::kScreenBytes / page::kSize, true, true) ||
        !Video()->SetMemoryPageSize(0, BkVideo::kScreenBytes / 1024, 0xFFFFFFFF)) {
        return false;
    }
    // The tracer keeps its own name.
    auto tracer = std::make_unique<Bk0010BiosTracer>();
    BkBiosTracer* added = tracer.get();
    if (!AddChild(std::move(tracer))) {
        return false;
    }
    biosTracer = added;
    return true;
}

bool Bk0010MachineBase::Start(int32_t& rate) {
    MemoryMap* memory = Memory();
    return memory != nullptr && memory->Create(kMemorySize, 0177777, 0) &&
           memory->SetPageAccess(true, 0, memory->PageCount()) && BkMachine::Start(rate) &&
           memory->SetPageMapping(MemoryMap::Access::ReadWrite, 0, kRamPages) &&
           memory->SetPageMapping(MemoryMap::Access::None, kRamPages, kUpperPages) && LoadRomSet() && MapRegisterPage();
}

// ---- Tape and BIN

Bk0010TapeMachine::Bk0010TapeMachine(const char* name) : Bk0010MachineBase(name) {}

Bk0010TapeMachine::~Bk0010TapeMachine() = default;

bool Bk0010TapeMachine::CreateServices() {
    if (!Bk0010MachineBase::CreateServices() || !Drives()->SetCartridgeCount(1)) {
        return false;
    }
    DriveSlot* slot = Drives()->DriveAt(DriveKind::Cartridge, 0);
    if (slot == nullptr) {
        return false;
    }
    slot->AddFileType(common::NarrowString("bin"), common::NarrowString("BK Binary Files"));
    slot->AddFileType(common::NarrowString("exe"), common::NarrowString("BK Binary Files"));
    slot->SetNames("Binary File", "BIN:");
    return true;
}

bool Bk0010TapeMachine::Start(int32_t& rate) {
    return Bk0010MachineBase::Start(rate) && Drives()->DriveAt(DriveKind::Cartridge, 0) != nullptr &&
           BindBinAutostart();
}

// ---- Models

Bk0010Machine::Bk0010Machine() : Bk0010TapeMachine("BK-0010") {
    modelIndex = kModelIndex;
}

Bk0010Machine::~Bk0010Machine() = default;

std::unique_ptr<Computer> Bk0010Machine::NewInstance() const {
    return std::make_unique<Bk0010Machine>();
}

BkRomSet Bk0010Machine::RomSet() const {
    return {kBk0010Roms};
}

Bk0010_01Machine::Bk0010_01Machine() : Bk0010TapeMachine("BK-0010.01") {
    modelIndex = kModelIndex;
}

Bk0010_01Machine::~Bk0010_01Machine() = default;

std::unique_ptr<Computer> Bk0010_01Machine::NewInstance() const {
    return std::make_unique<Bk0010_01Machine>();
}

BkRomSet Bk0010_01Machine::RomSet() const {
    return {kBk0010_01Roms};
}

} // namespace emu
