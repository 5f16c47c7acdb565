// Reads text back from pixels as a user would read the screen: each character cell is cut out of the frame, its
// pixels that differ from the background make a shape, and the shape is looked up in a table of the font's glyphs.
#pragma once

#include "common/PixelBuffer.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace test_support {

// The glyphs of one font of cells cellWidth x cellHeight pixels (cellWidth up to 32). A glyph row is a bit pattern,
// its most significant of cellWidth bits the leftmost pixel. Where two characters share a shape, the first added
// keeps it: add the characters a test expects first.
class GlyphTable {
public:
    GlyphTable(int cellWidth, int cellHeight);

    int CellWidth() const { return cellWidth; }
    int CellHeight() const { return cellHeight; }

    // rows holds cellHeight patterns.
    void Add(char character, std::span<const uint32_t> rows);
    // Characters first..last of a font one byte a row (cellWidth up to 8), cellHeight bytes a glyph, the glyph of
    // code c at c * cellHeight.
    void AddByteFont(std::span<const uint8_t> font, int first, int last);
    std::optional<char> Find(const std::vector<uint32_t>& shape) const;

private:
    int cellWidth;
    int cellHeight;
    std::map<std::vector<uint32_t>, char> characters;
};

// The console's 8x16 font: printable ASCII first (so a blank cell reads as a space), then the rest of code page
// 437.
const GlyphTable& ConsoleGlyphs();

class ScreenReader {
public:
    // Cells whose shape is no glyph read as unknown.
    explicit ScreenReader(const GlyphTable& glyphs, char unknown = '?') : glyphs(glyphs), unknown(unknown) {}

    // The ink of the cell with its top-left pixel at (x, y): every pixel not of the background colour.
    // Nothing for a cell not wholly inside the buffer.
    std::optional<std::vector<uint32_t>> CellShape(const common::PixelBuffer& buffer, int32_t x, int32_t y,
                                                   uint32_t background) const;
    // The character of that cell; nothing when it is not wholly inside the buffer or shows no glyph.
    std::optional<char> ReadCell(const common::PixelBuffer& buffer, int32_t x, int32_t y, uint32_t background) const;
    // count cells side by side from (x, y); the text ends at the buffer's edge.
    std::string ReadText(const common::PixelBuffer& buffer, int32_t x, int32_t y, int32_t count,
                         uint32_t background) const;

private:
    const GlyphTable& glyphs;
    char unknown;
};

// Text without the spaces at its end.
std::string TrimRight(std::string text);

} // namespace test_support
