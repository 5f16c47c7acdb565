#include "common/FolderListing.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace common {
namespace {

struct Entry {
    std::u16string name;
    bool isFolder;
    auto operator<=>(const Entry&) const = default;
};

std::vector<Entry> Entries(const FolderListing& listing) {
    std::vector<Entry> entries;
    WideString name;
    bool isFolder = false;
    for (uint32_t index = 0; listing.GetEntry(index, name, isFolder); ++index)
        entries.push_back({std::u16string(name.View()), isFolder});
    return entries;
}

class FolderListingTest : public ::testing::Test {
protected:
    void SetUp() override {
        temporary.WriteFile(u"a.txt", "a");
        temporary.WriteFile(u"game.bin", "b");
        temporary.WriteFile(u"X.Bin", "c");
        std::filesystem::create_directory(temporary.Path() / "sub");
        std::filesystem::create_directory(temporary.Path() / ".git");
    }

    PathString Folder() const { return PathString(temporary.PathOf(u"").c_str()); }

    test_support::TemporaryFolder temporary;
};

TEST_F(FolderListingTest, ParentFirstThenFoldersThenFiles) {
    FolderListing listing;
    ASSERT_TRUE(listing.Read(Folder(), PathString()));
    EXPECT_EQ(std::u16string(listing.View()), temporary.PathOf(u""));
    EXPECT_TRUE(listing.HasParentEntry());
    EXPECT_EQ(listing.FolderCount(), 2u);
    EXPECT_EQ(listing.FileCount(), 3u);

    const std::vector<Entry> entries = Entries(listing);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0], (Entry{u"..", true}));
    // The host decides the order within each kind.
    EXPECT_EQ(std::set<Entry>(entries.begin() + 1, entries.begin() + 3),
              (std::set<Entry>{{u".git", true}, {u"sub", true}}));
    EXPECT_EQ(std::set<Entry>(entries.begin() + 3, entries.end()),
              (std::set<Entry>{{u"a.txt", false}, {u"game.bin", false}, {u"X.Bin", false}}));
}

TEST_F(FolderListingTest, FilterBySuffixNarrowsTheFiles) {
    FolderListing listing;
    ASSERT_TRUE(listing.Read(Folder(), PathString("*")));
    StringList suffixes;
    suffixes.Add(WideString(".BIN"));
    EXPECT_FALSE(listing.FilterBySuffix(suffixes, false, true, true));
    EXPECT_EQ(listing.FileCount(), 0u);

    listing.ResetOrder(false, true);
    EXPECT_EQ(listing.FileCount(), 3u);
    ASSERT_TRUE(listing.FilterBySuffix(suffixes, true, true, true));
    EXPECT_EQ(listing.FolderCount(), 2u); // folders are never filtered
    const std::vector<Entry> entries = Entries(listing);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(std::set<Entry>(entries.begin() + 3, entries.end()),
              (std::set<Entry>{{u"game.bin", false}, {u"X.Bin", false}}));

    listing.ResetOrder(true, true);
    StringList everything;
    everything.Add(WideString(""));
    EXPECT_TRUE(listing.FilterBySuffix(everything, false, true, true));
    EXPECT_EQ(listing.FileCount(), 3u);

    EXPECT_FALSE(listing.FilterBySuffix(StringList(), true, true, true));
    EXPECT_FALSE(listing.FilterBySuffix(everything, true, true, false));
}

TEST_F(FolderListingTest, PatternsChooseTheEntries) {
    FolderListing listing;
    ASSERT_TRUE(listing.Read(Folder(), PathString("*.bin")));
    EXPECT_FALSE(listing.HasParentEntry());
    EXPECT_EQ(listing.FolderCount(), 0u);
    EXPECT_EQ(listing.FileCount(), 2u);

    EXPECT_FALSE(listing.Read(Folder(), PathString("*.rom")));
    EXPECT_TRUE(listing.IsEmpty());
    EXPECT_EQ(listing.FileCount(), 0u);
    EXPECT_EQ(Entries(listing).size(), 0u);
}

TEST_F(FolderListingTest, AMissingFolderLeavesTheListingEmpty) {
    FolderListing listing;
    ASSERT_TRUE(listing.Read(Folder(), PathString()));
    EXPECT_FALSE(listing.Read(PathString(temporary.PathOf(u"missing").c_str()), PathString()));
    EXPECT_TRUE(listing.IsEmpty());
    EXPECT_EQ(listing.Folders().Count(), 0);
    EXPECT_EQ(listing.Files().Count(), 0);
    EXPECT_FALSE(listing.Read(PathString(temporary.PathOf(u"a.txt").c_str()), PathString()));

    WideString name("unchanged");
    bool isFolder = true;
    EXPECT_FALSE(listing.GetEntry(1, name, isFolder));
    EXPECT_EQ(std::u16string(name.View()), u"unchanged");
}

} // namespace
} // namespace common
