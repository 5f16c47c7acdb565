// Loads the own state of a BK-0011M (the family's records and the model's: the windows, the Covox run, the frame
// interrupt's enable) into a started machine on synthetic ROMs: arbitrary bytes (first byte 0), or the saved state
// of a machine that switched its windows, with bytes changed (first byte not 0; then pairs of a 16-bit position and
// a value). A state that loads must save again into bytes that load back to the same state; a refused one must
// leave the machine's state as it was. The seeds are that machine's state, for both kinds.
#include "OwnState.h"
#include "PowerOn.h"
#include "Seed.h"
#include "common/ProgramFolders.h"
#include "emu/bk/Bk0011mMachine.h"
#include "emu/core/BusService.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// The ROM images, written once: all ones but for the BOS's branch to itself.
const std::filesystem::path& RomFolder() {
    static const std::filesystem::path folder = [] {
        const std::filesystem::path made = std::filesystem::temp_directory_path() / "zov_bk0011m_fuzz_roms";
        std::filesystem::create_directories(made);
        const std::pair<const char*, size_t> roms[] = {{"B11M_BOS.ROM", 8192},
                                                       {"BAS11M_0.ROM", 16384},
                                                       {"BAS11M_1.ROM", 8192},
                                                       {"B11M_EXT.ROM", 8192},
                                                       {"B11M_MSTD.ROM", 8192}};
        for (const auto& [name, size] : roms) {
            std::string bytes(size, '\377');
            bytes[1] = '\001';
            std::ofstream(made / name, std::ios::binary) << bytes;
        }
        return made;
    }();
    return folder;
}

class FuzzedMachine {
public:
    FuzzedMachine() {
        machine.SetFolders(common::ProgramFolders((RomFolder() / "zovbk.exe").u16string(), std::u16string()));
        machine.SetSoundOutput(&sound);
        if (!machine.CreateServices()) {
            std::abort();
        }
        if (!fuzz::StartRegistering(machine)) {
            std::abort();
        }
    }
    ~FuzzedMachine() { machine.Stop(); }

    emu::Bk0011mMachine machine;

private:
    emu::HostSoundOutput sound;
};

std::vector<uint8_t> StateFrom(const uint8_t* data, size_t size) {
    if (size == 0 || data[0] == 0) {
        return std::vector<uint8_t>(data + (size > 0 ? 1 : 0), data + size);
    }
    FuzzedMachine source;
    emu::MemoryMap& memory = *source.machine.Memory();
    memory.WriteWord(0177716, 054002);
    memory.WriteWord(0177662, 040000);
    memory.WriteWord(0177714, 0);
    std::vector<uint8_t> state = fuzz::SavedOwnData(source.machine);
    fuzz::ChangeBytes(state, data, size);
    return state;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The first byte 1 without changes: the state as saved.
    const uint8_t unchanged = 1;
    fuzz::WriteStateSeeds("bk0011m", {}, StateFrom(&unchanged, 1));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedMachine target;
    const std::vector<uint8_t> before = fuzz::SavedOwnData(target.machine);
    if (!fuzz::LoadOwnData(target.machine, StateFrom(data, size))) {
        if (fuzz::SavedOwnData(target.machine) != before) {
            std::abort();
        }
        return 0;
    }
    target.machine.Memory()->ReadWord(040000, 0);
    target.machine.Memory()->WriteWord(0100000, 1);
    const std::vector<uint8_t> saved = fuzz::SavedOwnData(target.machine);
    FuzzedMachine again;
    if (!fuzz::LoadOwnData(again.machine, saved) || fuzz::SavedOwnData(again.machine) != saved) {
        std::abort();
    }
    return 0;
}
