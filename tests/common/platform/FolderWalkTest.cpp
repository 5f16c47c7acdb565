#include "common/platform/FolderWalk.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace common::platform {
namespace {

const FolderEntry* Find(const std::vector<FolderEntry>& entries, std::u16string_view name) {
    const auto found =
        std::find_if(entries.begin(), entries.end(), [name](const FolderEntry& entry) { return entry.name == name; });
    return found == entries.end() ? nullptr : &*found;
}

TEST(FolderWalkTest, EntriesComeWithKindSizeTimeAndIdentity) {
    test_support::TemporaryFolder folder;
    folder.WriteFile(u"file.bin", std::string(1234, 'x'));
    folder.WriteFile(u"\u0436.txt", "z");
    std::filesystem::create_directory(folder.Path() / "sub");
    const auto time = std::chrono::sys_seconds(std::chrono::seconds(1709618828));
    std::filesystem::last_write_time(folder.Path() / "file.bin",
                                     std::filesystem::file_time_type::clock::from_sys(time));
    std::vector<FolderEntry> entries;
    FileIdentity identity;
    ASSERT_TRUE(ReadFolderEntries(folder.Path().u16string(), false, entries, identity));
    ASSERT_EQ(entries.size(), 3u);
    const FolderEntry* file = Find(entries, u"file.bin");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->kind, EntryKind::File);
    EXPECT_EQ(file->size, 1234u);
    EXPECT_EQ(file->writeTime, 1709618828);
    ASSERT_NE(Find(entries, u"\u0436.txt"), nullptr);
    const FolderEntry* sub = Find(entries, u"sub");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->kind, EntryKind::Folder);
    EXPECT_FALSE(sub->identity == file->identity);

    // A folder's identity as its own listing gives it, and a file's as its open gives it.
    std::vector<FolderEntry> inner;
    FileIdentity subIdentity;
    ASSERT_TRUE(ReadFolderEntries((folder.Path() / "sub").u16string(), false, inner, subIdentity));
    EXPECT_TRUE(inner.empty());
    EXPECT_TRUE(subIdentity == sub->identity);
    File opened;
    ASSERT_TRUE(opened.OpenRegularInside(folder.Path().u16string(), {u"file.bin"}));
    EXPECT_TRUE(opened.Identity() == file->identity);
    EXPECT_EQ(opened.Size(), 1234);
}

TEST(FolderWalkTest, AMissingOrPlainFileIsNoFolder) {
    test_support::TemporaryFolder folder;
    folder.WriteFile(u"file.bin", "x");
    std::vector<FolderEntry> entries;
    FileIdentity identity;
    EXPECT_FALSE(ReadFolderEntries((folder.Path() / "missing").u16string(), false, entries, identity));
    EXPECT_FALSE(ReadFolderEntries((folder.Path() / "file.bin").u16string(), false, entries, identity));
    EXPECT_FALSE(ReadFolderEntries(u"", false, entries, identity));
}

TEST(FolderWalkTest, FilesInsideAreRegularFilesReachedStepByStep) {
    test_support::TemporaryFolder folder;
    std::filesystem::create_directories(folder.Path() / "a" / "b");
    folder.WriteFile(u"a/b/c.bin", "0123456789");
    File file;
    ASSERT_TRUE(file.OpenRegularInside(folder.Path().u16string(), {u"a", u"b", u"c.bin"}));
    EXPECT_FALSE(file.Identity() == FileIdentity{});
    char bytes[8] = {};
    ASSERT_TRUE(file.Seek(6));
    EXPECT_EQ(file.Read(bytes, 8), 4);
    EXPECT_EQ(std::string(bytes, 4), "6789");
    struct Case {
        const char* name;
        std::vector<std::u16string_view> names;
    };
    const Case refused[] = {
        {"a folder", {u"a", u"b"}},
        {"a missing file", {u"a", u"b", u"d.bin"}},
        {"a step with a separator", {u"a/b", u"c.bin"}},
        {"a step with a backslash", {u"a\\b", u"c.bin"}},
        {"a step up", {u"a", u"..", u"a", u"b", u"c.bin"}},
        {"a step in place", {u"a", u".", u"b", u"c.bin"}},
        {"an empty step", {u"a", u"", u"b", u"c.bin"}},
        {"no step", {}},
    };
    for (const Case& test : refused) {
        SCOPED_TRACE(test.name);
        EXPECT_FALSE(file.OpenRegularInside(folder.Path().u16string(), test.names));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_TRUE(file.Identity() == FileIdentity{});
    }
}

#ifndef _WIN32
TEST(FolderWalkTest, LinksAndPipesAreReportedNotFollowed) {
    test_support::TemporaryFolder outside;
    outside.WriteFile(u"secret", "secret");
    test_support::TemporaryFolder folder;
    std::filesystem::create_directory(folder.Path() / "real");
    folder.WriteFile(u"real/file", "inside");
    std::filesystem::create_symlink(outside.Path() / "secret", folder.Path() / "filelink");
    std::filesystem::create_directory_symlink(outside.Path(), folder.Path() / "dirlink");
    std::filesystem::create_directory_symlink(folder.Path() / "real", folder.Path() / "innerlink");
    ASSERT_EQ(mkfifo((folder.Path() / "pipe").c_str(), 0600), 0);
    std::vector<FolderEntry> entries;
    FileIdentity identity;
    ASSERT_TRUE(ReadFolderEntries(folder.Path().u16string(), false, entries, identity));
    EXPECT_EQ(Find(entries, u"filelink")->kind, EntryKind::Link);
    EXPECT_EQ(Find(entries, u"dirlink")->kind, EntryKind::Link);
    EXPECT_EQ(Find(entries, u"innerlink")->kind, EntryKind::Link);
    EXPECT_EQ(Find(entries, u"pipe")->kind, EntryKind::Other);
    EXPECT_EQ(Find(entries, u"real")->kind, EntryKind::Folder);
    // A linked folder is listed only when asked to follow it.
    EXPECT_FALSE(ReadFolderEntries((folder.Path() / "dirlink").u16string(), false, entries, identity));
    EXPECT_TRUE(ReadFolderEntries((folder.Path() / "dirlink").u16string(), true, entries, identity));

    File file;
    const std::u16string base = folder.Path().u16string();
    EXPECT_FALSE(file.OpenRegularInside(base, {u"filelink"}));
    EXPECT_FALSE(file.OpenRegularInside(base, {u"dirlink", u"secret"}));
    EXPECT_FALSE(file.OpenRegularInside(base, {u"innerlink", u"file"}));
    // Would wait for a writer for ever if it were opened as a file.
    EXPECT_FALSE(file.OpenRegularInside(base, {u"pipe"}));
    EXPECT_TRUE(file.OpenRegularInside(base, {u"real", u"file"}));
}
#endif

TEST(FolderWalkTest, DosTimesCoverTheYears1980To2107) {
    struct Case {
        int32_t year, month, day, hour, minute, second;
        uint32_t dos;
    };
    const Case cases[] = {
        {1980, 1, 1, 0, 0, 0, 0x00210000},
        {2024, 3, 5, 6, 7, 8, 0x586530E4},
        {2107, 12, 31, 23, 59, 59, 0xFF9FBF7D},
        {1979, 12, 31, 23, 59, 59, 0},
        {2108, 1, 1, 0, 0, 0, 0},
        {2024, 13, 1, 0, 0, 0, 0},
        {2024, 6, 30, 23, 59, 60, 0x58DEBF7D},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.year);
        EXPECT_EQ(DosDateTime(test.year, test.month, test.day, test.hour, test.minute, test.second), test.dos);
    }
    EXPECT_NE(LocalDosDateTime(1709618828), 0u);
    // Far outside the DOS years, whatever the time zone.
    EXPECT_EQ(LocalDosDateTime(0), 0u);
    EXPECT_EQ(LocalDosDateTime(5000000000), 0u);
    EXPECT_EQ(LocalDosDateTime(INT64_MAX), 0u);
    EXPECT_EQ(LocalDosDateTime(INT64_MIN), 0u);
}

} // namespace
} // namespace common::platform
