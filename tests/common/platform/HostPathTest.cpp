#include "common/platform/HostPath.h"

#include <gtest/gtest.h>

namespace common::platform {
namespace {

#ifndef _WIN32
TEST(HostPathTest, Utf8BothWays) {
    const struct {
        std::u16string path;
        std::string host;
    } cases[] = {
        {u"/tmp/a.rom", "/tmp/a.rom"},
        {u"\u00E9", "\xC3\xA9"},
        {u"\u041F", "\xD0\x9F"},
        {u"\u20AC", "\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(ToHostPath(testCase.path), testCase.host);
        EXPECT_EQ(FromHostPath(testCase.host), testCase.path);
    }
}

TEST(HostPathTest, BrokenTextStaysReadable) {
    // A lone surrogate has no UTF-8 form.
    EXPECT_EQ(ToHostPath(std::u16string(1, char16_t{0xD800}) + u"x"), "\xEF\xBF\xBDx");
    // Bytes that are no UTF-8 come back one character each (overlong, cut short, surrogate, stray continuation).
    EXPECT_EQ(FromHostPath("\xC0\xAF"), (std::u16string{0xC0, 0xAF}));
    EXPECT_EQ(FromHostPath("a\xE2\x82"), (std::u16string{u'a', 0xE2, 0x82}));
    EXPECT_EQ(FromHostPath("\xED\xA0\x80"), (std::u16string{0xED, 0xA0, 0x80}));
    EXPECT_EQ(FromHostPath("\x80z"), (std::u16string{0x80, u'z'}));
}
#else
TEST(HostPathTest, Utf16PassesUnchanged) {
    const std::u16string path = u"C:\\\u041F\\\U0001F600";
    EXPECT_EQ(ToHostPath(path), L"C:\\\u041F\\\U0001F600");
    EXPECT_EQ(FromHostPath(ToHostPath(path)), path);
}
#endif

} // namespace
} // namespace common::platform
