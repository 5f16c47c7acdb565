#include "common/NarrowString.h"
#include "common/PathString.h"
#include "common/WideString.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace common {
namespace {

// Every editing rule holds for both widths: each case runs on a narrow and on a wide string.
std::vector<std::unique_ptr<String>> BothWidths(const char* text) {
    std::vector<std::unique_ptr<String>> strings;
    strings.push_back(std::make_unique<NarrowString>(text));
    strings.push_back(std::make_unique<WideString>(text));
    return strings;
}

struct EditCase {
    const char* name;
    const char* before;
    std::function<void(String&)> edit;
    const char* after;
};

TEST(StringTest, EditsCutPositionsAndCountsToTheText) {
    const std::vector<EditCase> cases = {
        {"insert before the start", "abc", [](String& s) { s.Insert("x", -5); }, "xabc"},
        {"insert inside", "abc", [](String& s) { s.Insert("xy", 1); }, "axybc"},
        {"insert at the end", "abc", [](String& s) { s.Insert("x", 3); }, "abcx"},
        {"insert past the end", "abc", [](String& s) { s.Insert("x", 99); }, "abcx"},
        {"insert into empty ignores pos", "", [](String& s) { s.Insert("x", 7); }, "x"},
        {"insert null", "abc", [](String& s) { s.Insert(nullptr, 1); }, "abc"},
        {"insert char", "ac", [](String& s) { s.InsertChar('b', 1); }, "abc"},
        {"erase from before the start", "abcdef", [](String& s) { s.Erase(-2, 3); }, "bcdef"},
        {"erase at the end", "abcdef", [](String& s) { s.Erase(6, 1); }, "abcdef"},
        {"erase past the end", "abcdef", [](String& s) { s.Erase(7, 1); }, "abcdef"},
        {"erase to the end", "abcdef", [](String& s) { s.Erase(2, 100); }, "ab"},
        {"erase huge count", "abcdef", [](String& s) { s.Erase(1, INT_MAX); }, "a"},
        {"erase nothing", "abcdef", [](String& s) { s.Erase(2, 0); }, "abcdef"},
        {"erase ending before the start", "abcdef", [](String& s) { s.Erase(-3, 3); }, "abcdef"},
        {"trim both ends", "  a b \t", [](String& s) { s.Trim(); }, "a b"},
        {"trim all white", " \r\n\v\f ", [](String& s) { s.Trim(); }, ""},
        {"trim empty", "", [](String& s) { s.Trim(); }, ""},
        {"upper-case ASCII only", "ab\xE9z1", [](String& s) { s.ToUpper(); }, "AB\xE9Z1"},
        {"assign a counted part", "x", [](String& s) { s.Assign("abcdef", 3); }, "abc"},
        {"assign stops at the terminator", "x", [](String& s) { s.Assign("ab", 5); }, "ab"},
        {"assign null", "x", [](String& s) { s.Assign(static_cast<const char*>(nullptr)); }, ""},
        {"assign length 0", "x", [](String& s) { s.Assign("abc", 0); }, ""},
        {"append wide text", "a", [](String& s) { s.Append(u"bc"); }, "abc"},
        {"append itself", "ab", [](String& s) { s.Append(s); }, "abab"},
        {"assign itself", "ab", [](String& s) { s.Assign(s); }, "ab"},
    };
    for (const EditCase& c : cases) {
        for (const auto& text : BothWidths(c.before)) {
            c.edit(*text);
            EXPECT_STREQ(text->GetNarrow(), c.after) << c.name << ", kind " << text->Kind();
            EXPECT_EQ(text->Compare(c.after), 0) << c.name << ", kind " << text->Kind();
        }
    }
}

TEST(StringTest, SubstrTakesTheCoveredCharactersInTheSameWidth) {
    struct Case {
        int pos;
        int count;
        const char* expected;
    };
    const std::vector<Case> cases = {{-1, 3, "ab"}, {2, 100, "cdef"}, {2, INT_MAX, "cdef"}, {0, 6, "abcdef"},
                                     {6, 1, ""},    {7, 1, ""},       {1, 0, ""},           {-3, 3, ""}};
    for (const Case& c : cases) {
        for (const auto& text : BothWidths("abcdef")) {
            const std::unique_ptr<String> part = text->Substr(c.pos, c.count);
            EXPECT_EQ(part->Kind(), text->Kind());
            EXPECT_STREQ(part->GetNarrow(), c.expected) << c.pos << ", " << c.count << ", kind " << text->Kind();
        }
    }
    const PathString path(u"C:\\dir\\");
    EXPECT_EQ(path.Substr(0, 2)->Kind(), 2);
    EXPECT_EQ(path.Substr(0, 2)->Compare(u"C:"), 0);
}

TEST(StringTest, WideCharactersNarrowToTheirLowByte) {
    const WideString wide(u"\u0141x\u0100yz");
    EXPECT_EQ(wide.CharAt(0), 'A');
    EXPECT_EQ(wide.WideCharAt(0), u'\u0141');
    EXPECT_STREQ(wide.GetNarrow(), "Ax") << "the copy ends at the first character with a zero low byte";

    NarrowString narrow("<");
    narrow.Append(wide);
    EXPECT_STREQ(narrow.GetNarrow(), "<Ax");

    const NarrowString bytes("\xE9\xFF");
    EXPECT_EQ(bytes.WideCharAt(0), u'\u00E9');
    EXPECT_EQ(std::u16string(bytes.GetWide()), u"\u00E9\u00FF");
    EXPECT_EQ(WideString("\xE9").Compare(bytes.Substr(0, 1)->GetWide()), 0);
}

TEST(StringTest, CopiesInTheOtherWidthFollowEveryChange) {
    NarrowString narrow("ab");
    EXPECT_EQ(std::u16string(narrow.GetWide()), u"ab");
    narrow.Append("c");
    EXPECT_EQ(std::u16string(narrow.GetWide()), u"abc");
    narrow.Erase(0, 1);
    EXPECT_EQ(std::u16string(narrow.GetWide()), u"bc");

    WideString wide(u"ab");
    EXPECT_STREQ(wide.GetNarrow(), "ab");
    wide.ToUpper();
    EXPECT_STREQ(wide.GetNarrow(), "AB");
    wide.Assign("xyz", 2);
    EXPECT_STREQ(wide.GetNarrow(), "xy");
}

TEST(StringTest, ComparesCodeUnitsAsUnsignedValuesAcrossWidths) {
    struct Case {
        const char* name;
        std::unique_ptr<String> left;
        std::unique_ptr<String> right;
        int sign;
    };
    std::vector<Case> cases;
    cases.push_back({"prefix first", std::make_unique<NarrowString>("ab"), std::make_unique<NarrowString>("abc"), -1});
    cases.push_back({"longer last", std::make_unique<WideString>(u"abc"), std::make_unique<NarrowString>("ab"), 1});
    cases.push_back({"equal across widths", std::make_unique<NarrowString>("\xE9t\xE9"),
                     std::make_unique<WideString>(u"\u00E9t\u00E9"), 0});
    cases.push_back(
        {"high byte above ASCII", std::make_unique<NarrowString>("\x80"), std::make_unique<NarrowString>("\x7F"), 1});
    cases.push_back({"byte below a wide character", std::make_unique<NarrowString>("\xFF"),
                     std::make_unique<WideString>(u"\u0100"), -1});
    cases.push_back({"empty strings", std::make_unique<NarrowString>(), std::make_unique<WideString>(), 0});
    for (const Case& c : cases) {
        const int result = c.left->Compare(*c.right);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.name;
        const int reverse = c.right->Compare(*c.left);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign) << c.name;
        EXPECT_EQ(StringLess(*c.left, *c.right), c.sign < 0) << c.name;
    }
    EXPECT_EQ(NarrowString().Compare(static_cast<const char*>(nullptr)), 0);
    EXPECT_EQ(WideString().Compare(static_cast<const char16_t*>(nullptr)), 0);
}

TEST(StringTest, TailEqualsComparesLastCharactersOrElseLengths) {
    struct Case {
        const char* left;
        const char* right;
        int n;
        bool expected;
    };
    const std::vector<Case> cases = {{"xyz", "abz", 1, true},   {"xyz", "abz", 2, false}, {"xyz", "abz", 5, true},
                                     {"ab", "xyz", 5, false},   {"ab", "xyz", 0, true},   {"a.rom", ".ROM", 4, false},
                                     {"a.rom", ".rom", 4, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(NarrowString(c.left).TailEquals(NarrowString(c.right), c.n), c.expected) << c.left << c.right;
        EXPECT_EQ(WideString(c.left).TailEquals(NarrowString(c.right), c.n), c.expected) << c.left << c.right;
    }
}

TEST(StringTest, SearchesFindCharactersFromEitherEnd) {
    for (const auto& text : BothWidths("a/b/c")) {
        EXPECT_EQ(text->ReverseFind('/', -1), 3);
        EXPECT_EQ(text->ReverseFind('/', 3), 1);
        EXPECT_EQ(text->ReverseFind('/', 1), -1);
        EXPECT_EQ(text->ReverseFind('/', 99), 3);
        EXPECT_EQ(text->Find('/', -5), 1);
        EXPECT_EQ(text->Find('/', 2), 3);
        EXPECT_EQ(text->Find('/', 4), -1);
        EXPECT_EQ(text->Find('x'), -1);
    }
    const WideString wide(u"\u00E9\u0439\u00E9");
    EXPECT_EQ(wide.Find('\xE9', 1), 2);
    EXPECT_EQ(wide.FindWide(u'\u0439'), 1);
    EXPECT_EQ(wide.ReverseFindWide(u'\u00E9'), 2);
    EXPECT_EQ(NarrowString("\xE9").FindWide(u'\u00E9'), 0);
}

TEST(StringTest, CopiesKeepTheirOwnText) {
    const PathString path("dir/");
    const std::unique_ptr<PathString> clone = path.Clone();
    clone->Append("file");
    EXPECT_EQ(path.Compare("dir/"), 0);
    EXPECT_EQ(clone->Compare("dir/file"), 0);
    EXPECT_TRUE(PathString::NewEmpty()->IsEmpty());

    const WideString base(u"state");
    const WideString joined = base + ".sav";
    EXPECT_EQ(joined.Compare(u"state.sav"), 0);
    EXPECT_EQ(base.Compare(u"state"), 0);
    EXPECT_EQ((base + nullptr).Compare(u"state"), 0);

    NarrowString moved("text");
    const NarrowString target(std::move(moved));
    EXPECT_EQ(target.Compare("text"), 0);
}

} // namespace
} // namespace common
