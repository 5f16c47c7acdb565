// The loading of a model's ROM set: each image at its place, its pages made read-only, and what stands in for an
// optional one that is missing.
#include "emu/bk/BkRomSet.h"

#include "emu/bk/BkMachine.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/RomFileLoader.h"

#include <cstring>

namespace emu {

namespace {

// NOP, RTS PC: a call into a missing optional ROM returns at once.
constexpr uint16_t kNop = 0000240;
constexpr uint16_t kReturn = 0000207;

uint32_t PageOf(uint32_t position) {
    return position / page::kSize;
}

uint32_t PagesOf(uint32_t size) {
    return (size + page::kSize - 1) / page::kSize;
}

FileAlternatives Names(const BkRomImage& image) {
    FileAlternatives names;
    names[0] = common::PathString(image.firstName);
    if (image.secondName != nullptr) {
        names[1] = common::PathString(image.secondName);
    }
    return names;
}

// One model's loads over one memory.
class RomLoads {
public:
    RomLoads(const Device& machine, MemoryMap& memory) : loader(machine), memory(memory) {}

    // The image's file; answers whether it loaded.
    bool Load(const BkRomImage& image) {
        return loader.LoadFileToMemory(image.position, image.exactSize ? image.size : 0, image.size,
                                       common::NarrowString(image.title), Names(image)) != 0;
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
    // What the image's place holds without its file; false when the start cannot go on.
    bool Missing(const BkRomImage& image) {
        switch (image.missing) {
        case RomMissing::FailsStart:
            return false;
        case RomMissing::LeftAbsent:
            return true;
        case RomMissing::StandIn:
            return StandIn(image.position);
        case RomMissing::StandInReadOnly:
            return StandIn(image.position) && ReadOnly(image.position, PagesOf(image.size));
        }
        return false;
    }

private:
    RomFileLoader loader;
    MemoryMap& memory;
};

} // namespace

bool BkMachine::LoadRomSet() {
    MemoryMap* memory = Memory();
    const BkRomSet set = RomSet();
    if (memory == nullptr || set.images.empty() || set.blankTo > memory->Size() || set.blankFrom > set.blankTo) {
        return false;
    }
    std::memset(memory->RamBase() + set.blankFrom, 0377, set.blankTo - set.blankFrom);
    RomLoads roms(*this, *memory);
    bool previousLoaded = true;
    for (const BkRomImage& image : set.images) {
        if (image.afterPrevious && !previousLoaded) {
            continue;
        }
        previousLoaded = roms.Load(image);
        if (previousLoaded ? !roms.ReadOnly(image.position, PagesOf(image.size)) : !roms.Missing(image)) {
            return false;
        }
    }
    return true;
}

} // namespace emu
