#include "common/TokenList.h"

#include "common/ConsoleTokens.h"
#include "common/ListCursor.h"
#include "common/NarrowString.h"
#include "common/WideString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace common {
namespace {

struct Placed {
    TokenType type;
    int32_t position; // from the line's start
    int32_t length;

    bool operator==(const Placed&) const = default;
};

void PrintTo(const Placed& token, std::ostream* out) {
    *out << "{type " << static_cast<int>(token.type) << ", at " << token.position << ", length " << token.length << "}";
}

std::vector<Placed> PlacedTokens(const TokenList& list) {
    std::vector<Placed> placed;
    for (const auto& token : list.Items()) {
        placed.push_back({token->Type(), token->AbsolutePosition(), token->Length()});
    }
    return placed;
}

constexpr TokenType kSegment = TokenType::Segment;
constexpr TokenType kIdentifier = TokenType::Identifier;
constexpr TokenType kNumber = TokenType::Number;
constexpr TokenType kSeparator = TokenType::Separator;
constexpr TokenType kQuoted = TokenType::QuotedString;

TEST(TokenListTest, ConsoleLinesCutIntoTokens) {
    struct Case {
        const char* name;
        std::string line;
        bool ok;
        std::vector<Placed> tokens; // on success
        int32_t failAt;             // on failure
        int32_t failLength;
    };
    const std::string longName(65535, 'n');
    const std::string longNumber(65536, '7');
    const Case cases[] = {
        {"empty", "", true, {}, 0, 0},
        {"blanks", " \t \r\v\f ", true, {}, 0, 0},
        {"mount a disk1.img",
         "mount a disk1.img",
         true,
         {{kSegment, 0, 17}, {kIdentifier, 0, 5}, {kIdentifier, 6, 1}, {kIdentifier, 8, 9}},
         0,
         0},
        {"blanks around", "  go   1000 ", true, {{kSegment, 0, 12}, {kIdentifier, 2, 2}, {kNumber, 7, 4}}, 0, 0},
        {"an underscore", "x_1", false, {}, 1, 1},
        {"a hash", "#", false, {}, 0, 1},
        {"a semicolon", "a;b", false, {}, 1, 1},
        {"a line feed after a letter", "a\n", false, {}, 1, 0},
        {"a line feed first", "\nA", false, {}, 0, 0},
        {"a line feed after a blank", "a \n", true, {{kSegment, 0, 3}, {kIdentifier, 0, 1}}, 0, 0},
        {"separators",
         "a,b",
         true,
         {{kSegment, 0, 3}, {kIdentifier, 0, 1}, {kSeparator, 1, 1}, {kIdentifier, 2, 1}},
         0,
         0},
        {"a dot first", ".5", true, {{kSegment, 0, 2}, {kSeparator, 0, 1}, {kNumber, 1, 1}}, 0, 0},
        {"a colon pair", "::", true, {{kSegment, 0, 2}, {kSeparator, 0, 1}, {kSeparator, 1, 1}}, 0, 0},
        {"an empty string", "\"\"", true, {{kSegment, 0, 2}, {kQuoted, 0, 2}}, 0, 0},
        {"two strings", "\"ab\"\"c\"", true, {{kSegment, 0, 7}, {kQuoted, 0, 4}, {kQuoted, 4, 3}}, 0, 0},
        {"an unclosed string", "\"abc", true, {{kSegment, 0, 4}, {kQuoted, 0, 4}}, 0, 0},
        {"a lone quote", "\"", true, {{kSegment, 0, 1}, {kQuoted, 0, 1}}, 0, 0},
        {"any byte in a string", "\"a\xE9\x01#\"", true, {{kSegment, 0, 6}, {kQuoted, 0, 6}}, 0, 0},
        {"a number then letters", "12ab", true, {{kSegment, 0, 4}, {kNumber, 0, 2}, {kIdentifier, 2, 2}}, 0, 0},
        {"the longest identifier", longName, true, {{kSegment, 0, 65535}, {kIdentifier, 0, 65535}}, 0, 0},
        {"an identifier too long", "a " + longName + "n", false, {}, 2, 65536},
        {"a number too long", longNumber, false, {}, 0, 65536},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        TokenList list;
        const TokenizeResult& result =
            list.TokenizeCommand(NarrowString(testCase.line.c_str()), ClassifyTokenChar, nullptr);
        ASSERT_EQ(result.ok, testCase.ok);
        if (testCase.ok) {
            EXPECT_EQ(PlacedTokens(list), testCase.tokens);
            EXPECT_EQ(result.absolutePosition, 0);
            EXPECT_EQ(result.length, 0);
        } else {
            EXPECT_EQ(result.segmentIndex, 0);
            EXPECT_EQ(result.absolutePosition, testCase.failAt);
            EXPECT_EQ(result.positionInSegment, testCase.failAt);
            EXPECT_EQ(result.length, testCase.failLength);
        }
    }
}

TEST(TokenListTest, BytesAbove0x7FBeginNoToken) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        SCOPED_TRACE(byte);
        const char line[] = {'a', static_cast<char>(byte), 'b', 0};
        TokenList list;
        const TokenizeResult& result = list.TokenizeCommand(NarrowString(line), ClassifyTokenChar);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.absolutePosition, 1);
        EXPECT_EQ(result.length, 1);
        // What was made before the failure stays.
        EXPECT_EQ(PlacedTokens(list), (std::vector<Placed>{{kSegment, 0, 0}, {kIdentifier, 0, 1}}));
    }
}

TEST(TokenListTest, FailsWithoutAClassifierOrWhenTheFactoryMakesNothing) {
    TokenList list;
    const TokenizeResult& result = list.TokenizeCommand(NarrowString("a"), nullptr);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(list.Count(), 0);

    const TokenFactory nothing = [](TokenType) -> std::unique_ptr<Token> { return nullptr; };
    EXPECT_FALSE(list.TokenizeCommand(NarrowString("ab cd"), ClassifyTokenChar, nothing).ok);
    EXPECT_EQ(list.Result().absolutePosition, 0);
    EXPECT_EQ(list.Result().length, 2);
}

// A syntax whose ';' ends a segment, as the tokenizer allows though the console has none.
bool TakeSemicolon(const char* character, const char*, int32_t accepted, TokenType& type) {
    if (character == nullptr || accepted != 0) {
        return false;
    }
    type = TokenType::Segment;
    return true;
}

TokenAcceptor ClassifyWithSegments(const char* start) {
    return *start == ';' ? TakeSemicolon : ClassifyTokenChar(start);
}

TEST(TokenListTest, SegmentsNumberTheStretchesOfALine) {
    TokenList list;
    ASSERT_TRUE(list.TokenizeCommand(NarrowString("a;;bc d;"), ClassifyWithSegments).ok);
    // The empty stretch between the two ';' and the one at the end hold no token and are not kept.
    EXPECT_EQ(PlacedTokens(list),
              (std::vector<Placed>{
                  {kSegment, 0, 2}, {kIdentifier, 0, 1}, {kSegment, 3, 5}, {kIdentifier, 3, 2}, {kIdentifier, 6, 1}}));
    const auto* second = dynamic_cast<const SegmentToken*>(list.At(2));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Index(), 2);
    EXPECT_EQ(list.At(4)->Position(), 3);
    EXPECT_EQ(list.At(4)->Segment(), second);

    list.Clear();
    const TokenizeResult& result = list.TokenizeCommand(NarrowString("a;b #"), ClassifyWithSegments);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.segmentIndex, 1);
    EXPECT_EQ(result.positionInSegment, 2);
    EXPECT_EQ(result.absolutePosition, 4);
}

TEST(TokenListTest, CreateTokenMakesOneClassPerCode) {
    const TokenType made[] = {TokenType::Type4, kSegment, kSeparator,  TokenType::Type32,
                              kNumber,          kQuoted,  kIdentifier, TokenType::Type2048};
    for (TokenType type : made) {
        SCOPED_TRACE(static_cast<int>(type));
        const std::unique_ptr<Token> token = CreateToken(type);
        ASSERT_NE(token, nullptr);
        EXPECT_EQ(token->Type(), type);
        EXPECT_EQ(token->Position(), -1);
        EXPECT_EQ(token->Length(), 0);
        if (type == kSegment) {
            EXPECT_EQ(static_cast<SegmentToken*>(token.get())->Index(), -1);
            EXPECT_EQ(token->Segment(), token.get());
        } else {
            EXPECT_EQ(token->Segment(), nullptr);
            EXPECT_EQ(token->AbsolutePosition(), -1);
        }
    }
    for (int code : {0, 1, 2, 3, 128, 1024, 4096, -1, 8 | 16}) {
        EXPECT_EQ(CreateToken(static_cast<TokenType>(code)), nullptr) << code;
    }
}

TEST(TokenListTest, SetLengthKeepsWhatTheClassCanCount) {
    struct Case {
        TokenType type;
        int32_t stored;
        bool fits;
    };
    const Case cases[] = {
        {TokenType::Type4, 0x45, false},      {kSeparator, 0x45, false},
        {TokenType::Type32, 0x45, false},     {kNumber, 0x2345, false},
        {kIdentifier, 0x2345, false},         {kQuoted, 0x12345, true},
        {TokenType::Type2048, 0x12345, true}, {kSegment, 0x12345, true},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(static_cast<int>(testCase.type));
        const std::unique_ptr<Token> token = CreateToken(testCase.type);
        EXPECT_EQ(token->SetLength(0x12345), testCase.fits);
        EXPECT_EQ(token->Length(), testCase.stored);
        EXPECT_TRUE(token->SetLength(255));
        EXPECT_EQ(token->Length(), 255);
    }
    EXPECT_TRUE(CreateToken(kNumber)->SetLength(65535));
    EXPECT_FALSE(CreateToken(kNumber)->SetLength(65536));
}

// A token placed by hand, as the tokenizer places one.
std::unique_ptr<Token> MakeToken(TokenType type, int32_t position, int32_t length, const SegmentToken* segment) {
    std::unique_ptr<Token> token = CreateToken(type);
    token->SetPosition(position);
    token->SetLength(length);
    token->SetSegment(segment);
    return token;
}

TEST(TokenListTest, CopyTextCutsTheTokenOutOfTheLine) {
    const NarrowString line("go \"ab\" x");
    SegmentToken segment(0);
    segment.SetPosition(0);
    struct Case {
        const char* name;
        int32_t position;
        int32_t length;
        int32_t cutFront;
        int32_t cutBack;
        bool ok;
        const char* text; // on success
    };
    const Case cases[] = {
        {"whole", 3, 4, 0, 0, true, "\"ab\""},
        {"between the quotes", 3, 4, 1, 1, true, "ab"},
        {"two characters, both cut", 4, 2, 1, 1, true, ""},
        {"one character, both cut", 4, 1, 1, 1, false, nullptr},
        {"the last character", 8, 1, 0, 0, true, "x"},
        {"past the line", 8, 2, 0, 0, false, nullptr},
        {"no characters", 0, 0, 0, 0, false, nullptr},
        {"before the line", -1, 2, 0, 0, false, nullptr},
        {"a cut before the line", 0, 2, -1, 0, false, nullptr},
        {"a cut past the line", 8, 1, 0, -1, false, nullptr},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const std::unique_ptr<Token> token = MakeToken(kQuoted, testCase.position, testCase.length, &segment);
        NarrowString text("untouched");
        ASSERT_EQ(token->CopyText(line, text, testCase.cutFront, testCase.cutBack), testCase.ok);
        EXPECT_EQ(std::string(text.View()), testCase.ok ? testCase.text : "untouched");
        WideString wide;
        EXPECT_EQ(
            token->CopyTextAt(WideString(u"go \"ab\" x"), wide, testCase.position, testCase.cutFront, testCase.cutBack),
            testCase.ok);
    }
    const std::unique_ptr<Token> loose = MakeToken(kIdentifier, 0, 2, nullptr);
    NarrowString text;
    EXPECT_FALSE(loose->CopyText(line, text, 0, 0));
    EXPECT_TRUE(loose->CopyTextAt(line, text, 0, 0, 0));
    EXPECT_EQ(std::string(text.View()), "go");
}

TEST(TokenListTest, FirstCharNeedsAPlacedTokenInsideTheLine) {
    const NarrowString line("mount x");
    SegmentToken segment(0);
    segment.SetPosition(0);
    char first = '?';
    EXPECT_TRUE(MakeToken(kIdentifier, 6, 1, &segment)->FirstChar(line, &first));
    EXPECT_EQ(first, 'x');
    first = '?';
    EXPECT_FALSE(MakeToken(kIdentifier, 6, 0, &segment)->FirstChar(line, &first));
    EXPECT_FALSE(MakeToken(kIdentifier, 6, 1, nullptr)->FirstChar(line, &first));
    EXPECT_FALSE(MakeToken(kIdentifier, 7, 1, &segment)->FirstChar(line, &first));
    EXPECT_FALSE(MakeToken(kIdentifier, -1, 1, &segment)->FirstChar(line, &first));
    EXPECT_EQ(first, '?');
}

TEST(TokenListTest, AtWalksToAnyIndexAndAnswersNullOutsideTheList) {
    const NarrowString line("a bb ccc dddd");
    TokenList list;
    ASSERT_TRUE(list.TokenizeCommand(line, ClassifyTokenChar).ok);
    ASSERT_EQ(list.Count(), 5);
    for (int32_t index : {3, 4, 3, 2, 0, 1, 4, 0, 4}) {
        SCOPED_TRACE(index);
        const Token* token = list.At(index);
        ASSERT_NE(token, nullptr);
        EXPECT_EQ(token->Length(), index == 0 ? 13 : index);
    }
    EXPECT_EQ(list.At(-1), nullptr);
    EXPECT_EQ(list.At(5), nullptr);
    EXPECT_EQ(list.At(INT32_MAX), nullptr);
    EXPECT_NE(list.At(2), nullptr);

    NarrowString text;
    EXPECT_TRUE(list.CopyTokenText(3, line, text));
    EXPECT_EQ(std::string(text.View()), "ccc");
    EXPECT_TRUE(list.CopyTokenText(0, line, text));
    EXPECT_EQ(std::string(text.View()), "a bb ccc dddd");
    EXPECT_FALSE(list.CopyTokenText(5, line, text));

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.At(0), nullptr);
}

TEST(TokenListTest, ListCursorWalksFromBeforeTheFirstToPastTheEnd) {
    const WideString line(u"mount FDD \"a.img\"");
    TokenList list;
    ASSERT_TRUE(list.TokenizeCommand(line, ClassifyTokenChar).ok);
    ListCursor cursor(&list, &line);
    EXPECT_EQ(cursor.Index(), -1);
    EXPECT_EQ(cursor.Current(), nullptr);

    std::vector<std::string> texts;
    for (cursor.Next(); cursor.Current() != nullptr; cursor.Next()) {
        NarrowString text;
        ASSERT_TRUE(cursor.CopyTokenText(text));
        texts.push_back(std::string(text.View()));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"mount FDD \"a.img\"", "mount", "FDD", "\"a.img\""}));
    EXPECT_EQ(cursor.Index(), 4);
    cursor.Next();
    EXPECT_EQ(cursor.Index(), 4);
    NarrowString text("untouched");
    EXPECT_FALSE(cursor.CopyTokenText(text));
    EXPECT_EQ(std::string(text.View()), "untouched");

    // Another line, or none at all.
    ListCursor noLine(&list, nullptr);
    noLine.Next();
    noLine.Next();
    EXPECT_FALSE(noLine.CopyTokenText(text));
    EXPECT_TRUE(text.IsEmpty());
    const NarrowString other("xxxxxxxxxxxxxxxxx");
    EXPECT_TRUE(noLine.CopyTokenText(text, &other));
    EXPECT_EQ(std::string(text.View()), "xxxxx");

    TokenList empty;
    ListCursor onEmpty(&empty, &line);
    onEmpty.Next();
    EXPECT_EQ(onEmpty.Index(), 0);
    EXPECT_EQ(onEmpty.Current(), nullptr);
    ListCursor unset;
    unset.Next();
    EXPECT_EQ(unset.Current(), nullptr);
}

} // namespace
} // namespace common
