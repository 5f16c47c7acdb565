#include "common/FormatArg.h"

#include "common/String.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace common {

namespace {

struct FieldFormat {
    bool leftAlign = false;
    bool plusSign = false;
    bool spaceSign = false;
    bool alternate = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1; // -1: none given
    int bits = 0;       // integer size from the size prefix; 0: the argument's own, at least 32
    char conversion = 0;
};

// Widths and precisions beyond this only produce padding that the length limit cuts anyway.
constexpr int kLargestNumberInFormat = 1 << 24;

int ParseNumber(const char*& cursor) {
    int value = 0;
    while (*cursor >= '0' && *cursor <= '9') {
        value = std::min(value * 10 + (*cursor - '0'), kLargestNumberInFormat);
        ++cursor;
    }
    return value;
}

// The size prefixes that the Windows runtime knows; "l" and "w" leave the argument's own size.
int ParseSizePrefix(const char*& cursor) {
    struct Prefix {
        std::string_view text;
        int bits;
    };
    static constexpr std::array<Prefix, 11> prefixes = {{{"I64", 64},
                                                         {"I32", 32},
                                                         {"hh", 8},
                                                         {"ll", 64},
                                                         {"h", 16},
                                                         {"l", 0},
                                                         {"w", 0},
                                                         {"L", 0},
                                                         {"I", 64},
                                                         {"j", 64},
                                                         {"q", 64}}};
    const std::string_view rest(cursor);
    for (const Prefix& prefix : prefixes) {
        if (rest.starts_with(prefix.text)) {
            cursor += prefix.text.size();
            return prefix.bits;
        }
    }
    if (*cursor == 'z' || *cursor == 't') {
        ++cursor;
        return 64;
    }
    return 0;
}

bool IsSignedConversion(char conversion) {
    return conversion == 'd' || conversion == 'i';
}

} // namespace

// Formats one text; keeps the output within kMaxFormattedLength and remembers whether it had to cut.
class TextFormatter {
public:
    TextFormatter(std::string& out, std::span<const FormatArg> args) : out(out), start(out.size()), args(args) {}

    void Run(const char* format) {
        const char* cursor = format;
        while (*cursor != 0 && !full) {
            const char* percent = std::strchr(cursor, '%');
            if (percent == nullptr) {
                Put(cursor);
                break;
            }
            Put(std::string_view(cursor, percent - cursor));
            cursor = percent + 1;
            if (!Conversion(cursor)) {
                Put(kFormatErrorMarker);
                break;
            }
        }
        if (full) {
            out.resize(start + kMaxFormattedLength - kCutMarker.size());
            out += kCutMarker;
        }
    }

private:
    size_t Room() const { return kMaxFormattedLength - (out.size() - start); }

    void Put(std::string_view text) {
        const size_t room = Room();
        out.append(text.substr(0, room));
        full = full || text.size() > room;
    }

    void PutRepeated(char c, int64_t count) {
        if (count <= 0) {
            return;
        }
        const size_t room = Room();
        out.append(std::min<size_t>(count, room), c);
        full = full || static_cast<size_t>(count) > room;
    }

    // Puts a converted field: sign or prefix, zeros, body, with spaces to the width.
    void PutField(const FieldFormat& field, std::string_view prefix, int64_t zeros, std::string_view body) {
        int64_t padding = field.width - static_cast<int64_t>(prefix.size() + body.size()) - zeros;
        if (field.zeroPad && !field.leftAlign) {
            zeros += std::max<int64_t>(padding, 0);
            padding = 0;
        }
        if (!field.leftAlign) {
            PutRepeated(' ', padding);
        }
        Put(prefix);
        PutRepeated('0', zeros);
        Put(body);
        if (field.leftAlign) {
            PutRepeated(' ', padding);
        }
    }

    const FormatArg* NextArg() { return nextArg < args.size() ? &args[nextArg++] : nullptr; }

    static bool IsInteger(const FormatArg& arg) {
        return arg.kind == FormatArg::Kind::Signed || arg.kind == FormatArg::Kind::Unsigned;
    }

    std::optional<int> IntegerArg() {
        const FormatArg* arg = NextArg();
        if (arg == nullptr || !IsInteger(*arg)) {
            return std::nullopt;
        }
        return static_cast<int>(static_cast<int64_t>(arg->bits));
    }

    bool ParseFieldFormat(const char*& cursor, FieldFormat& field) {
        for (;; ++cursor) {
            switch (*cursor) {
            case '-':
                field.leftAlign = true;
                continue;
            case '+':
                field.plusSign = true;
                continue;
            case ' ':
                field.spaceSign = true;
                continue;
            case '#':
                field.alternate = true;
                continue;
            case '0':
                field.zeroPad = true;
                continue;
            }
            break;
        }
        if (*cursor == '*') {
            ++cursor;
            const std::optional<int> width = IntegerArg();
            if (!width) {
                return false;
            }
            field.leftAlign = field.leftAlign || *width < 0;
            field.width = std::min(*width < 0 ? -int64_t{*width} : *width, int64_t{kLargestNumberInFormat});
        } else {
            field.width = ParseNumber(cursor);
        }
        if (*cursor == '.') {
            ++cursor;
            if (*cursor == '*') {
                ++cursor;
                const std::optional<int> precision = IntegerArg();
                if (!precision) {
                    return false;
                }
                field.precision = *precision < 0 ? -1 : std::min(*precision, kLargestNumberInFormat);
            } else {
                field.precision = ParseNumber(cursor);
            }
        }
        field.bits = ParseSizePrefix(cursor);
        field.conversion = *cursor;
        if (field.conversion != 0) {
            ++cursor;
        }
        return true;
    }

    bool Conversion(const char*& cursor) {
        FieldFormat field;
        if (!ParseFieldFormat(cursor, field)) {
            return false;
        }
        if (field.conversion == '%') {
            Put("%");
            return true;
        }
        const FormatArg* arg = NextArg();
        if (arg == nullptr) {
            return false;
        }
        switch (field.conversion) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            return Integer(field, *arg);
        case 'c':
        case 'C':
            return Character(field, *arg);
        case 's':
        case 'S':
            return Text(field, *arg);
        case 'p':
            return Pointer(field, *arg);
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            return Floating(field, *arg);
        default:
            return false;
        }
    }

    bool Integer(FieldFormat field, const FormatArg& arg) {
        if (!IsInteger(arg) && arg.kind != FormatArg::Kind::Pointer) {
            return false;
        }
        const int bits = field.bits != 0 ? field.bits : std::max(32, arg.byteWidth * 8);
        const uint64_t mask = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
        uint64_t magnitude = arg.bits & mask;
        std::string_view sign;
        if (IsSignedConversion(field.conversion)) {
            if ((magnitude >> (bits - 1)) & 1) {
                magnitude = (~magnitude + 1) & mask;
                sign = "-";
            } else if (field.plusSign) {
                sign = "+";
            } else if (field.spaceSign) {
                sign = " ";
            }
        }
        const int base = field.conversion == 'o' ? 8 : (field.conversion == 'x' || field.conversion == 'X') ? 16 : 10;
        std::array<char, 24> digits{};
        char* end = digits.data();
        if (magnitude != 0 || field.precision != 0) {
            end = std::to_chars(digits.data(), digits.data() + digits.size(), magnitude, base).ptr;
        }
        std::string_view body(digits.data(), end - digits.data());
        if (field.conversion == 'X') {
            std::transform(digits.data(), end, digits.data(), [](char c) { return c >= 'a' ? c - 'a' + 'A' : c; });
        }
        std::string_view prefix = sign;
        int64_t zeros = std::max<int64_t>(field.precision - static_cast<int64_t>(body.size()), 0);
        if (field.alternate && base == 8 && zeros == 0 && body.substr(0, 1) != "0") {
            zeros = 1;
        }
        if (field.alternate && base == 16 && magnitude != 0) {
            prefix = field.conversion == 'x' ? "0x" : "0X";
        }
        field.zeroPad = field.zeroPad && field.precision < 0;
        PutField(field, prefix, zeros, body);
        return true;
    }

    bool Character(FieldFormat field, const FormatArg& arg) {
        if (!IsInteger(arg)) {
            return false;
        }
        const char c = static_cast<char>(arg.bits & 0xFF);
        field.zeroPad = false;
        PutField(field, {}, 0, std::string_view(&c, 1));
        return true;
    }

    bool Text(FieldFormat field, const FormatArg& arg) {
        std::string narrowed;
        std::string_view text;
        switch (arg.kind) {
        case FormatArg::Kind::Text:
            text = arg.text;
            break;
        case FormatArg::Kind::StringObject:
            text = arg.string->GetNarrow();
            break;
        case FormatArg::Kind::WideText:
            narrowed = NarrowText(arg.wideText);
            text = narrowed;
            break;
        default:
            return false;
        }
        if (field.precision >= 0) {
            text = text.substr(0, field.precision);
        }
        field.zeroPad = false;
        PutField(field, {}, 0, text);
        return true;
    }

    bool Pointer(FieldFormat field, const FormatArg& arg) {
        if (!IsInteger(arg) && arg.kind != FormatArg::Kind::Pointer) {
            return false;
        }
        std::array<char, 16> digits{};
        for (size_t i = 0; i < digits.size(); ++i) {
            digits[digits.size() - 1 - i] = "0123456789ABCDEF"[(arg.bits >> (4 * i)) & 0xF];
        }
        field.zeroPad = false;
        PutField(field, {}, 0, std::string_view(digits.data(), digits.size()));
        return true;
    }

    bool Floating(FieldFormat field, const FormatArg& arg) {
        if (arg.kind != FormatArg::Kind::Floating) {
            return false;
        }
        const double value = arg.floating;
        const char lower = static_cast<char>(field.conversion | 0x20);
        const bool upper = field.conversion != lower;
        std::string_view sign = std::signbit(value) ? "-" : field.plusSign ? "+" : field.spaceSign ? " " : "";
        std::string body;
        if (!std::isfinite(value)) {
            body = std::isnan(value) ? "nan" : "inf";
            field.zeroPad = false;
        } else {
            int precision = field.precision < 0 ? 6 : std::min<int>(field.precision, kMaxFormattedLength);
            if (lower == 'g' && precision == 0) {
                precision = 1;
            }
            const std::chars_format style = lower == 'f'   ? std::chars_format::fixed
                                            : lower == 'e' ? std::chars_format::scientific
                                                           : std::chars_format::general;
            // The largest double has 309 integer digits; an exponent takes at most 5 more characters.
            body.resize(static_cast<size_t>(precision) + 320);
            const auto result =
                std::to_chars(body.data(), body.data() + body.size(), std::fabs(value), style, precision);
            body.resize(result.ptr - body.data());
            if (field.alternate && precision == 0 && lower != 'g') {
                body.insert(lower == 'f' ? body.size() : 1, 1, '.');
            }
        }
        if (upper) {
            std::transform(body.begin(), body.end(), body.begin(), [](char c) { return c >= 'a' ? c - 0x20 : c; });
        }
        PutField(field, sign, 0, body);
        return true;
    }

    std::string& out;
    const size_t start;
    std::span<const FormatArg> args;
    size_t nextArg = 0;
    bool full = false;
};

void AppendFormatted(std::string& out, const char* format, std::span<const FormatArg> args) {
    if (format != nullptr) {
        TextFormatter(out, args).Run(format);
    }
}

} // namespace common
