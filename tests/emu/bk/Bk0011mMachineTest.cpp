// The BK-0011M models on synthetic ROMs: their devices, the memory-map register and its windows, the palette and
// screen register, the shared sound port, SYSREG, the floppy ports, the state records, settings and menus.
#include "emu/bk/Bk0011mMachine.h"

#include "common/BasicOptionNode.h"
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/bk/AySoundChip.h"
#include "emu/bk/BkBiosTracer.h"
#include "emu/bk/BkFloppyController.h"
#include "emu/bk/BkKeyboard.h"
#include "emu/bk/BkVideo.h"
#include "emu/bk/CovoxDac.h"
#include "emu/core/DriveSet.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"
#include "support/StateBytes.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

// The bytes each synthetic ROM is filled with; the BOS starts with a branch to itself.
constexpr uint8_t kBasicFill = 0xA0;
constexpr uint8_t kBasicThirdFill = 0xA1;
constexpr uint8_t kExtendedFill = 0xE1;
constexpr uint8_t kTestsFill = 0xC5;
constexpr uint8_t kDriverFill = 0xD7;
constexpr uint16_t kMemoryMap = 0177716;

uint8_t RamMarker(int32_t ramPage) {
    return static_cast<uint8_t>(0x50 + ramPage);
}

// The ROM folder, the machine of a model on it powered on (its processor not run), and the RAM pages marked at
// their first byte.
struct Bk0011mRun {
    explicit Bk0011mRun(const Computer& prototype, bool withTests = true) {
        std::string bos(8192, '\xB0');
        bos[0] = '\377';
        bos[1] = '\001';
        folder.WriteFile(u"B11M_BOS.ROM", bos);
        folder.WriteFile(u"BAS11M_0.ROM", std::string(16384, static_cast<char>(kBasicFill)));
        folder.WriteFile(u"BAS11M_1.ROM", std::string(8192, static_cast<char>(kBasicThirdFill)));
        folder.WriteFile(u"B11M_EXT.ROM", std::string(8192, static_cast<char>(kExtendedFill)));
        folder.WriteFile(u"disk_327.rom", std::string(8192, static_cast<char>(kDriverFill)));
        if (withTests) {
            folder.WriteFile(u"B11M_MSTD.ROM", std::string(8192, static_cast<char>(kTestsFill)));
        }
        run = std::make_unique<test_support::BkModelRun>(prototype, folder.Path().u16string());
        machine = dynamic_cast<Bk0011mMachineBase*>(&run->Machine());
    }

    bool PowerOn() {
        if (!run->PowerOn()) {
            return false;
        }
        for (int32_t page = 0; page < Bk0011mMachineBase::kRamPageCount; ++page) {
            Ram(page)[0] = RamMarker(page);
        }
        return true;
    }
    // The storage of a RAM page: the screen pages are the video's.
    uint8_t* Ram(int32_t page) const {
        if (page == Bk0011mMachineBase::kScreen0 || page == Bk0011mMachineBase::kScreen1) {
            return machine->Video()->Page(page == Bk0011mMachineBase::kScreen0 ? 1 : 0)->Buffer();
        }
        return Memory().RamBase() + Bk0011mMachineBase::RamPageStart(page) * page::kSize;
    }
    MemoryMap& Memory() const { return *machine->Memory(); }
    uint8_t Peek(uint16_t address) const { return Memory().ReadByte(address, 1); }
    bool Trapped() const { return machine->Cpu()->PendingVector() == 4; }
    void Write(bool byte, uint16_t address, uint16_t value) const {
        if (byte) {
            Memory().WriteByte(address, static_cast<uint8_t>(value));
        } else {
            Memory().WriteWord(address, value);
        }
    }
    void SetSwitch(const char* key, bool on) const {
        common::SettingsTree settings;
        ASSERT_TRUE(machine->ExchangeSettings(&settings, false));
        ASSERT_TRUE(settings.FindValue(common::NarrowString(key))->SetBool(on));
    }

    test_support::TemporaryFolder folder;
    std::unique_ptr<test_support::BkModelRun> run;
    Bk0011mMachineBase* machine = nullptr;
};

TEST(Bk0011mMachineTest, ModelsNameThemselvesAndBuildTheirDevices) {
    const Bk0011mMachine model4;
    const Bk0011mFddMachine model5;
    for (const Bk0011mMachineBase* prototype :
         {static_cast<const Bk0011mMachineBase*>(&model4), static_cast<const Bk0011mMachineBase*>(&model5)}) {
        const bool fdd = prototype == &model5;
        SCOPED_TRACE(prototype->Name().View());
        EXPECT_EQ(prototype->Name().View(), fdd ? "BK-0011M + FDD" : "BK-0011M");
        EXPECT_STREQ(prototype->ModelId(), fdd ? "bk_11m_f" : "bk_11m");
        EXPECT_STREQ(prototype->FamilyId(), "bk_0011");
        EXPECT_EQ(prototype->ModelIndex(), fdd ? 5u : 4u);
        Bk0011mRun run(*prototype);
        Bk0011mMachineBase& machine = *run.machine;
        EXPECT_EQ(typeid(machine), typeid(*prototype));
        EXPECT_EQ(machine.Cpu()->Frequency(), 4096000);
        EXPECT_EQ(machine.Cpu()->StartWord(), 0140000);
        ASSERT_NE(machine.Psg(), nullptr);
        EXPECT_EQ(machine.Psg()->Name().View(), "AY-3-891x");
        EXPECT_EQ(machine.FloppyController() != nullptr, fdd);
        ASSERT_NE(machine.BiosTracer(), nullptr);
        EXPECT_TRUE(machine.BiosTracer()->IsBos());
        EXPECT_EQ(machine.BinHookPage(), fdd ? -1 : 56);
        EXPECT_EQ(machine.Drives()->DriveAt(DriveKind::Cartridge, 0) != nullptr, !fdd);
        EXPECT_EQ(machine.Drives()->DriveAt(DriveKind::Floppy, 1) != nullptr, fdd);
        ASSERT_TRUE(run.PowerOn());
        EXPECT_TRUE(run.run->Lines("[ERROR]").empty());
        EXPECT_EQ(machine.Psg()->BaseFrequency(), 219429);
        EXPECT_EQ(run.Peek(0160000), fdd ? kDriverFill : kTestsFill);
        // After the start window 1 shows RAM page 1, window 2 RAM page 0.
        EXPECT_EQ(run.Peek(040000), RamMarker(1));
        EXPECT_EQ(run.Peek(0100000), RamMarker(0));
        EXPECT_EQ(std::vector<int32_t>({machine.Window1Page(), machine.Window2Page(), machine.Window2Bank()}),
                  std::vector<int32_t>({-1, -1, -1}));
        EXPECT_EQ(machine.Video()->CurrentPage(), 1) << "RAM page 5 shown";
    }
}

TEST(Bk0011mMachineTest, TheMemoryMapRegisterSwitchesTheWindows) {
    struct Case {
        const char* what;
        bool byte;
        uint16_t address;
        uint16_t value;
        std::vector<int32_t> indices;
        uint8_t window1;
        uint8_t window2;
        bool window2Traps;
    };
    const auto page = [](int32_t p) { return RamMarker(p); };
    std::vector<Case> cases{
        {"07000: RAM pages 1 and 0", false, kMemoryMap, 07000, {1, 0, -1}, page(1), page(0), false},
        {"04003: bank 0 before bank 1", false, kMemoryMap, 04003, {1, 1, 0}, page(1), kBasicFill, false},
        {"byte 010 to 0177717: 04000", true, kMemoryMap + 1, 010, {1, 1, -1}, page(1), page(1), false},
        {"04002: bank 1", false, kMemoryMap, 04002, {1, 1, 1}, page(1), kBasicThirdFill, false},
        {"04032: bank 1 before 2 and 3", false, kMemoryMap, 04032, {1, 1, 1}, page(1), kBasicThirdFill, false},
        {"04010: bank 2, absent", false, kMemoryMap, 04010, {1, 1, 2}, page(1), 0xFF, true},
        {"04020: bank 3, absent", false, kMemoryMap, 04020, {1, 1, 3}, page(1), 0xFF, true},
        {"bit 11 clear: SYSREG", false, kMemoryMap, 03400, {-1, -1, -1}, page(1), page(0), false},
    };
    for (int32_t code = 0; code < 8; ++code) {
        const int32_t ramPage = std::vector<int32_t>{1, 5, 2, 3, 4, 7, 0, 6}[static_cast<size_t>(code)];
        cases.push_back({"code",
                         false,
                         kMemoryMap,
                         static_cast<uint16_t>(code << 12 | code << 8 | 04000),
                         {ramPage, ramPage, -1},
                         page(ramPage),
                         page(ramPage),
                         false});
    }
    const Bk0011mMachine prototype;
    for (const Case& each : cases) {
        SCOPED_TRACE(std::string(each.what) + " " + std::to_string(each.value));
        Bk0011mRun run(prototype);
        ASSERT_TRUE(run.PowerOn());
        run.Write(each.byte, each.address, each.value);
        Bk0011mMachineBase& machine = *run.machine;
        EXPECT_EQ(std::vector<int32_t>({machine.Window1Page(), machine.Window2Page(), machine.Window2Bank()}),
                  each.indices);
        EXPECT_EQ(run.Peek(040000), each.window1);
        EXPECT_EQ(run.Peek(0100000), each.window2);
        EXPECT_FALSE(run.Trapped());
        run.Memory().ReadByte(0100000, 0);
        EXPECT_EQ(run.Trapped(), each.window2Traps) << "a read of window 2";
    }
}

TEST(Bk0011mMachineTest, AWriteIntoAWindowShowingRomTrapsAndChangesNothing) {
    const Bk0011mMachine prototype;
    Bk0011mRun run(prototype);
    ASSERT_TRUE(run.PowerOn());
    run.Memory().WriteWord(kMemoryMap, 04001);
    run.Memory().WriteByte(0100001, 0x12);
    EXPECT_TRUE(run.Trapped());
    EXPECT_EQ(run.Peek(0100001), kBasicFill);
    EXPECT_EQ(run.Ram(0)[1], 0);
}

// Window pages in place for the processor where they show RAM or ROM; the screen views go through the map.
TEST(Bk0011mMachineTest, RemappedWindowsStayOnTheProcessorsFastPath) {
    struct Case {
        uint16_t value;
        bool window1Reads;
        bool window1Writes;
        bool window2Reads;
        bool window2Writes;
    };
    const std::vector<Case> cases{
        {07000, true, true, true, true},      // RAM pages 1 and 0
        {04001, true, true, true, false},     // ROM bank 0
        {04010, true, true, false, false},    // absent bank 2
        {014000, false, false, true, true},   // RAM page 5 (a screen) in window 1, RAM page 1 in window 2
        {074400, false, false, false, false}, // screens 6 and 5
    };
    const Bk0011mMachine prototype;
    Bk0011mRun run(prototype);
    ASSERT_TRUE(run.PowerOn());
    for (const Case& each : cases) {
        SCOPED_TRACE(each.value);
        run.Memory().WriteWord(kMemoryMap, each.value);
        const PageTable& table = run.Memory().Pages();
        for (uint32_t offset = 0; offset < Bk0011mMachineBase::kWindowPages; ++offset) {
            EXPECT_EQ(table.pages[Bk0011mMachineBase::kWindow1 + offset].ReadsInPlace(), each.window1Reads);
            EXPECT_EQ(table.pages[Bk0011mMachineBase::kWindow1 + offset].WritesInPlace(), each.window1Writes);
            EXPECT_EQ(table.pages[Bk0011mMachineBase::kWindow2 + offset].FetchesInPlace(), each.window2Reads);
            EXPECT_EQ(table.pages[Bk0011mMachineBase::kWindow2 + offset].WritesInPlace(), each.window2Writes);
        }
    }
    // A screen written through a window reaches the video's memory.
    run.Memory().WriteWord(kMemoryMap, 014000);
    run.Memory().WriteByte(040002, 0x77);
    EXPECT_EQ(run.Ram(5)[2], 0x77);
}

// Every switch, the first time and again later, shows the chosen RAM page or ROM bank in each window as the bank's
// own pages show it: the same bytes through the map, the same in-place bytes for the processor, and writes through
// a RAM window reach the page.
TEST(Bk0011mMachineTest, EverySwitchShowsTheBanksAsTheirOwnPagesDo) {
    const std::vector<int32_t> pageOfCode{1, 5, 2, 3, 4, 7, 0, 6};
    const std::vector<std::pair<uint16_t, int32_t>> romChoices{{0, -1}, {01, 0}, {02, 1}, {010, 2}, {020, 3}, {03, 0}};
    const Bk0011mMachine prototype;
    Bk0011mRun run(prototype);
    ASSERT_TRUE(run.PowerOn());
    MemoryMap& memory = run.Memory();
    for (int32_t ramPage = 0; ramPage < Bk0011mMachineBase::kRamPageCount; ++ramPage) {
        for (uint32_t offset = 0; offset < Bk0011mMachineBase::kWindowPages * page::kSize; ++offset) {
            run.Ram(ramPage)[offset] = static_cast<uint8_t>(ramPage * 37 + offset * 7 + (offset >> 10));
        }
    }
    // A window page against the bank page it shows: both as the processor reaches them and through the map.
    const auto compare = [&](uint32_t windowPage, uint32_t bankPage, bool writable) {
        SCOPED_TRACE("window page " + std::to_string(windowPage) + " bank page " + std::to_string(bankPage));
        const PageDescriptor& shown = memory.Pages().pages[windowPage];
        const PageDescriptor& bank = memory.Pages().pages[bankPage];
        ASSERT_EQ(shown.FetchesInPlace(), bank.FetchesInPlace());
        ASSERT_EQ(shown.ReadsInPlace(), bank.ReadsInPlace());
        ASSERT_EQ(shown.WritesInPlace(), bank.WritesInPlace());
        if (shown.ReadsInPlace()) {
            ASSERT_EQ(shown.ReadBytes(), bank.ReadBytes());
        }
        if (shown.WritesInPlace()) {
            ASSERT_EQ(shown.WriteBytes(), bank.WriteBytes());
        }
        const uint32_t window = windowPage << page::kShift;
        const uint32_t lender = bankPage << page::kShift;
        for (uint32_t offset = 0; offset < page::kSize; offset += 61) {
            ASSERT_EQ(memory.ReadByte(window + offset, 1), memory.ReadByte(lender + offset, 1)) << offset;
        }
        if (writable) {
            const uint32_t offset = windowPage * 3 % page::kSize;
            const auto value = static_cast<uint8_t>(~memory.ReadByte(lender + offset, 1));
            memory.WriteByte(window + offset, value);
            ASSERT_EQ(memory.ReadByte(lender + offset, 1), value);
        }
    };
    for (int32_t round = 0; round < 2; ++round) {
        for (uint32_t codes = 0; codes < 64; ++codes) {
            const auto& [romBits, bank] = romChoices[(codes + static_cast<uint32_t>(round)) % romChoices.size()];
            const auto value = static_cast<uint16_t>(04000 | (codes >> 3) << 12 | (codes & 7) << 8 | romBits);
            SCOPED_TRACE("round " + std::to_string(round) + " value " + std::to_string(value));
            memory.WriteWord(kMemoryMap, value);
            const int32_t page1 = pageOfCode[codes >> 3];
            const uint32_t window2 = bank >= 0 ? Bk0011mMachineBase::RomBankStart(bank)
                                               : Bk0011mMachineBase::RamPageStart(pageOfCode[codes & 7]);
            for (uint32_t offset = 0; offset < Bk0011mMachineBase::kWindowPages; ++offset) {
                compare(Bk0011mMachineBase::kWindow1 + offset, Bk0011mMachineBase::RamPageStart(page1) + offset, true);
                compare(Bk0011mMachineBase::kWindow2 + offset, window2 + offset, bank < 0);
            }
            ASSERT_FALSE(run.Trapped());
        }
    }
}

TEST(Bk0011mMachineTest, TheMemoryMapWriteIsTracedAndABreakDropsIt) {
    const Bk0011mMachine prototype;
    Bk0011mRun run(prototype);
    ASSERT_TRUE(run.PowerOn());
    run.SetSwitch("TraceWriteMemMapReg", true);
    run.machine->Cpu()->SetRegister(7, 0140304);
    run.Memory().WriteWord(kMemoryMap, 054002);
    run.Memory().WriteWord(kMemoryMap, 04400);
    EXPECT_EQ(run.run->Lines("[MBOARD]"),
              (std::vector<std::string>{
                  "[MBOARD] >MEMMAPReg = 054002 ([040000]=RAM7 \"System Page\", [0100000]=ROM1 \"Basic+BosExt\") "
                  "at 140304",
                  "[MBOARD] >MEMMAPReg = 004400 ([040000]=RAM1 \"User Page\", [0100000]=RAM5 \"Screen 0\") at "
                  "140304"}));

    run.machine->SetHostCallback([](void*, uint8_t* request, uint8_t*, int32_t) -> int32_t { return *request; },
                                 nullptr);
    run.SetSwitch("BreakWriteMemMapReg", true);
    run.Memory().WriteWord(kMemoryMap, 07000);
    EXPECT_EQ(run.machine->Window2Page(), 5);
    EXPECT_EQ(run.Peek(0100000), RamMarker(5));
}

TEST(Bk0011mMachineTest, ThePaletteAndScreenRegister) {
    struct Case {
        const char* what;
        bool byte;
        uint16_t address;
        uint16_t value;
        bool timerInterrupt;
        int32_t palette;
        int32_t shownPage;
    };
    const std::vector<Case> cases{
        {"byte to 0177662: ignored", true, 0177662, 0377, false, 0, 1},
        {"byte 0100 to 0177663: TMRE off, palette 0, page 5", true, 0177663, 0100, false, 0, 1},
        {"word 0105000: page 6, palette 10, TMRE on", false, 0177662, 0105000, true, 10, 0},
        {"byte 017 to 0177663: palette 15, TMRE on", true, 0177663, 017, true, 15, 1},
        {"word 0140000: page 6, TMRE off", false, 0177662, 0140000, false, 0, 0},
    };
    const Bk0011mMachine prototype;
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        Bk0011mRun run(prototype);
        ASSERT_TRUE(run.PowerOn());
        run.Write(each.byte, each.address, each.value);
        EXPECT_EQ(run.machine->TimerInterruptEnabled(), each.timerInterrupt);
        EXPECT_EQ(run.machine->Video()->PaletteIndex(), each.palette);
        EXPECT_EQ(run.machine->Video()->CurrentPage(), each.shownPage);
        EXPECT_FALSE(run.Trapped());
    }
}

// The frame interrupt (vector 0100) is taken only while enabled and with PSW bit 7 clear.
TEST(Bk0011mMachineTest, TheFrameInterruptNeedsTmreAndAnOpenPriority) {
    for (const auto& [tmre, psw, taken] :
         std::vector<std::tuple<bool, uint16_t, bool>>{{true, 0, true}, {false, 0, false}, {true, 0200, false}}) {
        const Bk0011mMachine prototype;
        Bk0011mRun run(prototype);
        ASSERT_TRUE(run.PowerOn());
        run.Memory().WriteWord(0177662, tmre ? 0 : 040000);
        run.machine->Cpu()->SetPsw(psw);
        ASSERT_TRUE(run.machine->SetLine(BkMachine::kFrameLine, true));
        uint32_t line = 0;
        uint32_t vectorNumber = 0;
        uint32_t vectorAddress = 0;
        EXPECT_EQ(run.machine->Arbitrate(false, line, vectorNumber, vectorAddress), taken);
        if (taken) {
            EXPECT_EQ(vectorAddress, 0100u);
        }
    }
}

TEST(Bk0011mMachineTest, TheSharedSoundPortRoutesIndexDataAndCovox) {
    const Bk0011mMachine prototype;
    Bk0011mRun run(prototype);
    ASSERT_TRUE(run.PowerOn());
    Bk0011mMachineBase& machine = *run.machine;
    AySoundChip& psg = *machine.Psg();
    MemoryMap& memory = run.Memory();
    CovoxDac& covox = *machine.Covox();

    // An index word (inverted 1) after a data write: the AY alone.
    memory.WriteWord(0177714, 0177776);
    EXPECT_EQ(psg.SelectedRegister(), 1);
    EXPECT_EQ(covox.LastValue(), 0);
    // A second index word right after it: the Covox gets a copy.
    memory.WriteWord(0177714, 0177775);
    EXPECT_EQ(psg.SelectedRegister(), 2);
    EXPECT_EQ(covox.LastValue(), 2);
    // A byte is the AY's data, inverted.
    memory.WriteByte(0177714, static_cast<uint8_t>(~0x1C));
    EXPECT_EQ(psg.RegisterValue(2), 0x1C);
    EXPECT_EQ(machine.CovoxRun(), 0);

    // Words that select no register are the Covox's; after 5000 of them the AY falls silent and bytes go on to the
    // Covox.
    for (int32_t write = 0; write < 5001; ++write) {
        memory.WriteWord(0177714, static_cast<uint16_t>(write % 2 == 0 ? 0 : 0100));
    }
    EXPECT_EQ(machine.CovoxRun(), 5000);
    EXPECT_TRUE(psg.PortMuted());
    EXPECT_EQ(covox.LastValue(), 0377);
    memory.WriteByte(0177714, 0x0F);
    EXPECT_EQ(covox.LastValue(), 0xF0);
    EXPECT_FALSE(psg.PortMuted()) << "a byte clears the mute";
    EXPECT_EQ(psg.RegisterValue(2), 0x1C);

    // With the AY's sound off the bytes are the Covox's.
    Bk0011mRun quiet(prototype);
    ASSERT_TRUE(quiet.PowerOn());
    quiet.machine->Psg()->SetSoundEnabled(false);
    quiet.Memory().WriteByte(0177714, 0x33);
    EXPECT_EQ(quiet.machine->Covox()->LastValue(), 0xCC);
    EXPECT_EQ(quiet.machine->Psg()->RegisterValue(0), 0);
}

TEST(Bk0011mMachineTest, SysRegReadsTheKeyboardAndClearsTheWriteFlag) {
    const Bk0011mMachine prototype;
    Bk0011mRun run(prototype);
    ASSERT_TRUE(run.PowerOn());
    Cpu1801BM1& cpu = *run.machine->Cpu();
    cpu.SetSel1(0140277);
    EXPECT_EQ(run.Memory().ReadWord(0177716, 1), 0140344) << "a peek: bits 0, 1, 3, 4 clear, bit 6 with no key";
    EXPECT_EQ(cpu.Sel1(), 0140277);
    EXPECT_EQ(run.Memory().ReadByte(0177717, 0), 0300);
    EXPECT_EQ(run.Memory().ReadWord(0177716, 0), 0140344);
    EXPECT_EQ(cpu.Sel1(), 0140273);
    EXPECT_FALSE(run.Trapped());
}

TEST(Bk0011mMachineTest, FloppyPortsOnlyOnTheFddModel) {
    const Bk0011mMachine model4;
    Bk0011mRun plain(model4);
    ASSERT_TRUE(plain.PowerOn());
    plain.Memory().WriteWord(0177130, 020);
    EXPECT_FALSE(plain.Trapped()) << "a write to 0177130 is ignored";
    plain.Memory().WriteWord(0177132, 1);
    EXPECT_TRUE(plain.Trapped()) << "0177132 is the family's, ROM there";

    const Bk0011mFddMachine model5;
    Bk0011mRun fdd(model5);
    ASSERT_TRUE(fdd.PowerOn());
    fdd.Memory().WriteWord(0177130, BkFloppyController::kMotorOn);
    EXPECT_EQ(fdd.machine->FloppyController()->Control(), BkFloppyController::kMotorOn);
    fdd.Memory().WriteWord(0177132, 0123);
    EXPECT_EQ(fdd.machine->FloppyController()->DataLatch(), 0123);
    EXPECT_FALSE(fdd.Trapped());
}

// The machine's own state: its records after the family's.
Bytes MachineState(Bk0011mMachineBase& machine) {
    return Archived(SavingOwnData(machine));
}

TEST(Bk0011mMachineTest, StateRestoresTheWindowsAndRefusesBadPages) {
    const Bk0011mMachine prototype;
    Bk0011mRun source(prototype);
    ASSERT_TRUE(source.PowerOn());
    source.Memory().WriteWord(kMemoryMap, 054002);
    source.Memory().WriteWord(0177662, 040000);
    for (int32_t write = 0; write < 7; ++write) {
        source.Memory().WriteWord(0177714, 0);
    }
    const Bytes state = MachineState(*source.machine);

    Bk0011mRun target(prototype);
    ASSERT_TRUE(target.PowerOn());
    ASSERT_TRUE(ReadsWhole(state, LoadingOwnData(*target.machine)));
    EXPECT_EQ(std::vector<int32_t>({target.machine->Window1Page(), target.machine->Window2Page(),
                                    target.machine->Window2Bank(), target.machine->CovoxRun()}),
              std::vector<int32_t>({7, 1, 1, 7}));
    EXPECT_FALSE(target.machine->TimerInterruptEnabled());
    EXPECT_EQ(target.Peek(040000), RamMarker(7));
    EXPECT_EQ(target.Peek(0100000), kBasicThirdFill);

    // A state saved before any memory-map write maps the windows as the start does.
    Bk0011mRun fresh(prototype);
    ASSERT_TRUE(fresh.PowerOn());
    const Bytes startState = MachineState(*fresh.machine);
    ASSERT_TRUE(ReadsWhole(startState, LoadingOwnData(*target.machine)));
    EXPECT_EQ(target.Peek(040000), RamMarker(1));
    EXPECT_EQ(target.Peek(0100000), RamMarker(0));

    const auto changed = [&](const char* name, int32_t from, int32_t to) {
        Bytes bad = state;
        const Bytes record = I32Value(name, from);
        const auto at = std::search(bad.begin(), bad.end(), record.begin(), record.end());
        if (at == bad.end()) {
            ADD_FAILURE() << name;
            return bad;
        }
        const Bytes replacement = I32Value(name, to);
        std::copy(replacement.begin(), replacement.end(), at);
        return bad;
    };
    const std::vector<std::pair<const char*, Bytes>> refused{
        {"IDX1 8", changed("IDX1", 7, 8)}, {"IDX1 -2", changed("IDX1", 7, -2)},     {"IDX2 8", changed("IDX2", 1, 8)},
        {"IDX3 4", changed("IDX3", 1, 4)}, {"LCOV 5001", changed("LCOV", 7, 5001)}, {"LCOV -1", changed("LCOV", 7, -1)},
    };
    for (const auto& [what, bytes] : refused) {
        SCOPED_TRACE(what);
        Bk0011mRun untouched(prototype);
        ASSERT_TRUE(untouched.PowerOn());
        untouched.machine->SetLine(3, true);
        const Bytes before = MachineState(*untouched.machine);
        EXPECT_FALSE(ReadsWhole(bytes, LoadingOwnData(*untouched.machine)));
        EXPECT_EQ(MachineState(*untouched.machine), before);
        EXPECT_EQ(untouched.Peek(040000), RamMarker(1));
    }
}

TEST(Bk0011mMachineTest, ThePsgClockChoiceAndItsReset) {
    const std::vector<std::pair<int32_t, int32_t>> choices{{0, 219429}, {1, 187500}, {2, 214286},
                                                           {3, 222222}, {4, 219429}, {-1, 219429}};
    for (const auto& [choice, sourceRate] : choices) {
        SCOPED_TRACE(choice);
        const Bk0011mMachine prototype;
        Bk0011mRun run(prototype);
        common::SettingsTree settings;
        ASSERT_TRUE(run.machine->ExchangeSettings(&settings, true));
        ASSERT_TRUE(settings.FindValue(common::NarrowString("PSGFreq"))->SetI32(choice));
        ASSERT_TRUE(run.PowerOn());
        EXPECT_EQ(run.machine->Psg()->BaseFrequency(), sourceRate);
        EXPECT_EQ(run.machine->ResetDevices(false), choice >= 0 && choice <= 3);
        int32_t after = -5;
        ASSERT_TRUE(settings.FindValue(common::NarrowString("PSGFreq"))->GetI32(after));
        EXPECT_EQ(after, choice >= 0 && choice <= 3 ? choice : 0);
    }
}

TEST(Bk0011mMachineTest, WithoutTheTestsRomModel4TakesTheFloppyDriverOrAStandIn) {
    const Bk0011mMachine prototype;
    Bk0011mRun run(prototype, false);
    common::SettingsTree settings;
    ASSERT_TRUE(run.machine->ExchangeSettings(&settings, true));
    ASSERT_TRUE(settings.FindValue(common::NarrowString("LoadMSTD"))->SetBool(false));
    ASSERT_TRUE(run.PowerOn());
    EXPECT_EQ(run.Peek(0160000), kDriverFill);

    Bk0011mRun missing(prototype, false);
    EXPECT_FALSE(missing.run->PowerOn()) << "the tests ROM is required while LoadMSTD is set";
}

// The captions below node, a level deeper indented by two spaces, separators as "-".
void Captions(const common::OptionNode& node, const std::string& indent, std::vector<std::string>& out) {
    for (int32_t index = 0; index < node.ChildCount(); ++index) {
        const common::OptionNode* child = node.ChildAt(index);
        out.push_back(indent + (child->IsSeparator() ? std::string("-") : child->Text().GetNarrow()));
        Captions(*child, indent + "  ", out);
    }
}

std::vector<std::string> Menu(BkMachine& machine, OptionKind kind, const std::string& under = "") {
    common::BasicOptionNode root;
    root.SetTextLookup([](int32_t id) { return common::WideString(std::to_string(id).c_str()); });
    machine.FillSettingsTree(&root, kind);
    std::vector<std::string> captions;
    for (int32_t index = 0; index < root.ChildCount(); ++index) {
        if (under.empty() || root.ChildAt(index)->Text().GetNarrow() == under) {
            captions.push_back(root.ChildAt(index)->Text().GetNarrow());
            Captions(*root.ChildAt(index), "  ", captions);
        }
    }
    return captions;
}

TEST(Bk0011mMachineTest, MenusOfTheMachine) {
    const Bk0011mMachine prototype;
    Bk0011mRun run(prototype);
    const std::vector<std::string> board = Menu(*run.machine, OptionKind::Trace, "Motherboard");
    EXPECT_EQ(board, (std::vector<std::string>{"Motherboard",
                                               "  Trace Write Registers",
                                               "    177600..177777 - Unknown (all other)",
                                               "    -",
                                               "    Select All",
                                               "    Clear All",
                                               "  Trace Read Registers",
                                               "    177600..177777 - Unknown (all other)",
                                               "    -",
                                               "    Select All",
                                               "    Clear All",
                                               "  Trace All",
                                               "  -",
                                               "  Break On Write Registers",
                                               "    177600..177777 - Unknown (all other)",
                                               "    -",
                                               "    Select All",
                                               "    Clear All",
                                               "  Break On Read Registers",
                                               "    177600..177777 - Unknown (all other)",
                                               "    -",
                                               "    Select All",
                                               "    Clear All",
                                               "  Break On All",
                                               "  -",
                                               "  Select All",
                                               "  Clear All"}));
    const std::vector<std::string> sound = Menu(*run.machine, OptionKind::Sound, "AY-3-891x");
    const std::vector<std::string> clock{"  98", "    1755429 Hz (CPU*3/7)", "    1500000 Hz (6Mhz/4)",
                                         "    1714286 Hz (12Mhz/7)", "    1777777 Hz (16Mhz/9)"};
    ASSERT_GE(sound.size(), clock.size());
    EXPECT_EQ(std::vector<std::string>(sound.end() - static_cast<std::ptrdiff_t>(clock.size()), sound.end()), clock);
    EXPECT_EQ(Menu(*run.machine, OptionKind::Computer), std::vector<std::string>{"Load MSTD ROM file"});
    // The clock is chosen while the machine is stopped.
    for (const bool running : {false, true}) {
        if (running) {
            ASSERT_TRUE(run.PowerOn());
        }
        common::BasicOptionNode root;
        run.machine->FillSettingsTree(&root, OptionKind::Sound);
        for (int32_t index = 0; index < root.ChildCount(); ++index) {
            const common::OptionNode& chip = *root.ChildAt(index);
            for (int32_t item = 0; item < chip.ChildCount(); ++item) {
                const common::OptionNode& clockItem = *chip.ChildAt(item);
                for (int32_t choice = 0; clockItem.TextId() == 98 && choice < clockItem.ChildCount(); ++choice) {
                    EXPECT_EQ(clockItem.ChildAt(choice)->IsEnabled(), !running) << choice;
                }
            }
        }
    }
    const Bk0011mFddMachine fdd;
    Bk0011mRun fddRun(fdd);
    EXPECT_TRUE(Menu(*fddRun.machine, OptionKind::Computer).empty());
}

} // namespace
} // namespace emu
