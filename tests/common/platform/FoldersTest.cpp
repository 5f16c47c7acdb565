#include "common/platform/Folders.h"
#include "common/platform/File.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace common::platform {
namespace {

std::u16string Folder(const test_support::TemporaryFolder& temporary) {
    return temporary.PathOf(u"");
}

// Every entry a listing reports, with its folder flag.
std::map<std::u16string, bool> List(std::u16string_view folder, std::u16string_view pattern, bool* result = nullptr) {
    std::map<std::u16string, bool> entries;
    const bool listed = ListFolder(folder, pattern, [&](std::u16string_view name, bool isFolder) {
        EXPECT_TRUE(entries.emplace(name, isFolder).second) << "reported twice";
    });
    if (result != nullptr)
        *result = listed;
    return entries;
}

TEST(FoldersTest, ProgramFileIsThisTestProgram) {
    const std::u16string path = ProgramFilePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(path)));
    EXPECT_NE(path.find(u"common_tests"), std::u16string::npos);
}

TEST(FoldersTest, ApplicationDataFolderHasNoTrailingSeparator) {
    const std::u16string folder = ApplicationDataFolder();
    if (folder.empty())
        GTEST_SKIP() << "this host names no application-data folder";
    EXPECT_NE(folder.back(), u'/');
    EXPECT_NE(folder.back(), u'\\');
}

TEST(FoldersTest, MakeFolderCreatesOneLevel) {
    test_support::TemporaryFolder temporary;
    const std::u16string made = temporary.PathOf(u"made");
    EXPECT_FALSE(IsFolder(made));
    EXPECT_TRUE(MakeFolder(made));
    EXPECT_TRUE(IsFolder(made));
    EXPECT_FALSE(MakeFolder(made)); // exists already
    EXPECT_FALSE(MakeFolder(temporary.PathOf(u"missing/deeper")));
    EXPECT_FALSE(IsFolder(temporary.PathOf(u"missing")));
    EXPECT_FALSE(MakeFolder(u""));
    EXPECT_FALSE(IsFolder(u""));
}

TEST(FoldersTest, WidePathsReachTheHost) {
    test_support::TemporaryFolder temporary;
    const std::u16string folder = temporary.PathOf(u"\u041F\u0430\u043F\u043A\u0430 \u00E9");
    ASSERT_TRUE(MakeFolder(folder));
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(folder)));
    temporary.WriteFile(u"\u041F\u0430\u043F\u043A\u0430 \u00E9/\u0444\u0430\u0439\u043B.bin", "x");
    const auto entries = List(folder, u"*.BIN");
    EXPECT_EQ(entries, (std::map<std::u16string, bool>{{u"\u0444\u0430\u0439\u043B.bin", false}}));
}

TEST(FoldersTest, RemoveFileReportsWhatTheHostDid) {
    test_support::TemporaryFolder temporary;
    temporary.WriteFile(u"doomed.txt", "bytes");
    EXPECT_TRUE(PathExists(temporary.PathOf(u"doomed.txt")));
    EXPECT_TRUE(RemoveFile(temporary.PathOf(u"doomed.txt")));
    EXPECT_FALSE(PathExists(temporary.PathOf(u"doomed.txt")));
    EXPECT_FALSE(std::filesystem::exists(temporary.Path() / "doomed.txt"));
    EXPECT_FALSE(RemoveFile(temporary.PathOf(u"doomed.txt")));
    EXPECT_FALSE(RemoveFile(u""));
}

TEST(FoldersTest, ListingReportsFilesFoldersAndTheParent) {
    test_support::TemporaryFolder temporary;
    temporary.WriteFile(u"a.txt", "a");
    temporary.WriteFile(u"game.BIN", "b");
    std::filesystem::create_directory(temporary.Path() / "sub");
    std::filesystem::create_directory(temporary.Path() / ".git");

    bool listed = false;
    const auto all = List(Folder(temporary), u"*", &listed);
    EXPECT_TRUE(listed);
    EXPECT_EQ(
        all,
        (std::map<std::u16string, bool>{
            {u".", true}, {u"..", true}, {u".git", true}, {u"sub", true}, {u"a.txt", false}, {u"game.BIN", false}}));

    EXPECT_EQ(List(Folder(temporary), u"*.bin"), (std::map<std::u16string, bool>{{u"game.BIN", false}}));
    EXPECT_EQ(List(Folder(temporary), u"?.txt"), (std::map<std::u16string, bool>{{u"a.txt", false}}));

    const auto none = List(Folder(temporary), u"*.rom", &listed);
    EXPECT_FALSE(listed);
    EXPECT_TRUE(none.empty());
    List(temporary.PathOf(u"missing"), u"*", &listed);
    EXPECT_FALSE(listed);
}

} // namespace
} // namespace common::platform
