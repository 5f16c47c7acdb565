// The debugger console's command syntax for the tokenizer: blanks, numbers (runs of decimal digits), identifiers
// (a letter, then letters, digits and dots), the separators ',', '.' and ':', and double-quoted strings. Character
// classes are plain ASCII, tested on the unsigned byte: a byte of 0x80 or above is in none of them.
#pragma once

#include "common/TokenList.h"

namespace common {

// The acceptor for a token beginning at start; null for a character no token begins with. A line feed begins
// none: TokenEndOfLine refuses it, unless a run of blanks takes it.
TokenAcceptor ClassifyTokenChar(const char* start);

// The acceptors; each refuses the null character.
bool TokenEndOfLine(const char* character, const char* start, int32_t accepted, TokenType& type);
bool TokenBlanks(const char* character, const char* start, int32_t accepted, TokenType& type);
bool TokenNumber(const char* character, const char* start, int32_t accepted, TokenType& type);
bool TokenIdentifier(const char* character, const char* start, int32_t accepted, TokenType& type);
// One character long.
bool TokenSeparator(const char* character, const char* start, int32_t accepted, TokenType& type);
// Takes the opening quote and the character after it, then ends with the first quote after that; without a
// closing quote it runs to the end of the line. A quote cannot stand inside.
bool TokenQuoted(const char* character, const char* start, int32_t accepted, TokenType& type);

} // namespace common
