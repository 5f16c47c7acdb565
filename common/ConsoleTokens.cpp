#include "common/ConsoleTokens.h"

namespace common {

namespace {

constexpr unsigned char kLineFeed = 10;

bool IsBlank(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsSeparator(unsigned char c) {
    return c == ',' || c == '.' || c == ':';
}

unsigned char ByteAt(const char* character) {
    return static_cast<unsigned char>(*character);
}

// Takes the character when it is of the class, as a token of the type.
template <bool (*kInClass)(unsigned char), TokenType kType>
bool TakeClass(const char* character, TokenType& type) {
    if (character == nullptr || !kInClass(ByteAt(character))) {
        return false;
    }
    type = kType;
    return true;
}

bool IsIdentifierChar(unsigned char c) {
    return IsLetter(c) || IsDigit(c) || c == '.';
}

} // namespace

TokenAcceptor ClassifyTokenChar(const char* start) {
    if (start == nullptr) {
        return nullptr;
    }
    const unsigned char c = ByteAt(start);
    if (c == kLineFeed) {
        return TokenEndOfLine;
    }
    if (IsBlank(c)) {
        return TokenBlanks;
    }
    if (IsDigit(c)) {
        return TokenNumber;
    }
    if (IsLetter(c)) {
        return TokenIdentifier;
    }
    if (IsSeparator(c)) {
        return TokenSeparator;
    }
    if (c == '"') {
        return TokenQuoted;
    }
    return nullptr;
}

bool TokenEndOfLine(const char*, const char*, int32_t, TokenType&) {
    return false;
}

bool TokenBlanks(const char* character, const char*, int32_t, TokenType& type) {
    return TakeClass<IsBlank, TokenType::Blanks>(character, type);
}

bool TokenNumber(const char* character, const char*, int32_t, TokenType& type) {
    return TakeClass<IsDigit, TokenType::Number>(character, type);
}

bool TokenIdentifier(const char* character, const char*, int32_t, TokenType& type) {
    return TakeClass<IsIdentifierChar, TokenType::Identifier>(character, type);
}

bool TokenSeparator(const char* character, const char*, int32_t accepted, TokenType& type) {
    if (character == nullptr || accepted != 0) {
        return false;
    }
    type = TokenType::Separator;
    return true;
}

bool TokenQuoted(const char* character, const char* start, int32_t accepted, TokenType& type) {
    if (character == nullptr || (accepted >= 2 && start[accepted - 1] == '"')) {
        return false;
    }
    type = TokenType::QuotedString;
    return true;
}

} // namespace common
