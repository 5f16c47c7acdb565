#include "support/BkScreenText.h"

#include <map>

namespace test_support {

namespace {

// The Cyrillic capitals at 0300..0337, KOI-8 order.
constexpr std::u16string_view kCyrillic = u"ЮАБЦДЕФГХИЙКЛМНОПЯРСТУЖВЬЫЗШЭЩЧЪ";
constexpr uint8_t kCyrillicFirst = 0300;
// KOI-8: the small letters at 0300..0337, the capitals after them.
constexpr std::u16string_view kCyrillicSmall = u"юабцдефгхийклмнопярстужвьызшэщчъ";
constexpr uint8_t kKoi8CapitalsFirst = 0340;

void AppendUtf8(std::string& text, char16_t character) {
    if (character < 0x80) {
        text.push_back(static_cast<char>(character));
    } else if (character < 0x800) {
        text.push_back(static_cast<char>(0xC0 | character >> 6));
        text.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xE0 | character >> 12));
        text.push_back(static_cast<char>(0x80 | (character >> 6 & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    }
}

// The most frequent colour of the frame.
uint32_t Background(const common::PixelBuffer& frame) {
    std::map<uint32_t, int64_t> counts;
    for (int32_t y = 0; y < frame.GetHeight(); ++y) {
        const uint32_t* row = frame.Row(y);
        for (int32_t x = 0; x < frame.GetWidth(); ++x) {
            ++counts[row[x]];
        }
    }
    uint32_t background = 0;
    int64_t most = -1;
    for (const auto& [colour, count] : counts) {
        if (count > most) {
            background = colour;
            most = count;
        }
    }
    return background;
}

} // namespace

std::string BkCodeToUtf8(uint8_t code) {
    std::string text;
    if (code >= 040 && code < 0177) {
        text.push_back(static_cast<char>(code));
    } else if (code >= kCyrillicFirst && code < kCyrillicFirst + kCyrillic.size()) {
        AppendUtf8(text, kCyrillic[code - kCyrillicFirst]);
    } else {
        text.push_back('?');
    }
    return text;
}

namespace {

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string text;
    for (size_t index = 0; index < utf8.size();) {
        const auto lead = static_cast<uint8_t>(utf8[index]);
        char16_t character = lead;
        size_t length = 1;
        if (lead >= 0xE0 && index + 2 < utf8.size()) {
            character =
                static_cast<char16_t>((lead & 0x0F) << 12 | (utf8[index + 1] & 0x3F) << 6 | (utf8[index + 2] & 0x3F));
            length = 3;
        } else if (lead >= 0xC0 && index + 1 < utf8.size()) {
            character = static_cast<char16_t>((lead & 0x1F) << 6 | (utf8[index + 1] & 0x3F));
            length = 2;
        }
        index += length;
        text.push_back(character);
    }
    return text;
}

} // namespace

std::vector<uint8_t> Utf8ToBkCodes(std::string_view utf8) {
    std::vector<uint8_t> codes;
    for (const char16_t character : Utf8ToUtf16(utf8)) {
        if (character < 0200) {
            codes.push_back(static_cast<uint8_t>(character));
            continue;
        }
        const size_t found = kCyrillic.find(character);
        codes.push_back(found != std::u16string_view::npos ? static_cast<uint8_t>(kCyrillicFirst + found) : '?');
    }
    return codes;
}

std::string BkScreenText::CodeText(uint8_t code) const {
    if (charset == Charset::Bk0010 || code < kCyrillicFirst) {
        return BkCodeToUtf8(code);
    }
    std::string text;
    AppendUtf8(text, code < kKoi8CapitalsFirst ? kCyrillicSmall[code - kCyrillicFirst]
                                               : kCyrillic[code - kKoi8CapitalsFirst]);
    return text;
}

std::vector<uint8_t> BkScreenText::Codes(std::string_view utf8) const {
    if (charset == Charset::Bk0010) {
        return Utf8ToBkCodes(utf8);
    }
    std::vector<uint8_t> codes;
    for (const char16_t character : Utf8ToUtf16(utf8)) {
        const size_t small = kCyrillicSmall.find(character);
        const size_t capital = kCyrillic.find(character);
        if (character < 0200) {
            codes.push_back(static_cast<uint8_t>(character));
        } else if (small != std::u16string_view::npos) {
            codes.push_back(static_cast<uint8_t>(kCyrillicFirst + small));
        } else {
            codes.push_back(capital != std::u16string_view::npos ? static_cast<uint8_t>(kKoi8CapitalsFirst + capital)
                                                                 : '?');
        }
    }
    return codes;
}

BkScreenText::BkScreenText(std::span<const uint8_t> monitor, size_t fontOffset, Charset charset)
    : narrow(8, kCellHeight), wide(16, kCellHeight), spread(16, kCellHeight), shapes(0400), charset(charset),
      lastCode(charset == Charset::Koi8 ? 0377 : kLastCode) {
    const auto addRange = [&](int first, int last) {
        for (int code = first; code <= last; ++code) {
            std::vector<uint32_t> rows(kCellHeight);
            std::vector<uint32_t> doubled(kCellHeight);
            std::vector<uint32_t> halved(kCellHeight);
            for (int row = 0; row < kCellHeight; ++row) {
                const size_t at = fontOffset + static_cast<size_t>(code * kCellHeight + row);
                const uint8_t bits = at < monitor.size() ? monitor[at] : 0;
                for (int bit = 0; bit < 8; ++bit) {
                    if ((bits >> bit & 1) != 0) {
                        rows[row] |= 0x80u >> bit;
                        doubled[row] |= 0xC000u >> (2 * bit);
                        halved[row] |= 0x8000u >> (2 * bit);
                    }
                }
            }
            narrow.Add(static_cast<char>(code), rows);
            wide.Add(static_cast<char>(code), doubled);
            spread.Add(static_cast<char>(code), halved);
            shapes[static_cast<size_t>(code)] = rows;
        }
    };
    // Blank first, so that an empty cell reads as a space; Latin before Cyrillic.
    addRange(040, 0176);
    if (charset == Charset::Koi8) {
        addRange(0340, 0377);
    }
    addRange(0300, 0337);
    addRange(0177, 0277);
}

BkScreenText::Row BkScreenText::ReadRow(const common::PixelBuffer& frame, int32_t y, uint32_t background) const {
    Row best;
    for (const GlyphTable* glyphs : {&narrow, &wide, &spread}) {
        const ScreenReader reader(*glyphs, '\x01');
        Row row;
        for (const char code : reader.ReadText(frame, 0, y, frame.GetWidth() / glyphs->CellWidth(), background)) {
            const auto bk = static_cast<uint8_t>(code);
            if (bk == 1) {
                row.text.push_back('?');
                ++row.unknown;
            } else {
                row.known += bk != ' ' ? 1 : 0;
                row.text += CodeText(bk);
            }
        }
        if (row.Score() > best.Score()) {
            best = std::move(row);
        }
    }
    best.text = TrimRight(best.text);
    return best;
}

std::vector<std::string> BkScreenText::Read(const common::PixelBuffer& frame) const {
    const uint32_t background = Background(frame);
    std::vector<Row> rows;
    for (int32_t y = 0; y + kCellHeight <= frame.GetHeight(); ++y) {
        rows.push_back(ReadRow(frame, y, background));
    }
    // The lines need not lie at even steps (the service line has its own): at each row that reads as text, the
    // best reading of the next cell height is the line, and the next line starts below it.
    std::vector<std::string> lines;
    for (size_t y = 0; y < rows.size();) {
        if (rows[y].known == 0 || rows[y].Score() <= 0) {
            ++y;
            continue;
        }
        size_t best = y;
        for (size_t next = y + 1; next < rows.size() && next < y + kCellHeight; ++next) {
            if (rows[next].Score() > rows[best].Score()) {
                best = next;
            }
        }
        lines.push_back(rows[best].text);
        y = best + kCellHeight;
    }
    return lines;
}

std::string BkScreenText::AsShown(std::string_view utf8) const {
    std::string text;
    for (const uint8_t code : Codes(utf8)) {
        const std::optional<char> shown =
            code >= kFirstCode && code <= lastCode ? narrow.Find(shapes[code]) : std::nullopt;
        text += CodeText(shown ? static_cast<uint8_t>(*shown) : code);
    }
    return text;
}

bool BkScreenText::Shows(const common::PixelBuffer& frame, std::string_view utf8) const {
    const std::string wanted = AsShown(utf8);
    for (const std::string& row : Read(frame)) {
        if (row.find(wanted) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace test_support
