// Cuts arbitrary command lines into tokens: a line either fails at a place inside it or gives its segment first
// and then tokens in line order, each inside the line and its text cut out again through a list cursor. Then runs
// the line as a console command on a core whose machine (a 1801BM1 in 64 KB of RAM) has no drive slot, so that no
// host file is mounted: every command must give its pause back and leave a core that still answers.
#include "app/EmulatorConfig.h"
#include "app/EmulatorCore.h"
#include "common/ConsoleTokens.h"
#include "common/ListCursor.h"
#include "common/NarrowString.h"
#include "common/TokenList.h"

#include "emu/core/Computer.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/RendererBase.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A 1801BM1 in 64 KB of RAM, without drive slots.
class FuzzedModel : public emu::Computer {
public:
    FuzzedModel() : Computer("FUZZ") {
        CreateServices();
        auto cpu = std::make_unique<emu::Cpu1801BM1>();
        cpu->SetFrequency(3000000);
        cpu->SetStartWord(01000);
        AddChild(std::move(cpu));
    }
    std::unique_ptr<emu::Computer> NewInstance() const override { return std::make_unique<FuzzedModel>(); }
    const char* ModelId() const override { return "fuzz"; }
    bool Start(int32_t& rate) override { return Memory()->Create(0x10000, 0xFFFF, 0) && Computer::Start(rate); }
};

std::unique_ptr<emu::Computer> MakeModel() {
    return std::make_unique<FuzzedModel>();
}

constexpr emu::EmulatorConfig::MachineListEntry kModels[] = {{&MakeModel, false}};

// Command words put before the input, so that mutations reach the commands' own checks; "" leaves it alone.
constexpr std::array<const char*, 16> kPrefixes = {
    "",    "",       "help ",  "mount ", "m fdd ", "s ",    "so ",  "soo ",
    "go ", "break ", "start ", "cpu ",   "dasm ",  "info ", "cls ", "mount \"",
};

// The lines the command table of the tests runs, once before the first input.
constexpr std::array<const char*, 24> kSeeds = {
    "help", "h",    "help a b c",    "",      "   ",      "5",          ",",         "cls x",        "cpu",
    "dasm", "save", "info x",        "mount", "mount 12", "mount \"\"", "mount \"a", "mount \"..\"", "mount HDD x.img",
    "go",   "so",   "s 99999999999", "12ab",  "-1",       "break",
};

struct Fixture {
    Fixture() {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zov_console_command_fuzzer";
        std::filesystem::create_directories(folder);
        emu::EmulatorConfig::Environment environment;
        environment.folders = common::ProgramFolders((folder / "fuzzer").u16string(), std::u16string());
        config =
            std::make_unique<emu::EmulatorConfig>(std::move(environment), kModels, emu::EmulatorConfig::HostMedia());
        core = config->CreateCore(0);
        Check(core != nullptr);
        for (const char* seed : kSeeds) {
            Run(common::NarrowString(seed));
        }
    }

    void Run(const common::NarrowString& line) const {
        core->ExecuteCommand(line);
        core->Console().Clear();
        Check(core->PauseDepth() == 0);
        // The thread still parks when asked.
        Check(core->HoldThread(true));
        core->HoldThread(false);
    }

    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore* core = nullptr;
};

void RunCommand(const uint8_t* data, size_t size) {
    static const Fixture fixture;
    common::NarrowString line(size != 0 ? kPrefixes[data[0] % kPrefixes.size()] : "");
    for (size_t index = 1; index < size; ++index) {
        line.InsertChar(static_cast<char>(data[index]), line.Length());
    }
    fixture.Run(line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Byte by byte, zero bytes included.
    common::NarrowString line;
    for (size_t index = 0; index < size; ++index) {
        line.InsertChar(static_cast<char>(data[index]), line.Length());
    }
    const int32_t length = line.Length();

    common::TokenList list;
    const common::TokenizeResult& result = list.TokenizeCommand(line, common::ClassifyTokenChar);
    if (!result.ok) {
        Check(result.absolutePosition >= 0 && result.absolutePosition < length);
        Check(result.absolutePosition + result.length <= length);
        RunCommand(data, size);
        return 0;
    }
    int32_t end = 0;
    common::ListCursor cursor(&list, &line);
    for (cursor.Next(); cursor.Current() != nullptr; cursor.Next()) {
        const common::Token* token = cursor.Current();
        const int32_t start = token->AbsolutePosition();
        Check(token->Length() > 0 && start >= 0 && start + token->Length() <= length);
        common::NarrowString text;
        Check(cursor.CopyTokenText(text) && text.Length() == token->Length());
        if (cursor.Index() == 0) {
            Check(token->Type() == common::TokenType::Segment && start == 0 && token->Length() == length);
        } else {
            Check(token->Type() != common::TokenType::Segment && start >= end);
            end = start + token->Length();
        }
    }
    Check(cursor.Index() == list.Count());
    RunCommand(data, size);
    return 0;
}
