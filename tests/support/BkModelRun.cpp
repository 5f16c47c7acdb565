#include "support/BkModelRun.h"

#include "common/BmpCodec.h"
#include "common/FileStream.h"
#include "emu/core/BusService.h"
#include "emu/core/DriveSet.h"
#include "emu/core/MemoryMap.h"
#include "support/BkScreenText.h"
#include "support/TemporaryFolder.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string_view>

namespace test_support {

namespace {

// Frames a key is held down, and then left up, while the ROM reads it.
constexpr int64_t kKeyDownFrames = 3;
constexpr int64_t kKeyUpFrames = 3;

// Host keys of the punctuation, unshifted and shifted.
struct PunctuationKey {
    char character;
    uint8_t code;
    bool shifted;
};
constexpr PunctuationKey kPunctuation[] = {
    {'-', 0xE6, false}, {'_', 0xE6, true},  {'=', 0xE7, false},  {'+', 0xE7, true},  {';', 0xEA, false},
    {':', 0xEA, true},  {',', 0xEB, false}, {'<', 0xEB, true},   {'.', 0xEC, false}, {'>', 0xEC, true},
    {'/', 0xEF, false}, {'?', 0xEF, true},  {'\'', 0xF0, false}, {'"', 0xF0, true},  {')', '0', true},
    {'!', '1', true},   {'@', '2', true},   {'#', '3', true},    {'$', '4', true},   {'%', '5', true},
    {'&', '7', true},   {'*', '8', true},   {'(', '9', true},
};

} // namespace

std::optional<std::u16string> BkModelRun::RealRomFolder() {
    const std::optional<std::filesystem::path>& folder = test_support::RealRomFolder();
    if (!folder) {
        return std::nullopt;
    }
    return folder->u16string();
}

BkModelRun::BkModelRun(const emu::Computer& prototype, const std::u16string& romFolder) {
    std::unique_ptr<emu::Computer> made = prototype.NewInstance();
    machine.reset(dynamic_cast<emu::BkMachine*>(made.get()));
    if (machine != nullptr) {
        made.release();
    }
    if (machine == nullptr) {
        return;
    }
    common::ProgramFolders folders(romFolder + u"/zovbk.exe", std::u16string());
    machine->SetFolders(folders);
    machine->SetConsole(&console);
    machine->CreateServices();
    runner = std::make_unique<SliceRunner>(*machine);
}

// The renderer goes before the machine that holds it.
BkModelRun::~BkModelRun() {
    if (machine != nullptr) {
        machine->AttachRenderer(nullptr);
        if (machine->IsRunning()) {
            machine->Stop();
        }
    }
}

bool BkModelRun::PowerOn() {
    return PowerOn(renderer, sound);
}

bool BkModelRun::PowerOn(emu::RendererBase& presenter, emu::HostSoundOutput& output) {
    if (machine == nullptr || machine->Bus() == nullptr) {
        return false;
    }
    frame = &presenter;
    machine->AttachRenderer(&presenter);
    machine->SetSoundOutput(&output);
    machine->SetConsole(&console);
    machine->Bus()->SetRegistering(true);
    int32_t rate = 0;
    const bool started = machine->Start(rate);
    machine->Bus()->SetRegistering(false);
    return started && runner->Start();
}

void BkModelRun::Press(uint8_t code, bool shifted) {
    if (shifted) {
        runner->Key(kShift, true);
    }
    runner->Key(code, true);
    runner->RunFrames(kKeyDownFrames);
    runner->Key(code, false);
    if (shifted) {
        runner->Key(kShift, false);
    }
    runner->RunFrames(kKeyUpFrames);
}

void BkModelRun::Type(std::string_view text) {
    for (const char character : text) {
        if (character == '\n') {
            Press(kEnter);
        } else if (std::isalpha(static_cast<unsigned char>(character))) {
            Press(static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(character))),
                  std::islower(static_cast<unsigned char>(character)) != 0);
        } else if (std::isdigit(static_cast<unsigned char>(character)) || character == ' ') {
            Press(static_cast<uint8_t>(character));
        } else {
            for (const PunctuationKey& key : kPunctuation) {
                if (key.character == character) {
                    Press(key.code, key.shifted);
                    break;
                }
            }
        }
    }
}

bool BkModelRun::MountBin(const std::u16string& path) {
    emu::DriveSlot* slot = machine != nullptr && machine->Drives() != nullptr
                               ? machine->Drives()->DriveAt(emu::DriveKind::Cartridge, 0)
                               : nullptr;
    return slot != nullptr && slot->OpenImage(common::PathString(path.c_str()));
}

std::optional<BkScreenText> BkModelRun::Font() const {
    const emu::MemoryMap* memory = machine != nullptr ? machine->Memory() : nullptr;
    if (memory == nullptr || memory->Size() < 0120000) {
        return std::nullopt;
    }
    if (std::string_view(machine->FamilyId()) == "bk_0011") {
        if (memory->Size() < kExtendedRom + 020000) {
            return std::nullopt;
        }
        return BkScreenText(std::span<const uint8_t>(memory->RamBase() + kExtendedRom, 020000),
                            BkScreenText::kExtendedRomFont, BkScreenText::Charset::Koi8);
    }
    return BkScreenText(std::span<const uint8_t>(memory->RamBase() + BkScreenText::kMonitorAddress, 020000));
}

std::vector<std::string> BkModelRun::Screen() const {
    const std::optional<BkScreenText> text = Font();
    return text ? text->Read(*frame) : std::vector<std::string>{};
}

bool BkModelRun::Shows(std::string_view utf8) const {
    const std::optional<BkScreenText> text = Font();
    return text && text->Shows(*frame, utf8);
}

std::string BkModelRun::Describe(const std::string& name) const {
    std::string screen;
    for (const std::string& row : Screen()) {
        screen += "|" + row + "\n";
    }
    common::FileStream file;
    const std::string bmp = (std::filesystem::temp_directory_path() / (name + ".bmp")).string();
    if (file.Create(common::PathString(bmp.c_str()), true)) {
        auto& frame = const_cast<emu::OffscreenRenderer&>(renderer);
        common::Image* image = frame.AsImage();
        if (image != nullptr && common::WriteBmp(file, *image)) {
            screen += "(frame written to " + bmp + ")\n";
        }
    }
    return screen;
}

std::vector<std::string> BkModelRun::Lines(std::string_view prefix) {
    std::vector<std::string> found;
    for (const std::string& line : console.Texts()) {
        if (line.rfind(prefix, 0) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

} // namespace test_support
