#include "FakeWindows.h"

#include "gui/ImageIndicator.h"

#include "common/DirectColourImage.h"

#include <gtest/gtest.h>

namespace gui::testing {
namespace {

class CountingIndicator : public FakeWindow<ImageIndicatorBase> {
public:
    explicit CountingIndicator(common::Image* first = nullptr)
        : FakeWindow<ImageIndicatorBase>(first, kDockLeftFitted) {}
    ~CountingIndicator() override { MarkDestroying(); }
    void RefreshImage() override { ++refreshes; }
    int refreshes = 0;
};

// A 2 x 2 image; keyed images get a mask of their own transparent colour.
common::Image* MakeImage(bool keyed) {
    auto* image = new common::Argb32Image();
    image->Create(2, 2);
    image->SetPixelColour(0, 0, 0xFFFF0000);
    image->SetPixelColour(0, 1, 0xFF00FF00);
    image->SetPixelColour(1, 0, 0xFF00FF00);
    image->SetPixelColour(1, 1, 0xFF00FF00);
    image->KeyColour = 0xFF00FF00;
    image->KeyEnabled = keyed;
    return image;
}

TEST(ImageIndicatorTest, TheListKeepsImagesMasksAndTheCurrentIndex) {
    CountingIndicator indicator;
    EXPECT_EQ(indicator.GetCurrent(), 0);
    EXPECT_EQ(indicator.AddImage(MakeImage(true)), 0);
    EXPECT_EQ(indicator.refreshes, 1) << "the first image is the current one";
    EXPECT_EQ(indicator.AddImage(MakeImage(false)), 1);
    EXPECT_EQ(indicator.refreshes, 1);
    EXPECT_EQ(indicator.AddImage(nullptr), -1);

    ASSERT_NE(indicator.GetMask(0), nullptr);
    EXPECT_EQ(indicator.GetMask(0)->GetPixelIndex(0, 0), 1u) << "red shows";
    EXPECT_EQ(indicator.GetMask(0)->GetPixelIndex(1, 1), 0u) << "the key colour does not";
    EXPECT_EQ(indicator.GetMask(1), nullptr) << "no transparent colour, no mask";
    EXPECT_EQ(indicator.GetImage(2), nullptr);
    EXPECT_EQ(indicator.GetImage(-1), nullptr);
}

TEST(ImageIndicatorTest, ACurrentIndexOutsideTheListWaitsForItsImage) {
    CountingIndicator indicator(MakeImage(true));
    indicator.AddImage(MakeImage(true));
    indicator.AddImage(MakeImage(true));
    const int refreshes = indicator.refreshes;
    EXPECT_FALSE(indicator.SetCurrent(5));
    EXPECT_EQ(indicator.GetCurrent(), 5);
    EXPECT_EQ(indicator.refreshes, refreshes + 1);
    EXPECT_FALSE(indicator.SetCurrent(5));
    EXPECT_EQ(indicator.refreshes, refreshes + 1) << "unchanged";
    indicator.AddImage(MakeImage(true));
    indicator.AddImage(MakeImage(true));
    EXPECT_EQ(indicator.refreshes, refreshes + 1);
    indicator.AddImage(MakeImage(true));
    EXPECT_EQ(indicator.refreshes, refreshes + 2) << "the sixth image is the current one";
    EXPECT_TRUE(indicator.SetCurrent(2));
}

TEST(ImageIndicatorTest, ReplacingAnImageRenewsItsMask) {
    CountingIndicator indicator(MakeImage(false));
    indicator.AddImage(MakeImage(true));
    common::Image* first = indicator.GetImage(0);
    EXPECT_EQ(indicator.GetMask(0), nullptr);

    first->KeyEnabled = true;
    const int refreshes = indicator.refreshes;
    EXPECT_TRUE(indicator.SetImage(first, 0)) << "the very image it holds";
    EXPECT_EQ(indicator.GetImage(0), first);
    EXPECT_NE(indicator.GetMask(0), nullptr);
    EXPECT_EQ(indicator.refreshes, refreshes + 1) << "the current image";

    common::Image* replacement = MakeImage(false);
    EXPECT_TRUE(indicator.SetImage(replacement, 1));
    EXPECT_EQ(indicator.GetImage(1), replacement);
    EXPECT_EQ(indicator.GetMask(1), nullptr);
    EXPECT_EQ(indicator.refreshes, refreshes + 1) << "not the current one";

    std::unique_ptr<common::Image> refused(MakeImage(true));
    EXPECT_FALSE(indicator.SetImage(refused.get(), 2));
    EXPECT_FALSE(indicator.SetImage(nullptr, 0));
    EXPECT_EQ(indicator.GetImage(0), first);

    indicator.ClearImages();
    EXPECT_EQ(indicator.ImageCount(), 0);
    EXPECT_EQ(indicator.refreshes, refreshes + 2);
}

} // namespace
} // namespace gui::testing
