#include "common/TokenList.h"

#include <cstring>

namespace common {

const TokenizeResult& TokenList::TokenizeCommand(const String& line, TokenClassifier classifier, TokenFactory factory) {
    result = TokenizeResult{};
    if (line.IsEmpty()) {
        result.ok = true;
        return result;
    }
    if (classifier == nullptr) {
        return result;
    }
    if (factory == nullptr) {
        factory = CreateToken;
    }
    const char* text = line.GetNarrow();
    // A wide line's narrow copy ends at its first character with a zero low byte.
    const auto end = static_cast<int32_t>(line.Kind() == 1 ? line.Length() : std::strlen(text));

    // A segment joins the list with its first token; until then it is pending, owned here.
    auto pending = std::make_unique<SegmentToken>(0);
    pending->SetPosition(0);
    SegmentToken* segment = pending.get();
    int32_t at = 0;
    while (at < end) {
        const TokenAcceptor accept = classifier(text + at);
        if (accept == nullptr) {
            Fail(*segment, at, 1);
            return result;
        }
        const char* start = text + at;
        TokenType type = TokenType::None;
        int32_t taken = 0;
        while (at < end && accept(text + at, start, taken, type)) {
            ++at;
            ++taken;
            if (type == TokenType::Segment) {
                segment->SetLength(at - segment->Position());
                auto next = std::make_unique<SegmentToken>(segment->Index() + 1);
                next->SetPosition(at);
                segment = next.get();
                pending = std::move(next);
            }
        }
        if (type == TokenType::Segment) {
            type = TokenType::Blanks;
        }
        if (at == end) {
            accept(nullptr, start, taken, type);
        }
        if (taken == 0 || type == TokenType::None) {
            Fail(*segment, at - taken, taken);
            return result;
        }
        if (type == TokenType::Blanks) {
            continue;
        }
        if (pending) {
            cursorIndex = -1;
            tokens.push_back(std::move(pending));
        }
        std::unique_ptr<Token> token = factory(type);
        if (token == nullptr || !token->SetLength(taken)) {
            Fail(*segment, at - taken, taken);
            return result;
        }
        token->SetPosition(at - taken - segment->Position());
        token->SetSegment(segment);
        tokens.push_back(std::move(token));
    }
    segment->SetLength(at - segment->Position());
    result.ok = true;
    return result;
}

void TokenList::Fail(const SegmentToken& segment, int32_t position, int32_t length) {
    result.ok = false;
    result.segmentIndex = segment.Index();
    result.positionInSegment = position - segment.Position();
    result.absolutePosition = position;
    result.length = length;
}

void TokenList::Clear() {
    cursorIndex = -1;
    tokens.clear();
}

Token* TokenList::At(int32_t index) {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    if (cursorIndex < 0) {
        cursor = tokens.begin();
        cursorIndex = 0;
    }
    while (cursorIndex < index) {
        ++cursor;
        ++cursorIndex;
    }
    while (cursorIndex > index) {
        --cursor;
        --cursorIndex;
    }
    return cursor->get();
}

bool TokenList::CopyTokenText(int32_t index, const String& line, String& destination) {
    const Token* token = At(index);
    return token != nullptr && token->Segment() != nullptr &&
           token->CopyTextAt(line, destination, token->AbsolutePosition(), 0, 0);
}

} // namespace common
