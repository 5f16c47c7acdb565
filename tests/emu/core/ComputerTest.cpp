#include "emu/core/Computer.h"

#include "FakeCpu.h"
#include "TreeHelpers.h"
#include "common/MemoryStream.h"
#include "common/StringList.h"
#include "emu/core/BusService.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "support/RecordingConsole.h"
#include "support/RecordingDevice.h"
#include "support/StateBytes.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using test_support::RecordingConsole;
using test_support::TestMachine;

// A device that, a hundred times a second of bus time, counts in a word of RAM.
class TickingDevice : public Device {
public:
    static constexpr uint32_t kCounter = 0400;

    using Device::Device;

    bool Start(int32_t& rate) override {
        PrintLine("%s starts", Name());
        return Device::Start(rate) && Bus()->AddEvent(100, OnTick, this, "Tick", 0, false) != 0;
    }
    void Stop() override {
        PrintLine("%s stops", Name());
        Device::Stop();
    }

private:
    static bool OnTick(TreeNode* owner, BusEvent*) {
        MemoryMap* memory = static_cast<TickingDevice*>(owner)->Memory();
        memory->WriteWord(kCounter, static_cast<uint16_t>(memory->ReadWord(kCounter, 0) + 1));
        return true;
    }
};

// A sound device whose channel plays a level that rises with every block, through the machine's sound output.
class SoundDevice : public Device {
public:
    using Device::Device;
    int32_t blocks = 0;

    bool Start(int32_t& rate) override {
        return Device::Start(rate) && Bus()->AttachSoundOutput(4000, 8, Mix, this, "Mix", 0);
    }

private:
    static bool Mix(TreeNode* owner, int32_t* accumulator, int32_t count, int32_t, int32_t, int32_t, uint64_t* tag) {
        ++static_cast<SoundDevice*>(owner)->blocks;
        std::fill_n(accumulator, count, static_cast<int32_t>(++*tag % 256));
        return true;
    }
};

// A test machine with both devices, a ROM in pages 32 to 39, the null sound output and a console.
struct ScenarioMachine {
    RecordingConsole console;
    HostSoundOutput sound;
    TestMachine machine{"TEST", 32, 8};
    TickingDevice* ticking = nullptr;
    SoundDevice* soundDevice = nullptr;

    ScenarioMachine() {
        ticking = Add<TickingDevice>(machine, "TICK");
        soundDevice = Add<SoundDevice>(machine, "SND");
        machine.SetConsole(&console);
        machine.SetSoundOutput(&sound);
    }

    void Run(int32_t ticks) {
        for (int32_t tick = 0; tick < ticks; ++tick) {
            machine.TickBus();
        }
    }
    uint16_t Counter() { return machine.Memory()->ReadWord(TickingDevice::kCounter, 1); }
};

TEST(ComputerTest, RunsSavesAndContinuesInAFreshMachine) {
    ScenarioMachine first;
    ASSERT_TRUE(first.machine.PowerOn());
    // The ROM is loaded straight into storage; the processor's writes to it are dropped.
    uint8_t rom[] = {0x37, 0x12, 0x00, 0x80};
    common::MemoryStream image;
    image.Attach(rom, sizeof rom);
    ASSERT_TRUE(first.machine.Memory()->LoadData(image, 0100000, 1, 1));
    first.machine.Memory()->WriteWord(0100000, 0);
    EXPECT_EQ(first.machine.Memory()->ReadWord(0100000, 0), 0x1237);

    EXPECT_EQ(first.machine.SetBusRate(4000, -1, false), 80);
    first.Run(4000);
    // A second of bus time: the first tick only starts the counting, so the hundredth tick falls just after it.
    EXPECT_EQ(first.Counter(), 99);
    EXPECT_EQ(first.soundDevice->blocks, 50);
    const Bytes saved = Archived([&](common::RecordArchive& archive) { return first.machine.SaveState(archive); });

    ScenarioMachine second;
    ASSERT_TRUE(second.machine.PowerOn());
    second.machine.SetBusRate(4000, -1, false);
    ASSERT_TRUE(
        ReadsWhole(saved, [&](common::RecordArchive& archive) { return second.machine.LoadState(archive, nullptr); }));
    EXPECT_EQ(second.Counter(), 99);
    EXPECT_EQ(second.machine.Memory()->ReadWord(0100002, 0), 0x8000);
    ASSERT_EQ(second.machine.Bus()->EventCount(), 2);
    EXPECT_EQ(second.machine.Bus()->EventAt(0)->owner, second.ticking);
    EXPECT_EQ(second.machine.Bus()->EventAt(1)->mixerOwner, second.soundDevice);
    EXPECT_EQ(second.machine.Bus()->EventAt(1)->tag, 50u);

    // Both run on alike from there.
    first.Run(200);
    second.Run(200);
    EXPECT_EQ(first.Counter(), 104);
    EXPECT_EQ(second.Counter(), 104);
    EXPECT_EQ(second.soundDevice->blocks, 3);
    EXPECT_EQ(second.machine.Bus()->EventAt(1)->tag, first.machine.Bus()->EventAt(1)->tag);

    first.machine.Stop();
    second.machine.Stop();
    EXPECT_EQ(second.console.Texts(), (std::vector<std::string>{"[INIT] Started emulation of TEST", "TICK starts",
                                                                "TICK stops", "[DONE] Emulation stopped!"}));
    EXPECT_EQ(second.machine.Bus()->EventCount(), 0);
}

TEST(ComputerTest, LogsTheStartEvenWhenItFails) {
    RecordingConsole console;
    std::vector<std::string> log;
    Computer computer("BK");
    ASSERT_TRUE(computer.CreateServices());
    computer.SetConsole(&console);
    Add<test_support::RecordingDevice>(computer, "D", log)->failStart = true;
    int32_t rate = 0;
    EXPECT_FALSE(computer.Start(rate));
    EXPECT_EQ(console.Texts(), (std::vector<std::string>{"[INIT] Started emulation of BK"}));
    EXPECT_EQ(log, (std::vector<std::string>{"D Start"}));
}

TEST(ComputerTest, TellsItsProcessorFrequency) {
    struct Case {
        bool running;
        bool maxSpeed;
        const char* expected;
    };
    for (const Case& test :
         {Case{false, false, "CPU=3.00 MHz"}, Case{false, true, "CPU=@3.00 MHz"}, Case{true, true, "CPU=1.50 MHz"}}) {
        TestMachine machine;
        common::NarrowString text("unchanged");
        machine.FrequencyText(text);
        EXPECT_EQ(text.Compare("unchanged"), 0);

        auto* cpu = Add<FakeCpu>(machine, "CPU", 3000000);
        cpu->maxSpeed = test.maxSpeed;
        cpu->requestedFrequency = 1500000;
        if (test.running) {
            ASSERT_TRUE(machine.PowerOn());
        }
        machine.FrequencyText(text);
        EXPECT_EQ(text.Compare(test.expected), 0) << text.GetNarrow();
    }
}

TEST(ComputerTest, NamesItselfThroughItsIdentifiersAndTitle) {
    Computer computer("BK");
    EXPECT_EQ(computer.ModelId(), nullptr);
    EXPECT_EQ(computer.FamilyId(), nullptr);
    EXPECT_EQ(computer.SettingsId(), nullptr);
    EXPECT_EQ(computer.StateFileId(), nullptr);

    class Model : public Computer {
    public:
        using Computer::Computer;
        const char* ModelId() const override { return "bk_11m"; }
    };
    Model model("BK-0011M");
    EXPECT_STREQ(model.FamilyId(), "bk_11m");
    EXPECT_STREQ(model.SettingsId(), "bk_11m");
    EXPECT_STREQ(model.StateFileId(), "bk_11m");

    common::StringList titles;
    computer.Title(titles);
    ASSERT_EQ(titles.Count(), 1);
    EXPECT_EQ(titles.At(0)->Kind(), 2);
    EXPECT_EQ(titles.At(0)->Compare(u"Computer \"BK\""), 0);
    EXPECT_EQ(computer.NameWide()->Compare(u"BK"), 0);
}

TEST(ComputerTest, OwnDataEndsWithTheMachineChunk) {
    Computer computer("BK");
    const auto load = LoadingOwnData(computer);
    const Bytes device = Concat({ChunkBegin("_CFP"), U8Value("VER", 0), ChunkEnd("_CFP"), ChunkBegin("_DEV"),
                                 U8Value("VER", 0), ChunkEnd("_DEV")});
    const Bytes saved = Archived(SavingOwnData(computer));
    EXPECT_EQ(saved, Concat({device, ChunkBegin("_MCH"), U8Value("VER", 0), ChunkEnd("_MCH")}));
    EXPECT_TRUE(ReadsWhole(saved, load));
    EXPECT_FALSE(ReadsWhole(Concat({device, ChunkBegin("_MCH"), U8Value("VER", 1), ChunkEnd("_MCH")}), load));
}

} // namespace
} // namespace emu
