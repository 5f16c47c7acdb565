#include "emu/devices/DirectSoundOutput.h"

#include "FakeDirectSound.h"
#include "SubmitLevel.h"
#include "support/StartGate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace emu {
namespace {

// The emulation thread mixes and submits blocks while the play cursor moves on; meanwhile another thread pauses
// the bus (Silence) again and again, then, with the mixer stopped as the core stops it, closes the output while
// submissions still come. Neither may reach the device in the middle of the other's call: every lock is unlocked
// before anything else happens, and nothing follows the release.
TEST(DirectSoundOutputThreadTest, SilenceAndCloseWaitForAWriteInProgress) {
    constexpr int32_t kSlots = 50;
    constexpr int32_t kSlotBytes = 80;
    auto script = std::make_shared<FakeDirectSoundScript>();
    DirectSoundOutput output(FakeDirectSound::Factory(script));
    int window = 0;
    output.SetHostWindow(&window);
    ASSERT_TRUE(output.Open(4000, 8, kSlots));
    test_support::StartGate start(2);
    std::atomic<bool> mixing{true};
    std::atomic<bool> mixerStopped{false};
    std::atomic<bool> stop{false};

    std::thread emulation([&] {
        start.ArriveAndWait();
        for (int32_t block = 0; !stop.load(); ++block) {
            const auto play = static_cast<uint32_t>(block % kSlots * kSlotBytes);
            script->SetCursors(play, (play + kSlotBytes) % (kSlots * kSlotBytes));
            if (mixing.load()) {
                SubmitLevel(output, block % 250 + 1);
            } else {
                // The accumulators are gone with Close: only the submission goes on.
                mixerStopped = true;
                output.SubmitBlock();
            }
        }
    });
    start.ArriveAndWait();
    for (int32_t pause = 0; pause < 200; ++pause) {
        output.Silence();
        std::this_thread::yield();
    }
    mixing = false;
    while (!mixerStopped.load()) {
        std::this_thread::yield();
    }
    output.Close();
    stop = true;
    emulation.join();

    const std::vector<std::string> calls = script->Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "release");
    EXPECT_EQ(calls.back(), "destroyed");
    for (size_t call = 0; call < calls.size(); ++call) {
        if (calls[call].rfind("lock", 0) == 0) {
            ASSERT_LT(call + 1, calls.size());
            EXPECT_EQ(calls[call + 1], "unlock") << call;
        }
    }
    EXPECT_EQ(output.BlockCount(), 0);
}

} // namespace
} // namespace emu
