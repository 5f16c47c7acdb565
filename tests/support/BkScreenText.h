// Reads the BK's screen as text with the monitor's own font, as a user would: the glyphs are cut out of the
// monitor ROM, the frame is cut into character cells, 64 columns of 8 pixels or 32 of 16 (each pixel doubled, or
// only its left half lit: colour text in black and white).
#pragma once

#include "common/PixelBuffer.h"
#include "support/ScreenReader.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

class BkScreenText {
public:
    // Where the monitor keeps its font: code c (040..0337) at kFontAddress + 10 * c, ten rows of one byte, bit 0
    // the leftmost pixel.
    static constexpr uint16_t kFontAddress = 0111576;
    static constexpr uint16_t kMonitorAddress = 0100000;
    static constexpr int kCellHeight = 10;
    static constexpr int kFirstCode = 040;
    static constexpr int kLastCode = 0337;

    // Where the BK-0011M keeps the same font: in its extended ROM (B11M_EXT.ROM), from this offset.
    static constexpr size_t kExtendedRomFont = 012736;

    // The BK-0010's characters, or the BK-0011M's: KOI-8, with the Cyrillic small letters at 0300..0337 and the
    // capitals at 0340..0377.
    enum class Charset { Bk0010, Koi8 };

    // The 8 KB monitor ROM as the processor sees it from 0100000, or another ROM with the font at fontOffset.
    explicit BkScreenText(std::span<const uint8_t> monitor, size_t fontOffset = kFontAddress - kMonitorAddress,
                          Charset charset = Charset::Bk0010);

    // The screen's lines of text as UTF-8 (the Cyrillic capitals at 0300..0337 in KOI-8 order), top to bottom,
    // without trailing spaces, each read at the row and width that read the most characters; unreadable cells
    // (the cursor) read '?'. Blank lines are left out.
    std::vector<std::string> Read(const common::PixelBuffer& frame) const;
    // The text as the screen would read it back: letters that share their glyph with another read as the first
    // (Latin before Cyrillic), so "ВЕК" reads as "BEK".
    std::string AsShown(std::string_view utf8) const;
    // Whether any row of the screen contains the text (as shown).
    bool Shows(const common::PixelBuffer& frame, std::string_view utf8) const;

private:
    struct Row {
        std::string text;
        int known = 0;
        int unknown = 0;
        int Score() const { return known - 2 * unknown; }
    };

    // The cells whose top row is y, read in the width that reads best.
    Row ReadRow(const common::PixelBuffer& frame, int32_t y, uint32_t background) const;
    // A code as UTF-8 and UTF-8 text as codes, in the charset.
    std::string CodeText(uint8_t code) const;
    std::vector<uint8_t> Codes(std::string_view utf8) const;

    GlyphTable narrow;
    GlyphTable wide;
    // The wide cells of a colour text mode shown in black and white: the left pixel of each pair.
    GlyphTable spread;
    // The glyph's rows of each code, for AsShown.
    std::vector<std::vector<uint32_t>> shapes;
    Charset charset;
    int lastCode;
};

// A BK code (040..0177 ASCII, 0300..0337 the Cyrillic capitals) as UTF-8; '?' for others.
std::string BkCodeToUtf8(uint8_t code);
// UTF-8 text as BK codes; characters without one become '?'.
std::vector<uint8_t> Utf8ToBkCodes(std::string_view utf8);

} // namespace test_support
