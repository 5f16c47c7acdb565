#include "common/MemoryStream.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace common {
namespace {

TEST(MemoryStreamTest, GrowthStepFollowsTheContentSize) {
    struct Case {
        const char* name;
        int64_t content;
        int64_t growth;
        int64_t write; // bytes written at the end of the content, one more than fits
        int64_t capacity;
    };
    const std::vector<Case> cases = {
        {"empty: 64 KiB, at least what the write needs", 0, -1, 1025, 0x10000},
        {"just below 64 KiB", 0xFFFF, -1, 1, 0xFFFF + 0x10000},
        {"64 KiB: a half", 0x10000, -1, 1, 0x18000},
        {"1 MiB: a half", 0x100000, -1, 1, 0x180000},
        {"above 1 MiB: a third", 0x200000, -1, 1, 0x200000 + 0x200000 / 3},
        {"10 MiB: a third", 0xA00000, -1, 1, 0xA00000 + 0xA00000 / 3},
        {"above 10 MiB: a quarter", 0x1400000, -1, 1, 0x1400000 + 0x500000},
        {"fixed step", 10, 5, 1, 15},
        {"fixed step smaller than the write", 10, 5, 20, 31},
    };
    for (const Case& c : cases) {
        MemoryStream stream;
        ASSERT_TRUE(stream.Create(c.content, c.growth)) << c.name;
        const std::vector<uint8_t> bytes(c.write, 0x5A);
        ASSERT_TRUE(stream.Seek(c.content)) << c.name;
        EXPECT_EQ(stream.Write(bytes.data(), c.write), c.write) << c.name;
        EXPECT_EQ(stream.Capacity(), c.capacity) << c.name;
        EXPECT_EQ(stream.Size(), c.content + c.write) << c.name;
        EXPECT_EQ(stream.Tell(), c.content + c.write) << c.name;
    }
}

TEST(MemoryStreamTest, GrowingKeepsTheContent) {
    MemoryStream stream;
    ASSERT_TRUE(stream.Create(0, -1));
    std::vector<uint8_t> written(200000);
    for (size_t i = 0; i < written.size(); ++i) {
        written[i] = static_cast<uint8_t>(i * 7);
    }
    for (size_t i = 0; i < written.size(); i += 1000) {
        ASSERT_EQ(stream.Write(&written[i], 1000), 1000);
    }
    std::vector<uint8_t> read(written.size());
    EXPECT_EQ(stream.ReadAt(read.data(), 0, 300000), 200000);
    EXPECT_EQ(read, written);
    EXPECT_EQ(stream.Read(read.data(), 1), 0);
}

TEST(MemoryStreamTest, CreateAndAttachRefuseWhatTheyCannotHold) {
    MemoryStream stream;
    EXPECT_FALSE(stream.Create(0, 0));
    EXPECT_FALSE(stream.Create(-1, -1));
    EXPECT_FALSE(stream.IsOpen());
    ASSERT_TRUE(stream.Create(0, -1));
    EXPECT_EQ(stream.Capacity(), 1024);
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_TRUE(stream.Growable());
    uint8_t* held = stream.GetBuffer();
    std::array<uint8_t, 4> other{};
    EXPECT_FALSE(stream.Create(16, 0));
    EXPECT_FALSE(stream.Attach(other.data(), other.size()));
    EXPECT_EQ(stream.GetBuffer(), held);

    MemoryStream empty;
    EXPECT_FALSE(empty.Attach(nullptr, 4));
    EXPECT_FALSE(empty.Attach(other.data(), -1));
    EXPECT_FALSE(empty.IsOpen());
}

TEST(MemoryStreamTest, FixedAndAttachedBuffersTakeOnlyWhatFits) {
    const std::vector<uint8_t> bytes(200, 0xA5);

    MemoryStream fixed;
    ASSERT_TRUE(fixed.Create(16, 0));
    EXPECT_FALSE(fixed.Growable());
    EXPECT_EQ(fixed.Write(bytes.data(), 20), 16);
    EXPECT_EQ(fixed.Size(), 16);
    EXPECT_FALSE(fixed.Resize(32));

    std::vector<uint8_t> caller(100, 0);
    MemoryStream attached;
    ASSERT_TRUE(attached.Attach(caller.data(), caller.size()));
    EXPECT_EQ(attached.Write(bytes.data(), 200), 100);
    EXPECT_EQ(caller, std::vector<uint8_t>(100, 0xA5));
    EXPECT_FALSE(attached.Resize(50));
    EXPECT_EQ(attached.Size(), 100);
    attached.Free(); // must leave the caller's buffer alone
    EXPECT_FALSE(attached.IsOpen());
    EXPECT_EQ(attached.Size(), 0);
}

// A growable stream holding the bytes 1 to 6, positioned at its end.
class MemoryStreamContentTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stream.Create(0, -1));
        ASSERT_EQ(stream.Write(bytes.data(), bytes.size()), 6);
    }

    const std::array<uint8_t, 6> bytes = {1, 2, 3, 4, 5, 6};
    MemoryStream stream;
};

TEST_F(MemoryStreamContentTest, PositionsStayWithinTheContent) {

    EXPECT_TRUE(stream.Seek(6));
    EXPECT_FALSE(stream.Seek(7));
    EXPECT_FALSE(stream.Seek(-1));
    EXPECT_EQ(stream.Tell(), 6);

    std::array<uint8_t, 4> read{};
    ASSERT_TRUE(stream.Seek(2));
    EXPECT_EQ(stream.ReadAt(read.data(), 8, 4), 0);
    EXPECT_EQ(stream.Tell(), 6) << "a read past the content leaves the position at the end";
    EXPECT_EQ(stream.ReadAt(read.data(), -1, 4), 0);
    EXPECT_EQ(stream.Tell(), 6);
    EXPECT_EQ(stream.WriteAt(bytes.data(), 9, 1), 0);
    EXPECT_EQ(stream.Size(), 6);
    EXPECT_EQ(stream.ReadAt(read.data(), 4, 4), 2);
    EXPECT_EQ(read[0], 5);
    EXPECT_EQ(read[1], 6);
}

TEST_F(MemoryStreamContentTest, ResizeKeepsTheContentUpToTheSmallerSize) {
    ASSERT_TRUE(stream.Resize(3));
    EXPECT_EQ(stream.Size(), 3);
    EXPECT_EQ(stream.Tell(), 3);
    ASSERT_TRUE(stream.Resize(10));
    EXPECT_EQ(stream.Size(), 10);
    std::array<uint8_t, 3> read{};
    EXPECT_EQ(stream.ReadAt(read.data(), 0, 3), 3);
    EXPECT_EQ(read, (std::array<uint8_t, 3>{1, 2, 3}));
    EXPECT_FALSE(stream.Resize(-1));
    ASSERT_TRUE(stream.Resize(0));
    EXPECT_EQ(stream.Capacity(), 1024);
}

} // namespace
} // namespace common
