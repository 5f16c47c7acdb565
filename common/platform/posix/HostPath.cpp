#include "common/platform/HostPath.h"

#include <cstdint>

namespace common::platform {

namespace {

void AppendUtf8(std::string& text, char32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The length of the UTF-8 sequence that starts with this byte, 0 when it starts none.
int SequenceLength(uint8_t lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// Decodes one well-formed sequence at the position; false for anything else.
bool DecodeSequence(const std::string& text, size_t at, int length, char32_t& code) {
    if (length == 0 || at + length > text.size()) {
        return false;
    }
    const auto lead = static_cast<uint8_t>(text[at]);
    code = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return false;
        }
        code = code << 6 | (next & 0x3F);
    }
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    return code >= kShortest[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}

} // namespace

HostPathString ToHostPath(std::u16string_view path) {
    std::string text;
    text.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i];
        if (IsHighSurrogate(unit) && i + 1 < path.size() && IsLowSurrogate(path[i + 1])) {
            AppendUtf8(text, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (path[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(text, 0xFFFD);
        } else {
            AppendUtf8(text, unit);
        }
    }
    return text;
}

std::u16string FromHostPath(const HostPathString& path) {
    std::u16string text;
    text.reserve(path.size());
    size_t at = 0;
    while (at < path.size()) {
        const int length = SequenceLength(static_cast<uint8_t>(path[at]));
        char32_t code = 0;
        if (!DecodeSequence(path, at, length, code)) {
            text += static_cast<char16_t>(static_cast<uint8_t>(path[at]));
            ++at;
            continue;
        }
        if (code >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(code);
        }
        at += static_cast<size_t>(length);
    }
    return text;
}

} // namespace common::platform
