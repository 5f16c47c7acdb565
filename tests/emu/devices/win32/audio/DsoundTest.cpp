// The DirectSound output over dsound, under Wine. CTest runs these twice, as the waveOut ones: on ALSA's null device
// (its clock runs faster than real time there, so nothing here measures time), and with Wine's audio drivers
// disabled. DirectSound cooperates with a window: each test makes one.
#include "emu/devices/win32/DsoundDevice.h"

#include "SilentStart.h"
#include "emu/devices/SubmitLevel.h"
#include "emu/devices/win32/TestWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace emu {
namespace {

constexpr int32_t kSlots = 50;
constexpr int32_t kSlotBytes = 441;

TEST(DirectSoundOnWineTest, TheLoopingBufferHoldsWhatIsWrittenOnTheNullDevice) {
    TestWindow window(64, 64);
    const std::unique_ptr<DirectSoundDevice> device = MakeDsoundDevice();
    const PcmFormat format = MakePcmFormat(22050, 8);
    ASSERT_TRUE(device->Create(window.handle));
    ASSERT_TRUE(
        device->CreatePrimaryBuffer(DirectSoundDevice::kPrimaryBuffer | DirectSoundDevice::kStickyFocus, format));
    ASSERT_TRUE(device->CreateLoopingBuffer(DirectSoundDevice::kCurrentPosition2 | DirectSoundDevice::kStickyFocus,
                                            kSlots * kSlotBytes, format));

    // The last slot, written and read back.
    const uint32_t lastSlot = (kSlots - 1) * kSlotBytes;
    DirectSoundDevice::LockedRegion region;
    ASSERT_EQ(device->Lock(lastSlot, kSlotBytes, region), DirectSoundDevice::LockResult::kLocked);
    ASSERT_EQ(region.firstBytes, static_cast<uint32_t>(kSlotBytes));
    EXPECT_EQ(region.secondBytes, 0u);
    for (uint32_t byte = 0; byte < region.firstBytes; ++byte) {
        region.first[byte] = static_cast<uint8_t>(byte);
    }
    device->Unlock(region);
    // Two slots from the last one: the lock wraps onto the first slot.
    ASSERT_EQ(device->Lock(lastSlot, 2 * kSlotBytes, region), DirectSoundDevice::LockResult::kLocked);
    ASSERT_EQ(region.firstBytes, static_cast<uint32_t>(kSlotBytes));
    ASSERT_EQ(region.secondBytes, static_cast<uint32_t>(kSlotBytes));
    for (uint32_t byte = 0; byte < region.firstBytes; ++byte) {
        ASSERT_EQ(region.first[byte], static_cast<uint8_t>(byte)) << byte;
    }
    device->Unlock(region);

    uint32_t status = 0;
    ASSERT_TRUE(device->Play());
    ASSERT_TRUE(device->GetStatus(status));
    EXPECT_NE(status & DirectSoundDevice::kStatusPlaying, 0u);
    uint32_t play = 0;
    uint32_t write = 0;
    ASSERT_TRUE(device->GetPosition(play, write));
    EXPECT_LT(play, static_cast<uint32_t>(kSlots * kSlotBytes));
    EXPECT_LT(write, static_cast<uint32_t>(kSlots * kSlotBytes));
    device->Stop();
    ASSERT_TRUE(device->GetStatus(status));
    EXPECT_EQ(status & DirectSoundDevice::kStatusPlaying, 0u);
    device->Release();
    EXPECT_FALSE(device->GetPosition(play, write));
}

TEST(DirectSoundOnWineTest, PlaysOnTheNullDevice) {
    TestWindow window(64, 64);
    const std::unique_ptr<DirectSoundOutput> prototype = MakeDirectSoundOutput();
    prototype->SetHostWindow(window.handle);
    const std::unique_ptr<HostSoundOutput> output = prototype->Clone();
    ASSERT_TRUE(output->Open(22050, 8, kSlots));
    EXPECT_EQ(output->BlockCount(), kSlots);
    // A second of blocks, paced as the bus paces them; a pause halfway stops the buffer until the next block.
    for (int32_t block = 0; block < 100; ++block) {
        if (block == kSlots) {
            output->Silence();
        }
        SubmitLevel(*output, block % 2 == 0 ? 40 : 200);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    output->Close();
    EXPECT_EQ(output->BlockCount(), 0);
    // Closed, it opens again.
    ASSERT_TRUE(output->Open(44100, 16, kSlots));
    SubmitLevel(*output, 1000);
    output->Close();
}

TEST(DirectSoundOnWineTest, WithoutAnAudioDriverTheMachineStartsSilently) {
    TestWindow window(64, 64);
    const std::unique_ptr<DirectSoundOutput> prototype = MakeDirectSoundOutput();
    prototype->SetHostWindow(window.handle);
    const std::unique_ptr<HostSoundOutput> output = prototype->Clone();
    EXPECT_FALSE(output->Open(44100, 8, kSlots));
    EXPECT_EQ(output->BlockCount(), 0);

    ExpectMachineStartsSilently(*prototype);
}

} // namespace
} // namespace emu
