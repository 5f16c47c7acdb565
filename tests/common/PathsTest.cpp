#include "common/Paths.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace common {
namespace {

std::u16string Text(const PathString& path) {
    return std::u16string(path.View());
}

TEST(PathsTest, FileName) {
    const struct {
        const char16_t* path;
        const char16_t* name;
    } cases[] = {
        {u"a/b\\c.txt", u"c.txt"}, {u"a\\b/c.txt", u"c.txt"}, {u"name", u"name"}, {u"D:\\dir\\", u""}, {u"", u""},
        {u"/usr/bin/zov", u"zov"}};
    for (const auto& testCase : cases)
        EXPECT_EQ(Text(GetFileName(PathString(testCase.path))), testCase.name) << PathString(testCase.path).GetNarrow();
}

TEST(PathsTest, ExtensionComesFromTheLastComponentOnly) {
    const struct {
        const char16_t* path;
        const char16_t* base;
        const char16_t* extension;
    } cases[] = {
        {u"game.bin", u"game", u"bin"},
        {u"archive.tar.gz", u"archive.tar", u"gz"},
        {u"file.", u"file", u""},
        {u"file", u"file", u""},
        {u".ini", u"", u"ini"},
        {u"", u"", u""},
        {u"dir.d\\name", u"dir.d\\name", u""},
        {u"dir.d/name", u"dir.d/name", u""},
        {u"C:\\x.y\\disk.img", u"C:\\x.y\\disk", u"img"},
        {u"/home/u.v/.zov", u"/home/u.v/", u"zov"},
    };
    for (const auto& testCase : cases) {
        const PathString path(testCase.path);
        SCOPED_TRACE(path.GetNarrow());
        EXPECT_EQ(Text(GetExtension(path)), testCase.extension);
        PathString base("stale");
        PathString extension("stale");
        SplitExtension(path, base, extension);
        EXPECT_EQ(Text(base), testCase.base);
        EXPECT_EQ(Text(extension), testCase.extension);
    }
}

TEST(PathsTest, PathParts) {
    const struct {
        const char16_t* path;
        int32_t index;
        const char16_t* part;
    } cases[] = {
        {u"D:\\a\\b.txt", -1, u"D:\\a\\"},
        {u"D:\\a\\b.txt", 0, u"D:"},
        {u"D:\\a\\b.txt", 1, u"a"},
        {u"D:\\a\\b.txt", 2, u"b.txt"},
        {u"D:\\a\\b.txt", 3, u""},
        {u"\\\\srv\\x", 1, u""},
        {u"\\\\srv\\x", 2, u"srv"},
        {u"/usr/lib/x", 0, u""},
        {u"/usr/lib/x", 1, u"usr"},
        {u"/usr\\lib/x", 2, u"lib"},
        {u"name", -1, u"name"},
        {u"name", 0, u"name"},
        {u"name", 1, u""},
        {u"", -1, u""},
        {u"", 0, u""},
        {u"a/", 1, u""},
        {u"a/b/", -1, u"a/b/"},
        {u"a//b", 1, u""},
    };
    for (const auto& testCase : cases)
        EXPECT_EQ(Text(GetPathPart(PathString(testCase.path), testCase.index)), testCase.part)
            << PathString(testCase.path).GetNarrow() << " index " << testCase.index;
}

TEST(PathsTest, NarrowPathsSplitToo) {
    EXPECT_EQ(Text(GetFileName(NarrowString("dir/file.bin"))), u"file.bin");
    EXPECT_EQ(Text(GetExtension(NarrowString("dir/file.bin"))), u"bin");
}

TEST(PathsTest, FilesAndFolders) {
    test_support::TemporaryFolder temporary;
    const PathString file(temporary.WriteFile(u"a.rom", "rom").c_str());
    const PathString folder(temporary.PathOf(u"states").c_str());

    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(PathString(temporary.PathOf(u"missing.rom").c_str())));
    EXPECT_FALSE(FileExists(PathString()));
    EXPECT_FALSE(IsDirectory(file));

    EXPECT_TRUE(CreateDirectoryPath(folder));
    EXPECT_TRUE(IsDirectory(folder));
    EXPECT_TRUE(CreateDirectoryPath(folder)); // already there counts
    EXPECT_FALSE(FileExists(folder));
    EXPECT_FALSE(CreateDirectoryPath(PathString(temporary.PathOf(u"x/y").c_str())));
    EXPECT_FALSE(CreateDirectoryPath(file)); // a file is in the way

    EXPECT_TRUE(DeleteFileAt(file));
    EXPECT_FALSE(std::filesystem::exists(temporary.Path() / "a.rom"));
    EXPECT_TRUE(DeleteFileAt(file)); // gone is gone
    EXPECT_TRUE(DeleteFileAt(PathString()));
}

TEST(PathsTest, DeleteFileAtIsFalseWhileTheFileIsStillThere) {
    test_support::TemporaryFolder temporary;
    // A folder is not deleted as a file; what is still there is reported.
    const std::u16string folder = temporary.PathOf(u"folder");
    std::filesystem::create_directory(std::filesystem::path(folder));
    EXPECT_FALSE(DeleteFileAt(PathString(folder.c_str())));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder)));
}

TEST(PathsTest, ReplaceFileWithPutsTheNewFileInPlaceOfTheOld) {
    test_support::TemporaryFolder temporary;
    const PathString fresh(temporary.WriteFile(u"bk_0010.ini.tmp", "new").c_str());
    const PathString target(temporary.WriteFile(u"bk_0010.ini", "old").c_str());

    EXPECT_TRUE(ReplaceFileWith(fresh, target));
    EXPECT_EQ(temporary.ReadFile(u"bk_0010.ini"), "new");
    EXPECT_FALSE(FileExists(fresh));

    // Nothing to move, or a folder in the way: refused, and the file stays.
    EXPECT_FALSE(ReplaceFileWith(fresh, target));
    std::filesystem::create_directory(temporary.Path() / "settings");
    EXPECT_FALSE(ReplaceFileWith(target, PathString(temporary.PathOf(u"settings").c_str())));
    EXPECT_EQ(temporary.ReadFile(u"bk_0010.ini"), "new");
}

} // namespace
} // namespace common
