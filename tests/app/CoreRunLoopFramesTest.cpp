// The core's synchronised run loop on its emulation thread runs a real BK exactly as the slice runner of the
// headless tests and benchmarks does: frame for frame the same pictures. The slice runner's own figures are held
// by the determinism test, so this ties the program's loop to them too.
#include "CoreTestMachines.h"

#include "emu/core/RendererBase.h"
#include "support/BkModelRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace app_test {
namespace {

using namespace std::chrono_literals;

constexpr size_t kFrames = 250;

uint64_t FrameHash(const common::PixelBuffer& frame) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (int32_t row = 0; row < frame.GetHeight(); ++row) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(frame.Row(row));
        for (const uint8_t byte : std::span(bytes, static_cast<size_t>(frame.GetWidth()) * sizeof(uint32_t))) {
            hash = (hash ^ byte) * 0x100000001B3ull;
        }
    }
    return hash;
}

// Host time that passes only while the emulation thread sleeps, so that the loop paces itself without waiting.
class SleepTimeClock : public emu::HostClock {
public:
    uint64_t Frequency() const override { return 1000000; }
    uint64_t Now() const override { return now.load(); }
    void SleepMs(uint32_t milliseconds) override { now += uint64_t{milliseconds} * 1000; }

private:
    std::atomic<uint64_t> now{1000000};
};

// The frames the loop ended, read on the emulation thread at each frame end (the idle hook has no context).
struct FrameLog {
    std::mutex lock;
    emu::EmulatorCore* core = nullptr;
    std::vector<uint64_t> hashes;
};
FrameLog frameLog;

bool RecordFrame(int32_t) {
    const std::lock_guard<std::mutex> guard(frameLog.lock);
    if (frameLog.core != nullptr && frameLog.hashes.size() < kFrames) {
        frameLog.hashes.push_back(FrameHash(*frameLog.core->Renderer()));
    }
    return true;
}

class CoreRunLoopFramesTest : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!program.RealRomFolders(folders)) {
            GTEST_SKIP() << "BK_ROM_DIR is not set";
        }
        config = MakeConfig(folders, emu::EmulatorConfig::MachineList());
    }

    Watchdog watchdog{120s};
    TemporaryProgram program;
    common::ProgramFolders folders{common::ProgramFolders::Host()};
    std::unique_ptr<emu::EmulatorConfig> config;
};

std::vector<uint64_t> SliceRunnerFrames(const emu::Computer& prototype) {
    const std::optional<std::u16string> roms = test_support::BkModelRun::RealRomFolder();
    test_support::BkModelRun run(prototype, *roms);
    std::vector<uint64_t> hashes;
    EXPECT_TRUE(run.PowerOn());
    run.Runner().SetFrameObserver([&] { hashes.push_back(FrameHash(run.Frame())); });
    run.RunFrames(kFrames);
    return hashes;
}

TEST_P(CoreRunLoopFramesTest, TheSynchronisedLoopRunsFrameForFrameAsTheSliceRunner) {
    emu::EmulatorCore* core = nullptr;
    for (int32_t index = 0; index < static_cast<int32_t>(config->Machines.size()) && core == nullptr; ++index) {
        const emu::Computer* model = config->GetMachine(index);
        if (model != nullptr && model->Name().Compare(GetParam()) == 0) {
            core = config->CreateCore(index);
        }
    }
    ASSERT_NE(core, nullptr) << GetParam();
    const std::vector<uint64_t> expected = SliceRunnerFrames(*core->Machine());

    SleepTimeClock clock;
    core->SetClock(clock);
    core->SetSynchronization(true);
    core->SetFastInitialization(false);
    {
        const std::lock_guard<std::mutex> guard(frameLog.lock);
        frameLog.core = core;
        frameLog.hashes.clear();
    }
    core->SetIdleHook(RecordFrame);
    // The clock must outlive the thread: no early return before the shutdown.
    EXPECT_TRUE(core->SetRunState(false, false));
    EXPECT_TRUE(Eventually([] {
        const std::lock_guard<std::mutex> guard(frameLog.lock);
        return frameLog.hashes.size() == kFrames;
    }));
    EXPECT_TRUE(core->Shutdown());
    core->SetIdleHook(nullptr);
    const std::lock_guard<std::mutex> guard(frameLog.lock);
    frameLog.core = nullptr;
    ASSERT_EQ(frameLog.hashes.size(), expected.size());
    for (size_t frame = 0; frame < expected.size(); ++frame) {
        ASSERT_EQ(frameLog.hashes[frame], expected[frame]) << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Models, CoreRunLoopFramesTest,
                         testing::Values("BK-0010", "BK-0010.01", "BK-0010 + FDD", "BK-0011M", "BK-0011M + FDD"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name;
                             for (const char* at = info.param; *at != '\0'; ++at) {
                                 if (std::isalnum(static_cast<unsigned char>(*at))) {
                                     name += *at;
                                 }
                             }
                             return name;
                         });

} // namespace
} // namespace app_test
