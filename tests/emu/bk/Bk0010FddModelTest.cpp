// "BK-0010 + FDD": its device set and slots, its memory map and register dispatch, and a boot through the real
// floppy ROM that reads a test disk's boot program and writes a block back to the image file.
#include "emu/bk/Bk0010FloppyMachine.h"

#include "FloppyRun.h"
#include "common/BasicOptionNode.h"
#include "common/SettingsTree.h"
#include "emu/bk/BkFloppyController.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"
#include "support/StateBytes.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

using test_support::BkModelRun;

Bk0010FloppyMachine& FloppyMachineOf(const BkModelRun& run) {
    return dynamic_cast<Bk0010FloppyMachine&>(run.Machine());
}

void Mount(const BkModelRun& run, const test_support::TemporaryFolder& folder, int32_t index,
           const std::string& content) {
    const std::u16string name = index == 0 ? u"a.img" : u"b.img";
    ASSERT_TRUE(run.Machine()
                    .Drives()
                    ->DriveAt(DriveKind::Floppy, index)
                    ->OpenImage(common::PathString(folder.WriteFile(name, content).c_str())));
}

TEST(Bk0010FddModelTest, TheModelHasTwoFloppySlotsAndNoBinSlot) {
    const Bk0010FddMachine prototype;
    EXPECT_STREQ(prototype.Name().GetNarrow(), "BK-0010 + FDD");
    EXPECT_STREQ(prototype.ModelId(), "bk_10_fd");
    EXPECT_STREQ(prototype.FamilyId(), "bk_0010");
    EXPECT_EQ(prototype.ModelIndex(), Bk0010FddMachine::kModelIndex);
    EXPECT_FALSE(prototype.UsesSyncFrequency());
    const std::unique_ptr<Computer> made = prototype.NewInstance();
    auto* machine = dynamic_cast<Bk0010FddMachine*>(made.get());
    ASSERT_NE(machine, nullptr);
    ASSERT_TRUE(machine->CreateServices());
    EXPECT_EQ(machine->Drives()->Count(DriveKind::Floppy), 2);
    EXPECT_EQ(machine->Drives()->Count(DriveKind::Cartridge), 0);
    for (int32_t index = 0; index < 2; ++index) {
        const DriveSlot* slot = machine->Drives()->DriveAt(DriveKind::Floppy, index);
        ASSERT_EQ(slot->FileTypeCount(), 1);
        common::NarrowString extension;
        common::NarrowString description;
        ASSERT_TRUE(slot->GetFileType(0, extension, description));
        EXPECT_STREQ(extension.GetNarrow(), "img");
        EXPECT_STREQ(description.GetNarrow(), "Raw Disk Images");
    }
    BkFloppyController* controller = machine->FloppyController();
    ASSERT_NE(controller, nullptr);
    EXPECT_STREQ(controller->Name().GetNarrow(), "FDC BK");
    EXPECT_EQ(controller->DriveCount(), 2);
    EXPECT_NE(controller->Params().Find("ROM_BK0010"), nullptr);
    EXPECT_EQ(machine->Cpu()->Frequency(), 3000000);

    common::BasicOptionNode debug;
    machine->FillSettingsTree(&debug, OptionKind::Break);
    for (int32_t index = 0; index < debug.ChildCount(); ++index) {
        EXPECT_NE(debug.ChildAt(index)->Text().GetNarrow(), std::string("Break On BIN Start"));
    }
}

// Synthetic ROMs: the memory map and the register dispatch, without running the firmware.
TEST(Bk0010FddModelTest, BoardRamRomAndTheControllersRegisters) {
    test_support::TemporaryFolder roms;
    roms.WriteFile(u"monit10.rom", std::string(8192, 'm'));
    roms.WriteFile(u"disk_327.rom", std::string(4096, 'd'));
    const Bk0010FddMachine prototype;
    BkModelRun run(prototype, roms.Path().u16string());
    test_support::TemporaryFolder disks;
    Mount(run, disks, 0, RawImage(kFullImage));
    ASSERT_TRUE(run.PowerOn());
    MemoryMap& memory = *run.Machine().Memory();
    for (const uint32_t address : {0120000u, 0140000u, 0157776u}) {
        memory.WriteWord(address, 012345);
        EXPECT_EQ(memory.ReadWord(address, 0), 012345) << std::oct << address;
    }
    EXPECT_EQ(memory.ReadWord(0160000, 0), 'd' | 'd' << 8);
    memory.WriteWord(0160000, 0);
    EXPECT_EQ(memory.ReadWord(0160000, 0), 'd' | 'd' << 8) << "the driver ROM is read only";

    const BkFloppyController& controller = *FloppyMachineOf(run).FloppyController();
    memory.WriteWord(0177131, 0x0011);
    EXPECT_EQ(controller.Control(), 0x0011) << "a word write to the odd address is the word's";
    EXPECT_EQ(controller.SelectedIndex(), 0);
    EXPECT_EQ(memory.ReadWord(0177130, 0), 0x4083);
    EXPECT_EQ(memory.ReadWord(0177132, 0), 0x4E4E);
    EXPECT_EQ(memory.ReadByte(0177131, 0), 0x40);
    EXPECT_EQ(memory.ReadWord(0177716, 1) & 0100000, 0100000) << "the family's registers are still there";
    EXPECT_TRUE(run.Lines("[ERROR]").empty());
}

// A saved machine goes on in a fresh one: the selection and the track position, and the sector routine's hook,
// which the fresh machine's start bound.
TEST(Bk0010FddModelTest, AStateGoesOnInAFreshMachine) {
    test_support::TemporaryFolder roms;
    roms.WriteFile(u"monit10.rom", std::string(8192, 'm'));
    roms.WriteFile(u"disk_327.rom", std::string(4096, 'd'));
    const Bk0010FddMachine prototype;
    test_support::TemporaryFolder disks;
    const std::string image = RawImage(kFullImage);
    BkModelRun saved(prototype, roms.Path().u16string());
    Mount(saved, disks, 0, image);
    ASSERT_TRUE(saved.PowerOn());
    MemoryMap& memory = *saved.Machine().Memory();
    memory.WriteWord(0177130, 0x0011);
    memory.WriteWord(0177130, 0x00D1);
    for (int32_t word = 0; word < 30; ++word) {
        memory.ReadWord(0177132, 0);
    }
    const test_support::Bytes state = test_support::SavedState(saved.Machine());

    test_support::TemporaryFolder otherDisks;
    BkModelRun loaded(prototype, roms.Path().u16string());
    Mount(loaded, otherDisks, 0, image);
    ASSERT_TRUE(loaded.PowerOn());
    ASSERT_TRUE(test_support::LoadState(loaded.Machine(), state));
    const BkFloppyController& controller = *FloppyMachineOf(loaded).FloppyController();
    EXPECT_EQ(controller.SelectedIndex(), 0);
    EXPECT_EQ(controller.TrackPosition(), 30);
    EXPECT_EQ(loaded.Machine().Memory()->ReadWord(0177132, 0), memory.ReadWord(0177132, 0));

    // A call of the sector routine reads sector 1 of cylinder 1 to 010000.
    MemoryMap& fresh = *loaded.Machine().Memory();
    fresh.WriteWord(01000, 0004737);
    fresh.WriteWord(01002, BkFloppyController::kDriverEntry);
    fresh.WriteWord(01004, 0000777);
    fresh.WriteWord(02000 + 22, 010000);
    fresh.WriteWord(02000 + 24, 256);
    fresh.WriteWord(02000 + 26, 1 << 8);
    fresh.WriteWord(02000 + 28, 1 << 8);
    // Nothing has run yet: no instruction is parked that would take the PC back.
    Cpu1801BM1& cpu = *loaded.Machine().Cpu();
    cpu.SetRegister(3, 02000);
    cpu.SetRegister(6, 01000);
    cpu.SetRegister(7, 01000);
    for (int32_t step = 0; step < 10 && cpu.Register(7) != 01004; ++step) {
        cpu.Execute(0);
    }
    EXPECT_EQ(cpu.Register(7), 01004);
    EXPECT_EQ(fresh.ReadWord(010000, 1), PatternByte(1, 0, 0, 0) | PatternByte(1, 0, 0, 1) << 8);
    EXPECT_EQ(fresh.ReadWord(010004, 1), PatternByte(1, 0, 0, 4) | PatternByte(1, 0, 0, 5) << 8);
}

// The boot sector: the floppy ROM loads block 0 at 01000 and calls it when it begins with NOP. It writes a copy of
// itself to block 2 through the ROM's block entry and, when that reports success, leaves a marker.
constexpr uint16_t kMarkerAddress = 03000;
constexpr uint16_t kMarker = 052525;

std::string BootSector() {
    const std::vector<uint16_t> program = {
        0000240,                          // NOP: the boot signature
        0012700, 2,                       // MOV #2, R0: block 2
        0012701, 0177400,                 // MOV #-256., R1: write 256 words
        0012702, 01000,                   // MOV #1000, R2: from here
        0004737, 0160004,                 // JSR PC, @#160004
        0103403,                          // BCS stop
        0012737, kMarker, kMarkerAddress, // MOV #marker, @#3000
        0000777,                          // stop: BR .
    };
    std::string sector(kSectorBytes, '\0');
    for (size_t index = 0; index < program.size(); ++index) {
        sector[2 * index] = static_cast<char>(program[index]);
        sector[2 * index + 1] = static_cast<char>(program[index] >> 8);
    }
    return sector;
}

TEST(Bk0010FddModelTest, TheRealFloppyRomBootsATestDiskThatWritesBack) {
    const std::optional<std::u16string> roms = BkModelRun::RealRomFolder();
    if (!roms) {
        GTEST_SKIP() << "BK_ROM_DIR is not set";
    }
    const Bk0010FddMachine prototype;
    BkModelRun run(prototype, *roms);
    test_support::TemporaryFolder disks;
    std::string image = RawImage(kFullImage);
    image.replace(0, kSectorBytes, BootSector());
    Mount(run, disks, 0, image);
    ASSERT_TRUE(run.PowerOn());
    common::SettingsTree settings;
    ASSERT_TRUE(FloppyMachineOf(run).FloppyController()->ExchangeSettings(&settings, false));
    for (const char* key : {"TraceReadSectors", "TraceWriteSectors"}) {
        ASSERT_TRUE(settings.FindValue(common::NarrowString(key))->SetBool(true));
    }
    run.RunFrames(100);
    EXPECT_TRUE(run.Lines("[ERROR]").empty());
    EXPECT_NE(run.Machine().Memory()->ReadWord(kMarkerAddress, 1), kMarker);

    // At the monitor's prompt, into the floppy ROM's boot.
    // An instruction parked for lack of cycles would take the PC back: it runs first.
    run.Machine().Cpu()->Execute(0);
    run.Machine().Cpu()->SetRegister(7, 0160000);
    run.RunFrames(50);
    EXPECT_EQ(run.Machine().Memory()->ReadWord(kMarkerAddress, 1), kMarker) << run.Describe("FddBoot");
    EXPECT_EQ(run.Machine().Memory()->ReadWord(01000, 1), 0000240);
    std::string expected = image;
    expected.replace(2 * kSectorBytes, kSectorBytes, BootSector());
    EXPECT_TRUE(SameBytes(disks.ReadFile(u"a.img"), expected)) << "the image file holds the block";
    const std::vector<std::string> sectors = {
        "[FDC] Read Sectors (Drive=0, Track=0, Head=0, Sector=1, Bytes=512) to [001000]",
        "[FDC] Write Sectors (Drive=0, Track=0, Head=0, Sector=3, Bytes=512) from [001000]",
    };
    EXPECT_EQ(run.Lines("[FDC]"), sectors) << "both through the fast path";
}

} // namespace
} // namespace emu
