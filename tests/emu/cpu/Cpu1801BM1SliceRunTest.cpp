// The processor going through the synchronised loop's plain slice ends on its own: the same machine, cycle for
// cycle, as when the loop ends every slice itself, and back to the loop at every end that needs it.
#include "emu/cpu/Cpu1801BM1.h"

#include "emu/core/SliceRun.h"
#include "support/RamTestMachine.h"
#include "support/SliceRunner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kCode = 010000;
constexpr uint16_t kVector = 0100;
constexpr uint16_t kHandler = 030000;

// What a timed or bus event saw when it fired.
struct Firing {
    int32_t kind;
    uint64_t cycles;
    uint16_t pc;
    uint16_t r0;
    uint16_t r3;
    bool operator==(const Firing&) const = default;
};

// A machine looping through instructions of unlike costs, so that slices end inside instructions and park them,
// with a timed event of the processor and a bus event that note what they see; the bus event also interrupts the
// processor, whose interrupt entries run slices past their budget.
class LoopingMachine {
public:
    LoopingMachine() {
        machine.Attach(cpu);
        int32_t rate = 0;
        cpu.Start(rate);
        machine.Load(kCode, {012702, 004000, // MOV #4000,R2
                             012701, 000050, // MOV #50,R1
                             062200,         // ADD (R2)+,R0
                             010037, 004000, // MOV R0,@#4000
                             005203,         // INC R3
                             074003,         // XOR R0,R3
                             077106,         // SOB R1,.-10
                             000765});       // BR start
        // The bus event's interrupt: its handler only returns.
        machine.Load(kVector, {kHandler, 0});
        machine.Load(kHandler, {000002}); // RTI
        cpu.SetRegister(6, 01000);
        cpu.SetRegister(7, kCode);
        cpu.SetPsw(0);
    }

    // The events, once the bus has its rate.
    void AddEvents(int32_t timedPeriod, int32_t busHz) {
        if (timedPeriod > 0) {
            cpu.AddEvent(timedPeriod, OnTimed, &machine.Machine(), "TIMED", reinterpret_cast<uintptr_t>(this));
        }
        if (busHz > 0) {
            machine.Bus().AddEvent(busHz, OnBus, &machine.Machine(), "BUS", reinterpret_cast<uintptr_t>(this), false);
        }
    }

    test_support::RamTestMachine machine;
    emu::Cpu1801BM1 cpu;
    std::vector<Firing> firings;

private:
    void Note(int32_t kind) {
        firings.push_back({kind, cpu.Cycles(), cpu.Register(7), cpu.Register(0), cpu.Register(3)});
    }
    static bool OnTimed(emu::TreeNode*, int32_t*, uint64_t* data, emu::CpuInterface*) {
        reinterpret_cast<LoopingMachine*>(static_cast<uintptr_t>(*data))->Note(0);
        return true;
    }
    static bool OnBus(emu::TreeNode*, emu::BusEvent* event) {
        auto* looping = reinterpret_cast<LoopingMachine*>(static_cast<uintptr_t>(event->tag));
        looping->Note(1);
        looping->machine.RequestInterrupt(kVector / 4);
        looping->cpu.RequestInterruptCheck();
        return true;
    }
};

TEST(Cpu1801BM1SliceRunTest, SlicesRunOnTheirOwnAsTheLoopRunsThemOneByOne) {
    constexpr int64_t kSlices = 3 * 1764 + 500;
    LoopingMachine byLoop;
    LoopingMachine byProcessor;
    test_support::SliceRunner loopRunner(byLoop.machine.Machine());
    test_support::SliceRunner processorRunner(byProcessor.machine.Machine());
    ASSERT_TRUE(loopRunner.Start());
    ASSERT_TRUE(processorRunner.Start());
    byLoop.AddEvents(997, 1000);
    byProcessor.AddEvents(997, 1000);

    // One slice a call leaves every end to the runner's loop.
    for (int64_t slice = 0; slice < kSlices; ++slice) {
        loopRunner.RunSlices(1);
    }
    processorRunner.RunSlices(kSlices);

    ASSERT_GT(byLoop.firings.size(), 100U);
    EXPECT_EQ(byProcessor.firings, byLoop.firings);
    EXPECT_EQ(byProcessor.cpu.Cycles(), byLoop.cpu.Cycles());
    for (int index = 0; index < 8; ++index) {
        EXPECT_EQ(byProcessor.cpu.Register(index), byLoop.cpu.Register(index)) << "R" << index;
    }
    EXPECT_EQ(byProcessor.machine.Bus().Ticks(), byLoop.machine.Bus().Ticks());
    EXPECT_EQ(processorRunner.Slices(), loopRunner.Slices());
}

struct EndCase {
    const char* name;
    int32_t slicesPerFrame;
    int32_t timedPeriod;
    int32_t busHz;
    bool attention;
    int64_t endsAllowed;
    // The ends the processor takes before it returns; -1: some, up to the tick on which the bus event is due.
    int64_t endsTaken;
};

const EndCase kEndCases[] = {
    {"up to the middle of the frame", 8, 0, 0, false, 100, 3},
    {"up to the bus event", 1764, 0, 2000, false, 100000, -1},
    {"no further than allowed", 1764, 0, 0, false, 2, 2},
    {"none while another thread waits", 1764, 0, 0, true, 100, 0},
    {"none with a timed event due in the slice", 1764, 5, 0, false, 100, 0},
};

class Cpu1801BM1SliceEndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(Cpu1801BM1SliceEndTest, TakesOnlyThePlainEnds) {
    const EndCase& endCase = GetParam();
    LoopingMachine looping;
    emu::Machine& machine = looping.machine.Machine();
    ASSERT_EQ(machine.SetBusRate(88200, -1, true), 1764);
    emu::SyncedSliceSchedule schedule;
    emu::SlicePiece piece{schedule.Start(looping.cpu.Frequency(), endCase.slicesPerFrame), 0};
    looping.cpu.RebuildEvents();
    machine.TickBus();
    looping.AddEvents(endCase.timedPeriod, endCase.busHz);
    machine.TickBus();
    piece.SplitAgainst(looping.cpu.cyclesToNextEvent);
    std::atomic<bool> attention{endCase.attention};
    emu::SliceRun run{&schedule, &piece, machine.Bus(), &attention, endCase.endsAllowed};

    const int32_t used = looping.cpu.ExecuteSlices(piece.budget, run);

    const int64_t taken = endCase.endsAllowed - run.endsLeft;
    if (endCase.endsTaken < 0) {
        EXPECT_GT(taken, 0);
        EXPECT_FALSE(machine.Bus()->NextTickOnlyCounts());
    } else {
        EXPECT_EQ(taken, endCase.endsTaken);
    }
    EXPECT_GE(used, piece.budget) << "the last slice runs down before the processor returns";
    EXPECT_EQ(schedule.SlicesLeft(), endCase.slicesPerFrame - taken);
}

INSTANTIATE_TEST_SUITE_P(Ends, Cpu1801BM1SliceEndTest, ::testing::ValuesIn(kEndCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& character : name) {
        if (!std::isalnum(static_cast<unsigned char>(character))) {
            character = '_';
        }
    }
    return name;
});

} // namespace
