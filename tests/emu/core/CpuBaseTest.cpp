#include "emu/core/CpuBase.h"

#include "emu/core/BusService.h"
#include "support/RamTestMachine.h"
#include "support/SecondProcessor.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

// A processor that runs no instructions: each slice spends its whole budget, calling `during` half-way.
class SliceCpu : public emu::CpuBase {
public:
    SliceCpu() { SetFrequency(1000000); }
    void InterruptLineChanged(uint32_t) override {}
    int32_t Execute(int32_t budget) override {
        OpenSlice(budget);
        budgetLeft -= sliceBudget / 2;
        if (during) {
            during();
        }
        budgetLeft -= budgetLeft > 0 ? budgetLeft : 0;
        return CloseSlice();
    }
    std::function<void()> during;
};

// The owner of events in these tests: records each call with the cycle it came at.
class EventOwner : public emu::Device {
public:
    explicit EventOwner(const char* name) : emu::Device(name) {}
    static bool Record(emu::TreeNode* node, int32_t* period, uint64_t* data, emu::CpuInterface* cpu) {
        auto* owner = static_cast<EventOwner*>(node);
        owner->calls.push_back({cpu->Cycles(), *data});
        if (owner->nextPeriod != 0) {
            *period = owner->nextPeriod;
        }
        return owner->keep;
    }
    struct Call {
        uint64_t at;
        uint64_t data;
        bool operator==(const Call&) const = default;
    };
    std::vector<Call> calls;
    int32_t nextPeriod = 0;
    bool keep = true;
};

class CpuBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine.Attach(cpu);
        int32_t rate = 0;
        ASSERT_TRUE(cpu.Start(rate));
        cpu.RebuildEvents();
    }
    // Runs slices up to the next event and dispatches, as the controller does, until Cycles() reaches `until`.
    void RunTo(uint64_t until) {
        while (cpu.Cycles() < until) {
            const int64_t left = static_cast<int64_t>(until - cpu.Cycles());
            cpu.Execute(static_cast<int32_t>(std::min<int64_t>(left, std::max(cpu.cyclesToNextEvent, 1))));
            cpu.DispatchEvents();
        }
    }

    test_support::RamTestMachine machine;
    SliceCpu cpu;
    EventOwner first{"First"};
    EventOwner second{"Second"};
};

TEST_F(CpuBaseTest, EventsRunEveryPeriodInTheOrderAdded) {
    ASSERT_TRUE(cpu.AddEvent(100, &EventOwner::Record, &first, "tick", 1));
    ASSERT_TRUE(cpu.AddEvent(100, &EventOwner::Record, &second, "tick", 2));
    EXPECT_EQ(cpu.cyclesToNextEvent, 100);
    RunTo(250);
    const std::vector<EventOwner::Call> expected = {{100, 1}, {200, 1}};
    EXPECT_EQ(first.calls, expected);
    EXPECT_EQ(second.calls.size(), 2u);
}

TEST_F(CpuBaseTest, ZeroOrNegativePeriodIsDueAtOnceThenRepeatsByItsSize) {
    for (const int32_t period : {0, -5}) {
        first.calls.clear();
        SetUp();
        ASSERT_TRUE(cpu.AddEvent(period, &EventOwner::Record, &first, "tick", 0));
        EXPECT_EQ(cpu.cyclesToNextEvent, 0);
        cpu.DispatchEvents();
        RunTo(10);
        const size_t expected = period == 0 ? 11 : 3; // at 0..10, or at 0, 5, 10
        EXPECT_EQ(first.calls.size(), expected) << period;
    }
}

TEST_F(CpuBaseTest, LateDispatchCatchesUpAndLeavesTheNextDueTime) {
    ASSERT_TRUE(cpu.AddEvent(10, &EventOwner::Record, &first, "tick", 0));
    cpu.Execute(10 + 3 * 10 + 1);
    cpu.DispatchEvents();
    EXPECT_EQ(first.calls.size(), 4u);
    EXPECT_EQ(cpu.cyclesToNextEvent, 9);
    SetUp();
    first.calls.clear();
    ASSERT_TRUE(cpu.AddEvent(10, &EventOwner::Record, &first, "tick", 0));
    cpu.Execute(10 + 3 * 10);
    cpu.DispatchEvents();
    EXPECT_EQ(first.calls.size(), 3u);
    EXPECT_EQ(cpu.cyclesToNextEvent, 0);
}

TEST_F(CpuBaseTest, CallbackChangesItsPeriodOrRemovesItself) {
    first.nextPeriod = -3; // becomes 1
    ASSERT_TRUE(cpu.AddEvent(10, &EventOwner::Record, &first, "tick", 0));
    RunTo(12);
    EXPECT_EQ(first.calls.size(), 3u); // at 10, 11, 12
    first.keep = false;
    RunTo(20);
    EXPECT_EQ(first.calls.size(), 4u);
    EXPECT_EQ(cpu.ActiveEventCount(), 0);
}

TEST_F(CpuBaseTest, ScaledTimeBaseConvertsPeriodsThroughTheRatio) {
    cpu.SetScaledTimeBase(true);
    cpu.SetPrimaryFrequency(2500000);
    cpu.SetRequestedFrequency(1000000); // ratio 2.5
    ASSERT_TRUE(cpu.AddEvent(10, &EventOwner::Record, &first, "ten", 0));
    ASSERT_TRUE(cpu.AddEvent(1, &EventOwner::Record, &second, "one", 0));
    EXPECT_EQ(cpu.cyclesToNextEvent, 1);
    RunTo(4);
    EXPECT_EQ(first.calls.size(), 1u) << "10 / 2.5 = 4 cycles";
    // Doubling the requested frequency halves the ratio: remaining and periods double.
    cpu.SetRequestedFrequency(2000000);
    second.keep = false;
    RunTo(5);
    first.calls.clear();
    RunTo(4 + 8 + 8);
    const std::vector<EventOwner::Call> expected = {{12, 0}, {20, 0}};
    EXPECT_EQ(first.calls, expected);
}

TEST_F(CpuBaseTest, AddCyclesShortensTheSliceOrAddsBetweenSlices) {
    cpu.during = [this] { cpu.AddCycles(5); };
    EXPECT_EQ(cpu.Execute(100), 100);
    EXPECT_EQ(cpu.Cycles(), 100u);
    cpu.during = [this] { EXPECT_EQ(cpu.Cycles(), 150u) << "half of the slice is spent"; };
    cpu.Execute(100);
    cpu.during = nullptr;
    cpu.AddCycles(5);
    cpu.AddCycles(0);
    cpu.AddCycles(-3);
    EXPECT_EQ(cpu.Cycles(), 205u);
}

TEST_F(CpuBaseTest, CyclesAddedOutsideSlicesNeverOverflow) {
    constexpr int32_t kLarge = std::numeric_limits<int32_t>::max();
    for (int32_t call = 0; call < 4; ++call) {
        cpu.AddCycles(kLarge);
    }
    EXPECT_EQ(cpu.Cycles(), 4 * uint64_t{kLarge});
    cpu.Execute(10);
    EXPECT_EQ(cpu.Cycles(), 4 * uint64_t{kLarge} + 10);
}

TEST_F(CpuBaseTest, EventThatCannotBeBoundIsNotAdded) {
    machine.Bus().SetRegistering(true);
    EXPECT_FALSE(cpu.AddEvent(10, &EventOwner::Record, &first, nullptr, 0));
    EXPECT_EQ(cpu.ActiveEventCount(), 0);
    EXPECT_TRUE(cpu.AddEvent(10, &EventOwner::Record, &first, "bound", 0));
    EXPECT_EQ(cpu.ActiveEventCount(), 1);
}

TEST_F(CpuBaseTest, StateKeepsPendingEventsForAFreshMachine) {
    machine.Bus().SetRegistering(true);
    ASSERT_TRUE(cpu.AddEvent(100, &EventOwner::Record, &first, "tick", (uint64_t{1} << 32) | 7));
    ASSERT_TRUE(cpu.AddEvent(30, &EventOwner::Record, &second, "tock", 9));
    machine.Bus().SetRegistering(false);
    RunTo(50);
    const test_support::Bytes saved = test_support::Archived(test_support::SavingOwnData(cpu));

    test_support::SecondProcessor<SliceCpu> other;
    SliceCpu& copy = other.cpu;
    EventOwner firstCopy{"First"};
    EventOwner secondCopy{"Second"};
    other.machine.Bus().SetRegistering(true);
    ASSERT_TRUE(copy.AddEvent(1, &EventOwner::Record, &firstCopy, "tick", 0));
    ASSERT_TRUE(copy.AddEvent(1, &EventOwner::Record, &secondCopy, "tock", 0));
    other.machine.Bus().SetRegistering(false);
    ASSERT_TRUE(test_support::Reads(saved, test_support::LoadingOwnData(copy)));
    EXPECT_EQ(copy.Cycles(), 50u);
    EXPECT_EQ(copy.ActiveEventCount(), 2);
    for (int32_t step = 0; step < 60; ++step) {
        copy.Execute(1);
        copy.DispatchEvents();
    }
    const std::vector<EventOwner::Call> firstExpected = {{100, (1ull << 32) | 7}};
    const std::vector<EventOwner::Call> secondExpected = {{60, 9}, {90, 9}};
    EXPECT_EQ(firstCopy.calls, firstExpected);
    EXPECT_EQ(secondCopy.calls, secondExpected);
}

TEST_F(CpuBaseTest, StateWithUnboundEventsIsRefusedAndChangesNothing) {
    ASSERT_TRUE(cpu.AddEvent(100, &EventOwner::Record, &first, "tick", 0));
    RunTo(40);
    const test_support::Bytes saved = test_support::Archived(test_support::SavingOwnData(cpu));
    test_support::SecondProcessor<SliceCpu> other;
    SliceCpu& copy = other.cpu;
    ASSERT_TRUE(copy.AddEvent(5, &EventOwner::Record, &second, "other", 0));
    EXPECT_FALSE(test_support::Reads(saved, test_support::LoadingOwnData(copy)));
    EXPECT_EQ(copy.Cycles(), 0u);
    EXPECT_EQ(copy.ActiveEventCount(), 1);
}

// A double as the "CFREQ" byte block holds it.
test_support::Bytes RatioBlock(double ratio) {
    uint64_t bits = 0;
    std::memcpy(&bits, &ratio, sizeof bits);
    return test_support::Concat({test_support::LittleEndian(uint32_t{8}), test_support::LittleEndian(bits)});
}

// The first event's block up to its period: reserved words, the tenths of cycles left, reserved words, the period.
test_support::Bytes EventBlock(uint64_t remainingTenths, int32_t period) {
    return test_support::Concat({test_support::LittleEndian(uint32_t{36}), test_support::Bytes(8, 0),
                                 test_support::LittleEndian(remainingTenths), test_support::Bytes(8, 0),
                                 test_support::LittleEndian(period)});
}

// Every number of the chunk out of range: the load is refused before anything changes.
TEST_F(CpuBaseTest, StateNumbersOutOfRangeAreRefusedAndChangeNothing) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    machine.Bus().SetRegistering(true);
    ASSERT_TRUE(cpu.AddEvent(100, &EventOwner::Record, &first, "tick", 0));
    machine.Bus().SetRegistering(false);
    RunTo(40);
    const test_support::Bytes saved = test_support::Archived(test_support::SavingOwnData(cpu));
    struct Case {
        const char* name;
        const char* record;
        test_support::Bytes value;
    };
    const Case cases[] = {
        {"frequency negative", "FREQ", test_support::LittleEndian(int64_t{-1})},
        {"frequency past 32 bits", "FREQ", test_support::LittleEndian(int64_t{1} << 32)},
        {"requested frequency negative", "FFREQ", test_support::LittleEndian(std::numeric_limits<int64_t>::min())},
        {"ratio 0", "CFREQ", RatioBlock(0.0)},
        {"ratio negative", "CFREQ", RatioBlock(-1.0)},
        {"ratio tiny", "CFREQ", RatioBlock(1e-300)},
        {"ratio huge", "CFREQ", RatioBlock(1e300)},
        {"ratio infinite", "CFREQ", RatioBlock(std::numeric_limits<double>::infinity())},
        {"ratio no number", "CFREQ", RatioBlock(std::numeric_limits<double>::quiet_NaN())},
        {"slice budget INT_MIN", "MCYCL", test_support::LittleEndian(kMin)},
        {"budget left INT_MAX", "ECYCL", test_support::LittleEndian(kMax)},
        {"extra cycles negative", "SCYCL", test_support::LittleEndian(int32_t{-1})},
        {"carried cycles INT_MIN", "PCYCL", test_support::LittleEndian(kMin)},
        {"carried cycles INT_MAX", "PCYCL", test_support::LittleEndian(kMax)},
        {"address mask past 32 bits", "AMSK", test_support::LittleEndian(uint64_t{1} << 32)},
        {"interrupt delay INT_MIN", "HWID", test_support::LittleEndian(kMin)},
        {"interrupt delay negative", "HWID", test_support::LittleEndian(int32_t{-1})},
        {"cycles to the next event negative", "CBEVT", test_support::LittleEndian(int32_t{-1})},
        {"event period INT_MIN", "DTEVT0", EventBlock(0, kMin)},
        {"event period 0", "DTEVT0", EventBlock(0, 0)},
        {"event period negative", "DTEVT0", EventBlock(0, -100)},
        {"event due past 2^31 cycles", "DTEVT0", EventBlock(uint64_t{1} << 40, 100)},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const test_support::Bytes crafted = test_support::WithRecordValue(saved, test.record, test.value);
        ASSERT_NE(crafted, saved);
        RunTo(cpu.Cycles() + 7);
        const uint64_t cycles = cpu.Cycles();
        EXPECT_FALSE(test_support::ReadsWhole(crafted, test_support::LoadingOwnData(cpu)));
        EXPECT_EQ(cpu.Cycles(), cycles);
        EXPECT_EQ(cpu.Frequency(), 1000000);
        EXPECT_EQ(cpu.ActiveEventCount(), 1);
    }
    EXPECT_TRUE(test_support::ReadsWhole(saved, test_support::LoadingOwnData(cpu))) << "the chunk as saved loads";
    EXPECT_EQ(cpu.Cycles(), 40u);
}

TEST_F(CpuBaseTest, ARequestedFrequencyOfNoneOrBelowScalesNothing) {
    cpu.SetScaledTimeBase(true);
    cpu.SetPrimaryFrequency(1000000);
    for (const int32_t requested : {0, -5, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(requested);
        cpu.SetRequestedFrequency(requested);
        const uint64_t before = cpu.ScaledElapsed();
        RunTo(cpu.Cycles() + 100);
        EXPECT_EQ(cpu.ScaledElapsed() - before, 100u);
    }
}

// The bus is ticked by one timed event of the processor, whatever the number of rate changes.
TEST_F(CpuBaseTest, ChangingTheBusRateKeepsOneTickEventAtTheNewRate) {
    emu::BusService& bus = machine.Bus();
    ASSERT_EQ(bus.SetRate(4000, &cpu, false), 2); // 250 cycles a tick
    RunTo(1000);
    const int32_t ticksAtFirstRate = bus.Ticks();
    EXPECT_EQ(ticksAtFirstRate, 5);
    ASSERT_EQ(bus.SetRate(8000, &cpu, false), 2); // 125 cycles a tick, counted again from 0
    EXPECT_EQ(bus.SetRate(8000, &cpu, false), 2);
    EXPECT_EQ(cpu.ActiveEventCount(), 1);
    RunTo(2000);
    // Due at 1250 still, then every 125 cycles: 1250 .. 2000.
    EXPECT_EQ(bus.Ticks(), 7);
    EXPECT_EQ(cpu.ActiveEventCount(), 1);
}

TEST_F(CpuBaseTest, StartFailsWithoutAClockAndSetFrequencyRefusesNegatives) {
    EXPECT_FALSE(cpu.SetFrequency(-1));
    EXPECT_EQ(cpu.Frequency(), 1000000);
    ASSERT_TRUE(cpu.SetFrequency(0));
    int32_t rate = 0;
    EXPECT_FALSE(cpu.Start(rate));
}

// Pages 0 and 2 count the accesses that reach them; pages 1 and 63 are plain RAM.
TEST_F(CpuBaseTest, BusAccessesGoInPlaceOnlyWithinOnePageAndBelowTheTop) {
    cpu.SetAddressMask(0xFFFF);
    machine.SetPageKind(0, test_support::RamTestMachine::PageKind::Handled);
    machine.SetPageKind(2, test_support::RamTestMachine::PageKind::Handled);
    machine.SetWord(0x07FE, 0x5634);
    machine.Memory()[0x0800] = 0x78;
    machine.Memory()[0] = 0x9A;
    const auto read16 = [this](uint32_t address, bool fast, uint32_t& value) {
        uint16_t word = 0;
        const bool read = fast ? cpu.FastRead(address, word) : cpu.BusRead(address, word);
        value = word;
        return read;
    };
    struct Access {
        const char* name;
        std::function<bool(uint32_t&)> access;
        uint32_t expected;
        int32_t countedAccesses;
    };
    const Access accesses[] = {
        {"FastRead16 at offset 1022", [&](uint32_t& value) { return read16(0x07FE, true, value); }, 0x5634, 0},
        {"FastRead16 at offset 1023", [&](uint32_t& value) { return read16(0x07FF, true, value); }, 0x7856, 1},
        {"FastRead32 at the top - 2", [this](uint32_t& value) { return cpu.FastRead(0xFFFDu, value); }, 0x9A000000, 1},
        {"FastRead32 at the top - 3", [this](uint32_t& value) { return cpu.FastRead(0xFFFCu, value); }, 0, 0},
        {"BusRead16 wraps at the mask", [&](uint32_t& value) { return read16(0xFFFF, false, value); }, 0x9A00, 1},
    };
    for (const Access& access : accesses) {
        const int32_t before = machine.SlowAccesses();
        uint32_t value = 0;
        EXPECT_TRUE(access.access(value)) << access.name;
        EXPECT_EQ(value, access.expected) << access.name;
        EXPECT_EQ(machine.SlowAccesses() - before, access.countedAccesses) << access.name;
    }
}

TEST_F(CpuBaseTest, FaultingAccessesStopAtTheFaultingByte) {
    cpu.SetAddressMask(0xFFFF);
    machine.SetPageKind(1, test_support::RamTestMachine::PageKind::Handled);
    machine.AbortAt(0x0402);
    cpu.during = [this] {
        EXPECT_FALSE(cpu.BusWrite(0x0400u, 0x11223344u));
        uint32_t counter = 0;
        uint32_t value = 5;
        EXPECT_FALSE(cpu.BusFetch(0x0400u, value, counter));
        EXPECT_EQ(counter, 0u);
        EXPECT_EQ(value, 5u);
    };
    cpu.Execute(10);
    EXPECT_EQ(machine.Word(0x0400), 0x3344) << "the bytes before the fault stay written";
}

} // namespace
