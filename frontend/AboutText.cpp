#include "frontend/AboutText.h"

#include "common/TextTable.h"
#include "emu/core/UiTextId.h"

namespace emu {
int32_t AboutTitleSize(int32_t length, bool highDpi) {
    const int32_t sizes[2][5] = {{14, 15, 16, 17, 19}, {12, 13, 14, 15, 17}};
    const int32_t* set = sizes[highDpi ? 1 : 0];
    if (length >= 26) {
        return set[0];
    }
    if (length >= 24) {
        return set[1];
    }
    if (length >= 22) {
        return set[2];
    }
    if (length >= 18) {
        return set[3];
    }
    return set[4];
}

int32_t AboutTextSize(bool highDpi) {
    return highDpi ? 7 : 9;
}

common::WideString AboutVersionLine(const common::String& build) {
    common::WideString line = common::GetText(emu::text::kVersion, u"Version");
    line.Append(" 0.97");
    if (!build.IsEmpty()) {
        line.Append(" (");
        line.Append(build);
        line.Append(")");
    }
    return line;
}

common::WideString AboutCreditLine(int32_t line) {
    if (line != 0) {
        return common::WideString("BK-0010, BK-0010.01, BK-0011M");
    }
    common::WideString text = common::GetText(emu::text::kAuthor, u"Author");
    text.Append(": ");
    text.Append(common::GetText(emu::text::kCredit, u"ZOV/BK project, Russia"));
    return text;
}

} // namespace emu
