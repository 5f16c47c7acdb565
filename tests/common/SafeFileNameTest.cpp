#include "common/SafeFileName.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace common {
namespace {

// Each byte widened to the character of the same value, as the tape service widens a name.
std::u16string Widened(const std::string& name) {
    std::u16string wide;
    for (const char c : name) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return wide;
}

TEST(SafeFileNameTest, NamesThatStayInTheirFolder) {
    for (const std::string& name : std::initializer_list<std::string>{
             "GAME", "game.bin", "AB CD", "a.b.c", "CONSOLE", "con1", "COM0", "COM10", "LPT", "NULL.txt", "x..y", "...",
             "\x80\xFF", "COMA", "COM\xB4", "LPT\xB0", "COM\xB9\xB9", "CONIN"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(IsAllowedFileName(name));
        EXPECT_TRUE(IsAllowedFileName(Widened(name)));
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
                                                                      "COM\xB9",
                                                                      "com\xB2.bin",
                                                                      "LPT\xB3",
                                                                      "lpt\xB9 .txt",
                                                                      "CONIN$",
                                                                      "conout$.x",
                                                                      std::string("a\001b"),
                                                                      "tab\there",
                                                                      "del\x7F",
                                                                      std::string(1, '\0')}) {
        SCOPED_TRACE(PrintableFileName(name));
        EXPECT_FALSE(IsAllowedFileName(name));
        EXPECT_FALSE(IsAllowedFileName(Widened(name)));
    }
}

// What the Windows host would open a device or contact another host for, told by the path's form alone.
TEST(SafeFileNameTest, PathsThatReachADeviceOrAnotherHost) {
    struct Case {
        std::u16string_view path;
        bool device;
        bool network;
    };
    const Case cases[] = {
        {u"C:\\BK\\disk.img", false, false},
        {u"/home/bk/CONSOLE.img", false, false},
        {u"disk.img", false, false},
        {u"C:\\con\\disk.img", false, false},
        {u"C:\\BK\\COM0.img", false, false},
        {u"\\\\?\\C:\\BK\\disk.img", false, false},
        {u"\\??\\C:\\BK\\disk.img", false, false},
        {u"COM1", true, false},
        {u"C:COM1", true, false},
        {u"C:\\BK\\con.img", true, false},
        {u"/home/bk/nul", true, false},
        {u"C:\\BK\\AUX .img", true, false},
        {u"C:\\BK\\com2:stream", true, false},
        {u"C:\\BK\\COM\u00B9", true, false},
        {u"C:\\BK\\lpt\u00B3.img", true, false},
        {u"CONOUT$", true, false},
        {u"\\\\?\\C:\\BK\\PRN", true, false},
        {u"\\\\.\\PhysicalDrive0", true, false},
        {u"//./pipe/zov", true, false},
        {u"\\\\?\\GLOBALROOT\\Device\\Harddisk0\\Partition1", true, false},
        {u"\\??\\Volume{0}\\disk.img", true, false},
        {u"\\\\.\\UNC\\host\\share\\disk.img", true, true},
        {u"\\\\host\\share\\disk.img", false, true},
        {u"//host/share/disk.img", false, true},
        {u"\\/host/share/disk.img", false, true},
        {u"\\\\?\\UNC\\host\\share\\disk.img", false, true},
        {u"\\\\host\\share\\COM1", true, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.path.begin(), test.path.end()));
        EXPECT_EQ(IsDevicePath(test.path), test.device);
        EXPECT_EQ(IsNetworkPath(test.path), test.network);
    }
}

TEST(SafeFileNameTest, ControlBytesShowAsQuestionMarks) {
    EXPECT_EQ(PrintableFileName(std::string("a\001b\x7F\n")), "a?b??");
    EXPECT_EQ(PrintableFileName("AB CD"), "AB CD");
}

} // namespace
} // namespace common
