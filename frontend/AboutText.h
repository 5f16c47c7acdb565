// The About box's texts and title size, apart from any window.
#pragma once

#include "common/WideString.h"

#include <cstdint>

namespace emu {

// The title's point size by its length in characters: the longer, the smaller; smaller sizes at a high DPI.
int32_t AboutTitleSize(int32_t length, bool highDpi);
// The text lines' point size.
int32_t AboutTextSize(bool highDpi);
// "Version 0.97", then " (build)" when the build description is not empty.
common::WideString AboutVersionLine(const common::String& build);
// The credit lines: the project (never a person) and the machines it emulates.
common::WideString AboutCreditLine(int32_t line);

} // namespace emu
