// Walks the tokens of a command line in order; the console hands one, standing before a command's first parameter,
// to the devices' commands.
#pragma once

#include "common/String.h"
#include "common/TokenList.h"

#include <cstdint>

namespace common {

class ListCursor {
public:
    ListCursor() = default;
    // Before the first token of list, whose tokens lie in sourceLine.
    ListCursor(const TokenList* list, const String* sourceLine);

    // Onto the next token: from before the first onto the first, from the last (or past it) past the end.
    void Next();
    // -1 before the first token, the list's count past the end.
    int32_t Index() const { return index; }
    // The token the cursor stands on; null before the first or past the end.
    const Token* Current() const;
    // The current token's text cut out of line, or of the source line when line is null; without either line the
    // destination is emptied. False when there is no line, no current token or it has no segment.
    bool CopyTokenText(String& destination, const String* line = nullptr) const;

private:
    const TokenList* list = nullptr;
    TokenList::Tokens::const_iterator node;
    int32_t index = -1;
    const String* sourceLine = nullptr;
};

} // namespace common
