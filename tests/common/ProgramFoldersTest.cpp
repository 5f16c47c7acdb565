#include "common/ProgramFolders.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace common {
namespace {

std::u16string Text(const PathString& path) {
    return std::u16string(path.View());
}

constexpr char16_t kAppData[] = u"C:\\ProgramData";

TEST(ProgramFoldersTest, ResolvesFromTheProgramPath) {
    const struct {
        const char16_t* programPath;
        const char16_t* appData;
        const char16_t* separator;
        const char16_t* folder;
        const char16_t* name;
        bool underProgramFiles;
    } cases[] = {
        {u"D:\\Program Files\\App\\app.exe", kAppData, u"\\", u"D:\\Program Files\\App\\", u"app", true},
        {u"D:\\PROGRAM FILES (X86)\\App\\app.exe", kAppData, u"\\", u"D:\\PROGRAM FILES (X86)\\App\\", u"app", true},
        {u"d:\\program files\\x\\a.b.exe", kAppData, u"\\", u"d:\\program files\\x\\", u"a.b", true},
        {u"E:\\Tools\\App\\app.exe", kAppData, u"\\", u"E:\\Tools\\App\\", u"app", false},
        {u"D:\\ProgramFiles\\app.exe", kAppData, u"\\", u"D:\\ProgramFiles\\", u"app", false},
        {u"C:\\dir.x\\zov", kAppData, u"\\", u"C:\\dir.x\\", u"zov", false},
        {u"/opt/zov/bin/zov", u"/home/u/.local/share", u"/", u"/opt/zov/bin/", u"zov", false},
        {u"app.exe", kAppData, u"\\", u"", u"app", false},
        {u"", kAppData, u"\\", u"", u"", false},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(PathString(testCase.programPath).GetNarrow());
        const ProgramFolders folders(testCase.programPath, testCase.appData);
        EXPECT_EQ(Text(folders.GetPathSeparator()), testCase.separator);
        EXPECT_EQ(Text(folders.GetProgramFolder()), testCase.folder);
        EXPECT_EQ(Text(folders.GetProgramName()), testCase.name);
        EXPECT_EQ(Text(folders.GetAppDataBase()), std::u16string(testCase.appData) + testCase.separator);
        EXPECT_EQ(Text(folders.GetSettingsBase()),
                  Text(testCase.underProgramFiles ? folders.GetAppDataBase() : folders.GetProgramFolder()));
    }
}

TEST(ProgramFoldersTest, DataFolderFollowsTheProgramFilesRule) {
    const ProgramFolders installed(u"D:\\Program Files\\App\\app.exe", kAppData);
    EXPECT_EQ(Text(installed.GetDataFolder(PathString("ZOVTarvoEmu"), false)), u"C:\\ProgramData\\ZOVTarvoEmu\\");
    EXPECT_EQ(Text(installed.GetDataFolder(PathString(), false)), u"C:\\ProgramData\\app\\");

    const ProgramFolders portable(u"E:\\Tools\\App\\app.exe", kAppData);
    EXPECT_EQ(Text(portable.GetDataFolder(PathString("ZOVTarvoEmu"), false)), u"E:\\Tools\\App\\");
    EXPECT_EQ(Text(portable.GetAppDataFolder(PathString("ZOVTarvoEmu"), false)), u"C:\\ProgramData\\ZOVTarvoEmu\\");

    // Installed, but the host names no application-data folder: the data stay beside the program.
    const ProgramFolders homeless(u"D:\\Program Files\\App\\app.exe", u"");
    EXPECT_EQ(Text(homeless.GetDataFolder(PathString("ZOVTarvoEmu"), false)), u"D:\\Program Files\\App\\");
    EXPECT_EQ(Text(homeless.GetAppDataFolder(PathString("ZOVTarvoEmu"), false)), u"D:\\Program Files\\App\\");
}

TEST(ProgramFoldersTest, DataFolderIsMadeWhenAsked) {
    test_support::TemporaryFolder temporary;
    const std::u16string separator(1, static_cast<char16_t>(std::filesystem::path::preferred_separator));
    // The second component of a relative program path reads "Program Files".
    const std::u16string program = u"x" + separator + u"Program Files" + separator + u"app";
    const ProgramFolders folders(program, temporary.PathOf(u""));

    const PathString made = folders.GetDataFolder(PathString("ZOVTarvoEmu"), true);
    EXPECT_EQ(Text(made), temporary.PathOf(u"ZOVTarvoEmu") + separator);
    EXPECT_TRUE(std::filesystem::is_directory(temporary.Path() / "ZOVTarvoEmu"));

    // One level only: a missing parent gives the program folder.
    const ProgramFolders deep(program, temporary.PathOf(u"missing"));
    EXPECT_EQ(Text(deep.GetDataFolder(PathString("ZOVTarvoEmu"), false)),
              temporary.PathOf(u"missing") + separator + u"ZOVTarvoEmu" + separator);
    EXPECT_EQ(Text(deep.GetDataFolder(PathString("ZOVTarvoEmu"), true)), Text(deep.GetProgramFolder()));
    EXPECT_FALSE(std::filesystem::exists(temporary.Path() / "missing"));
}

TEST(ProgramFoldersTest, ComposeFilePath) {
    const ProgramFolders folders(u"D:\\App\\app.exe", kAppData);
    const PathString folder("D:\\Data\\");
    EXPECT_EQ(Text(folders.ComposeFilePath(folder, PathString(), PathString("app"), PathString("ini"))),
              u"D:\\Data\\app.ini");
    EXPECT_EQ(Text(folders.ComposeFilePath(folder, PathString("states"), PathString("s1"), PathString("sav"))),
              u"D:\\Data\\states\\s1.sav");
    EXPECT_EQ(Text(folders.ComposeFilePath(folder, PathString("settings"), PathString(), PathString())),
              u"D:\\Data\\settings\\");

    const ProgramFolders posix(u"/opt/zov", u"");
    EXPECT_EQ(Text(posix.ComposeFilePath(PathString("/d/"), PathString("states"), PathString("s"), PathString("sav"))),
              u"/d/states/s.sav");
}

TEST(ProgramFoldersTest, GoUpOneFolder) {
    const ProgramFolders windows(u"D:\\App\\app.exe", kAppData);
    const ProgramFolders posix(u"/opt/zov", u"");
    const struct {
        const ProgramFolders& folders;
        const char16_t* path;
        bool moved;
        const char16_t* result;
    } cases[] = {
        {windows, u"D:\\a\\b\\", true, u"D:\\a\\"},
        {windows, u"D:\\a\\file.txt", true, u"D:\\a\\"},
        {windows, u"..\\", true, u"..\\..\\"},
        {windows, u"a\\.\\", true, u"a\\.\\..\\"},
        {windows, u"D:\\", true, u""},
        {windows, u"name", false, u"name"},
        {windows, u"a/b/", false, u"a/b/"}, // only the program's own separator counts
        {posix, u"/a/b/", true, u"/a/"},
        {posix, u"/a/b", true, u"/a/"},
        {posix, u"a\\b", false, u"a\\b"},
    };
    for (const auto& testCase : cases) {
        PathString path(testCase.path);
        SCOPED_TRACE(path.GetNarrow());
        EXPECT_EQ(testCase.folders.GoUpOneFolder(path), testCase.moved);
        EXPECT_EQ(Text(path), testCase.result);
    }
}

TEST(ProgramFoldersTest, SetProgramFolder) {
    ProgramFolders folders(u"D:\\App\\app.exe", kAppData);
    PathString empty;
    EXPECT_FALSE(folders.SetProgramFolder(empty, PathString(), true));

    PathString other("E:\\Other");
    EXPECT_TRUE(folders.SetProgramFolder(other, PathString("emu"), false));
    EXPECT_EQ(Text(other), u"E:\\Other\\");
    EXPECT_EQ(Text(folders.GetProgramFolder()), u"E:\\Other\\");
    EXPECT_EQ(Text(folders.GetProgramName()), u"emu");
    EXPECT_EQ(Text(folders.GetAppDataBase()), u"C:\\ProgramData\\");

    // With the host's own separator, a folder that is not there yet is made.
    test_support::TemporaryFolder temporary;
    ProgramFolders native(temporary.PathOf(u"emu"), u"");
    PathString made(temporary.PathOf(u"made").c_str());
    EXPECT_TRUE(native.SetProgramFolder(made, PathString(), true));
    EXPECT_TRUE(std::filesystem::is_directory(temporary.Path() / "made"));
    EXPECT_EQ(Text(native.GetProgramName()), u"emu");

    PathString unreachable(temporary.PathOf(u"missing/deeper").c_str());
    EXPECT_FALSE(native.SetProgramFolder(unreachable, PathString("x"), true));
    EXPECT_EQ(Text(native.GetProgramFolder()), Text(made));
    EXPECT_EQ(Text(native.GetProgramName()), u"emu");
}

TEST(ProgramFoldersTest, HostIsThisTestProgram) {
    const PathString folder = GetProgramFolder();
    ASSERT_FALSE(folder.IsEmpty());
    EXPECT_TRUE(folder.TailEquals(GetPathSeparator(), 1));
    EXPECT_EQ(Text(GetProgramName()), u"common_tests");
    EXPECT_EQ(GetPathSeparator().WideCharAt(0), static_cast<char16_t>(std::filesystem::path::preferred_separator));
    EXPECT_EQ(&ProgramFolders::Host(), &ProgramFolders::Host());
}

} // namespace
} // namespace common
