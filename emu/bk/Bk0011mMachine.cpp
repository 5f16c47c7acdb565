#include "emu/bk/Bk0011mMachine.h"

#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/bk/AySoundChip.h"
#include "emu/bk/BkBiosTracer.h"
#include "emu/bk/BkFloppyController.h"
#include "emu/bk/BkKeyboard.h"
#include "emu/bk/BkVideo.h"
#include "emu/bk/CovoxDac.h"
#include "emu/bk/TraceMenu.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/StateChunk.h"
#include "emu/core/UiTextId.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <cmath>
#include <cstring>

namespace emu {

namespace {

constexpr uint16_t kFloppyControl = 0177130;
constexpr uint16_t kScreenRegister = 0177662;
constexpr uint16_t kSoundPort = 0177714;

// The memory-map register.
constexpr uint16_t kMemoryMapWrite = 04000;
// A page code picks a RAM page.
constexpr std::array<int32_t, 8> kPageOfCode{1, 5, 2, 3, 4, 7, 0, 6};
// ROM bits in the order they win, and the bank each shows.
constexpr std::array<std::pair<uint16_t, int32_t>, 4> kRomBits{{{01, 0}, {02, 1}, {010, 2}, {020, 3}}};
constexpr std::array<const char*, 8> kRamPageNames{"\"Zero Page\"", "\"User Page\"",  "\"User Page\"",
                                                   "\"User Page\"", "\"User Page\"",  "\"Screen 0\"",
                                                   "\"Screen 1\"",  "\"System Page\""};
constexpr std::array<const char*, 4> kRomBankNames{"\"Basic\"", "\"Basic+BosExt\"", "\"Network\"", "\"External\""};

// The palette and screen register.
constexpr uint16_t kShowScreen1 = 0100000;
constexpr uint16_t kTimerInterruptOff = 040000;

// The sound port: a written word whose inverted low byte is below this selects an AY register.
constexpr uint8_t kFirstNonRegister = 14;

// SYSREG as the BK-0011M reads it: the write flag, bit 5 and the high byte kept, bit 6 the keyboard.
constexpr uint16_t kSysRegRead = 0177744;

// Pages: RAM everywhere, then the ROM area absent until the ROM set is loaded.
constexpr uint32_t kRomAreaFirst = 48;
constexpr uint32_t kRomAreaPages = 80;

// The AY's clock choices: the processor's clock * 3/7, then fixed ones.
struct ClockChoice {
    int32_t hz;
    const char* text;
};
constexpr std::array<ClockChoice, 4> kClockChoices{
    {{0, "CPU*3/7"}, {1500000, "6Mhz/4"}, {1714286, "12Mhz/7"}, {1777777, "16Mhz/9"}}};
constexpr double kCpuClockShare = 0.42857142857142855;

int64_t RoundHalfAway(double value) {
    return static_cast<int64_t>(value >= 0 ? std::floor(value + 0.5) : std::ceil(value - 0.5));
}

int32_t ClockOf(int32_t choice, int64_t cpuFrequency) {
    const auto index = static_cast<uint32_t>(choice) > 3 ? 0u : static_cast<uint32_t>(choice);
    return index == 0 ? static_cast<int32_t>(RoundHalfAway(static_cast<double>(cpuFrequency) * kCpuClockShare))
                      : kClockChoices[index].hz;
}

// The floppy driver at 0160000 of the BK-0011M line, the second name the BK-0010's driver.
constexpr BkRomImage kDriver{0160000, bk_rom::kRomSize, false,          RomMissing::FailsStart,
                             false,   "Floppy Driver",  "disk_327.rom", "disk_326.bin"};
constexpr BkRomImage kBk0011mRoms[] = {
    bk_rom::kBos,
    bk_rom::kBasic11,
    bk_rom::kBasic11Third,
    {0160000, bk_rom::kRomSize, false, RomMissing::FailsStart, false, "Tests and Diagnostic (MSTD)", "B11M_MSTD.ROM"},
    bk_rom::kExtended,
};
constexpr BkRomImage kBk0011mDriverRoms[] = {
    bk_rom::kBos,
    bk_rom::kBasic11,
    bk_rom::kBasic11Third,
    {kDriver.position, kDriver.size, false, RomMissing::StandIn, false, kDriver.title, kDriver.firstName,
     kDriver.secondName},
    bk_rom::kExtended,
};
constexpr BkRomImage kBk0011mFddRoms[] = {bk_rom::kBos, kDriver, bk_rom::kBasic11, bk_rom::kBasic11Third,
                                          bk_rom::kExtended};

// The machine a register row is given.
Bk0011mMachineBase& Of(BkMachine& machine) {
    return static_cast<Bk0011mMachineBase&>(machine);
}

} // namespace

Bk0011mMachineBase::Bk0011mMachineBase(const char* name) : BkMachine(name) {}

Bk0011mMachineBase::~Bk0011mMachineBase() = default;

int32_t Bk0011mMachineBase::PsgBaseFrequency(int32_t choice, int64_t cpuFrequency) {
    return 2 * ClockOf(choice, cpuFrequency);
}

// ---- Devices

bool Bk0011mMachineBase::CreateServices() {
    if (!BkMachine::CreateServices() || !Cpu()->SetFrequency(kCpuFrequency)) {
        return false;
    }
    Cpu()->SetStartWord(kStartWord);
    const auto screenPages = static_cast<int32_t>(kWindowPages);
    if (!Video()->SetIrq(static_cast<int32_t>(kFrameLine), true, false) ||
        !Video()->AddMemoryPages(0, static_cast<int32_t>(RamPageStart(kScreen1)), screenPages, true, true) ||
        !Video()->SetMemoryPageSize(0, screenPages, 0xFFFFFFFF) ||
        !Video()->AddMemoryPages(1, static_cast<int32_t>(RamPageStart(kScreen0)), screenPages, true, true) ||
        !Video()->SetMemoryPageSize(1, screenPages, 0xFFFFFFFF)) {
        return false;
    }
    auto chip = std::make_unique<AySoundChip>();
    psg = chip.get();
    if (!AddChild(std::move(chip), "AY-3-891x")) {
        psg = nullptr;
        return false;
    }
    return AddModelDevices() && AddBosTracer();
}

bool Bk0011mMachineBase::AddBinSlot() {
    DriveSlot* slot = Drives()->SetCartridgeCount(1) ? Drives()->DriveAt(DriveKind::Cartridge, 0) : nullptr;
    if (slot == nullptr) {
        return false;
    }
    slot->AddFileType(common::NarrowString("bin"), common::NarrowString("BK Binary Files"));
    slot->SetNames("Binary File", "BIN:");
    return true;
}

bool Bk0011mMachineBase::AddFloppyController() {
    auto controller = std::make_unique<BkFloppyController>();
    floppyController = controller.get();
    if (!AddChild(std::move(controller)) || !Drives()->SetFloppyCount(BkFloppyController::kDriveCount)) {
        floppyController = nullptr;
        return false;
    }
    for (int32_t index = 0; index < BkFloppyController::kDriveCount; ++index) {
        DriveSlot* slot = Drives()->DriveAt(DriveKind::Floppy, index);
        if (slot == nullptr) {
            return false;
        }
        slot->AddFileType(common::NarrowString("img"), common::NarrowString("Raw Disk Images"));
        if (!floppyController->AddDrive(slot)) {
            return false;
        }
    }
    return true;
}

// The tracer keeps its own name.
bool Bk0011mMachineBase::AddBosTracer() {
    auto tracer = std::make_unique<Bk0011mBosTracer>();
    BkBiosTracer* added = tracer.get();
    if (!AddChild(std::move(tracer))) {
        return false;
    }
    biosTracer = added;
    return true;
}

// ---- Start

bool Bk0011mMachineBase::Start(int32_t& rate) {
    MemoryMap* memory = Memory();
    if (memory == nullptr || !memory->Create(kMemorySize, 0177777, 0) ||
        !memory->SetPageAccess(true, 0, memory->PageCount()) || !BkMachine::Start(rate) || psg == nullptr ||
        !psg->SetBaseFrequency(PsgBaseFrequency(psgFrequency, Cpu()->Frequency())) ||
        !memory->SetPageMapping(MemoryMap::Access::ReadWrite, 0, kMemorySize / page::kSize) ||
        !memory->SetPageMapping(MemoryMap::Access::None, kRomAreaFirst, kRomAreaPages) || !LoadRomSet() ||
        !MapRegisterPage()) {
        return false;
    }
    MapWindows(-1, -1, -1);
    timerInterruptEnabled = false;
    covoxRun = 0;
    window1Page = window2Page = window2Bank = -1;
    // The screen register reads 0 at power-on: RAM page 5 is shown.
    Video()->SelectScreen(1);
    return BinHookPage() < 0 || (Drives()->DriveAt(DriveKind::Cartridge, 0) != nullptr && BindBinAutostart());
}

void Bk0011mMachineBase::MapWindows(int32_t page1, int32_t page2, int32_t bank) {
    MemoryMap& memory = *Memory();
    memory.RemapPages(kWindow1, RamPageStart(page1 >= 0 ? page1 : 1), kWindowPages);
    memory.RemapPages(kWindow2, bank >= 0 ? RomBankStart(bank) : RamPageStart(page2 >= 0 ? page2 : 0), kWindowPages);
}

bool Bk0011mMachineBase::ResetDevices(bool enabledOnly) {
    const bool reset = BkMachine::ResetDevices(enabledOnly);
    if (static_cast<uint32_t>(psgFrequency) > 3) {
        psgFrequency = 0;
        return false;
    }
    return reset;
}

// ---- Register page

bool Bk0011mMachineBase::AddRegisters(BkRegisterTable& table) {
    if (!BkMachine::AddRegisters(table)) {
        return false;
    }
    if (floppyController != nullptr) {
        if (!BkFloppyController::AddRegisters(table)) {
            return false;
        }
    } else if (!table.Add({kFloppyControl, 2, nullptr, [](BkMachine&, uint16_t, RegisterAccess, uint16_t) {}})) {
        return false;
    }
    return table.Add({
        // The palette and screen register takes words and its high byte; it reads as the keyboard's data.
        {kScreenRegister, 2, nullptr,
         [](BkMachine& machine, uint16_t, RegisterAccess access, uint16_t value) {
             if (access == RegisterAccess::Word) {
                 Of(machine).WriteScreenRegister(value);
             } else if (access == RegisterAccess::OddByte) {
                 Of(machine).WriteScreenRegister(static_cast<uint16_t>(value << 8));
             }
         }},
        {kSoundPort, 1, nullptr,
         [](BkMachine& machine, uint16_t, RegisterAccess access, uint16_t value) {
             if (access == RegisterAccess::Word) {
                 Of(machine).WriteSoundPortWord(value);
             } else {
                 Of(machine).WriteSoundPortByte(static_cast<uint8_t>(value));
             }
         }},
        {kSysReg, 2,
         [](BkMachine& machine, uint16_t address, RegisterAccess access, bool peek) {
             return Of(machine).ReadSysReg(address, access, peek);
         },
         [](BkMachine& machine, uint16_t address, RegisterAccess access, uint16_t value) {
             // A byte written to the odd address is the high byte of the register.
             const auto asWord = static_cast<uint16_t>(access == RegisterAccess::OddByte ? value << 8 : value);
             if ((asWord & kMemoryMapWrite) != 0) {
                 Of(machine).WriteMemoryMap(asWord);
             } else {
                 Of(machine).WriteSystemRegister(address, access, value);
             }
         }},
    });
}

void Bk0011mMachineBase::WriteScreenRegister(uint16_t value) {
    Video()->SelectScreen((value & kShowScreen1) != 0 ? 0 : 1);
    Video()->SelectPalette(value >> 8);
    timerInterruptEnabled = (value & kTimerInterruptOff) == 0;
}

void Bk0011mMachineBase::WriteCovox(uint8_t value) const {
    if (value != Covox()->LastValue()) {
        Covox()->WriteSample(value);
    }
}

// The port carries the AY's register index in inverted words and its data in inverted bytes; Covox programs
// write plain words, which the Covox takes. After a long run of words that select no register, the bytes are the
// Covox's too and the AY falls silent.
void Bk0011mMachineBase::WriteSoundPortWord(uint16_t value) {
    const auto inverted = static_cast<uint8_t>(~value);
    if (inverted < kFirstNonRegister) {
        if (!psg->DataWritten() || !psg->SoundEnabled()) {
            WriteCovox(inverted);
        }
        psg->WriteIndex(inverted);
        covoxRun = 0;
        return;
    }
    if (covoxRun < kCovoxRun) {
        ++covoxRun;
    } else {
        psg->SetPortMuted(Covox()->SoundEnabled());
    }
    WriteCovox(inverted);
}

void Bk0011mMachineBase::WriteSoundPortByte(uint8_t value) {
    const auto inverted = static_cast<uint8_t>(~value);
    psg->SetPortMuted(false);
    if (!psg->SoundEnabled() || (covoxRun >= kCovoxRun && Covox()->SoundEnabled())) {
        WriteCovox(inverted);
    } else {
        psg->WriteData(inverted);
    }
}

void Bk0011mMachineBase::WriteMemoryMap(uint16_t value) {
    const int32_t page1 = kPageOfCode[value >> 12 & 7];
    const int32_t page2 = kPageOfCode[value >> 8 & 7];
    int32_t bank = -1;
    for (const auto& [bit, romBank] : kRomBits) {
        if ((value & bit) != 0) {
            bank = romBank;
            break;
        }
    }
    const bool rom = bank >= 0;
    if (TraceCheckBreak(traceWriteMemMapReg, breakWriteMemMapReg,
                        ">MEMMAPReg = %.6lo ([040000]=RAM%ld %s, [0100000]=%s%ld %s) at %.6lo", value, page1,
                        kRamPageNames[static_cast<size_t>(page1)], rom ? "ROM" : "RAM", rom ? bank : page2,
                        rom ? kRomBankNames[static_cast<size_t>(bank)] : kRamPageNames[static_cast<size_t>(page2)],
                        Cpu()->GetPC()) != 0) {
        return;
    }
    MapWindows(page1, page2, bank);
    window1Page = page1;
    window2Page = page2;
    window2Bank = bank;
}

uint16_t Bk0011mMachineBase::ReadSysReg(uint16_t, RegisterAccess access, bool peek) const {
    const uint16_t sel1 = Cpu()->Sel1();
    if (access == RegisterAccess::OddByte) {
        return sel1 >> 8;
    }
    auto result = static_cast<uint16_t>(sel1 & kSysRegRead & ~kSysRegKeyUp);
    if (Keyboard()->HeldKey() < 1) {
        result |= kSysRegKeyUp;
    }
    if (!peek) {
        Cpu()->SetSel1(static_cast<uint16_t>(sel1 & ~kSysRegWriteFlag));
    }
    return result;
}

// ---- Settings and menus

bool Bk0011mMachineBase::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr) {
        if (common::BoundValue* value = settings->BindPlaceholder(common::NarrowString("PSGFreq"))) {
            value->Bind(&psgFrequency);
        }
        settings->BindBool(common::NarrowString("LoadMSTD"), &loadMstd);
        if (!enabledOnly) {
            settings->BindBool(common::NarrowString("TraceWriteMemMapReg"), &traceWriteMemMapReg);
            settings->BindBool(common::NarrowString("BreakWriteMemMapReg"), &breakWriteMemMapReg);
        }
    }
    return BkMachine::ExchangeSettings(settings, enabledOnly);
}

void Bk0011mMachineBase::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    if (item == nullptr) {
        BkMachine::FillSettingsTree(item, kind);
        return;
    }
    if (kind == OptionKind::Trace) {
        FillTraceMenu(item);
    } else if (kind == OptionKind::Computer && OffersTestsRom()) {
        item->AddToggleItem(common::NarrowString("Load MSTD ROM file"), &loadMstd, true, nullptr, false);
    }
    BkMachine::FillSettingsTree(item, kind);
    if (kind != OptionKind::Sound || psg == nullptr) {
        return;
    }
    common::OptionNode* chipMenu = nullptr;
    for (int32_t index = 0; index < item->ChildCount() && chipMenu == nullptr; ++index) {
        if (item->ChildAt(index)->Text().Compare(psg->Name()) == 0) {
            chipMenu = item->ChildAt(index);
        }
    }
    if (chipMenu == nullptr) {
        return;
    }
    chipMenu->AddSeparator();
    common::OptionNode* clock = chipMenu->AddItemById(text::kChipFrequency);
    if (clock == nullptr) {
        return;
    }
    chipMenu->AddCheckedLink(clock, true);
    for (int32_t choice = 0; choice < static_cast<int32_t>(kClockChoices.size()); ++choice) {
        common::NarrowString text;
        text.Format("%ld Hz (%s)", ClockOf(choice, Cpu() != nullptr ? Cpu()->Frequency() : kCpuFrequency),
                    kClockChoices[static_cast<size_t>(choice)].text);
        clock->AddRadioItem(text, &psgFrequency, choice, &running, false);
    }
}

// "Motherboard": the system register's four switch arrays, whose elements 0-8 the devices own.
void Bk0011mMachineBase::FillTraceMenu(common::OptionNode* item) {
    common::OptionNode* board = item->AddItem(common::NarrowString("Motherboard"));
    if (board == nullptr) {
        return;
    }
    const auto all = [](std::array<bool, 10>& flags) {
        std::array<TraceFlag, 10> items{};
        for (size_t index = 0; index < flags.size(); ++index) {
            items[index] = {"", &flags[index]};
        }
        return items;
    };
    const auto submenu = [&](const char* title, std::array<bool, 10>& flags) {
        common::OptionNode* sub = board->AddItem(common::NarrowString(title));
        if (sub == nullptr) {
            return;
        }
        board->AddCheckedLink(sub, true);
        const TraceFlag unknown{"177600..177777 - Unknown (all other)", &flags[9]};
        AddLinkedFlags(sub, std::span<const TraceFlag>(&unknown, 1));
        sub->AddSeparator();
        AddSetButton(sub, "Select All", all(flags), true);
        AddSetButton(sub, "Clear All", all(flags), false);
    };
    std::vector<TraceFlag> traces;
    std::vector<TraceFlag> breaks;
    for (std::array<bool, 10>* flags : {&traceWriteSysReg, &traceReadSysReg}) {
        const std::array<TraceFlag, 10> each = all(*flags);
        traces.insert(traces.end(), each.begin(), each.end());
    }
    for (std::array<bool, 10>* flags : {&breakWriteSysReg, &breakReadSysReg}) {
        const std::array<TraceFlag, 10> each = all(*flags);
        breaks.insert(breaks.end(), each.begin(), each.end());
    }
    std::vector<TraceFlag> everything(traces);
    everything.insert(everything.end(), breaks.begin(), breaks.end());
    submenu("Trace Write Registers", traceWriteSysReg);
    submenu("Trace Read Registers", traceReadSysReg);
    AddSetButton(board, "Trace All", traces, true);
    board->AddSeparator();
    submenu("Break On Write Registers", breakWriteSysReg);
    submenu("Break On Read Registers", breakReadSysReg);
    AddSetButton(board, "Break On All", breaks, true);
    board->AddSeparator();
    AddSetButton(board, "Select All", everything, true);
    AddSetButton(board, "Clear All", everything, false);
}

// ---- State

bool Bk0011mMachineBase::SaveModelState(common::RecordArchive& archive) {
    return WriteVersion(archive, "VER") &&
           archive.WriteRecordBool(timerInterruptEnabled, common::NarrowString("TMRE")) &&
           archive.WriteRecordI32(covoxRun, common::NarrowString("LCOV")) &&
           archive.WriteRecordI32(window1Page, common::NarrowString("IDX1")) &&
           archive.WriteRecordI32(window2Page, common::NarrowString("IDX2")) &&
           archive.WriteRecordI32(window2Bank, common::NarrowString("IDX3"));
}

bool Bk0011mMachineBase::ReadModelState(common::RecordArchive& archive) {
    Saved saved;
    if (!ReadVersion(archive, "VER") ||
        !archive.ReadRecordBool(saved.timerInterruptEnabled, common::NarrowString("TMRE")) ||
        !archive.ReadRecordI32(saved.covoxRun, common::NarrowString("LCOV")) ||
        !archive.ReadRecordI32(saved.window1Page, common::NarrowString("IDX1")) ||
        !archive.ReadRecordI32(saved.window2Page, common::NarrowString("IDX2")) ||
        !archive.ReadRecordI32(saved.window2Bank, common::NarrowString("IDX3"))) {
        return false;
    }
    const auto inRange = [](int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; };
    if (!inRange(saved.covoxRun, 0, kCovoxRun) || !inRange(saved.window1Page, -1, kRamPageCount - 1) ||
        !inRange(saved.window2Page, -1, kRamPageCount - 1) || !inRange(saved.window2Bank, -1, kRomBankCount - 1)) {
        return false;
    }
    loaded = saved;
    return true;
}

void Bk0011mMachineBase::ApplyModelState() {
    timerInterruptEnabled = loaded.timerInterruptEnabled;
    covoxRun = loaded.covoxRun;
    window1Page = loaded.window1Page;
    window2Page = loaded.window2Page;
    window2Bank = loaded.window2Bank;
    if (Memory() != nullptr && Memory()->PageCount() >= kMemorySize / page::kSize) {
        MapWindows(window1Page, window2Page, window2Bank);
    }
}

// ---- Models

Bk0011mMachine::Bk0011mMachine() : Bk0011mMachineBase("BK-0011M") {
    modelIndex = kModelIndex;
}

Bk0011mMachine::~Bk0011mMachine() = default;

std::unique_ptr<Computer> Bk0011mMachine::NewInstance() const {
    return std::make_unique<Bk0011mMachine>();
}

BkRomSet Bk0011mMachine::RomSet() const {
    return {LoadMSTD() ? std::span<const BkRomImage>(kBk0011mRoms) : std::span<const BkRomImage>(kBk0011mDriverRoms),
            bk_rom::kBk0011RomAreaStart, bk_rom::kBk0011RomAreaEnd};
}

Bk0011mFddMachine::Bk0011mFddMachine() : Bk0011mMachineBase("BK-0011M + FDD") {
    modelIndex = kModelIndex;
}

Bk0011mFddMachine::~Bk0011mFddMachine() = default;

std::unique_ptr<Computer> Bk0011mFddMachine::NewInstance() const {
    return std::make_unique<Bk0011mFddMachine>();
}

bool Bk0011mFddMachine::CreateServices() {
    return Bk0011mMachineBase::CreateServices() && FloppyController()->InstallRomHook();
}

BkRomSet Bk0011mFddMachine::RomSet() const {
    return {kBk0011mFddRoms, bk_rom::kBk0011RomAreaStart, bk_rom::kBk0011RomAreaEnd};
}

} // namespace emu
