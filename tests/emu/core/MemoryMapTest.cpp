#include "emu/core/MemoryMap.h"

#include "common/MemoryStream.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Log = std::vector<std::string>;

constexpr uint32_t kSize = 0x10000;

// What plain storage holds at an offset in the tests: differs between pages and within them.
uint8_t Stored(uint32_t offset) {
    return static_cast<uint8_t>(offset ^ (offset >> 8));
}

// A device's page handlers: they log each access and serve reads with 0xAB bytes, both only up to a word.
struct PageLog {
    Log entries;

    static bool Read(void* context, uint32_t address, uint32_t size, void* buffer, uint8_t peek) {
        auto* log = static_cast<PageLog*>(context);
        log->Add("r", address, size, peek != 0 ? " peek" : "");
        std::memset(buffer, 0xAB, size);
        return size <= 2;
    }
    static bool Write(void* context, uint32_t address, uint32_t size, const void* buffer) {
        uint32_t value = 0;
        std::memcpy(&value, buffer, size);
        static_cast<PageLog*>(context)->Add("w", address, size, "=" + std::to_string(value));
        return size <= 2;
    }

private:
    void Add(const char* what, uint32_t address, uint32_t size, const std::string& rest) {
        char text[32];
        std::snprintf(text, sizeof text, "%s %X/%u", what, address, size);
        entries.push_back(text + rest);
    }
};

// A 64 KB map whose first pages show each kind of page:
// 0 RAM, 1 read-only, 2 absent, 3 a device's handlers, 4 reads and writes page 8, 5 write-only,
// 6 aliased to itself, 7 aliased to page 4 (itself aliased), 9 RAM marked against direct writes.
class MemoryMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(memory.Create(kSize, 0xFFFF, 0));
        for (uint32_t offset = 0; offset < kSize; ++offset) {
            memory.RamBase()[offset] = Stored(offset);
        }
        memory.SetPageMapping(MemoryMap::Access::ReadOnly, 1, 1);
        memory.SetPageMapping(MemoryMap::Access::None, 2, 1);
        memory.MapReadRange(3, 1, &device, PageLog::Read, false);
        memory.MapWriteRange(3, 1, &device, PageLog::Write, false);
        memory.RemapPages(4, 8, 1);
        memory.SetPageMapping(MemoryMap::Access::WriteOnly, 5, 1);
        memory.RemapPages(6, 10, 1);
        memory.ResetPageRange(6, 1);
        memory.RemapPages(7, 4, 1);
        memory.SetPageMark(9, 1, true);
    }

    uint32_t Read(uint32_t address, uint32_t width, uint8_t peek = 0) {
        switch (width) {
        case 1:
            return memory.ReadByte(address, peek);
        case 2:
            return memory.ReadWord(address, peek);
        default:
            return memory.ReadDword(address, peek);
        }
    }

    void Write(uint32_t address, uint32_t width, uint32_t value) {
        switch (width) {
        case 1:
            return memory.WriteByte(address, static_cast<uint8_t>(value));
        case 2:
            return memory.WriteWord(address, static_cast<uint16_t>(value));
        default:
            return memory.WriteDword(address, value);
        }
    }

    MemoryMap memory;
    PageLog device;
};

TEST_F(MemoryMapTest, ReadsReachEachKindOfPage) {
    struct Case {
        const char* what;
        uint32_t address;
        uint32_t width;
        uint8_t peek;
        uint32_t expected;
        Log handled;
    };
    const Case cases[] = {
        {"RAM byte", 0x0010, 1, 0, 0x10, {}},
        {"RAM word", 0x0010, 2, 0, 0x1110, {}},
        {"RAM long", 0x0010, 4, 0, 0x13121110, {}},
        {"RAM word split at the page end into read-only", 0x03FF, 2, 0, 0x04FC, {}},
        {"read-only byte", 0x0405, 1, 0, 0x01, {}},
        {"absent byte", 0x0805, 1, 0, 0xFF, {}},
        {"absent word", 0x0805, 2, 0, 0xFFFF, {}},
        {"absent long", 0x0804, 4, 0, 0xFFFFFFFF, {}},
        {"handler byte", 0x0C01, 1, 0, 0xAB, {"r C01/1"}},
        {"handler byte peeked", 0x0C01, 1, 1, 0xAB, {"r C01/1 peek"}},
        {"handler word", 0x0C02, 2, 0, 0xABAB, {"r C02/2"}},
        {"handler long declined, read in words", 0x0C04, 4, 0, 0xABABABAB, {"r C04/4", "r C04/2", "r C06/2"}},
        {"handler word split at the page end", 0x0FFF, 2, 0, 0x20AB, {"r FFF/1"}},
        {"aliased byte", 0x1005, 1, 0, Stored(0x2005), {}},
        {"aliased word", 0x1006, 2, 0, 0x2726, {}},
        {"write-only byte", 0x1405, 1, 0, 0xFF, {}},
        {"page aliased to itself, byte", 0x1804, 1, 0, Stored(0x1804), {}},
        {"page aliased to itself, word in bytes", 0x1804, 2, 0, 0x1D1C, {}},
        // Only one level of alias is followed: page 7 reads what page 4 itself holds.
        {"alias of an alias", 0x1C05, 1, 0, Stored(0x1005), {}},
        {"beyond the address space", 0x10000, 1, 0, 0xFF, {}},
        {"word across the end of the address space", 0xFFFF, 2, 0, 0xFF00, {}},
        {"long across the end of the address space", 0xFFFE, 4, 0, 0xFFFF0001, {}},
        // Its halves are read at the addresses that follow, the last one wrapping round to 0.
        {"long at the top of the 32-bit range", 0xFFFFFFFD, 4, 0, 0x00FFFFFF, {}},
    };
    for (const Case& test : cases) {
        device.entries.clear();
        EXPECT_EQ(Read(test.address, test.width, test.peek), test.expected) << test.what;
        EXPECT_EQ(device.entries, test.handled) << test.what;
    }
}

TEST_F(MemoryMapTest, WritesReachEachKindOfPage) {
    struct Case {
        const char* what;
        uint32_t address;
        uint32_t width;
        uint32_t value;
        // Where the bytes land in storage; none when they are dropped or handled.
        int64_t storedAt;
        Log handled;
    };
    const Case cases[] = {
        {"RAM byte", 0x0010, 1, 0x5A, 0x0010, {}},
        {"RAM long", 0x0010, 4, 0x44332211, 0x0010, {}},
        {"RAM word split at the page end", 0x27FF, 2, 0x2211, 0x27FF, {}},
        {"read-only byte", 0x0405, 1, 0x5A, -1, {}},
        {"absent word", 0x0805, 2, 0x2211, -1, {}},
        {"handler byte", 0x0C01, 1, 0x5A, -1, {"w C01/1=90"}},
        {"handler long declined, written in words",
         0x0C04,
         4,
         0x44332211,
         -1,
         {"w C04/4=1144201745", "w C04/2=8721", "w C06/2=17459"}},
        {"aliased word", 0x1006, 2, 0x2211, 0x2006, {}},
        {"write-only byte", 0x1405, 1, 0x5A, 0x1405, {}},
        {"marked RAM byte", 0x2405, 1, 0x5A, 0x2405, {}},
        {"beyond the address space", 0x10000, 2, 0x2211, -1, {}},
    };
    for (const Case& test : cases) {
        SetUp();
        device.entries.clear();
        const std::vector<uint8_t> before(memory.RamBase(), memory.RamBase() + memory.PageCount() * page::kSize);
        Write(test.address, test.width, test.value);
        std::vector<uint8_t> expected = before;
        if (test.storedAt >= 0) {
            for (uint32_t byte = 0; byte < test.width; ++byte) {
                expected[static_cast<size_t>(test.storedAt) + byte] = static_cast<uint8_t>(test.value >> (8 * byte));
            }
        }
        const std::vector<uint8_t> after(memory.RamBase(), memory.RamBase() + memory.PageCount() * page::kSize);
        EXPECT_TRUE(after == expected) << test.what;
        EXPECT_EQ(device.entries, test.handled) << test.what;
    }
}

TEST_F(MemoryMapTest, PublishesWhichPagesTheProcessorReachesInPlace) {
    struct Case {
        uint32_t page;
        bool reads;
        bool fetches;
        bool writes;
    };
    for (const Case& test : {Case{0, true, true, true}, Case{1, true, true, false}, Case{2, false, false, false},
                             Case{3, false, false, false}, Case{4, true, true, true}, Case{5, false, false, true},
                             Case{7, false, false, false}, Case{8, true, true, true}, Case{9, true, true, false}}) {
        const PageDescriptor& descriptor = memory.Pages().pages[test.page];
        EXPECT_EQ(descriptor.ReadsInPlace(), test.reads) << test.page;
        EXPECT_EQ(descriptor.FetchesInPlace(), test.fetches) << test.page;
        EXPECT_EQ(descriptor.WritesInPlace(), test.writes) << test.page;
    }
    const PageTable& table = memory.Pages();
    EXPECT_EQ(table.size, kSize);
    EXPECT_EQ(table.addressMask, 0xFFFFu);
    EXPECT_EQ(table.PageOf(0x0405).ReadBytes()[5], memory.ReadByte(0x0405, 0));
    EXPECT_EQ(table.PageOf(0x0010).WriteBytes(), memory.RamBase());
    EXPECT_TRUE(table.Holds(0xFFFE, 2));
    EXPECT_FALSE(table.Holds(0xFFFF, 2));
    EXPECT_FALSE(table.Holds(0xFFFFFFFF, 4));
}

TEST(MemoryMapGeometryTest, CreatesPagesAboveTheAddressSpaceAndAClampedMask) {
    struct Case {
        uint32_t size;
        uint32_t mask;
        uint32_t extra;
        uint32_t expectedSize;
        uint32_t expectedMask;
        uint32_t pageCount;
    };
    for (const Case& test : {Case{0x10000, 0, 0, 0x10000, 0xFFFF, 66}, Case{0x10000, 0x3C000, 0, 0x10000, 0xFFFF, 66},
                             Case{0x3C000, 0xFFFF, 0, 0x3C000, 0xFFFF, 242}, Case{1000, 0, 0, 1024, 1023, 3},
                             Case{0x10000, 0xFFFF, 0x1F01, 0x10000, 0xFFFF, 75}}) {
        MemoryMap memory;
        ASSERT_TRUE(memory.Create(test.size, test.mask, test.extra));
        EXPECT_EQ(memory.Size(), test.expectedSize) << test.size;
        EXPECT_EQ(memory.AddressMask(), test.expectedMask) << test.size;
        EXPECT_EQ(memory.PageCount(), test.pageCount) << test.size;
        EXPECT_EQ(memory.Pages().pageCount, test.pageCount) << test.size;
    }
    MemoryMap empty;
    EXPECT_TRUE(empty.Create(0, 0, 0));
    EXPECT_EQ(empty.PageCount(), 0u);
    EXPECT_EQ(empty.ReadByte(0, 0), 0xFF);
    EXPECT_FALSE(empty.SetPageMapping(MemoryMap::Access::ReadOnly, 0, 1));
}

TEST(MemoryMapGeometryTest, ExtraAreaLiesBeyondAGapPageUntilMadeVisible) {
    MemoryMap memory;
    ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0x2000));
    EXPECT_EQ(memory.ExtraSize(), 0x2000u);
    EXPECT_EQ(memory.ExtraArea(), memory.RamBase() + 0x10400);
    EXPECT_EQ(memory.GetPageAccess(64), 0u);
    EXPECT_EQ(memory.GetPageAccess(65), 3u);
    memory.ExtraArea()[5] = 0x77;
    EXPECT_EQ(memory.ReadByte(0x10405, 0), 0xFF);

    EXPECT_TRUE(memory.SetExtraVisible(true));
    EXPECT_EQ(memory.Pages().size, 0x12400u);
    EXPECT_EQ(memory.ReadByte(0x10405, 0), 0x77);
    EXPECT_EQ(memory.ReadByte(0x10005, 0), 0xFF);
    // Restarting the map takes the area out of view again.
    EXPECT_TRUE(memory.ResetPages());
    EXPECT_FALSE(memory.IsExtraVisible());
    EXPECT_EQ(memory.Size(), 0x10000u);
}

TEST(MemoryMapGeometryTest, RemapsBanksOntoPagesAboveTheAddressWindow) {
    MemoryMap memory;
    ASSERT_TRUE(memory.Create(0x3C000, 0xFFFF, 0));
    memory.RemapPages(0x10, 0x80, 0x10);
    memory.WriteByte(0x4000, 0x5A);
    EXPECT_EQ(memory.RamBase()[0x80 * 1024], 0x5A);
    EXPECT_EQ(memory.RamBase()[0x4000], 0x00);
    EXPECT_EQ(memory.ReadByte(0x4000, 0), 0x5A);

    memory.RemapPages(0x10, 0x10, 0x10);
    memory.WriteByte(0x4000, 0xA5);
    EXPECT_EQ(memory.RamBase()[0x4000], 0xA5);
    EXPECT_EQ(memory.ReadByte(0x4000, 0), 0xA5);

    MemoryMap small;
    ASSERT_TRUE(small.Create(0x10000, 0xFFFF, 0));
    small.RemapPages(0x10, 0x80, 0x10);
    small.WriteByte(0x4000, 0x5A);
    EXPECT_EQ(small.RamBase()[0x4000], 0x5A);
}

TEST(MemoryMapGeometryTest, PageRangesAreCutAtTheEndOfTheTableAndSaySo) {
    MemoryMap memory;
    ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0));
    EXPECT_FALSE(memory.SetPageMapping(static_cast<MemoryMap::Access>(4), 0, 1));
    EXPECT_EQ(memory.GetPageAccess(0), 3u);
    EXPECT_TRUE(memory.SetPageMapping(MemoryMap::Access::ReadOnly, 70, 0));
    EXPECT_FALSE(memory.SetPageMapping(MemoryMap::Access::ReadOnly, 66, 1));
    EXPECT_FALSE(memory.SetPageMapping(MemoryMap::Access::ReadOnly, 60, 10));
    EXPECT_EQ(memory.GetPageAccess(65), 1u);
    EXPECT_EQ(memory.GetPageAccess(59), 3u);
    EXPECT_EQ(memory.GetPageAccess(66), 0u);

    PageLog device;
    EXPECT_FALSE(memory.MapReadRange(66, 1, &device, PageLog::Read, false));
    EXPECT_FALSE(memory.MapWriteRange(66, 1, &device, PageLog::Write, false));
    EXPECT_TRUE(memory.MapWriteRange(0, 0, &device, PageLog::Write, false));
    EXPECT_FALSE(memory.SetPageAccess(false, 64, 3));
    EXPECT_EQ(memory.PageAt(65)->flags & page::kRom, page::kRom);
}

TEST(MemoryMapGeometryTest, UntranslatedHandlersGetTheAddressAsGiven) {
    MemoryMap memory;
    ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0));
    PageLog device;
    memory.MapReadRange(8, 1, &device, PageLog::Read, true);
    memory.RemapReadPages(4, 8, 1);
    memory.ReadByte(0x1005, 0);
    memory.MapReadRange(8, 1, &device, PageLog::Read, false);
    memory.ReadByte(0x1005, 0);
    EXPECT_EQ(device.entries, (Log{"r 1005/1", "r 2005/1"}));
}

TEST(MemoryMapGeometryTest, HooksServeWhatNoPageServesUntilTheMapIsRebuilt) {
    MemoryMap memory;
    ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0));
    memory.SetPageMapping(MemoryMap::Access::None, 2, 1);
    PageLog unmapped;
    PageLog outOfRange;
    memory.SetUnmappedHooks({&unmapped, PageLog::Read, PageLog::Write});
    memory.SetOutOfRangeHooks({&outOfRange, PageLog::Read, PageLog::Write});
    EXPECT_EQ(memory.ReadWord(0x0802, 1), 0xABAB);
    memory.WriteByte(0x0803, 7);
    EXPECT_EQ(memory.ReadByte(0x10000, 0), 0xAB);
    memory.WriteWord(0x10002, 0x0102);
    EXPECT_EQ(unmapped.entries, (Log{"r 802/2 peek", "w 803/1=7"}));
    EXPECT_EQ(outOfRange.entries, (Log{"r 10000/1", "w 10002/2=258"}));

    ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0));
    memory.SetPageMapping(MemoryMap::Access::None, 2, 1);
    EXPECT_EQ(memory.ReadByte(0x0802, 0), 0xFF);
    EXPECT_EQ(unmapped.entries.size(), 2u);
}

TEST(MemoryMapGeometryTest, OutsideStorageServesAttachedPages) {
    MemoryMap memory;
    ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0));
    std::vector<uint8_t> video(2 * page::kSize, 0x33);
    memory.AttachPageStorage(16, 2, video.data());
    memory.WriteByte(0x4401, 0x44);
    EXPECT_EQ(video[page::kSize + 1], 0x44);
    EXPECT_EQ(memory.ReadByte(0x4001, 0), 0x33);
    EXPECT_EQ(memory.Pages().pages[17].ReadBytes(), video.data() + page::kSize);
    EXPECT_TRUE(memory.Pages().pages[17].WritesInPlace());

    memory.ResetPageRange(16, 2);
    EXPECT_EQ(memory.ReadByte(0x4401, 0), 0x00);
}

TEST(MemoryMapGeometryTest, BlockOperationsWrapAtTheMask) {
    MemoryMap memory;
    ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0));
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_TRUE(memory.WriteBytes(0xFFFF, bytes, 3, 0));
    EXPECT_EQ(memory.RamBase()[0xFFFF], 1);
    EXPECT_EQ(memory.RamBase()[0x0000], 2);
    uint8_t read[3] = {};
    EXPECT_TRUE(memory.ReadBytes(0x1FFFF, read, 3, 0));
    EXPECT_EQ(std::vector<uint8_t>(read, read + 3), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_TRUE(memory.CopyBytes(0xFFFF, 0x100, 3, 0xFFFF));
    EXPECT_EQ(std::vector<uint8_t>(memory.RamBase() + 0x100, memory.RamBase() + 0x103),
              (std::vector<uint8_t>{1, 2, 3}));

    common::MemoryStream stream;
    uint8_t two[] = {9, 8};
    stream.Attach(two, 2);
    EXPECT_FALSE(memory.WriteBytesFromStream(0x200, stream, 3, 0));
    EXPECT_EQ(memory.RamBase()[0x201], 8);
}

TEST(MemoryMapGeometryTest, LoadsDataStraightIntoStorageUntilTheStreamOrTheSpaceEnds) {
    struct Case {
        uint32_t address;
        int32_t count;
        int32_t stride;
        bool loaded;
        std::vector<uint8_t> expected; // at 0xFFFA
    };
    for (const Case& test :
         {Case{0xFFFA, 1, 1, true, {1, 2, 3, 4, 5, 6}}, Case{0xFFFA, 1, 2, true, {1, 0, 2, 0, 3, 0}},
          Case{0xFFFC, 2, 2, true, {0, 0, 1, 2, 3, 4}}, Case{0xFFFA, 0, 1, false, {0, 0, 0, 0, 0, 0}},
          Case{0xFFFA, 9, 1, false, {0, 0, 0, 0, 0, 0}}, Case{0xFFFA, 1, 0, false, {0, 0, 0, 0, 0, 0}},
          Case{0x10000, 1, 1, false, {0, 0, 0, 0, 0, 0}}}) {
        MemoryMap memory;
        ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0));
        memory.SetPageMapping(MemoryMap::Access::ReadOnly, 63, 1);
        uint8_t data[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        common::MemoryStream stream;
        stream.Attach(data, sizeof data);
        EXPECT_EQ(memory.LoadData(stream, test.address, test.count, test.stride), test.loaded);
        EXPECT_EQ(std::vector<uint8_t>(memory.RamBase() + 0xFFFA, memory.RamBase() + 0x10000), test.expected)
            << test.count << "/" << test.stride;
        // Nothing is written above the address space.
        EXPECT_EQ(memory.RamBase()[0x10000], 0);
    }
}

// A stream whose reads fail from a byte on, though it is longer: an I/O error in the middle of a ROM file.
class FailingStream : public common::MemoryStream {
public:
    FailingStream(uint8_t* data, int64_t size, int64_t failAt) : failAt(failAt) { Attach(data, size); }
    int64_t Read(void* buffer, int64_t count) override {
        return common::MemoryStream::Read(buffer, std::max<int64_t>(0, std::min(count, failAt - Tell())));
    }

private:
    int64_t failAt;
};

TEST(MemoryMapGeometryTest, LoadDataFailsWhenAReadFailsBeforeTheStreamEnds) {
    struct Case {
        const char* name;
        int64_t failAt;
        int32_t count;
        bool loaded;
    };
    for (const Case& test : {Case{"fails after 3 bytes", 3, 1, false}, Case{"cuts a word", 3, 2, false},
                             Case{"reads to its end", 10, 1, true}}) {
        MemoryMap memory;
        ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0));
        uint8_t data[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        FailingStream stream(data, sizeof data, test.failAt);
        EXPECT_EQ(memory.LoadData(stream, 0x100, test.count, test.count), test.loaded) << test.name;
        EXPECT_EQ(memory.RamBase()[0x101], 2) << test.name;
    }
}

TEST(MemoryMapStateTest, SavesOneRunOfEveryPageThatIsNotRom) {
    MemoryMap memory;
    ASSERT_TRUE(memory.Create(0x400, 0, 0));
    memory.SetPageAccess(true, 0, 3);
    memory.RamBase()[5] = 0x55;
    const Bytes saved = Archived(SavingOwnData(memory));
    const Bytes header = Archived([](common::RecordArchive& archive) {
        return archive.WriteMarker(common::kChunkBeginMarker, Key("_MEMS")) && archive.WriteRecordU8(0, Key("VER")) &&
               archive.WriteRecordU64(0x400, Key("MSZ")) && archive.WriteRecordU64(0x3FF, Key("MLM")) &&
               archive.WriteRecordU64(0, Key("VBS")) && archive.WriteRecordBool(true, Key("MDT0")) &&
               archive.WriteRecordU64(uint64_t{3} << 32, Key("MDTS0"));
    });
    ASSERT_TRUE(std::equal(header.begin(), header.end(), saved.begin()));
    const Bytes tail = Archived([](common::RecordArchive& archive) {
        return archive.WriteRecordBool(false, Key("MDT1")) &&
               archive.WriteMarker(common::kChunkEndMarker, Key("_MEMS"));
    });
    EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), saved.rbegin()));
    // Header, blob record of three pages, tail.
    EXPECT_EQ(saved.size(), header.size() + Name("MDTA0").size() + 1 + 1 + 4 + 3 * 1024 + tail.size());
}

TEST(MemoryMapStateTest, RoundTripsRamAroundRomPagesAndTheExtraArea) {
    const auto build = [](MemoryMap& memory) {
        ASSERT_TRUE(memory.Create(0x10000, 0xFFFF, 0x800));
        memory.SetPageAccess(false, 10, 2);
    };
    MemoryMap saving;
    build(saving);
    for (uint32_t offset = 0; offset < saving.PageCount() * page::kSize; ++offset) {
        saving.RamBase()[offset] = Stored(offset);
    }
    saving.SetExtraVisible(true);
    const Bytes saved = Archived(SavingOwnData(saving));

    MemoryMap loading;
    build(loading);
    ASSERT_TRUE(ReadsWhole(saved, LoadingOwnData(loading)));
    EXPECT_TRUE(loading.IsExtraVisible());
    EXPECT_EQ(loading.Size(), saving.Size());
    for (const uint32_t offset : {0u, 0x27FFu, 0x3000u, 0x10000u, 0x10C00u, 0x11000u}) {
        EXPECT_EQ(loading.RamBase()[offset], Stored(offset)) << offset;
    }
    // ROM pages are not part of the state.
    EXPECT_EQ(loading.RamBase()[0x2800], 0);
    EXPECT_EQ(Archived(SavingOwnData(loading)), saved);
}

// A chunk of a 1 KB map (three page-table entries) with one run.
Bytes SmallChunk(uint8_t version, uint64_t size, uint64_t mask, uint64_t runExtent, int64_t blobBytes) {
    return Archived([&](common::RecordArchive& archive) {
        const std::vector<uint8_t> blob(static_cast<size_t>(blobBytes), 0x66);
        return archive.WriteMarker(common::kChunkBeginMarker, Key("_MEMS")) &&
               archive.WriteRecordU8(version, Key("VER")) && archive.WriteRecordU64(size, Key("MSZ")) &&
               archive.WriteRecordU64(mask, Key("MLM")) && archive.WriteRecordU64(0, Key("VBS")) &&
               archive.WriteRecordBool(true, Key("MDT0")) && archive.WriteRecordU64(runExtent, Key("MDTS0")) &&
               archive.WriteRecordBlob(blob.data(), blobBytes, Key("MDTA0")) &&
               archive.WriteRecordBool(false, Key("MDT1")) &&
               archive.WriteMarker(common::kChunkEndMarker, Key("_MEMS"));
    });
}

TEST(MemoryMapStateTest, RefusesAChunkOfAnotherMapOrWithBadRunsBeforeChangingStorage) {
    constexpr uint64_t kOnePage = uint64_t{1} << 32;
    struct Case {
        const char* what;
        Bytes chunk;
    };
    const Case cases[] = {
        {"another version", SmallChunk(1, 0x400, 0x3FF, kOnePage, 1024)},
        {"another size", SmallChunk(0, 0x800, 0x3FF, kOnePage, 1024)},
        {"another mask", SmallChunk(0, 0x400, 0x1FF, kOnePage, 1024)},
        {"a run beyond the table", SmallChunk(0, 0x400, 0x3FF, kOnePage | 3, 1024)},
        {"a run past the end of the table", SmallChunk(0, 0x400, 0x3FF, 3 * kOnePage | 1, 3 * 1024)},
        {"an empty run", SmallChunk(0, 0x400, 0x3FF, 0, 0)},
        {"a run over a ROM page", SmallChunk(0, 0x400, 0x3FF, kOnePage | 2, 1024)},
        {"a short blob", SmallChunk(0, 0x400, 0x3FF, kOnePage, 1000)},
    };
    EXPECT_TRUE(ReadsWhole(SmallChunk(0, 0x400, 0x3FF, kOnePage, 1024), [](common::RecordArchive& archive) {
        MemoryMap memory;
        return memory.Create(0x400, 0, 0) && memory.LoadOwnData(archive, nullptr) && memory.RamBase()[7] == 0x66;
    }));
    for (const Case& test : cases) {
        MemoryMap memory;
        ASSERT_TRUE(memory.Create(0x400, 0, 0));
        memory.SetPageAccess(false, 2, 1);
        EXPECT_FALSE(ReadsWhole(test.chunk, LoadingOwnData(memory))) << test.what;
        EXPECT_EQ(memory.Size(), 0x400u) << test.what;
        EXPECT_TRUE(std::all_of(memory.RamBase(), memory.RamBase() + 3 * page::kSize, [](uint8_t b) { return b == 0; }))
            << test.what;
    }
}

} // namespace
} // namespace emu

namespace emu {
namespace {

// Window pages 0x10.. of a bank-switched map borrow RAM (0x80), ROM (0x40), an absent bank (0x60) and a device's
// page (0xC0).
TEST(MemoryMapGeometryTest, BankSwitchedPagesStayInPlaceUnlessTheyBorrowAHandlersPage) {
    MemoryMap memory;
    ASSERT_TRUE(memory.Create(0x3C000, 0xFFFF, 0));
    for (uint32_t offset = 0; offset < 0x3C000; ++offset) {
        memory.RamBase()[offset] = Stored(offset);
    }
    PageLog device;
    memory.SetPageMapping(MemoryMap::Access::ReadOnly, 0x40, 1);
    memory.SetPageMapping(MemoryMap::Access::None, 0x60, 1);
    memory.RemapPages(0x10, 0x80, 1);
    memory.RemapPages(0x11, 0x40, 1);
    memory.RemapPages(0x12, 0x60, 1);
    memory.RemapPages(0x13, 0xC0, 1);
    memory.MapReadRange(0xC0, 1, &device, PageLog::Read, false);
    memory.MapWriteRange(0xC0, 1, &device, PageLog::Write, false);

    struct Case {
        const char* what;
        uint32_t page;
        bool reads;
        bool writes;
        uint32_t lender;
    };
    const auto check = [&](const std::vector<Case>& cases) {
        for (const Case& test : cases) {
            SCOPED_TRACE(test.what);
            const PageDescriptor& shown = memory.Pages().pages[test.page];
            EXPECT_EQ(shown.ReadsInPlace(), test.reads);
            EXPECT_EQ(shown.FetchesInPlace(), test.reads);
            EXPECT_EQ(shown.WritesInPlace(), test.writes);
            if (test.reads) {
                EXPECT_EQ(shown.ReadBytes(), memory.RamBase() + test.lender * page::kSize);
            }
            if (test.writes) {
                EXPECT_EQ(shown.WriteBytes(), memory.RamBase() + test.lender * page::kSize);
            }
        }
    };
    check({{"onto RAM", 0x10, true, true, 0x80},
           {"the RAM lent", 0x80, true, true, 0x80},
           {"onto ROM: writes go to the map", 0x11, true, false, 0x40},
           {"onto an absent bank", 0x12, false, false, 0},
           {"onto a device's page", 0x13, false, false, 0}});
    EXPECT_EQ(memory.ReadByte(0x4C05, 0), 0xAB);
    memory.WriteByte(0x4405, 1);
    EXPECT_EQ(memory.ReadByte(0x4405, 0), Stored(0x10005)) << "ROM keeps its byte";
    EXPECT_EQ(device.entries, (Log{"r 30005/1"}));

    // The lenders change their binding: the borrowers follow.
    device.entries.clear();
    memory.MapReadRange(0x80, 1, &device, PageLog::Read, false);
    memory.SetPageMark(0x80, 1, true);
    memory.ResetPageRange(0xC0, 1);
    check(
        {{"RAM now read by a device", 0x10, false, false, 0}, {"the device's page now plain", 0x13, true, true, 0xC0}});
    EXPECT_EQ(memory.ReadByte(0x4005, 0), 0xAB);
    EXPECT_EQ(device.entries, (Log{"r 20005/1"}));
    memory.ResetPageRange(0x80, 1);
    memory.SetPageMark(0x80, 1, false);
    check({{"RAM plain again", 0x10, true, true, 0x80}});
    memory.RemapPages(0x10, 0x10, 1);
    check({{"its own page again", 0x10, true, true, 0x10}});
}

} // namespace
} // namespace emu

namespace emu {
namespace {

// A page as a map holds it, comparable across two maps: contexts inside a map's storage as offsets into it.
struct PageView {
    uint32_t flags;
    uintptr_t readContext;
    BusReadHandler readHandler;
    uint32_t readAlias;
    uintptr_t writeContext;
    BusWriteHandler writeHandler;
    uint32_t writeAlias;

    bool operator==(const PageView&) const = default;
};

uintptr_t ContextIn(const MemoryMap& memory, void* context) {
    const auto at = reinterpret_cast<uintptr_t>(context);
    const auto ram = reinterpret_cast<uintptr_t>(memory.RamBase());
    return at >= ram && at < ram + static_cast<uintptr_t>(memory.PageCount()) * page::kSize ? at - ram : at;
}

PageView ViewOf(const MemoryMap& memory, const PageDescriptor& descriptor) {
    return {descriptor.flags,          ContextIn(memory, descriptor.read.context),  descriptor.read.handler,
            descriptor.read.aliasPage, ContextIn(memory, descriptor.write.context), descriptor.write.handler,
            descriptor.write.aliasPage};
}

// Bank switches that repeat must give exactly what switching each side on its own gives, in the map's own pages
// and in those published to the processors, also when the banks or the windows changed between two switches to
// the same bank. Windows 0x10, 0x20 and 0x30 of four pages; banks of RAM at 0x80, 0x84 and 0x88, a read-only bank
// at 0x40, an absent one at 0x60 and a device's at 0xC0.
TEST(MemoryMapGeometryTest, RepeatedBankSwitchesGiveWhatSwitchingEachSideGives) {
    enum class Op { Switch, Mark, ReadOnly, DeviceRead, DeviceWrite, Reset, RomAccess };
    struct Step {
        Op op;
        uint32_t first;
        uint32_t target = 0;
        uint32_t count = 4;
    };
    const std::vector<Step> steps{
        {Op::Switch, 0x10, 0x80}, {Op::Switch, 0x20, 0x84},     {Op::Switch, 0x10, 0x40},      {Op::Switch, 0x20, 0x80},
        {Op::Switch, 0x10, 0x80}, {Op::Switch, 0x10, 0x80},     {Op::Mark, 0x81, 0, 1},        {Op::Switch, 0x10, 0x84},
        {Op::Switch, 0x10, 0x80}, {Op::DeviceRead, 0x86, 0, 1}, {Op::Switch, 0x20, 0x84},      {Op::Switch, 0x10, 0x84},
        {Op::Switch, 0x10, 0x80}, {Op::ReadOnly, 0x80, 0, 4},   {Op::Switch, 0x10, 0x88},      {Op::Switch, 0x10, 0x80},
        {Op::Reset, 0x11, 0, 1},  {Op::Switch, 0x10, 0x80},     {Op::Switch, 0x10, 0x60},      {Op::Switch, 0x10, 0xC0},
        {Op::Switch, 0x10, 0x40}, {Op::Switch, 0x10, 0x60},     {Op::DeviceWrite, 0x21, 0, 1}, {Op::Switch, 0x20, 0x88},
        {Op::Switch, 0x20, 0x80}, {Op::Switch, 0x20, 0x88},     {Op::Switch, 0x30, 0x84},      {Op::Switch, 0x10, 0x84},
        {Op::Switch, 0x10, 0x88}, {Op::Switch, 0x84, 0x88},     {Op::Switch, 0x30, 0x80},      {Op::Switch, 0x30, 0x84},
        {Op::Switch, 0x10, 0x84}, {Op::Switch, 0x10, 0x20},     {Op::Switch, 0x10, 0x80},      {Op::Switch, 0x10, 0x20},
        {Op::Switch, 0x10, 0x10}, {Op::Switch, 0x10, 0x80},     {Op::RomAccess, 0x88, 0, 4},   {Op::Switch, 0x10, 0x88},
        {Op::Switch, 0x10, 0x80}, {Op::Switch, 0x10, 0x88},     {Op::Switch, 0xF0, 0x80},      {Op::Switch, 0x10, 0xF0},
        {Op::Switch, 0x10, 0x80}, {Op::Switch, 0x84, 0x84},     {Op::Switch, 0x30, 0x80},      {Op::Switch, 0x30, 0x84},
        {Op::Switch, 0x84, 0x88}, {Op::Switch, 0x30, 0x80},     {Op::Switch, 0x30, 0x84},
    };
    MemoryMap banked;
    MemoryMap bySide;
    PageLog device;
    for (MemoryMap* memory : {&banked, &bySide}) {
        ASSERT_TRUE(memory->Create(0x3C000, 0xFFFF, 0));
        memory->SetPageMapping(MemoryMap::Access::ReadOnly, 0x40, 4);
        memory->SetPageMapping(MemoryMap::Access::None, 0x60, 4);
        memory->MapReadRange(0xC0, 4, &device, PageLog::Read, false);
        memory->MapWriteRange(0xC0, 4, &device, PageLog::Write, false);
    }
    for (size_t index = 0; index < steps.size(); ++index) {
        const Step& step = steps[index];
        SCOPED_TRACE("step " + std::to_string(index));
        for (MemoryMap* memory : {&banked, &bySide}) {
            switch (step.op) {
            case Op::Switch:
                if (memory == &banked) {
                    memory->RemapPages(step.first, step.target, step.count);
                } else {
                    memory->RemapReadPages(step.first, step.target, step.count);
                    memory->RemapWritePages(step.first, step.target, step.count);
                }
                break;
            case Op::Mark:
                memory->SetPageMark(step.first, step.count, true);
                break;
            case Op::ReadOnly:
                memory->SetPageMapping(MemoryMap::Access::ReadOnly, step.first, step.count);
                break;
            case Op::DeviceRead:
                memory->MapReadRange(step.first, step.count, &device, PageLog::Read, false);
                break;
            case Op::DeviceWrite:
                memory->MapWriteRange(step.first, step.count, &device, PageLog::Write, true);
                break;
            case Op::Reset:
                memory->ResetPageRange(step.first, step.count);
                break;
            case Op::RomAccess:
                memory->SetPageAccess(false, step.first, step.count);
                break;
            }
        }
        for (uint32_t page = 0; page < banked.PageCount(); ++page) {
            SCOPED_TRACE("page " + std::to_string(page));
            ASSERT_EQ(ViewOf(banked, *banked.PageAt(page)), ViewOf(bySide, *bySide.PageAt(page)));
            ASSERT_EQ(ViewOf(banked, banked.Pages().pages[page]), ViewOf(bySide, bySide.Pages().pages[page]));
        }
    }
}

} // namespace
} // namespace emu
