#include "emu/core/DeviceSelector.h"

#include "TreeHelpers.h"
#include "common/BasicOptionNode.h"
#include "common/StringList.h"
#include "support/RecordingDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using test_support::RecordingDevice;
using Log = std::vector<std::string>;

constexpr OptionKind kVideoMenu = OptionKind::Video;

// A selector of kind kVideoMenu over alternatives "V0", "V1", "V2".
class DeviceSelectorTest : public testing::Test {
protected:
    DeviceSelectorTest() : selector("VIDEO", nullptr, kVideoMenu) {
        for (const char* name : {"V0", "V1", "V2"}) {
            EXPECT_TRUE(selector.AddChild(std::make_unique<RecordingDevice>(name, log)));
        }
    }

    std::vector<bool> EnabledChildren() const {
        std::vector<bool> enabled;
        for (int32_t index = 0; index < selector.ChildCount(); ++index) {
            enabled.push_back(selector.ChildAt(index)->IsEnabled());
        }
        return enabled;
    }

    Log log;
    DeviceSelector selector;
};

TEST_F(DeviceSelectorTest, StartsOnlyTheSelectedAlternative) {
    selector.SetSelectedIndex(1);
    int32_t rate = 0;
    EXPECT_TRUE(selector.Start(rate));
    EXPECT_EQ(log, (Log{"V1 Start"}));
    EXPECT_EQ(EnabledChildren(), (std::vector<bool>{false, true, false}));
    EXPECT_TRUE(selector.IsRunning());
}

TEST_F(DeviceSelectorTest, ASelectionPastTheLastChildStartsNothing) {
    selector.SetSelectedIndex(3);
    int32_t rate = 0;
    EXPECT_FALSE(selector.Start(rate));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(selector.IsRunning());
    EXPECT_EQ(EnabledChildren(), (std::vector<bool>{true, true, true}));
}

TEST_F(DeviceSelectorTest, ANegativeSelectionDisablesEveryAlternative) {
    selector.SetSelectedIndex(-1);
    EXPECT_FALSE(selector.SelectChild());
    EXPECT_EQ(EnabledChildren(), (std::vector<bool>{false, false, false}));
    int32_t rate = 0;
    EXPECT_TRUE(selector.Start(rate));
    EXPECT_TRUE(log.empty());
}

TEST_F(DeviceSelectorTest, ResetPutsASelectionOutOfRangeBackToTheFirst) {
    struct Case {
        int32_t selected;
        bool answer;
        int32_t after;
    };
    for (const Case& test : {Case{-1, false, 0}, Case{3, false, 0}, Case{2, true, 2}, Case{0, true, 0}}) {
        selector.SetSelectedIndex(test.selected);
        EXPECT_EQ(selector.Reset(false), test.answer) << test.selected;
        EXPECT_EQ(selector.SelectedIndex(), test.after) << test.selected;
    }
}

TEST_F(DeviceSelectorTest, DescribesWhatItsEnabledAlternativesDescribe) {
    class Described : public Device {
    public:
        using Device::Device;
        bool DescribeState(common::List& lines, bool, int32_t) override {
            lines.Add(Name());
            return true;
        }
    };
    DeviceSelector two("TWO");
    ASSERT_TRUE(two.AddChild(std::make_unique<Described>("A")));
    ASSERT_TRUE(two.AddChild(std::make_unique<Described>("B")));
    common::StringList lines;
    two.SetSelectedIndex(1);
    two.SelectChild();
    EXPECT_TRUE(two.DescribeState(lines, false, 0));
    ASSERT_EQ(lines.Count(), 1);
    EXPECT_EQ(lines.At(0)->Compare("B"), 0);
    EXPECT_FALSE(selector.DescribeState(lines, false, 0));
}

// Adds a check item of its own name to any menu but its parent's trace item.
class ItemDevice : public Device {
public:
    using Device::Device;
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override {
        Device::FillSettingsTree(item, kind);
        if (kind != OptionKind::TraceOuter) {
            item->AddToggleItem(Name(), &flag, true, nullptr, true);
        }
    }

private:
    bool flag = false;
};

TEST(DeviceSelectorMenuTest, OwnMenuOffersEachAlternativeWhileStopped) {
    DeviceSelector selector("VIDEO", nullptr, kVideoMenu);
    ASSERT_TRUE(selector.AddChild(std::make_unique<ItemDevice>("COLOUR")));
    ASSERT_TRUE(selector.AddChild(std::make_unique<ItemDevice>("MONO")));
    selector.SetTitle(0, common::NarrowString("Colour screen"));
    common::BasicOptionNode menu;
    menu.AddItem(common::NarrowString("before"));
    selector.FillSettingsTree(&menu, kVideoMenu);
    EXPECT_EQ(Outline(menu), "[before - Colour screen[Selected - COLOUR] MONO[Selected - MONO]]");

    common::OptionNode* monoChoice = menu.ChildAt(3)->ChildAt(0);
    EXPECT_FALSE(monoChoice->IsChecked());
    EXPECT_TRUE(monoChoice->Activate());
    EXPECT_EQ(selector.SelectedIndex(), 1);
    int32_t rate = 0;
    ASSERT_TRUE(selector.Start(rate));
    EXPECT_FALSE(monoChoice->IsEnabled());
    EXPECT_FALSE(menu.ChildAt(2)->IsEnabled());
}

TEST(DeviceSelectorMenuTest, TraceMenuUnwrapsALoneSubMenu) {
    DeviceSelector selector("VIDEO", nullptr, kVideoMenu);
    auto lone = std::make_unique<Device>("LONE");
    ASSERT_TRUE(lone->AddChild(std::make_unique<ItemDevice>("REG")));
    ASSERT_TRUE(selector.AddChild(std::move(lone)));
    ASSERT_TRUE(selector.AddChild(std::make_unique<ItemDevice>("PLAIN")));
    selector.SetTitle(0, common::NarrowString("ignored outside the own menu"));
    selector.SetTitle(5, common::NarrowString("no such alternative"));
    common::BasicOptionNode menu;
    selector.FillSettingsTree(&menu, OptionKind::Trace);
    EXPECT_EQ(Outline(menu), "[LONE[REG] PLAIN[PLAIN]]");
}

} // namespace
} // namespace emu
