#include "emu/core/Device.h"

#include "FakeMachine.h"
#include "support/RecordingConsole.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace emu {
namespace {

using Line = test_support::RecordingConsole::Line;
using Lines = std::vector<Line>;

// A device "TIMER" tagged "TMR" on a recording console, in a machine whose trace-all counter and host answers the
// test sets.
class DeviceReportTest : public testing::Test {
protected:
    DeviceReportTest() : device("TIMER", "TMR") {
        device.SetConsole(&console);
        machine.SetTraceAll(&traceAll);
        device.SetServices(&machine, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    }

    std::atomic<int32_t> traceAll{0};
    FakeMachine machine;
    test_support::RecordingConsole console;
    Device device;
};

TEST_F(DeviceReportTest, TraceLinesOpenWithTheTagOrElseTheName) {
    device.TraceAlways("COUNT = %.6lo", 0177706);
    Device untagged("KEYBOARD");
    untagged.SetConsole(&console);
    untagged.TraceAlways("%s", "down");
    EXPECT_EQ(console.Lines(), (Lines{{"[TMR] COUNT = 177706", kTraceColour}, {"[KEYBOARD] down", kTraceColour}}));
}

// One event operation as a test calls it, and the colour of its plain lines.
struct EventOperation {
    const char* name;
    std::function<uint8_t(const Device&, bool traceOn, bool breakOn, bool mute)> call;
    uint32_t colour;
};

const std::vector<EventOperation>& EventOperations() {
    static const std::vector<EventOperation> operations{
        {"TraceEventBreak",
         [](const Device& d, bool t, bool b, bool m) { return d.TraceEventBreak(t, b, m, "event %d", 1); },
         kTraceColour},
        {"TraceReadBreak",
         [](const Device& d, bool t, bool b, bool m) { return d.TraceReadBreak(t, b, m, "event %d", 1); },
         kReadTraceColour},
        {"TraceWriteBreak",
         [](const Device& d, bool t, bool b, bool m) { return d.TraceWriteBreak(t, b, m, "event %d", 1); },
         kWriteTraceColour},
        {"TraceEventNotify",
         [](const Device& d, bool t, bool b, bool m) {
             d.TraceEventNotify(t, b, m, "event %d", 1);
             return uint8_t{0};
         },
         kTraceColour},
        {"TraceWriteNotify",
         [](const Device& d, bool t, bool b, bool m) {
             d.TraceWriteNotify(t, b, m, "event %d", 1);
             return uint8_t{0};
         },
         kWriteTraceColour},
    };
    return operations;
}

TEST_F(DeviceReportTest, EventTracesFollowTheirSwitchesTheTraceAllCounterAndMute) {
    struct Case {
        int32_t traceAll;
        bool traceOn;
        bool mute;
        bool prints;
    };
    const Case cases[] = {{0, false, false, false}, {0, true, false, true},  {1, false, false, true},
                          {5, false, false, true},  {1, false, true, false}, {0, true, true, false}};
    for (const EventOperation& operation : EventOperations()) {
        for (const Case& test : cases) {
            traceAll = test.traceAll;
            console.ClearLines();
            EXPECT_EQ(operation.call(device, test.traceOn, false, test.mute), 0) << operation.name;
            const Lines expected = test.prints ? Lines{{"[TMR] event 1", operation.colour}} : Lines{};
            EXPECT_EQ(console.Lines(), expected) << operation.name << " with counter " << test.traceAll << ", trace "
                                                 << test.traceOn << ", mute " << test.mute;
        }
    }
    EXPECT_TRUE(machine.requestsSeen.empty());
}

TEST_F(DeviceReportTest, BreakSwitchAsksTheHostAndMarksTheLine) {
    struct Case {
        int32_t answer;
        uint8_t show;
        Lines lines;
        bool breaks;
    };
    const Case cases[] = {
        {1, 0, {{"[TMR BREAK] event 1", kBreakColour}}, true},
        {0, 1, {{"[TMR] event 1", kBreakColour}}, false},
        {0, 0, {}, false},
    };
    for (const EventOperation& operation : EventOperations()) {
        const bool asksToBreak = std::string(operation.name).ends_with("Break");
        for (const Case& test : cases) {
            machine.breakAnswer = test.answer;
            machine.showAnswer = test.show;
            machine.requestsSeen.clear();
            console.ClearLines();
            const uint8_t decision = operation.call(device, false, true, false);
            EXPECT_EQ(decision, asksToBreak && test.breaks ? 1 : 0) << operation.name;
            EXPECT_EQ(machine.requestsSeen, (std::vector<uint8_t>{uint8_t(asksToBreak ? 1 : 0)})) << operation.name;
            EXPECT_EQ(console.Lines(), test.lines) << operation.name << " answered " << test.answer;
        }
    }
}

TEST_F(DeviceReportTest, APausedMachineGetsNoBreakRequest) {
    machine.Pause(true);
    machine.breakAnswer = 1;
    EXPECT_EQ(device.TraceEventBreak(false, true, false, "x"), 0);
    EXPECT_EQ(machine.requestsSeen, (std::vector<uint8_t>{0}));
    machine.Pause(false);
    EXPECT_EQ(device.TraceEventBreak(false, true, false, "x"), 1);
}

TEST_F(DeviceReportTest, WithoutAHostABreakRequestShowsTheLineAndNeverBreaks) {
    Device alone("ALONE");
    alone.SetConsole(&console);
    EXPECT_EQ(alone.TraceReadBreak(false, true, false, "read %s", "STATE"), 0);
    EXPECT_EQ(alone.TraceCheckBreak(false, true, "check"), 0);
    alone.Trace(false, true, "plain");
    EXPECT_EQ(console.Lines(), (Lines{{"[ALONE] read STATE", kBreakColour},
                                      {"[ALONE] check", kBreakColour},
                                      {"[ALONE] plain", kBreakColour}}));
}

TEST_F(DeviceReportTest, CheckBreakAndTraceIgnoreTheTraceAllCounter) {
    traceAll = 3;
    EXPECT_EQ(device.TraceCheckBreak(false, false, "quiet"), 0);
    device.Trace(false, false, "quiet");
    EXPECT_TRUE(console.Lines().empty());

    EXPECT_EQ(device.TraceCheckBreak(true, false, "traced"), 0);
    machine.breakAnswer = 1;
    EXPECT_EQ(device.TraceCheckBreak(false, true, "stop"), 1);
    device.Trace(false, true, "asked");
    EXPECT_EQ(machine.requestsSeen, (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(console.Lines(), (Lines{{"[TMR] traced", kTraceColour},
                                      {"[TMR BREAK] stop", kBreakColour},
                                      {"[TMR BREAK] asked", kBreakColour}}));
}

TEST_F(DeviceReportTest, UnlessMutedPrintsForItsSwitchOrTheCounter) {
    device.TraceUnlessMuted(false, false, "a");
    device.TraceUnlessMuted(true, false, "b");
    device.TraceUnlessMuted(true, true, "c");
    traceAll = 1;
    device.TraceUnlessMuted(false, false, "d");
    EXPECT_EQ(console.Lines(), (Lines{{"[TMR] b", kTraceColour}, {"[TMR] d", kTraceColour}}));
}

TEST_F(DeviceReportTest, MessagesAndNodeLinesHaveNoPrefix) {
    device.PrintMessage("%s", "");
    device.PrintMessage("ROM %s loaded", "monit10.rom");
    device.PrintError("");
    device.PrintError("[ERROR] %s", "no ROM");
    device.PrintHighlighted("");
    device.PrintHighlighted("HELP");
    device.PrintLine("");
    device.PrintLine("[INIT] %d", 1);
    EXPECT_EQ(console.Lines(), (Lines{{"ROM monit10.rom loaded", kTraceColour},
                                      {"[ERROR] no ROM", kErrorColour},
                                      {"HELP", kHighlightColour},
                                      {"", common::Console::kPlainColour},
                                      {"[INIT] 1", common::Console::kPlainColour}}));
}

TEST_F(DeviceReportTest, ANodeWithoutAConsolePrintsNothing) {
    Device silent("SILENT");
    silent.TraceAlways("nowhere");
    silent.PrintLine("nowhere");
    EXPECT_TRUE(console.Lines().empty());
}

} // namespace
} // namespace emu
