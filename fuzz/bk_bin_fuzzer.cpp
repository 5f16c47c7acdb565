// Mounts arbitrary bytes as a BIN file in a BK-0010's BIN slot and lets the monitor's jump to 0120000 start it.
// A file that is refused must leave memory as it was and the ROM in place; a file that is taken must be in RAM
// where its header says, with the jump aimed inside it or at its own address. The seeds are two small BIN files:
// a program at 01000, and one loaded below 01000 whose start cell names it.
#include "BkModelFuzz.h"
#include "Seed.h"
#include "emu/core/DriveSet.h"
#include "emu/core/MemoryMap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

constexpr uint32_t kHook = 0120000;
constexpr uint16_t kJump = 000167;

// The RAM as the processor sees it, the screen included (the video keeps it).
std::vector<uint8_t> Ram(emu::MemoryMap& memory) {
    std::vector<uint8_t> bytes(0100000);
    for (uint32_t address = 0; address < bytes.size(); ++address) {
        bytes[address] = memory.ReadByte(address, 1);
    }
    return bytes;
}

uint16_t WordOf(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The address and the length, then the block: MOV #1, R0; BR . at 01000.
    fuzz::WriteSeed("program", {0000, 0002, 6, 0, 0301, 0025, 1, 0, 0377, 0001});
    // From 0772: a word of data, the start address 01000 in 0774, then the program at 01000 as above.
    std::vector<uint8_t> low = {0372, 0001, 014, 0, 0125, 0125, 0000, 0002, 0, 0};
    low.insert(low.end(), {0301, 0025, 1, 0, 0377, 0001});
    fuzz::WriteSeed("autostart", low);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::filesystem::path file = fuzz::SyntheticRomFolder() / "fuzzed.bin";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    fuzz::FuzzedModel<emu::Bk0010Machine> model;
    emu::BkMachine& machine = model.Machine();
    emu::DriveSlot* slot = machine.Drives()->DriveAt(emu::DriveKind::Cartridge, 0);
    if (slot == nullptr || !slot->OpenImage(common::PathString(file.u16string().c_str())) || !model.PowerOn()) {
        std::abort();
    }
    emu::MemoryMap& memory = *machine.Memory();
    const std::vector<uint8_t> before = Ram(memory);
    const uint16_t first = memory.ReadWord(kHook, 0);
    if (first != kJump) {
        // Refused: nothing changed, and the page is the ROM's again.
        if (Ram(memory) != before || slot->mediaReady || !memory.PageAt(kHook / 1024)->FetchesInPlace() ||
            machine.AutostartStep() != -1) {
            std::abort();
        }
        model.Run(100);
        return 0;
    }
    // A file is taken whole or not at all: never cut at the end of the RAM.
    const uint16_t address = WordOf(data);
    const uint32_t length = WordOf(data + 2);
    if (size < 4 || size > 32768 || address + length > 0100000 || length == 0 || size < 4 + length ||
        !slot->mediaReady) {
        std::abort();
    }
    for (uint32_t index = 0; index < length; ++index) {
        const uint32_t at = address + index;
        const bool systemCell = (at >= 0264 && at < 0270) || (at >= 0346 && at < 0352);
        if (!systemCell && memory.ReadByte(at, 1) != data[4 + index]) {
            std::abort();
        }
    }
    // The program starts at its address, or, loaded below 01000, where 0774 or its first word says.
    const auto target = static_cast<uint16_t>(memory.ReadWord(kHook + 2, 0) + kHook + 4);
    bool named = false;
    if (address < 01000) {
        const auto firstWord = static_cast<uint16_t>(data[4] | (length > 1 ? data[5] : before[address + 1]) << 8);
        named = (target >= address && target < address + length) || target == firstWord;
    }
    if (target != address && !named) {
        std::abort();
    }
    if (!memory.PageAt(kHook / 1024)->FetchesInPlace() || memory.ReadWord(kHook, 0) != 0000777) {
        std::abort();
    }
    model.Run(100);
    return 0;
}
