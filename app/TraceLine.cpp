#include "app/TraceLine.h"

#include <algorithm>
#include <string>

namespace emu {

namespace {

// What stands before each column; the address column is closed by "]".
constexpr std::array<const char*, kTraceColumnCount> kLeads = {"[", " ", "  ", " ", "  ", " ", " "};

} // namespace

void FormatTraceLine(const TraceColumns& columns, uint32_t pc, uint32_t addressMask, common::NarrowString& out) {
    std::array<const common::NarrowString*, kTraceColumnCount> texts{};
    for (size_t index = 0; index < kTraceColumnCount; ++index) {
        texts[index] = &columns.texts[index];
    }
    std::array<int32_t, kTraceColumnCount> widths = columns.widths;
    common::NarrowString address;
    if (texts[0]->IsEmpty()) {
        const bool wide = addressMask >= 0x10000;
        if (widths[0] <= 0) {
            widths[0] = wide ? 8 : 4;
        }
        address.Format(wide ? "%.8lX" : "%.4lX", pc);
        texts[0] = &address;
    }
    std::string line;
    for (size_t index = 0; index < kTraceColumnCount; ++index) {
        const int32_t width = widths[index];
        const int32_t length = texts[index]->Length();
        line += kLeads[index];
        if (length <= width) {
            line.append(texts[index]->GetNarrow(), static_cast<size_t>(length));
            line.append(static_cast<size_t>(width - length), ' ');
        } else {
            const int32_t kept = width >= 2 ? width - 2 : 0;
            line.append(texts[index]->GetNarrow(), static_cast<size_t>(kept));
            line += "..";
        }
        if (index == 0) {
            line += "]";
        }
    }
    out.Assign(line.c_str(), static_cast<int>(line.size()));
}

} // namespace emu
