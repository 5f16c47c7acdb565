#include "emu/devices/MemoryPageDevice.h"

#include "VideoMachine.h"
#include "emu/core/ConfigParam.h"
#include "emu/devices/OffscreenRenderer.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

constexpr uint32_t kWindowStart = 040000;

// A page device that notes the offsets written through WriteByte.
class WatchedPageDevice : public MemoryPageDevice {
public:
    explicit WatchedPageDevice(const char* name = "VIDEO") : MemoryPageDevice(name) {}

    std::vector<int32_t> writes;

    bool WriteByte(uint8_t* block, int32_t offset, uint8_t value) override {
        writes.push_back(offset);
        return MemoryPageDevice::WriteByte(block, offset, value);
    }
    int64_t AllocationSize() const { return allocationSize; }
};

// A 16 KB page device mapped at pages 16..31 (040000..077777) of a test machine.
class MemoryPageDeviceTest : public ::testing::Test {
protected:
    explicit MemoryPageDeviceTest(uint32_t extraBytes = 0) : machine(extraBytes) {}

    void SetUp() override {
        device = machine.Add<WatchedPageDevice>();
        ASSERT_NE(device, nullptr);
        ASSERT_TRUE(device->SetMemorySize(16, 0xFFFFFFFF));
        ASSERT_TRUE(device->SetMemoryWindow(16, 16, true, true));
    }

    // Every byte of the block, for comparing before and after.
    std::vector<uint8_t> Block() const {
        return std::vector<uint8_t>(device->Buffer(), device->Buffer() + device->MemorySize());
    }

    VideoMachine machine;
    WatchedPageDevice* device = nullptr;
};

TEST_F(MemoryPageDeviceTest, StartAllocatesAClearedBlockWithSlack) {
    ASSERT_TRUE(machine.PowerOn());
    ASSERT_NE(device->Buffer(), nullptr);
    EXPECT_TRUE(device->OwnsBuffer());
    EXPECT_EQ(device->AllocationSize(), 16384 + 1024);
    EXPECT_EQ(Block(), std::vector<uint8_t>(16384, 0));
    machine.Stop();
    EXPECT_EQ(device->Buffer(), nullptr);
    EXPECT_EQ(device->AllocationSize(), 0);
}

TEST_F(MemoryPageDeviceTest, TheProcessorReachesTheBlockThroughTheWindowByteByByte) {
    ASSERT_TRUE(machine.PowerOn());
    EXPECT_TRUE(device->IsWindowEnabled());
    EXPECT_EQ(device->BaseAddress(), kWindowStart);
    machine.Memory()->WriteByte(kWindowStart, 0x5A);
    EXPECT_EQ(device->Buffer()[0], 0x5A);
    EXPECT_EQ(device->writes, (std::vector<int32_t>{0}));

    // A word is refused whole by the handlers and lands as two bytes, low byte first.
    machine.Memory()->WriteWord(kWindowStart + 2, 0x1234);
    EXPECT_EQ(device->Buffer()[2], 0x34);
    EXPECT_EQ(device->Buffer()[3], 0x12);
    EXPECT_EQ(device->writes, (std::vector<int32_t>{0, 2, 3}));
    EXPECT_EQ(machine.Memory()->ReadWord(kWindowStart + 2, 0), 0x1234);
    device->Buffer()[16383] = 0x77;
    EXPECT_EQ(machine.Memory()->ReadByte(077777, 0), 0x77);

    uint16_t word = 0x1234;
    EXPECT_FALSE(MemoryPageDevice::HandlePageRead(static_cast<Device*>(device), kWindowStart, 2, &word, 0));
    EXPECT_FALSE(MemoryPageDevice::HandlePageWrite(static_cast<Device*>(device), kWindowStart, 2, &word));
    EXPECT_EQ(word, 0x1234);
}

TEST_F(MemoryPageDeviceTest, OffsetsPastTheBlockAreDeclined) {
    // The window covers 16 KB, the block only 1 KB.
    ASSERT_TRUE(device->SetMemorySize(1, 0xFFFFFFFF));
    ASSERT_TRUE(machine.PowerOn());
    machine.Memory()->WriteByte(kWindowStart + 1023, 0x11);
    machine.Memory()->WriteByte(kWindowStart + 1024, 0x22);
    EXPECT_EQ(device->writes, (std::vector<int32_t>{1023}));
    EXPECT_EQ(device->Buffer()[1023], 0x11);
    // The memory map's own storage answers what the device declined.
    EXPECT_EQ(machine.Memory()->ReadByte(kWindowStart + 1024, 0), 0x22);
    uint8_t value = 0;
    EXPECT_FALSE(MemoryPageDevice::HandlePageRead(static_cast<Device*>(device), kWindowStart + 1024, 1, &value, 0));
}

TEST_F(MemoryPageDeviceTest, SizeAndWindowSettings) {
    EXPECT_FALSE(device->SetMemorySize(-1, 0xFFFF));
    EXPECT_FALSE(device->SetMemorySize(INT32_MAX / 1024 + 1, 0xFFFF));
    EXPECT_EQ(device->MemorySize(), 16384);
    ASSERT_TRUE(machine.PowerOn());
    EXPECT_FALSE(device->SetMemorySize(8, 0x1FFF));
    EXPECT_EQ(device->MemorySize(), 16384);
    EXPECT_EQ(device->AddressMask(), 0xFFFFFFFFu);

    // A window of no pages only removes the parameter.
    EXPECT_TRUE(device->SetMemoryWindow(16, 0, true, true));
    EXPECT_EQ(device->Params().Find("MEMORY"), nullptr);
    EXPECT_FALSE(device->IsWindowEnabled());

    // A new window is mapped at once while running, its base address set with it.
    EXPECT_TRUE(device->SetMemoryWindow(8, 4, true, true));
    EXPECT_EQ(device->BaseAddress(), 8u * 1024);
    machine.Memory()->WriteByte(8 * 1024 + 5, 0x55);
    EXPECT_EQ(device->Buffer()[5], 0x55);
}

TEST_F(MemoryPageDeviceTest, WritesCanAskTheRendererForAFullRedraw) {
    OffscreenRenderer renderer;
    machine.AttachRenderer(&renderer);
    ASSERT_TRUE(renderer.Resize(8, 4, false));
    ASSERT_TRUE(machine.PowerOn());
    machine.Memory()->WriteByte(kWindowStart, 1);
    EXPECT_EQ(renderer.ForcedRedrawCount(), 0);
    device->SetMarkFrameOnWrite(true);
    machine.Memory()->WriteByte(kWindowStart, 2);
    EXPECT_EQ(renderer.ForcedRedrawCount(), 4);
    machine.AttachRenderer(nullptr);
}

class BorrowingPageDeviceTest : public MemoryPageDeviceTest {
protected:
    BorrowingPageDeviceTest() : MemoryPageDeviceTest(16384) {}
};

TEST_F(BorrowingPageDeviceTest, TheExtraAreaIsBorrowedWhenLargeEnough) {
    ASSERT_TRUE(machine.PowerOn());
    EXPECT_FALSE(device->OwnsBuffer());
    EXPECT_EQ(device->Buffer(), machine.Memory()->ExtraArea());
    machine.Memory()->WriteByte(kWindowStart + 9, 0x99);
    EXPECT_EQ(machine.Memory()->ExtraArea()[9], 0x99);
    machine.Stop();
    EXPECT_EQ(device->Buffer(), nullptr);

    VideoMachine small(8192);
    auto* large = small.Add<MemoryPageDevice>("VIDEO");
    ASSERT_TRUE(large->SetMemorySize(16, 0xFFFFFFFF));
    EXPECT_FALSE(small.PowerOn());
    EXPECT_EQ(large->Buffer(), nullptr);
}

// "_VIDP" records of a 16 KB block.
Bytes PageChunk(uint8_t version, int32_t size, int32_t mask, const Bytes* contents) {
    return Concat({ChunkBegin("_VIDP"), U8Value("VER", version), I32Value("MSZ", size), I32Value("MSK", mask),
                   contents != nullptr ? BlobValue("MEM", *contents) : Bytes{}, ChunkEnd("_VIDP")});
}

TEST_F(MemoryPageDeviceTest, StateRoundTripsIntoAFreshMachine) {
    ASSERT_TRUE(machine.PowerOn());
    machine.Memory()->WriteByte(kWindowStart + 100, 0xAB);
    machine.Memory()->WriteByte(077777, 0xCD);
    const Bytes saved = Archived(SavingOwnData(*device));
    Device plain;
    Bytes contents(16384, 0);
    contents[100] = 0xAB;
    contents[16383] = 0xCD;
    EXPECT_EQ(saved, Concat({Archived(SavingOwnData(plain)), PageChunk(1, 16384, -1, &contents)}));

    VideoMachine fresh;
    auto* loaded = fresh.Add<MemoryPageDevice>("VIDEO");
    ASSERT_TRUE(loaded->SetMemorySize(16, 0xFFFFFFFF));
    ASSERT_TRUE(loaded->SetMemoryWindow(16, 16, true, true));
    ASSERT_TRUE(fresh.PowerOn());
    ASSERT_TRUE(ReadsWhole(saved, LoadingOwnData(*loaded)));
    EXPECT_EQ(fresh.Memory()->ReadByte(kWindowStart + 100, 0), 0xAB);
    EXPECT_EQ(fresh.Memory()->ReadByte(077777, 0), 0xCD);
}

TEST_F(MemoryPageDeviceTest, BadChunksAreRefusedAndChangeNothing) {
    ASSERT_TRUE(machine.PowerOn());
    machine.Memory()->WriteByte(kWindowStart, 0x42);
    const std::vector<uint8_t> before = Block();
    Device plain;
    const Bytes prefix = Archived(SavingOwnData(plain));
    const Bytes full(16384, 0x11);
    const Bytes shorter(16383, 0x11);
    const Bytes good = PageChunk(1, 16384, 0x3FFF, &full);
    struct Case {
        const char* what;
        Bytes chunk;
    };
    const std::vector<Case> cases = {
        {"version 2", PageChunk(2, 16384, 0x3FFF, &full)},
        {"another block size", PageChunk(1, 8192, 0x3FFF, &full)},
        {"no contents for an owned block", PageChunk(1, 16384, 0x3FFF, nullptr)},
        {"contents one byte short", PageChunk(1, 16384, 0x3FFF, &shorter)},
        {"a cut chunk end", Bytes(good.begin(), good.end() - 1)},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        EXPECT_FALSE(ReadsWhole(Concat({prefix, each.chunk}), LoadingOwnData(*device)));
        EXPECT_EQ(Block(), before);
        EXPECT_EQ(device->AddressMask(), 0xFFFFFFFFu);
    }
    EXPECT_TRUE(ReadsWhole(Concat({prefix, good}), LoadingOwnData(*device)));
    EXPECT_EQ(device->AddressMask(), 0x3FFFu);
}

TEST_F(BorrowingPageDeviceTest, BorrowedAndOwnedBlocksDoNotTakeEachOthersChunks) {
    ASSERT_TRUE(machine.PowerOn());
    machine.Memory()->WriteByte(kWindowStart, 0x42);
    // A borrowed block travels with the memory map: the chunk holds no contents.
    const Bytes borrowed = Archived(SavingOwnData(*device));
    Device plain;
    EXPECT_EQ(borrowed, Concat({Archived(SavingOwnData(plain)), PageChunk(1, 16384, -1, nullptr)}));

    VideoMachine owning;
    auto* owner = owning.Add<MemoryPageDevice>("VIDEO");
    ASSERT_TRUE(owner->SetMemorySize(16, 0xFFFFFFFF));
    ASSERT_TRUE(owning.PowerOn());
    owner->Buffer()[0] = 0x24;
    EXPECT_FALSE(ReadsWhole(borrowed, LoadingOwnData(*owner)));
    EXPECT_EQ(owner->Buffer()[0], 0x24);

    const Bytes owned = Archived(SavingOwnData(*owner));
    EXPECT_FALSE(ReadsWhole(owned, LoadingOwnData(*device)));
    EXPECT_EQ(device->Buffer()[0], 0x42);
    EXPECT_TRUE(ReadsWhole(borrowed, LoadingOwnData(*device)));
}

} // namespace
} // namespace emu
