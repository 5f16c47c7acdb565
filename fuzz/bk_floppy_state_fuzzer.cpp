// Loads the own state of the BK floppy controller into a started BK machine whose two drives hold raw images (an
// 80- and a 40-cylinder one): arbitrary bytes (first byte 0), or the saved state of a controller that ran a few
// register accesses, with bytes changed (first byte not 0; then pairs of a 16-bit position and a value). A state
// that loads must leave a selected drive with its whole track, serve the register view, and save again into bytes
// that load back to the same state; a refused one changes nothing. The seeds are that controller's state, for both
// kinds.
#include "OwnState.h"
#include "PowerOn.h"
#include "Seed.h"
#include "emu/bk/BkFloppyController.h"
#include "emu/bk/BkMachine.h"
#include "emu/core/BusService.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The images, written once per process into a folder removed when it ends.
struct ImageFolder {
    ImageFolder() : folder(std::filesystem::temp_directory_path() / ("bk_floppy_fuzz_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder);
        for (const size_t size : {size_t{819200}, size_t{409600}}) {
            const std::filesystem::path file = folder / (std::to_string(size) + ".img");
            std::ofstream out(file, std::ios::binary);
            std::string bytes(size, '\0');
            for (size_t at = 0; at < size; ++at) {
                bytes[at] = static_cast<char>(at / 512 + at);
            }
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            paths.push_back(file.u16string());
        }
    }
    ~ImageFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    std::vector<std::u16string> paths;
};

const std::vector<std::u16string>& ImagePaths() {
    static const ImageFolder images;
    return images.paths;
}

class FloppyMachine : public emu::BkMachine {
public:
    FloppyMachine() {
        SetSoundOutput(&sound);
        if (!CreateServices() || !Drives()->SetFloppyCount(2)) {
            std::abort();
        }
        Cpu()->SetFrequency(3000000);
        Cpu()->SetStartWord(0100000);
        auto made = std::make_unique<emu::BkFloppyController>();
        controller = made.get();
        AddChild(std::move(made));
        for (int32_t index = 0; index < 2; ++index) {
            emu::DriveSlot* slot = Drives()->DriveAt(emu::DriveKind::Floppy, index);
            slot->OpenImage(common::PathString(ImagePaths()[static_cast<size_t>(index)].c_str()));
            if (!controller->AddDrive(slot)) {
                std::abort();
            }
        }
        controller->InstallRomHook();
    }

    bool Start(int32_t& rate) override {
        return Memory()->Create(0x10000, 0177777, 0) && BkMachine::Start(rate) && MapRegisterPage();
    }
    emu::BkFloppyController* FloppyController() const override { return controller; }
    bool AddRegisters(emu::BkRegisterTable& table) override {
        return BkMachine::AddRegisters(table) && emu::BkFloppyController::AddRegisters(table);
    }

    bool PowerOn() { return fuzz::StartRegistering(*this) && SetBusRate(88200, -1, true) > 0; }

    // The register view: control writes, state and data reads, bus ticks between them.
    void Exercise(const std::vector<uint16_t>& controls) {
        for (const uint16_t value : controls) {
            Memory()->WriteWord(0177130, value);
            for (int32_t word = 0; word < 40; ++word) {
                Memory()->ReadWord(0177132, 0);
                Memory()->ReadWord(0177130, 0);
                TickBus();
            }
        }
    }

    emu::BkFloppyController* controller = nullptr;

private:
    emu::HostSoundOutput sound;
};

std::vector<uint8_t> StateFrom(const uint8_t* data, size_t size) {
    if (size == 0 || data[0] == 0) {
        return std::vector<uint8_t>(data + (size > 0 ? 1 : 0), data + size);
    }
    FloppyMachine source;
    if (!source.PowerOn()) {
        std::abort();
    }
    source.Exercise({0x0011, 0x00D1, 0x00F1, 0x0131, 0x0031, 0x0012});
    std::vector<uint8_t> state = fuzz::SavedOwnData(*source.controller);
    fuzz::ChangeBytes(state, data, size);
    return state;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The first byte 1 without changes: the state as saved.
    const uint8_t unchanged = 1;
    fuzz::WriteStateSeeds("controller", {}, StateFrom(&unchanged, 1));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FloppyMachine machine;
    if (!machine.PowerOn()) {
        std::abort();
    }
    machine.Exercise({0x0011, 0x00D1});
    const std::vector<uint8_t> before = fuzz::SavedOwnData(*machine.controller);
    if (!fuzz::LoadOwnData(*machine.controller, StateFrom(data, size))) {
        if (fuzz::SavedOwnData(*machine.controller) != before) {
            std::abort();
        }
        return 0;
    }
    const emu::BkFloppyController& controller = *machine.controller;
    if (controller.SelectedIndex() >= 0 &&
        (controller.TrackLength() != emu::BkFloppyController::kTrackWords ||
         controller.Track().size() != static_cast<size_t>(controller.TrackLength()))) {
        std::abort();
    }
    machine.Exercise({0x00D1, 0x0131, 0x0031, 0x0002, 0x00D2});
    const std::vector<uint8_t> saved = fuzz::SavedOwnData(*machine.controller);
    FloppyMachine again;
    if (!again.PowerOn() || !fuzz::LoadOwnData(*again.controller, saved) ||
        fuzz::SavedOwnData(*again.controller) != saved) {
        std::abort();
    }
    return 0;
}
