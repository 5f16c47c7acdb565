// The About box's title sizes by length and DPI, its version line and its credit lines in both languages.
#include "frontend/AboutText.h"

#include "common/NarrowString.h"
#include "common/TextTable.h"
#include "frontend/UiTextTables.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string Narrow(const common::WideString& text) {
    return std::string(text.GetNarrow());
}

TEST(AboutTextTest, TheLongerTheTitleTheSmallerItsSize) {
    const struct {
        int32_t length;
        int32_t normal;
        int32_t high;
    } cases[] = {{40, 14, 12}, {26, 14, 12}, {25, 15, 13}, {24, 15, 13}, {23, 16, 14},
                 {22, 16, 14}, {21, 17, 15}, {18, 17, 15}, {17, 19, 17}, {0, 19, 17}};
    for (const auto& each : cases) {
        EXPECT_EQ(emu::AboutTitleSize(each.length, false), each.normal) << each.length;
        EXPECT_EQ(emu::AboutTitleSize(each.length, true), each.high) << each.length;
    }
    EXPECT_EQ(emu::AboutTextSize(false), 9);
    EXPECT_EQ(emu::AboutTextSize(true), 7);
}

TEST(AboutTextTest, TheVersionLineCarriesTheBuildOnlyWhenThereIsOne) {
    // The program's tables, unless a test registered them before.
    auto english = std::make_unique<emu::EnglishTextTable>();
    auto russian = std::make_unique<emu::RussianTextTable>();
    if (common::TextRegistry::Process().Register(common::TextRegistry::kEnglish, english.get())) {
        english.release();
    }
    if (common::TextRegistry::Process().Register(common::TextRegistry::kRussian, russian.get())) {
        russian.release();
    }
    common::SelectLanguage(common::TextRegistry::kEnglish);
    EXPECT_EQ(Narrow(emu::AboutVersionLine(common::NarrowString(""))), "Version 0.97");
    EXPECT_EQ(Narrow(emu::AboutVersionLine(common::NarrowString("Unicode, x86, GCC 12.2"))),
              "Version 0.97 (Unicode, x86, GCC 12.2)");
    EXPECT_EQ(Narrow(emu::AboutCreditLine(0)), "Author: ZOV/BK project, Russia");
    common::SelectLanguage(common::TextRegistry::kRussian);
    EXPECT_EQ(emu::AboutCreditLine(0).View(), std::u16string_view(u"Автор: проект ZOV/BK, Россия"));
    common::SelectLanguage(common::TextRegistry::kEnglish);
}

} // namespace
