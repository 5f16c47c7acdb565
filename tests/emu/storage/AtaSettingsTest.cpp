#include "AtaMachine.h"
#include "common/BasicOptionNode.h"
#include "common/SettingsTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace emu {
namespace {

std::string TextOf(const common::OptionNode* node) {
    common::NarrowString text;
    text.Assign(node->Text());
    return std::string(text.View());
}

TEST(AtaSettingsTest, EachDriveBindsItsCommandSwitchesUnder72Keys) {
    AtaMachine ata;
    AtaDrive& drive = ata.Drive(1);
    common::SettingsTree settings;
    drive.ExchangeSettings(&settings, false);
    ata::CommandSwitches& switches = drive.CommandTraces();
    struct Array {
        const char* name;
        bool* flags;
        int32_t count;
    };
    const Array arrays[] = {
        {"TraceATAPICmd", switches.traceAtapi.data(), ata::kAtapiCommandRows},
        {"BreakATAPICmd", switches.breakAtapi.data(), ata::kAtapiCommandRows},
        {"TraceATACmd", switches.traceAta.data(), ata::kAtaCommandRows},
        {"BreakATACmd", switches.breakAta.data(), ata::kAtaCommandRows},
    };
    for (const Array& array : arrays) {
        for (int32_t index = 0; index <= array.count; ++index) {
            const std::string key = std::string(array.name) + "[" + std::to_string(index) + "]";
            common::BoundValue* value = settings.FindValue(common::NarrowString(key.c_str()));
            if (index == array.count) {
                EXPECT_EQ(value, nullptr) << key;
                continue;
            }
            ASSERT_NE(value, nullptr) << key;
            EXPECT_TRUE(value->SetBool(true)) << key;
            EXPECT_TRUE(array.flags[index]) << key;
        }
    }
}

TEST(AtaSettingsTest, TheSettingOfARowTracesItsCommand) {
    AtaMachine ata;
    ata.PowerUp();
    common::SettingsTree settings;
    ata.Drive(0).ExchangeSettings(&settings, false);
    settings.FindValue(common::NarrowString("TraceATACmd[11]"))->SetBool(true);
    ata.Write(kCommandPort, 0xEC);
    ata.Write(kCommandPort, 0x20);
    EXPECT_EQ(ata.console.Texts(), std::vector<std::string>{"[HDD ATA] =>COMMAND = ECh (identify drive)"});
}

class AtaTraceMenuTest : public ::testing::Test {
protected:
    void SetUp() override { ata.Controller().FillSettingsTree(&menu, OptionKind::Trace); }

    common::OptionNode* Item(const char* text) const {
        for (int32_t index = 0; index < menu.ChildCount(); ++index) {
            if (TextOf(menu.ChildAt(index)) == text) {
                return menu.ChildAt(index);
            }
        }
        ADD_FAILURE() << text;
        return nullptr;
    }

    // How many switches of each kind are on, over both drives: ATA trace, ATA break, ATAPI trace, ATAPI break.
    std::vector<int32_t> Counts() const {
        std::vector<int32_t> counts(4, 0);
        for (int32_t index = 0; index < 2; ++index) {
            const ata::CommandSwitches& switches = ata.Drive(index).CommandTraces();
            counts[0] += static_cast<int32_t>(std::count(switches.traceAta.begin(), switches.traceAta.end(), true));
            counts[1] += static_cast<int32_t>(std::count(switches.breakAta.begin(), switches.breakAta.end(), true));
            counts[2] += static_cast<int32_t>(std::count(switches.traceAtapi.begin(), switches.traceAtapi.end(), true));
            counts[3] += static_cast<int32_t>(std::count(switches.breakAtapi.begin(), switches.breakAtapi.end(), true));
        }
        return counts;
    }

    AtaMachine ata;
    common::BasicOptionNode menu;
};

TEST_F(AtaTraceMenuTest, GroupsPerDriveThenTheButtonsForAll) {
    std::vector<std::string> texts;
    for (int32_t index = 0; index < menu.ChildCount(); ++index) {
        texts.push_back(menu.ChildAt(index)->IsSeparator() ? "-" : TextOf(menu.ChildAt(index)));
    }
    const std::vector<std::string> expected = {"Trace ATA/IDE Drive 0",
                                               "Trace ATA/IDE Drive 1",
                                               "Trace ATAPI Drive 1",
                                               "Trace All",
                                               "-",
                                               "Break On ATA/IDE Drive 0",
                                               "Break On ATA/IDE Drive 1",
                                               "Break On ATAPI Drive 1",
                                               "Break On All",
                                               "-",
                                               "Select All",
                                               "Clear All"};
    EXPECT_EQ(texts, expected);
    const common::OptionNode* ataGroup = Item("Break On ATA/IDE Drive 1");
    ASSERT_EQ(ataGroup->ChildCount(), 23);
    EXPECT_EQ(TextOf(ataGroup->ChildAt(11)), "ECh - Identify Drive");
    EXPECT_TRUE(ataGroup->ChildAt(20)->IsSeparator());
    EXPECT_EQ(TextOf(ataGroup->ChildAt(21)), "Select All");
    const common::OptionNode* atapiGroup = Item("Trace ATAPI Drive 1");
    ASSERT_EQ(atapiGroup->ChildCount(), 19);
    EXPECT_EQ(TextOf(atapiGroup->ChildAt(13)), "1A/5Ah - Mode Sense (get parameters)");
}

TEST_F(AtaTraceMenuTest, EachItemSetsExactlyItsSwitches) {
    Item("Trace ATA/IDE Drive 1")->ChildAt(11)->Activate();
    EXPECT_TRUE(ata.Drive(1).CommandTraces().traceAta[11]);
    EXPECT_EQ(Counts(), (std::vector<int32_t>{1, 0, 0, 0}));
    Item("Break On ATAPI Drive 1")->ChildAt(17)->Activate();
    EXPECT_EQ(Counts(), (std::vector<int32_t>{1, 0, 0, 16}));
    Item("Break On ATAPI Drive 1")->ChildAt(18)->Activate();
    Item("Trace All")->Activate();
    EXPECT_EQ(Counts(), (std::vector<int32_t>{40, 0, 16, 0}));
    Item("Break On All")->Activate();
    EXPECT_EQ(Counts(), (std::vector<int32_t>{40, 40, 16, 16}));
    Item("Clear All")->Activate();
    EXPECT_EQ(Counts(), (std::vector<int32_t>{0, 0, 0, 0}));
    Item("Select All")->Activate();
    EXPECT_EQ(Counts(), (std::vector<int32_t>{40, 40, 16, 16}));
    Item("Trace ATA/IDE Drive 0")->ChildAt(22)->Activate();
    EXPECT_EQ(Counts(), (std::vector<int32_t>{20, 40, 16, 16}));
    EXPECT_TRUE(Item("Trace ATA/IDE Drive 1")->ChildAt(0)->IsChecked());
    EXPECT_FALSE(Item("Trace ATA/IDE Drive 0")->ChildAt(0)->IsChecked());
}

} // namespace
} // namespace emu
