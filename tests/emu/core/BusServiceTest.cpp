#include "emu/core/BusService.h"

#include "FakeCpu.h"
#include "emu/core/BranchNode.h"
#include "emu/core/HostSoundOutput.h"
#include "support/RecordingConsole.h"
#include "support/RecordingSoundOutput.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

// A device whose bus events write "<tick> <device>.<event>" into a log shared with the test. An event stays while
// the device's keep flag is set.
class TimedDevice : public BranchNode {
public:
    TimedDevice(const char* name, std::vector<std::string>& log, const BusService& bus)
        : BranchNode(name), log(&log), bus(&bus) {}

    bool keep = true;
    std::vector<int32_t> mixedCounts;

    static bool Fire(TreeNode* owner, BusEvent* event) {
        auto* device = static_cast<TimedDevice*>(owner);
        device->log->push_back(std::to_string(device->bus->Ticks()) + " " + std::string(device->Name().View()) + "." +
                               event->name);
        return device->keep;
    }
    static bool Other(TreeNode*, BusEvent*) { return true; }
    static bool Mix(TreeNode* owner, int32_t* accumulator, int32_t count, int32_t minSample, int32_t maxSample,
                    int32_t frequency, uint64_t* tag) {
        auto* device = static_cast<TimedDevice*>(owner);
        device->log->push_back(std::to_string(device->bus->Ticks()) + " mix " + std::to_string(count) + " " +
                               std::to_string(minSample) + ".." + std::to_string(maxSample) + " " +
                               std::to_string(frequency) + " tag " + std::to_string(*tag));
        std::fill_n(accumulator, count, 128);
        return device->keep;
    }
    static bool Timed(TreeNode*, int32_t*, uint64_t*, CpuInterface*) { return true; }

private:
    std::vector<std::string>* log;
    const BusService* bus;
};

// Outputs that count, across all clones of one prototype, the blocks they hand to the host and their silences.
struct OutputCounts {
    int32_t blocks = 0;
    int32_t silences = 0;
};

class CountingOutput : public HostSoundOutput {
public:
    explicit CountingOutput(OutputCounts& counts) : counts(&counts) {}

    bool Open(int32_t sampleRate, int32_t sampleBits, int32_t blockCount) override {
        const bool opened = HostSoundOutput::Open(sampleRate, sampleBits, blockCount);
        SetPaced(false);
        return opened;
    }
    std::unique_ptr<HostSoundOutput> Clone() const override { return std::make_unique<CountingOutput>(*counts); }
    void Silence() override {
        ++counts->silences;
        HostSoundOutput::Silence();
    }

protected:
    bool WriteBlock(int32_t) override {
        ++counts->blocks;
        return true;
    }

private:
    OutputCounts* counts;
};

using Log = std::vector<std::string>;

void Tick(BusService& bus, int32_t ticks) {
    for (int32_t tick = 0; tick < ticks; ++tick) {
        bus.Tick();
    }
}

TEST(BusServiceTest, SnapsTheRateUpAndAnswersTheTicksInAFiftiethOfASecond) {
    struct Case {
        int32_t requested;
        bool doubled;
        int32_t rate;
        int32_t ticks;
    };
    for (const Case& test :
         {Case{0, false, 4000, 80}, Case{4000, false, 4000, 80}, Case{4001, false, 8000, 160},
          Case{16000, false, 16000, 320}, Case{22050, false, 22050, 441}, Case{22051, false, 44100, 882},
          Case{96000, false, 44100, 882}, Case{100, true, 88200, 1764}}) {
        BusService bus;
        EXPECT_EQ(bus.SetRate(test.requested, nullptr, test.doubled), test.ticks) << test.requested;
        EXPECT_EQ(bus.Rate(), test.rate) << test.requested;
    }
}

TEST(BusServiceTest, DividesTheRateForEachRequestedFrequency) {
    struct Case {
        int32_t requested;
        int32_t divider;
        int32_t frequency;
        // After the rate is set again, which divides without rounding.
        int32_t dividerAfter;
        int32_t frequencyAfter;
    };
    for (const Case& test :
         {Case{1000, 44, 1002, 44, 1002}, Case{1010, 44, 1026, 43, 1026}, Case{50, 882, 50, 882, 50},
          Case{0, 1, 44100, 1, 44100}, Case{-3, 1, 44100, 1, 44100}, Case{50000, 1, 44100, 1, 44100}}) {
        BusService bus;
        BranchNode owner("DEV");
        bus.SetRate(44100, nullptr, false);
        EXPECT_EQ(bus.AddEvent(test.requested, TimedDevice::Other, &owner, "E", 0, false), test.frequency);
        EXPECT_EQ(bus.EventAt(0)->divider, test.divider) << test.requested;
        bus.SetRate(44100, nullptr, false);
        EXPECT_EQ(bus.EventAt(0)->divider, test.dividerAfter) << test.requested;
        EXPECT_EQ(bus.EventAt(0)->frequency, test.frequencyAfter) << test.requested;
    }
}

TEST(BusServiceTest, EventsAddedBeforeTheRateStartCountingOnceItIsSet) {
    BusService bus;
    Log log;
    TimedDevice device("DEV", log, bus);
    EXPECT_EQ(bus.AddEvent(1000, TimedDevice::Fire, &device, "E", 0, false), -1);
    bus.SetRate(4000, nullptr, false);
    EXPECT_EQ(bus.EventAt(0)->frequency, 1000);
    Tick(bus, 9);
    EXPECT_EQ(log, (Log{"4 DEV.E", "8 DEV.E"}));
}

TEST(BusServiceTest, FiresDueEventsInTheOrderAddedAndOnlyImmediateOnesOnTheFirstTick) {
    BusService bus;
    Log log;
    TimedDevice device("DEV", log, bus);
    bus.SetRate(4000, nullptr, false);
    bus.AddEvent(1000, TimedDevice::Fire, &device, "A", 0, false);
    bus.AddEvent(2000, TimedDevice::Fire, &device, "B", 0, true);
    bus.AddEvent(0, TimedDevice::Fire, &device, "C", 0, false);
    Tick(bus, 5);
    EXPECT_EQ(log, (Log{"0 DEV.B", "1 DEV.C", "2 DEV.B", "2 DEV.C", "3 DEV.C", "4 DEV.A", "4 DEV.B", "4 DEV.C"}));
    EXPECT_EQ(bus.EventAt(0)->fireCount, 1u);
    EXPECT_EQ(bus.EventAt(1)->fireCount, 3u);
    EXPECT_EQ(bus.EventAt(2)->fireCount, 4u);
}

TEST(BusServiceTest, TicksOnWhichNoEventIsDueReachEveryCountdownBeforeItIsReadOrAnotherEventJoins) {
    BusService bus;
    Log log;
    TimedDevice device("DEV", log, bus);
    bus.SetRate(4000, nullptr, false);
    bus.AddEvent(400, TimedDevice::Fire, &device, "Slow", 0, false);
    // The first tick leaves it alone; the next three count it down from 10.
    Tick(bus, 4);
    EXPECT_EQ(bus.EventAt(0)->countdown, 7);
    Tick(bus, 2);
    bus.AddEvent(1000, TimedDevice::Fire, &device, "Fast", 0, false);
    Tick(bus, 8);
    EXPECT_EQ(log, (Log{"9 DEV.Fast", "10 DEV.Slow", "13 DEV.Fast"}));
    EXPECT_EQ(bus.EventAt(0)->countdown, 7);
    EXPECT_EQ(bus.EventAt(1)->countdown, 4);
    EXPECT_EQ(bus.Ticks(), 14);
}

TEST(BusServiceTest, AnEventThatAnswersFalseGoesAndItsRecordServesTheNextEvent) {
    BusService bus;
    Log log;
    TimedDevice device("DEV", log, bus);
    bus.SetRate(4000, nullptr, false);
    bus.AddEvent(0, TimedDevice::Fire, &device, "A", 3, true);
    const BusEvent* record = bus.EventAt(0);
    device.keep = false;
    Tick(bus, 3);
    EXPECT_EQ(log, (Log{"0 DEV.A"}));
    EXPECT_EQ(bus.EventCount(), 0);

    bus.AddEvent(0, TimedDevice::Fire, &device, "B", 7, false);
    EXPECT_EQ(bus.EventAt(0), record);
    EXPECT_STREQ(record->name, "B");
    EXPECT_EQ(record->tag, 7u);
    EXPECT_EQ(record->fireCount, 0u);
}

TEST(BusServiceTest, ProcessorTicksTheBusThroughItsTimedEvent) {
    BusService bus;
    FakeCpu cpu("CPU", 3000000);
    EXPECT_EQ(bus.SetRate(44100, &cpu, false), 2);
    ASSERT_EQ(cpu.events.size(), 1u);
    const FakeCpu::TimedEvent& event = cpu.events[0];
    EXPECT_EQ(event.period, -68);
    EXPECT_EQ(event.owner, &bus);
    EXPECT_EQ(event.name, "_BusFreqEvent");
    int32_t period = 68;
    uint64_t data = 0;
    EXPECT_TRUE(event.callback(event.owner, &period, &data, &cpu));
    EXPECT_EQ(bus.Ticks(), 1);

    // Started, the bus binds that event by name for saved processor states.
    int32_t rate = 0;
    bus.Start(rate);
    const char* boundName = nullptr;
    const BusService::EventBinding* binding = bus.IsObjectEvent("_BUS", "_BusFreqEvent", &boundName);
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(std::get<TimedEventCallback>(binding->callback), event.callback);
    EXPECT_STREQ(boundName, "_BusFreqEvent");
}

TEST(BusServiceTest, BindsNamesOncePerDeviceAndFindsThemByFullDottedName) {
    BusService bus;
    Log log;
    BranchNode root("ROOT");
    BranchNode* group = nullptr;
    TimedDevice* device = nullptr;
    {
        auto groupNode = std::make_unique<BranchNode>("GRP");
        group = groupNode.get();
        root.AddChild(std::move(groupNode));
        auto deviceNode = std::make_unique<TimedDevice>("DEV", log, bus);
        device = deviceNode.get();
        group->AddChild(std::move(deviceNode));
    }
    TimedDevice twin("DEV", log, bus);

    EXPECT_TRUE(bus.BindCallbackEvent("Tick", TimedDevice::Fire, device));
    EXPECT_TRUE(bus.BindCallbackEvent("Tick", TimedDevice::Fire, device));
    EXPECT_FALSE(bus.BindCallbackEvent("Tick", TimedDevice::Other, device));
    EXPECT_FALSE(bus.BindObjectEvent("Tick", TimedDevice::Timed, device));
    EXPECT_TRUE(bus.BindObjectEvent("Timer", TimedDevice::Timed, device));
    EXPECT_FALSE(bus.BindCallbackEvent("Other", TimedDevice::Fire, &twin));
    EXPECT_FALSE(bus.BindCallbackEvent(nullptr, TimedDevice::Fire, device));
    EXPECT_FALSE(bus.BindCallbackEvent("Tick", nullptr, device));
    EXPECT_FALSE(bus.BindCallbackEvent("Tick", TimedDevice::Fire, nullptr));

    const char* boundName = nullptr;
    const BusService::EventBinding* binding = bus.FindNamedEvent("DEV.GRP", "Tick", &boundName);
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(binding->owner, device);
    EXPECT_EQ(std::get<BusEventCallback>(binding->callback), TimedDevice::Fire);
    EXPECT_STREQ(boundName, "Tick");
    EXPECT_EQ(bus.FindNamedEvent("DEV", "Tick", nullptr), nullptr);
    EXPECT_EQ(bus.IsObjectEvent("DEV.GRP", "Tick", nullptr), nullptr);
    EXPECT_NE(bus.IsObjectEvent("DEV.GRP", "Timer", nullptr), nullptr);
}

TEST(BusServiceTest, WhileRegisteringAnEventThatCannotBeBoundIsNotAdded) {
    BusService bus;
    Log log;
    TimedDevice device("DEV", log, bus);
    TimedDevice twin("DEV", log, bus);
    bus.SetRate(4000, nullptr, false);
    bus.SetRegistering(true);
    EXPECT_TRUE(bus.IsRegistering());
    EXPECT_EQ(bus.AddEvent(1000, TimedDevice::Fire, &device, "Tick", 0, false), 1000);
    EXPECT_NE(bus.FindNamedEvent("DEV", "Tick", nullptr), nullptr);
    EXPECT_EQ(bus.AddEvent(1000, TimedDevice::Fire, &device, nullptr, 0, false), 0);
    EXPECT_EQ(bus.AddEvent(1000, TimedDevice::Fire, &twin, "Tick", 0, false), 0);
    EXPECT_EQ(bus.AddEvent(1000, nullptr, &device, "Tick", 0, false), 0);
    EXPECT_EQ(bus.EventCount(), 1);
}

TEST(BusServiceTest, OutputEventsMixFiftyTimesASecondAndPlayUnlessPaused) {
    BusService bus;
    Log log;
    TimedDevice device("SND", log, bus);
    OutputCounts counts;
    CountingOutput prototype(counts);
    EXPECT_FALSE(bus.AttachSoundOutput(4000, 8, TimedDevice::Mix, &device, "Mix", 5));
    bus.SetOutputPrototype(&prototype);
    EXPECT_FALSE(bus.AttachSoundOutput(4000, 12, TimedDevice::Mix, &device, "Mix", 5));
    EXPECT_FALSE(bus.AttachSoundOutput(4000, 8, nullptr, &device, "Mix", 5));
    EXPECT_EQ(bus.EventCount(), 0);

    bus.SetRate(4000, nullptr, false);
    ASSERT_TRUE(bus.AttachSoundOutput(4000, 8, TimedDevice::Mix, &device, "Mix", 5));
    EXPECT_EQ(bus.EventAt(0)->divider, 80);
    Tick(bus, 161);
    EXPECT_EQ(log, (Log{"0 mix 80 0..255 50 tag 5", "80 mix 80 0..255 50 tag 5", "160 mix 80 0..255 50 tag 5"}));
    EXPECT_EQ(counts.blocks, 3);

    bus.SetPaused(true);
    bus.SetPaused(true);
    EXPECT_EQ(counts.silences, 1);
    Tick(bus, 80);
    EXPECT_EQ(log.size(), 4u);
    EXPECT_EQ(counts.blocks, 3);
    bus.SetPaused(false);
    Tick(bus, 80);
    EXPECT_EQ(counts.blocks, 4);
    EXPECT_EQ(counts.silences, 1);
}

// Without an audio device the machine still runs: the output event plays through a null output of the same shape,
// and the console hears of it once per start.
TEST(BusServiceTest, AnOutputThatCannotBeOpenedGivesWayToASilentOne) {
    const std::string failure =
        "[ERROR] Sound output \"WaveSound\" can not be opened (22050 Hz, 16 bits): playing without sound!";
    BusService bus;
    test_support::RecordingConsole console;
    bus.SetConsole(&console);
    Log log;
    TimedDevice device("SND", log, bus);
    test_support::RecordingSoundOutput prototype({"WaveSound", true, false});
    bus.SetOutputPrototype(&prototype);
    int32_t rate = 0;
    ASSERT_TRUE(bus.Start(rate));
    bus.SetRate(4000, nullptr, false);
    bus.SetRegistering(true);
    ASSERT_TRUE(bus.AttachSoundOutput(22050, 16, TimedDevice::Mix, &device, "Mix", 0));
    ASSERT_TRUE(bus.AttachSoundOutput(22050, 16, TimedDevice::Mix, &device, "Mix", 1));
    EXPECT_FALSE(bus.AttachSoundOutput(22050, 12, TimedDevice::Mix, &device, "Mix", 2));
    ASSERT_EQ(bus.EventCount(), 2);
    const HostSoundOutput& output = *bus.EventAt(0)->output;
    EXPECT_TRUE(output.IsNull());
    EXPECT_EQ(output.SampleRate(), 22050);
    EXPECT_EQ(output.SampleBits(), 16);
    EXPECT_EQ(console.Lines(), (std::vector<test_support::RecordingConsole::Line>{{failure, kErrorColour}}));

    // A restored output event falls back alike, told of once more after the next start.
    const Bytes saved = Archived(SavingOwnData(bus));
    bus.Stop();
    ASSERT_TRUE(bus.Start(rate));
    EXPECT_TRUE(ReadsWhole(saved, LoadingOwnData(bus)));
    ASSERT_EQ(bus.EventCount(), 2);
    EXPECT_TRUE(bus.EventAt(1)->output->IsNull());
    Tick(bus, 1);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(console.Texts(), (std::vector<std::string>{failure, failure}));
}

TEST(BusServiceTest, StopFreesTheEventsAndKeepsTheBindings) {
    BusService bus;
    Log log;
    TimedDevice device("DEV", log, bus);
    OutputCounts counts;
    CountingOutput prototype(counts);
    bus.SetOutputPrototype(&prototype);
    bus.SetRate(4000, nullptr, false);
    bus.BindCallbackEvent("Tick", TimedDevice::Fire, &device);
    bus.AddEvent(1000, TimedDevice::Fire, &device, "Tick", 0, false);
    bus.AttachSoundOutput(4000, 8, TimedDevice::Mix, &device, "Mix", 0);
    bus.Stop();
    EXPECT_EQ(bus.EventCount(), 0);
    EXPECT_EQ(bus.Rate(), 0);
    EXPECT_EQ(bus.Ticks(), 0);
    EXPECT_NE(bus.FindNamedEvent("DEV", "Tick", nullptr), nullptr);
}

// Two buses with a device each of the same name, bound while registering, as two machines built alike.
struct BusPair {
    Log log;
    OutputCounts counts;
    CountingOutput prototype{counts};
    BusService saving;
    BusService loading;
    TimedDevice savingDevice{"DEV", log, saving};
    TimedDevice loadingDevice{"DEV", log, loading};

    BusPair() {
        for (auto [bus, device] : {std::pair{&saving, &savingDevice}, {&loading, &loadingDevice}}) {
            bus->SetOutputPrototype(&prototype);
            bus->SetRate(4000, nullptr, false);
            bus->SetRegistering(true);
            bus->AddEvent(1000, TimedDevice::Fire, device, "Tick", 0x1122334455667788, false);
            bus->AttachSoundOutput(8000, 16, TimedDevice::Mix, device, "Mix", 9);
            bus->SetRegistering(false);
        }
    }
};

// An "_EVT" chunk of a bus at rate and ticks with one event, DEV's "Tick", saved as the ten words.
Bytes EventChunk(int32_t rate, int32_t ticks, const std::array<uint32_t, 10>& words) {
    Bytes data;
    for (const uint32_t word : words) {
        data = Concat({data, LittleEndian(word)});
    }
    return Concat({ChunkBegin("_EVT"), U8Value("VER", 0), I32Value("CRFRQ", rate), I32Value("CNFRQ", ticks),
                   U32Value("CNEVT", 1), NarrowValue("DVEVT0", "DEV"), NarrowValue("NMEVT0", "Tick"),
                   BlobValue("DTEVT0", data), ChunkEnd("_EVT")});
}

// Kind 1, 1000 Hz of 4000 by a divider of 4, three ticks to go, 1000 asked for, no output, fired once, the tag.
constexpr std::array<uint32_t, 10> kTickWords = {1, 1000, 4, 3, 1000, 0, 1, 0, 0x55667788, 0x11223344};

// A bus of 4000 Hz with DEV's 1000 Hz event "Tick", bound by name, after six ticks.
struct TickingBus {
    Log log;
    BusService bus;
    TimedDevice device{"DEV", log, bus};

    TickingBus() {
        bus.SetRate(4000, nullptr, false);
        bus.SetRegistering(true);
        bus.AddEvent(1000, TimedDevice::Fire, &device, "Tick", 0x1122334455667788, false);
        bus.SetRegistering(false);
        Tick(bus, 6);
    }
};

TEST(BusServiceTest, SavedEventsHaveTheirGoldenBytes) {
    TickingBus ticking;
    EXPECT_EQ(Archived(SavingOwnData(ticking.bus)), EventChunk(4000, 6, kTickWords));
}

// Every number out of range is refused with nothing changed; the boundaries a bus reaches load.
TEST(BusServiceTest, EventStateNumbersOutOfRangeAreRefusedAndChangeNothing) {
    constexpr uint32_t kMin = 0x80000000;
    constexpr uint32_t kMax = 0x7FFFFFFF;
    struct Case {
        const char* name;
        int32_t rate;
        int32_t ticks;
        size_t word;
        uint32_t value;
        bool loads;
    };
    const Case cases[] = {
        {"ticks INT_MIN", 4000, std::numeric_limits<int32_t>::min(), 0, 1, false},
        {"ticks negative", 4000, -1, 0, 1, false},
        {"ticks INT_MAX", 4000, std::numeric_limits<int32_t>::max(), 0, 1, true},
        {"rate INT_MAX", std::numeric_limits<int32_t>::max(), 6, 0, 1, false},
        {"frequency INT_MIN", 4000, 6, 1, kMin, false},
        {"frequency INT_MAX", 4000, 6, 1, kMax, false},
        {"frequency negative", 4000, 6, 1, 0xFFFFFFFF, false},
        {"frequency 0", 4000, 6, 1, 0, true},
        {"divider 0", 4000, 6, 2, 0, false},
        {"divider INT_MAX", 4000, 6, 2, kMax, false},
        {"divider negative", 4000, 6, 2, 0xFFFFFFFF, false},
        {"countdown INT_MIN", 4000, 6, 3, kMin, false},
        {"countdown negative", 4000, 6, 3, 0xFFFFFFFF, false},
        {"countdown INT_MAX", 4000, 6, 3, kMax, false},
        {"countdown 0", 4000, 6, 3, 0, true},
        {"countdown at the request", 4000, 6, 3, 1000, true},
        {"request 0", 4000, 6, 4, 0, false},
        {"request INT_MIN", 4000, 6, 4, kMin, false},
        {"request every tick", 4000, 6, 4, kMax, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        TickingBus loading;
        std::array<uint32_t, 10> words = kTickWords;
        words[test.word] = test.value;
        const Bytes crafted = EventChunk(test.rate, test.ticks, words);
        EXPECT_EQ(ReadsWhole(crafted, LoadingOwnData(loading.bus)), test.loads);
        if (test.loads) {
            EXPECT_EQ(Archived(SavingOwnData(loading.bus)), crafted) << "loads as it was saved";
            Tick(loading.bus, 3);
            continue;
        }
        EXPECT_EQ(loading.bus.Rate(), 4000);
        EXPECT_EQ(loading.bus.Ticks(), 6);
        ASSERT_EQ(loading.bus.EventCount(), 1);
        EXPECT_EQ(loading.bus.EventAt(0)->countdown, 3);
    }
}

// Hours of emulated time at 88200 ticks a second pass the largest count.
TEST(BusServiceTest, TheTickCountGoesOnPastItsLargestValueWithoutAnotherFirstTick) {
    BusPair buses;
    const Bytes nearTheEnd =
        Concat({ChunkBegin("_EVT"), U8Value("VER", 0), I32Value("CRFRQ", 4000),
                I32Value("CNFRQ", std::numeric_limits<int32_t>::max()), U32Value("CNEVT", 0), ChunkEnd("_EVT")});
    ASSERT_TRUE(ReadsWhole(nearTheEnd, LoadingOwnData(buses.loading)));
    buses.loading.SetRegistering(true);
    ASSERT_EQ(buses.loading.AddEvent(4000, TimedDevice::Fire, &buses.loadingDevice, "Every", 0, false), 4000);
    buses.loading.SetRegistering(false);
    ASSERT_TRUE(buses.saving.BindCallbackEvent("Every", TimedDevice::Fire, &buses.savingDevice));
    buses.log.clear();
    Tick(buses.loading, 2);
    EXPECT_EQ(buses.log, (Log{"2147483647 DEV.Every", "1 DEV.Every"}));
    EXPECT_EQ(buses.loading.Ticks(), 2);
    // What it saves then loads again.
    const Bytes saved = Archived(SavingOwnData(buses.loading));
    EXPECT_TRUE(ReadsWhole(saved, LoadingOwnData(buses.saving)));
    EXPECT_EQ(buses.saving.Ticks(), 2);
}

TEST(BusServiceTest, SavedEventsComeBackBoundToTheDevicesOfAnotherBus) {
    BusPair buses;
    Tick(buses.saving, 6);
    const Bytes saved = Archived(SavingOwnData(buses.saving));
    // The first event's records, after rate, ticks and count.
    const Bytes expectedStart = Concat({ChunkBegin("_EVT"), U8Value("VER", 0)});
    ASSERT_TRUE(std::equal(expectedStart.begin(), expectedStart.end(), saved.begin()));

    ASSERT_TRUE(ReadsWhole(saved, LoadingOwnData(buses.loading)));
    EXPECT_EQ(buses.loading.Rate(), 4000);
    EXPECT_EQ(buses.loading.Ticks(), 6);
    ASSERT_EQ(buses.loading.EventCount(), 2);
    for (int32_t index = 0; index < 2; ++index) {
        const BusEvent* original = buses.saving.EventAt(index);
        const BusEvent* restored = buses.loading.EventAt(index);
        EXPECT_EQ(restored->kind, original->kind);
        EXPECT_EQ(restored->countdown, original->countdown);
        EXPECT_EQ(restored->divider, original->divider);
        EXPECT_EQ(restored->fireCount, original->fireCount);
        EXPECT_EQ(restored->tag, original->tag);
        EXPECT_STREQ(restored->name, original->name);
    }
    EXPECT_EQ(buses.loading.EventAt(0)->owner, &buses.loadingDevice);
    EXPECT_EQ(buses.loading.EventAt(1)->mixerOwner, &buses.loadingDevice);
    EXPECT_EQ(buses.loading.EventAt(1)->output->SampleBits(), 16);
    EXPECT_EQ(buses.loading.EventAt(1)->output->SampleRate(), 8000);

    // Both go on alike.
    buses.log.clear();
    Tick(buses.saving, 100);
    const Log savingLog = buses.log;
    buses.log.clear();
    Tick(buses.loading, 100);
    EXPECT_EQ(buses.log, savingLog);
    EXPECT_EQ(Archived(SavingOwnData(buses.loading)), Archived(SavingOwnData(buses.saving)));
}

// The saved chunk with one data word of an event replaced.
Bytes WithEventWord(const Bytes& saved, int32_t event, int32_t word, uint32_t value) {
    const Bytes key = Name("DTEVT" + std::to_string(event));
    auto at = std::search(saved.begin(), saved.end(), key.begin(), key.end());
    EXPECT_NE(at, saved.end());
    // After the name: the blob type and its 32-bit length.
    Bytes changed = saved;
    const auto offset = static_cast<size_t>(at - saved.begin()) + key.size() + 1 + 4 + 4 * static_cast<size_t>(word);
    for (int32_t byte = 0; byte < 4; ++byte) {
        changed[offset + static_cast<size_t>(byte)] = static_cast<uint8_t>(value >> (8 * byte));
    }
    return changed;
}

TEST(BusServiceTest, RefusesAChunkItCannotRestoreAndKeepsItsEvents) {
    BusPair buses;
    Tick(buses.saving, 1);
    const Bytes saved = Archived(SavingOwnData(buses.saving));
    BusService unbound;
    Log log;
    TimedDevice stranger("OTHER", log, unbound);
    unbound.SetRate(4000, nullptr, false);
    unbound.AddEvent(1000, TimedDevice::Fire, &stranger, "Tick", 0, false);
    EXPECT_FALSE(ReadsWhole(saved, LoadingOwnData(unbound)));
    EXPECT_EQ(unbound.EventCount(), 1);
    EXPECT_EQ(unbound.EventAt(0)->owner, &stranger);

    const Bytes badVersion = Concat({ChunkBegin("_EVT"), U8Value("VER", 1)});
    // A sound output event bound to a plain event's callback could not be called.
    const Bytes outputOfPlainEvent = WithEventWord(WithEventWord(saved, 0, 0, 2), 0, 5, 8u << 24 | 8000);
    const Bytes tooManySamples = WithEventWord(saved, 1, 5, 16u << 24 | 0xFFFFFF);
    for (const Bytes& chunk : {badVersion, WithEventWord(saved, 0, 0, 3), outputOfPlainEvent,
                               WithEventWord(saved, 0, 0, 0x101), WithEventWord(saved, 0, 2, 0),
                               WithEventWord(saved, 0, 4, 0), tooManySamples, Bytes(saved.begin(), saved.end() - 3)}) {
        BusPair fresh;
        fresh.loading.AddEvent(7, TimedDevice::Other, &fresh.loadingDevice, "Spare", 0, false);
        EXPECT_FALSE(ReadsWhole(chunk, LoadingOwnData(fresh.loading)));
        EXPECT_EQ(fresh.loading.EventCount(), 3);
    }
}

} // namespace
} // namespace emu
