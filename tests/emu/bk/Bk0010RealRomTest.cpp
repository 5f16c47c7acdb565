// The BK-0010 models on their real ROM images (BK_ROM_DIR), run headless as the core runs them.
#include "emu/bk/Bk0010Machine.h"

#include "emu/bk/BkBiosTracer.h"
#include "emu/core/BusService.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"
#include "support/BkRealRomTest.h"
#include "support/StateBytes.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace emu {
namespace {

using test_support::BkModelRun;

// Two seconds: the monitor clears the memory, then the language ROM prints its banner.
constexpr int64_t kBootFrames = 100;

class Bk0010RealRomTest : public test_support::BkRealRomTest {
protected:
    std::unique_ptr<BkModelRun> Boot(const Computer& prototype) { return BkRealRomTest::Boot(prototype, kBootFrames); }

    const Bk0010Machine bk0010;
    const Bk0010_01Machine bk0010_01;
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

// A program in the BIN slot starts instead of the language ROM and fills the top 16 lines of the screen.
TEST_F(Bk0010RealRomTest, ABinFileStartsAndDraws) {
    const uint16_t program[] = {01000, 022, 012700, 0177777, 012701, 040000, 010021, 020127, 042000, 0103774, 000777};
    std::string file;
    for (const uint16_t word : program) {
        file.push_back(static_cast<char>(word & 0xFF));
        file.push_back(static_cast<char>(word >> 8));
    }
    test_support::TemporaryFolder folder;
    const std::u16string path = folder.WriteFile(u"fill.bin", file);
    for (const Computer* prototype : std::initializer_list<const Computer*>{&bk0010, &bk0010_01}) {
        SCOPED_TRACE(prototype->Name().GetNarrow());
        BkModelRun run(*prototype, romFolder);
        ASSERT_TRUE(run.MountBin(path));
        ASSERT_TRUE(run.PowerOn());
        run.RunFrames(kBootFrames);
        EXPECT_EQ(run.Lines("[BIN]"),
                  std::vector<std::string>{"[BIN] File \"fill.bin\" loaded at offset=1000o (size=18)"});
        EXPECT_EQ(run.Machine().Cpu()->Register(7), 01020);
        int32_t litRows = 0;
        const emu::OffscreenRenderer& frame = run.Frame();
        for (int32_t y = 0; y < frame.GetHeight(); ++y) {
            const uint32_t* row = frame.Row(y);
            litRows += std::all_of(row, row + frame.GetWidth(), [&](uint32_t pixel) { return pixel == row[0]; }) &&
                               row[0] != frame.Row(frame.GetHeight() - 1)[0]
                           ? 1
                           : 0;
        }
        EXPECT_EQ(litRows, 16) << run.Describe(TestName());
    }
}

// The monitor's services pass the tracer: the typed key comes back through EMT 016.
TEST_F(Bk0010RealRomTest, TheTracerSeesTheMonitorsCalls) {
    BkModelRun run(bk0010_01, romFolder);
    ASSERT_NE(run.Machine().BiosTracer(), nullptr);
    ASSERT_TRUE(run.PowerOn());
    run.RunFrames(kBootFrames);
    run.Machine().BiosTracer()->TraceFlag(016) = true;
    run.Type("Z");
    const std::vector<std::string> lines = run.Lines("[BIOS]");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[BIOS] EMT 016 - Send Code to Video Driver (R0=132, alpha-num)"),
              lines.end())
        << (lines.empty() ? std::string("no lines") : lines.front());
}

// A state saved after 100 frames and loaded into a fresh machine runs on as the machine that saved it.
TEST_F(Bk0010RealRomTest, AStateRoundTripGoesOnAsTheMachineWould) {
    const Bk0010_01Machine prototype;
    const std::unique_ptr<BkModelRun> straight = Boot(prototype);
    const std::unique_ptr<BkModelRun> saved = Boot(prototype);

    BkModelRun loaded(prototype, romFolder);
    ASSERT_TRUE(loaded.PowerOn());
    ASSERT_TRUE(test_support::LoadState(loaded.Machine(), test_support::SavedState(saved->Machine())));

    straight->RunFrames(kBootFrames);
    loaded.RunFrames(kBootFrames);
    const MemoryMap& expected = *straight->Machine().Memory();
    const MemoryMap& actual = *loaded.Machine().Memory();
    ASSERT_EQ(actual.Size(), expected.Size());
    EXPECT_TRUE(std::equal(expected.RamBase(), expected.RamBase() + expected.Size(), actual.RamBase()));
    EXPECT_EQ(loaded.Screen(), straight->Screen());
    const emu::OffscreenRenderer& expectedFrame = straight->Frame();
    const emu::OffscreenRenderer& actualFrame = loaded.Frame();
    ASSERT_EQ(actualFrame.GetHeight(), expectedFrame.GetHeight());
    ASSERT_EQ(actualFrame.GetWidth(), expectedFrame.GetWidth());
    for (int32_t y = 0; y < expectedFrame.GetHeight(); ++y) {
        ASSERT_TRUE(
            std::equal(expectedFrame.Row(y), expectedFrame.Row(y) + expectedFrame.GetWidth(), actualFrame.Row(y)))
            << "row " << y;
    }
    EXPECT_EQ(loaded.Machine().Cpu()->Cycles(), straight->Machine().Cpu()->Cycles());
    EXPECT_TRUE(loaded.Lines("[ERROR]").empty());
}

// From now on the processor ticks the bus through its own timed event, 44100 times a second.
bool TickTheBusFromTheProcessor(BkModelRun& run) {
    if (run.Machine().SetBusRate(44100, 0, false) != 2) {
        return false;
    }
    run.Machine().Cpu()->RebuildEvents();
    return true;
}

// Runs cycles on the processor alone, its events fired as the core fires them; no slice ends tick the bus.
void RunTickedByTheProcessor(BkModelRun& run, int64_t cycles) {
    EXPECT_EQ(run.Runner().RunCycles(cycles), 0);
}

// A state saved while the processor ticks the bus loads into a machine whose processor does the same, which then
// goes on as the one that saved it: the tick event, the bus count and the devices' events carry over.
TEST_F(Bk0010RealRomTest, AStateSavedWhileTheProcessorTicksTheBusGoesOnAsTheMachineWould) {
    const Bk0010_01Machine prototype;
    BkModelRun saved(prototype, romFolder);
    ASSERT_TRUE(saved.PowerOn());
    ASSERT_TRUE(TickTheBusFromTheProcessor(saved));
    const int64_t second = saved.Machine().Cpu()->Frequency();
    RunTickedByTheProcessor(saved, 2 * second);
    ASSERT_TRUE(saved.Shows("БЕЙСИК")) << saved.Describe(TestName());
    const int32_t ticksBefore = saved.Machine().Bus()->Ticks();
    EXPECT_GT(ticksBefore, 0);

    const test_support::Bytes state = test_support::SavedState(saved.Machine());

    BkModelRun loaded(prototype, romFolder);
    ASSERT_TRUE(loaded.PowerOn());
    ASSERT_TRUE(TickTheBusFromTheProcessor(loaded));
    ASSERT_TRUE(test_support::LoadState(loaded.Machine(), state));
    EXPECT_EQ(loaded.Machine().Bus()->Ticks(), ticksBefore);

    for (BkModelRun* run : {&saved, &loaded}) {
        RunTickedByTheProcessor(*run, second);
    }
    // A second of ticks, one each 68 cycles (3 MHz / 44100, rounded to whole cycles).
    EXPECT_NEAR(saved.Machine().Bus()->Ticks() - ticksBefore, second / 68, 1);
    EXPECT_EQ(loaded.Machine().Bus()->Ticks(), saved.Machine().Bus()->Ticks());
    EXPECT_EQ(loaded.Machine().Cpu()->Cycles(), saved.Machine().Cpu()->Cycles());
    const MemoryMap& expected = *saved.Machine().Memory();
    const MemoryMap& actual = *loaded.Machine().Memory();
    ASSERT_EQ(actual.Size(), expected.Size());
    EXPECT_TRUE(std::equal(expected.RamBase(), expected.RamBase() + expected.Size(), actual.RamBase()));
    EXPECT_EQ(loaded.Screen(), saved.Screen());
    EXPECT_TRUE(loaded.Lines("[ERROR]").empty());
}

} // namespace
} // namespace emu
