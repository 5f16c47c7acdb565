// The trace line: the instruction at the program counter as the disassembler describes it, laid out in fixed
// columns so that the lines of a trace stand under each other in the console.
#pragma once

#include "common/NarrowString.h"

#include <array>
#include <cstdint>

namespace emu {

inline constexpr size_t kTraceColumnCount = 7;

// The disassembler's texts and the width each wants; column 0 is the address.
struct TraceColumns {
    std::array<common::NarrowString, kTraceColumnCount> texts;
    std::array<int32_t, kTraceColumnCount> widths{};
};

// Builds the line into out: "[" address "]", then the columns after one or two blanks, each padded to its width.
// Without an address text the program counter stands there in 4 hexadecimal digits (8 for an address mask of 17
// bits or more), unless the disassembler gave a width of its own. A text longer than its width keeps width - 2
// characters and gets "..", so the column keeps its width; a width below 2 (or negative) leaves only "..".
void FormatTraceLine(const TraceColumns& columns, uint32_t pc, uint32_t addressMask, common::NarrowString& out);

} // namespace emu
