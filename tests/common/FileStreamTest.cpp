#include "common/FileStream.h"
#include "common/Paths.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace common {
namespace {

std::string ReadAll(FileStream& stream) {
    std::string content(stream.Size(), '\0');
    EXPECT_EQ(stream.ReadAt(content.data(), 0, content.size()), static_cast<int64_t>(content.size()));
    return content;
}

class FileStreamTest : public testing::Test {
protected:
    test_support::TemporaryFolder folder;
};

TEST_F(FileStreamTest, OpenReadsAndWritesAnExistingFile) {
    const PathString path(folder.WriteFile(u"disk.img", "0123456789").c_str());
    FileStream stream;
    ASSERT_TRUE(stream.Open(path, false));
    EXPECT_TRUE(stream.CanRead());
    EXPECT_TRUE(stream.CanWrite());
    EXPECT_FALSE(stream.Growable());
    EXPECT_EQ(stream.Size(), 10);
    EXPECT_EQ(stream.Tell(), 0);
    EXPECT_EQ(stream.Path().Compare(path), 0);
    EXPECT_FALSE(stream.Open(path, false)) << "refused while open";

    std::array<char, 4> read{};
    EXPECT_EQ(stream.ReadAt(read.data(), 8, 4), 2);
    EXPECT_EQ(std::string(read.data(), 2), "89");
    EXPECT_EQ(stream.WriteAt("AB", 3, 2), 2);
    EXPECT_EQ(stream.Tell(), 5);
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Tell(), 0);
    EXPECT_EQ(stream.Read(read.data(), 1), 0);
    EXPECT_EQ(folder.ReadFile(u"disk.img"), "012AB56789");
}

TEST_F(FileStreamTest, OpenCreatesOnlyWhenAsked) {
    const PathString path(folder.PathOf(u"new.ini").c_str());
    FileStream stream;
    EXPECT_FALSE(stream.Open(path, false));
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "new.ini"));
    EXPECT_FALSE(stream.Open(PathString(), true));

    ASSERT_TRUE(stream.Open(path, true));
    EXPECT_TRUE(stream.CanWrite());
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Write("ZOVINI", 6), 6);
    EXPECT_EQ(stream.Size(), 6) << "the size follows what was written";
    stream.Close();
    EXPECT_EQ(folder.ReadFile(u"new.ini"), "ZOVINI");
}

TEST_F(FileStreamTest, CreateReplacesAFileOnlyWithOverwrite) {
    const PathString path(folder.WriteFile(u"state.sav", "old state").c_str());
    FileStream stream;
    EXPECT_FALSE(stream.Create(path, false));
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(folder.ReadFile(u"state.sav"), "old state");

    ASSERT_TRUE(stream.Create(path, true));
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Write("new", 3), 3);
    stream.Close();
    EXPECT_EQ(folder.ReadFile(u"state.sav"), "new");

    const PathString fresh(folder.PathOf(u"fresh.sav").c_str());
    ASSERT_TRUE(stream.Create(fresh, false));
    EXPECT_TRUE(stream.CanRead());
    EXPECT_TRUE(stream.CanWrite());
}

TEST_F(FileStreamTest, FoldersAreNeverOpened) {
    std::filesystem::create_directory(folder.Path() / "roms");
    const PathString path(folder.PathOf(u"roms").c_str());
    FileStream stream;
    EXPECT_FALSE(stream.Open(path, false));
    EXPECT_FALSE(stream.Open(path, true));
    EXPECT_FALSE(stream.Create(path, false));
    EXPECT_FALSE(stream.Create(path, true));
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "roms"));
    EXPECT_TRUE(platform::IsFolder(path.View()));
    EXPECT_FALSE(platform::IsFolder(folder.WriteFile(u"file", "x")));
}

// Paths that name something other than a regular file: opening any of them must neither wait nor succeed.
std::vector<std::u16string> NonRegularPaths(const test_support::TemporaryFolder& folder) {
#ifdef _WIN32
    (void)folder;
    // The names the host reserves are refused by their form, before anything opens (or creates) them.
    return {u"NUL", u"CON", u"\\\\.\\pipe\\zov-no-such-pipe", u"\\\\.\\PhysicalDrive0", u"COM\u00B9", u"lpt\u00B3.img"};
#else
    const std::u16string fifo = folder.PathOf(u"tape.fifo");
    EXPECT_EQ(::mkfifo((folder.Path() / "tape.fifo").c_str(), 0600), 0);
    return {fifo, u"/dev/null", u"/dev/zero", u"/dev/tty"};
#endif
}

TEST_F(FileStreamTest, OnlyRegularFilesOpenAndNothingWaits) {
    for (const std::u16string& name : NonRegularPaths(folder)) {
        SCOPED_TRACE(PathString(name.c_str()).GetNarrow());
        const PathString path(name.c_str());
        FileStream stream;
        EXPECT_FALSE(stream.Open(path, false));
        EXPECT_FALSE(stream.Open(path, true));
        EXPECT_FALSE(stream.OpenForReading(path));
        EXPECT_FALSE(stream.Create(path, true));
        EXPECT_FALSE(stream.IsOpen());
        EXPECT_FALSE(FileExists(path));
    }
}

TEST_F(FileStreamTest, OpenForReadingNeverWritesAWritableFile) {
    const PathString path(folder.WriteFile(u"state.sav", "state").c_str());
    FileStream stream;
    EXPECT_FALSE(stream.OpenForReading(PathString()));
    EXPECT_FALSE(stream.OpenForReading(PathString(folder.PathOf(u"missing.sav").c_str())));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "missing.sav"));
    ASSERT_TRUE(stream.OpenForReading(path));
    EXPECT_FALSE(stream.OpenForReading(path)) << "refused while open";
    EXPECT_TRUE(stream.CanRead());
    EXPECT_FALSE(stream.CanWrite());
    EXPECT_EQ(stream.WriteAt("XX", 0, 2), 0);
    EXPECT_FALSE(stream.Resize(10));
    EXPECT_EQ(ReadAll(stream), "state");
    stream.Close();
    EXPECT_EQ(folder.ReadFile(u"state.sav"), "state");
}

TEST_F(FileStreamTest, AReadOnlyFileOpensForReading) {
    const std::filesystem::path file = folder.Path() / "monit10.rom";
    folder.WriteFile(u"monit10.rom", "ROM");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    if (std::ofstream(file, std::ios::app).is_open()) {
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
        GTEST_SKIP() << "this user may write to read-only files";
    }
    FileStream stream;
    ASSERT_TRUE(stream.Open(PathString(folder.PathOf(u"monit10.rom").c_str()), true));
    EXPECT_TRUE(stream.CanRead());
    EXPECT_FALSE(stream.CanWrite());
    EXPECT_EQ(stream.Write("x", 1), 0);
    EXPECT_EQ(ReadAll(stream), "ROM");
    stream.Close();
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
}

TEST_F(FileStreamTest, ResizeOnlyLengthensWithZeros) {
    const PathString path(folder.WriteFile(u"disk.img", "abc").c_str());
    FileStream stream;
    ASSERT_TRUE(stream.Open(path, false));
    EXPECT_FALSE(stream.Resize(2));
    EXPECT_TRUE(stream.Resize(3));
    ASSERT_TRUE(stream.Resize(10000));
    EXPECT_EQ(stream.Size(), 10000);
    EXPECT_EQ(stream.Tell(), 10000);
    EXPECT_EQ(ReadAll(stream), "abc" + std::string(9997, '\0'));
}

TEST_F(FileStreamTest, PositionsPastTheEndAreAcceptedAndWritingThereExtendsTheFile) {
    const PathString path(folder.WriteFile(u"disk.img", "ab").c_str());
    FileStream stream;
    ASSERT_TRUE(stream.Open(path, false));
    EXPECT_TRUE(stream.Seek(0x100000000)) << "positions are 64-bit";
    EXPECT_EQ(stream.Tell(), 0x100000000);
    EXPECT_FALSE(stream.Seek(-1));
    std::array<char, 2> read{};
    EXPECT_EQ(stream.Read(read.data(), 2), 0);
    EXPECT_EQ(stream.WriteAt("z", 5, 1), 1);
    EXPECT_EQ(stream.Size(), 6);
    EXPECT_EQ(ReadAll(stream), std::string("ab\0\0\0z", 6));
}

TEST_F(FileStreamTest, WidePathsReachTheHostUnchanged) {
    const std::u16string name = u"\u0411\u041A-\u00E9\u4E2D.bin";
    const PathString path(folder.PathOf(name).c_str());
    FileStream stream;
    ASSERT_TRUE(stream.Create(path, false));
    EXPECT_EQ(stream.Write("BK", 2), 2);
    stream.Close();
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / std::filesystem::path(name)));
    ASSERT_TRUE(stream.Open(path, false));
    EXPECT_EQ(ReadAll(stream), "BK");
}

} // namespace
} // namespace common
