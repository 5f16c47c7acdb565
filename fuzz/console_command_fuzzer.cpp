// Cuts arbitrary command lines into tokens: a line either fails at a place inside it or gives its segment first
// and then tokens in line order, each inside the line and its text cut out again through a list cursor. Then runs
// the line as a console command on a core whose machine (a 1801BM1 in 64 KB of RAM) has no drive slot, so that no
// host file is mounted: every command must give its pause back and leave a core that still answers.
#include "app/EmulatorCore.h"
#include "common/ConsoleTokens.h"
#include "common/ListCursor.h"
#include "common/NarrowString.h"
#include "common/TokenList.h"
#include "fuzz/Seed.h"
#include "fuzz/StandInCore.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

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
    Fixture() : standIn("zov_console_command_fuzzer"), core(standIn.core) {
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

    fuzz::StandInCore standIn;
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

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The same lines as corpus seeds, after a first byte ('0') that puts no command word before them.
    for (size_t index = 0; index < kSeeds.size(); ++index) {
        const std::string line = std::string("0") + kSeeds[index];
        fuzz::WriteSeed(("line" + std::to_string(index)).c_str(), std::vector<uint8_t>(line.begin(), line.end()));
    }
    return 0;
}

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
