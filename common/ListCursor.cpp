#include "common/ListCursor.h"

namespace common {

ListCursor::ListCursor(const TokenList* list, const String* sourceLine) : list(list), sourceLine(sourceLine) {
    if (list != nullptr) {
        node = list->Items().end();
    }
}

void ListCursor::Next() {
    if (list == nullptr) {
        return;
    }
    const TokenList::Tokens& tokens = list->Items();
    if (index < 0) {
        node = tokens.begin();
        index = 0;
        return;
    }
    if (index >= list->Count() - 1) {
        node = tokens.end();
        index = list->Count();
        return;
    }
    ++node;
    ++index;
}

const Token* ListCursor::Current() const {
    if (list == nullptr || index < 0 || index >= list->Count()) {
        return nullptr;
    }
    return node->get();
}

bool ListCursor::CopyTokenText(String& destination, const String* line) const {
    const Token* token = Current();
    if (token == nullptr) {
        return false;
    }
    const String* text = line != nullptr ? line : sourceLine;
    if (text == nullptr) {
        destination.Clear();
        return false;
    }
    return token->Segment() != nullptr && token->CopyTextAt(*text, destination, token->AbsolutePosition(), 0, 0);
}

} // namespace common
