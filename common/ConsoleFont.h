// The console's 8x16 font: the VGA font in code page 437 order, 16 bytes a glyph, one byte a pixel row from the
// top, the most significant bit the leftmost pixel.
#pragma once

#include <array>
#include <cstdint>

namespace common {

inline constexpr int kConsoleGlyphWidth = 8;
inline constexpr int kConsoleGlyphHeight = 16;
inline constexpr int kConsoleFontBytes = 256 * kConsoleGlyphHeight;

extern const std::array<uint8_t, kConsoleFontBytes> kConsoleFont;

} // namespace common
