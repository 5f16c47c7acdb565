// The console's command language on a core with its emulation thread: refused lines print why and change nothing,
// HELP, CPU, MOUNT, device commands, stepping on the real processor, the hot keys, and the console view of the
// core (banner, edit line, the processor's panel at a break).
#include "CoreTestMachines.h"

#include "common/OptionNode.h"
#include "common/StringList.h"
#include "emu/core/DriveSet.h"
#include "support/RecordingDevice.h"
#include "support/ScreenReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace app_test {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kPlain = 0xFFC8C8C8;
constexpr uint32_t kStateError = 0xFFFF6060;
constexpr uint32_t kDeviceError = 0xFFFF4040;
constexpr int32_t kFloppies = 2;

struct Line {
    std::string text;
    uint32_t colour = kPlain;
    bool operator==(const Line&) const = default;
};

void PrintTo(const Line& line, std::ostream* out) {
    *out << '"' << line.text << "\" 0x" << std::hex << line.colour;
}

const Line kNotActive{"Error: Emulation should be active to execute this command", kStateError};
const Line kActive{"Error: Emulation should NOT be active to execute this command", kStateError};
const Line kTooMany{"Error: Too many parameters"};
const Line kBadFileName{"Error: Incorrect file name!"};
const Line kNotFound{"Error: File not found!"};
const Line kBadDrive{"Error: Incorrect drive name!"};

// The stand-in with floppy slots and a device that records the commands offered to it.
class CommandMachine : public StandInModel {
public:
    CommandMachine() : StandInModel(1) {
        auto device = std::make_unique<test_support::RecordingDevice>("REC", log);
        recorder = device.get();
        AddChild(std::move(device));
    }
    bool CreateServices() override { return StandInModel::CreateServices() && Drives()->SetFloppyCount(kFloppies); }
    std::unique_ptr<emu::Computer> NewInstance() const override { return std::make_unique<CommandMachine>(); }

    std::vector<std::string> log;
    test_support::RecordingDevice* recorder = nullptr;
};

std::unique_ptr<emu::Computer> MakeCommandMachine() {
    return std::make_unique<CommandMachine>();
}
constexpr emu::EmulatorConfig::MachineListEntry kCommandList[] = {{&MakeCommandMachine, false}};

// What a refused command must leave as it was.
struct CoreState {
    bool powered = false;
    bool breakPending = false;
    bool consoleMode = false;
    int32_t pauseDepth = 0;
    std::vector<std::string> images;
    std::vector<uint16_t> registers;
    bool operator==(const CoreState&) const = default;
};

void PrintTo(const CoreState& state, std::ostream* out) {
    *out << "powered " << state.powered << " break " << state.breakPending << " console " << state.consoleMode
         << " pauses " << state.pauseDepth << " images";
    for (const std::string& image : state.images) {
        *out << " \"" << image << '"';
    }
    *out << " registers" << std::oct;
    for (const uint16_t value : state.registers) {
        *out << ' ' << value;
    }
}

class ConsoleCommandTest : public testing::Test {
protected:
    void SetUp() override {
        config = MakeConfig(program.Folders(), kCommandList);
        core = config->CreateCore(0);
        ASSERT_NE(core, nullptr);
        // The banner goes with the first command.
        core->ExecuteCommand(common::NarrowString("info"));
        ASSERT_FALSE(core->Console().IsCentred());
    }

    CommandMachine& Machine() const { return *static_cast<CommandMachine*>(core->Machine()); }
    emu::Cpu1801BM1& Cpu() const { return Machine().Cpu(); }
    emu::DriveSlot* Floppy(int32_t index) const { return Machine().Drives()->DriveAt(emu::DriveKind::Floppy, index); }

    // Runs the line on a console holding one line; answers what the command printed. cleared tells whether the
    // line before it went (powering on clears the log).
    std::vector<Line> Run(const std::string& line) {
        core->Console().Clear();
        core->Console().AppendLine(common::NarrowString("before"));
        core->ExecuteCommand(common::NarrowString(line.c_str()));
        std::vector<Line> lines;
        for (const common::ConsoleLine& each : core->Console().Snapshot()) {
            lines.push_back({std::string(each.text.View()), each.colour});
        }
        cleared = lines.empty() || lines.front() != Line{"before"};
        if (!cleared) {
            lines.erase(lines.begin());
        }
        return lines;
    }
    // The trace line's address and instruction columns.
    static std::string TraceStart(const std::vector<Line>& lines) {
        return lines.empty() ? std::string() : lines.back().text.substr(0, 40);
    }

    CoreState State() {
        CoreState state;
        state.powered = core->IsPowered();
        state.breakPending = core->IsBreakPending();
        state.consoleMode = core->ConsoleMode();
        state.pauseDepth = core->PauseDepth();
        for (int32_t index = 0; index < kFloppies; ++index) {
            state.images.emplace_back(Floppy(index)->ImagePath().GetNarrow());
        }
        const auto read = [this] {
            std::vector<uint16_t> registers;
            for (int index = 0; index < 8; ++index) {
                registers.push_back(Cpu().Register(index));
            }
            registers.push_back(Cpu().Psw());
            return registers;
        };
        state.registers = state.powered ? WhileHeld(*core, read) : read();
        return state;
    }

    // Whether the floppy holds that file, however the path is spelt.
    bool Holds(int32_t index, const std::string& path) const {
        const std::filesystem::path mounted(std::u16string(Floppy(index)->ImagePath().View()));
        return !mounted.empty() && std::filesystem::equivalent(mounted, path);
    }
    bool AtBreak() const {
        return Eventually([this] { return core->IsBreakPending() && core->IsParked(); });
    }
    uint16_t Register(int index) {
        return WhileHeld(*core, [&] { return Cpu().Register(index); });
    }
    // Stores words from address on, with the machine held still.
    void Load(uint16_t address, std::initializer_list<uint16_t> words) {
        WhileHeld(*core, [&] {
            for (const uint16_t word : words) {
                Machine().Memory()->WriteWord(address, word);
                address = static_cast<uint16_t>(address + 2);
            }
            return true;
        });
    }

    Watchdog watchdog{120s};
    TemporaryProgram program;
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore* core = nullptr;
    bool cleared = false;
};

TEST_F(ConsoleCommandTest, RefusedLinesPrintWhyAndChangeNothing) {
    const std::string folder = program.Folder().Path().string() + "/";
    program.Folder().WriteFile(u"old.img", std::string(512, 'o'));
    ASSERT_NE(Run("mount \"" + folder + "old.img\""), std::vector<Line>{});
    ASSERT_FALSE(Floppy(0)->ImagePath().IsEmpty());

    struct Case {
        std::string line;
        std::vector<Line> printed;
    };
    std::vector<Case> cases = {
        {"", {}},
        {"   ", {}},
        {"5", {{"Unknown command: 5"}}},
        {",", {{"Unknown command: ,", kDeviceError}}},
        {"12ab", {{"Unknown command: 12ab"}}},
        {"0x1F", {{"Unknown command: 0x1F"}}},
        {"\"mount\"", {{"Unknown command: \"mount\""}}},
        {"-1", {{"Error: Illegal symbol at position 0"}}},
        {"cpu;", {{"Error: Illegal symbol at position 3"}}},
        {"mount a_b", {{"Error: Illegal symbol at position 7"}}},
        {std::string(70000, 'a'), {{"Error: Illegal symbol at position 0"}}},
        {"help a b c", {kTooMany}},
        {"cls x", {kTooMany}},
        {"go x", {kTooMany}},
        {"start x", {kTooMany}},
        {"break x", {kTooMany}},
        {"load x", {kTooMany}},
        {"dasm x", {kTooMany}},
        {"s 99999999999", {kTooMany}},
        {"step x", {kTooMany}},
        {"cpu", {kNotActive}},
        {"cpu x", {kNotActive}},
        {"dasm", {kNotActive}},
        {"save", {kNotActive}},
        {"s", {kNotActive}},
        {"so", {kNotActive}},
        {"soo", {kNotActive}},
        {"stepoverover", {kNotActive}},
        {"mount", {{"Error: Less parameters then needed"}}},
        {"mount a b c", {kTooMany}},
        {"mount 12", {kBadFileName}},
        {"mount \"\"", {kBadFileName}},
        {"mount \"a", {kBadFileName}},
        {"mount \"", {kBadFileName}},
        {"mount \"a\tb\"", {kBadFileName}},
        {"mount , a.img", {kBadDrive}},
        {"mount \"..\"", {kNotFound}},
        {"mount \".\"", {kNotFound}},
        {"mount \"" + folder + "\"", {kNotFound}},
        {"mount \"" + folder + "..\"", {kNotFound}},
        {"mount \"" + std::string(100000, 'n') + "\"", {kNotFound}},
        {"mount missing.img", {kNotFound}},
        {"mount HDD x.img", {kBadDrive}},
        {"mount FD x.img", {kBadDrive}},
        {"mount FDD missing.img", {kNotFound}},
        {"MEM", {{"Unknown command: MEM", kDeviceError}}},
        {"dump 1000", {{"Unknown command: DUMP", kDeviceError}}},
        {"R0", {{"Unknown command: R0", kDeviceError}}},
        {"E 1000 5", {{"Unknown command: E", kDeviceError}}},
        {"info x", {{"Version: Release (with internal debugger support)"}}},
    };
#ifndef _WIN32
    const std::string fifo = program.Folder().Path().string() + "/pipe.img";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    cases.push_back({"mount \"" + fifo + "\"", {kNotFound}});
    cases.push_back({"mount \"/dev/zero\"", {kNotFound}});
    cases.push_back({"mount \"/dev/null\"", {kNotFound}});
#endif
    for (const Case& test : cases) {
        SCOPED_TRACE(test.line.substr(0, 80));
        const CoreState before = State();
        const size_t offered = Machine().recorder->commands.size();
        EXPECT_EQ(Run(test.line), test.printed);
        EXPECT_FALSE(cleared);
        EXPECT_EQ(State(), before);
        if (test.printed.empty() || test.printed[0].colour != kDeviceError) {
            EXPECT_EQ(Machine().recorder->commands.size(), offered) << "no device was asked";
        }
    }
}

TEST_F(ConsoleCommandTest, TheTraceLineNeedsAPoweredMachine) {
    common::NarrowString line("untouched");
    EXPECT_FALSE(core->PrintTraceLine(line));
    EXPECT_EQ(std::string(line.View()), "untouched");
    ASSERT_TRUE(core->SetRunState(true, true));
    ASSERT_TRUE(AtBreak());
    EXPECT_TRUE(WhileHeld(*core, [&] { return core->PrintTraceLine(line); }));
    EXPECT_EQ(std::string(line.View()).substr(0, 8), "[001000]");
}

TEST_F(ConsoleCommandTest, HelpListsCommandsAndKeysAndAsksTheDevices) {
    const std::vector<Line> help = {
        {">HELP - Emulation Commands:", 0xFFFFA0A0},
        {"  HELP (or H) - List of commands and keys"},
        {"  CLS      - Clear console"},
        {"  START    - Start/continue emulation and switch to emulation window             F5"},
        {"  GO       - Start/continue emulation and stay in console window                 Ctrl+F5"},
        {"             When starting emulation, break on the first CPU instruction."},
        {"  BREAK    - Break emulation and switch to console window                        Ctrl+F12"},
        {"  DASM     - Disassemble current CPU instruction"},
        {"  CPU      - Show CPU state (registers, cycles etc.) "},
        {"  STEP         (or S)   - Execute one CPU instruction                            F7"},
        {"  STEPOVER     (or SO)  - Execute until next CPU instruction (if can reach it)   F8"},
        {"  STEPOVEROVER (or SOO) - Execute until next CPU instruction (force it always)   Shift+F8"},
        {"  SAVE     - Save emulation state to file                                        F11"},
        {"  LOAD     - Load emulation state from file                                      F12"},
        {"Console Keys:", 0xFF00FF00},
        {"  Up/Down              - Move one line up/down in console text"},
        {"  PageUp/PageDown      - Move one page up/down in console text"},
        {"  Ctrl+PageUp/PageDown - Move to first/last line in console text"},
        {"  Left/Right           - Move cursor by one symbol left/right in command line"},
        {"  Home/End             - Move cursor to first/last symbol in command line"},
        {"  Backspace            - Remove one symbol before cursor in command line"},
        {"  Delete               - Delete one symbol at cursor in command line"},
        {"  Escape               - Clear all text in command line"},
        {"  Enter                - Execute command in command line"},
        {"Device Commands:", 0xFFA0A0FF},
    };
    std::vector<std::string>& offered = Machine().recorder->commands;
    EXPECT_EQ(Run("HELP"), help);
    EXPECT_EQ(Run("h"), help);
    EXPECT_EQ(Run("help a b"), help);
    // The devices get HELP with the cursor on the command itself.
    EXPECT_EQ(offered, (std::vector<std::string>{"HELP HELP", "HELP h", "HELP help"}));
}

TEST_F(ConsoleCommandTest, DeviceCommandsGetTheirParametersAndAnswer) {
    test_support::RecordingDevice& device = *Machine().recorder;
    struct Case {
        uint32_t answer;
        bool wrongState;
        std::vector<Line> printed;
    };
    const Case cases[] = {
        {0, false, {{"Unknown command: MEM", kDeviceError}}},
        {3, false, {{"MEM: Incorrect parameter 3", kDeviceError}}},
        {255, false, {{"MEM: Incorrect parameter 255", kDeviceError}}},
        {256, false, {}},
        {7, true, {kNotActive}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.answer);
        device.commandAnswer = test.answer;
        device.commandWrongState = test.wrongState;
        device.commands.clear();
        EXPECT_EQ(Run("mem 1000 \"x\""), test.printed);
        EXPECT_EQ(device.commands, std::vector<std::string>{"MEM 1000"});
        EXPECT_EQ(core->PauseDepth(), 0);
    }
    device.commands.clear();
    device.commandAnswer = 0x100;
    device.commandWrongState = false;
    EXPECT_EQ(Run("Dump"), std::vector<Line>{});
    EXPECT_EQ(device.commands, std::vector<std::string>{"DUMP "}) << "the cursor stands past the end";
}

TEST_F(ConsoleCommandTest, WithoutAMachineNothingHappens) {
    ASSERT_TRUE(core->SetMachine(nullptr));
    for (const char* line : {"help", "cpu", "-1", "mem", "go"}) {
        EXPECT_EQ(Run(line), std::vector<Line>{}) << line;
    }
    EXPECT_FALSE(core->IsPowered());
}

TEST_F(ConsoleCommandTest, MountTakesAFileIntoTheFirstOrTheNamedDriveAndKeepsTheOldOneOnFailure) {
    const std::string folder = program.Folder().Path().string() + "/";
    program.Folder().WriteFile(u"a.img", std::string(1024, 'a'));
    program.Folder().WriteFile(u"b.img", std::string(1024, 'b'));

    EXPECT_EQ(Run("m \"" + folder + "a.img\""),
              std::vector<Line>{{"Done: File \"a.img\" successfully mounted to drive FirstDrive"}});
    EXPECT_TRUE(Holds(0, folder + "a.img"));
    EXPECT_TRUE(Floppy(0)->latched);

    EXPECT_EQ(Run("mount fdd \"" + folder + "b.img\""),
              std::vector<Line>{{"Done: File \"b.img\" successfully mounted to drive fdd"}});
    EXPECT_TRUE(Holds(0, folder + "b.img"));
    EXPECT_TRUE(Floppy(1)->ImagePath().IsEmpty());

    // A name that is no file keeps the image in the drive.
    EXPECT_EQ(Run("mount FDD \"" + folder + "c.img\""), std::vector<Line>{kNotFound});
    EXPECT_TRUE(Holds(0, folder + "b.img"));

    // A bare name is looked for among the configuration files.
    const auto configs = program.Folders().GetProgramFolder().GetNarrow() + std::string("configs");
    std::filesystem::create_directories(configs);
    std::ofstream(configs + "/disk.img", std::ios::binary) << std::string(1024, 'd');
    EXPECT_EQ(Run("m disk.img"),
              std::vector<Line>{{"Done: File \"disk.img\" successfully mounted to drive FirstDrive"}});
    EXPECT_TRUE(Holds(0, configs + "/disk.img"));
    // A folder of that name is no file.
    std::filesystem::create_directories(configs + "/dir.img");
    EXPECT_EQ(Run("m dir.img"), std::vector<Line>{kNotFound});
    EXPECT_TRUE(Holds(0, configs + "/disk.img"));

    ASSERT_TRUE(core->SetRunState(true, true));
    ASSERT_TRUE(AtBreak());
    const CoreState before = State();
    EXPECT_EQ(Run("mount \"" + folder + "a.img\""), std::vector<Line>{kActive});
    EXPECT_EQ(State(), before);
}

TEST_F(ConsoleCommandTest, GoBreaksAtTheStartAndStepsRunTheRealProcessor) {
    EXPECT_EQ(TraceStart(Run("go")), "[001000]  005200            INC R0      ");
    ASSERT_TRUE(AtBreak());
    EXPECT_TRUE(core->ConsoleMode());
    EXPECT_EQ(Register(7), 01000);
    EXPECT_EQ(Register(0), 0) << "nothing ran";

    // 1000: JSR PC,1020; MOV #3,R1; 1010: DEC R1; BNE 1010; INC R2; BR .; 1020: INC R3; RTS PC
    Load(01000, {004767, 000014, 012701, 000003, 005301, 001376, 005202, 000777, 005203, 000207});
    const auto step = [&](const char* line) {
        Run(line);
        EXPECT_TRUE(AtBreak()) << line;
        return Register(7);
    };
    EXPECT_EQ(step("so"), 01004) << "over the call";
    EXPECT_EQ(Register(3), 1) << "the subroutine ran";
    EXPECT_EQ(step("so"), 01010) << "a plain instruction is one step";
    EXPECT_EQ(step("so"), 01012);
    EXPECT_EQ(step("so"), 01010) << "a branch is one step";
    EXPECT_EQ(Register(1), 2);
    EXPECT_EQ(step("soo"), 01012);
    EXPECT_EQ(step("soo"), 01014) << "the loop ran out";
    EXPECT_EQ(Register(1), 0);
    EXPECT_EQ(step("s"), 01016);
    EXPECT_EQ(Register(2), 1);
    EXPECT_EQ(step("step"), 01016) << "BR . stays";

    // Over a two-word call at the top of memory: the return address wraps to 0.
    Load(0177774, {004767, 000020});
    Load(000020, {000207});
    WhileHeld(*core, [&] {
        Cpu().SetRegister(7, 0177774);
        Cpu().SetRegister(6, 01000);
        return true;
    });
    EXPECT_EQ(step("so"), 0);

    // DASM shows the instruction without running it.
    const std::vector<Line> dasm = Run("dasm");
    ASSERT_EQ(dasm.size(), 1U);
    EXPECT_EQ(dasm[0].text.substr(0, 8), "[000000]");
    EXPECT_EQ(Register(7), 0);
    EXPECT_EQ(core->PauseDepth(), 0);
}

TEST_F(ConsoleCommandTest, AStepStartsAtABreakPointItStandsOn) {
    // "Break On PC=01000" stops the running program at the INC.
    std::function<common::OptionNode*(common::OptionNode&)> find =
        [&](common::OptionNode& node) -> common::OptionNode* {
        if (std::string(node.Text().GetNarrow()) == "Break On PC=01000") {
            return &node;
        }
        for (int32_t index = 0; index < node.ChildCount(); ++index) {
            if (common::OptionNode* found = find(*node.ChildAt(index))) {
                return found;
            }
        }
        return nullptr;
    };
    common::OptionNode* item = nullptr;
    for (const emu::OptionKind tree : emu::EmulatorCore::kOptionTreeKinds) {
        item = item != nullptr ? item : find(*core->GetParam(tree));
    }
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->Activate());
    Run("start");
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Register(7), 01000);
    const uint16_t counted = Register(0);
    Run("s");
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Register(7), 01002);
    EXPECT_EQ(Register(0), static_cast<uint16_t>(counted + 1));
}

TEST_F(ConsoleCommandTest, BreakStartGoCpuSaveAndLoad) {
    Run("start");
    EXPECT_TRUE(core->IsPowered());
    EXPECT_FALSE(core->ConsoleMode());
    EXPECT_FALSE(core->IsBreakPending());
    EXPECT_EQ(Run("go"), std::vector<Line>{}) << "a running machine without a break is left running";
    EXPECT_FALSE(core->IsBreakPending());

    const std::vector<Line> broken = Run("break");
    ASSERT_EQ(broken.size(), 1U);
    EXPECT_EQ(broken[0].text.substr(0, 3), "[00");
    EXPECT_TRUE(core->IsBreakPending());
    EXPECT_TRUE(core->ConsoleMode());

    const std::vector<Line> cpu = Run("cpu");
    ASSERT_EQ(cpu.size(), 2U);
    EXPECT_NE(cpu[0].text.find(", Flags: "), std::string::npos) << cpu[0].text;
    EXPECT_EQ(cpu[1].text.substr(0, 8), "    R0=0");

    WhileHeld(*core, [&] {
        Cpu().SetRegister(5, 012345);
        Machine().Memory()->WriteWord(02000, 054321);
        return true;
    });
    const std::vector<Line> saved = Run("save");
    ASSERT_FALSE(saved.empty());
    EXPECT_NE(saved.back().text.find("saved"), std::string::npos) << saved.back().text;
    const std::vector<uint16_t> registers = State().registers;
    Run("s");
    ASSERT_TRUE(AtBreak());
    WhileHeld(*core, [&] {
        Cpu().SetRegister(5, 0);
        Machine().Memory()->WriteWord(02000, 0);
        return true;
    });
    Run("load");
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(State().registers, registers);
    EXPECT_EQ(WhileHeld(*core, [&] { return Machine().Memory()->ReadWord(02000, 1); }), 054321);

    EXPECT_EQ(Run("start"), std::vector<Line>{});
    EXPECT_FALSE(core->IsBreakPending());
    EXPECT_FALSE(core->ConsoleMode());
    EXPECT_EQ(core->PauseDepth(), 0);
}

// The rows of the surface's text, as read on the panels' colour.
bool PanelShows(const emu::RendererBase& surface, const std::string& text) {
    const test_support::ScreenReader reader(test_support::ConsoleGlyphs());
    for (int32_t row = 0; row * 16 + 19 <= surface.GetHeight(); ++row) {
        const std::string cells =
            reader.ReadText(surface, 3, row * 16 + 3, (surface.GetWidth() - 6) / 8, emu::DebuggerConsole::kPanelColour);
        if (cells.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST_F(ConsoleCommandTest, TheConsoleSurfaceShowsTheBannerTheCommandLineAndThePanelAtABreak) {
    emu::RendererBase& surface = *core->ConsoleSurface();
    ASSERT_TRUE(surface.Resize(800, 600, false));
    // A machine attached anew brings the banner back.
    ASSERT_TRUE(core->SetMachine(std::make_unique<CommandMachine>()));
    ASSERT_TRUE(core->Console().IsCentred());
    ASSERT_TRUE(core->PresentFrame(false, false));
    const test_support::ScreenReader reader(test_support::ConsoleGlyphs());
    // One line in 35 rows of 99 columns stands at row 17, in the middle.
    const std::string banner = "Computer \"BK-0010.01\"";
    EXPECT_EQ(reader.ReadText(surface, (99 - 21) / 2 * 8 + 3, 17 * 16 + 3, 21, common::Console::kBlack), banner);
    EXPECT_FALSE(core->Console().IsChanged());
    EXPECT_FALSE(emu::EmulatorCore::DrawConsoleOverlay(core)) << "nothing changed, nothing drawn";

    // Keys in console mode edit the command line.
    for (const char key : std::string("HELP")) {
        EXPECT_TRUE(core->OnKeyChar(key, true));
        EXPECT_TRUE(core->OnKeyChar(key, false));
    }
    EXPECT_TRUE(core->Console().IsChanged());
    EXPECT_TRUE(emu::EmulatorCore::DrawConsoleOverlay(core));
    EXPECT_EQ(reader.ReadText(surface, 11, 575, 4, common::Console::kBlack), "HELP");
    EXPECT_FALSE(PanelShows(surface, "PC = ")) << "no panel while the machine is off";

    // Powered on, the banner goes; at a break the processor's box shows its registers.
    ASSERT_TRUE(core->SetRunState(true, true));
    ASSERT_TRUE(AtBreak());
    EXPECT_FALSE(core->Console().IsCentred());
    core->Console().MarkChanged();
    ASSERT_TRUE(core->PresentFrame(false, false));
    EXPECT_TRUE(PanelShows(surface, "CPU")) << "titled with the processor's tag";
    EXPECT_TRUE(PanelShows(surface, "PC = 001000"));
    EXPECT_TRUE(PanelShows(surface, "R0 = 000000"));
    EXPECT_FALSE(PanelShows(surface, banner));

    // Running, no box.
    core->ResumeEmulation();
    core->Console().MarkChanged();
    ASSERT_TRUE(core->PresentFrame(false, false));
    EXPECT_FALSE(PanelShows(surface, "PC = "));
}

TEST_F(ConsoleCommandTest, HotKeysRunTheirCommands) {
    constexpr int32_t kF5 = 0x74;
    constexpr int32_t kF7 = 0x76;
    constexpr int32_t kF8 = 0x77;
    constexpr int32_t kF11 = 0x7A;
    constexpr int32_t kF12 = 0x7B;
    constexpr int32_t kShift = 0xE0;
    constexpr int32_t kCtrl = 0xE2;
    const auto press = [this](int32_t key, int32_t modifier = 0) {
        if (modifier != 0) {
            core->OnKeyChar(modifier, true);
        }
        const bool consumed = core->OnKeyChar(key, true);
        core->OnKeyChar(key, false);
        if (modifier != 0) {
            core->OnKeyChar(modifier, false);
        }
        return consumed;
    };
    Run("go");
    ASSERT_TRUE(AtBreak());
    ASSERT_EQ(Register(7), 01000);

    EXPECT_TRUE(press(kF7)) << "STEP";
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Register(7), 01002);
    EXPECT_EQ(Register(0), 1);
    EXPECT_TRUE(press(kF8)) << "STEPOVER on the branch back";
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Register(7), 01000);
    EXPECT_TRUE(press(kF8, kShift)) << "STEPOVEROVER";
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Register(7), 01002);
    EXPECT_EQ(Register(0), 2);

    // The state keys pass to the main window.
    EXPECT_FALSE(press(kF11));
    EXPECT_FALSE(press(kF12));
    EXPECT_TRUE(core->IsBreakPending());

    EXPECT_TRUE(press(kF5, kCtrl)) << "GO";
    EXPECT_FALSE(core->IsBreakPending());
    EXPECT_TRUE(core->ConsoleMode());
    EXPECT_TRUE(press(kF12, kCtrl)) << "BREAK";
    ASSERT_TRUE(AtBreak());
    EXPECT_TRUE(press(kF5)) << "START";
    EXPECT_FALSE(core->IsBreakPending());
    EXPECT_FALSE(core->ConsoleMode());
    // The machine has the keyboard now; Ctrl+F12 still breaks, and the key is left to the machine.
    EXPECT_TRUE(press(kF12, kCtrl));
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(core->PauseDepth(), 0);
}

TEST_F(ConsoleCommandTest, ThousandsOfCommandsAgainstARunningMachineKeepTheCoreResponsive) {
    Run("start");
    const char* const lines[] = {"break", "s", "so", "start", "soo", "go", "cpu", "dasm", "break", "step", "help"};
    for (int32_t index = 0; index < 3000; ++index) {
        core->ExecuteCommand(common::NarrowString(lines[static_cast<size_t>(index) % std::size(lines)]));
        if (index % 64 == 0) {
            core->Console().Clear();
        }
    }
    EXPECT_EQ(core->PauseDepth(), 0);
    Run("break");
    ASSERT_TRUE(AtBreak());
    const uint16_t pc = Register(7);
    Run("s");
    ASSERT_TRUE(AtBreak());
    EXPECT_NE(Register(7), pc);
    EXPECT_EQ(core->PauseDepth(), 0);
}

TEST(ConsoleCommandPauseTest, ACommandWhoseThreadDoesNotParkDoesNotRun) {
    static constexpr emu::EmulatorConfig::MachineListEntry kList[] = {
        {[] { return std::unique_ptr<emu::Computer>(std::make_unique<BudgetMachine>(false)); }, false}};
    Watchdog watchdog{120s};
    TemporaryProgram program;
    std::unique_ptr<emu::EmulatorConfig> config = MakeConfig(program.Folders(), kList, 200);
    emu::EmulatorCore* core = config->CreateCore(0);
    ASSERT_NE(core, nullptr);
    ASSERT_TRUE(core->SetRunState(false, false));
    BudgetCpu& cpu = static_cast<BudgetMachine*>(core->Machine())->Cpu();
    core->Console().Clear();

    cpu.Hold(true);
    cpu.AwaitInside();
    core->ExecuteCommand(common::NarrowString("break"));
    std::vector<std::string> lines;
    for (const common::ConsoleLine& line : core->Console().Snapshot()) {
        lines.emplace_back(line.text.View());
    }
    EXPECT_EQ(lines, std::vector<std::string>{"Error: Emulation thread does not respond"});
    EXPECT_FALSE(core->IsBreakPending()) << "the command did not run";
    EXPECT_EQ(core->PauseDepth(), 0);
    cpu.Hold(false);
    core->ExecuteCommand(common::NarrowString("break"));
    EXPECT_TRUE(Eventually([&] { return core->IsBreakPending() && core->IsParked(); }));
}

} // namespace
} // namespace app_test
