#include "emu/core/Device.h"

#include "common/SettingsTree.h"
#include "emu/core/DeviceSelector.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

// A device with one u8 setting under its own key (none for an empty key); Reset puts a value above 100 back to 0.
class SettingDevice : public Device {
public:
    SettingDevice(const char* name, std::string key, uint8_t value = 0)
        : Device(name), key(std::move(key)), value(value) {}

    std::string key;
    uint8_t value;
    // The value each Reset met, in order.
    std::vector<uint8_t> valuesAtReset;

    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override {
        if (settings != nullptr && !key.empty()) {
            settings->BindU8(common::NarrowString(key.c_str()), &value);
        }
        return Device::ExchangeSettings(settings, enabledOnly);
    }
    bool Reset(bool enabledOnly) override {
        valuesAtReset.push_back(value);
        const bool childrenValid = Device::Reset(enabledOnly);
        if (value > 100) {
            value = 0;
            return false;
        }
        return childrenValid;
    }
};

// A machine model for the top-level sections: it names its settings by its id.
class SettingsMachine : public SettingDevice {
public:
    SettingsMachine(const char* id, uint8_t base) : SettingDevice("BK", "MachineKey", base), id(id) {
        for (const char* name : {"CPU", "KEYB"}) {
            auto device = std::make_unique<SettingDevice>(name, std::string(name) + "Key", ++base);
            EXPECT_TRUE(AddChild(std::move(device)));
        }
    }
    const char* SettingsId() const { return id; }
    SettingDevice& Child(int32_t index) const { return static_cast<SettingDevice&>(*DeviceAt(index)); }
    std::vector<uint8_t> Values() const { return {value, Child(0).value, Child(1).value}; }

private:
    const char* id;
};

Bytes Saved(const common::SettingsTree& tree, const char* leading = nullptr) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    EXPECT_TRUE(tree.Save(stream, leading));
    return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

Bytes SectionsOf(Device& device, bool enabledOnly = false) {
    common::SettingsTree tree;
    EXPECT_TRUE(device.BuildSettingsSections(&tree, enabledOnly));
    return Saved(tree);
}

bool LoadInto(Device& device, Bytes bytes, bool enabledOnly = false, bool* changed = nullptr) {
    common::MemoryStream stream;
    stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
    return device.LoadSaveIni(stream, enabledOnly, changed);
}

TEST(DeviceSettingsTest, SectionsNestAsTheDevicesDoAndEmptyOnesAreLeftOut) {
    Device root("ROOT");
    ASSERT_TRUE(root.AddChild(std::make_unique<SettingDevice>("A", "AKey")));
    ASSERT_TRUE(root.AddChild(std::make_unique<SettingDevice>("QUIET", "")));
    auto group = std::make_unique<SettingDevice>("G", "");
    ASSERT_TRUE(group->AddChild(std::make_unique<SettingDevice>("G1", "G1Key")));
    ASSERT_TRUE(root.AddChild(std::move(group)));
    ASSERT_TRUE(root.AddChild(std::make_unique<TreeNode>("PLAIN")));

    common::SettingsTree tree;
    ASSERT_TRUE(root.BuildSettingsSections(&tree, false));
    const common::NarrowString aKey("AKey");
    const common::NarrowString g1Key("G1Key");
    // A device's section carries its descendants' keys as well, and a section per child device with settings.
    EXPECT_NE(tree.FindValue(aKey), nullptr);
    EXPECT_NE(tree.FindValue(g1Key), nullptr);
    const common::SettingsTree* a = tree.FindSection(common::NarrowString("A"));
    const common::SettingsTree* g = tree.FindSection(common::NarrowString("G"));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(g, nullptr);
    EXPECT_NE(a->FindValue(aKey), nullptr);
    EXPECT_NE(g->FindValue(g1Key), nullptr);
    EXPECT_NE(g->FindSection(common::NarrowString("G1")), nullptr);
    EXPECT_EQ(tree.FindSection(common::NarrowString("QUIET")), nullptr);
    EXPECT_EQ(tree.FindSection(common::NarrowString("PLAIN")), nullptr);
    EXPECT_FALSE(root.BuildSettingsSections(nullptr, false));
}

TEST(DeviceSettingsTest, PlainLoadRestoresEveryDeviceAndResetsEachOnceAfterItsOwnValues) {
    SettingsMachine saved("bk_0010", 10);
    SettingsMachine loaded("bk_0010", 50);
    ASSERT_TRUE(LoadInto(loaded, SectionsOf(saved)));
    EXPECT_EQ(loaded.Values(), (std::vector<uint8_t>{10, 11, 12}));
    // Each device resets once its own values are in, before the sections of its children are read.
    EXPECT_EQ(loaded.valuesAtReset, (std::vector<uint8_t>{10}));
    EXPECT_EQ(loaded.Child(0).valuesAtReset, (std::vector<uint8_t>{11, 11}));
}

TEST(DeviceSettingsTest, SectionsAndKeysNobodyTakesArePassedOver) {
    SettingsMachine saved("bk_0010", 10);
    ASSERT_TRUE(saved.AddChild(std::make_unique<SettingDevice>("GONE", "GoneKey", 99)));
    SettingsMachine loaded("bk_0010", 50);
    ASSERT_TRUE(LoadInto(loaded, SectionsOf(saved)));
    EXPECT_EQ(loaded.Values(), (std::vector<uint8_t>{10, 11, 12}));
}

TEST(DeviceSettingsTest, ComparingLoadReportsADifferenceAndStoresIt) {
    SettingsMachine saved("bk_0010", 10);
    const Bytes bytes = SectionsOf(saved, true);
    SettingsMachine same("bk_0010", 10);
    bool changed = false;
    ASSERT_TRUE(LoadInto(same, bytes, true, &changed));
    EXPECT_FALSE(changed);

    SettingsMachine other("bk_0010", 10);
    other.Child(1).value = 77;
    ASSERT_TRUE(LoadInto(other, bytes, true, &changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(other.Values(), (std::vector<uint8_t>{10, 11, 12}));
}

TEST(DeviceSettingsTest, ComparingLoadBindsOnlyEnabledDevices) {
    SettingsMachine saved("bk_0010", 10);
    const Bytes bytes = SectionsOf(saved);
    SettingsMachine loaded("bk_0010", 50);
    loaded.Child(0).SetEnabled(false);
    bool changed = false;
    ASSERT_TRUE(LoadInto(loaded, bytes, true, &changed));
    EXPECT_TRUE(changed);
    // The disabled device's key is no value of the machine's section; its own section still reaches it.
    EXPECT_EQ(loaded.Values(), (std::vector<uint8_t>{10, 11, 12}));
    EXPECT_EQ(loaded.Child(0).valuesAtReset, (std::vector<uint8_t>{11}));
}

TEST(DeviceSettingsTest, TopLevelSectionOfAnotherModelLoadsNothingAndDoesNotFail) {
    SettingsMachine saved("bk_0011", 10);
    common::SettingsTree top;
    auto section = std::make_unique<common::SettingsTree>();
    ASSERT_TRUE(saved.BuildSettingsSections(section.get(), false));
    ASSERT_TRUE(top.AddSection(common::NarrowString(saved.SettingsId()), std::move(section)));
    Bytes bytes = Saved(top, "ZOVINI");

    for (const char* id : {"bk_0011", "bk_0010"}) {
        SettingsMachine loaded(id, 50);
        common::MemoryStream stream;
        stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
        common::SettingsTree reader;
        reader.SetHandlers(&loaded, LoadMachineSection<SettingsMachine>, nullptr);
        ASSERT_TRUE(reader.Load(stream, "ZOVINI")) << id;
        EXPECT_EQ(loaded.Values(), std::string(id) == "bk_0011" ? (std::vector<uint8_t>{10, 11, 12})
                                                                : (std::vector<uint8_t>{50, 51, 52}))
            << id;
    }

    SettingsMachine checked("bk_0011", 10);
    checked.value = 1;
    common::MemoryStream stream;
    stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
    common::SettingsTree reader;
    reader.SetHandlers(&checked, CheckMachineSection<SettingsMachine>, nullptr);
    bool changed = false;
    ASSERT_TRUE(reader.LoadChecked(stream, &changed, "ZOVINI"));
    EXPECT_TRUE(changed);
    EXPECT_EQ(checked.value, 10);
}

TEST(DeviceSettingsTest, AMalformedSectionChangesNoSetting) {
    SettingsMachine saved("bk_0010", 10);
    const Bytes bytes = SectionsOf(saved);
    for (size_t length = 0; length < bytes.size(); ++length) {
        SettingsMachine loaded("bk_0010", 50);
        EXPECT_FALSE(LoadInto(loaded, Bytes(bytes.begin(), bytes.begin() + length))) << "cut at " << length;
        EXPECT_EQ(loaded.Values(), (std::vector<uint8_t>{50, 51, 52})) << "cut at " << length;
    }
}

TEST(DeviceSettingsTest, SelectorKeepsItsSelectionAndResetsOneOutOfRange) {
    struct Case {
        int32_t stored;
        bool loads;
        int32_t selected;
    };
    for (const Case& test : {Case{2, true, 2}, Case{7, false, 0}, Case{-3, false, 0}}) {
        DeviceSelector saved("VIDEO");
        DeviceSelector loaded("VIDEO");
        for (DeviceSelector* selector : {&saved, &loaded}) {
            for (const char* name : {"V0", "V1", "V2"}) {
                ASSERT_TRUE(selector->AddChild(std::make_unique<Device>(name)));
            }
        }
        saved.SetSelectedIndex(test.stored);
        loaded.SetSelectedIndex(1);
        EXPECT_EQ(LoadInto(loaded, SectionsOf(saved)), test.loads) << test.stored;
        EXPECT_EQ(loaded.SelectedIndex(), test.selected) << test.stored;
    }
}

TEST(DeviceSettingsTest, ResetHandlersAnswerForTheDeviceOnlyWithoutASectionName) {
    SettingDevice device("D", "Key", 200);
    const common::NarrowString section("CHILD");
    EXPECT_TRUE(Device::ResetAfterSection(&device, &section));
    EXPECT_TRUE(device.valuesAtReset.empty());
    EXPECT_FALSE(Device::ResetAfterSection(&device, nullptr));
    EXPECT_EQ(device.value, 0);
    EXPECT_TRUE(Device::ResetAfterCheckedSection(&device, nullptr));
    EXPECT_FALSE(Device::ResetAfterSection(nullptr, nullptr));
}

} // namespace
} // namespace emu
