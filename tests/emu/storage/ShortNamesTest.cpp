#include "emu/storage/ShortNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace emu {
namespace {

std::string Name(const ShortName& name) {
    return std::string(name.begin(), name.end());
}

TEST(ShortNamesTest, BasisNamesFollowTheFatRules) {
    struct Case {
        std::u16string name;
        const char* basis;
        bool exact;
    };
    const Case cases[] = {
        {u"README.TXT", "README  TXT", true},
        {u"readme.txt", "README  TXT", true},
        {u"Long File Name.text", "LONGFILETEX", false},
        {u"a.b.c", "A       C  ", false},
        {u".profile", "PROFILE    ", false},
        {u"na\u00efve.txt", "NA_VE   TXT", false},
        {u"\U0001F600.txt", "_       TXT", false},
        {u"a+b[1].c;d", "A_B_1_  C_D", false},
        {u"con.txt", "CON     TXT", false},
        {u"Com1", "COM1       ", false},
        {u"COM10", "COM10      ", true},
        {u"trailing.", "TRAILING   ", false},
        {u"...", "_          ", false},
        {u"EIGHTCHR.EXT", "EIGHTCHREXT", true},
        {u"ninechars.ext", "NINECHAREXT", false},
        {u"12345678.123", "12345678123", true},
        {u"#$%&'()-@^_`{}~!", "#$%&'()-   ", false},
    };
    for (const Case& test : cases) {
        bool exact = !test.exact;
        const ShortName basis = ShortNameBasis(test.name, exact);
        EXPECT_EQ(Name(basis).substr(0, std::string(test.basis).size()), test.basis);
        EXPECT_EQ(exact, test.exact) << test.basis;
    }
}

TEST(ShortNamesTest, OneFolderGetsDifferentNamesWithTails) {
    std::vector<std::u16string> names = {
        u"README.TXT", u"readme.txt", u"README~1.TXT", u"Long File Name.text", u"Long File Name.textile", u"x"};
    for (int more = 0; more < 12; ++more) {
        names.push_back(u"Long File Name " + std::u16string(1, static_cast<char16_t>(u'a' + more)) + u".text");
    }
    const std::vector<std::u16string_view> views(names.begin(), names.end());
    const std::vector<ShortName> made = MakeShortNames(views);
    std::vector<std::string> texts;
    for (const ShortName& name : made) {
        texts.push_back(ShortNameText(name));
    }
    // Exact names keep theirs, even against a tail another name would have taken.
    EXPECT_EQ(texts[0], "README.TXT");
    EXPECT_EQ(texts[1], "README~2.TXT");
    EXPECT_EQ(texts[2], "README~1.TXT");
    EXPECT_EQ(texts[3], "LONGFI~1.TEX");
    EXPECT_EQ(texts[4], "LONGFI~2.TEX");
    EXPECT_EQ(texts[5], "X");
    EXPECT_EQ(texts[12], "LONGFI~9.TEX");
    EXPECT_EQ(texts[13], "LONGF~10.TEX");
    std::vector<std::string> sorted = texts;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

} // namespace
} // namespace emu
