#include "common/FormatArg.h"
#include "common/NarrowString.h"
#include "common/WideString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace common {
namespace {

template <typename... Args>
std::string Formatted(const char* format, const Args&... args) {
    NarrowString text;
    text.Format(format, args...);
    return text.GetNarrow();
}

struct Case {
    std::string actual;
    std::string expected;
};

TEST(FormatArgTest, IntegersFollowThePrintfRules) {
    const std::vector<Case> cases = {
        {Formatted("%d", -5), "-5"},
        {Formatted("[%5d]", 42), "[   42]"},
        {Formatted("[%-5d]", 42), "[42   ]"},
        {Formatted("%05d", -42), "-0042"},
        {Formatted("%+d % d", 5, 5), "+5  5"},
        {Formatted("%.3d", 7), "007"},
        {Formatted("[%.0d]", 0), "[]"},
        {Formatted("%08.3d", 7), "     007"},
        {Formatted("%x %X", 255, 255), "ff FF"},
        {Formatted("%#x %#X %#x", 255, 255, 0), "0xff 0XFF 0"},
        {Formatted("%#o %o", 8, 0), "010 0"},
        {Formatted("%u", -1), "4294967295"},
        {Formatted("%i", uint32_t{0xFFFFFFFF}), "-1"},
        {Formatted("%c%c", 'A', 0x142), "AB"},
        {Formatted("%*d|%-*d|", 4, 7, 3, 8), "   7|8  |"},
        {Formatted("%*d|", -3, 7), "7  |"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(FormatArgTest, SizePrefixesGiveTheSameDigitsOnEveryPlatform) {
    const std::vector<Case> cases = {
        {Formatted("%ld", int32_t{-1}), "-1"},
        {Formatted("%lx", int32_t{-1}), "ffffffff"},
        {Formatted("%.6lo", 0177716), "177716"},
        {Formatted("%.6lo", 0777), "000777"},
        {Formatted("%s%.2I32x%s%s", "<", 0xAB, ">", ";"), "<ab>;"},
        {Formatted("%I32x", int64_t{0x100000001}), "1"},
        {Formatted("%I64d", std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
        {Formatted("%I64x", std::numeric_limits<uint64_t>::max()), "ffffffffffffffff"},
        {Formatted("%lld %llu", int64_t{-2}, uint64_t{3}), "-2 3"},
        {Formatted("%d", int64_t{5000000000}), "5000000000"},
        {Formatted("%x", int8_t{-1}), "ffffffff"},
        {Formatted("%hx %hhu %hd", -1, 257, 0x18000), "ffff 1 -32768"},
        {Formatted("%zu %Iu", size_t{12}, size_t{34}), "12 34"},
        {Formatted("%p", reinterpret_cast<const void*>(uintptr_t{0x1234abcd})), "000000001234ABCD"},
        {Formatted("%p", nullptr), "0000000000000000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(FormatArgTest, TextsAndFloatingValues) {
    const char* none = nullptr;
    char buffer[] = "buf";
    const std::vector<Case> cases = {
        {Formatted("[%5s][%-4s]", "ab", "c"), "[   ab][c   ]"},
        {Formatted("%.2s", "abcd"), "ab"},
        {Formatted("%s", none), "(null)"},
        {Formatted("%s", buffer), "buf"},
        {Formatted("%s|%S", std::string("std"), u"wide"), "std|wide"},
        {Formatted("%s", WideString(u"\u0141x\u0100y")), "Ax"},
        {Formatted("%s", NarrowString("narrow")), "narrow"},
        {Formatted("100%%"), "100%"},
        {Formatted("%.2f", 3.14159), "3.14"},
        {Formatted("%8.3f|%-8.1f|", -1.5, 2.25), "  -1.500|2.2     |"},
        {Formatted("%e", 12345.678), "1.234568e+04"},
        {Formatted("%E", 0.0), "0.000000E+00"},
        {Formatted("%g %g %G", 0.0001, 100000.0, 1e-10), "0.0001 100000 1E-10"},
        {Formatted("%+.1f %010.2f", 1.0, -3.5), "+1.0 -000003.50"},
        {Formatted("%f %F", std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()),
         "inf -INF"},
        {Formatted("%#.0f %#.0e", 2.0, 3.0), "2. 3.e+00"},
        {Formatted("%.1f", 2.0f), "2.0"},
        {Formatted("extra %d", 1, 2, 3), "extra 1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(FormatArgTest, UnformattableTextEndsWithTheErrorMarker) {
    const std::vector<Case> cases = {
        {Formatted("a%sb", 5), "a<?>"},   {Formatted("%d"), "<?>"},    {Formatted("%d and %s", 1), "1 and <?>"},
        {Formatted("%d", "text"), "<?>"}, {Formatted("%f", 1), "<?>"}, {Formatted("%*d", "w", 1), "<?>"},
        {Formatted("%n", 1), "<?>"},      {Formatted("%y", 1), "<?>"}, {Formatted("abc%", 1), "abc<?>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(FormatArgTest, LongResultsAreCutAtTheLimitWithAMarker) {
    EXPECT_EQ(Formatted("%1022d", 1).size(), 1022u);
    EXPECT_EQ(Formatted("%2047d", 1).size(), 2047u);

    const std::string longest = Formatted("%1048574d", 7);
    EXPECT_EQ(longest.size(), kMaxFormattedLength);
    EXPECT_EQ(longest.back(), '7');

    const std::string cut = Formatted("%-1048575d", 7);
    EXPECT_EQ(cut.size(), kMaxFormattedLength);
    EXPECT_EQ(cut.substr(cut.size() - kCutMarker.size()), kCutMarker);
    EXPECT_EQ(cut.front(), '7');

    const std::string huge(3000000, 'x');
    EXPECT_EQ(Formatted("%s%s", huge, huge).size(), kMaxFormattedLength);
    EXPECT_EQ(Formatted("%999999999d", 1).size(), kMaxFormattedLength);
    EXPECT_EQ(Formatted("%.999999999f", 1.0).size(), kMaxFormattedLength);
}

TEST(FormatArgTest, FormatReplacesAndAppendFormatAddsInEitherWidth) {
    WideString wide(u"old ");
    wide.AppendFormat("%c=%d", 0xE9, 1);
    EXPECT_EQ(wide.Compare(u"old \u00E9=1"), 0);
    wide.Format("%s", "new");
    EXPECT_EQ(wide.Compare(u"new"), 0);
    wide.Format(nullptr);
    EXPECT_TRUE(wide.IsEmpty());

    NarrowString narrow("[");
    narrow.AppendFormat("%s]", "x");
    EXPECT_STREQ(narrow.GetNarrow(), "[x]");
}

} // namespace
} // namespace common
