#include "common/TextTable.h"
#include "frontend/UiTextTables.h"

#include <gtest/gtest.h>

#include <memory>

namespace common {
namespace {

// A table that knows one id.
class OneText : public TextTable {
public:
    OneText(int32_t id, const char* text) : id(id), text(text) {}
    bool GetText(int32_t asked, WideString& out) const override {
        if (asked != id) {
            return false;
        }
        out.Assign(text);
        return true;
    }

private:
    int32_t id;
    const char* text;
};

TEST(TextRegistryTest, TheStartLanguageFollowsTheUsersPrimaryLanguage) {
    EXPECT_EQ(TextRegistry(0x0419).Current(), TextRegistry::kRussian);
    EXPECT_EQ(TextRegistry(0x0409).Current(), TextRegistry::kEnglish);
    EXPECT_EQ(TextRegistry(0x0422).Current(), TextRegistry::kEnglish) << "Ukrainian";
}

TEST(TextRegistryTest, WithoutTablesTheFallbackAnswers) {
    TextRegistry registry(0x0409);
    EXPECT_EQ(registry.GetText(7, u"fallback").View(), u"fallback");
    EXPECT_EQ(registry.GetText(7, nullptr).View(), u"");
    EXPECT_EQ(registry.LanguageName(0), nullptr);
}

TEST(TextRegistryTest, LookupFallsBackAsTheRulesSay) {
    TextRegistry registry(0x0419);
    ASSERT_TRUE(registry.Register(0, new OneText(1, "english one")));
    EXPECT_EQ(registry.GetText(1, nullptr).View(), u"english one") << "no Russian table: English answers";
    ASSERT_TRUE(registry.Register(1, new OneText(2, "russian two")));
    EXPECT_EQ(registry.Current(), TextRegistry::kRussian);
    EXPECT_EQ(registry.GetText(2, nullptr).View(), u"russian two");
    EXPECT_EQ(registry.GetText(1, u"").View(), u"") << "an empty fallback hides the English text";
    EXPECT_EQ(registry.GetText(1, nullptr).View(), u"english one");
    EXPECT_EQ(registry.GetText(3, nullptr).View(), u"");
    EXPECT_EQ(registry.GetText(3, u"given").View(), u"given");
}

TEST(TextRegistryTest, RegistrationAndSelectionRefuseWhatIsNoLanguage) {
    TextRegistry registry(0x0409);
    auto first = std::make_unique<OneText>(1, "first");
    auto second = std::make_unique<OneText>(1, "second");
    EXPECT_TRUE(registry.Register(0, first.get()));
    first.release();
    EXPECT_FALSE(registry.Register(0, second.get())) << "the first registration wins";
    EXPECT_FALSE(registry.Register(2, second.get()));
    EXPECT_FALSE(registry.Register(-1, second.get()));
    EXPECT_FALSE(registry.Register(1, nullptr));
    EXPECT_EQ(registry.GetText(1, nullptr).View(), u"first");

    registry.Select(1);
    EXPECT_EQ(registry.Current(), 0) << "Russian has no table";
    registry.Select(2);
    registry.Select(-1);
    EXPECT_EQ(registry.Current(), 0);
    EXPECT_STREQ(registry.LanguageName(0), "English");
    EXPECT_EQ(registry.LanguageName(1), nullptr);
    EXPECT_EQ(registry.LanguageName(2), nullptr);

    EXPECT_TRUE(registry.Register(1, new OneText(1, "zweite")));
    registry.Select(1);
    EXPECT_EQ(registry.Current(), 1);
    EXPECT_STREQ(registry.LanguageName(1), "Russian");
}

TEST(TextRegistryTest, SwitchingTheLanguageChangesEveryTextButTheSharedFour) {
    TextRegistry registry(0x0409);
    registry.Register(0, new emu::EnglishTextTable);
    registry.Register(1, new emu::RussianTextTable);
    const WideString english = registry.GetText(7, nullptr);
    registry.Select(1);
    EXPECT_NE(registry.GetText(7, nullptr).View(), english.View());
    EXPECT_EQ(registry.GetText(83, nullptr).View(), u"renderer");
}

} // namespace
} // namespace common
