// The console's command language: one line at a time, tokenized, checked, and run with the emulation thread
// parked. Built-in commands drive the core; any other name goes to the machine's devices.
#include "app/CorePause.h"
#include "app/EmulatorCore.h"
#include "app/TraceLine.h"
#include "common/ConsoleTokens.h"
#include "common/FileStream.h"
#include "common/ListCursor.h"
#include "common/Paths.h"
#include "common/StringList.h"
#include "common/TokenList.h"
#include "emu/core/Computer.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/DriveSet.h"
#include "emu/core/RomFileLoader.h"

#include <array>

namespace emu {

namespace {

constexpr uint32_t kPlainColour = common::Console::kPlainColour;
constexpr uint32_t kHelpColour = 0xFFFFA0A0;
constexpr uint32_t kKeysHeadingColour = 0xFF00FF00;
constexpr uint32_t kDeviceHeadingColour = 0xFFA0A0FF;
constexpr uint32_t kStateErrorColour = 0xFFFF6060;
constexpr uint32_t kDeviceErrorColour = 0xFFFF4040;

// The most parameters any command takes.
constexpr int32_t kMostParameters = 2;
// Device answers above this mean done; 1 up to it name the wrong parameter.
constexpr uint32_t kLastParameterAnswer = 255;
// The disassembler's mark, in the low two bits of its flags, for instructions that call and come back.
constexpr uint32_t kFlowMask = 3;
constexpr uint32_t kFlowCall = 1;

constexpr std::array<const char*, 13> kHelpCommands = {
    "  HELP (or H) - List of commands and keys",
    "  CLS      - Clear console",
    "  START    - Start/continue emulation and switch to emulation window             F5",
    "  GO       - Start/continue emulation and stay in console window                 Ctrl+F5",
    "             When starting emulation, break on the first CPU instruction.",
    "  BREAK    - Break emulation and switch to console window                        Ctrl+F12",
    "  DASM     - Disassemble current CPU instruction",
    "  CPU      - Show CPU state (registers, cycles etc.) ",
    "  STEP         (or S)   - Execute one CPU instruction                            F7",
    "  STEPOVER     (or SO)  - Execute until next CPU instruction (if can reach it)   F8",
    "  STEPOVEROVER (or SOO) - Execute until next CPU instruction (force it always)   Shift+F8",
    "  SAVE     - Save emulation state to file                                        F11",
    "  LOAD     - Load emulation state from file                                      F12",
};
constexpr std::array<const char*, 9> kHelpKeys = {
    "  Up/Down              - Move one line up/down in console text",
    "  PageUp/PageDown      - Move one page up/down in console text",
    "  Ctrl+PageUp/PageDown - Move to first/last line in console text",
    "  Left/Right           - Move cursor by one symbol left/right in command line",
    "  Home/End             - Move cursor to first/last symbol in command line",
    "  Backspace            - Remove one symbol before cursor in command line",
    "  Delete               - Delete one symbol at cursor in command line",
    "  Escape               - Clear all text in command line",
    "  Enter                - Execute command in command line",
};

template <size_t Count>
void AppendBlock(common::Console& console, const std::array<const char*, Count>& texts) {
    common::StringList lines;
    for (const char* text : texts) {
        lines.Add(common::NarrowString(text));
    }
    console.AppendLines(lines);
}

bool HasControlByte(const common::String& text) {
    for (int32_t index = 0; index < text.Length(); ++index) {
        if (static_cast<uint8_t>(text.CharAt(index)) < 0x20 || text.CharAt(index) == 0x7F) {
            return true;
        }
    }
    return false;
}

// Only plain files count: a folder, pipe or device of that name is no disk image.
bool IsRegularFile(const common::PathString& path) {
    common::FileStream file;
    return file.OpenForReading(path);
}

// The MOUNT file name: a quoted string without its quotes, or an identifier as typed. False for anything else, an
// unterminated or empty string and a name with a control byte.
bool MountFileName(const common::Token& token, const common::String& line, common::NarrowString& name) {
    bool copied = false;
    if (token.Type() == common::TokenType::QuotedString) {
        const int32_t end = token.AbsolutePosition() + token.Length();
        copied = token.Length() >= 2 && line.Length() >= end && line.CharAt(end - 1) == '"' &&
                 token.CopyText(line, name, 1, 1);
    } else if (token.Type() == common::TokenType::Identifier) {
        copied = token.CopyText(line, name, 0, 0);
    }
    return copied && !name.IsEmpty() && !HasControlByte(name);
}

} // namespace

// One command line and what is read from it.
struct EmulatorCore::CommandLine {
    explicit CommandLine(const common::NarrowString& text) : text(text) {}

    const common::NarrowString& text;
    common::TokenList tokens;
    // Upper case; empty when the command token could not be copied.
    common::NarrowString name;
    int32_t parameters = 0;
};

void EmulatorCore::CommandCallback(void* context, const common::NarrowString& line) {
    static_cast<EmulatorCore*>(context)->ExecuteCommand(line);
}

void EmulatorCore::ExecuteCommand(const common::NarrowString& line) {
    common::LockGuard lock(&coreLock);
    if (machine == nullptr) {
        return;
    }
    CommandLine command(line);
    // The banner goes with the first command.
    const auto clearBanner = [this] {
        if (console.IsCentred()) {
            console.Clear();
            console.SetCentred(false);
            console.MarkChanged();
        }
    };
    const common::TokenizeResult& result = command.tokens.TokenizeCommand(line, common::ClassifyTokenChar);
    if (!result.ok) {
        clearBanner();
        PrintColoured(kPlainColour, "Error: Illegal symbol at position %ld", result.absolutePosition);
        return;
    }
    if (command.tokens.Count() < 2) {
        return;
    }
    clearBanner();
    const common::TokenType type = command.tokens.At(1)->Type();
    if (type != common::TokenType::Identifier && type != common::TokenType::Separator) {
        PrintColoured(kPlainColour, "Unknown command: %s", line);
        return;
    }
    command.parameters = command.tokens.Count() - 2;
    if (command.parameters > kMostParameters) {
        PrintColoured(kPlainColour, "Error: Too many parameters");
        return;
    }
    PauseGuard pause(*this);
    if (!pause.Holds()) {
        return;
    }
    if (!command.tokens.CopyTokenText(1, line, command.name)) {
        command.name.Clear();
    }
    command.name.ToUpper();
    RunCommand(command);
}

void EmulatorCore::RunCommand(CommandLine& command) {
    enum class Run { Help, Cls, Dasm, Cpu, Step, StepOver, StepOverOver, Break, Start, Go, Save, Load, Mount, Info };
    struct Builtin {
        const char* name;
        Run run;
    };
    static constexpr Builtin kBuiltins[] = {
        {"H", Run::Help},
        {"HELP", Run::Help},
        {"CLS", Run::Cls},
        {"DASM", Run::Dasm},
        {"CPU", Run::Cpu},
        {"S", Run::Step},
        {"STEP", Run::Step},
        {"SO", Run::StepOver},
        {"STEPOVER", Run::StepOver},
        {"SOO", Run::StepOverOver},
        {"STEPOVEROVER", Run::StepOverOver},
        {"BREAK", Run::Break},
        {"START", Run::Start},
        {"GO", Run::Go},
        {"SAVE", Run::Save},
        {"LOAD", Run::Load},
        {"MOUNT", Run::Mount},
        {"M", Run::Mount},
        {"INFO", Run::Info},
    };
    const Builtin* builtin = nullptr;
    for (const Builtin& each : kBuiltins) {
        if (command.name.Compare(each.name) == 0) {
            builtin = &each;
            break;
        }
    }
    if (builtin == nullptr) {
        DeviceCommand(command);
        return;
    }
    const bool none = command.parameters == 0;
    const auto tooMany = [this] { PrintColoured(kPlainColour, "Error: Too many parameters"); };
    const bool stepping = powered && inLoop;
    common::PathString folder;
    switch (builtin->run) {
    case Run::Help:
        PrintHelp(command);
        return;
    case Run::Info:
        PrintColoured(kPlainColour, "%s%s%s", "Version: ", "Release", " (with internal debugger support)");
        return;
    case Run::Cpu:
    case Run::Save:
        if (!powered) {
            PrintStateError();
        } else if (!none) {
            tooMany();
        } else if (builtin->run == Run::Cpu) {
            PrintCpuState();
        } else {
            SaveStateToFile(folder, true);
        }
        return;
    case Run::Mount:
        if (powered) {
            PrintStateError();
        } else if (none) {
            PrintColoured(kPlainColour, "Error: Less parameters then needed");
        } else {
            MountCommand(command);
        }
        return;
    default:
        break;
    }
    if (!none) {
        tooMany();
        return;
    }
    switch (builtin->run) {
    case Run::Cls:
        console.Clear();
        break;
    case Run::Dasm:
        if (!PrintTrace()) {
            PrintStateError();
        }
        break;
    case Run::Step:
    case Run::StepOver:
    case Run::StepOverOver:
        if (!stepping) {
            PrintStateError();
        } else {
            StepCommand(builtin->run == Run::Step ? -1 : builtin->run == Run::StepOver ? 0 : 1);
        }
        break;
    case Run::Break:
        BreakCommand();
        break;
    case Run::Start:
        StartCommand();
        break;
    case Run::Go:
        GoCommand();
        break;
    case Run::Load:
        LoadStateFromFile(folder, true);
        break;
    default:
        break;
    }
}

void EmulatorCore::PrintStateError() {
    PrintColoured(kStateErrorColour, powered ? "Error: Emulation should NOT be active to execute this command"
                                             : "Error: Emulation should be active to execute this command");
}

bool EmulatorCore::PrintTrace() {
    common::NarrowString line;
    if (!PrintTraceLine(line)) {
        return false;
    }
    console.AppendLine(line);
    return true;
}

void EmulatorCore::PrintHelp(CommandLine& command) {
    PrintColoured(kHelpColour, ">HELP - Emulation Commands:");
    AppendBlock(console, kHelpCommands);
    PrintColoured(kKeysHeadingColour, "Console Keys:");
    AppendBlock(console, kHelpKeys);
    PrintColoured(kDeviceHeadingColour, "Device Commands:");
    // Each device with commands of its own lists them.
    common::ListCursor cursor(&command.tokens, &command.text);
    cursor.Next();
    cursor.Next();
    bool wrongState = false;
    machine->ExecuteCommand(common::NarrowString("HELP"), &cursor, 0, &wrongState);
}

void EmulatorCore::PrintCpuState() {
    common::StringList lines;
    Device* cpu = machine->CpuAt(0);
    if (cpu == nullptr || !cpu->DescribeState(lines, false, 0)) {
        PrintColoured(kPlainColour, "[ERROR] Cannot dump CPU state");
        return;
    }
    console.AppendLines(lines);
}

void EmulatorCore::StepCommand(int32_t mode) {
    StopAndWait();
    CpuInterface* cpu = machine->FirstCpu();
    int32_t count = 1;
    RunToKind kind = RunToKind::UntilLeaves;
    uint32_t target = 0;
    if (mode >= 0) {
        if (cpu == nullptr) {
            return;
        }
        TraceColumns columns;
        auto& [t0, t1, t2, t3, t4, t5, t6] = columns.texts;
        auto& [w0, w1, w2, w3, w4, w5, w6] = columns.widths;
        uint32_t flowFlags = 0;
        const int32_t length = cpu->Disassemble(t0, t1, t2, t3, t4, t5, t6, flowFlags, w0, w1, w2, w3, w4, w5, w6);
        const uint32_t pc = cpu->GetPC();
        target = pc;
        // Over a call that comes back, or (mode 1) over any instruction of known length: run to the one after it.
        if (length >= 1 && (mode == 1 || (flowFlags & kFlowMask) == kFlowCall)) {
            kind = RunToKind::UntilReaches;
            target = (pc + static_cast<uint32_t>(length)) & cpu->GetAddressMask();
        }
        count = -1;
    }
    runToKind = kind;
    runToAddress = static_cast<int32_t>(target);
    stepCounter = count;
    if (cpu != nullptr) {
        // A break point at the instruction the step starts on does not stop it again.
        repeatFlag = !repeatGuard;
        repeatGuard = true;
        repeatAddress = cpu->GetPC();
    }
    wakeRequest = true;
    ResumeEmulation();
}

void EmulatorCore::BreakCommand() {
    if (powered && !breakPending) {
        BreakEmulation(false);
        statusChanged = true;
    }
    if (powered && !consoleMode) {
        SetConsoleMode(true, false);
        statusChanged = true;
    }
    PrintTrace();
}

void EmulatorCore::StartCommand() {
    if (powered && consoleMode) {
        SetConsoleMode(false, false);
        statusChanged = true;
    }
    if (powered && breakPending) {
        ResumeEmulation();
        statusChanged = true;
    }
    if (!powered) {
        SetRunState(false, false);
        statusChanged = true;
    }
}

void EmulatorCore::GoCommand() {
    if (powered && breakPending) {
        ResumeEmulation();
        statusChanged = true;
    } else if (!powered) {
        SetRunState(true, true);
        PrintTrace();
        statusChanged = true;
    }
}

void EmulatorCore::MountCommand(CommandLine& command) {
    const auto print = [this](const char* text) { PrintColoured(kPlainColour, "%s", text); };
    DriveSlot* slot = nullptr;
    common::NarrowString driveName("FirstDrive");
    if (command.parameters == 2) {
        const DriveSet* drives = machine->Drives();
        if (drives == nullptr) {
            print("Error: No drives found!");
            return;
        }
        if (command.tokens.CopyTokenText(2, command.text, driveName)) {
            slot = drives->GetDriveOfKind(driveName);
        }
    } else {
        slot = GetDrive(0);
    }
    if (slot == nullptr) {
        print("Error: Incorrect drive name!");
        return;
    }
    common::NarrowString name;
    if (!MountFileName(*command.tokens.At(command.tokens.Count() - 1), command.text, name)) {
        print("Error: Incorrect file name!");
        return;
    }
    common::PathString path;
    path.Assign(name);
    if (!IsRegularFile(path)) {
        // A bare name may be one of the machine's configuration files.
        const common::PathString part = common::GetFileName(path);
        common::PathString found;
        if (part.IsEmpty() || part.Compare(".") == 0 || part.Compare("..") == 0 ||
            !RomFileLoader(*machine).LocateConfigFiles(part, found) || !IsRegularFile(found)) {
            print("Error: File not found!");
            return;
        }
        path = found;
    }
    // The old image stays until the new one is known to open (above), and comes back when the slot refuses it.
    const common::PathString oldPath = slot->ImagePath();
    slot->EjectImage();
    if (!slot->OpenImage(path)) {
        if (!oldPath.IsEmpty()) {
            slot->OpenImage(oldPath);
        }
        print("Error: Can not mount file to drive.");
        return;
    }
    if (!slot->latched) {
        slot->NotifyOwner(true);
        slot->latched = true;
        slot->NotifyOwner(false);
    }
    PrintColoured(kPlainColour, "Done: File \"%s\" successfully mounted to drive %s", common::GetFileName(path),
                  driveName);
}

void EmulatorCore::DeviceCommand(CommandLine& command) {
    common::ListCursor cursor(&command.tokens, &command.text);
    cursor.Next();
    while (cursor.Current() != nullptr && cursor.Current()->Type() == common::TokenType::Segment) {
        cursor.Next();
    }
    uint32_t answer = 0;
    bool wrongState = false;
    common::NarrowString name;
    if (cursor.Current() != nullptr && cursor.Current()->Type() == common::TokenType::Identifier &&
        cursor.CopyTokenText(name)) {
        name.ToUpper();
        cursor.Next();
        answer = machine->ExecuteCommand(name, &cursor, 0, &wrongState);
    }
    if (wrongState) {
        PrintStateError();
    } else if (answer == 0) {
        PrintColoured(kDeviceErrorColour, "Unknown command: %s", command.name);
    } else if (answer <= kLastParameterAnswer) {
        PrintColoured(kDeviceErrorColour, "%s: Incorrect parameter %d", command.name, answer);
    }
}

} // namespace emu
