#include "emu/devices/RasterVideoDevice.h"

#include "TestVideoDevice.h"
#include "VideoMachine.h"
#include "common/BmpCodec.h"
#include "common/MemoryStream.h"
#include "common/SettingsTree.h"
#include "emu/core/BusService.h"
#include "emu/core/FakeCpu.h"
#include "emu/core/NullRenderer.h"
#include "emu/devices/OffscreenRenderer.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace emu {
namespace {

using Call = TestVideoDevice::Call;
constexpr int32_t kWidth = TestVideoDevice::kWidth;
constexpr int32_t kHeight = TestVideoDevice::kHeight;
// 32 visible lines of a 40-line frame at 50 frames a second: 2000 lines a second.
constexpr int32_t kTotalLines = 40;
constexpr int32_t kFrameRate = 50;

// A processor whose timed events the test fires by hand; it may defer line rendering to the frame's end.
class LineCpu : public FakeCpu {
public:
    bool defers = false;
    bool DefersLineRendering() const override { return defers; }

    // Fires the newest event once, as the processor would when its period ran out; false when it ended itself.
    bool FireNewest() {
        TimedEvent& event = events.back();
        int32_t period = event.period;
        return event.callback(event.owner, &period, &event.data, this);
    }
};

// A renderer whose frame never takes a size, counting frame ends.
class RefusingRenderer : public NullRenderer {
public:
    int32_t frameEnds = 0;
    void EndFrame(bool full, float aspect) override {
        ++frameEnds;
        NullRenderer::EndFrame(full, aspect);
    }
};

// The test machine with a processor, a test video device and an offscreen renderer; the screen holds a pattern.
class RenderTimingTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Build(machine, cpu, video, renderer)); }

    static bool Build(VideoMachine& target, LineCpu*& processor, TestVideoDevice*& device, RendererBase& screen) {
        processor = target.Add<LineCpu>();
        device = target.Add<TestVideoDevice>();
        target.AttachRenderer(&screen);
        if (processor == nullptr || device == nullptr || !target.PowerOn()) {
            return false;
        }
        for (uint32_t offset = 0; offset < 256; ++offset) {
            target.Memory()->WriteByte(TestVideoDevice::kScreenStart + offset, static_cast<uint8_t>(offset * 7 + 1));
        }
        return true;
    }

    // Ticks the bus until the renderer has a frame to present (at most ticks times); false when none came.
    static bool TickUntilFrame(VideoMachine& target, RendererBase& screen, int32_t ticks) {
        screen.MarkFrame(false);
        for (int32_t tick = 0; tick < ticks; ++tick) {
            target.TickBus();
            if (screen.IsFramePending()) {
                return true;
            }
        }
        return false;
    }

    // The DrawLine calls made by one more bus tick.
    std::vector<Call> TickCalls() {
        video->calls.clear();
        machine.TickBus();
        return video->calls;
    }

    OffscreenRenderer renderer;
    VideoMachine machine;
    LineCpu* cpu = nullptr;
    TestVideoDevice* video = nullptr;
};

// The frame the test pattern makes: bit 7 of each byte first, ink for ones.
uint32_t ExpectedPixel(int32_t x, int32_t y) {
    const auto byte = static_cast<uint8_t>((y * kWidth / 8 + x / 8) * 7 + 1);
    return (byte >> (7 - x % 8)) & 1 ? TestVideoDevice::kInk : TestVideoDevice::kPaper;
}

// The renderer's picture through a BMP file and back, checked against the pattern.
void ExpectPatternThroughBmp(RendererBase& screen) {
    common::MemoryStream file;
    file.Create(0, -1);
    ASSERT_TRUE(common::WriteBmp(file, *screen.AsImage()));
    ASSERT_TRUE(file.Seek(0));
    const std::unique_ptr<common::Image> image = common::ReadBmp(file, common::BmpKind::Any);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->GetWidth(), kWidth);
    ASSERT_EQ(image->GetHeight(), kHeight);
    int32_t mismatches = 0;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            mismatches += (image->GetPixelColour(y, x) & 0xFFFFFF) != (ExpectedPixel(x, y) & 0xFFFFFF);
            mismatches += screen.Row(y)[x] != ExpectedPixel(x, y);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(RenderTimingTest, BusLinesSpreadByTheRateTheEventReallyFiresAt) {
    ASSERT_EQ(machine.SetBusRate(44100, -1, false), 882);
    ASSERT_TRUE(video->ScheduleRenderEvents(512, 256, 200, 50, 1));
    EXPECT_EQ(video->TotalLines(), 256 + 32 + 8);
    const BusEvent* event = machine.Bus()->EventAt(machine.Bus()->EventCount() - 1);
    EXPECT_EQ(event->requestedFrequency, 296 * 50);
    // The bus fires every third tick, 14700 times a second, and reports 22050 (its next smaller divider).
    EXPECT_EQ(event->divider, 3);
    EXPECT_EQ(video->LinesPerEvent(), 1006);

    video->calls.clear();
    for (int32_t tick = 0; tick < 300000; ++tick) {
        machine.TickBus();
        ASSERT_GE(video->LineAccumulator(), 0);
        ASSERT_LT(video->LineAccumulator(), 1000);
    }
    // 99999 events (the first tick only starts the count) of 1.006 lines each.
    EXPECT_EQ(video->calls.size(), 99999u + 599u);

    // After a rate change the spread follows the new rate. The bus then divides by whole ticks not above the
    // request (44100 / 14800 gives 2, 22050 firings a second): a bus firing faster than the lines gives one line
    // an event, never less.
    for (const auto& [rate, perEvent] : {std::pair{8000, 1850}, std::pair{22050, 1000}, std::pair{44100, 1000}}) {
        SCOPED_TRACE(rate);
        machine.SetBusRate(rate, -1, false);
        for (int32_t tick = 0; tick < 10; ++tick) {
            machine.TickBus();
        }
        EXPECT_EQ(video->LinesPerEvent(), perEvent);
        EXPECT_LT(video->LineAccumulator(), 1000);
        EXPECT_GE(video->LineAccumulator(), 0);
    }
}

TEST_F(RenderTimingTest, TwoAndAHalfLinesAnEventGoTwoThreeTwoThree) {
    ASSERT_EQ(machine.SetBusRate(4000, -1, false), 80);
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, 200, 50, 1));
    EXPECT_EQ(video->LinesPerEvent(), 2500);
    // The first tick after a rate change only starts the count.
    EXPECT_TRUE(TickCalls().empty());
    std::vector<size_t> lines;
    for (int32_t event = 0; event < 6; ++event) {
        lines.push_back(TickCalls().size());
    }
    EXPECT_EQ(lines, (std::vector<size_t>{2, 3, 2, 3, 2, 3}));
    // Every call of one event carries the event's index in the frame.
    const std::vector<Call> calls = TickCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].eventIndex, 6);
    EXPECT_EQ(calls[1].eventIndex, 6);
}

TEST_F(RenderTimingTest, BusLinesWithoutABusRateAddNothing) {
    EXPECT_FALSE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 1));
    EXPECT_EQ(machine.Bus()->EventCount(), 0);
    EXPECT_EQ(video->RenderStamp(), 0u);
    EXPECT_EQ(video->TimingMode(), -1);
}

TEST_F(RenderTimingTest, ReschedulingKeepsOrRetiresTheEvents) {
    ASSERT_GT(machine.SetBusRate(4000, -1, false), 0);
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 0));
    EXPECT_EQ(machine.Bus()->EventCount(), 1);
    EXPECT_EQ(video->RenderStamp(), 1u);
    // The same lines and rate change only the screen.
    ASSERT_TRUE(video->ScheduleRenderEvents(32, 16, kTotalLines, -1, 0));
    EXPECT_EQ(machine.Bus()->EventCount(), 1);
    EXPECT_EQ(video->RenderStamp(), 1u);
    EXPECT_EQ(video->ScreenWidth(), 32);
    EXPECT_EQ(video->ScreenHeight(), 16);

    struct Refusal {
        const char* what;
        int32_t width, visible, total, mode;
    };
    for (const Refusal& each :
         {Refusal{"mode 4", kWidth, kHeight, 60, 4}, Refusal{"a negative width", -1, kHeight, 60, 0},
          Refusal{"negative lines", kWidth, -1, 60, 0}, Refusal{"a width no renderer takes", 16385, kHeight, 60, 0},
          Refusal{"too many lines", kWidth, kHeight, 65537, 0}}) {
        SCOPED_TRACE(each.what);
        EXPECT_FALSE(video->ScheduleRenderEvents(each.width, each.visible, each.total, kFrameRate, each.mode));
        EXPECT_EQ(machine.Bus()->EventCount(), 1);
        EXPECT_EQ(video->RenderStamp(), 1u);
        EXPECT_EQ(video->TotalLines(), kTotalLines);
    }

    // A new frame length retires the old event at its next firing.
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, 60, kFrameRate, 0));
    EXPECT_EQ(machine.Bus()->EventCount(), 2);
    EXPECT_EQ(video->RenderStamp(), 2u);
    for (int32_t tick = 0; tick < 40; ++tick) {
        machine.TickBus();
    }
    EXPECT_EQ(machine.Bus()->EventCount(), 1);
    EXPECT_EQ(machine.Bus()->EventAt(0)->tag, 2u);
}

TEST_F(RenderTimingTest, ProcessorLinesComeEveryLinesWorthOfCycles) {
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 2));
    ASSERT_EQ(cpu->events.size(), 1u);
    EXPECT_EQ(cpu->events[0].period, 3000000 / 2000);
    EXPECT_EQ(cpu->events[0].name, "_HiRenderEvent0");
    EXPECT_EQ(cpu->events[0].data, 1u);

    // Scanline rendering draws each line as its time comes and ends the frame after the last one.
    for (int32_t line = 0; line < kTotalLines - 1; ++line) {
        ASSERT_TRUE(cpu->FireNewest());
    }
    EXPECT_EQ(video->calls.size(), static_cast<size_t>(kTotalLines - 1));
    // The frame had no size for the first frame's lines yet: only its end gives it one.
    EXPECT_EQ(video->DrawnCalls(), 0);
    EXPECT_TRUE(cpu->FireNewest());
    EXPECT_TRUE(renderer.HasSize(kWidth, kHeight));
    video->calls.clear();
    for (int32_t line = 0; line < kTotalLines; ++line) {
        ASSERT_TRUE(cpu->FireNewest());
    }
    EXPECT_EQ(video->DrawnCalls(), kHeight);
    EXPECT_EQ(video->BlankCalls(), kTotalLines - kHeight);
    ExpectPatternThroughBmp(renderer);

    // A frame rate of 0 adds no event; the event of the schedule before then ends itself.
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, 0, 2));
    EXPECT_EQ(cpu->events.size(), 1u);
    EXPECT_FALSE(cpu->FireNewest());
}

TEST_F(RenderTimingTest, ProcessorLinesInFrameRenderingDrawTheFrameAtItsEnd) {
    common::SettingsTree settings;
    video->ExchangeSettings(&settings, false);
    settings.FindValue(common::NarrowString("RenderMode"))->SetI32(kFrameRendering);
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 2));
    for (int32_t line = 0; line < kTotalLines - 1; ++line) {
        ASSERT_TRUE(cpu->FireNewest());
    }
    EXPECT_TRUE(video->calls.empty());
    ASSERT_TRUE(cpu->FireNewest());
    EXPECT_EQ(video->DrawnCalls(), kHeight);
    EXPECT_EQ(video->BlankCalls(), kTotalLines - kHeight);
    EXPECT_TRUE(renderer.IsFramePending());
    ExpectPatternThroughBmp(renderer);
}

TEST_F(RenderTimingTest, DeferredBusLinesDrawTheFrameAtItsEnd) {
    cpu->defers = true;
    ASSERT_GT(machine.SetBusRate(4000, -1, false), 0);
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 1));
    ASSERT_TRUE(TickUntilFrame(machine, renderer, 100));
    // Each line had its blank call with its event index, then the frame end drew the visible lines.
    EXPECT_EQ(video->BlankCalls(), kTotalLines + kTotalLines - kHeight);
    EXPECT_EQ(video->DrawnCalls(), kHeight);
    EXPECT_EQ(video->calls[1].eventIndex, 1);
    ExpectPatternThroughBmp(renderer);
}

TEST_F(RenderTimingTest, FrameTimingTellsThePhasesAndDrawsAtPhaseZero) {
    ASSERT_GT(machine.SetBusRate(4000, -1, false), 0);
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 0));
    for (int32_t tick = 0; tick <= 20 * 8; ++tick) {
        machine.TickBus();
    }
    EXPECT_EQ(video->phases, (std::vector<int32_t>{0, 1, 2, 3, 0, 1, 2, 3}));
    // Two frames: the first drew every line, the second found them unchanged (one blank call each).
    EXPECT_EQ(video->DrawnCalls(), kHeight);
    EXPECT_EQ(video->BlankCalls(), (kTotalLines - kHeight) + kTotalLines);
    ExpectPatternThroughBmp(renderer);

    // A write into the screen redraws the whole frame at the next phase 0.
    video->calls.clear();
    machine.Memory()->WriteByte(TestVideoDevice::kScreenStart, 0xFF);
    for (int32_t tick = 0; tick < 20 * 4; ++tick) {
        machine.TickBus();
    }
    EXPECT_EQ(video->DrawnCalls(), kHeight);
    EXPECT_EQ(renderer.Row(0)[0], TestVideoDevice::kInk);
}

TEST_F(RenderTimingTest, HalfFramesAlternateBlankCallsAndTheFrame) {
    ASSERT_GT(machine.SetBusRate(4000, -1, false), 0);
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 3));
    // 100 firings a second: every 40th tick, the first after the one that only starts the count.
    std::vector<Call> first;
    for (int32_t tick = 0; tick <= 40 && first.empty(); ++tick) {
        first = TickCalls();
    }
    std::vector<Call> expected;
    for (int32_t line = kHeight + 1; line < kTotalLines; ++line) {
        expected.push_back({line, 0, false, false, -1});
    }
    expected.push_back({0, 0, false, false, -1});
    EXPECT_EQ(first, expected);

    std::vector<Call> second;
    for (int32_t tick = 0; tick < 40 && second.empty(); ++tick) {
        second = TickCalls();
    }
    ASSERT_EQ(second.size(), static_cast<size_t>(kHeight + 1));
    EXPECT_TRUE(second[0].withRow);
    EXPECT_EQ(second.back(), (Call{kHeight, 0, false, false, -1}));
    EXPECT_TRUE(renderer.IsFramePending());
    ExpectPatternThroughBmp(renderer);
}

TEST(RenderTimingRefusedFrameTest, ARefusedResizeDrawsNoVisibleLineAndEndsNoFrame) {
    RefusingRenderer refusing;
    VideoMachine machine;
    auto* video = machine.Add<TestVideoDevice>();
    machine.AttachRenderer(&refusing);
    ASSERT_TRUE(machine.PowerOn());
    ASSERT_GT(machine.SetBusRate(4000, -1, false), 0);
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 0));
    for (int32_t tick = 0; tick <= 20 * 4; ++tick) {
        machine.TickBus();
    }
    EXPECT_EQ(video->DrawnCalls(), 0);
    std::vector<Call> expected;
    for (int32_t line = kHeight; line < kTotalLines; ++line) {
        expected.push_back({line, 0, false, false, -1});
    }
    EXPECT_EQ(video->calls, expected);
    EXPECT_EQ(refusing.frameEnds, 0);
    machine.AttachRenderer(nullptr);
}

TEST_F(RenderTimingTest, PendingLinesOfAnUnchangedFrameGetOneBlankCallEach) {
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 2));
    EXPECT_TRUE(video->RenderPendingLines(false, false));
    EXPECT_EQ(video->DrawnCalls(), kHeight);
    video->calls.clear();
    EXPECT_FALSE(video->RenderPendingLines(false, false));
    EXPECT_EQ(video->BlankCalls(), kHeight);
    EXPECT_EQ(video->DrawnCalls(), 0);

    // A full redraw draws every line and makes no blank call; a partial one may leave out line 0.
    video->calls.clear();
    EXPECT_TRUE(video->RenderPendingLines(true, false));
    EXPECT_EQ(video->DrawnCalls(), kHeight);
    EXPECT_TRUE(video->calls[0].full);
    EXPECT_EQ(video->BlankCalls(), 0);
    video->calls.clear();
    renderer.InvalidateLine(0);
    renderer.InvalidateLine(5);
    EXPECT_TRUE(video->RenderPendingLines(false, true));
    EXPECT_EQ(video->DrawnCalls(), 1);
    EXPECT_EQ(video->calls.front().line, 1);
}

TEST_F(RenderTimingTest, EveryTimingDrawsTheFrameOfItsVideoMemory) {
    for (int32_t mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        OffscreenRenderer screen;
        VideoMachine target;
        LineCpu* processor = nullptr;
        TestVideoDevice* device = nullptr;
        ASSERT_TRUE(Build(target, processor, device, screen));
        ASSERT_GT(target.SetBusRate(4000, -1, false), 0);
        ASSERT_TRUE(device->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, mode));
        // Three frames' time: a line timing's first frame only sizes the renderer's frame.
        screen.MarkFrame(false);
        for (int32_t step = 0; step < 3 * kTotalLines; ++step) {
            if (mode == 2) {
                ASSERT_TRUE(processor->FireNewest());
            } else {
                target.TickBus();
                target.TickBus();
            }
        }
        EXPECT_TRUE(screen.IsFramePending());
        ExpectPatternThroughBmp(screen);
        EXPECT_FLOAT_EQ(screen.Aspect(), device->AspectFactor());
        target.AttachRenderer(nullptr);
    }
}

TEST_F(RenderTimingTest, ASavedMachineDrawsTheSameFrameInAFreshOne) {
    ASSERT_GT(machine.SetBusRate(4000, -1, false), 0);
    ASSERT_TRUE(video->ScheduleRenderEvents(kWidth, kHeight, kTotalLines, kFrameRate, 1));
    ASSERT_TRUE(TickUntilFrame(machine, renderer, 200));
    for (int32_t tick = 0; tick < 7; ++tick) {
        machine.TickBus();
    }
    const test_support::Bytes state = test_support::SavedState(machine);

    OffscreenRenderer screen;
    VideoMachine fresh;
    LineCpu* processor = nullptr;
    TestVideoDevice* device = nullptr;
    ASSERT_TRUE(Build(fresh, processor, device, screen));
    fresh.Memory()->WriteByte(TestVideoDevice::kScreenStart, 0);
    ASSERT_TRUE(test_support::LoadState(fresh, state));
    EXPECT_EQ(device->CurrentLine(), video->CurrentLine());
    EXPECT_EQ(device->LineAccumulator(), video->LineAccumulator());
    EXPECT_EQ(fresh.Bus()->EventCount(), 1);

    // Both go on line for line, and the fresh one draws the same frame.
    for (int32_t tick = 0; tick < 500; ++tick) {
        machine.TickBus();
        fresh.TickBus();
        ASSERT_EQ(device->CurrentLine(), video->CurrentLine());
    }
    ExpectPatternThroughBmp(screen);
    fresh.AttachRenderer(nullptr);
}

} // namespace
} // namespace emu
