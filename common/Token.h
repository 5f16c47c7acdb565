// Tokens of a console command line. A token copies no text: it records where its characters lie in the line, and
// the text is cut out of the line on demand. Ordinary tokens count their position from the start of their
// segment, a stretch of the line that holds them.
#pragma once

#include "common/String.h"

#include <cstdint>
#include <memory>

namespace common {

// One bit a kind. Blanks are never stored; a segment token is a stretch of the line holding ordinary tokens.
enum class TokenType : int32_t {
    None = 0,
    Blanks = 2,
    Type4 = 4,
    Segment = 8,
    Separator = 16,
    Type32 = 32,
    Number = 64,
    QuotedString = 256,
    Identifier = 512,
    Type2048 = 2048,
};

class SegmentToken;

class Token {
public:
    virtual ~Token() = default;
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;

    virtual TokenType Type() const { return TokenType::None; }
    // The segment the token lies in; a segment is its own.
    virtual const SegmentToken* Segment() const = 0;
    virtual int32_t Length() const = 0;
    // Stores length cut to the width of the class's length field; false when it did not fit as it is.
    virtual bool SetLength(int32_t length) = 0;
    virtual void SetSegment(const SegmentToken* segment) = 0;

    // From the start of the segment for an ordinary token, from the start of the line for a segment; -1 unset.
    int32_t Position() const { return position; }
    void SetPosition(int32_t newPosition) { position = newPosition; }
    // From the start of the line; -1 without a segment.
    int32_t AbsolutePosition() const;

    // Assigns the token's characters, standing at absolutePosition of the line, less cutFront characters at the
    // front and cutBack at the back, to destination. False unless the token has characters and lies inside the
    // line; cutting all of them empties destination and answers true, cutting more answers false.
    bool CopyTextAt(const String& line, String& destination, int32_t absolutePosition, int32_t cutFront,
                    int32_t cutBack) const;
    // The same at the token's own place in the line.
    bool CopyText(const String& line, String& destination, int32_t cutFront, int32_t cutBack) const;
    // The token's first character; false when it has none or lies outside the line.
    bool FirstChar(const String& line, char* out) const;

protected:
    Token() = default;

private:
    int32_t position = -1;
};

// A token whose length field is LengthField wide.
template <TokenType kType, typename LengthField>
class SizedToken : public Token {
public:
    TokenType Type() const override { return kType; }
    const SegmentToken* Segment() const override { return segment; }
    int32_t Length() const override { return static_cast<int32_t>(length); }
    bool SetLength(int32_t newLength) override {
        length = static_cast<LengthField>(newLength);
        return static_cast<int32_t>(length) == newLength;
    }
    void SetSegment(const SegmentToken* newSegment) override { segment = newSegment; }

private:
    LengthField length = 0;
    const SegmentToken* segment = nullptr;
};

class SegmentToken final : public Token {
public:
    // Segments made by the tokenizer are numbered from 0 along the line; -1 for one made by CreateToken.
    explicit SegmentToken(int32_t index = -1) : index(index) {}

    TokenType Type() const override { return TokenType::Segment; }
    const SegmentToken* Segment() const override { return this; }
    int32_t Length() const override { return length; }
    bool SetLength(int32_t newLength) override {
        length = newLength;
        return true;
    }
    void SetSegment(const SegmentToken*) override {}
    int32_t Index() const { return index; }

private:
    int32_t length = 0;
    int32_t index;
};

class Type4Token final : public SizedToken<TokenType::Type4, uint8_t> {};
class SeparatorToken final : public SizedToken<TokenType::Separator, uint8_t> {};
class Type32Token final : public SizedToken<TokenType::Type32, uint8_t> {};
class NumberToken final : public SizedToken<TokenType::Number, uint16_t> {};
class QuotedStringToken final : public SizedToken<TokenType::QuotedString, int32_t> {};
class IdentifierToken final : public SizedToken<TokenType::Identifier, uint16_t> {};
class Type2048Token final : public SizedToken<TokenType::Type2048, int32_t> {};

// The default token factory: a new, unplaced token of the type's class (position -1, length 0, no segment), or
// null for a type with no class.
std::unique_ptr<Token> CreateToken(TokenType type);

} // namespace common
