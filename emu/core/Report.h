// What the console reports of the device tree share: their colours (0xAARRGGBB) and the packing of the arguments
// of their printf-style texts.
#pragma once

#include "common/FormatArg.h"

#include <array>
#include <cstdint>

namespace emu {

inline constexpr uint32_t kReadTraceColour = 0xFFAFAF73;
inline constexpr uint32_t kWriteTraceColour = 0xFF00C896;
// Event traces and device messages.
inline constexpr uint32_t kTraceColour = 0xFF9696FF;
// Lines that asked for a break.
inline constexpr uint32_t kBreakColour = 0xFFFF4B4B;
inline constexpr uint32_t kErrorColour = 0xFFFF3C3C;
// The console's echo of a command.
inline constexpr uint32_t kHighlightColour = 0xFF32C832;

template <typename... Args>
std::array<common::FormatArg, sizeof...(Args)> FormatArgs(const Args&... args) {
    return {common::FormatArg(args)...};
}

} // namespace emu
