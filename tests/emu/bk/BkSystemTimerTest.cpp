#include "emu/bk/BkSystemTimer.h"

#include "BkRun.h"
#include "emu/core/MemoryMap.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

constexpr uint16_t kInit = 0177706;
constexpr uint16_t kCount = 0177710;
constexpr uint16_t kMode = 0177712;

struct TimerRun : BkRun {
    TimerRun() { EXPECT_TRUE(PowerOn()); }
    BkSystemTimer& Timer() const { return *machine.Timer(); }
    MemoryMap& Memory() const { return *machine.Memory(); }
    uint16_t Read(uint16_t address) const { return Memory().ReadWord(address, 0); }
    void Write(uint16_t address, uint16_t value) const { Memory().WriteWord(address, value); }
    // INIT, then MODE: the count starts from INIT.
    void Program(uint16_t mode, uint16_t init) const {
        Write(kInit, init);
        Write(kMode, mode);
    }
};

TEST(BkSystemTimerTest, StartsStoppedWithItsPowerOnValues) {
    TimerRun run;
    EXPECT_EQ(run.Read(kMode), 0177400);
    EXPECT_EQ(run.Read(kInit), 0177777);
    EXPECT_EQ(run.Read(kCount), 011000);
    run.runner.RunFrames(1);
    EXPECT_EQ(run.Read(kCount), 011000);
    EXPECT_EQ(run.Memory().ReadByte(kMode + 1, 0), 0377);
    EXPECT_EQ(run.Memory().ReadByte(kMode, 0), 0);
}

TEST(BkSystemTimerTest, CountsByItsModeFromInit) {
    struct Case {
        const char* what;
        uint16_t mode;
        uint16_t init;
        int64_t cycles;
        uint16_t count;
        uint16_t modeAfter;
    };
    const std::vector<Case> cases = {
        {"020: a tick every 128 cycles", 020, 100, 128 * 10, 90, 0177420},
        {"020: a part of a tick counts later", 020, 100, 128 * 10 + 127, 90, 0177420},
        {"0120: every 512", 0120, 100, 512 * 10, 90, 0177520},
        {"060: every 2048", 060, 100, 2048 * 3, 97, 0177460},
        {"0160: every 8192", 0160, 100, 8192 * 2, 98, 0177560},
        {"020: reloads from INIT - 1 after 1", 020, 10, 128 * 15, 4, 0177420},
        {"024: and sets bit 7", 024, 10, 128 * 15, 4, 0177624},
        {"024: before its expiry", 024, 10, 128 * 9, 1, 0177424},
        {"024: expired many times", 024, 10, 128 * (10 + 9 * 100 + 3), 6, 0177624},
        {"034: one-shot stops at 0", 034, 10, 128 * 15, 0, 0177614},
        {"026: through zero", 026, 10, 128 * 15, 0177772, 0177626},
        {"036: through zero, one-shot or not", 036, 10, 128 * 15, 0177772, 0177636},
        {"021: the stop bit holds it", 021, 10, 128 * 15, 011000, 0177421},
        {"020 from INIT 0", 020, 0, 128 * 3, 0177775, 0177420},
        {"020 from INIT 1: 0 after every tick", 020, 1, 128 * 5, 0, 0177420},
        {"0224: bit 7 as written", 0224, 10, 128 * 5, 5, 0177624},
        {"0204: bit 7 until MODE is written", 0204, 10, 128 * 5, 011000, 0177604},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        TimerRun run;
        run.Program(each.mode, each.init);
        run.runner.RunCycles(each.cycles);
        EXPECT_EQ(run.Read(kCount), each.count);
        EXPECT_EQ(run.Read(kMode), each.modeAfter);
    }
}

// COUNT and MODE after cycles, read at the given moments in between.
std::pair<uint16_t, uint16_t> CountAfter(uint16_t mode, uint16_t init, const std::vector<int64_t>& readsAt,
                                         int64_t cycles) {
    TimerRun run;
    run.Program(mode, init);
    int64_t now = 0;
    for (const int64_t at : readsAt) {
        run.runner.RunCycles(at - now);
        now = at;
        run.Read(kCount);
        run.Memory().ReadWord(kMode, 1);
    }
    run.runner.RunCycles(cycles - now);
    return {run.Read(kCount), run.Read(kMode)};
}

TEST(BkSystemTimerTest, CountDoesNotDependOnHowOftenItIsRead) {
    std::mt19937 random(16);
    for (const uint16_t mode : {020, 024, 026, 034, 0124}) {
        for (const uint16_t init : {0, 1, 2, 7, 50}) {
            const int64_t cycles = 128 * 4 * 140 + 77;
            std::vector<int64_t> reads;
            std::uniform_int_distribution<int64_t> moment(0, cycles);
            for (int32_t read = 0; read < 60; ++read) {
                reads.push_back(moment(random));
            }
            std::sort(reads.begin(), reads.end());
            std::vector<int64_t> everyTick;
            for (int64_t at = 128; at < cycles; at += 128) {
                everyTick.push_back(at);
            }
            SCOPED_TRACE(testing::Message() << "MODE " << std::oct << mode << " INIT " << std::dec << init);
            const auto once = CountAfter(mode, init, {}, cycles);
            EXPECT_EQ(CountAfter(mode, init, reads, cycles), once);
            EXPECT_EQ(CountAfter(mode, init, everyTick, cycles), once);
        }
    }
}

TEST(BkSystemTimerTest, WritesOfTheRegisters) {
    TimerRun run;
    std::atomic<int32_t> traceAll{1};
    run.machine.SetTraceAll(&traceAll);
    run.Program(020, 100);
    run.runner.RunCycles(128 * 5);
    run.Memory().WriteByte(kInit, 050);
    run.Memory().WriteByte(kInit + 1, 1);
    EXPECT_EQ(run.Read(kInit), 0450);
    EXPECT_EQ(run.Read(kCount), 95) << "a byte of INIT restarts nothing";
    run.Write(kCount, 7);
    run.Memory().WriteByte(kCount + 1, 7);
    EXPECT_EQ(run.Read(kCount), 95) << "COUNT is read only";
    run.Memory().WriteByte(kMode + 1, 0);
    EXPECT_EQ(run.Read(kMode), 0177420) << "the odd byte of MODE is not written";
    run.Write(kMode, 0177424);
    EXPECT_EQ(run.Read(kMode), 0177424);
    EXPECT_EQ(run.Read(kCount), 0450) << "MODE restarts from INIT";
    run.Write(kInit, 3);
    EXPECT_EQ(run.Read(kCount), 3) << "a word of INIT restarts";
    const std::vector<std::string> lines = run.Lines("TIMER");
    const std::vector<std::string> expected = {
        "[TIMER] >INIT[0..7] = 28h", "[TIMER] >INIT[8..15] = 01h",   "[TIMER] <INIT = 0128h",
        "[TIMER] <COUNT = 005Fh",    "[TIMER] >COUNT = 0007h (n/a)", "[TIMER] >COUNT[8..15] = 07h (n/a)",
        "[TIMER] <COUNT = 005Fh",    "[TIMER] <MODE = FF10h",        "[TIMER] >MODE = 14h",
        "[TIMER] <MODE = FF14h",     "[TIMER] <COUNT = 0128h",       "[TIMER] >INIT = 0003h",
        "[TIMER] <COUNT = 0003h",
    };
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<int64_t>(expected.size()), lines.end()), expected);
}

TEST(BkSystemTimerTest, StateGoesOnAndRefusesAnImpossibleModeOrTick) {
    TimerRun saved;
    saved.Program(024, 30);
    saved.runner.RunCycles(128 * 20 + 5);
    const Bytes state = SavedState(saved.machine);
    TimerRun loaded;
    ASSERT_TRUE(LoadState(loaded.machine, state));
    saved.runner.RunCycles(128 * 40);
    loaded.runner.RunCycles(128 * 40);
    EXPECT_EQ(loaded.Read(kCount), saved.Read(kCount));
    EXPECT_EQ(loaded.Read(kMode), saved.Read(kMode));

    const Bytes good = Archived(SavingOwnData(saved.Timer()));
    const Bytes divider = U64Value("PERC", 128);
    const auto at = std::search(good.begin(), good.end(), divider.begin(), divider.end());
    ASSERT_NE(at, good.end());
    const auto dividerRecord = static_cast<size_t>(at - good.begin());
    const size_t dividerValue = dividerRecord + divider.size() - 8;
    // MODR's high byte ends the record two 16-bit records (INIR, CNTR) before PERC's.
    const size_t wordRecord = U8Value("INIR", 0).size() + 1;
    const size_t modeHigh = dividerRecord - 2 * wordRecord - 1;
    for (const auto& [position, value] : {std::pair<size_t, uint8_t>{dividerValue, 3}, {modeHigh, 1}}) {
        SCOPED_TRACE(position);
        Bytes bad = good;
        bad[position] = value;
        TimerRun target;
        target.Program(020, 5);
        EXPECT_FALSE(ReadsWhole(bad, LoadingOwnData(target.Timer())));
        EXPECT_EQ(target.Timer().Init(), 5);
        EXPECT_EQ(target.Timer().Mode(), 020);
    }
}

} // namespace
} // namespace emu
