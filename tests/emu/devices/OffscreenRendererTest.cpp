#include "emu/devices/OffscreenRenderer.h"

#include "common/BmpCodec.h"
#include "common/MemoryStream.h"

#include <gtest/gtest.h>

#include <memory>

namespace emu {
namespace {

TEST(OffscreenRendererTest, ResizesWithoutAWindowAndTellsItsOwner) {
    OffscreenRenderer renderer;
    int32_t resizes = 0;
    renderer.SetResizeCallback(
        [](void* context) {
            ++*static_cast<int32_t*>(context);
            return true;
        },
        &resizes);
    ASSERT_TRUE(renderer.Resize(5, 3, false));
    EXPECT_EQ(resizes, 1);
    EXPECT_TRUE(renderer.HasSize(5, 3));
    EXPECT_EQ(renderer.Stride(), 20);
    EXPECT_EQ(renderer.Row(2) - renderer.Row(0), 10);
    EXPECT_EQ(renderer.Row(2)[4], Renderer::kDefaultBackground);
    EXPECT_TRUE(renderer.Resize(5, 3, false));
    EXPECT_EQ(resizes, 1);
    EXPECT_FALSE(renderer.Resize(5, Renderer::kMaxSide + 1, false));
    EXPECT_TRUE(renderer.HasSize(5, 3));
    ASSERT_TRUE(renderer.Resize(0, 0, false));
    EXPECT_EQ(renderer.Row(0), nullptr);
    EXPECT_EQ(resizes, 2);

    EXPECT_FALSE(renderer.SetTargetWindow(nullptr));
    EXPECT_FALSE(renderer.FitToClientArea());
    EXPECT_STREQ(renderer.Name(), "Offscreen");
    const std::unique_ptr<RendererBase> clone = renderer.Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_STREQ(clone->Name(), "Offscreen");
    EXPECT_TRUE(clone->HasSize(0, 0));
}

TEST(OffscreenRendererTest, PresentsOnlyFramesThatChanged) {
    OffscreenRenderer renderer;
    ASSERT_TRUE(renderer.Resize(4, 4, false));
    EXPECT_TRUE(renderer.MarkFrame(false));
    renderer.EndFrame(true, 0.0F);
    EXPECT_TRUE(renderer.MarkFrame(false));
    // The frame end took the dirty marks: an unchanged frame is not shown again.
    EXPECT_EQ(renderer.DirtyLineCount(), 0);
    renderer.EndFrame(true, 0.0F);
    EXPECT_FALSE(renderer.MarkFrame(false));
    renderer.ForceRedraw();
    renderer.MarkLineDrawn(1);
    renderer.EndFrame(true, 0.0F);
    EXPECT_TRUE(renderer.MarkFrame(false));
    EXPECT_TRUE(renderer.MarkFrame(true));
    renderer.EndFrame(true, 0.0F);
    EXPECT_TRUE(renderer.MarkFrame(false));
}

TEST(OffscreenRendererTest, ItsFrameIsWrittenAsABmpFileTheRightWayUp) {
    OffscreenRenderer renderer;
    ASSERT_TRUE(renderer.Resize(3, 2, false));
    renderer.Row(0)[0] = 0xFF112233;
    renderer.Row(1)[2] = 0xFF445566;
    common::MemoryStream file;
    file.Create(0, -1);
    ASSERT_TRUE(common::WriteBmp(file, *renderer.AsImage()));
    ASSERT_TRUE(file.Seek(0));
    const std::unique_ptr<common::Image> image = common::ReadBmp(file, common::BmpKind::Any);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->GetWidth(), 3);
    ASSERT_EQ(image->GetHeight(), 2);
    EXPECT_EQ(image->GetPixelColour(0, 0) & 0xFFFFFF, 0x112233u);
    EXPECT_EQ(image->GetPixelColour(1, 2) & 0xFFFFFF, 0x445566u);
    EXPECT_EQ(image->GetPixelColour(1, 0) & 0xFFFFFF, 0u);

    renderer.Free();
    EXPECT_EQ(renderer.Row(0), nullptr);
    file.Free();
    file.Create(0, -1);
    EXPECT_FALSE(common::WriteBmp(file, *renderer.AsImage()));
}

} // namespace
} // namespace emu
