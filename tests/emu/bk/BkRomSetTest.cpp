// The ROM sets of every model, on folders of synthetic ROM images.
#include "emu/bk/Bk0010FloppyMachine.h"
#include "emu/bk/Bk0010Machine.h"
#include "emu/bk/Bk0011mMachine.h"

#include "common/SettingsTree.h"
#include "emu/core/MemoryMap.h"
#include "support/BkModelRun.h"
#include "support/RecordingConsole.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace emu {
namespace {

// The models by their numbers, model 4 with and without LoadMSTD; none for 0.
class Models {
public:
    Models() {
        common::SettingsTree settings;
        EXPECT_TRUE(bk0011mDriver.ExchangeSettings(&settings, false));
        EXPECT_TRUE(settings.FindValue(common::NarrowString("LoadMSTD"))->SetBool(false));
    }
    const BkMachine* Model(uint32_t index, bool loadMstd) const {
        const BkMachine* const models[] = {
            nullptr, &bk0010, &bk0010_01, &bk0010Fdd, loadMstd ? &bk0011m : &bk0011mDriver, &bk0011mFdd};
        return index < std::size(models) ? models[index] : nullptr;
    }

private:
    Bk0010Machine bk0010;
    Bk0010_01Machine bk0010_01;
    Bk0010FddMachine bk0010Fdd;
    Bk0011mMachine bk0011m;
    Bk0011mMachine bk0011mDriver;
    Bk0011mFddMachine bk0011mFdd;
};

// A BK machine with a model's ROM set (or none) whose memory is laid out as the model's start lays it out before
// the ROMs.
class RomSetMachine : public BkMachine {
public:
    explicit RomSetMachine(const BkMachine* model) : model(model) {}

    BkRomSet RomSet() const override { return model != nullptr ? model->RomSet() : BkRomSet{}; }

    bool Prepare() {
        MemoryMap* memory = Memory();
        if (model != nullptr && std::string(model->FamilyId()) == "bk_0011") {
            return memory->Create(0x3C000, 0177777, 0) && memory->SetPageMapping(MemoryMap::Access::None, 48, 80);
        }
        return memory->Create(0x10000, 0177777, 0) && memory->SetPageMapping(MemoryMap::Access::None, 32, 32);
    }

    uint16_t Word(uint32_t position) const {
        const uint8_t* bytes = Memory()->RamBase() + position;
        return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    }

private:
    const BkMachine* model;
};

// Page access: absent, read-only, read-write.
constexpr uint32_t kAbsent = 0;
constexpr uint32_t kReadOnly = 1;
constexpr uint32_t kReadWrite = 3;

struct PageCheck {
    uint32_t page;
    uint32_t access;
};

struct WordCheck {
    uint32_t position;
    uint16_t word;
};

struct RomSetCase {
    const char* what;
    uint32_t model;
    bool loadMstd;
    // File name to size; each file is filled with the first letter of its name.
    std::map<std::string, uint32_t> files;
    bool loads;
    std::vector<PageCheck> pages;
    std::vector<WordCheck> words;
    // The console's lines, when the case names them.
    std::vector<std::string> lines;
};

uint16_t Filled(const char* name) {
    return static_cast<uint16_t>(name[0] | name[0] << 8);
}

const std::map<std::string, uint32_t> kBk0010 = {{"monit10.rom", 8192}, {"Focal.rom", 8192}, {"Tests.rom", 8192}};
const std::map<std::string, uint32_t> kBk0010_01 = {
    {"monit10.rom", 8192}, {"Basic10first.rom", 8192}, {"Basic10second.rom", 8192}, {"Basic10third.rom", 8192}};
const std::map<std::string, uint32_t> kBk0011 = {{"B11M_BOS.ROM", 8192}, {"BAS11M_0.ROM", 16384},
                                                 {"BAS11M_1.ROM", 8192}, {"B11M_MSTD.ROM", 8192},
                                                 {"B11M_EXT.ROM", 8192}, {"disk_327.rom", 4096}};

std::map<std::string, uint32_t> With(std::map<std::string, uint32_t> files,
                                     const std::map<std::string, uint32_t>& changes) {
    for (const auto& [name, size] : changes) {
        if (size == 0) {
            files.erase(name);
        } else {
            files[name] = size;
        }
    }
    return files;
}

TEST(BkRomSetTest, EachModelLoadsItsImagesAndStandsInForMissingOptionalOnes) {
    const std::vector<RomSetCase> cases = {
        {"BK-0010, all present",
         1,
         true,
         kBk0010,
         true,
         {{31, kReadWrite},
          {32, kReadOnly},
          {39, kReadOnly},
          {40, kReadOnly},
          {47, kReadOnly},
          {48, kAbsent},
          {56, kReadOnly},
          {63, kReadOnly}},
         {{0100000, Filled("m")}, {0120000, Filled("F")}, {0160000, Filled("T")}},
         {"[INIT] File \"monit10.rom\" loaded to memory at position 8000h (System Monitor)",
          "[INIT] File \"Focal.rom\" loaded to memory at position A000h (FOCAL Language)",
          "[INIT] File \"Tests.rom\" loaded to memory at position E000h (System Tests)"}},
        {"BK-0010 without FOCAL and tests",
         1,
         true,
         With(kBk0010, {{"Focal.rom", 0}, {"Tests.rom", 0}}),
         true,
         {{40, kReadOnly}, {47, kReadOnly}, {56, kAbsent}, {62, kAbsent}},
         {{0120000, 0240}, {0120002, 0207}},
         {"[INIT] File \"monit10.rom\" loaded to memory at position 8000h (System Monitor)",
          "[ERROR] File \"Focal.rom\" (FOCAL Language) not found!",
          "[ERROR] File \"Tests.rom\" (System Tests) not found!"}},
        {"BK-0010 without the monitor",
         1,
         true,
         With(kBk0010, {{"monit10.rom", 0}}),
         false,
         {},
         {},
         {"[ERROR] File \"monit10.rom\" (System Monitor) not found!"}},
        {"BK-0010 with a short monitor",
         1,
         true,
         With(kBk0010, {{"monit10.rom", 8191}}),
         false,
         {},
         {},
         {"[ERROR] File \"monit10.rom\" is too small to be loaded (<8192)!"}},
        {"BK-0010 with a long FOCAL",
         1,
         true,
         With(kBk0010, {{"Focal.rom", 8193}}),
         true,
         {{40, kReadOnly}},
         {{0120000, 0240}},
         {}},
        {"BK-0010.01, all present",
         2,
         true,
         kBk0010_01,
         true,
         {{40, kReadOnly}, {48, kReadOnly}, {56, kReadOnly}, {63, kReadOnly}},
         {{0120000, Filled("B")}, {0140000, Filled("B")}, {0160000, Filled("B")}},
         {}},
        {"BK-0010.01 without BASIC",
         2,
         true,
         With(kBk0010_01, {{"Basic10first.rom", 0}}),
         true,
         {{40, kReadOnly}, {41, kAbsent}, {56, kAbsent}},
         {{0120000, 0240}, {0120002, 0207}},
         {}},
        {"BK-0010.01 without BASIC part 2", 2, true, With(kBk0010_01, {{"Basic10second.rom", 0}}), false, {}, {}, {}},
        {"BK-0010.01 without BASIC part 3", 2, true, With(kBk0010_01, {{"Basic10third.rom", 0}}), false, {}, {}, {}},
        {"BK-0010 + FDD takes disk_326.bin first",
         3,
         true,
         {{"monit10.rom", 8192}, {"disk_326.bin", 4096}, {"disk_327.rom", 4096}},
         true,
         {{40, kAbsent}, {56, kReadOnly}, {63, kReadOnly}},
         {{0160000, Filled("d")}, {0160000 + 4094, Filled("d")}},
         {"[INIT] File \"monit10.rom\" loaded to memory at position 8000h (System Monitor)",
          "[INIT] File \"disk_326.bin\" loaded to memory at position E000h (Floppy Driver)"}},
        {"BK-0010 + FDD without a driver",
         3,
         true,
         {{"monit10.rom", 8192}},
         false,
         {},
         {},
         {"[INIT] File \"monit10.rom\" loaded to memory at position 8000h (System Monitor)",
          "[ERROR] No one of files found (Floppy Driver): ", "   \"disk_326.bin\" or ", "   \"disk_327.rom\""}},
        {"BK-0011M, all present",
         4,
         true,
         kBk0011,
         true,
         {{48, kReadOnly},
          {56, kReadOnly},
          {64, kReadOnly},
          {87, kReadOnly},
          {88, kReadOnly},
          {95, kReadOnly},
          {96, kAbsent},
          {127, kAbsent}},
         {{0xC000, Filled("B")},
          {0xE000, Filled("B")},
          {0x10000, Filled("B")},
          {0x14000, Filled("B")},
          {0x16000, Filled("B")},
          {0x18000, 0177777}},
         {"[INIT] File \"B11M_BOS.ROM\" loaded to memory at position C000h (Base Operating System (BOS))",
          "[INIT] File \"BAS11M_0.ROM\" loaded to memory at position 10000h (BASIC Language 1/3+2/3)",
          "[INIT] File \"BAS11M_1.ROM\" loaded to memory at position 14000h (BASIC Language 3/3)",
          "[INIT] File \"B11M_MSTD.ROM\" loaded to memory at position E000h (Tests and Diagnostic (MSTD))",
          "[INIT] File \"B11M_EXT.ROM\" loaded to memory at position 16000h (Extended ROM)"}},
        {"BK-0011M with a BAS11M_0.ROM one byte short",
         4,
         true,
         With(kBk0011, {{"BAS11M_0.ROM", 16383}}),
         true,
         {{64, kAbsent}, {79, kAbsent}, {87, kAbsent}, {88, kReadOnly}},
         {{0x10000, 0177777}},
         {}},
        {"BK-0011M with a BAS11M_0.ROM one byte long",
         4,
         true,
         With(kBk0011, {{"BAS11M_0.ROM", 16385}}),
         true,
         {{64, kAbsent}, {88, kReadOnly}},
         {{0x10000, 0177777}},
         {}},
        {"BK-0011M without BAS11M_1.ROM", 4, true, With(kBk0011, {{"BAS11M_1.ROM", 0}}), false, {}, {}, {}},
        {"BK-0011M with a short BOS", 4, true, With(kBk0011, {{"B11M_BOS.ROM", 8191}}), false, {}, {}, {}},
        {"BK-0011M without the tests", 4, true, With(kBk0011, {{"B11M_MSTD.ROM", 0}}), false, {}, {}, {}},
        {"BK-0011M without LoadMSTD takes the floppy driver",
         4,
         false,
         With(kBk0011, {{"B11M_MSTD.ROM", 0}, {"disk_326.bin", 4096}}),
         true,
         {{56, kReadOnly}, {63, kReadOnly}},
         {{0xE000, Filled("d")}},
         {}},
        {"BK-0011M without LoadMSTD or a driver",
         4,
         false,
         With(kBk0011, {{"disk_327.rom", 0}}),
         true,
         {{56, kReadOnly}, {57, kAbsent}},
         {{0xE000, 0240}, {0xE002, 0207}},
         {}},
        {"BK-0011M without the extension", 4, true, With(kBk0011, {{"B11M_EXT.ROM", 0}}), false, {}, {}, {}},
        {"BK-0011M + FDD takes disk_327.rom first",
         5,
         true,
         With(kBk0011, {{"disk_326.bin", 4096}}),
         true,
         {{56, kReadOnly}, {64, kReadOnly}},
         {{0xE000, Filled("d")}, {0xE000 + 4094, 'd' | '7' << 8}},
         {}},
        {"BK-0011M + FDD without a driver", 5, true, With(kBk0011, {{"disk_327.rom", 0}}), false, {}, {}, {}},
        {"the bare family, without a ROM set", 0, true, kBk0010, false, {}, {}, {}},
    };
    const Models models;
    for (const RomSetCase& each : cases) {
        SCOPED_TRACE(each.what);
        test_support::TemporaryFolder folder;
        for (const auto& [name, size] : each.files) {
            // disk_326.bin and disk_327.rom tell apart by their last byte.
            std::string content(size, name[0]);
            if (name == "disk_327.rom") {
                content.back() = '7';
            }
            folder.WriteFile(std::u16string(name.begin(), name.end()), content);
        }
        RomSetMachine machine(models.Model(each.model, each.loadMstd));
        test_support::RecordingConsole console;
        machine.SetConsole(&console);
        machine.SetFolders(common::ProgramFolders(folder.PathOf(u"zovbk.exe"), std::u16string()));
        ASSERT_TRUE(machine.CreateServices());
        ASSERT_TRUE(machine.Prepare());
        EXPECT_EQ(machine.LoadRomSet(), each.loads);
        for (const PageCheck& check : each.pages) {
            EXPECT_EQ(machine.Memory()->GetPageAccess(check.page), check.access) << "page " << check.page;
        }
        for (const WordCheck& check : each.words) {
            EXPECT_EQ(machine.Word(check.position), check.word) << std::oct << "at 0" << check.position;
        }
        if (!each.lines.empty()) {
            EXPECT_EQ(console.Texts(), each.lines);
        }
    }
}

// The start of a tape model fails with the loader's line when a required image is missing.
TEST(BkRomSetTest, AMissingMonitorFailsTheStart) {
    test_support::TemporaryFolder folder;
    folder.WriteFile(u"Focal.rom", std::string(8192, 'F'));
    const Bk0010Machine prototype;
    test_support::BkModelRun run(prototype, folder.Path().u16string());
    EXPECT_FALSE(run.PowerOn());
    EXPECT_EQ(run.Lines("[ERROR]"),
              (std::vector<std::string>{"[ERROR] File \"monit10.rom\" (System Monitor) not found!"}));
}

} // namespace
} // namespace emu
