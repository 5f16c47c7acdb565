// The BK-0010 models on their real ROM images (BK_ROM_DIR), run headless as the core runs them.
#include "emu/bk/Bk0010Machine.h"

#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace emu {
namespace {

using test_support::BkModelRun;

// Two seconds: the monitor clears the memory, then the language ROM prints its banner.
constexpr int64_t kBootFrames = 100;

class Bk0010RealRomTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::optional<std::u16string> folder = BkModelRun::RealRomFolder();
        if (!folder) {
            GTEST_SKIP() << "BK_ROM_DIR is not set";
        }
        romFolder = *folder;
    }

    std::unique_ptr<BkModelRun> Boot(const Computer& prototype) {
        auto run = std::make_unique<BkModelRun>(prototype, romFolder);
        EXPECT_TRUE(run->PowerOn());
        run->RunFrames(kBootFrames);
        EXPECT_TRUE(run->Lines("[ERROR]").empty());
        return run;
    }

    static std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

    std::u16string romFolder;
};

TEST_F(Bk0010RealRomTest, Bk0010BootsIntoFocal) {
    const Bk0010Machine prototype;
    const std::unique_ptr<BkModelRun> run = Boot(prototype);
    EXPECT_TRUE(run->Shows("ГОТОВНОСТЬ К РАБОТЕ")) << run->Describe(TestName());
    EXPECT_TRUE(run->Shows("ЛАТ")) << run->Describe(TestName());
}

TEST_F(Bk0010RealRomTest, Bk0010_01BootsIntoBasicAndComputes) {
    const Bk0010_01Machine prototype;
    const std::unique_ptr<BkModelRun> run = Boot(prototype);
    // The banner spreads its two words over the line.
    EXPECT_TRUE(run->Shows("БЕЙСИК")) << run->Describe(TestName());
    EXPECT_TRUE(run->Shows("(ВИЛЬНЮС,1986.07.24)")) << run->Describe(TestName());
    EXPECT_TRUE(run->Shows("Ok")) << run->Describe(TestName());

    run->Type("PRINT 2+2\n");
    run->RunFrames(10);
    const std::vector<std::string> screen = run->Screen();
    const auto typed = std::find(screen.begin(), screen.end(), "PRINT 2+2");
    ASSERT_NE(typed, screen.end()) << run->Describe(TestName());
    ASSERT_NE(typed + 1, screen.end());
    EXPECT_EQ(*(typed + 1), " 4") << run->Describe(TestName());
}

// A state saved after 100 frames and loaded into a fresh machine runs on as the machine that saved it.
TEST_F(Bk0010RealRomTest, AStateRoundTripGoesOnAsTheMachineWould) {
    const Bk0010_01Machine prototype;
    const std::unique_ptr<BkModelRun> straight = Boot(prototype);
    const std::unique_ptr<BkModelRun> saved = Boot(prototype);

    common::MemoryStream state;
    ASSERT_TRUE(state.Create(0, -1));
    common::RecordArchive writer(state);
    ASSERT_TRUE(saved->Machine().SaveState(writer));

    BkModelRun loaded(prototype, romFolder);
    ASSERT_TRUE(loaded.PowerOn());
    ASSERT_TRUE(state.Seek(0));
    common::RecordArchive reader(state);
    ASSERT_TRUE(loaded.Machine().LoadState(reader, nullptr));

    straight->RunFrames(kBootFrames);
    loaded.RunFrames(kBootFrames);
    const MemoryMap& expected = *straight->Machine().Memory();
    const MemoryMap& actual = *loaded.Machine().Memory();
    ASSERT_EQ(actual.Size(), expected.Size());
    EXPECT_TRUE(std::equal(expected.RamBase(), expected.RamBase() + expected.Size(), actual.RamBase()));
    EXPECT_EQ(loaded.Screen(), straight->Screen());
    EXPECT_EQ(loaded.Machine().Cpu()->Cycles(), straight->Machine().Cpu()->Cycles());
    EXPECT_TRUE(loaded.Lines("[ERROR]").empty());
}

} // namespace
} // namespace emu
