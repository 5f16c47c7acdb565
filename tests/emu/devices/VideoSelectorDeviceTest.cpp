#include "emu/devices/VideoSelectorDevice.h"

#include "TestVideoDevice.h"
#include "VideoMachine.h"
#include "common/BasicOptionNode.h"
#include "common/SettingsTree.h"
#include "emu/core/TreeHelpers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace emu {
namespace {

// A selector of two test video devices, "A" and "B", in the test machine.
class VideoSelectorDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        selector = machine.Add<VideoSelectorDevice>("SCREEN");
        ASSERT_NE(selector, nullptr);
        auto first = std::make_unique<TestVideoDevice>("A");
        auto second = std::make_unique<TestVideoDevice>("B");
        a = first.get();
        b = second.get();
        ASSERT_TRUE(selector->AddChild(std::move(first)));
        ASSERT_TRUE(selector->AddChild(std::move(second)));
    }

    VideoMachine machine;
    VideoSelectorDevice* selector = nullptr;
    TestVideoDevice* a = nullptr;
    TestVideoDevice* b = nullptr;
};

TEST_F(VideoSelectorDeviceTest, ChildrenUseTheSelectorsSettings) {
    EXPECT_EQ(selector->RenderMode(), kScanlineRendering);
    EXPECT_EQ(selector->AspectIndex(), kDefaultAspectIndex);
    EXPECT_FALSE(a->KeepsOwnSettings());
    selector->SetAspectIndex(3);
    selector->SetRenderMode(kFrameRendering);
    EXPECT_EQ(a->AspectIndex(), 3);
    EXPECT_EQ(b->RenderMode(), kFrameRendering);

    selector->SetSelectedIndex(1);
    ASSERT_TRUE(machine.PowerOn());
    EXPECT_FALSE(a->IsEnabled());
    EXPECT_TRUE(b->IsRunning());
    EXPECT_FLOAT_EQ(b->AspectFactor(), 1.5F);
    // The child's own setting stayed as it was.
    b->ShareSettings(nullptr, nullptr);
    EXPECT_EQ(b->AspectIndex(), kDefaultAspectIndex);
}

TEST_F(VideoSelectorDeviceTest, TheSettingsAreKeptOnceInTheSelectorsSection) {
    common::SettingsTree settings;
    ASSERT_TRUE(selector->BuildSettingsSections(&settings, false));
    EXPECT_NE(settings.FindValue(common::NarrowString("RenderMode")), nullptr);
    EXPECT_NE(settings.FindValue(common::NarrowString("AspectIndex")), nullptr);
    EXPECT_NE(settings.FindValue(common::NarrowString("SelectedIndex")), nullptr);
    for (const char* child : {"A", "B"}) {
        const common::SettingsTree* section = settings.FindSection(common::NarrowString(child));
        EXPECT_TRUE(section == nullptr || section->FindValue(common::NarrowString("RenderMode")) == nullptr);
    }
    settings.FindValue(common::NarrowString("AspectIndex"))->SetI32(4);
    EXPECT_EQ(a->AspectIndex(), 4);

    common::SettingsTree enabledOnly;
    selector->ExchangeSettings(&enabledOnly, true);
    EXPECT_EQ(enabledOnly.FindValue(common::NarrowString("RenderMode")), nullptr);
}

TEST_F(VideoSelectorDeviceTest, ResetPutsTheSettingsBackInRange) {
    struct Case {
        int32_t renderMode, aspectIndex;
        bool inRange;
        int32_t renderModeAfter, aspectIndexAfter;
    };
    for (const Case& each : {Case{0, 5, true, 0, 5}, Case{3, 2, false, 1, 2}, Case{1, 9, false, 1, 0}}) {
        SCOPED_TRACE(testing::Message() << each.renderMode << ", " << each.aspectIndex);
        selector->SetRenderMode(each.renderMode);
        selector->SetAspectIndex(each.aspectIndex);
        EXPECT_EQ(selector->Reset(false), each.inRange);
        EXPECT_EQ(selector->RenderMode(), each.renderModeAfter);
        EXPECT_EQ(selector->AspectIndex(), each.aspectIndexAfter);
    }
}

TEST_F(VideoSelectorDeviceTest, OnlyRasterVideoDevicesAreAdopted) {
    EXPECT_FALSE(selector->AddChild(nullptr));
    EXPECT_FALSE(selector->AddChild(std::make_unique<Device>("PLAIN")));
    EXPECT_FALSE(selector->AddChild(std::make_unique<MemoryPageDevice>("PAGES")));
    EXPECT_EQ(selector->ChildCount(), 2);
}

TEST_F(VideoSelectorDeviceTest, TheViewMenuOffersTheSettingsOnce) {
    common::BasicOptionNode menu;
    menu.SetTextLookup([](int32_t id) { return common::WideString(std::to_string(id).c_str()); });
    selector->FillSettingsTree(&menu, OptionKind::Video);
    EXPECT_EQ(Outline(menu), "[40 41 - 42[43 - 4.0/3 4.3/3 4.5/3 4.7/3 4.9/3] -]");
    EXPECT_TRUE(menu.ChildAt(0)->Activate());
    EXPECT_EQ(b->RenderMode(), kFrameRendering);
}

} // namespace
} // namespace emu
