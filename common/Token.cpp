#include "common/Token.h"

namespace common {

int32_t Token::AbsolutePosition() const {
    const SegmentToken* segment = Segment();
    if (segment == nullptr) {
        return -1;
    }
    // A segment's own position already counts from the start of the line.
    return segment == this ? position : position + segment->Position();
}

bool Token::CopyTextAt(const String& line, String& destination, int32_t absolutePosition, int32_t cutFront,
                       int32_t cutBack) const {
    const int64_t length = Length();
    const int64_t start = absolutePosition;
    if (length <= 0 || start < 0 || start + length > line.Length()) {
        return false;
    }
    const int64_t from = start + cutFront;
    const int64_t to = start + length - 1 - cutBack;
    if (from == to + 1) {
        destination.Clear();
        return true;
    }
    // Never a character outside the line, whatever the cuts.
    if (from > to || from < 0 || to >= line.Length()) {
        return false;
    }
    destination.Assign(*line.Substr(static_cast<int>(from), static_cast<int>(to - from + 1)));
    return true;
}

bool Token::CopyText(const String& line, String& destination, int32_t cutFront, int32_t cutBack) const {
    return Segment() != nullptr && CopyTextAt(line, destination, AbsolutePosition(), cutFront, cutBack);
}

bool Token::FirstChar(const String& line, char* out) const {
    const int32_t start = AbsolutePosition();
    if (Length() <= 0 || Segment() == nullptr || start < 0 || start >= line.Length()) {
        return false;
    }
    *out = line.CharAt(start);
    return true;
}

std::unique_ptr<Token> CreateToken(TokenType type) {
    switch (type) {
    case TokenType::Type4:
        return std::make_unique<Type4Token>();
    case TokenType::Segment:
        return std::make_unique<SegmentToken>();
    case TokenType::Separator:
        return std::make_unique<SeparatorToken>();
    case TokenType::Type32:
        return std::make_unique<Type32Token>();
    case TokenType::Number:
        return std::make_unique<NumberToken>();
    case TokenType::QuotedString:
        return std::make_unique<QuotedStringToken>();
    case TokenType::Identifier:
        return std::make_unique<IdentifierToken>();
    case TokenType::Type2048:
        return std::make_unique<Type2048Token>();
    default:
        return nullptr;
    }
}

} // namespace common
