#include "support/ScreenReader.h"

#include "common/ConsoleFont.h"

namespace test_support {

GlyphTable::GlyphTable(int cellWidth, int cellHeight) : cellWidth(cellWidth), cellHeight(cellHeight) {}

void GlyphTable::Add(char character, std::span<const uint32_t> rows) {
    characters.emplace(std::vector<uint32_t>(rows.begin(), rows.end()), character);
}

void GlyphTable::AddByteFont(std::span<const uint8_t> font, int first, int last) {
    const uint32_t unused = 8 - cellWidth;
    std::vector<uint32_t> rows(static_cast<size_t>(cellHeight));
    for (int code = first; code <= last; ++code) {
        for (int row = 0; row < cellHeight; ++row) {
            rows[static_cast<size_t>(row)] = font[static_cast<size_t>(code * cellHeight + row)] >> unused;
        }
        Add(static_cast<char>(code), rows);
    }
}

std::optional<char> GlyphTable::Find(const std::vector<uint32_t>& shape) const {
    const auto found = characters.find(shape);
    if (found == characters.end()) {
        return std::nullopt;
    }
    return found->second;
}

const GlyphTable& ConsoleGlyphs() {
    static const GlyphTable table = [] {
        GlyphTable glyphs(common::kConsoleGlyphWidth, common::kConsoleGlyphHeight);
        glyphs.AddByteFont(common::kConsoleFont, 0x20, 0x7E);
        glyphs.AddByteFont(common::kConsoleFont, 0x80, 0xFF);
        glyphs.AddByteFont(common::kConsoleFont, 0x00, 0x1F);
        return glyphs;
    }();
    return table;
}

std::optional<std::vector<uint32_t>> ScreenReader::CellShape(const common::PixelBuffer& buffer, int32_t x, int32_t y,
                                                             uint32_t background) const {
    const int width = glyphs.CellWidth();
    const int height = glyphs.CellHeight();
    if (x < 0 || y < 0 || int64_t{x} + width > buffer.GetWidth() || int64_t{y} + height > buffer.GetHeight()) {
        return std::nullopt;
    }
    std::vector<uint32_t> shape(static_cast<size_t>(height));
    for (int row = 0; row < height; ++row) {
        const uint32_t* pixels = buffer.Row(y + row) + x;
        uint32_t bits = 0;
        for (int column = 0; column < width; ++column) {
            bits = bits << 1 | (pixels[column] != background ? 1u : 0u);
        }
        shape[static_cast<size_t>(row)] = bits;
    }
    return shape;
}

std::optional<char> ScreenReader::ReadCell(const common::PixelBuffer& buffer, int32_t x, int32_t y,
                                           uint32_t background) const {
    const std::optional<std::vector<uint32_t>> shape = CellShape(buffer, x, y, background);
    return shape ? glyphs.Find(*shape) : std::nullopt;
}

std::string ScreenReader::ReadText(const common::PixelBuffer& buffer, int32_t x, int32_t y, int32_t count,
                                   uint32_t background) const {
    std::string text;
    for (int32_t cell = 0; cell < count; ++cell) {
        const std::optional<std::vector<uint32_t>> shape =
            CellShape(buffer, x + cell * glyphs.CellWidth(), y, background);
        if (!shape) {
            break;
        }
        text.push_back(glyphs.Find(*shape).value_or(unknown));
    }
    return text;
}

std::string TrimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

} // namespace test_support
