#include "emu/core/Machine.h"

#include "FakeCpu.h"
#include "FrameRenderer.h"
#include "TreeHelpers.h"
#include "common/BasicOptionNode.h"
#include "common/SettingsTree.h"
#include "common/StringList.h"
#include "emu/core/BusService.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/InterruptController.h"
#include "emu/core/KeyStateService.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/MouseService.h"
#include "emu/core/PortMap.h"
#include "support/RecordingConsole.h"
#include "support/RecordingDevice.h"
#include "support/StateBytes.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using test_support::RecordingDevice;
using Log = std::vector<std::string>;

// A recording device that also notes, as it starts and stops, what it finds of the machine's services, and
// claims the first page of memory while it runs.
class ProbeDevice : public RecordingDevice {
public:
    ProbeDevice(const char* name, Log& log) : RecordingDevice(name, log), log(&log) {
        Params().AddMemoryRange("PAGE", false, &pageActive, &firstPage, &pageCount, PageRead, nullptr);
    }

    bool pageActive = false;
    uint64_t firstPage = 0;
    uint64_t pageCount = 1;
    std::vector<std::string> keysSeen;
    int32_t consoleChanges = 0;
    std::string description;

    bool Start(int32_t& rate) override {
        log->push_back(std::string(Name().View()) + (pageActive ? " sees its page bound" : " sees no page bound"));
        // Listeners added before the key state started would be gone by now.
        Keys()->AddListener(this, OnKey);
        return RecordingDevice::Start(rate);
    }
    void Stop() override {
        log->push_back(std::string(Name().View()) + " stops with " + std::to_string(Memory()->Size()) + " bytes");
        RecordingDevice::Stop();
    }
    void SetConsole(common::Console* console) override {
        ++consoleChanges;
        RecordingDevice::SetConsole(console);
    }
    bool DescribeState(common::List& lines, bool, int32_t) override {
        if (description.empty()) {
            return false;
        }
        lines.Add(common::NarrowString(description.c_str()));
        return true;
    }

    static bool PageRead(void*, uint32_t, uint32_t size, void* buffer, uint8_t) {
        std::memset(buffer, 0x5A, size);
        return true;
    }

private:
    static bool OnKey(void* context, uint8_t code, bool down) {
        static_cast<ProbeDevice*>(context)->keysSeen.push_back(std::to_string(code) + (down ? " down" : " up"));
        return true;
    }

    Log* log;
};

// A machine of 64 KB with the devices A and B, as a model builds it.
class MachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(machine.CreateServices());
        a = Add<ProbeDevice>(machine, "A", log);
        b = Add<ProbeDevice>(machine, "B", log);
        b->firstPage = 1;
        b->Params().Remove("PAGE");
        b->Params().AddMemoryRange("PAGE", false, &b->pageActive, &b->firstPage, &b->pageCount, ProbeDevice::PageRead,
                                   nullptr);
    }

    bool Start() {
        int32_t rate = 0;
        return machine.Memory()->Create(0x10000, 0xFFFF, 0) && machine.Start(rate);
    }

    // Before the machine, which detaches it as it ends.
    FrameRenderer renderer;
    Machine machine{"M"};
    Log log;
    ProbeDevice* a = nullptr;
    ProbeDevice* b = nullptr;
};

TEST_F(MachineTest, StartsServicesThenDevicesWithParametersAppliedAroundThem) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(log, (Log{"A sees no page bound", "A Start", "B sees no page bound", "B Start", "A Notify 0x8E",
                        "B Notify 0x8E", "A Notify 0x140", "B Notify 0x140"}));
    EXPECT_TRUE(machine.IsRunning());
    EXPECT_TRUE(a->pageActive);
    EXPECT_EQ(machine.Memory()->ReadByte(0x0400, 0), 0x5A);
    EXPECT_EQ(a->Memory(), machine.Memory());
    EXPECT_EQ(b->Bus(), machine.Bus());
    EXPECT_EQ(b->Machine(), &machine);

    machine.KeyEvent(65, true);
    EXPECT_EQ(a->keysSeen, (std::vector<std::string>{"65 down"}));

    log.clear();
    machine.Stop();
    EXPECT_EQ(log, (Log{"B stops with 65536 bytes", "B Stop", "A stops with 65536 bytes", "A Stop"}));
    EXPECT_FALSE(a->pageActive);
    EXPECT_FALSE(machine.IsRunning());
    EXPECT_EQ(machine.Memory()->Size(), 0u);
}

// ROM images are loaded through the machine's own device part before its first start, and a device must never
// keep a service that building them anew deleted.
TEST_F(MachineTest, HandsItsServicesToItsDevicePartAndDevicesAsItBuildsThem) {
    Machine fresh{"F"};
    EXPECT_EQ(fresh.Device::Machine(), &fresh);
    EXPECT_EQ(fresh.Device::Memory(), nullptr);
    ASSERT_TRUE(machine.CreateServices());
    const Device& devicePart = machine;
    EXPECT_EQ(devicePart.Machine(), &machine);
    EXPECT_EQ(devicePart.Memory(), machine.Memory());
    EXPECT_EQ(devicePart.Drives(), machine.Drives());
    EXPECT_EQ(a->Memory(), machine.Memory());
    EXPECT_EQ(b->Interrupts(), machine.Interrupts());
}

// A processor that reads memory on its fast path, as a real one does in Execute.
class ReadingCpu : public FakeCpu {
public:
    using FakeCpu::FakeCpu;
    uint16_t ReadWord(uint32_t address) {
        uint16_t word = 0;
        FastRead(address, word);
        return word;
    }
};

TEST_F(MachineTest, RebuildingTheServicesOfAStartedMachineLeavesNoDeviceHoldingTheOldOnes) {
    auto* cpu = Add<ReadingCpu>(machine, "CPU");
    ASSERT_TRUE(Start());
    machine.Memory()->RamBase()[0x1000] = 0x34;
    EXPECT_EQ(cpu->ReadWord(0x1000), 0x34);
    b->SetEnabled(false);
    ASSERT_TRUE(machine.CreateServices());
    // The new map is empty: the processor reads all ones through it, never the deleted map's bytes.
    EXPECT_EQ(cpu->ReadWord(0x1000), 0xFFFF);
    EXPECT_EQ(cpu->Memory(), machine.Memory());
    EXPECT_EQ(b->Memory(), nullptr);
    EXPECT_EQ(b->Bus(), nullptr);
    EXPECT_EQ(b->Drives(), nullptr);
    ASSERT_TRUE(machine.Memory()->Create(0x10000, 0xFFFF, 0));
    machine.Memory()->RamBase()[0x1000] = 0x12;
    EXPECT_EQ(cpu->ReadWord(0x1000), 0x12);
}

TEST_F(MachineTest, StartEndsAtTheFirstDeviceThatFails) {
    a->failStart = true;
    EXPECT_FALSE(Start());
    EXPECT_EQ(log, (Log{"A sees no page bound", "A Start"}));
}

TEST_F(MachineTest, AppliesParameterChangesOnlyWhileRunningAndTellsTheDevicesWhatChanged) {
    EXPECT_TRUE(machine.ApplySettings(nullptr));
    EXPECT_TRUE(a->Params().Remove("PAGE"));
    EXPECT_TRUE(log.empty());

    ASSERT_TRUE(Start());
    log.clear();
    ASSERT_TRUE(b->Params().Remove("PAGE"));
    EXPECT_EQ(machine.Memory()->ReadByte(0x0400, 0), 0x5A);
    ASSERT_TRUE(a->Params().AddPortRangeValues("PORT", false, true, 0x40, 2, ProbeDevice::PageRead, nullptr));
    EXPECT_EQ(machine.Ports()->ReadPortByte(0x41, 0, nullptr), 0x5A);
    EXPECT_EQ(log, (Log{"A Notify 0x8E", "B Notify 0x8E", "A Notify 0x84", "B Notify 0x84"}));
}

TEST_F(MachineTest, MemoryMapChangesReachTheDevicesAndTheFirstProcessorWhileRunning) {
    auto* cpu = Add<FakeCpu>(machine, "CPU");
    machine.Memory()->Create(0x10000, 0xFFFF, 0);
    EXPECT_TRUE(cpu->changedPages.empty());
    ASSERT_TRUE(Start());
    log.clear();
    machine.Memory()->SetPageMapping(MemoryMap::Access::ReadOnly, 5, 2);
    ASSERT_TRUE(machine.Memory()->Create(0x8000, 0x7FFF, 0));
    EXPECT_EQ(cpu->changedPages, (std::vector<int32_t>{5, 6, -1}));
    EXPECT_EQ(log, (Log{"A Notify 0x2", "B Notify 0x2"}));
}

TEST_F(MachineTest, KnowsItsProcessorsInTheOrderAdded) {
    EXPECT_EQ(machine.FirstCpu(), nullptr);
    EXPECT_EQ(machine.PrimaryFrequency(), 0);
    auto* first = Add<FakeCpu>(machine, "CPU1", 3000000);
    auto* second = Add<FakeCpu>(machine, "CPU2", 4000000);
    EXPECT_EQ(machine.CpuCount(), 2);
    EXPECT_EQ(machine.FirstCpu(), first);
    EXPECT_EQ(machine.CpuAt(1), second);
    EXPECT_EQ(machine.CpuAt(-1), nullptr);
    EXPECT_EQ(machine.CpuAt(2), nullptr);
    EXPECT_EQ(machine.PrimaryFrequency(), 3000000);
    machine.RequestInterruptCheck();
    EXPECT_EQ(first->interruptChecks, 1);
    EXPECT_EQ(second->interruptChecks, 1);
    EXPECT_EQ(machine.SetBusRate(44100, 1, false), 2);
    EXPECT_EQ(second->events.size(), 1u);
    EXPECT_EQ(machine.SetBusRate(44100, 2, false), 882);

    machine.Clear();
    EXPECT_EQ(machine.CpuCount(), 0);
    EXPECT_EQ(machine.ChildCount(), 0);
    EXPECT_NE(machine.Bus(), nullptr);
}

int32_t AnswerHost(void* context, uint8_t* request, uint8_t* show, int32_t code) {
    auto* seen = static_cast<std::vector<int32_t>*>(context);
    seen->push_back(code);
    seen->push_back(*request);
    *show = code == -1 ? 1 : 0;
    return *request;
}

TEST_F(MachineTest, AsksTheHostWhetherToBreakWithNoRequestWhilePaused) {
    uint8_t request = 1;
    uint8_t show = 0;
    EXPECT_EQ(machine.QueryBreak(request, show), 0);
    EXPECT_EQ(show, 1);
    EXPECT_TRUE(machine.QueryHost());

    std::vector<int32_t> seen;
    machine.SetHostCallback(AnswerHost, &seen);
    EXPECT_EQ(machine.QueryBreak(request, show), 1);
    machine.Pause(true);
    request = 1;
    EXPECT_EQ(machine.QueryBreak(request, show), 0);
    EXPECT_FALSE(machine.QueryHost());
    EXPECT_EQ(seen, (std::vector<int32_t>{0, 1, 0, 0, -1, 0}));

    machine.Pause(false);
    machine.Pause(false);
    EXPECT_EQ(machine.PauseCount(), 0);
    machine.Pause(true);
    ASSERT_TRUE(Start());
    EXPECT_EQ(machine.PauseCount(), 0);
}

TEST_F(MachineTest, PassesHostKeysAndMouseEventsToItsServices) {
    ASSERT_TRUE(Start());
    machine.KeyEvent(65 + 256, true);
    machine.KeyEvent(-1, true);
    machine.KeyEvent(66, true);
    EXPECT_TRUE(machine.Keys()->IsDown(65));
    EXPECT_EQ(machine.Keys()->PressedCount(), 2);
    machine.KeyEvent(-1, false);
    EXPECT_FALSE(machine.Keys()->AnyPressed());
    EXPECT_EQ(a->keysSeen, (std::vector<std::string>{"65 down", "66 down", "65 up", "66 up"}));

    std::vector<uint32_t> buttons;
    machine.Mouse()->AddListener(&buttons, [](void* context, const MouseEventRecord& event) {
        static_cast<std::vector<uint32_t>*>(context)->push_back(event.buttons);
    });
    machine.MouseEvent({.buttons = 2});
    EXPECT_EQ(buttons, (std::vector<uint32_t>{2}));
}

TEST_F(MachineTest, HandsAConsoleDownOnlyWhenItChanges) {
    test_support::RecordingConsole console;
    const int32_t before = a->consoleChanges;
    machine.SetConsole(&console);
    EXPECT_EQ(a->consoleChanges, before + 1);
    EXPECT_EQ(a->Console(), &console);
    EXPECT_EQ(machine.Bus()->Console(), &console);
    machine.SetConsole(&console);
    EXPECT_EQ(a->consoleChanges, before + 1);
}

TEST_F(MachineTest, AttachedRendererReachesTheDevicesAndTellsThemWhileRunning) {
    machine.AttachRenderer(&renderer);
    EXPECT_EQ(a->Renderer(), &renderer);
    ASSERT_TRUE(Start());
    log.clear();
    machine.AttachRenderer(nullptr);
    machine.AttachRenderer(nullptr);
    EXPECT_EQ(b->Renderer(), nullptr);
    EXPECT_EQ(log, (Log{"A Notify 0x100", "B Notify 0x100"}));
}

TEST_F(MachineTest, ResizeOfTheAttachedRendererTellsTheDevices) {
    machine.AttachRenderer(&renderer);
    ASSERT_TRUE(Start());
    log.clear();
    EXPECT_TRUE(renderer.Resize(64, 32, false));
    EXPECT_EQ(log, (Log{"A Notify 0x100", "B Notify 0x100"}));
    // The same size again is no resize.
    log.clear();
    EXPECT_TRUE(renderer.Resize(64, 32, false));
    EXPECT_TRUE(log.empty());

    // A renderer no longer attached tells nobody.
    FrameRenderer other;
    machine.AttachRenderer(&other);
    log.clear();
    EXPECT_TRUE(renderer.Resize(32, 16, false));
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(other.Resize(32, 16, false));
    EXPECT_EQ(log, (Log{"A Notify 0x100", "B Notify 0x100"}));
    machine.AttachRenderer(nullptr);
}

TEST_F(MachineTest, RendererScaleModeFollowsStretchScreen) {
    machine.AttachRenderer(&renderer);
    EXPECT_EQ(renderer.scaleModes, (std::vector<int32_t>{0}));
    ASSERT_TRUE(Start());
    EXPECT_EQ(renderer.scaleModes, (std::vector<int32_t>{0, 0}));

    common::BasicOptionNode menu;
    machine.FillSettingsTree(&menu, OptionKind::Video);
    common::OptionNode* toggle = menu.ChildAt(2);
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->Activate());
    EXPECT_EQ(renderer.ScaleMode(), 1);
    EXPECT_TRUE(toggle->Activate());
    EXPECT_EQ(renderer.scaleModes, (std::vector<int32_t>{0, 0, 1, 0}));

    // Off at the next start: integer zoom.
    EXPECT_TRUE(toggle->Activate());
    machine.Stop();
    ASSERT_TRUE(Start());
    EXPECT_EQ(renderer.scaleModes.back(), 1);
}

TEST_F(MachineTest, EnabledDevicesDescribeTheirState) {
    common::StringList lines;
    EXPECT_FALSE(machine.DescribeState(lines, false, 0));
    a->description = "A here";
    b->description = "B here";
    b->SetEnabled(false);
    EXPECT_TRUE(machine.DescribeState(lines, false, 0));
    ASSERT_EQ(lines.Count(), 1);
    EXPECT_EQ(lines.At(0)->Compare("A here"), 0);
}

TEST_F(MachineTest, StretchSettingAndItsMenuToggle) {
    common::SettingsTree settings;
    EXPECT_TRUE(machine.ExchangeSettings(&settings, true));
    EXPECT_TRUE(settings.IsEmpty());
    EXPECT_TRUE(machine.ExchangeSettings(&settings, false));
    EXPECT_FALSE(settings.IsEmpty());

    common::BasicOptionNode menu;
    machine.FillSettingsTree(&menu, OptionKind::ComputerLast);
    EXPECT_EQ(menu.ChildCount(), 0);
    machine.FillSettingsTree(&menu, OptionKind::Video);
    ASSERT_EQ(menu.ChildCount(), 3);
    EXPECT_TRUE(menu.ChildAt(1)->IsSeparator());
    common::OptionNode* toggle = menu.ChildAt(2);
    EXPECT_EQ(toggle->TextId(), 44);
    EXPECT_TRUE(toggle->IsChecked());
    EXPECT_TRUE(toggle->Activate());
    EXPECT_FALSE(machine.IsStretched());
}

TEST_F(MachineTest, SavedStateHoldsTheVersionTheServicesThenTheMachine) {
    ASSERT_TRUE(Start());
    machine.Pause(true);
    const Bytes saved = Archived([&](common::RecordArchive& archive) { return machine.SaveState(archive); });
    EXPECT_EQ(machine.PauseCount(), 1);
    const Bytes prefix = Concat({U8Value("VER", 0), ChunkBegin(""), U8Value("_VER", 0), BoolValue("_ENBL", true),
                                 ChunkBegin("_BUS"), U8Value("_VER", 0), BoolValue("_ENBL", true), ChunkBegin("_EVT")});
    ASSERT_GE(saved.size(), prefix.size());
    EXPECT_EQ(Bytes(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(prefix.size())), prefix);
    // The services in the order they were built, then the machine's own chunk.
    std::vector<std::ptrdiff_t> positions;
    for (const char* name : {"_BUS", "_MEM", "_PORT", "_INTR", "_KEYB", "_MOUSE", "_DRIVES", "M"}) {
        const Bytes begin = ChunkBegin(name);
        positions.push_back(std::search(saved.begin(), saved.end(), begin.begin(), begin.end()) - saved.begin());
    }
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_LT(positions.back(), static_cast<std::ptrdiff_t>(saved.size()));
    const Bytes end = ChunkEnd("M");
    EXPECT_TRUE(std::equal(end.rbegin(), end.rend(), saved.rbegin()));

    log.clear();
    machine.Keys()->SetKey(12, true);
    EXPECT_TRUE(ReadsWhole(saved, [&](common::RecordArchive& archive) { return machine.LoadState(archive, nullptr); }));
    EXPECT_FALSE(machine.Keys()->IsDown(12));
    EXPECT_FALSE(machine.IsLoading());
    EXPECT_EQ(machine.PauseCount(), 1);
    EXPECT_EQ(log, (Log{"A Notify 0xFFFF", "B Notify 0xFFFF"}));
}

TEST_F(MachineTest, LoadRefusesAnotherVersionAndChangesNothing) {
    ASSERT_TRUE(Start());
    machine.Keys()->SetKey(12, true);
    log.clear();
    const Bytes state = Concat({U8Value("VER", 1), ChunkBegin("")});
    EXPECT_FALSE(
        ReadsWhole(state, [&](common::RecordArchive& archive) { return machine.LoadState(archive, nullptr); }));
    EXPECT_EQ(machine.PauseCount(), 0);
    EXPECT_TRUE(machine.Keys()->IsDown(12));
    EXPECT_TRUE(log.empty());
}

// A device that plays through a sound output of the bus and whose own state the test can refuse.
class SoundingDevice : public Device {
public:
    using Device::Device;
    bool refuseLoad = false;

    bool Start(int32_t& rate) override {
        return Device::Start(rate) && Bus()->AttachSoundOutput(8000, 16, Mix, this, "Mix", 0);
    }
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override {
        return Device::LoadOwnData(archive, note) && !refuseLoad;
    }

private:
    static bool Mix(TreeNode*, int32_t*, int32_t, int32_t, int32_t, int32_t, uint64_t*) { return true; }
};

// A test machine with a sounding device, powered on.
class MachineStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.SetSoundOutput(&prototype);
        device = Add<SoundingDevice>(machine, "SND");
        ASSERT_TRUE(machine.PowerOn());
    }

    HostSoundOutput prototype;
    test_support::TestMachine machine;
    SoundingDevice* device = nullptr;
};

// Devices hold blocks of the bus's outputs between pumps: a state refused after the bus took its chunk must leave
// the same output objects, and everything else, as it was.
TEST_F(MachineStateTest, AStateRefusedPartWayPutsBackTheMachineAndKeepsItsOutputs) {
    ASSERT_EQ(machine.Bus()->EventCount(), 1);
    const HostSoundOutput* output = machine.Bus()->EventAt(0)->output.get();
    machine.Memory()->RamBase()[0x1000] = 0x11;
    const Bytes state = SavedState(machine);

    machine.Memory()->RamBase()[0x1000] = 0x22;
    machine.Keys()->SetKey(12, true);
    device->refuseLoad = true;
    EXPECT_FALSE(LoadState(machine, state));
    EXPECT_EQ(machine.Memory()->RamBase()[0x1000], 0x22);
    EXPECT_TRUE(machine.Keys()->IsDown(12));
    ASSERT_EQ(machine.Bus()->EventCount(), 1);
    EXPECT_EQ(machine.Bus()->EventAt(0)->output.get(), output);

    device->refuseLoad = false;
    EXPECT_TRUE(LoadState(machine, state));
    EXPECT_EQ(machine.Memory()->RamBase()[0x1000], 0x11);
    EXPECT_EQ(machine.Bus()->EventAt(0)->output.get(), output);
}

// A state may switch nodes off, and the state the machine falls back to leaves switched-off nodes out: a refused
// state must put every node's flag back, or the machine no longer takes its own state.
TEST_F(MachineStateTest, AStateThatSwitchesNodesOffAndIsRefusedLeavesThemOn) {
    machine.Memory()->RamBase()[0x1000] = 0x11;
    const Bytes state = SavedState(machine);
    const Bytes on = BoolValue("_ENBL", true);
    const Bytes off = BoolValue("_ENBL", false);
    Bytes crafted = state;
    for (auto at = std::search(crafted.begin(), crafted.end(), on.begin(), on.end()); at != crafted.end();
         at = std::search(at + 1, crafted.end(), on.begin(), on.end())) {
        std::copy(off.begin(), off.end(), at);
    }
    ASSERT_NE(crafted, state);

    machine.Memory()->RamBase()[0x1000] = 0x22;
    device->refuseLoad = true;
    EXPECT_FALSE(LoadState(machine, crafted));
    EXPECT_TRUE(machine.Memory()->IsEnabled());
    EXPECT_TRUE(device->IsEnabled());
    EXPECT_EQ(machine.Memory()->RamBase()[0x1000], 0x22);

    device->refuseLoad = false;
    EXPECT_TRUE(LoadState(machine, state));
    EXPECT_EQ(machine.Memory()->RamBase()[0x1000], 0x11);
}

TEST(MachineServicesTest, ServicesWithoutStateWriteAndTakeOnlyTheirVersion) {
    Machine machine("M");
    ASSERT_TRUE(machine.CreateServices());
    struct Case {
        TreeNode* service;
        const char* chunk;
    };
    for (const Case& test :
         {Case{machine.Ports(), "_PORTS"}, Case{machine.Interrupts(), "_INTRS"}, Case{machine.Mouse(), "_MOUS"}}) {
        const Bytes saved = Archived(SavingOwnData(*test.service));
        EXPECT_EQ(saved, Concat({ChunkBegin(test.chunk), U8Value("VER", 0), ChunkEnd(test.chunk)}));
        EXPECT_TRUE(ReadsWhole(saved, LoadingOwnData(*test.service)));
        const Bytes otherVersion = Concat({ChunkBegin(test.chunk), U8Value("VER", 1), ChunkEnd(test.chunk)});
        EXPECT_FALSE(ReadsWhole(otherVersion, LoadingOwnData(*test.service))) << test.chunk;
        const Bytes otherChunk = Concat({ChunkBegin("_KEYS"), U8Value("VER", 0), ChunkEnd("_KEYS")});
        EXPECT_FALSE(ReadsWhole(otherChunk, LoadingOwnData(*test.service))) << test.chunk;
    }
}

} // namespace
} // namespace emu
