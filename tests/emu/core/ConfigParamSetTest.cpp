#include "emu/core/ConfigParamSet.h"

#include "FakeMachine.h"
#include "TreeHelpers.h"
#include "emu/core/ConfigParamApplier.h"
#include "support/RecordingDevice.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

TEST(ConfigParamSetTest, AddsAreRefusedWithoutWhatTheirKindNeeds) {
    struct Case {
        const char* what;
        bool (*add)(ConfigParamSet&);
        bool added;
    };
    const Case cases[] = {
        {"memory, read only",
         [](ConfigParamSet& set) {
             return set.AddMemoryRange("P", false, nullptr, nullptr, nullptr, StubRead, nullptr);
         },
         true},
        {"memory, write only",
         [](ConfigParamSet& set) {
             return set.AddMemoryRange("P", false, nullptr, nullptr, nullptr, nullptr, StubWrite);
         },
         true},
        {"memory, no handler",
         [](ConfigParamSet& set) {
             return set.AddMemoryRange("P", false, nullptr, nullptr, nullptr, nullptr, nullptr);
         },
         false},
        {"ports, no handler",
         [](ConfigParamSet& set) { return set.AddPortRange("P", false, nullptr, nullptr, nullptr, nullptr, nullptr); },
         false},
        {"port values, no handler",
         [](ConfigParamSet& set) { return set.AddPortRangeValues("P", false, false, 1, 1, nullptr, nullptr); }, false},
        {"status ports, read only",
         [](ConfigParamSet& set) {
             return set.AddPortRangeAlt("P", false, nullptr, nullptr, nullptr, StubStatusRead, nullptr);
         },
         true},
        {"status port values, no handler",
         [](ConfigParamSet& set) { return set.AddPortRangeAltValues("P", false, false, 1, 1, nullptr, nullptr); },
         false},
        {"write ports, no handler",
         [](ConfigParamSet& set) { return set.AddPortWriteRangeValues("P", false, false, 1, 1, nullptr); }, false},
        {"flag, no active variable", [](ConfigParamSet& set) { return set.AddFlag("P", false, nullptr, nullptr); },
         false},
        {"self-contained flag", [](ConfigParamSet& set) { return set.AddFlag("P", true, nullptr, nullptr); }, true},
        {"flag pair, no active variable",
         [](ConfigParamSet& set) { return set.AddFlagPair("P", false, nullptr, nullptr, nullptr); }, false},
        {"vectors A, no handler",
         [](ConfigParamSet& set) { return set.AddVectorRangeA("P", false, nullptr, nullptr, nullptr, nullptr); },
         false},
        {"vector values B", [](ConfigParamSet& set) { return set.AddVectorRangeBValues("P", false, 1, 1, StubHook); },
         true},
        {"vector values B, no handler",
         [](ConfigParamSet& set) { return set.AddVectorRangeBValues("P", false, 1, 1, nullptr); }, false},
        {"no name", [](ConfigParamSet& set) { return set.AddFlag(nullptr, true, nullptr, nullptr); }, false},
    };
    for (const Case& test : cases) {
        ConfigParamSet set;
        EXPECT_EQ(test.add(set), test.added) << test.what;
        EXPECT_EQ(set.Count(), test.added ? 1 : 0) << test.what;
    }
}

TEST(ConfigParamSetTest, ARecordTakesItsKindValuesAndHandlers) {
    ConfigParamSet set;
    ASSERT_TRUE(set.AddPortRangeAltValues("PORTSEX", true, true, 0177714, 2, StubStatusRead, StubWrite));
    ASSERT_TRUE(set.AddVectorRangeAValues("EMT", false, 030, 0, StubHook));
    const ConfigParam* ports = set.Find("PORTSEX");
    ASSERT_NE(ports, nullptr);
    EXPECT_EQ(ports->Type(), ParamType::PortRange);
    EXPECT_EQ(ports->First(), 0177714u);
    EXPECT_EQ(ports->Count(), 2u);
    EXPECT_TRUE(ports->IsFixed());
    EXPECT_TRUE(ports->IsSelfContained());
    EXPECT_TRUE(ports->IsEnabled());
    EXPECT_FALSE(ports->IsActive());
    EXPECT_EQ(ports->Handlers().read, nullptr);
    EXPECT_EQ(ports->Handlers().statusRead, &StubStatusRead);
    EXPECT_EQ(ports->Handlers().write, &StubWrite);
    const ConfigParam* vectors = set.Find("EMT");
    ASSERT_NE(vectors, nullptr);
    EXPECT_EQ(vectors->Type(), ParamType::VectorRangeA);
    EXPECT_EQ(vectors->Count(), 1u);
    EXPECT_TRUE(vectors->IsFixed());
}

TEST(ConfigParamSetTest, VariablesGiveTheValuesAndTheActiveOneStaysClearUntilApplied) {
    struct Case {
        bool withCount;
        uint64_t count;
        uint64_t expectedCount;
    };
    for (const Case& test : {Case{true, 0, 1}, Case{false, 5, 1}, Case{true, 4, 4}}) {
        ConfigParamSet set;
        bool active = true;
        uint64_t first = 040;
        uint64_t count = test.count;
        ASSERT_TRUE(
            set.AddMemoryRange("MEMORY", false, &active, &first, test.withCount ? &count : nullptr, StubRead, nullptr));
        const ConfigParam* record = set.Find("MEMORY");
        EXPECT_EQ(record->First(), 040u);
        EXPECT_EQ(record->Count(), test.expectedCount);
        EXPECT_TRUE(record->IsFixed());
        EXPECT_FALSE(active);
    }

    ConfigParamSet set;
    bool active = false;
    uint64_t line = 3;
    ASSERT_TRUE(set.AddFlag("IRQ", false, &active, &line));
    EXPECT_FALSE(active);
    EXPECT_TRUE(ConfigParamApplier().ApplyFlag(set.Find("IRQ")));
    EXPECT_TRUE(active);
    EXPECT_EQ(set.Find("IRQ")->AppliedFirst(), 3u);
}

TEST(ConfigParamSetTest, ATakenNameKeepsTheFirstRecordAndRemoveThenAddReplacesIt) {
    ConfigParamSet set;
    ASSERT_TRUE(set.AddPortRangeValues("PORTS", false, false, 0100, 2, StubRead, nullptr));
    EXPECT_FALSE(set.AddPortRangeValues("PORTS", false, false, 0200, 4, StubRead, nullptr));
    EXPECT_EQ(set.Find("PORTS")->First(), 0100u);
    EXPECT_TRUE(set.Remove("PORTS"));
    EXPECT_TRUE(set.AddPortRangeValues("PORTS", false, false, 0200, 4, StubRead, nullptr));
    EXPECT_EQ(set.Find("PORTS")->First(), 0200u);
    EXPECT_EQ(set.Count(), 1);
    EXPECT_TRUE(set.Remove("ABSENT"));
}

TEST(ConfigParamSetTest, RecordsAreReachedByIndexInNameOrder) {
    ConfigParamSet set;
    for (const char* name : {"PORTSEX", "IRQ", "PORTS", "EMT", "ROM_BK0010"}) {
        ASSERT_TRUE(set.AddFlag(name, true, nullptr, nullptr));
    }
    std::vector<std::string> names;
    for (int32_t index = 0; index < set.Count(); ++index) {
        names.emplace_back(set.RecordAt(index)->Name().View());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"EMT", "IRQ", "PORTS", "PORTSEX", "ROM_BK0010"}));
    EXPECT_EQ(set.RecordAt(-1), nullptr);
    EXPECT_EQ(set.RecordAt(set.Count()), nullptr);
    EXPECT_EQ(ConfigParamSet().RecordAt(0), nullptr);
}

TEST(ConfigParamSetTest, OutOfForceMeansInactiveWithTheConfiguredValues) {
    ConfigParamSet set;
    bool active = false;
    uint64_t first = 2;
    uint64_t count = 3;
    ASSERT_TRUE(set.AddMemoryRange("MEMORY", false, &active, &first, &count, StubRead, nullptr));
    ConfigParam* record = set.Find("MEMORY");
    record->Activate();
    first = 99;
    count = 99;
    set.RestoreAll();
    EXPECT_FALSE(record->IsActive());
    EXPECT_TRUE(record->IsEnabled());
    EXPECT_FALSE(active);
    EXPECT_EQ(first, 2u);
    EXPECT_EQ(count, 3u);

    record->Activate();
    EXPECT_TRUE(set.Disable("MEMORY"));
    EXPECT_FALSE(record->IsEnabled());
    EXPECT_FALSE(active);
    EXPECT_TRUE(set.Disable("ABSENT"));
}

// The machine as the set's listener: what it is asked to apply, and what the devices hear while it runs.
class ConfigParamListenerTest : public testing::Test {
protected:
    ConfigParamListenerTest() : device("DEV", log) {
        machine.root = &device;
        device.SetServices(&machine, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    }

    std::vector<std::string> log;
    FakeMachine machine;
    test_support::RecordingDevice device;
};

TEST_F(ConfigParamListenerTest, ChangesWhileRunningNotifyTheDevicesWithTheKindOfTheChange) {
    ConfigParamSet& params = device.Params();
    EXPECT_EQ(params.Listener(), &machine);
    bool active = false;
    uint64_t line = 5;
    ASSERT_TRUE(params.AddFlag("IRQ", false, &active, &line));
    EXPECT_TRUE(machine.appliedNotifications.empty());

    machine.running = true;
    ASSERT_TRUE(params.AddPortRangeValues("PORTS", false, false, 0177660, 2, StubRead, nullptr));
    ASSERT_TRUE(params.AddMemoryRange("MEMORY", false, nullptr, nullptr, nullptr, nullptr, StubWrite));
    ASSERT_TRUE(params.AddVectorRangeBValues("EMT", false, 030, 1, StubHook));
    ASSERT_TRUE(params.AddFlagPair("PAIR", true, nullptr, nullptr, nullptr));
    ASSERT_TRUE(params.Remove("IRQ"));
    EXPECT_TRUE(params.Remove("ABSENT"));
    EXPECT_TRUE(params.Disable("PORTS"));
    EXPECT_TRUE(params.Disable("PORTS"));
    EXPECT_EQ(machine.appliedNotifications, (std::vector<uint32_t>{0x84, 0x82, 0x88, 0x80, 0x8E, 0x8E}));
    EXPECT_EQ(log, (std::vector<std::string>{"DEV Notify 0x84", "DEV Notify 0x82", "DEV Notify 0x88", "DEV Notify 0x80",
                                             "DEV Notify 0x8E", "DEV Notify 0x8E"}));
}

TEST_F(ConfigParamListenerTest, AFailedApplyIsTheAnswerAndTheRecordStays) {
    machine.running = true;
    machine.applyAnswer = false;
    EXPECT_FALSE(device.Params().AddFlag("IRQ", true, nullptr, nullptr));
    EXPECT_NE(device.Params().Find("IRQ"), nullptr);
    EXPECT_FALSE(device.Params().Remove("IRQ"));
    EXPECT_EQ(device.Params().Find("IRQ"), nullptr);
}

TEST(ConfigParamSetTest, StateChunkHoldsOnlyItsVersion) {
    const Bytes chunk = Concat({{0xF0, 0x81, 0x85, 0x04, 0x00, '_', 'C', 'F', 'P'},
                                {0xF8, 0x81, 0x82, 0x03, 0x00, 'V', 'E', 'R', 0x00, 0x00},
                                {0xFF, 0x81, 0x85, 0x04, 0x00, '_', 'C', 'F', 'P'}});
    ConfigParamSet set;
    ASSERT_TRUE(set.AddFlag("IRQ", true, nullptr, nullptr));
    common::MemoryStream stream;
    stream.Create(0, -1);
    common::RecordArchive writer(stream);
    ASSERT_TRUE(set.SaveState(writer));
    EXPECT_EQ(Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size()), chunk);

    const auto loads = [&set](Bytes bytes) {
        common::MemoryStream source;
        source.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
        common::RecordArchive reader(source);
        return set.LoadState(reader, nullptr);
    };
    EXPECT_TRUE(loads(chunk));
    Bytes versionOne = chunk;
    versionOne[18] = 0x01;
    EXPECT_FALSE(loads(versionOne));
    EXPECT_FALSE(loads(Bytes(chunk.begin(), chunk.end() - 1)));
    EXPECT_EQ(set.Count(), 1);
}

} // namespace
} // namespace emu
