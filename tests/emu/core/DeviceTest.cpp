#include "emu/core/Device.h"

#include "FakeMachine.h"
#include "TreeHelpers.h"
#include "common/BasicOptionNode.h"
#include "common/StringList.h"
#include "emu/core/ConfigParamApplier.h"
#include "support/RecordingDevice.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using test_support::RecordingDevice;
using Log = std::vector<std::string>;

// A device with a chunk of its own after "_DEV", as device classes with state write it.
class CounterDevice : public Device {
public:
    using Device::Device;
    uint32_t counter = 0;

    bool SaveOwnData(common::RecordArchive& archive) override {
        return Device::SaveOwnData(archive) && archive.WriteMarker(common::kChunkBeginMarker, Chunk()) &&
               archive.WriteRecordU32(counter, common::NarrowString("CNT")) &&
               archive.WriteMarker(common::kChunkEndMarker, Chunk());
    }
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override {
        return Device::LoadOwnData(archive, note) && archive.ReadMarker(Chunk(), common::kChunkBeginMarker) &&
               archive.ReadRecordU32(counter, common::NarrowString("CNT")) &&
               archive.ReadMarker(Chunk(), common::kChunkEndMarker);
    }

private:
    static common::NarrowString Chunk() { return common::NarrowString("_CNT"); }
};

const Bytes kVersionedDevice =
    Concat({U8Value("_VER", 0), BoolValue("_ENBL", true), ChunkBegin("_CFP"), U8Value("VER", 0), ChunkEnd("_CFP"),
            ChunkBegin("_DEV"), U8Value("VER", 0), ChunkEnd("_DEV")});

TEST(DeviceTest, DeviceWithoutParametersWritesEmptyParameterAndDeviceChunks) {
    Device device("DEV");
    const Bytes expected = Concat({ChunkBegin("DEV"), kVersionedDevice, ChunkEnd("DEV")});
    ASSERT_EQ(SavedState(device), expected);
    // The exact framing of the first records, byte for byte.
    EXPECT_EQ(
        Bytes(expected.begin(), expected.begin() + 18),
        (Bytes{0xF0, 0x81, 0x82, 0x03, 0x00, 'D', 'E', 'V', 0xF8, 0x81, 0x85, 0x04, 0x00, '_', 'V', 'E', 'R', 0x00}));

    Device loaded("DEV");
    bool consumedAll = false;
    EXPECT_TRUE(LoadState(loaded, expected, &consumedAll));
    EXPECT_TRUE(consumedAll);
    EXPECT_FALSE(LoadState(loaded, Concat({ChunkBegin("OTHER"), kVersionedDevice, ChunkEnd("OTHER")})));
}

TEST(DeviceTest, ParametersAreNotPartOfTheState) {
    Device device("DEV");
    ASSERT_TRUE(device.SetIrq(3, false, true));
    EXPECT_EQ(SavedState(device), Concat({ChunkBegin("DEV"), kVersionedDevice, ChunkEnd("DEV")}));
}

// Root "M" holding "A" (with children "A1", "A2") and "B"; counters count up from base.
std::unique_ptr<Device> CounterTree(uint32_t base) {
    auto root = std::make_unique<CounterDevice>("M");
    uint32_t next = base;
    root->counter = next++;
    CounterDevice* a = Add<CounterDevice>(*root, "A");
    a->counter = next++;
    for (const char* name : {"A1", "A2"}) {
        Add<CounterDevice>(*a, name)->counter = next++;
    }
    Add<CounterDevice>(*root, "B")->counter = next++;
    return root;
}

std::vector<uint32_t> Counters(const Device& root) {
    std::vector<uint32_t> counters{static_cast<const CounterDevice&>(root).counter};
    for (int32_t index = 0; index < root.ChildCount(); ++index) {
        for (uint32_t counter : Counters(*root.DeviceAt(index))) {
            counters.push_back(counter);
        }
    }
    return counters;
}

TEST(DeviceTest, WholeTreeRoundTripsIntoAFreshTree) {
    const std::unique_ptr<Device> saved = CounterTree(100);
    const Bytes bytes = SavedState(*saved);
    const std::unique_ptr<Device> loaded = CounterTree(0);
    bool consumedAll = false;
    ASSERT_TRUE(LoadState(*loaded, bytes, &consumedAll));
    EXPECT_TRUE(consumedAll);
    EXPECT_EQ(Counters(*loaded), (std::vector<uint32_t>{100, 101, 102, 103, 104}));
    EXPECT_EQ(SavedState(*loaded), bytes);
}

TEST(DeviceTest, NotificationsSkipDisabledDevicesAndEndAtTheFirstRefusal) {
    Log log;
    RecordingDevice root("ROOT", log);
    RecordingDevice* a = Add<RecordingDevice>(root, "A", log);
    Add<RecordingDevice>(*a, "A1", log);
    Add<RecordingDevice>(root, "B", log)->SetEnabled(false);
    Add<RecordingDevice>(root, "C", log)->refuseNotify = true;
    Add<RecordingDevice>(root, "D", log);
    EXPECT_FALSE(root.Notify(notification::kStarted));
    EXPECT_EQ(log, (Log{"ROOT Notify 0x140", "A Notify 0x140", "A1 Notify 0x140", "C Notify 0x140"}));

    log.clear();
    root.ChildAt(2)->SetEnabled(false);
    EXPECT_TRUE(root.Notify(notification::kStateLoaded));
    EXPECT_EQ(log, (Log{"ROOT Notify 0xFFFF", "A Notify 0xFFFF", "A1 Notify 0xFFFF", "D Notify 0xFFFF"}));
}

TEST(DeviceTest, CommandsReachDisabledDevicesAndTheFirstAnswerWins) {
    Log log;
    Device root("ROOT");
    Add<RecordingDevice>(root, "A", log);
    RecordingDevice* b = Add<RecordingDevice>(root, "B", log);
    b->SetEnabled(false);
    b->commandAnswer = 0x101;
    Add<RecordingDevice>(root, "C", log)->commandAnswer = 2;
    bool wrongState = false;
    EXPECT_EQ(root.ExecuteCommand(common::NarrowString("TAPE"), nullptr, 0, &wrongState), 0x101u);
    EXPECT_EQ(log, (Log{"A Command", "B Command"}));
    EXPECT_EQ(Device("EMPTY").ExecuteCommand(common::NarrowString("TAPE"), nullptr, 0, &wrongState), 0u);
}

TEST(DeviceTest, StopTakesParametersOutOfForceInEachEnabledDevice) {
    Log log;
    RecordingDevice root("ROOT", log);
    RecordingDevice* enabled = Add<RecordingDevice>(root, "ON", log);
    RecordingDevice* disabled = Add<RecordingDevice>(root, "OFF", log);
    disabled->SetEnabled(false);
    const ConfigParamApplier applier;
    for (Device* device :
         {static_cast<Device*>(&root), static_cast<Device*>(enabled), static_cast<Device*>(disabled)}) {
        ASSERT_TRUE(device->SetIrq(4, false, true));
        ASSERT_TRUE(applier.ApplyFlag(device->Params().Find("IRQ")));
    }
    int32_t rate = 0;
    ASSERT_TRUE(root.Start(rate));
    EXPECT_TRUE(root.IsRunning());
    EXPECT_TRUE(enabled->IsRunning());
    EXPECT_FALSE(disabled->IsRunning());

    root.Stop();
    EXPECT_FALSE(root.IsRunning());
    EXPECT_FALSE(enabled->IsRunning());
    EXPECT_FALSE(root.Params().Find("IRQ")->IsActive());
    EXPECT_FALSE(enabled->Params().Find("IRQ")->IsActive());
    EXPECT_TRUE(disabled->Params().Find("IRQ")->IsActive());
    EXPECT_EQ(log, (Log{"ROOT Start", "ON Start", "ROOT Stop", "ON Stop"}));
}

TEST(DeviceTest, RunningStaysSetWhenAChildFailsToStart) {
    Log log;
    Device root("ROOT");
    Add<RecordingDevice>(root, "A", log)->failStart = true;
    int32_t rate = 0;
    EXPECT_FALSE(root.Start(rate));
    EXPECT_TRUE(root.IsRunning());
}

TEST(DeviceTest, InterruptLineIsAReplacedFlagParameter) {
    Device device("DEV");
    ASSERT_TRUE(device.SetIrq(5, true, false));
    const ConfigParam* line = device.Params().Find("IRQ");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->Type(), ParamType::Flag);
    EXPECT_EQ(line->First(), 5u);
    EXPECT_TRUE(line->IsFixed());
    ASSERT_TRUE(device.SetIrq(7, false, false));
    EXPECT_EQ(device.Params().Find("IRQ")->First(), 7u);
    EXPECT_FALSE(device.Params().Find("IRQ")->IsFixed());
    ASSERT_TRUE(device.SetIrq(-1, false, false));
    EXPECT_EQ(device.Params().Find("IRQ"), nullptr);
}

TEST(DeviceTest, ServicesReachTheDeviceAndTheMachineListensToItsParameters) {
    FakeMachine machine;
    Device device("DEV");
    EXPECT_EQ(device.Machine(), nullptr);
    device.SetServices(&machine, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(device.Machine(), &machine);
    EXPECT_EQ(device.Params().Listener(), &machine);
}

TEST(DeviceTest, DescribesNothingOfItsOwn) {
    Device device("DEV");
    common::StringList lines;
    EXPECT_FALSE(device.DescribeState(lines, false, 0));
    EXPECT_EQ(lines.Count(), 0);
}

// Fills the trace menu with one toggle per name, and its parent's item with one more.
class MenuDevice : public Device {
public:
    MenuDevice(const char* name, std::vector<const char*> items, bool inlines = false, const char* outer = nullptr)
        : Device(name), items(std::move(items)), inlines(inlines), outer(outer) {}

    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override {
        Device::FillSettingsTree(item, kind);
        if (kind == OptionKind::Trace) {
            for (const char* text : items) {
                item->AddToggleItem(common::NarrowString(text), &flag, true, nullptr, true);
            }
        } else if (kind == OptionKind::TraceOuter && outer != nullptr) {
            item->AddItem(common::NarrowString(outer));
        }
    }
    bool InlinesSettings() const override { return inlines; }

private:
    std::vector<const char*> items;
    bool inlines;
    const char* outer;
    bool flag = false;
};

TEST(DeviceTest, TraceMenuGivesEachDeviceWithItemsASubItemNamedAfterIt) {
    Device root("ROOT");
    Add<MenuDevice>(root, "EMPTY", std::vector<const char*>{}, false, "after-empty");
    Add<MenuDevice>(root, "CPU", std::vector<const char*>{"PC", "PSW"}, false, "after-cpu");
    Add<MenuDevice>(root, "INLINE", std::vector<const char*>{"X"}, true, "never");
    common::BasicOptionNode menu;
    menu.SetText(common::NarrowString("DEBUG"));
    root.FillSettingsTree(&menu, OptionKind::Trace);
    EXPECT_EQ(Outline(menu), "DEBUG[after-empty CPU[PC PSW] after-cpu X]");
    // The sub-item keeps the menu enabled while it is.
    EXPECT_TRUE(menu.IsEnabled());
    menu.ChildAt(1)->SetEnabled(false);
    EXPECT_FALSE(menu.IsEnabled());

    common::BasicOptionNode other;
    root.FillSettingsTree(&other, OptionKind::Video);
    EXPECT_EQ(other.ChildCount(), 0);
}

} // namespace
} // namespace emu
