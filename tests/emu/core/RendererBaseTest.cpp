#include "emu/core/RendererBase.h"

#include "FrameRenderer.h"
#include "emu/core/NullRenderer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace emu {
namespace {

constexpr uint32_t kOne = 0xFFAA0000;
constexpr uint32_t kZero = 0xFF0000BB;
constexpr uint32_t kUntouched = Renderer::kDefaultBackground;

class RendererBaseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(renderer.Resize(16, 4, false)); }

    // Line 0 as text: 1 and 0 for the two plot colours, . for a pixel left alone.
    std::string RowText(int32_t y) const {
        std::string text;
        for (int32_t x = 0; x < renderer.GetWidth(); ++x) {
            const uint32_t pixel = renderer.Row(y)[x];
            text += pixel == kOne ? '1' : pixel == kZero ? '0' : pixel == kUntouched ? '.' : '?';
        }
        return text;
    }

    FrameRenderer renderer;
};

TEST_F(RendererBaseTest, LineMarksFollowDrawingInvalidationAndForcedRedraws) {
    enum class Step { Draw, Invalidate, Force };
    struct Case {
        const char* what;
        Step step;
        int32_t line;
        int32_t forced, undrawn, dirty;
        uint8_t mark;
        bool needed;
    };
    constexpr uint8_t kDrawnDirty = line::kDrawn | line::kDirty;
    // Each case goes on from the state the one before left; the frame has 4 lines.
    const std::vector<Case> cases = {
        {"a first draw marks the line drawn and dirty", Step::Draw, 1, 0, 3, 1, kDrawnDirty, false},
        {"drawing a drawn line again changes nothing", Step::Draw, 1, 0, 3, 1, kDrawnDirty, false},
        {"a forced redraw asks for every line", Step::Force, 1, 4, 3, 1, kDrawnDirty, true},
        {"a drawn line under a forced redraw counts it down", Step::Draw, 1, 3, 3, 1, kDrawnDirty, true},
        {"and so does the next one", Step::Draw, 1, 2, 3, 1, kDrawnDirty, true},
        {"an undrawn line under a forced redraw", Step::Draw, 2, 1, 2, 2, kDrawnDirty, true},
        {"invalidating a drawn line", Step::Invalidate, 1, 1, 3, 2, line::kDirty, true},
        {"invalidating it again", Step::Invalidate, 1, 1, 3, 2, line::kDirty, true},
        {"the last forced draw", Step::Draw, 1, 0, 2, 2, kDrawnDirty, false},
        {"a line past the frame is never marked", Step::Draw, 4, 0, 2, 2, 0, false},
        {"nor one before it", Step::Invalidate, -1, 0, 2, 2, 0, false},
    };
    EXPECT_EQ(renderer.UndrawnLineCount(), 4);
    EXPECT_TRUE(renderer.HasLinesToDraw());
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        switch (each.step) {
        case Step::Draw:
            renderer.MarkLineDrawn(each.line);
            break;
        case Step::Invalidate:
            renderer.InvalidateLine(each.line);
            break;
        case Step::Force:
            renderer.ForceRedraw();
            break;
        }
        EXPECT_EQ(renderer.ForcedRedrawCount(), each.forced);
        EXPECT_EQ(renderer.UndrawnLineCount(), each.undrawn);
        EXPECT_EQ(renderer.DirtyLineCount(), each.dirty);
        if (each.line >= 0 && each.line < 4) {
            EXPECT_EQ(renderer.LineMark(each.line), each.mark);
        }
        EXPECT_EQ(renderer.NeedsLine(each.line), each.needed);
    }
    // A resize starts the marks afresh.
    ASSERT_TRUE(renderer.Resize(8, 3, false));
    EXPECT_EQ(renderer.UndrawnLineCount(), 3);
    EXPECT_EQ(renderer.DirtyLineCount(), 0);
    EXPECT_EQ(renderer.LineMark(1), 0);
}

TEST_F(RendererBaseTest, FramesArePendingOnlyWhenSomethingChanged) {
    // A new renderer has a frame to offer, once.
    EXPECT_TRUE(renderer.MarkFrame(false));
    EXPECT_FALSE(renderer.MarkFrame(false));
    // The resize asked for a full redraw, which the first frame end carries out.
    renderer.EndFrame(true, 1.25F);
    EXPECT_EQ(renderer.DirtyLineCount(), 4);
    EXPECT_TRUE(renderer.MarkFrame(false));
    EXPECT_FLOAT_EQ(renderer.Aspect(), 1.25F);

    // Nothing drawn since the presenter took the marks: nothing to show.
    renderer.TakeDirtyLines();
    renderer.EndFrame(true, 1.25F);
    EXPECT_FALSE(renderer.MarkFrame(false));
    // One line drawn: the frame is shown again.
    renderer.MarkLineDrawn(2);
    renderer.EndFrame(true, 1.25F);
    EXPECT_EQ(renderer.DirtyLineCount(), 1);
    EXPECT_TRUE(renderer.MarkFrame(false));

    // A full redraw request marks every line at the next frame end, drawn or not.
    renderer.TakeDirtyLines();
    EXPECT_TRUE(renderer.MarkFrame(true));
    EXPECT_FALSE(renderer.IsFramePending());
    renderer.EndFrame(true, 1.25F);
    EXPECT_EQ(renderer.DirtyLineCount(), 4);
    for (int32_t line = 0; line < 4; ++line) {
        EXPECT_EQ(renderer.LineMark(line) & line::kDirty, line::kDirty);
    }
    EXPECT_TRUE(renderer.MarkFrame(false));
}

TEST_F(RendererBaseTest, TheFrameEndCallbackThatDrewRedrawsEverything) {
    renderer.EndFrame(true, 0.0F);
    renderer.TakeDirtyLines();
    renderer.MarkFrame(false);

    struct Overlay {
        bool draws = false;
        int32_t calls = 0;
    } overlay;
    renderer.SetFrameEndCallback(
        [](void* context) {
            auto* state = static_cast<Overlay*>(context);
            ++state->calls;
            return state->draws;
        },
        &overlay);
    renderer.EndFrame(true, 0.0F);
    EXPECT_FALSE(renderer.MarkFrame(false));
    overlay.draws = true;
    renderer.EndFrame(true, 0.0F);
    EXPECT_EQ(renderer.DirtyLineCount(), 4);
    EXPECT_TRUE(renderer.MarkFrame(false));
    EXPECT_EQ(overlay.calls, 2);

    renderer.SetFrameEndCallback(nullptr, &overlay);
    renderer.EndFrame(true, 0.0F);
    EXPECT_EQ(overlay.calls, 2);
}

TEST(RendererTallFrameTest, LinesChangedInAFrameOfTheMarkTableSizeOrTallerAreShown) {
    for (const int32_t height : {2048, 2100}) {
        SCOPED_TRACE(height);
        FrameRenderer renderer;
        ASSERT_TRUE(renderer.Resize(2, height, false));
        EXPECT_EQ(renderer.UndrawnLineCount(), 2048);
        renderer.EndFrame(true, 0.0F);
        EXPECT_EQ(renderer.DirtyLineCount(), 2048);
        renderer.TakeDirtyLines();
        renderer.MarkFrame(false);
        renderer.MarkLineDrawn(100);
        renderer.EndFrame(true, 0.0F);
        EXPECT_TRUE(renderer.MarkFrame(false));
    }
}

TEST_F(RendererBaseTest, PlotMask64DrawsRightToLeftClippedToTheFrame) {
    struct Case {
        const char* what;
        int32_t x, y, dx, lines;
        uint64_t mask;
        int32_t count;
        std::string row0, row1;
    };
    const std::vector<Case> cases = {
        {"a byte at columns 7..0", 7, 0, -8, 1, 0x01, 8, "00000001........", "................"},
        {"cut on the right: bits 5..7 at 15..13", 20, 0, -8, 1, 0xA0, 3, ".............101", "................"},
        {"cut on the left: each line takes 8 bits", 3, 0, -8, 2, 0x0306, 4 + 4, "0110............", "0011............"},
        {"a line above the frame counts whole", 7, -1, -8, 2, 0xFF01, 16, "11111111........", "................"},
        {"columns left of the frame", -1, 0, -8, 2, 0xFF, 16, "................", "................"},
        {"columns right of the frame", 30, 0, -8, 1, 0xFF, 8, "................", "................"},
        {"a line below the frame", 7, 3, -8, 3, 0x0F, 24, "................", "................"},
        {"64 pixels end the call", 15, 0, -16, 8, 0x8000000000000001, 64, "0000000000000001", "0000000000000000"},
        {"skipped lines that reach 64 end it too", 15, -8, -8, 20, 0, 64, "................", "................"},
        {"no lines", 7, 0, -8, 0, 0xFF, 0, "................", "................"},
        {"dx not negative", 7, 0, 8, 1, 0xFF, 0, "................", "................"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        renderer.Fill(kUntouched, -1);
        EXPECT_EQ(renderer.PlotMask64(each.x, each.y, each.dx, each.lines, static_cast<uint32_t>(each.mask),
                                      static_cast<uint32_t>(each.mask >> 32), kOne, kZero),
                  each.count);
        EXPECT_EQ(RowText(0), each.row0);
        EXPECT_EQ(RowText(1), each.row1);
    }
    FrameRenderer empty;
    EXPECT_EQ(empty.PlotMask64(7, 0, -8, 1, 1, 0, kOne, kZero), 0);
}

TEST_F(RendererBaseTest, BackgroundColourAndFree) {
    renderer.EndFrame(true, 0.0F);
    renderer.MarkFrame(false);
    renderer.SetBackgroundColour(Renderer::kDefaultBackground);
    EXPECT_FALSE(renderer.IsFramePending());
    renderer.SetBackgroundColour(0xFF102030);
    EXPECT_EQ(renderer.BackgroundColour(), 0xFF102030u);
    EXPECT_TRUE(renderer.MarkFrame(false));

    renderer.Free();
    EXPECT_EQ(renderer.BackgroundColour(), Renderer::kDefaultBackground);
    EXPECT_TRUE(renderer.IsFramePending());
    EXPECT_TRUE(renderer.HasSize(0, 0));
    EXPECT_EQ(renderer.Row(0), nullptr);
    EXPECT_EQ(renderer.Stride(), 0);
}

TEST_F(RendererBaseTest, ResizeRefusesSidesOutOfRangeAndKeepsTheFrame) {
    EXPECT_FALSE(renderer.Resize(-1, 4, false));
    EXPECT_FALSE(renderer.Resize(16, Renderer::kMaxSide + 1, false));
    EXPECT_FALSE(renderer.Resize(INT32_MAX, INT32_MAX, false));
    EXPECT_TRUE(renderer.HasSize(16, 4));
    ASSERT_NE(renderer.Row(3), nullptr);
    EXPECT_EQ(renderer.Stride(), 64);
    EXPECT_EQ(renderer.Row(3)[15], Renderer::kDefaultBackground);
    EXPECT_EQ(renderer.Row(1) - renderer.Row(0), 16);

    // A window renderer's resize to the client area passes true; the flag alone reallocates.
    renderer.MarkLineDrawn(0);
    EXPECT_TRUE(renderer.Resize(16, 4, true));
    EXPECT_EQ(renderer.LineMark(0), 0);
    // Without a window there is nothing to fit to.
    EXPECT_FALSE(renderer.FitToClientArea());
}

TEST_F(RendererBaseTest, FlagsAndPointScaling) {
    EXPECT_FALSE(renderer.TestFlag(false));
    renderer.SetFlag(true);
    EXPECT_TRUE(renderer.TestFlag(false));
    EXPECT_FALSE(renderer.TestFlag(true));
    EXPECT_FALSE(renderer.TestFlag(false));
    double x = 0;
    double y = 0;
    EXPECT_TRUE(renderer.ScalePoint(3.5, -2.0, x, y));
    EXPECT_EQ(x, 3.5);
    EXPECT_EQ(y, -2.0);
    EXPECT_STREQ(renderer.Name(), "No Draw");
    EXPECT_EQ(renderer.Clone(), nullptr);
}

TEST(NullRendererTest, NeverGetsAFrame) {
    NullRenderer renderer;
    EXPECT_TRUE(renderer.IsAvailable());
    EXPECT_FALSE(renderer.Resize(64, 32, false));
    EXPECT_TRUE(renderer.HasSize(0, 0));
    EXPECT_FALSE(renderer.NeedsLine(0));
    EXPECT_FALSE(renderer.SetTargetWindow(nullptr));
    EXPECT_FALSE(renderer.FitToClientArea());
    EXPECT_FALSE(renderer.FillBackground(0));
    EXPECT_STREQ(renderer.Name(), "No Rendering");
    const std::unique_ptr<RendererBase> clone = renderer.Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_STREQ(clone->Name(), "No Rendering");
    EXPECT_NE(dynamic_cast<NullRenderer*>(clone.get()), nullptr);
    // Its frame state still works: the first presentation finds a frame pending.
    EXPECT_TRUE(renderer.MarkFrame(false));
    EXPECT_FALSE(renderer.MarkFrame(false));
}

} // namespace
} // namespace emu
