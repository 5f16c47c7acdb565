// The speaker and the Covox: their mixers called as the bus calls them, fifty times a second, with blocks of the
// test's own; and whole machines playing through the bus into recording outputs.
#include "emu/bk/BkSpeaker.h"
#include "emu/bk/CovoxDac.h"

#include "BkRun.h"
#include "emu/core/BusService.h"
#include "emu/core/MemoryMap.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Samples = std::vector<int32_t>;

constexpr int32_t kUnwritten = 0x7FFFFFFF;
constexpr int32_t kBlockSamples = 960;
constexpr int64_t kBlockCycles = 61440;
constexpr uint16_t kSysReg = 0177716;
constexpr uint16_t kCovoxPort = 0177714;

// A run of equal samples.
struct SampleRun {
    int32_t value;
    int32_t length;
    bool operator==(const SampleRun&) const = default;
};

void PrintTo(const SampleRun& run, std::ostream* out) {
    *out << run.length << " x " << run.value;
}

std::vector<SampleRun> Runs(const Samples& samples) {
    std::vector<SampleRun> runs;
    for (const int32_t sample : samples) {
        if (runs.empty() || runs.back().value != sample) {
            runs.push_back({sample, 0});
        }
        ++runs.back().length;
    }
    return runs;
}

// A machine whose device's mixer the test calls itself, with 8-bit blocks of 960 samples; the processor runs
// between the calls.
struct MixerRun : BkRun {
    MixerRun() { EXPECT_TRUE(PowerOn()); }
    // The device's state saved and loaded again, so that the next call only synchronises, and that call: the
    // block of the call after it begins here.
    template <typename Device>
    void Begin(SoundMixerCallback mixer, Device& device) {
        const Bytes state = Archived(SavingOwnData(device));
        ASSERT_TRUE(ReadsWhole(state, LoadingOwnData(device)));
        Mix(mixer, device);
    }
    // Hands the mixer a new block, which it fills at the next call; answers the block it filled now.
    Samples* Mix(SoundMixerCallback mixer, TreeNode& device, int32_t count = kBlockSamples) {
        blocks.emplace_back(static_cast<size_t>(count), kUnwritten);
        mixer(&device, blocks.back().data(), count, 0, 255, 50, nullptr);
        return blocks.size() >= 2 ? &blocks[blocks.size() - 2] : nullptr;
    }
    BkSpeaker& Speaker() const { return *machine.Speaker(); }
    CovoxDac& Covox() const { return *machine.Covox(); }
    MemoryMap& Memory() const { return *machine.Memory(); }

    std::deque<Samples> blocks;
};

TEST(BkSpeakerTest, EdgesBecomeRunsOfTheirShareOfTheBlock) {
    MixerRun run;
    run.Begin(BkSpeaker::OnSoundEvent, run.Speaker());
    for (int32_t edge = 1; edge < kBlockSamples / 10; ++edge) {
        run.runner.RunCycles(640);
        run.Speaker().SetLevel(edge % 2 == 1);
    }
    run.runner.RunCycles(640);
    const Samples* filled = run.Mix(BkSpeaker::OnSoundEvent, run.Speaker());
    std::vector<SampleRun> expected;
    for (int32_t index = 0; index < kBlockSamples / 10; ++index) {
        expected.push_back({index % 2 == 0 ? 0 : 127, 10});
    }
    EXPECT_EQ(Runs(*filled), expected);
}

TEST(BkSpeakerTest, BlocksFollowTheLevelAndTheSwitch) {
    struct Case {
        const char* what;
        bool enabled;
        std::vector<int64_t> edges; // cycles into the block
        std::vector<SampleRun> runs;
    };
    const std::vector<Case> cases = {
        {"no edges: the level", true, {}, {{127, kBlockSamples}}},
        {"sound off: zeros", false, {100, 30000}, {{0, kBlockSamples}}},
        {"two edges in one sample: a sample each", true, {640, 641, 6400}, {{127, 10}, {0, 1}, {127, 89}, {0, 860}}},
        {"edges at the block's end", true, {61439, 61439, 61440}, {{127, 959}, {0, 1}}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        MixerRun run;
        run.Speaker().SetSoundEnabled(each.enabled);
        run.Speaker().SetLevel(true);
        run.Begin(BkSpeaker::OnSoundEvent, run.Speaker());
        int64_t now = 0;
        bool level = true;
        for (const int64_t edge : each.edges) {
            run.runner.RunCycles(edge - now);
            now = edge;
            level = !level;
            run.Speaker().SetLevel(level);
        }
        run.runner.RunCycles(kBlockCycles - now);
        EXPECT_EQ(Runs(*run.Mix(BkSpeaker::OnSoundEvent, run.Speaker())), each.runs);
    }
}

TEST(BkSpeakerTest, OnlyChangesOfBit6AreEdges) {
    MixerRun run;
    run.Begin(BkSpeaker::OnSoundEvent, run.Speaker());
    for (const uint16_t value : {0100, 0100, 0140, 0, 020, 0}) {
        run.runner.RunCycles(kBlockCycles / 8);
        run.Memory().WriteWord(kSysReg, value);
    }
    run.Memory().WriteByte(kSysReg + 1, 0377);
    run.runner.RunCycles(kBlockCycles / 4);
    EXPECT_EQ(Runs(*run.Mix(BkSpeaker::OnSoundEvent, run.Speaker())),
              (std::vector<SampleRun>{{0, 120}, {127, 360}, {0, 480}}));
}

TEST(BkSpeakerTest, TheFirstEventAfterStartOrLoadOnlySynchronises) {
    MixerRun run;
    Samples* handedOver = nullptr;
    run.Mix(BkSpeaker::OnSoundEvent, run.Speaker());
    run.Speaker().SetLevel(true);
    run.runner.RunCycles(1000);
    run.Mix(BkSpeaker::OnSoundEvent, run.Speaker());
    handedOver = &run.blocks.back();
    run.Speaker().SetLevel(false);
    const Bytes state = Archived(SavingOwnData(run.Speaker()));
    ASSERT_TRUE(ReadsWhole(state, LoadingOwnData(run.Speaker())));
    run.runner.RunCycles(1000);
    run.Mix(BkSpeaker::OnSoundEvent, run.Speaker());
    EXPECT_EQ(*handedOver, Samples(kBlockSamples, kUnwritten));
    run.runner.RunCycles(kBlockCycles);
    EXPECT_EQ(Runs(*run.Mix(BkSpeaker::OnSoundEvent, run.Speaker())), (std::vector<SampleRun>{{0, kBlockSamples}}));
}

TEST(BkSpeakerTest, KeepsTheLengthOfTheLastStretchAtEachLevel) {
    MixerRun run;
    run.Begin(BkSpeaker::OnSoundEvent, run.Speaker());
    run.runner.RunCycles(6400);
    run.Speaker().SetLevel(true);
    run.runner.RunCycles(640);
    run.Speaker().SetLevel(false);
    run.runner.RunCycles(kBlockCycles - 7040);
    run.Mix(BkSpeaker::OnSoundEvent, run.Speaker());
    EXPECT_EQ(run.Speaker().LastStretch(false), (BkSpeaker::Stretch{6400, 100}));
    EXPECT_EQ(run.Speaker().LastStretch(true), (BkSpeaker::Stretch{640, 10}));
    EXPECT_EQ(run.Speaker().UnfinishedStretch(), (BkSpeaker::Stretch{kBlockCycles - 7040, 850}));

    const Bytes state = Archived(SavingOwnData(run.Speaker()));
    MixerRun loaded;
    ASSERT_TRUE(ReadsWhole(state, LoadingOwnData(loaded.Speaker())));
    EXPECT_EQ(loaded.Speaker().LastStretch(false), (BkSpeaker::Stretch{6400, 100}));
    EXPECT_EQ(loaded.Speaker().UnfinishedStretch(), (BkSpeaker::Stretch{kBlockCycles - 7040, 850}));
    // A block of another size is refused, and nothing taken.
    Bytes bad = state;
    const Bytes samples = BlobValue("PERS", Bytes(12));
    const auto at = std::search(bad.begin(), bad.end(), samples.begin(), samples.begin() + 10);
    ASSERT_NE(at, bad.end());
    *(at + 10) = 11;
    MixerRun target;
    EXPECT_FALSE(ReadsWhole(bad, LoadingOwnData(target.Speaker())));
    EXPECT_EQ(target.Speaker().LastStretch(false), BkSpeaker::Stretch{});
}

TEST(CovoxDacTest, WritesAreHeldForTheirShareOfTheBlock) {
    MixerRun run;
    run.Covox().SetNormalize(false);
    run.Begin(CovoxDac::OnSoundEvent, run.Covox());
    for (const uint8_t value : {10, 10, 200, 0}) {
        run.runner.RunCycles(kBlockCycles / 4);
        run.Memory().WriteWord(kCovoxPort, value);
    }
    const Samples* filled = run.Mix(CovoxDac::OnSoundEvent, run.Covox());
    EXPECT_EQ(Runs(*filled), (std::vector<SampleRun>{{0, 240}, {10, 480}, {200, 240}}));
    EXPECT_EQ(run.Covox().LastValue(), 0);
}

TEST(CovoxDacTest, NormalizeStretchesOnlyAWideSwing) {
    struct Case {
        const char* what;
        bool normalize;
        bool enabled;
        uint8_t low;
        uint8_t high;
        std::vector<SampleRun> runs;
    };
    const std::vector<Case> cases = {
        {"100..120 stays", true, true, 100, 120, {{100, 480}, {120, 480}}},
        {"100..140 becomes 0..255", true, true, 100, 140, {{0, 480}, {255, 480}}},
        {"0..255 stays", true, true, 0, 255, {{0, 480}, {255, 480}}},
        {"without Normalize", false, true, 100, 140, {{100, 480}, {140, 480}}},
        {"sound off", true, false, 100, 140, {{0, kBlockSamples}}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        MixerRun run;
        run.Covox().SetNormalize(each.normalize);
        run.Covox().SetSoundEnabled(each.enabled);
        run.Covox().WriteSample(each.low);
        run.Begin(CovoxDac::OnSoundEvent, run.Covox());
        run.runner.RunCycles(kBlockCycles / 2);
        run.Covox().WriteSample(each.high);
        run.runner.RunCycles(kBlockCycles / 2);
        EXPECT_EQ(Runs(*run.Mix(CovoxDac::OnSoundEvent, run.Covox())), each.runs);
    }
}

TEST(CovoxDacTest, ASixteenBitOutputSpansZeroToItsMaximum) {
    MixerRun run;
    run.Covox().SetNormalize(false);
    run.Covox().WriteSample(255);
    run.Begin(CovoxDac::OnSoundEvent, run.Covox());
    Samples block(10, kUnwritten);
    CovoxDac::OnSoundEvent(&run.Covox(), block.data(), 10, -32768, 32767, 50, nullptr);
    for (const uint8_t value : {128, 1}) {
        run.runner.RunCycles(kBlockCycles / 3);
        run.Covox().WriteSample(value);
    }
    run.runner.RunCycles(kBlockCycles / 3);
    run.Mix(CovoxDac::OnSoundEvent, run.Covox());
    EXPECT_EQ(block, (Samples{32767, 32767, 32767, 16448, 16448, 16448, 128, 128, 128, 128}));
}

TEST(CovoxDacTest, TheFirstEventAfterLoadOnlySynchronises) {
    MixerRun run;
    run.Mix(CovoxDac::OnSoundEvent, run.Covox());
    run.Mix(CovoxDac::OnSoundEvent, run.Covox());
    Samples* handedOver = &run.blocks.back();
    run.Covox().WriteSample(50);
    const Bytes state = Archived(SavingOwnData(run.Covox()));
    MixerRun loaded;
    ASSERT_TRUE(ReadsWhole(state, LoadingOwnData(run.Covox())));
    ASSERT_TRUE(ReadsWhole(state, LoadingOwnData(loaded.Covox())));
    EXPECT_EQ(loaded.Covox().LastValue(), 50);
    run.Mix(CovoxDac::OnSoundEvent, run.Covox());
    EXPECT_EQ(*handedOver, Samples(kBlockSamples, kUnwritten));
    // A version of 1 is refused.
    Bytes bad = state;
    const Bytes version = Concat({U8Value("VER", 0), {0xF8}, Name("SNDA")});
    const auto at = std::search(bad.begin(), bad.end(), version.begin(), version.end());
    ASSERT_NE(at, bad.end());
    *(at + static_cast<int64_t>(U8Value("VER", 0).size()) - 1) = 1;
    MixerRun target;
    target.Covox().WriteSample(7);
    EXPECT_FALSE(ReadsWhole(bad, LoadingOwnData(target.Covox())));
    EXPECT_EQ(target.Covox().LastValue(), 7);
}

TEST(BkSoundTest, SoundFreqPicksTheOutputRateAndResetMendsIt) {
    struct Case {
        int32_t soundFreq;
        int32_t samples;
    };
    for (const Case& each : std::vector<Case>{{0, 960}, {1, 882}, {2, 441}, {3, 320}, {7, 960}}) {
        SCOPED_TRACE(each.soundFreq);
        BkRun run;
        run.machine.Speaker()->SetSoundFreq(each.soundFreq);
        run.machine.Covox()->SetSoundFreq(each.soundFreq);
        ASSERT_TRUE(run.PowerOn());
        run.runner.RunFrames(3);
        for (const int32_t output : {0, 1}) {
            const std::vector<std::vector<uint8_t>> played = run.machine.Played(output);
            ASSERT_EQ(played.size(), 4u);
            EXPECT_EQ(played.back().size(), static_cast<size_t>(each.samples));
        }
        EXPECT_EQ(run.machine.Reset(false), each.soundFreq <= 3);
        EXPECT_EQ(run.machine.Speaker()->SoundFreq(), each.soundFreq <= 3 ? each.soundFreq : 0);
        EXPECT_EQ(run.machine.Covox()->SoundFreq(), each.soundFreq <= 3 ? each.soundFreq : 0);
    }
}

// Cycles of one pass of the loop from address to address again, executed an instruction at a time.
int64_t LoopCycles(BkRun& run, uint16_t loop) {
    int64_t cycles = 0;
    do {
        cycles += run.Cpu().Execute(0);
    } while (run.Cpu().Register(7) != loop);
    return cycles;
}

TEST(BkSoundTest, AProgramTogglingBit6PlaysItsSquareWave) {
    BkRun run;
    ASSERT_TRUE(run.PowerOn());
    constexpr uint16_t kLoop = kMainLoop + 4;
    run.machine.Load(kMainLoop, {
                                    0012700, 0100,    // MOV #100, R0
                                    0010037, 0177716, // loop: MOV R0, @#177716
                                    0012701, 40,      // MOV #40, R1
                                    0077101,          // SOB R1, .
                                    0005100,          // COM R0
                                    0000771,          // BR loop
                                });
    run.Cpu().Execute(0);
    ASSERT_EQ(run.Cpu().Register(7), kLoop);
    BkRun measured;
    ASSERT_TRUE(measured.PowerOn());
    measured.machine.Load(kMainLoop, {0012700, 0100, 0010037, 0177716, 0012701, 40, 0077101, 0005100, 0000771});
    measured.Cpu().Execute(0);
    const int64_t cycles = LoopCycles(measured, kLoop);
    // 48000 samples a second of 3 MHz: a half period of this many samples, give or take the rounding.
    const double samples = static_cast<double>(cycles) * 48000 / test_support::BkTestMachine::kCpuFrequency;
    ASSERT_GT(samples, 4);

    run.runner.RunFrames(5);
    const std::vector<std::vector<uint8_t>> played = run.machine.Played(0);
    ASSERT_EQ(played.size(), 6u);
    for (size_t block = 2; block < played.size(); ++block) {
        const std::vector<SampleRun> runs = Runs(Samples(played[block].begin(), played[block].end()));
        ASSERT_GT(runs.size(), 10u);
        // The runs inside the block alternate between the two levels, each its share of the half period. An edge
        // is stamped when its instruction runs, which a slice boundary may put off by up to the instruction's
        // cycles: a run is the half period within a sample and a half, and their mean is the half period.
        double total = 0;
        for (size_t index = 1; index + 1 < runs.size(); ++index) {
            EXPECT_EQ(runs[index].value, runs[index - 1].value == 0 ? 127 : 0);
            EXPECT_NEAR(runs[index].length, samples, 1.5) << index;
            total += runs[index].length;
        }
        EXPECT_NEAR(total / static_cast<double>(runs.size() - 2), samples, 0.2);
    }
}

TEST(BkSoundTest, AProgramWritingTheCovoxPortPlaysItsBytes) {
    BkRun run;
    run.machine.Covox()->SetNormalize(false);
    ASSERT_TRUE(run.PowerOn());
    run.machine.Load(kMainLoop, {
                                    0005200,          // loop: INC R0
                                    0010037, 0177714, // MOV R0, @#177714
                                    0012701, 200,     // MOV #200, R1
                                    0077101,          // SOB R1, .
                                    0000771,          // BR loop
                                });
    run.runner.RunFrames(4);
    const std::vector<std::vector<uint8_t>> played = run.machine.Played(1);
    ASSERT_EQ(played.size(), 5u);
    const std::vector<SampleRun> runs = Runs(Samples(played[3].begin(), played[3].end()));
    ASSERT_GT(runs.size(), 5u);
    for (size_t index = 1; index < runs.size(); ++index) {
        EXPECT_EQ(runs[index].value, (runs[index - 1].value + 1) & 0377) << index;
    }
}

} // namespace
} // namespace emu
