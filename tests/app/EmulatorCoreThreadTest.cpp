// The core with its emulation thread: power, run, break, stepping, console mode, input, the two loops, pauses from
// another thread, and a thread that does not answer.
#include "CoreTestMachines.h"

#include "common/MemoryStream.h"
#include "common/WideString.h"
#include "emu/core/BusService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace app_test {
namespace {

using namespace std::chrono_literals;

bool CountTrace(void* context, emu::EmulatorCore&, common::NarrowString& line) {
    ++*static_cast<std::atomic<int32_t>*>(context);
    line.Assign("TRACE");
    return true;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

class CoreThreadTest : public testing::Test {
protected:
    emu::EmulatorCore& Create(std::span<const emu::EmulatorConfig::MachineListEntry> machines, int32_t index = 0,
                              int32_t requestLimitMs = 20000) {
        config = MakeConfig(program.Folders(), machines, requestLimitMs);
        core = config->CreateCore(index);
        EXPECT_NE(core, nullptr);
        return *core;
    }
    StandInModel& StandIn() const { return *static_cast<StandInModel*>(core->Machine()); }
    // The machine stands at a break with the loop parked.
    bool AtBreak() const {
        return Eventually([this] { return core->IsBreakPending() && core->IsParked(); });
    }
    // R0 and PC of the stand-in, read while it stands at a break.
    std::pair<uint16_t, uint16_t> Registers() const {
        return {StandIn().Cpu().Register(0), StandIn().Cpu().Register(7)};
    }

    Watchdog watchdog{120s};
    TemporaryProgram program;
    std::unique_ptr<emu::EmulatorConfig> config;
    emu::EmulatorCore* core = nullptr;
};

TEST_F(CoreThreadTest, PowersOnRunsBreaksStepsRunsToAndPowersOff) {
    emu::EmulatorCore& emulator = Create(kStandInList);
    std::atomic<int32_t> traces{0};
    emulator.SetTraceHook(CountTrace, &traces);
    EXPECT_TRUE(emulator.IsThreadActive());
    EXPECT_FALSE(emulator.IsPowered());
    EXPECT_TRUE(emulator.ConsoleMode());

    ASSERT_TRUE(emulator.SetRunState(false, false));
    EXPECT_TRUE(emulator.IsPowered());
    EXPECT_TRUE(emulator.IsRunLoopRunning());
    EXPECT_EQ(emulator.RunMode(), emu::LoopMode::Synced) << "the 1801BM1 runs in the synchronised loop";
    EXPECT_FALSE(emulator.ConsoleMode());
    EXPECT_EQ(emulator.BusSampleRate(), 4000);
    EXPECT_TRUE(emulator.SetRunState(false, false)) << "a machine that runs is left running";

    // It runs: R0 counts up, sampled in pauses.
    ASSERT_TRUE(Eventually([&] { return WhileHeld(emulator, [&] { return StandIn().Cpu().Register(0) > 1000; }); }));

    emulator.BreakEmulation(false);
    ASSERT_TRUE(AtBreak());
    const auto [r0, pc] = Registers();
    ASSERT_TRUE(pc == 01000 || pc == 01002) << pc;

    // Step 1: exactly one instruction, one trace line.
    ASSERT_TRUE(emulator.ArmStepping(1, emu::RunToKind::UntilLeaves, 0));
    emulator.ResumeEmulation();
    ASSERT_TRUE(AtBreak());
    const auto [r0Stepped, pcStepped] = Registers();
    if (pc == 01000) {
        EXPECT_EQ(r0Stepped, static_cast<uint16_t>(r0 + 1));
        EXPECT_EQ(pcStepped, 01002);
    } else {
        EXPECT_EQ(r0Stepped, r0);
        EXPECT_EQ(pcStepped, 01000);
    }
    EXPECT_EQ(traces.load(), 1);
    EXPECT_EQ(emulator.StepCounter(), 0);

    // Run to the PC it stands at: nothing runs.
    ASSERT_TRUE(emulator.ArmStepping(-1, emu::RunToKind::UntilReaches, pcStepped));
    emulator.ResumeEmulation();
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Registers(), std::make_pair(r0Stepped, pcStepped));
    EXPECT_EQ(traces.load(), 2);

    // Run to the other instruction: one instruction runs.
    const uint16_t other = pcStepped == 01000 ? 01002 : 01000;
    ASSERT_TRUE(emulator.ArmStepping(-1, emu::RunToKind::UntilReaches, other));
    emulator.ResumeEmulation();
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Registers().second, other);
    EXPECT_EQ(traces.load(), 3);

    // A break leaves the screen to the console once the GUI side takes its post.
    EXPECT_FALSE(emulator.ConsoleMode());
    emulator.PresentFrame(false, false);
    EXPECT_TRUE(emulator.ConsoleMode());

    emulator.ResumeEmulation();
    EXPECT_FALSE(emulator.IsBreakPending());
    ASSERT_TRUE(
        Eventually([&] { return WhileHeld(emulator, [&] { return StandIn().Cpu().Register(0) != r0Stepped; }); }));

    emulator.SetConsoleMode(false, true);
    EXPECT_FALSE(emulator.ConsoleMode());
    EXPECT_EQ(emulator.PauseDepth(), 0);

    emulator.DetachMachine();
    EXPECT_FALSE(emulator.IsPowered());
    EXPECT_FALSE(emulator.IsRunLoopRunning());
    EXPECT_TRUE(emulator.ConsoleMode());
    EXPECT_EQ(emulator.RunMode(), emu::LoopMode::None);
    EXPECT_TRUE(emulator.IsThreadActive());

    // Powered on again, at a break.
    ASSERT_TRUE(emulator.SetRunState(true, true));
    EXPECT_TRUE(emulator.IsBreakPending());
    EXPECT_TRUE(emulator.ConsoleMode());

    config->RemoveCore(core);
    core = nullptr;
    EXPECT_TRUE(config->Cores.empty());
}

TEST_F(CoreThreadTest, FirstStepAfterStartingAtABreakStepsOnce) {
    emu::EmulatorCore& emulator = Create(kStandInList);
    ASSERT_TRUE(emulator.SetRunState(true, true));
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Registers(), (std::pair<uint16_t, uint16_t>(0, 01000)));
    ASSERT_TRUE(emulator.ArmStepping(1, emu::RunToKind::UntilLeaves, 0));
    emulator.ResumeEmulation();
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Registers(), (std::pair<uint16_t, uint16_t>(1, 01002)));
}

TEST_F(CoreThreadTest, PowerOnWithoutProcessorFails) {
    static constexpr emu::EmulatorConfig::MachineListEntry kList[] = {{&MakeCpuLessStandIn, false}};
    emu::EmulatorCore& emulator = Create(kList);
    EXPECT_FALSE(emulator.SetRunState(false, false));
    EXPECT_FALSE(emulator.IsPowered());
    EXPECT_TRUE(emulator.IsThreadActive());
    EXPECT_FALSE(emulator.SetRunState(true, false)) << "the thread keeps serving requests";
    EXPECT_TRUE(emulator.Shutdown());
}

// A renderer that presents through GDI instead of its own path, as the OpenGL renderer does where GL cannot show
// its picture.
class FallenBackRenderer : public emu::OffscreenRenderer {
public:
    const char* Name() const override { return "OpenGL"; }
    const char* FallbackReason() const override { return "no GL_EXT_bgra"; }
};

TEST_F(CoreThreadTest, ARendererThatFellBackSaysSoInOneLineAtEveryPowerOn) {
    emu::EmulatorCore& emulator = Create(kStandInList);
    const std::string line = "[ERROR] Renderer \"OpenGL\" draws through GDI: no GL_EXT_bgra";
    const auto errors = [&] {
        std::vector<std::string> found;
        for (const std::string& text : TakeConsoleTexts(emulator)) {
            if (text.find("[ERROR]") != std::string::npos) {
                found.push_back(text);
            }
        }
        return found;
    };
    ASSERT_TRUE(emulator.SetRunState(false, false));
    EXPECT_EQ(errors(), std::vector<std::string>{}) << "the offscreen renderer draws as it should";
    emulator.DetachMachine();

    emulator.SetRenderer(std::make_unique<FallenBackRenderer>().release(), true);
    for (int32_t start = 0; start < 2; ++start) {
        ASSERT_TRUE(emulator.SetRunState(false, false));
        EXPECT_EQ(errors(), std::vector<std::string>{line});
        emulator.DetachMachine();
    }
}

TEST_F(CoreThreadTest, QueuedKeysAndMouseReachTheMachine) {
    emu::EmulatorCore& emulator = Create(kStandInList);
    ASSERT_TRUE(emulator.SetRunState(false, false));
    ProbeDevice& probe = StandIn().Probe();

    EXPECT_TRUE(emulator.OnKeyChar(0x41, true));
    ASSERT_TRUE(Eventually([&] { return probe.lastKey == 0x41 && probe.lastKeyDown; }));
    EXPECT_TRUE(emulator.OnKeyChar(0x41, false));
    ASSERT_TRUE(Eventually([&] { return probe.lastKey == 0x41 && !probe.lastKeyDown; }));

    EXPECT_TRUE(emulator.OnMouseEvent(0, 0, 0));
    ASSERT_TRUE(Eventually([&] { return probe.mouseEvents > 0 && probe.lastButtons == 1; }));

    // F12 never reaches the machine (the console keeps it for the main window's state loading), nor keys at a
    // break.
    const int32_t keysBefore = probe.keyEvents;
    EXPECT_FALSE(emulator.OnKeyChar(123, true));
    emulator.BreakEmulation(false);
    ASSERT_TRUE(AtBreak());
    EXPECT_TRUE(emulator.OnKeyChar(0x42, true));
    EXPECT_TRUE(emulator.OnKeyChar(0x43, true));
    emulator.ResumeEmulation();
    // A key queued after them arrives, and nothing before it did.
    EXPECT_TRUE(emulator.OnKeyChar(0x44, true));
    ASSERT_TRUE(Eventually([&] { return probe.lastKey == 0x44; }));
    // The resume released every key (none was down), so only 0x44 was told.
    EXPECT_EQ(probe.keyEvents.load(), keysBefore + 1);
    EXPECT_TRUE(emulator.Shutdown());
}

TEST_F(CoreThreadTest, BreaksAtPc01000AgainstPausesFromTheGui) {
    emu::EmulatorCore& emulator = Create(kStandInList);
    StandIn().Cpu().TraceOptions().breakExec1000 = true;
    ASSERT_TRUE(emulator.SetRunState(false, false));
    ASSERT_TRUE(AtBreak());
    EXPECT_EQ(Registers(), (std::pair<uint16_t, uint16_t>(0, 01000)));

    std::atomic<bool> done{false};
    std::thread gui([&] {
        common::WideString status;
        for (int32_t turn = 0; !done; ++turn) {
            emulator.GetStatusText(status);
            emulator.SetConsoleMode(turn % 2 == 0, true);
            emulator.PresentFrame(false, turn % 3 == 0);
        }
    });
    for (uint16_t resumes = 1; resumes <= 200; ++resumes) {
        emulator.ResumeEmulation();
        ASSERT_TRUE(Eventually([&] { return emulator.IsBreakPending() && emulator.IsParked(); }));
        // Every resume runs the loop once round: INC at 01000 without breaking again, BR, then the break.
        EXPECT_EQ(Registers(), std::make_pair(resumes, uint16_t{01000}));
    }
    done = true;
    gui.join();
    EXPECT_TRUE(emulator.Shutdown());
}

// Host time that passes only while the emulation thread sleeps: a millisecond a millisecond asked.
class SleepTimeClock : public emu::HostClock {
public:
    uint64_t Frequency() const override { return 1000000; }
    uint64_t Now() const override { return now.load(); }
    void SleepMs(uint32_t milliseconds) override {
        now += uint64_t{milliseconds} * 1000;
        std::this_thread::yield();
    }
    double Seconds() const { return static_cast<double>(now.load()) / 1000000; }

private:
    std::atomic<uint64_t> now{1000000};
};

// Host time that passes only while the emulation thread sleeps or is held back, and a typist: each key is handed to
// the core once the time has passed the moment it was typed, with its age, as the window hands over the keys it
// takes late. The time stands still while the test thread hands the keys over (Type), so that the typing keeps
// step with the clock; the emulation thread itself never takes the core's lock.
class TypistClock : public emu::HostClock {
public:
    struct Key {
        uint64_t typedMs;
        int32_t code;
        bool down;
    };

    explicit TypistClock(std::vector<Key> keys) : keys(std::move(keys)) {}

    uint64_t Frequency() const override { return 1000000; }
    uint64_t Now() const override { return now.load(); }
    void SleepMs(uint32_t milliseconds) override {
        Pass(milliseconds > 0 && StallsNow(StallIn::Sleep) ? stallMs : milliseconds);
        std::this_thread::yield();
    }

    // Where the host holds the emulation thread back once, from the moment given on.
    enum class StallIn {
        Sleep,    // one sleep lasts that long: the loop learns a coarse sleep and waits less for a while
        FrameEnd, // between a frame's end and the wait for the next: the frame ends late
    };
    void StallAt(StallIn where, uint64_t atMs, uint32_t forMs) {
        stallIn = where;
        stallAt = atMs * 1000;
        stallMs = forMs;
    }
    // The idle hook: the loop lets the GUI catch up at every frame end.
    void AtFrameEnd() {
        if (StallsNow(StallIn::FrameEnd)) {
            Pass(stallMs);
        }
    }

    // Test thread: hands the keys to the core as the time passes them; returns when all are typed.
    void Type(emu::EmulatorCore& core) {
        for (;;) {
            std::vector<Key> due;
            uint64_t at = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return handOver || typed == keys.size(); });
                if (!handOver) {
                    return;
                }
                at = now.load();
                for (size_t index = typed; index < keys.size() && keys[index].typedMs * 1000 <= at; ++index) {
                    due.push_back(keys[index]);
                }
            }
            // Without the clock's lock: the emulation thread waits for the keys holding its own.
            for (const Key& key : due) {
                core.OnKeyChar(key.code, key.down, static_cast<uint32_t>((at - key.typedMs * 1000) / 1000));
            }
            std::lock_guard lock(mutex);
            typed += due.size();
            handOver = false;
            changed.notify_all();
        }
    }

private:
    bool StallsNow(StallIn where) {
        if (stalled || stallIn != where || now.load() < stallAt) {
            return false;
        }
        stalled = true;
        return true;
    }
    void Pass(uint32_t milliseconds) {
        now += uint64_t{milliseconds} * 1000;
        std::unique_lock lock(mutex);
        if (typed < keys.size() && keys[typed].typedMs * 1000 <= now.load()) {
            handOver = true;
            changed.notify_all();
            changed.wait(lock, [&] { return !handOver; });
        }
    }

    const std::vector<Key> keys;
    // Emulation thread only.
    StallIn stallIn = StallIn::Sleep;
    uint64_t stallAt = UINT64_MAX;
    uint32_t stallMs = 0;
    bool stalled = false;
    std::atomic<uint64_t> now{0};
    std::mutex mutex;
    std::condition_variable changed;
    // Under the mutex: keys are due and the emulation thread waits until they are handed over.
    bool handOver = false;
    size_t typed = 0;
};

// The idle hook has no context.
std::atomic<TypistClock*> typistAtFrameEnd{nullptr};
bool TypistFrameEnd(int32_t) {
    if (TypistClock* clock = typistAtFrameEnd.load()) {
        clock->AtFrameEnd();
    }
    return true;
}

// Keys typed 30 ms apart (each 30 ms down, then 30 ms up) reach the machine 30 ms apart in its own time, also those
// typed while the host held the loop back for four frames and a half and the loop caught up with frames run back to
// back. Held back in a sleep, the loop also runs ahead of real time for a while, until it has learnt the sleep's
// length again: a key may then come later than its time, never sooner.
TEST_F(CoreThreadTest, KeysReachTheMachineAsFarApartAsTheyWereTypedAlsoAcrossALateFrame) {
    constexpr uint64_t kFirstKeyMs = 500;
    constexpr uint64_t kSpacingMs = 30;
    constexpr int32_t kLetters = 8;
    std::vector<TypistClock::Key> keys;
    for (int32_t letter = 0; letter < kLetters; ++letter) {
        const uint64_t at = kFirstKeyMs + 2 * kSpacingMs * static_cast<uint64_t>(letter);
        keys.push_back({at, 0x41 + letter, true});
        keys.push_back({at + kSpacingMs, 0x41 + letter, false});
    }
    struct Case {
        TypistClock::StallIn where;
        // The gaps may be this much longer than typed; no gap is more than half a frame shorter.
        double longerMs;
    };
    for (const Case& test : {Case{TypistClock::StallIn::FrameEnd, 10}, Case{TypistClock::StallIn::Sleep, 200}}) {
        SCOPED_TRACE(test.where == TypistClock::StallIn::FrameEnd ? "held back at a frame end"
                                                                  : "held back in a sleep");
        emu::EmulatorCore& emulator = Create(kStandInList);
        TypistClock clock(keys);
        // While the third to the sixth key word are typed.
        clock.StallAt(test.where, kFirstKeyMs + 40, 90);
        typistAtFrameEnd = &clock;
        emulator.SetIdleHook(TypistFrameEnd);
        emulator.SetClock(clock);
        emulator.SetSynchronization(true);
        emulator.SetFastInitialization(false);
        // The clock must outlive the thread: no early return before the shutdown.
        if (emulator.SetRunState(false, false)) {
            clock.Type(emulator);
            ProbeDevice& probe = StandIn().Probe();
            EXPECT_TRUE(Eventually([&] { return probe.KeysAt().size() >= keys.size(); }));
            const std::vector<ProbeDevice::KeyAt> reached = probe.KeysAt();
            EXPECT_EQ(reached.size(), keys.size());
            for (size_t index = 0; index < std::min(reached.size(), keys.size()); ++index) {
                EXPECT_EQ(reached[index].code, keys[index].code) << index;
                EXPECT_EQ(reached[index].down, keys[index].down) << index;
                if (index > 0) {
                    const double gapMs = static_cast<double>(reached[index].cycles - reached[index - 1].cycles) /
                                         (kStandInFrequency / 1000.0);
                    EXPECT_GT(gapMs, static_cast<double>(kSpacingMs) - 10) << "key word " << index;
                    EXPECT_LT(gapMs, static_cast<double>(kSpacingMs) + test.longerMs) << "key word " << index;
                }
            }
        }
        EXPECT_TRUE(emulator.Shutdown());
        emulator.SetIdleHook(nullptr);
        typistAtFrameEnd = nullptr;
    }
}

TEST_F(CoreThreadTest, PausesFromTheGuiTakeNothingOffTheSpeedFigure) {
    emu::EmulatorCore& emulator = Create(kStandInList);
    SleepTimeClock clock;
    emulator.SetClock(clock);
    emulator.SetSynchronization(true);
    emulator.SetFastInitialization(false);
    // The clock must outlive the thread: no early return before the shutdown.
    const bool running = emulator.SetRunState(false, false);
    EXPECT_TRUE(running);
    // The window pauses the loop for every status line it reads; a pause that costs no host time must leave the
    // running frame and the statistics second as they were.
    std::vector<int32_t> figures;
    common::WideString status;
    while (running && clock.Seconds() < 4) {
        emulator.GetStatusText(status);
        emulator.HoldThread(true);
        emulator.HoldThread(false);
        const int32_t speed = emulator.SpeedPercent();
        if (speed != 0 && (figures.empty() || figures.back() != speed)) {
            figures.push_back(speed);
        }
    }
    EXPECT_EQ(figures, std::vector<int32_t>{100});
    EXPECT_TRUE(emulator.Shutdown());
}

// The status line shows the speed the machine runs at: none while it stands at a break or is held, and the last
// second's figure again as soon as it runs.
TEST_F(CoreThreadTest, StandingMachineShowsSpeedZero) {
    emu::EmulatorCore& emulator = Create(kStandInList);
    SleepTimeClock clock;
    emulator.SetClock(clock);
    emulator.SetSynchronization(true);
    emulator.SetFastInitialization(false);
    const auto speedText = [&] {
        common::WideString status;
        emulator.GetStatusText(status);
        const std::string text(status.GetNarrow());
        const size_t at = text.find("Speed=");
        return at == std::string::npos ? text : text.substr(at, text.find(')', at) - at);
    };
    // The clock must outlive the thread: no early return before the shutdown.
    if (emulator.SetRunState(false, false)) {
        EXPECT_TRUE(Eventually([&] { return emulator.SpeedPercent() == 100; }));
        EXPECT_EQ(speedText(), "Speed=100");
        emulator.BreakEmulation(false);
        EXPECT_EQ(speedText(), "Speed=0") << "at a break";
        emulator.ResumeEmulation();
        EXPECT_EQ(speedText(), "Speed=100") << "running again";
        ASSERT_TRUE(emulator.HoldThread(true));
        EXPECT_EQ(speedText(), "Speed=0") << "held by the GUI";
        emulator.HoldThread(false);
        EXPECT_EQ(speedText(), "Speed=100");
    }
    EXPECT_TRUE(emulator.Shutdown());
}

// Host time that never moves: a synchronised frame never reaches its deadline, and only a request ends its wait.
class FrozenClock : public emu::HostClock {
public:
    uint64_t Frequency() const override { return 1000000; }
    uint64_t Now() const override { return 1000000; }
    void SleepMs(uint32_t) override { std::this_thread::yield(); }
    bool SleepUnless(emu::ThreadSignal& signal, uint64_t seen, uint32_t milliseconds) override {
        ++waits;
        const bool ended = HostClock::SleepUnless(signal, seen, milliseconds);
        if (ended) {
            ++woken;
        }
        return ended;
    }

    std::atomic<int64_t> waits{0};
    std::atomic<int32_t> woken{0};
};

TEST_F(CoreThreadTest, RequestsEndTheSynchronisedLoopsWaitForItsFrame) {
    emu::EmulatorCore& emulator = Create(kStandInList);
    FrozenClock clock;
    emulator.SetClock(clock);
    emulator.SetSynchronization(true);
    emulator.SetFastInitialization(false);
    // The clock must outlive the thread: no early return before the shutdown.
    if (emulator.SetRunState(false, false)) {
        TakeConsoleTexts(emulator);
        ASSERT_TRUE(Eventually([&] { return clock.waits > 0; })) << "the first frame waits for its deadline";
        const int32_t woken = clock.woken;
        ASSERT_TRUE(WhileHeld(emulator, [] { return true; })) << "a pause answers";
        EXPECT_GT(clock.woken, woken);
        emulator.BreakEmulation(false);
        EXPECT_TRUE(emulator.IsParked()) << "a break answers";
        emulator.ResumeEmulation();
        EXPECT_FALSE(emulator.IsBreakPending());
        for (const std::string& line : TakeConsoleTexts(emulator)) {
            EXPECT_NE(line, "Error: Emulation thread does not respond");
        }
    }
    EXPECT_TRUE(emulator.Shutdown());
}

TEST_F(CoreThreadTest, ThousandsOfRequestsFromTwoThreadsKeepTheCoreResponsive) {
    emu::EmulatorCore& emulator = Create(kStandInList);
    ASSERT_TRUE(emulator.SetRunState(false, false));
    std::atomic<bool> done{false};
    std::thread gui([&] {
        for (int32_t turn = 0; !done; ++turn) {
            emulator.OnKeyChar(0x30 + turn % 10, turn % 2 == 0);
            emulator.OnMouseEvent(turn % 7, turn % 5, turn % 5);
            emulator.PresentFrame(turn % 4 == 0, false);
            emulator.OnKeyEvent(turn % 3 == 0, turn % 5 == 0);
        }
    });
    common::MemoryStream snapshot;
    ASSERT_TRUE(snapshot.Create(0, -1));
    common::WideString status;
    for (int32_t turn = 0; turn < 1500; ++turn) {
        switch (turn % 6) {
        case 0:
            emulator.BreakEmulation(turn % 12 == 0);
            break;
        case 1:
            emulator.ResumeEmulation();
            break;
        case 2:
            ASSERT_TRUE(emulator.HoldThread(true));
            emulator.HoldThread(false);
            break;
        case 3:
            ASSERT_TRUE(emulator.ArmStepping(1 + turn % 3, emu::RunToKind::UntilLeaves, 0));
            emulator.ResumeEmulation();
            break;
        case 4:
            EXPECT_TRUE(emulator.SaveStateToMemory(snapshot, false, false));
            break;
        default:
            emulator.GetStatusText(status);
            emulator.StopAndWait();
            break;
        }
    }
    done = true;
    gui.join();
    EXPECT_EQ(emulator.PauseDepth(), 0);
    emulator.BreakEmulation(false);
    ASSERT_TRUE(AtBreak());
    emulator.ResumeEmulation();
    EXPECT_TRUE(emulator.IsPowered());
    EXPECT_TRUE(emulator.Shutdown());
}

TEST_F(CoreThreadTest, LoopsTakeTheirBusRates) {
    static constexpr emu::EmulatorConfig::MachineListEntry kList[] = {
        {[] { return std::unique_ptr<emu::Computer>(std::make_unique<BudgetMachine>(true)); }, false},
        {[] { return std::unique_ptr<emu::Computer>(std::make_unique<BudgetMachine>(false)); }, false}};
    constexpr emu::LoopMode kMax = emu::LoopMode::MaxSpeed;
    constexpr emu::LoopMode kSynced = emu::LoopMode::Synced;
    struct Case {
        int32_t machine;
        int32_t syncFrequency;
        emu::LoopMode runMode;
        int32_t sampleRate;
        int32_t busRate;
    };
    const Case cases[] = {
        {0, 0, kMax, 4000, 4000},      {0, 1, kMax, 8000, 8000},   {0, 2, kMax, 16000, 16000},
        {0, 3, kMax, 22050, 22050},    {0, 4, kMax, 44100, 44100}, {1, 0, kSynced, 4000, 88200},
        {1, 4, kSynced, 44100, 88200},
    };
    for (const Case& test : cases) {
        emu::EmulatorCore& emulator = Create(kList, test.machine);
        config->EmuSyncFreq = test.syncFrequency;
        ASSERT_TRUE(emulator.SetRunState(true, false));
        EXPECT_EQ(emulator.RunMode(), test.runMode);
        EXPECT_EQ(emulator.BusSampleRate(), test.sampleRate) << test.syncFrequency;
        EXPECT_EQ(emulator.Machine()->Bus()->Rate(), test.busRate) << test.syncFrequency;
        emulator.ResumeEmulation();
        ASSERT_TRUE(Eventually([&] { return static_cast<BudgetMachine*>(emulator.Machine())->Cpu().calls > 10000; }));
        config.reset();
    }
}

TEST_F(CoreThreadTest, ThreadThatDoesNotAnswerFailsRequestsAndIsKept) {
    static constexpr emu::EmulatorConfig::MachineListEntry kList[] = {
        {[] { return std::unique_ptr<emu::Computer>(std::make_unique<BudgetMachine>(false)); }, false}};
    std::vector<std::string> reports;
    emu::EmulatorConfig::Environment environment;
    environment.folders = program.Folders();
    environment.requestLimitMs = 200;
    environment.reportLine = [&](const std::string& line) { reports.push_back(line); };
    emu::EmulatorConfig::MediaList media;
    media.soundOutputs.push_back(std::make_unique<emu::HostSoundOutput>());
    media.renderers.push_back(std::make_unique<emu::OffscreenRenderer>());
    config = std::make_unique<emu::EmulatorConfig>(std::move(environment), kList, std::move(media));
    core = config->CreateCore(0);
    ASSERT_NE(core, nullptr);
    ASSERT_TRUE(core->SetRunState(false, false));
    BudgetCpu& cpu = static_cast<BudgetMachine*>(core->Machine())->Cpu();
    TakeConsoleTexts(*core);

    cpu.Hold(true);
    cpu.AwaitInside();
    // The status line does not need the thread: it shows the clock text the loop published.
    common::WideString status;
    core->GetStatusText(status);
    EXPECT_EQ(std::string(status.GetNarrow()).rfind("BUDGET (CPU=", 0), 0U) << status.GetNarrow();
    EXPECT_TRUE(TakeConsoleTexts(*core).empty()) << "the status line parked nothing";
    core->BreakEmulation(false);
    EXPECT_FALSE(core->SaveStateToMemory(core->Snapshot(), false, true));
    EXPECT_EQ(core->Snapshot().Size(), 0);
    const std::vector<std::string> lines = TakeConsoleTexts(*core);
    EXPECT_TRUE(HasLine(lines, "Error: Emulation thread does not respond"));

    const auto settingsFiles = [&] {
        int32_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(program.Folder().Path())) {
            count += entry.is_regular_file() && entry.path().extension() == ".ini" ? 1 : 0;
        }
        return count;
    };
    const int32_t settingsBefore = settingsFiles();
    config->RemoveCore(core);
    EXPECT_TRUE(config->Cores.empty());
    ASSERT_EQ(reports.size(), 1U);
    EXPECT_NE(reports[0].find("did not end"), std::string::npos);
    EXPECT_GT(settingsFiles(), settingsBefore) << "the machine's settings are written all the same";
    const std::vector<std::string> endLines = TakeConsoleTexts(*core);
    EXPECT_EQ(std::count(endLines.begin(), endLines.end(), "Error: Emulation thread does not respond"), 1)
        << "one limit for the whole end";

    // Once it answers again, it ends and goes with the configuration.
    cpu.Hold(false);
    ASSERT_TRUE(Eventually([&] { return !core->IsThreadRunning(); }));
    config.reset();
    EXPECT_EQ(reports.size(), 1U);
    core = nullptr;
}

} // namespace
} // namespace app_test
