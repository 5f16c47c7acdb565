#include "emu/bk/BkVideo.h"

#include "BkRun.h"
#include "common/SettingsTree.h"
#include "emu/core/MemoryMap.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint16_t kScrollRegister = 0177664;
// Line 0 at the top, all 256 rows shown.
constexpr uint16_t kWholeScreen = 01330;
// Processor cycles of the frames the runner runs, enough for a first frame end (which sizes the renderer) and a
// whole frame drawn after it.
constexpr int64_t kFramesToDraw = 3;

struct VideoRun : BkRun {
    explicit VideoRun(int32_t screenMode = BkVideo::kBlackAndWhite, bool withRenderer = true) : BkRun(withRenderer) {
        machine.Video()->SetScreenMode(screenMode);
    }
    BkVideo& Video() const { return *machine.Video(); }
    RendererBase& Renderer() { return machine.renderer; }
    void WriteScreen(uint16_t offset, uint8_t value) {
        machine.Memory()->WriteByte(static_cast<uint16_t>(test_support::BkTestMachine::kScreen + offset), value);
    }
    void WriteScroll(uint16_t value) { machine.Memory()->WriteWord(kScrollRegister, value); }
    void Draw() { runner.RunFrames(kFramesToDraw); }
    std::vector<uint32_t> Pixels(int32_t row, int32_t first, int32_t count) {
        const uint32_t* pixels = Renderer().Row(row);
        return pixels != nullptr ? std::vector<uint32_t>(pixels + first, pixels + first + count)
                                 : std::vector<uint32_t>{};
    }
    // The byte a black-and-white row shows at byte position index (white pixels are set bits, bit 0 leftmost).
    int32_t ShownByte(int32_t row, int32_t index = 0) {
        const std::vector<uint32_t> pixels = Pixels(row, 8 * index, 8);
        int32_t value = 0;
        for (int32_t bit = 0; bit < 8 && bit < static_cast<int32_t>(pixels.size()); ++bit) {
            if (pixels[static_cast<size_t>(bit)] == kWhite) {
                value |= 1 << bit;
            } else if (pixels[static_cast<size_t>(bit)] != kBlack) {
                return -1;
            }
        }
        return value;
    }
    void SetRenderMode(int32_t mode) {
        common::SettingsTree settings;
        ASSERT_TRUE(Video().ExchangeSettings(&settings, false));
        ASSERT_TRUE(settings.FindValue(common::NarrowString("RenderMode"))->SetI32(mode));
    }
};

TEST(BkVideoTest, EachScreenModeDrawsItsPixels) {
    struct Case {
        const char* what;
        int32_t screenMode;
        bool altColors;
        uint32_t palette;
        uint8_t byte;
        std::vector<uint32_t> pixels;
    };
    const std::vector<Case> cases = {
        {"001 lights the leftmost pixel",
         BkVideo::kBlackAndWhite,
         false,
         0,
         001,
         {kWhite, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack}},
        {"0200 the rightmost",
         BkVideo::kBlackAndWhite,
         false,
         0,
         0200,
         {kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kWhite}},
        {"halftone", BkVideo::kHalftone, false, 0, 0344, {0xFF000000, 0xFF808080, 0xFFC0C0C0, 0xFFFFFFFF}},
        {"colour, palette 0", BkVideo::kColour, false, 0, 0344, {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000}},
        {"palette 0 alike in both tables",
         BkVideo::kColour,
         true,
         0,
         0344,
         {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000}},
        {"palette 5: colours 1-3 white", BkVideo::kColour, false, 5, 0344, {kBlack, kWhite, kWhite, kWhite}},
        {"0x17 picks palette 7", BkVideo::kColour, false, 0x17, 0344, {0xFF000000, 0xFF00FF00, 0xFF00FFFF, 0xFFFFFF00}},
        {"alternative palette 1", BkVideo::kColour, true, 1, 0344, {0xFF000000, 0xFFFFFF6B, 0xFFFF7BFF, 0xFFFF0000}},
        {"alternative palette 15", BkVideo::kColour, true, 15, 0344, {0xFF000000, 0xFF0BBFFF, 0xFF2BFF2B, 0xFFFFD3D3}},
        {"a mode beyond 2 draws in colour", 7, false, 0, 0344, {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        VideoRun run(each.screenMode);
        run.Video().SetAltColors(each.altColors);
        ASSERT_TRUE(run.PowerOn());
        run.Video().SelectPalette(each.palette);
        run.WriteScroll(kWholeScreen);
        run.WriteScreen(0, each.byte);
        run.Draw();
        EXPECT_EQ(run.Renderer().GetWidth(), run.Video().FrameWidth());
        EXPECT_EQ(run.Renderer().GetHeight(), 256);
        EXPECT_EQ(run.Pixels(0, 0, static_cast<int32_t>(each.pixels.size())), each.pixels);
    }
}

TEST(BkVideoTest, ScrollPicksTheTopLineAndHowManyRowsShow) {
    struct Case {
        const char* what;
        std::optional<uint16_t> written;
        uint16_t stored;
        int32_t row0;
        int32_t row63;
        int32_t row64; // -1: black
        int32_t row255;
    };
    const std::vector<Case> cases = {
        {"after start: 64 rows from line 050", std::nullopt, 0, 050, 0147, -1, -1},
        {"01330: line 0 at the top", 01330, 01330, 0, 63, 64, 255},
        {"01331: line 1 at the top, line 0 at the bottom", 01331, 01331, 1, 64, 65, 0},
        {"0177777 keeps 01377", 0177777, 01377, 047, 0146, 0147, 046},
        {"0330 without bit 9", 0330, 0330, 0, 63, -1, -1},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        VideoRun run;
        ASSERT_TRUE(run.PowerOn());
        // Line L holds the byte L+1 (line 255 holds 0), so that a black row tells itself apart.
        for (int32_t line = 0; line < 256; ++line) {
            run.WriteScreen(static_cast<uint16_t>(line * BkVideo::kLineBytes), static_cast<uint8_t>(line + 1));
        }
        if (each.written) {
            run.WriteScroll(*each.written);
        }
        run.Draw();
        EXPECT_EQ(run.machine.Memory()->ReadWord(kScrollRegister, 0), each.stored);
        const auto shown = [&run](int32_t row) {
            const int32_t byte = run.ShownByte(row);
            return byte < 0 ? -2 : (byte - 1) & 0377;
        };
        EXPECT_EQ(shown(0), each.row0);
        EXPECT_EQ(shown(63), each.row63);
        EXPECT_EQ(each.row64 < 0 ? run.ShownByte(64) : shown(64), each.row64 < 0 ? 0 : each.row64);
        EXPECT_EQ(each.row255 < 0 ? run.ShownByte(255) : shown(255), each.row255 < 0 ? 0 : each.row255);
    }
}

TEST(BkVideoTest, ScrollReadsItsHalvesAndIgnoresByteWrites) {
    VideoRun run;
    std::atomic<int32_t> traceAll{1};
    run.machine.SetTraceAll(&traceAll);
    ASSERT_TRUE(run.PowerOn());
    MemoryMap& memory = *run.machine.Memory();
    run.console.ClearLines();
    memory.WriteWord(kScrollRegister, 0177777);
    EXPECT_EQ(memory.ReadByte(kScrollRegister + 1, 0), 2);
    EXPECT_EQ(memory.ReadByte(kScrollRegister, 0), 0377);
    memory.WriteByte(kScrollRegister, 0);
    memory.WriteByte(kScrollRegister + 1, 0);
    EXPECT_EQ(memory.ReadWord(kScrollRegister, 0), 01377);
    memory.WriteWord(kScrollRegister, kWholeScreen);
    EXPECT_EQ(run.Lines("VID"), (std::vector<std::string>{
                                    "[VID] =>SCROLL = FFFFh (line+39, screen=256 lines)",
                                    "[VID] <=SCROLL[MSB] = 2h",
                                    "[VID] <=SCROLL[LSB] = FFh",
                                    "[VID] =>SCROLL[MSB] = 00h (n/a\?\?\?)",
                                    "[VID] =>SCROLL[MSB] = 00h (n/a\?\?\?)",
                                    "[VID] <=SCROLL = 2FFh",
                                    "[VID] =>SCROLL = 02D8h (line+0, screen=256 lines)",
                                }));
}

TEST(BkVideoTest, OnlyWhatChangedIsDrawnAgain) {
    VideoRun run;
    ASSERT_TRUE(run.PowerOn());
    run.WriteScroll(kWholeScreen);
    run.Draw();
    RendererBase& renderer = run.Renderer();
    ASSERT_EQ(renderer.UndrawnLineCount(), 0);
    ASSERT_EQ(renderer.ForcedRedrawCount(), 0);

    run.WriteScroll(kWholeScreen);
    EXPECT_EQ(renderer.ForcedRedrawCount(), 0) << "the same SCROLL again redraws nothing";
    run.WriteScreen(5 * BkVideo::kLineBytes + 3, 0);
    EXPECT_EQ(renderer.UndrawnLineCount(), 0) << "the byte it already held";
    run.WriteScreen(5 * BkVideo::kLineBytes + 3, 0x80);
    run.WriteScreen(5 * BkVideo::kLineBytes + 4, 0x80);
    EXPECT_EQ(renderer.UndrawnLineCount(), 1);
    EXPECT_EQ(renderer.LineMark(5) & line::kDrawn, 0);
    run.Draw();
    EXPECT_EQ(run.ShownByte(5, 3), 0x80);

    // With line 1 at the top, line 5 shows in row 4.
    run.WriteScroll(01331);
    EXPECT_EQ(renderer.ForcedRedrawCount(), 256);
    run.Draw();
    run.WriteScreen(5 * BkVideo::kLineBytes, 1);
    EXPECT_EQ(renderer.LineMark(4) & line::kDrawn, 0);
    EXPECT_EQ(renderer.UndrawnLineCount(), 1);
}

TEST(BkVideoTest, AProgramsScrollAndScreenWritesMakeTheFrame) {
    VideoRun run;
    ASSERT_TRUE(run.PowerOn());
    run.machine.Load(kMainLoop, {
                                    0012737,
                                    kWholeScreen,
                                    kScrollRegister, // MOV #1330, @#177664
                                    0012737,
                                    0125252,
                                    040000, // MOV #125252, @#40000
                                    0012737,
                                    0177777,
                                    040100, // MOV #177777, @#40100
                                    0105237,
                                    040177, // INCB @#40177
                                    kBranchToSelf,
                                });
    run.Draw();
    for (int32_t row = 0; row < 256; ++row) {
        std::vector<uint32_t> expected(512, kBlack);
        if (row == 0) {
            for (int32_t pixel = 1; pixel < 16; pixel += 2) {
                expected[static_cast<size_t>(pixel)] = kWhite;
            }
        } else if (row == 1) {
            std::fill(expected.begin(), expected.begin() + 16, kWhite);
            expected[8 * 63] = kWhite;
        }
        ASSERT_EQ(run.Pixels(row, 0, 512), expected) << "row " << row;
    }
}

TEST(BkVideoTest, FramesEndAt296InScanlineRenderingAndAt320InFrameRendering) {
    struct Case {
        const char* what;
        int32_t frequency;
        int32_t renderMode;
        int32_t period;
        int32_t frameEndEvent;
    };
    const std::vector<Case> cases = {
        {"scanline at 3 MHz", 3000000, kScanlineRendering, 188, 296},
        {"frame at 3 MHz", 3000000, kFrameRendering, 188, 320},
        {"scanline at 4.096 MHz", 4096000, kScanlineRendering, 256, 296},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        BkRun run(true, each.frequency);
        BkVideo& video = *run.machine.Video();
        ASSERT_TRUE(video.SetIrq(BkMachine::kFrameLine, true, false));
        common::SettingsTree settings;
        ASSERT_TRUE(video.ExchangeSettings(&settings, false));
        settings.FindValue(common::NarrowString("RenderMode"))->SetI32(each.renderMode);
        ASSERT_TRUE(run.PowerOn());
        EXPECT_EQ(video.LinePeriod(), each.period);
        const int64_t frameEnd = static_cast<int64_t>(each.period) * each.frameEndEvent;
        run.runner.RunCycles(frameEnd - 1);
        EXPECT_FALSE(run.machine.IsLineRaised(BkMachine::kFrameLine));
        EXPECT_EQ(run.machine.renderer.GetWidth(), 0);
        run.runner.RunCycles(1);
        EXPECT_TRUE(run.machine.IsLineRaised(BkMachine::kFrameLine));
        EXPECT_EQ(run.machine.renderer.GetWidth(), 512) << "the first frame end sizes the frame";
        EXPECT_EQ(video.LineCounter(), each.frameEndEvent % BkVideo::kFrameLines);
        // Every frame end raises it again.
        for (int32_t frame = 0; frame < 3; ++frame) {
            run.machine.SetLine(BkMachine::kFrameLine, false);
            run.runner.RunCycles(static_cast<int64_t>(each.period) * BkVideo::kFrameLines - 1);
            EXPECT_FALSE(run.machine.IsLineRaised(BkMachine::kFrameLine));
            run.runner.RunCycles(1);
            EXPECT_TRUE(run.machine.IsLineRaised(BkMachine::kFrameLine));
        }
    }
}

TEST(BkVideoTest, WithoutAnIrqParameterOrARendererTheCycleStillRuns) {
    VideoRun run(BkVideo::kBlackAndWhite, false);
    ASSERT_TRUE(run.PowerOn());
    run.WriteScroll(kWholeScreen);
    run.WriteScreen(0, 1);
    run.runner.RunFrames(2);
    EXPECT_FALSE(run.machine.IsLineRaised(BkMachine::kFrameLine));
    EXPECT_GT(run.Video().LineCounter(), 0);
    EXPECT_EQ(run.Renderer().GetWidth(), 0);
}

TEST(BkVideoTest, AScreenModeChangeResizesAtTheNextFrameEnd) {
    VideoRun run;
    ASSERT_TRUE(run.PowerOn());
    run.WriteScroll(kWholeScreen);
    run.WriteScreen(0, 0344);
    run.Draw();
    ASSERT_EQ(run.Renderer().GetWidth(), 512);
    run.Video().SetScreenMode(BkVideo::kColour);
    run.Draw();
    EXPECT_EQ(run.Renderer().GetWidth(), 256);
    EXPECT_EQ(run.Pixels(0, 0, 4), (std::vector<uint32_t>{0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000}));
}

TEST(BkVideoTest, AStateTakesItsScreenModeAndDrawsAtOnce) {
    VideoRun saved(BkVideo::kBlackAndWhite);
    ASSERT_TRUE(saved.PowerOn());
    saved.WriteScroll(01331);
    saved.WriteScreen(BkVideo::kLineBytes, 0201);
    saved.Draw();
    const Bytes state = SavedState(saved.machine);

    VideoRun loaded(BkVideo::kColour);
    ASSERT_TRUE(loaded.PowerOn());
    loaded.Draw();
    ASSERT_EQ(loaded.Renderer().GetWidth(), 256);
    ASSERT_TRUE(LoadState(loaded.machine, state));
    EXPECT_EQ(loaded.Video().ScreenMode(), BkVideo::kBlackAndWhite);
    EXPECT_EQ(loaded.Video().Scroll(), 01331);
    EXPECT_EQ(loaded.Renderer().GetWidth(), 512);
    EXPECT_EQ(loaded.ShownByte(0), 0201);
    EXPECT_EQ(loaded.Video().LineCounter(), saved.Video().LineCounter());
    // And it goes on alike.
    saved.runner.RunFrames(1);
    loaded.runner.RunFrames(1);
    EXPECT_EQ(loaded.Video().LineCounter(), saved.Video().LineCounter());
}

TEST(BkVideoTest, AStateWithAnUnknownVersionOrPaletteIsRefusedWhole) {
    VideoRun source;
    ASSERT_TRUE(source.PowerOn());
    source.WriteScreen(0, 0377);
    const Bytes good = Archived(SavingOwnData(source.Video()));
    // The video's own records are the last ones: "VER", "SMOD", "PALI", "SRLR", "RDRS".
    const Bytes ownRecords = Concat({U8Value("VER", 0), I32Value("SMOD", 0), I32Value("PALI", 0)});
    const auto at = std::search(good.begin(), good.end(), ownRecords.begin(), ownRecords.end());
    ASSERT_NE(at, good.end());
    const auto start = static_cast<size_t>(at - good.begin());
    struct Change {
        const char* what;
        size_t position;
        uint8_t value;
    };
    const Change changes[] = {
        {"VER 1", start + U8Value("VER", 0).size() - 1, 1},
        {"PALI 16", start + U8Value("VER", 0).size() + I32Value("SMOD", 0).size() + I32Value("PALI", 0).size() - 4, 16},
        {"SCROLL bit 8", good.size() - I32Value("RDRS", 0).size() - 1, 1},
        {"line counter 512", good.size() - 3, 2},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        Bytes bad = good;
        bad[change.position] = change.value;
        VideoRun target(BkVideo::kHalftone);
        ASSERT_TRUE(target.PowerOn());
        target.WriteScroll(01331);
        target.Video().SelectPalette(3);
        target.WriteScreen(0, 0125);
        EXPECT_FALSE(ReadsWhole(bad, LoadingOwnData(target.Video())));
        EXPECT_EQ(target.Video().ScreenMode(), BkVideo::kHalftone);
        EXPECT_EQ(target.Video().Scroll(), 01331);
        EXPECT_EQ(target.Video().PaletteIndex(), 3);
        EXPECT_EQ(target.Video().Buffer()[0], 0125);
    }
    VideoRun target;
    ASSERT_TRUE(target.PowerOn());
    EXPECT_TRUE(ReadsWhole(good, LoadingOwnData(target.Video())));
    EXPECT_EQ(target.Video().Buffer()[0], 0377);
}

} // namespace
} // namespace emu
