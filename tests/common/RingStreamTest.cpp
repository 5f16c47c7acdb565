#include "common/RingStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <numeric>
#include <random>
#include <vector>

namespace common {
namespace {

std::vector<uint8_t> Bytes(size_t count, uint8_t first) {
    std::vector<uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

std::vector<uint8_t> Stored(RingStream& ring) {
    std::vector<uint8_t> stored(ring.Size());
    EXPECT_EQ(ring.Read(stored.data(), ring.Size() + 1, false), ring.Size());
    return stored;
}

TEST(RingStreamTest, AppendedBytesWrapAndComeOutInOrder) {
    RingStream ring;
    ASSERT_TRUE(ring.Create(16, -1));
    EXPECT_EQ(ring.Size(), 0);
    ASSERT_EQ(ring.Append(Bytes(10, 0).data(), 10), 10);
    std::vector<uint8_t> first(6);
    ASSERT_EQ(ring.Read(first.data(), 6, true), 6);
    EXPECT_EQ(first, Bytes(6, 0));
    ASSERT_EQ(ring.Append(Bytes(10, 10).data(), 10), 10);
    EXPECT_EQ(ring.Capacity(), 16) << "the second append wraps instead of growing";

    std::vector<uint8_t> all(20);
    EXPECT_EQ(ring.Read(all.data(), 20, false), 14);
    all.resize(14);
    EXPECT_EQ(all, Bytes(14, 6));
    EXPECT_EQ(ring.Size(), 14);

    const uint8_t* contiguous = ring.GetBuffer();
    EXPECT_EQ(std::vector<uint8_t>(contiguous, contiguous + 14), Bytes(14, 6));
    EXPECT_EQ(ring.GetBuffer(), contiguous) << "bytes in one piece stay where they are";
}

TEST(RingStreamTest, SkipDropsTheOldestBytes) {
    RingStream ring;
    ASSERT_TRUE(ring.Create(8, -1));
    ASSERT_EQ(ring.Append(Bytes(8, 0).data(), 8), 8);
    EXPECT_EQ(ring.Skip(3), 3);
    EXPECT_EQ(Stored(ring), Bytes(5, 3));
    ASSERT_EQ(ring.Append(Bytes(3, 8).data(), 3), 3);
    EXPECT_EQ(Stored(ring), Bytes(8, 3));
    EXPECT_EQ(ring.Skip(-1), 8);
    EXPECT_EQ(ring.Size(), 0);
    EXPECT_EQ(ring.Skip(5), 0);
    ASSERT_EQ(ring.Append(Bytes(2, 40).data(), 2), 2);
    EXPECT_EQ(ring.GetBuffer(), ring.MemoryStream::GetBuffer()) << "an emptied ring starts again at offset 0";
}

TEST(RingStreamTest, SkipKeepsThePositionWithinTheStoredBytes) {
    RingStream ring;
    ASSERT_TRUE(ring.Create(0, -1));
    ASSERT_EQ(ring.Write(Bytes(6, 0).data(), 6), 6);
    EXPECT_EQ(ring.Tell(), 6);
    EXPECT_EQ(ring.Skip(4), 4);
    EXPECT_EQ(ring.Tell(), 2);
    std::vector<uint8_t> read(4);
    EXPECT_EQ(ring.Read(read.data(), 4), 0);
    ASSERT_EQ(ring.Write(Bytes(1, 9).data(), 1), 1);
    EXPECT_EQ(Stored(ring), (std::vector<uint8_t>{4, 5, 9}));
}

TEST(RingStreamTest, ResizeMakesTheWholeRingCountAsStored) {
    RingStream ring;
    ASSERT_TRUE(ring.Create(0, -1));
    ASSERT_TRUE(ring.Resize(512));
    EXPECT_EQ(ring.Size(), 512);
    std::fill_n(ring.GetBuffer(), 512, uint8_t{0x77});
    std::vector<uint8_t> sector(512);
    EXPECT_EQ(ring.Read(sector.data(), 512, true), 512);
    EXPECT_EQ(sector, std::vector<uint8_t>(512, 0x77));
    EXPECT_EQ(ring.Size(), 0);

    ASSERT_EQ(ring.Append(Bytes(3, 1).data(), 3), 3);
    ASSERT_TRUE(ring.Resize(4));
    EXPECT_EQ(ring.Size(), 4);
    EXPECT_EQ(Stored(ring).front(), 1);
}

TEST(RingStreamTest, AFixedRingRefusesWhatItCannotHoldAndKeepsItsBytes) {
    RingStream ring;
    ASSERT_TRUE(ring.Create(4, 0));
    ASSERT_EQ(ring.Append(Bytes(3, 1).data(), 3), 3);
    EXPECT_EQ(ring.Append(Bytes(2, 7).data(), 2), 0);
    EXPECT_FALSE(ring.Resize(8));
    EXPECT_FALSE(ring.Create(8, -1));
    EXPECT_EQ(Stored(ring), Bytes(3, 1));
    ring.Free();
    EXPECT_EQ(ring.Size(), 0);
    EXPECT_EQ(ring.GetBuffer(), nullptr);
}

// Random traffic against a model: the stored bytes, the position and every answer must match.
TEST(RingStreamTest, BehavesLikeADequeUnderRandomTraffic) {
    RingStream ring;
    ASSERT_TRUE(ring.Create(16, -1));
    std::deque<uint8_t> model;
    int64_t position = 0;
    std::mt19937 random(12345);
    uint8_t next = 0;
    auto randomBytes = [&](size_t count) {
        std::vector<uint8_t> bytes(count);
        for (uint8_t& byte : bytes) {
            byte = next++;
        }
        return bytes;
    };
    for (int step = 0; step < 20000; ++step) {
        const int64_t n = random() % 40;
        const int64_t stored = static_cast<int64_t>(model.size());
        switch (random() % 7) {
        case 0: {
            const std::vector<uint8_t> bytes = randomBytes(n);
            ASSERT_EQ(ring.Append(bytes.data(), n), n);
            model.insert(model.end(), bytes.begin(), bytes.end());
            break;
        }
        case 1: {
            const bool consume = random() % 2 == 0;
            std::vector<uint8_t> read(n);
            const int64_t expected = std::min(n, stored);
            ASSERT_EQ(ring.Read(read.data(), n, consume), expected);
            ASSERT_TRUE(std::equal(read.begin(), read.begin() + expected, model.begin()));
            if (consume) {
                model.erase(model.begin(), model.begin() + expected);
            }
            break;
        }
        case 2: {
            const int64_t asked = random() % 10 == 0 ? -1 : n;
            const int64_t expected = asked < 0 ? stored : std::min(asked, stored);
            ASSERT_EQ(ring.Skip(asked), expected);
            model.erase(model.begin(), model.begin() + expected);
            break;
        }
        case 3: {
            std::vector<uint8_t> read(n);
            const int64_t expected = std::min(n, stored - position);
            ASSERT_EQ(ring.Read(read.data(), n), expected);
            ASSERT_TRUE(std::equal(read.begin(), read.begin() + expected, model.begin() + position));
            position += expected;
            break;
        }
        case 4: {
            const std::vector<uint8_t> bytes = randomBytes(n);
            ASSERT_EQ(ring.Write(bytes.data(), n), n);
            for (int64_t i = 0; i < n; ++i, ++position) {
                if (position < static_cast<int64_t>(model.size())) {
                    model[position] = bytes[i];
                } else {
                    model.push_back(bytes[i]);
                }
            }
            break;
        }
        case 5: {
            const int64_t target = random() % (stored + 2);
            ASSERT_EQ(ring.Seek(target), target <= stored);
            if (target <= stored) {
                position = target;
            }
            break;
        }
        case 6: {
            const uint8_t* bytes = ring.GetBuffer();
            ASSERT_TRUE(std::equal(model.begin(), model.end(), bytes));
            break;
        }
        }
        position = std::min<int64_t>(position, model.size());
        ASSERT_EQ(ring.Size(), static_cast<int64_t>(model.size())) << "step " << step;
        ASSERT_EQ(ring.Tell(), position) << "step " << step;
    }
    const std::vector<uint8_t> stored = Stored(ring);
    EXPECT_TRUE(std::equal(model.begin(), model.end(), stored.begin(), stored.end()));
}

} // namespace
} // namespace common
