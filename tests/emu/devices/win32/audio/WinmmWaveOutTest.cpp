// The waveOut output over winmm, under Wine. CTest runs these twice: on ALSA's null device, where the output opens
// and plays (its clock runs faster than real time there, so nothing here measures time), and with Wine's audio
// drivers disabled, where it cannot open and a machine plays silently instead.
#include "emu/devices/win32/WinmmWaveOutDevice.h"

#include "SilentStart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace emu {
namespace {

TEST(WinmmWaveOutTest, PlaysOnTheNullDevice) {
    const std::unique_ptr<WaveOutSoundOutput> output = MakeWaveOutSoundOutput();
    ASSERT_TRUE(output->Open(44100, 8, 50));
    // Paced as the emulation thread paces it, until the device has reported a number of blocks played; the
    // deadline only keeps a broken device from hanging the run.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (output->BlocksPlayed() < 20 && std::chrono::steady_clock::now() < deadline) {
        int32_t count = 0;
        int32_t minSample = 0;
        int32_t maxSample = 0;
        int32_t* accumulator = output->TakeAccumulator(count, minSample, maxSample);
        std::fill_n(accumulator, count, 200);
        output->SubmitBlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_GE(output->BlocksPlayed(), 20u);
    EXPECT_GE(output->BlocksWritten(), output->BlocksPlayed());
    output->Close();
    EXPECT_EQ(output->BlockCount(), 0);
}

TEST(WinmmWaveOutTest, WithoutAnAudioDriverTheMachineStartsSilently) {
    const std::unique_ptr<WaveOutSoundOutput> prototype = MakeWaveOutSoundOutput();
    EXPECT_FALSE(prototype->Clone()->Open(44100, 8, 50));

    ExpectMachineStartsSilently(*prototype);
}

} // namespace
} // namespace emu
