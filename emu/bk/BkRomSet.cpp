// The ROM images of every BK model: where each goes, its size limits, and what stands in for an optional one
// that is missing.
#include "emu/bk/BkMachine.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/RomFileLoader.h"

#include <cstring>

namespace emu {

namespace {

constexpr uint32_t kRomSize = 8192;
constexpr uint32_t kBasic11Size = 16384;
// Pages of 8 KB.
constexpr uint32_t kRomPages = kRomSize / page::kSize;

// CPU addresses, which are also the buffer positions of the first 64 KB.
constexpr uint32_t kMonitorAt = 0100000;
constexpr uint32_t kRom120At = 0120000;
constexpr uint32_t kRom140At = 0140000;
constexpr uint32_t kRom160At = 0160000;
// The BK-0011M's ROM banks in its memory buffer.
constexpr uint32_t kBasic11At = 0x10000;
constexpr uint32_t kBasic11ThirdAt = 0x14000;
constexpr uint32_t kExtendedAt = 0x16000;
constexpr uint32_t kBk0011RomAreaStart = 0x0C000;
constexpr uint32_t kBk0011RomAreaEnd = 0x20000;

// NOP, RTS PC: a call into a missing optional ROM returns at once.
constexpr uint16_t kNop = 0000240;
constexpr uint16_t kReturn = 0000207;

uint32_t PageOf(uint32_t position) {
    return position / page::kSize;
}

FileAlternatives Names(const char* first, const char* second = nullptr) {
    FileAlternatives names;
    names[0] = common::PathString(first);
    if (second != nullptr) {
        names[1] = common::PathString(second);
    }
    return names;
}

// One model's loads over one memory.
class RomSet {
public:
    RomSet(const Device& machine, MemoryMap& memory) : loader(machine), memory(memory) {}

    // The file (at exactly size bytes when exact, else at most size) at position; answers whether it loaded.
    bool Load(uint32_t position, uint32_t size, bool exact, const char* description, const FileAlternatives& names) {
        return loader.LoadFileToMemory(position, exact ? size : 0, size, common::NarrowString(description), names) != 0;
    }
    bool ReadOnly(uint32_t position, uint32_t pageCount) {
        return memory.SetPageMapping(MemoryMap::Access::ReadOnly, PageOf(position), pageCount);
    }
    // NOP, RTS PC at position, its page read-only.
    bool StandIn(uint32_t position) {
        if (position + 4 > memory.Size()) {
            return false;
        }
        uint8_t* bytes = memory.RamBase() + position;
        const uint8_t words[4] = {kNop & 0xFF, kNop >> 8, kReturn & 0xFF, kReturn >> 8};
        std::memcpy(bytes, words, sizeof words);
        return ReadOnly(position, 1);
    }
    bool Monitor() {
        return Load(kMonitorAt, kRomSize, true, "System Monitor", Names("monit10.rom")) &&
               ReadOnly(kMonitorAt, kRomPages);
    }
    bool FloppyDriver(const char* first, const char* second) {
        return Load(kRom160At, kRomSize, false, "Floppy Driver", Names(first, second)) &&
               ReadOnly(kRom160At, kRomPages);
    }
    // The BK-0011M's BASIC: left out, and the start goes on, when its first file is missing or of the wrong size.
    bool Basic11() {
        if (!Load(kBasic11At, kBasic11Size, true, "BASIC Language 1/3+2/3", Names("BAS11M_0.ROM"))) {
            return true;
        }
        return Load(kBasic11ThirdAt, kRomSize, false, "BASIC Language 3/3", Names("BAS11M_1.ROM")) &&
               ReadOnly(kBasic11At, (kBasic11Size + kRomSize) / page::kSize);
    }

    MemoryMap& Memory() const { return memory; }

private:
    RomFileLoader loader;
    MemoryMap& memory;
};

} // namespace

bool BkMachine::LoadRomSet() {
    MemoryMap* memory = Memory();
    if (memory == nullptr || modelIndex == 0 || modelIndex > 6) {
        return false;
    }
    RomSet roms(*this, *memory);
    switch (modelIndex) {
    case kBk0010:
        if (!roms.Monitor()) {
            return false;
        }
        if (!roms.Load(kRom120At, kRomSize, false, "FOCAL Language", Names("Focal.rom")) && !roms.StandIn(kRom120At)) {
            return false;
        }
        if (!roms.ReadOnly(kRom120At, kRomPages)) {
            return false;
        }
        // Without the tests their pages stay absent; the register page serves the top kilobyte.
        return !roms.Load(kRom160At, kRomSize, false, "System Tests", Names("Tests.rom")) ||
               roms.ReadOnly(kRom160At, kRomPages);
    case kBk0010_01:
        if (!roms.Monitor()) {
            return false;
        }
        if (!roms.Load(kRom120At, kRomSize, false, "BASIC Language 1/3", Names("Basic10first.rom"))) {
            return roms.StandIn(kRom120At);
        }
        return roms.Load(kRom140At, kRomSize, false, "BASIC Language 2/3", Names("Basic10second.rom")) &&
               roms.Load(kRom160At, kRomSize, false, "BASIC Language 3/3", Names("Basic10third.rom")) &&
               roms.ReadOnly(kRom120At, 3 * kRomPages);
    case kBk0010Fdd:
        return roms.Monitor() && roms.FloppyDriver("disk_326.bin", "disk_327.rom");
    default:
        break;
    }
    // The BK-0011M line: its ROM area reads all ones where nothing is loaded.
    if (memory->Size() < kBk0011RomAreaEnd) {
        return false;
    }
    std::memset(memory->RamBase() + kBk0011RomAreaStart, 0377, kBk0011RomAreaEnd - kBk0011RomAreaStart);
    if (!roms.Load(kRom140At, kRomSize, true, "Base Operating System (BOS)", Names("B11M_BOS.ROM")) ||
        !roms.ReadOnly(kRom140At, kRomPages)) {
        return false;
    }
    if (modelIndex == kBk0011m) {
        if (!roms.Basic11()) {
            return false;
        }
        if (LoadMSTD()) {
            if (!roms.Load(kRom160At, kRomSize, false, "Tests and Diagnostic (MSTD)", Names("B11M_MSTD.ROM")) ||
                !roms.ReadOnly(kRom160At, kRomPages)) {
                return false;
            }
        } else if (!roms.Load(kRom160At, kRomSize, false, "Floppy Driver", Names("disk_327.rom", "disk_326.bin"))) {
            if (!roms.StandIn(kRom160At)) {
                return false;
            }
        } else if (!roms.ReadOnly(kRom160At, kRomPages)) {
            return false;
        }
    } else if (!roms.FloppyDriver("disk_327.rom", "disk_326.bin") || !roms.Basic11()) {
        return false;
    }
    return roms.Load(kExtendedAt, kRomSize, true, "Extended ROM", Names("B11M_EXT.ROM")) &&
           roms.ReadOnly(kExtendedAt, kRomPages);
}

} // namespace emu
