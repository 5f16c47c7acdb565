// The trace line's columns: address, texts fitting, cut and empty, and widths the disassembler gives or not.
#include "app/TraceLine.h"

#include <gtest/gtest.h>

#include <string>

namespace emu {
namespace {

TraceColumns Columns(std::array<const char*, kTraceColumnCount> texts, std::array<int32_t, kTraceColumnCount> widths) {
    TraceColumns columns;
    for (size_t index = 0; index < kTraceColumnCount; ++index) {
        columns.texts[index].Assign(texts[index]);
    }
    columns.widths = widths;
    return columns;
}

TEST(TraceLineTest, ColumnsAreLaidOutByTheirWidths) {
    struct Case {
        const char* what;
        TraceColumns columns;
        uint32_t pc;
        uint32_t mask;
        const char* line;
    };
    const Case cases[] = {
        {"16-bit address made here", Columns({"", "", "", "", "", "", ""}, {}), 0x1F0, 0xFFFF, "[01F0]        "},
        {"8 digits from 17 bits", Columns({"", "", "", "", "", "", ""}, {}), 0x1F0, 0x1FFFF, "[000001F0]        "},
        {"the CPU's address width", Columns({"", "", "", "", "", "", ""}, {6}), 0x1F0, 0xFFFF, "[01F0  ]        "},
        {"the CPU's address text", Columns({"100000", "", "", "", "", "", ""}, {6}), 0, 0xFFFF, "[100000]        "},
        {"texts padded", Columns({"1000", "012700", "MOV", "#1,R0", "", "", ""}, {6, 6, 4, 8, 0, 0, 0}), 0, 0xFFFF,
         "[1000  ] 012700  MOV  #1,R0       "},
        {"10 characters in 8", Columns({"1000", "ABCDEFGHIJ", "", "", "", "", ""}, {4, 8}), 0, 0xFFFF,
         "[1000] ABCDEF..       "},
        {"width 1 and 0 keep only the dots", Columns({"1000", "A", "BC", "", "", "", ""}, {4, 0, 1}), 0, 0xFFFF,
         "[1000] ..  ..     "},
        {"a negative width is too long", Columns({"1000", "", "", "", "", "", ""}, {4, -3}), 0, 0xFFFF,
         "[1000] ..       "},
        {"an address longer than its width", Columns({"123456", "", "", "", "", "", ""}, {4}), 0, 0xFFFF,
         "[12..]        "},
    };
    for (const Case& test : cases) {
        common::NarrowString line("old");
        FormatTraceLine(test.columns, test.pc, test.mask, line);
        EXPECT_EQ(std::string(line.GetNarrow()), test.line) << test.what;
    }
}

} // namespace
} // namespace emu
