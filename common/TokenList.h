// A command line cut into tokens. The tokenizer is driven by a classifier, which picks for the character a token
// begins at an acceptor, which then decides character by character whether the token goes on and of what type
// it is; a factory makes the token objects.
#pragma once

#include "common/String.h"
#include "common/Token.h"

#include <cstdint>
#include <list>
#include <memory>

namespace common {

// Whether character (null once after the line's last character) belongs to the token that began at start, of
// which accepted characters are taken; when it does, the acceptor also sets type.
using TokenAcceptor = bool (*)(const char* character, const char* start, int32_t accepted, TokenType& type);
// The acceptor for a token beginning at start; null when no token may begin there.
using TokenClassifier = TokenAcceptor (*)(const char* start);
using TokenFactory = std::unique_ptr<Token> (*)(TokenType type);

// The outcome of the last tokenizing. On a failure: the segment it lies in, where the failing token begins (from
// the segment's start and from the line's start, 0-based) and its length: 1 when no token may begin there, else
// the characters taken before the failure.
struct TokenizeResult {
    bool ok = false;
    int32_t segmentIndex = 0;
    int32_t positionInSegment = 0;
    int32_t absolutePosition = 0;
    int32_t length = 0;
};

class TokenList {
public:
    using Tokens = std::list<std::unique_ptr<Token>>;

    TokenList() = default;
    virtual ~TokenList() = default;
    TokenList(const TokenList&) = delete;
    TokenList& operator=(const TokenList&) = delete;

    // Appends the tokens of line: the first segment, then its tokens in line order, blanks dropped. Call it on an
    // empty list. A null factory means CreateToken. A token longer than its class can count fails the line at its
    // start. On a failure the tokens made before it stay.
    const TokenizeResult& TokenizeCommand(const String& line, TokenClassifier classifier,
                                          TokenFactory factory = nullptr);
    const TokenizeResult& Result() const { return result; }

    void Clear();
    int32_t Count() const { return static_cast<int32_t>(tokens.size()); }
    // The token at index, which becomes the list's cursor; null outside the list.
    Token* At(int32_t index);
    // The text of the token at index, cut out of line; false when there is no such token or it has no segment.
    bool CopyTokenText(int32_t index, const String& line, String& destination);

    const Tokens& Items() const { return tokens; }

private:
    void Fail(const SegmentToken& segment, int32_t position, int32_t length);

    Tokens tokens;
    // The node At reached last and its index; -1 for none.
    Tokens::iterator cursor;
    int32_t cursorIndex = -1;
    TokenizeResult result;
};

} // namespace common
