#include "emu/core/SlotImageStream.h"

#include "FakeFolderDisk.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace emu {
namespace {

class SlotImageStreamTest : public ::testing::Test {
protected:
    common::PathString Write(const char16_t* name, std::string_view content) const {
        return common::PathString(folder.WriteFile(name, content).c_str());
    }
    common::PathString PathOf(const char16_t* name) const { return common::PathString(folder.PathOf(name).c_str()); }

    test_support::TemporaryFolder folder;
    SlotImageStream image;
};

TEST_F(SlotImageStreamTest, AnImageFileOpensForReadingAndWriting) {
    ASSERT_TRUE(image.Open(Write(u"disk.img", "0123456789")));
    EXPECT_TRUE(image.IsOpen());
    EXPECT_TRUE(image.CanWrite());
    EXPECT_TRUE(image.IsUsable());
    EXPECT_EQ(image.Size(), 10);

    EXPECT_EQ(image.WriteAt("ab", 4, 2), 2);
    std::array<char, 4> read{};
    EXPECT_EQ(image.ReadAt(read.data(), 3, 4), 4);
    EXPECT_EQ(std::string(read.data(), 4), "3ab6");
    EXPECT_EQ(image.Tell(), 7);

    image.Close();
    EXPECT_FALSE(image.IsOpen());
    EXPECT_EQ(image.Size(), 0);
    EXPECT_EQ(folder.ReadFile(u"disk.img"), "0123ab6789");
}

TEST_F(SlotImageStreamTest, AWritableImageOpensForWritingOnlyWhenAsked) {
    ASSERT_TRUE(image.Open(Write(u"disk.img", "abc"), false));
    EXPECT_FALSE(image.CanWrite());
    EXPECT_EQ(image.WriteAt("x", 0, 1), 0);
    image.Close();
    EXPECT_EQ(folder.ReadFile(u"disk.img"), "abc");
    ASSERT_TRUE(image.Open(PathOf(u"disk.img"), true));
    EXPECT_TRUE(image.CanWrite());
}

#ifndef _WIN32
TEST_F(SlotImageStreamTest, ADeviceIsNoImage) {
    EXPECT_FALSE(image.Open(common::PathString("/dev/zero")));
    EXPECT_FALSE(image.IsOpen());
}
#endif

TEST_F(SlotImageStreamTest, AReadOnlyImageOpensForReadingOnly) {
    const common::PathString path = Write(u"disk.img", "abc");
    const std::filesystem::path file = folder.Path() / "disk.img";
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    if (std::ofstream(file, std::ios::app).is_open()) {
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
        GTEST_SKIP() << "this user may write to read-only files";
    }
    ASSERT_TRUE(image.Open(path));
    EXPECT_FALSE(image.CanWrite());
    EXPECT_EQ(image.Write("x", 1), 0);
    EXPECT_EQ(image.WriteAt("x", 0, 1), 0);
    image.Close();
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    EXPECT_EQ(folder.ReadFile(u"disk.img"), "abc");
}

TEST_F(SlotImageStreamTest, WhatIsNoImageFileIsRefusedAndNothingIsCreated) {
    std::filesystem::create_directory(folder.Path() / "games");
    for (const char16_t* name : {u"missing.img", u"games", u""}) {
        SCOPED_TRACE(common::PathString(name).GetNarrow());
        EXPECT_FALSE(image.Open(PathOf(name)));
        EXPECT_FALSE(image.IsOpen());
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "missing.img"));
}

TEST_F(SlotImageStreamTest, AnOpenImageMustBeClosedBeforeTheNext) {
    ASSERT_TRUE(image.Open(Write(u"first.img", "first")));
    EXPECT_FALSE(image.Open(Write(u"second.img", "second!")));
    EXPECT_EQ(image.Size(), 5);
    image.Close();
    EXPECT_TRUE(image.Open(PathOf(u"second.img")));
    EXPECT_EQ(image.Size(), 7);
}

TEST_F(SlotImageStreamTest, PositionsBeyondFourGigabytesReachTheFile) {
    ASSERT_TRUE(image.Open(Write(u"hdd.img", "")));
    constexpr int64_t kFar = 0x100000010;
    ASSERT_EQ(image.WriteAt("Z", kFar, 1), 1);
    EXPECT_EQ(image.Size(), kFar + 1);
    EXPECT_EQ(image.Tell(), kFar + 1);
    char read = 0;
    EXPECT_EQ(image.ReadAt(&read, kFar, 1), 1);
    EXPECT_EQ(read, 'Z');
}

TEST_F(SlotImageStreamTest, AnUnreachablePositionMovesNothing) {
    ASSERT_TRUE(image.Open(Write(u"disk.img", "abc")));
    char read = '-';
    EXPECT_EQ(image.ReadAt(&read, -1, 1), 0);
    EXPECT_EQ(read, '-');
    EXPECT_EQ(image.WriteAt("x", -1, 1), 0);
    EXPECT_EQ(folder.ReadFile(u"disk.img").size(), 3u);
}

TEST_F(SlotImageStreamTest, ImagesHaveNoGeometry) {
    ASSERT_TRUE(image.Open(Write(u"disk.img", "abc")));
    int64_t cylinders = 80;
    int64_t heads = 2;
    int64_t sectors = 10;
    int64_t sectorSize = 512;
    EXPECT_FALSE(image.GetGeometry(cylinders, heads, sectors, sectorSize));
    EXPECT_EQ(cylinders + heads + sectors + sectorSize, 604);
    char buffer[4] = {};
    EXPECT_EQ(image.ReadSectorAt(buffer, 0, 0, 1, 1), 0);
    EXPECT_EQ(image.WriteSectorAt(buffer, 0, 0, 1, 1), 0);
}

TEST_F(SlotImageStreamTest, AFolderOpensThroughTheAttachedVirtualDisk) {
    std::filesystem::create_directory(folder.Path() / "games");
    auto disk = std::make_unique<FakeFolderDisk>(2048, false);
    FakeFolderDisk& attached = *disk;
    ASSERT_TRUE(image.AttachFolderDisk(std::move(disk)));

    ASSERT_TRUE(image.Open(PathOf(u"games")));
    EXPECT_TRUE(image.IsOpen());
    EXPECT_EQ(image.Size(), 2048);
    EXPECT_FALSE(image.IsUsable()); // the folder did not fit whole
    EXPECT_FALSE(image.AttachFolderDisk(std::make_unique<FakeFolderDisk>(1)));
    EXPECT_FALSE(image.Open(Write(u"disk.img", "abc")));

    image.Close();
    EXPECT_FALSE(image.IsOpen());
    EXPECT_EQ(attached.log.back(), "Close");
    // Files still open as files.
    ASSERT_TRUE(image.Open(PathOf(u"disk.img")));
    EXPECT_EQ(image.Size(), 3);
    EXPECT_TRUE(image.IsUsable());
}

} // namespace
} // namespace emu
