// The console driving a "BK-0010.01" core made by the configuration on the real ROM images (BK_ROM_DIR): GO, DASM,
// STEP, STEPOVER, CPU, START, BREAK, SAVE, LOAD and MOUNT of a BIN file, as a user types them.
#include "CoreTestMachines.h"

#include "emu/core/DriveSet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace app_test {
namespace {

using namespace std::chrono_literals;

class ConsoleRomTest : public testing::Test {
protected:
    void SetUp() override {
        if (!program.RealRomFolders(folders)) {
            GTEST_SKIP() << "BK_ROM_DIR is not set";
        }
        config = MakeConfig(folders, emu::EmulatorConfig::MachineList());
    }

    // A core of the model of that name.
    void Make(const char* name) {
        for (int32_t index = 0; index < static_cast<int32_t>(config->Machines.size()) && core == nullptr; ++index) {
            const emu::Computer* model = config->GetMachine(index);
            if (model != nullptr && model->Name().Compare(name) == 0) {
                core = config->CreateCore(index);
            }
        }
        ASSERT_NE(core, nullptr) << name;
    }

    // The lines the command printed.
    std::vector<std::string> Run(const char* line) {
        core->Console().Clear();
        core->ExecuteCommand(common::NarrowString(line));
        std::vector<std::string> lines;
        for (const common::ConsoleLine& each : core->Console().Snapshot()) {
            lines.emplace_back(each.text.View());
        }
        return lines;
    }
    // The last line printed, once the machine stands at a break again.
    std::string Trace(const char* line) {
        Run(line);
        EXPECT_TRUE(AtBreak()) << line;
        const std::vector<common::ConsoleLine> lines = core->Console().Snapshot();
        return lines.empty() ? std::string() : std::string(lines.back().text.View());
    }
    bool AtBreak() const {
        return Eventually([this] { return core->IsBreakPending() && core->IsParked(); });
    }
    // The registers and the first 16 KB of RAM, read at a break.
    std::vector<uint16_t> MachineState() {
        return WhileHeld(*core, [this] {
            const auto& cpu = dynamic_cast<const emu::Cpu1801BM1&>(*core->Machine()->CpuAt(0));
            std::vector<uint16_t> state;
            for (int index = 0; index < 8; ++index) {
                state.push_back(cpu.Register(index));
            }
            state.push_back(cpu.Psw());
            for (uint32_t address = 0; address < 040000; address += 2) {
                state.push_back(core->Machine()->Memory()->ReadWord(address, 1));
            }
            return state;
        });
    }
    emu::CpuInterface& Cpu() const { return *core->Machine()->FirstCpu(); }

    Watchdog watchdog{120s};
    TemporaryProgram program;
    common::ProgramFolders folders{common::ProgramFolders::Host()};
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore* core = nullptr;
};

TEST_F(ConsoleRomTest, GoStepsCpuStartBreakSaveLoadAndMount) {
    ASSERT_NO_FATAL_FAILURE(Make("BK-0010.01"));
    const std::string go = Trace("go");
    EXPECT_EQ(go, "[100000]  000167 000254     JMP 000254(PC)               -----  *jmp PC:=(PC+000254)=100260" +
                      std::string(24, ' '));
    EXPECT_EQ(WhileHeld(*core, [&] { return Cpu().GetPC(); }), 0100000U) << "nothing ran";
    EXPECT_EQ(Run("dasm"), std::vector<std::string>{go});
    EXPECT_EQ(Trace("s").substr(0, 45), "[100260]  012706 001000     MOV #1000,SP     ");
    EXPECT_EQ(Trace("s").substr(0, 48), "[100264]  004767 177650     JSR 177650(PC)      ");
    EXPECT_EQ(Trace("so").substr(0, 8), "[100270]") << "over the subroutine";

    const std::vector<std::string> cpu = Run("cpu");
    ASSERT_EQ(cpu.size(), 2U);
    EXPECT_NE(cpu[0].find("PC=100270"), std::string::npos) << cpu[0];

    EXPECT_TRUE(Run("start").empty());
    EXPECT_FALSE(core->IsBreakPending());
    EXPECT_FALSE(core->ConsoleMode());
    const std::vector<std::string> broken = Run("break");
    ASSERT_EQ(broken.size(), 1U);
    EXPECT_EQ(broken[0].front(), '[');
    ASSERT_TRUE(AtBreak());
    EXPECT_TRUE(core->ConsoleMode());

    // A state saved, the machine stepped on, the state loaded again.
    const std::vector<std::string> saved = Run("save");
    ASSERT_FALSE(saved.empty());
    const std::vector<uint16_t> before = MachineState();
    Trace("s");
    Trace("s");
    ASSERT_NE(MachineState(), before);
    Run("load");
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(MachineState(), before);

    // Off, a BIN file goes into the first drive, the BIN slot; START powers the machine on with it.
    core->DetachMachine();
    ASSERT_FALSE(core->IsPowered());
    // At 01000, 4 bytes: INC R0; BR back to it.
    const std::u16string bin =
        program.Folder().WriteFile(u"prog.bin", std::string("\x00\x02\x04\x00\x80\x0A\xFE\x01", 8));
    const std::string name = program.Folder().Path().string() + "/prog.bin";
    EXPECT_EQ(Run(("m \"" + name + "\"").c_str()),
              std::vector<std::string>{"Done: File \"prog.bin\" successfully mounted to drive FirstDrive"});
    const emu::DriveSlot* slot = core->Machine()->Drives()->DriveAt(emu::DriveKind::Cartridge, 0);
    ASSERT_NE(slot, nullptr);
    EXPECT_TRUE(std::filesystem::equivalent(std::u16string(slot->ImagePath().View()), bin));
    Run("start");
    EXPECT_TRUE(core->IsPowered());
    // The ROM's first read of its language page loads the file and starts it.
    EXPECT_TRUE(Eventually([this] {
        for (const common::ConsoleLine& line : core->Console().Snapshot()) {
            if (line.text.View() == "[BIN] File \"prog.bin\" loaded at offset=1000o (size=4)") {
                return true;
            }
        }
        return false;
    }));
    // The program runs its loop.
    const auto inProgram = [this] {
        const uint32_t pc = WhileHeld(*core, [this] { return Cpu().GetPC(); });
        return pc == 01000 || pc == 01002;
    };
    EXPECT_TRUE(Eventually(inProgram));
    Run("break");
    ASSERT_TRUE(AtBreak());
    EXPECT_TRUE(inProgram());
    EXPECT_EQ(core->PauseDepth(), 0);
}

TEST_F(ConsoleRomTest, TheFloppyModelMountsImagesByDriveNameAndFromItsConfigurationFiles) {
    ASSERT_NO_FATAL_FAILURE(Make("BK-0010 + FDD"));
    const emu::DriveSet& drives = *core->Machine()->Drives();
    ASSERT_NE(drives.DriveAt(emu::DriveKind::Floppy, 0), nullptr);
    const std::string image(819200, '\0');

    // A bare name is found among the configuration files of the settings folder.
    const common::PathString data = folders.GetDataFolder(common::PathString(emu::Computer::kDataFolderName), true);
    const std::filesystem::path configs = std::filesystem::path(std::u16string(data.View())) / "configs";
    std::filesystem::create_directories(configs);
    std::ofstream(configs / "disk.img", std::ios::binary) << image;
    EXPECT_EQ(Run("m disk.img"),
              std::vector<std::string>{"Done: File \"disk.img\" successfully mounted to drive FirstDrive"});
    const emu::DriveSlot& first = *drives.AllDrives()[0];
    EXPECT_TRUE(std::filesystem::equivalent(std::u16string(first.ImagePath().View()), configs / "disk.img"));

    const std::u16string a = program.Folder().WriteFile(u"a.img", image);
    const std::string name = program.Folder().Path().string() + "/a.img";
    EXPECT_EQ(Run(("mount FDD \"" + name + "\"").c_str()),
              std::vector<std::string>{"Done: File \"a.img\" successfully mounted to drive FDD"});
    const emu::DriveSlot& floppy = *drives.DriveAt(emu::DriveKind::Floppy, 0);
    EXPECT_TRUE(std::filesystem::equivalent(std::u16string(floppy.ImagePath().View()), a));
    EXPECT_TRUE(floppy.latched);

    // A failing mount keeps the image.
    EXPECT_EQ(Run(("mount FDD \"" + program.Folder().Path().string() + "/none.img\"").c_str()),
              std::vector<std::string>{"Error: File not found!"});
    EXPECT_TRUE(std::filesystem::equivalent(std::u16string(floppy.ImagePath().View()), a));
}

} // namespace
} // namespace app_test
