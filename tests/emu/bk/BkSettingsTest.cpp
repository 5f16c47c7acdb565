// The settings of the BK machine and its devices: their keys with their defaults, kept between runs in the family's
// settings file; and the items they give the menus.
#include "BkRun.h"
#include "OptionMenu.h"
#include "common/BasicOptionNode.h"
#include "common/SettingsTree.h"
#include "emu/bk/BkVideo.h"
#include "emu/bk/CovoxDac.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace emu {
namespace {

// A key of a device's section (the machine's own for none), its default and another value in range.
struct Setting {
    const char* section;
    std::string key;
    int32_t standard;
    int32_t changed;
    bool isBool = true;
};

std::vector<Setting> BkSettings() {
    std::vector<Setting> settings = {
        {nullptr, "BreakBinStart", 0, 1},
        {nullptr, "StretchScreen", 1, 0},
        {"Video Device", "ScreenMode", 0, 2, false},
        {"Video Device", "AltColors", 0, 1},
        {"Video Device", "TraceReadSCROLL", 0, 1},
        {"Video Device", "BreakReadSCROLL", 0, 1},
        {"Video Device", "TraceWriteSCROLL", 0, 1},
        {"Video Device", "BreakWriteSCROLL", 0, 1},
        {"Video Device", "RenderMode", 1, 0, false},
        {"Video Device", "AspectIndex", 0, 5, false},
        {"Keyboard", "TraceReadSTATE", 0, 1},
        {"Keyboard", "BreakReadSTATE", 0, 1},
        {"Keyboard", "TraceWriteSTATE", 0, 1},
        {"Keyboard", "BreakWriteSTATE", 0, 1},
        {"Keyboard", "TraceReadDATA", 0, 1},
        {"Keyboard", "BreakReadDATA", 0, 1},
        {"Keyboard", "AllowJoystick", 1, 0},
        {"Keyboard", "NumpadMode", 0, 0, false},
        {"BK Speaker", "EnableSound", 1, 0},
        {"BK Speaker", "SoundFreq", 0, 3, false},
        {"Covox DAC", "Normalize", 1, 0},
        {"Covox DAC", "EnableSound", 1, 0},
        {"Covox DAC", "SoundFreq", 0, 2, false},
    };
    for (const char* name : {"TraceWriteSysReg", "BreakWriteSysReg", "TraceReadSysReg", "BreakReadSysReg"}) {
        for (int32_t index = 0; index < 10; ++index) {
            settings.push_back({nullptr, std::string(name) + "[" + std::to_string(index) + "]", 0, 1});
        }
    }
    for (const char* name : {"TraceReadREG", "TraceWriteREG", "BreakReadREG", "BreakWriteREG"}) {
        for (int32_t index = 0; index < 3; ++index) {
            settings.push_back({"Timer (undoc)", std::string(name) + "[" + std::to_string(index) + "]", 0, 1});
        }
    }
    return settings;
}

common::BoundValue* Find(const common::SettingsTree& root, const Setting& setting) {
    const common::SettingsTree* section =
        setting.section != nullptr ? root.FindSection(common::NarrowString(setting.section)) : &root;
    return section != nullptr ? section->FindValue(common::NarrowString(setting.key.c_str())) : nullptr;
}

int32_t ValueOf(const common::BoundValue& value, bool isBool) {
    if (isBool) {
        bool flag = false;
        return value.GetBool(flag) ? static_cast<int32_t>(flag) : -1;
    }
    int32_t number = -1;
    return value.GetI32(number) ? number : -1;
}

TEST(BkSettingsTest, EveryKeyHasItsDefaultAndComesBackFromTheSettingsFile) {
    test_support::TemporaryFolder root;
    std::filesystem::create_directories(root.Path() / "appdata");
    const common::ProgramFolders folders{u"/Program Files/ZOV/zovbk.exe", (root.Path() / "appdata").u16string()};
    test_support::BkTestMachine saving;
    saving.SetFolders(folders);
    common::SettingsTree tree;
    ASSERT_TRUE(saving.BuildSettingsSections(&tree, false));
    for (const Setting& setting : BkSettings()) {
        SCOPED_TRACE(setting.key);
        common::BoundValue* value = Find(tree, setting);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(ValueOf(*value, setting.isBool), setting.standard);
        ASSERT_TRUE(setting.isBool ? value->SetBool(setting.changed != 0) : value->SetI32(setting.changed));
    }
    ASSERT_TRUE(saving.SaveSettings());

    test_support::BkTestMachine loading;
    loading.SetFolders(folders);
    ASSERT_TRUE(loading.LoadSettings());
    common::SettingsTree loaded;
    ASSERT_TRUE(loading.BuildSettingsSections(&loaded, false));
    for (const Setting& setting : BkSettings()) {
        SCOPED_TRACE(setting.key);
        common::BoundValue* value = Find(loaded, setting);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(ValueOf(*value, setting.isBool), setting.changed);
    }
}

TEST(BkSettingsTest, ResetPutsAScreenModeBeyond2BackTo0) {
    test_support::BkTestMachine machine;
    machine.Video()->SetScreenMode(3);
    EXPECT_FALSE(machine.Reset(false));
    EXPECT_EQ(machine.Video()->ScreenMode(), 0);
    EXPECT_TRUE(machine.Reset(false));
}

// Items made from a text id show the id.
void ShowTextIds(common::OptionNode& root) {
    root.SetTextLookup([](int32_t id) { return common::WideString(std::to_string(id).c_str()); });
}

std::vector<std::string> Menu(BkMachine& machine, OptionKind kind) {
    common::BasicOptionNode root;
    ShowTextIds(root);
    machine.FillSettingsTree(&root, kind);
    std::vector<std::string> captions;
    Captions(root, "", captions);
    return captions;
}

TEST(BkSettingsTest, TheTraceMenuHoldsEachDevicesSwitches) {
    test_support::BkTestMachine machine;
    const std::vector<std::string> menu = Menu(machine, OptionKind::Trace);
    const auto contains = [&menu](const std::vector<std::string>& part) {
        return std::search(menu.begin(), menu.end(), part.begin(), part.end()) != menu.end();
    };
    EXPECT_TRUE(
        contains({"Video Device", "  Trace Registers", "    Write SCROLL", "    Read SCROLL", "    -", "    Select All",
                  "    Clear All", "  Trace All", "  -", "  Break On Registers", "    Write SCROLL", "    Read SCROLL",
                  "    -", "    Select All", "    Clear All", "  Break On All", "  -", "  Select All", "  Clear All"}));
    EXPECT_TRUE(contains({"Keyboard", "  Trace Read State Reg", "  Trace Write State Reg", "  Trace Read Data Reg",
                          "  Trace All", "  -", "  Break On Read State Reg", "  Break On Write State Reg",
                          "  Break On Read Data Reg", "  Break All", "  -", "  Select All", "  Clear All"}));
    EXPECT_TRUE(contains({"Timer (undoc)", "  Trace Registers", "    Write MODE", "    Read MODE", "    Write INIT",
                          "    Read INIT", "    Write COUNT", "    Read COUNT", "    -", "    Select All",
                          "    Clear All", "  -", "  Break On Registers"}));

    common::BasicOptionNode root;
    machine.FillSettingsTree(&root, OptionKind::Trace);
    const common::OptionNode* timer = Item(root, {"Timer (undoc)"});
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->IsChecked());
    common::OptionNode* readCount = const_cast<common::OptionNode*>(Item(*timer, {"Break On Registers", "Read COUNT"}));
    ASSERT_NE(readCount, nullptr);
    EXPECT_TRUE(readCount->Activate());
    EXPECT_TRUE(timer->IsChecked()) << "a switch on shows on its device";
    common::OptionNode* clear = const_cast<common::OptionNode*>(Item(*timer, {"Clear All"}));
    ASSERT_NE(clear, nullptr);
    clear->Activate();
    EXPECT_FALSE(timer->IsChecked());
}

TEST(BkSettingsTest, TheViewSoundAndInputMenus) {
    test_support::BkTestMachine machine;
    // By text id: the three screen modes and "Alternate Colors".
    const std::vector<std::string> view = Menu(machine, OptionKind::Video);
    const std::vector<std::string> screenModes = {"-", "93", "94", "95", "-", "92"};
    EXPECT_NE(std::search(view.begin(), view.end(), screenModes.begin(), screenModes.end()), view.end());

    common::BasicOptionNode root;
    ShowTextIds(root);
    machine.FillSettingsTree(&root, OptionKind::Video);
    common::OptionNode* colour = const_cast<common::OptionNode*>(Item(root, {"95"}));
    ASSERT_NE(colour, nullptr);
    EXPECT_TRUE(colour->Activate());
    EXPECT_EQ(machine.Video()->ScreenMode(), BkVideo::kColour);
    EXPECT_TRUE(colour->IsChecked());

    // "Enable Sound", the four rates, "Normalize (preliminary)".
    const std::vector<std::string> sound = Menu(machine, OptionKind::Sound);
    const std::vector<std::string> speaker = {"BK Speaker", "  69", "  -", "  84", "  85", "  86", "  87"};
    EXPECT_NE(std::search(sound.begin(), sound.end(), speaker.begin(), speaker.end()), sound.end());
    const std::vector<std::string> covox = {"Covox DAC", "  69", "  -", "  84", "  85", "  86", "  87", "  -", "  97"};
    EXPECT_NE(std::search(sound.begin(), sound.end(), covox.begin(), covox.end()), sound.end());

    // "Allow Joystick On NumPad" and "Allow several key presses".
    const std::vector<std::string> input = Menu(machine, OptionKind::Input);
    EXPECT_NE(std::find(input.begin(), input.end(), "96"), input.end());
    EXPECT_NE(std::find(input.begin(), input.end(), "127"), input.end());
}

TEST(BkSettingsTest, TheRatesAreFixedWhileRunningAndTheSwitchChecksItsSubmenu) {
    BkRun run;
    ASSERT_TRUE(run.PowerOn());
    common::BasicOptionNode root;
    ShowTextIds(root);
    run.machine.FillSettingsTree(&root, OptionKind::Sound);
    const common::OptionNode* rate = Item(root, {"BK Speaker", "85"});
    ASSERT_NE(rate, nullptr);
    EXPECT_FALSE(rate->IsEnabled());
    const common::OptionNode* submenu = Item(root, {"Covox DAC"});
    ASSERT_NE(submenu, nullptr);
    EXPECT_TRUE(submenu->IsChecked());
    run.machine.Covox()->SetSoundEnabled(false);
    EXPECT_FALSE(submenu->IsChecked());
}

} // namespace
} // namespace emu
