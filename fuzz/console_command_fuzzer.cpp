// Cuts arbitrary command lines into tokens: a line either fails at a place inside it or gives its segment first
// and then tokens in line order, each inside the line and its text cut out again through a list cursor.
#include "common/ConsoleTokens.h"
#include "common/ListCursor.h"
#include "common/NarrowString.h"
#include "common/TokenList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Byte by byte, zero bytes included.
    common::NarrowString line;
    for (size_t index = 0; index < size; ++index) {
        line.InsertChar(static_cast<char>(data[index]), line.Length());
    }
    const int32_t length = line.Length();

    common::TokenList list;
    const common::TokenizeResult& result = list.TokenizeCommand(line, common::ClassifyTokenChar);
    if (!result.ok) {
        Check(result.absolutePosition >= 0 && result.absolutePosition < length);
        Check(result.absolutePosition + result.length <= length);
        return 0;
    }
    int32_t end = 0;
    common::ListCursor cursor(&list, &line);
    for (cursor.Next(); cursor.Current() != nullptr; cursor.Next()) {
        const common::Token* token = cursor.Current();
        const int32_t start = token->AbsolutePosition();
        Check(token->Length() > 0 && start >= 0 && start + token->Length() <= length);
        common::NarrowString text;
        Check(cursor.CopyTokenText(text) && text.Length() == token->Length());
        if (cursor.Index() == 0) {
            Check(token->Type() == common::TokenType::Segment && start == 0 && token->Length() == length);
        } else {
            Check(token->Type() != common::TokenType::Segment && start >= end);
            end = start + token->Length();
        }
    }
    Check(cursor.Index() == list.Count());
    return 0;
}
