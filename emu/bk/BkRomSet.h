#pragma once

#include <cstdint>
#include <span>

namespace emu {

// What a ROM image's place holds when its file is missing or of a refused size.
enum class RomMissing : uint8_t {
    // The model cannot start.
    FailsStart,
    // Its pages stay as the model's start left them.
    LeftAbsent,
    // NOP, RTS PC (000240, 000207) at its entry, so that a call into it returns at once; that page read-only.
    StandIn,
    // The stand-in, and all of its pages read-only.
    StandInReadOnly,
};

// One ROM image of a model: the file (the first of two names found) loaded at position in the machine's memory,
// of exactly size bytes or at most size, then made read-only; the title names it in the loader's lines.
struct BkRomImage {
    uint32_t position;
    uint32_t size;
    bool exactSize;
    RomMissing missing;
    // Loaded only when the image before it loaded: the later parts of a ROM split over several files.
    bool afterPrevious;
    const char* title;
    const char* firstName;
    const char* secondName = nullptr;
};

// A model's ROM images in the order they load, and the part of its memory that reads all ones where nothing is
// loaded (none when both are 0).
struct BkRomSet {
    std::span<const BkRomImage> images;
    uint32_t blankFrom = 0;
    uint32_t blankTo = 0;
};

// The images that several models share.
namespace bk_rom {

inline constexpr uint32_t kRomSize = 8192;

inline constexpr BkRomImage kMonitor{0100000, kRomSize,         true,         RomMissing::FailsStart,
                                     false,   "System Monitor", "monit10.rom"};
inline constexpr BkRomImage kBos{
    0140000, kRomSize, true, RomMissing::FailsStart, false, "Base Operating System (BOS)", "B11M_BOS.ROM"};
// The BK-0011M's BASIC: left out, and the start goes on, when its first file is missing or of the wrong size.
inline constexpr BkRomImage kBasic11{
    0x10000, 2 * kRomSize, true, RomMissing::LeftAbsent, false, "BASIC Language 1/3+2/3", "BAS11M_0.ROM"};
inline constexpr BkRomImage kBasic11Third{
    0x14000, kRomSize, false, RomMissing::FailsStart, true, "BASIC Language 3/3", "BAS11M_1.ROM"};
inline constexpr BkRomImage kExtended{0x16000, kRomSize,       true,          RomMissing::FailsStart,
                                      false,   "Extended ROM", "B11M_EXT.ROM"};
// The BK-0011M line's ROM area, 0140000 of its memory to the end of the ROM banks.
inline constexpr uint32_t kBk0011RomAreaStart = 0x0C000;
inline constexpr uint32_t kBk0011RomAreaEnd = 0x20000;

} // namespace bk_rom

} // namespace emu
