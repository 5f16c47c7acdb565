#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace common {

class String;

template <typename T>
concept Enumeration = std::is_enum_v<T>;

// One argument of a printf-style text, carrying its own type: a format can never read past the arguments given,
// nor take an integer for a text. Made on the fly by String::Format and friends; it only borrows what it points at.
class FormatArg {
public:
    template <std::integral T>
    FormatArg(T value)
        : kind(std::is_signed_v<T> ? Kind::Signed : Kind::Unsigned), bits(static_cast<uint64_t>(value)),
          byteWidth(sizeof(T)) {}

    template <Enumeration T>
    FormatArg(T value) : FormatArg(static_cast<std::underlying_type_t<T>>(value)) {}

    FormatArg(double value) : kind(Kind::Floating), floating(value) {}
    FormatArg(const char* text) : kind(Kind::Text), text(text ? text : "(null)") {}
    FormatArg(std::string_view text) : kind(Kind::Text), text(text) {}
    FormatArg(const std::string& text) : kind(Kind::Text), text(text) {}
    FormatArg(const char16_t* text) : kind(Kind::WideText), wideText(text ? text : u"(null)") {}
    FormatArg(std::u16string_view text) : kind(Kind::WideText), wideText(text) {}
    FormatArg(const String& text) : kind(Kind::StringObject), string(&text) {}
    FormatArg(std::nullptr_t) : kind(Kind::Pointer), byteWidth(sizeof(void*)) {}

    FormatArg(char* text) : FormatArg(static_cast<const char*>(text)) {}
    FormatArg(char16_t* text) : FormatArg(static_cast<const char16_t*>(text)) {}
    template <typename T>
    FormatArg(T* pointer) : FormatArg(static_cast<const void*>(pointer)) {}
    FormatArg(const void* pointer)
        : kind(Kind::Pointer), bits(reinterpret_cast<uintptr_t>(pointer)), byteWidth(sizeof(void*)) {}

private:
    friend class TextFormatter;

    enum class Kind { Signed, Unsigned, Floating, Text, WideText, StringObject, Pointer };

    Kind kind;
    uint64_t bits = 0; // integers sign- or zero-extended from their own width, pointers as addresses
    int byteWidth = 0;
    double floating = 0;
    std::string_view text;
    std::u16string_view wideText;
    const String* string = nullptr;
};

// Longest text one formatting call produces; a longer one is cut and ends with kCutMarker.
inline constexpr size_t kMaxFormattedLength = 1048574;
inline constexpr std::string_view kCutMarker = "<...>";
// Ends the text where a conversion does not match its argument, an argument is missing or the format is broken.
inline constexpr std::string_view kFormatErrorMarker = "<?>";

// Appends `format` with its conversions filled from `args`, following the printf rules of the Windows runtime the
// emulator's message texts were written for: flags "-+ #0", width and precision (also "*"), the size prefixes
// hh, h, l, ll, j, z, t, I, I32 and I64, and the conversions d i u o x X c s S C p f F e E g G and %.
// A size prefix cuts an integer to that many bits; without one (or with l) an integer keeps at least 32 bits,
// so "%ld" and "%d" show a 32-bit value alike on every platform. %p shows 16 upper-case hexadecimal digits.
// Text arguments of 16-bit characters are narrowed to their low bytes. Never throws.
void AppendFormatted(std::string& out, const char* format, std::span<const FormatArg> args);

} // namespace common
