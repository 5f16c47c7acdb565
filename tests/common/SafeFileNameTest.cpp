#include "common/SafeFileName.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace common {
namespace {

TEST(SafeFileNameTest, NamesThatStayInTheirFolder) {
    for (const std::string& name :
         std::initializer_list<std::string>{"GAME", "game.bin", "AB CD", "a.b.c", "CONSOLE", "con1", "COM0", "COM10",
                                            "LPT", "NULL.txt", "x..y", "...", "\x80\xFF", "COMA"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(IsAllowedFileName(name));
        EXPECT_TRUE(IsAllowedFileName(std::u16string(name.begin(), name.end())));
    }
}

TEST(SafeFileNameTest, NamesThatLeaveTheFolderOrReachADevice) {
    for (const std::string& name : std::initializer_list<std::string>{"",
                                                                      ".",
                                                                      "..",
                                                                      "../x",
                                                                      "/abs/x",
                                                                      "a\\b",
                                                                      "C:x",
                                                                      "x:",
                                                                      "CON",
                                                                      "con",
                                                                      "nul.bin",
                                                                      "COM1",
                                                                      "com9.txt",
                                                                      "LPT9.txt",
                                                                      "Aux",
                                                                      "PRN.x.y",
                                                                      "CON .txt",
                                                                      "NUL ",
                                                                      std::string("a\001b"),
                                                                      "tab\there",
                                                                      "del\x7F",
                                                                      std::string(1, '\0')}) {
        SCOPED_TRACE(PrintableFileName(name));
        EXPECT_FALSE(IsAllowedFileName(name));
        EXPECT_FALSE(IsAllowedFileName(std::u16string(name.begin(), name.end())));
    }
}

TEST(SafeFileNameTest, ControlBytesShowAsQuestionMarks) {
    EXPECT_EQ(PrintableFileName(std::string("a\001b\x7F\n")), "a?b??");
    EXPECT_EQ(PrintableFileName("AB CD"), "AB CD");
}

} // namespace
} // namespace common
