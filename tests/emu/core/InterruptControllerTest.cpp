#include "emu/core/InterruptController.h"

#include "FakeCpu.h"
#include "emu/core/Machine.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace emu {
namespace {

using Log = std::vector<std::string>;

// A request source that owns some lines and writes every question it is asked into a shared log.
struct Source {
    std::string name;
    Log* log;
    std::set<uint32_t> owned;
    std::set<uint32_t> raised;
    bool hasRequest = false;

    static bool Ask(void* context, InterruptAsk mode, uint32_t* vector, uint32_t*, uint32_t*) {
        auto* source = static_cast<Source*>(context);
        source->log->push_back(source->name + " ask " + std::to_string(static_cast<int32_t>(mode)));
        *vector = 060;
        return source->hasRequest;
    }
    static bool IsRaised(void* context, uint32_t line) {
        auto* source = static_cast<Source*>(context);
        source->log->push_back(source->name + " query " + std::to_string(line));
        return source->raised.contains(line);
    }
    static bool Set(void* context, uint32_t line, uint8_t on) {
        auto* source = static_cast<Source*>(context);
        source->log->push_back(source->name + " set " + std::to_string(line) + "=" + std::to_string(on));
        if (!source->owned.contains(line)) {
            return false;
        }
        if (on != 0) {
            source->raised.insert(line);
        } else {
            source->raised.erase(line);
        }
        return true;
    }
};

// An interrupt service linked to a machine with one processor, as the machine builds it.
class InterruptControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto processor = std::make_unique<FakeCpu>();
        cpu = processor.get();
        machine.AddChild(std::move(processor));
        interrupts.SetMachine(&machine);
    }

    Machine machine{"M"};
    FakeCpu* cpu = nullptr;
    InterruptController interrupts;
    Log log;
    Source first{"first", &log, {1, 2}, {}};
    Source second{"second", &log, {2, 3}, {}};
};

struct HookCall {
    uint32_t number = 0;
    uint32_t argument1 = 0;
    uint32_t argument2 = 0;
    CpuInterface* cpu = nullptr;
};

bool ServeHook(void* context, uint32_t number, uint32_t argument1, uint32_t argument2, CpuInterface* cpu,
               uint64_t* cycles) {
    *static_cast<HookCall*>(context) = {number, argument1, argument2, cpu};
    *cycles += 12;
    return true;
}

TEST_F(InterruptControllerTest, HookTablesOfferEventsToTheirBoundHandlers) {
    struct Case {
        bool tableB;
        uint64_t unservedCycles;
    };
    for (const Case& test : {Case{false, 100}, Case{true, 0}}) {
        const auto bind = test.tableB ? &InterruptController::SetHandlerB : &InterruptController::SetHandler;
        const auto call = test.tableB ? &InterruptController::CallHandlerB : &InterruptController::CallHandlerA;
        HookCall seen;
        uint64_t cycles = 5;
        EXPECT_FALSE((interrupts.*call)(030, 1, 2, cycles));
        EXPECT_EQ(cycles, test.unservedCycles);
        EXPECT_FALSE((interrupts.*bind)(256, &seen, ServeHook));
        EXPECT_FALSE((interrupts.*call)(256, 1, 2, cycles));

        ASSERT_TRUE((interrupts.*bind)(030, &seen, ServeHook));
        EXPECT_TRUE((interrupts.*call)(030, 1, 2, cycles));
        EXPECT_EQ(cycles, test.unservedCycles + 12);
        EXPECT_EQ(seen.number, 030u);
        EXPECT_EQ(seen.argument1, 1u);
        EXPECT_EQ(seen.argument2, 2u);
        EXPECT_EQ(seen.cpu, cpu);

        ASSERT_TRUE((interrupts.*bind)(030, &seen, nullptr));
        EXPECT_FALSE((interrupts.*call)(030, 1, 2, cycles));
    }
    // Table A and B are apart; a machine without a processor hands the hooks none.
    HookCall seen;
    interrupts.SetHandlerB(0377, &seen, ServeHook);
    uint64_t cycles = 0;
    EXPECT_FALSE(interrupts.CallHandlerA(0377, 0, 0, cycles));
    Machine empty("EMPTY");
    interrupts.SetMachine(&empty);
    EXPECT_TRUE(interrupts.CallHandlerB(0377, 0, 0, cycles));
    EXPECT_EQ(seen.cpu, nullptr);
}

TEST_F(InterruptControllerTest, SourcesAreKeptOncePerContextInTheOrderAdded) {
    EXPECT_TRUE(interrupts.AddSource(&first, Source::Ask, Source::Set, Source::IsRaised));
    EXPECT_TRUE(interrupts.AddSource(&first, Source::Ask, Source::Set, Source::IsRaised));
    EXPECT_FALSE(interrupts.AddSource(&first, nullptr, Source::Set, Source::IsRaised));
    EXPECT_TRUE(interrupts.AddSource(&second, Source::Ask, Source::Set, Source::IsRaised));

    uint32_t vector = 0;
    EXPECT_FALSE(interrupts.AskSources(InterruptAsk::Poll, &vector, nullptr, nullptr));
    EXPECT_EQ(log, (Log{"first ask 0", "second ask 0"}));

    log.clear();
    second.hasRequest = true;
    EXPECT_TRUE(interrupts.AskSources(InterruptAsk::Acknowledge, &vector, nullptr, nullptr));
    EXPECT_EQ(vector, 060u);
    interrupts.RemoveSource(&first);
    EXPECT_TRUE(interrupts.AskSources(InterruptAsk::Poll, &vector, nullptr, nullptr));
    EXPECT_EQ(log, (Log{"first ask 1", "second ask 1", "second ask 0"}));
}

TEST_F(InterruptControllerTest, LinesGoToTheFirstSourceThatOwnsThemAndRaisingThemWakesTheProcessors) {
    interrupts.AddSource(&first, nullptr, Source::Set, nullptr);
    interrupts.AddSource(&second, Source::Ask, Source::Set, Source::IsRaised);

    EXPECT_TRUE(interrupts.SetRequest(3, 1));
    EXPECT_EQ(cpu->interruptChecks, 1);
    EXPECT_TRUE(interrupts.SetRequest(2, 1));
    EXPECT_FALSE(interrupts.SetRequest(7, 1));
    EXPECT_EQ(cpu->interruptChecks, 3);
    EXPECT_TRUE(interrupts.SetRequest(3, 0));
    EXPECT_EQ(cpu->interruptChecks, 3);
    EXPECT_EQ(log, (Log{"first set 3=1", "second set 3=1", "first set 2=1", "first set 7=1", "second set 7=1",
                        "first set 3=0", "second set 3=0"}));
    EXPECT_EQ(first.raised, (std::set<uint32_t>{2}));
    EXPECT_TRUE(second.raised.empty());

    // The first source that can tell is asked about a line; the second answers here.
    log.clear();
    second.raised.insert(3);
    EXPECT_TRUE(interrupts.FirstQuerySource(3));
    EXPECT_TRUE(interrupts.RaiseRequest(3, 1));
    EXPECT_EQ(cpu->interruptChecks, 4);
    EXPECT_TRUE(interrupts.RaiseRequest(1, 1));
    EXPECT_EQ(log, (Log{"second query 3", "second query 3", "second query 1", "first set 1=1"}));
    EXPECT_EQ(cpu->interruptChecks, 6);
}

TEST_F(InterruptControllerTest, StartDropsHooksAndSourcesStopOnlySources) {
    HookCall seen;
    interrupts.SetHandler(1, &seen, ServeHook);
    interrupts.SetHandlerB(1, &seen, ServeHook);
    interrupts.AddSource(&first, nullptr, Source::Set, nullptr);
    interrupts.Stop();
    uint64_t cycles = 0;
    EXPECT_FALSE(interrupts.SetRequest(1, 1));
    EXPECT_TRUE(interrupts.CallHandlerA(1, 0, 0, cycles));

    int32_t rate = 0;
    EXPECT_TRUE(interrupts.Start(rate));
    EXPECT_FALSE(interrupts.CallHandlerA(1, 0, 0, cycles));
    EXPECT_FALSE(interrupts.CallHandlerB(1, 0, 0, cycles));
}

} // namespace
} // namespace emu
