// The emulation thread: its life, the two run loops, power-on, the break callback, stepping and the state chunk.
#include "app/CorePause.h"
#include "app/EmulatorConfig.h"
#include "app/EmulatorCore.h"
#include "app/LoopStateChunk.h"
#include "common/SystemUtilities.h"
#include "emu/core/BusService.h"
#include "emu/core/Computer.h"
#include "emu/core/CpuBase.h"
#include "emu/core/DriveSet.h"
#include "emu/core/RendererBase.h"
#include "emu/core/SliceRun.h"
#include "emu/core/SliceSchedule.h"

#include <algorithm>
#include <cmath>

namespace emu {

namespace {

// The bus rates of "EmuSyncFreq" 1 to 4, as bus ticks per frame.
constexpr int32_t kSyncRatesPerFrame[] = {160, 320, 441, 882};
constexpr int32_t kDefaultBusRate = 4000;
constexpr int32_t kMaxSpeedReference = 1000000000;
constexpr const char* kDisassemblingError = "Disassembling error";

} // namespace

// Where the drains hand the queued words: the machine and the screen renderer.
class EmulatorCore::MachineInput : public InputSink {
public:
    explicit MachineInput(EmulatorCore& core) : core(core) {}

    void KeyEvent(int32_t code, bool down) override { core.machine->KeyEvent(code, down); }
    void MouseEvent(const MouseEventRecord& record) override { core.machine->MouseEvent(record); }
    bool ScalePoint(int16_t x, int16_t y, double& screenX, double& screenY) override {
        return core.screenRenderer != nullptr && core.screenRenderer->ScalePoint(x, y, screenX, screenY);
    }
    void RecheckInterrupts() override { core.machine->RequestInterruptCheck(); }

private:
    EmulatorCore& core;
};

// A run loop's own state, on the emulation thread's stack.
struct EmulatorCore::LoopContext {
    explicit LoopContext(EmulatorCore& core, bool maxSpeed) : maxSpeed(maxSpeed), input(core) {}

    bool maxSpeed;
    CpuInterface* cpu = nullptr;
    SlicePiece piece;
    FrameClock frame;
    MachineInput input;
    // Maximum-speed loop.
    MaxSpeedSlicer slicer;
    bool resumed = false;
    uint64_t previousFrameTime = 0;
    uint64_t previousFrameCycles = 0;
    // Synchronised loop.
    SyncedSliceSchedule schedule;
    // The processor's way through the plain slice ends of the schedule; without a bus it has none.
    SliceRun run;
    FramePacer pacer;
    bool lastSyncActive = false;
    // A request cut the wait for the frame deadline short: the loop waits again before it runs on.
    bool frameWaitOwed = false;
    // A drain since the last frame end passed on a key.
    bool keySeen = false;
};

int32_t EmulatorCore::EmulationThreadProc(EmulatorCore* core) {
    if (core == nullptr) {
        return 1;
    }
    return core->RunThread() ? 0 : 1;
}

bool EmulatorCore::RunThread() {
    if (!stopRequest) {
        return false;
    }
    common::LockGuard control(&threadControlLock);
    if (threadStopped) {
        return false;
    }
    powered = false;
    stopRequest = true;
    restart = false;
    loopActive = true;
    answer.Signal();
    while (!threadStopped) {
        // Taken before the flags are looked at: a request signalled after the look ends the wait below at once.
        const uint64_t seen = wakeup.Count();
        if (!powered && !stopRequest) {
            CpuInterface* cpu = machine != nullptr ? machine->FirstCpu() : nullptr;
            if (cpu == nullptr) {
                // Nothing to run: the power-on fails.
                ResetCoreState();
            } else if (cpu->IsMaxSpeed()) {
                RunLoopMaxSpeed();
            } else {
                RunLoopSynced();
            }
            continue;
        }
        if (restart) {
            restart = false;
            stopRequest = false;
            continue;
        }
        wakeup.WaitPast(seen, -1);
    }
    loopActive = false;
    answer.Signal();
    // The settings were written by the request that ended the thread.
    if (machine != nullptr) {
        machine->Clear();
    }
    return true;
}

void EmulatorCore::RunLoopMaxSpeed() {
    RunLoop(true);
}

void EmulatorCore::RunLoopSynced() {
    RunLoop(false);
}

// ---- Power

bool EmulatorCore::PowerOn(bool maxSpeed) {
    console.Clear();
    inLoop = false;
    stopRequest = false;
    powered = true;
    if (screenRenderer != nullptr) {
        screenRenderer->RequestClear();
    }
    breakPending = false;
    syncActive = synchronization ? !fastInitialization : false;
    if (machine->Drives() != nullptr) {
        machine->Drives()->ClearDriveActivity();
    }
    const int32_t syncFrequency = config != nullptr ? config->EmuSyncFreq : 0;
    int32_t rate = kDefaultBusRate;
    if (machine->UsesSyncFrequency() && syncFrequency >= 1 && syncFrequency <= 4) {
        rate = kSyncRatesPerFrame[syncFrequency - 1] * FrameClock::kFramesPerSecond;
    }
    machine->AttachRenderer(screenRenderer);
    machine->SetSoundOutput(soundOutput.get());
    machine->SetConsole(&console);
    if (machine->Bus() == nullptr) {
        ResetCoreState();
        return false;
    }
    if (auto* cpu = dynamic_cast<CpuBase*>(machine->CpuAt(0))) {
        cpu->SetScaledTimeBase(maxSpeed);
        cpu->SetPrimaryFrequency(maxSpeed ? kMaxSpeedReference : cpu->Frequency());
    }
    // Every event added while the machine starts is bound by name, so that a state can find it again.
    machine->Bus()->SetRegistering(true);
    const bool started = machine->Start(rate);
    machine->Bus()->SetRegistering(false);
    busSampleRate = rate;
    if (!started || machine->CpuCount() != 1) {
        ResetCoreState();
        return false;
    }
    if (const char* reason = screenRenderer != nullptr ? screenRenderer->FallbackReason() : nullptr) {
        PrintColoured(kErrorColour, "[ERROR] Renderer \"%s\" draws through GDI: %s", screenRenderer->Name(), reason);
    }
    speedPercent = 0;
    eventCounter = 0;
    eventsLastSecond = 0;
    lateFramesLastSecond = 0;
    lateFrameCounter = 0;
    loadPercent = -1;
    if (machine->FirstCpu()->Frequency() <= 0) {
        ResetCoreState();
        return false;
    }
    postState = kNoPost;
    mouseState = MouseEventRecord{};
    return true;
}

void EmulatorCore::ResetCoreState() {
    runMode = LoopMode::None;
    breakPending = false;
    budgetPointer = nullptr;
    budgetSaved = false;
    if (machine != nullptr) {
        machine->SetHostCallback(nullptr, this);
        if (machine->IsRunning()) {
            machine->Stop();
        }
    }
    lateFrameCounter = 0;
    loadPercent = 0;
    speedPercent = 0;
    eventCounter = 0;
    eventsLastSecond = 0;
    lateFramesLastSecond = 0;
    inLoop = false;
    powered = false;
    wakeRequest = true;
    stopRequest = true;
    statusChanged = true;
    answer.Signal();
}

// ---- The loop

bool EmulatorCore::StartLoop(LoopContext& loop) {
    common::LockGuard loopGuard(&loopLock);
    if (!PowerOn(loop.maxSpeed)) {
        return false;
    }
    loop.cpu = machine->FirstCpu();
    const int32_t frequency = loop.cpu->Frequency();
    const int32_t slicesPerFrame = machine->SetBusRate(busSampleRate, -1, !loop.maxSpeed);
    const uint64_t now = clock->Now();
    loop.frame.Start(clock->Frequency(), now);
    if (loop.maxSpeed) {
        loop.piece.budget = loop.slicer.Start(frequency, slicesPerFrame, loop.frame, now);
        loop.resumed = true;
        loop.previousFrameTime = now;
        loop.previousFrameCycles = loop.cpu->Cycles();
    } else {
        loop.piece.budget = loop.schedule.Start(frequency, slicesPerFrame);
        loop.run.schedule = &loop.schedule;
        loop.run.piece = &loop.piece;
        loop.run.bus = machine->Bus();
        loop.run.attention = &wakeRequest;
        loop.pacer.Start(*clock);
        loop.lastSyncActive = syncActive;
    }
    wakeRequest = true;
    budgetPointer = &loop.piece.budget;
    statusChanged = true;
    // A new loop starts without steps; a step armed while it stands at its first break is kept.
    stepCounter = 0;
    stepCancel = false;
    traceRequest = false;
    budgetSaved = false;
    savedBudget = 0;
    repeatGuard = false;
    inLoop = true;
    if (loop.maxSpeed) {
        machine->TickBus();
        loop.cpu->RebuildEvents();
    } else {
        loop.cpu->RebuildEvents();
        machine->TickBus();
    }
    loop.piece.SplitAgainst(loop.cpu->cyclesToNextEvent);
    machine->SetHostCallback(OnMachineBreak, this);
    inputQueue.Clear();
    PublishFrequencyText();
    runMode = loop.maxSpeed ? LoopMode::MaxSpeed : LoopMode::Synced;
    answer.Signal();
    return true;
}

void EmulatorCore::RunLoop(bool maxSpeed) {
    LoopContext loop(*this, maxSpeed);
    if (!StartLoop(loop)) {
        return;
    }
    loopSwitchRequest = 0;
    for (;;) {
        // The inner path: one piece on the processor, no lock.
        if (!wakeRequest.load(std::memory_order_relaxed)) {
            RunPiece(loop, loop.piece.budget);
            AccountSlice(loop);
            continue;
        }
        const uint64_t seen = wakeup.Count();
        wakeRequest = false;
        if (stopRequest) {
            break;
        }
        if (traceRequest) {
            ServeTraceRequest();
        }
        if (pauseDepth < 1 && !breakPending) {
            TakeBackBudget(loop);
            if (parked) {
                parked = false;
                // A pause or break that came back meanwhile keeps the loop parked.
                if (pauseDepth > 0 || breakPending) {
                    parked = true;
                    wakeRequest = true;
                    answer.Signal();
                    wakeup.WaitPast(seen, 1);
                    continue;
                }
                ResumeTiming(loop);
            }
            if (loop.frameWaitOwed) {
                WaitForFrame(loop);
                // The pass goes on through the flags again (stepping, a break that came meanwhile).
                wakeRequest = true;
                continue;
            }
            if (stepCancel) {
                stepCounter = 0;
                stepCancel = false;
                answer.Signal();
            } else if (stepCounter != 0) {
                StepPass(loop);
                continue;
            }
            if (repeatGuard) {
                if (loop.cpu->GetPC() == repeatAddress) {
                    // The instruction that broke runs once without breaking again.
                    RunPiece(loop, 0);
                    wakeRequest = true;
                    AccountSlice(loop);
                    continue;
                }
                repeatGuard = false;
            }
            if (loop.piece.budget > 0) {
                RunPiece(loop, loop.piece.budget);
            }
            AccountSlice(loop);
            continue;
        }
        if (loopSwitchRequest != 0) {
            stopRequest = true;
            break;
        }
        if (!parked) {
            loop.frame.Park(clock->Now());
        }
        parked = true;
        wakeRequest = true;
        answer.Signal();
        if (!ServePost(loop)) {
            continue;
        }
        if (breakPending && waitMarked.exchange(false)) {
            wakeup.WaitPast(seen, -1);
        } else {
            wakeup.WaitPast(seen, 1);
        }
    }
    parked = false;
    ResetCoreState();
    if (loopSwitchRequest.exchange(0) < 0) {
        restart = true;
    }
}

void EmulatorCore::RunPiece(LoopContext& loop, int32_t cycles) {
    const int32_t executed =
        loop.run.bus != nullptr ? loop.cpu->ExecuteSlices(cycles, loop.run) : loop.cpu->Execute(cycles);
    if (budgetSaved) {
        // A break inside: the budget it saved is the piece the processor was running.
        loop.piece.budget = savedBudget;
        budgetSaved = false;
    }
    loop.piece.budget -= executed;
}

void EmulatorCore::TakeBackBudget(LoopContext& loop) {
    if (budgetSaved) {
        loop.piece.budget = savedBudget;
        budgetSaved = false;
    }
}

void EmulatorCore::ResumeTiming(LoopContext& loop) {
    const uint64_t now = clock->Now();
    loop.frame.Resume(now);
    if (loop.maxSpeed) {
        loop.slicer.RestartAt(now);
        loop.resumed = true;
    }
}

// ---- Slice accounting

void EmulatorCore::AccountSlice(LoopContext& loop) {
    int32_t& untilEvent = loop.cpu->cyclesToNextEvent;
    if (loop.piece.Settle(untilEvent)) {
        loop.cpu->DispatchEvents();
        if (budgetSaved) {
            TakeBackBudget(loop);
            loop.piece.SplitAgainst(untilEvent);
            return;
        }
    }
    if (loop.piece.budget > 0) {
        loop.piece.SplitAgainst(untilEvent);
        return;
    }
    if (loop.maxSpeed) {
        EndMaxSpeedSlice(loop);
    } else {
        EndSyncedSlice(loop);
    }
}

void EmulatorCore::Drain(LoopContext& loop) {
    inputQueue.Drain(loop.input, mouseState, loop.keySeen);
    TakeBackBudget(loop);
}

void EmulatorCore::EndMaxSpeedSlice(LoopContext& loop) {
    uint64_t now = clock->Now();
    const int32_t piece = loop.slicer.NextPiece(loop.piece.budget, now);
    if (piece > 0) {
        loop.piece.budget = piece;
        loop.piece.SplitAgainst(loop.cpu->cyclesToNextEvent);
        return;
    }
    const int32_t next = loop.slicer.EndSlice(now);
    if (loop.slicer.AtHalfFrame()) {
        Drain(loop);
    }
    loop.piece.budget = next;
    loop.piece.SplitAgainst(loop.cpu->cyclesToNextEvent);
    machine->TickBus();
    TakeBackBudget(loop);
    if (loop.slicer.FrameEnded()) {
        EndMaxSpeedFrame(loop);
    }
}

void EmulatorCore::EndMaxSpeedFrame(LoopContext& loop) {
    Drain(loop);
    loop.keySeen = false;
    ++loop.frame.frames;
    if (!singleProcessor) {
        CallIdleHook(3);
        const int32_t late = lateFrameCounter;
        if (late != 0 || lateFramesLastSecond != 0) {
            clock->SleepMs(late > 10 ? 2 : (late >= 2 ? 1 : 0));
        }
    } else {
        clock->SleepMs(1);
    }
    const uint64_t now = clock->Now();
    if (loop.slicer.EndFrame(now, loop.frame, !singleProcessor)) {
        ++lateFrameCounter;
    }
    // The processor's clock as the host saw it run: its timed events follow real time.
    const uint64_t cycles = loop.cpu->Cycles();
    if (loop.resumed) {
        const int32_t requested = loop.cpu->RequestedFrequency();
        loop.cpu->SetRequestedFrequency(requested == 0 ? 1 : requested);
        loop.resumed = false;
    } else if (now > loop.previousFrameTime) {
        const double perSecond = static_cast<double>(loop.frame.ticksPerSecond) /
                                 static_cast<double>(now - loop.previousFrameTime) *
                                 static_cast<double>(cycles - loop.previousFrameCycles);
        loop.cpu->SetRequestedFrequency(static_cast<int32_t>(std::fmin(std::floor(perSecond + 0.5), 0x7FFFFFFF)));
    } else {
        loop.cpu->SetRequestedFrequency(1);
    }
    loop.previousFrameTime = now;
    loop.previousFrameCycles = cycles;
    if (loop.frame.SecondEnded()) {
        EndStatisticsSecond(loop, now);
    }
    loop.slicer.NextFrame();
}

void EmulatorCore::EndSyncedSlice(LoopContext& loop) {
    loop.piece.budget = loop.schedule.EndSlice(loop.piece.budget);
    if (loop.schedule.AtHalfFrame()) {
        Drain(loop);
    }
    loop.piece.SplitAgainst(loop.cpu->cyclesToNextEvent);
    machine->TickBus();
    TakeBackBudget(loop);
    const bool active = syncActive;
    if (active != loop.lastSyncActive) {
        loop.lastSyncActive = active;
        loop.frame.frameDeadline = clock->Now() + loop.frame.ticksPerFrame;
    }
    if (loop.schedule.FrameEnded()) {
        EndSyncedFrame(loop);
    }
}

void EmulatorCore::EndSyncedFrame(LoopContext& loop) {
    Drain(loop);
    ++loop.frame.frames;
    if (!syncActive && synchronization) {
        const bool driveActive =
            fastInitialization && machine->Drives() != nullptr && machine->Drives()->AnyDriveActivity();
        if (driveActive || loop.keySeen) {
            syncActive = true;
        }
    }
    loop.keySeen = false;
    if (LiveCores() > 1) {
        clock->SleepMs(0);
    }
    if (singleProcessor) {
        clock->SleepMs(1);
    }
    if (syncActive) {
        // Only a loop that keeps to real time lets the GUI thread catch up; one that races ahead never waits for
        // it.
        CallIdleHook(1);
    }
    const uint64_t deadline = loop.frame.frameDeadline;
    uint64_t now = WaitForFrame(loop);
    if (loop.frameWaitOwed) {
        // The next frame starts no earlier than the deadline: the second ends there.
        now = std::max(now, deadline);
    }
    if (loop.frame.SecondEnded()) {
        EndStatisticsSecond(loop, now);
    }
    loop.schedule.NextFrame();
}

uint64_t EmulatorCore::WaitForFrame(LoopContext& loop) {
    const bool paced = syncActive;
    FrameWake wake;
    if (paced) {
        // A request ends the wait at once; the loop serves it and then owes the rest of the wait.
        wake.signal = &wakeup;
        wake.seen = wakeup.Count();
        wake.requested = wakeRequest.load();
    }
    const uint64_t now = loop.pacer.WaitForFrame(*clock, loop.frame, paced, wake);
    loop.frameWaitOwed = loop.pacer.Woken();
    if (loop.frameWaitOwed) {
        wakeRequest = true;
    }
    return now;
}

void EmulatorCore::EndStatisticsSecond(LoopContext& loop, uint64_t now) {
    if (LiveCores() > 1) {
        clock->SleepMs(0);
    }
    eventsLastSecond = eventCounter.exchange(0);
    lateFramesLastSecond = lateFrameCounter.exchange(0);
    speedPercent =
        emu::SpeedPercent(now, loop.frame.secondEnd, loop.frame.ticksPerSecond, speedPercent, !loop.maxSpeed);
    PublishFrequencyText();
    loop.frame.frames = 0;
    loop.frame.secondEnd = now + loop.frame.ticksPerSecond;
}

void EmulatorCore::PublishFrequencyText() {
    common::WideString text;
    machine->FrequencyText(text);
    common::LockGuard guard(&statusLock);
    frequencyText.Assign(text);
}

void EmulatorCore::CallIdleHook(int32_t timeoutMs) {
    const IdleHook hook = idleHook.load();
    if (hook != nullptr) {
        hook(timeoutMs);
    }
}

// ---- Breaks and stepping

int32_t EmulatorCore::OnMachineBreak(void* context, uint8_t* request, uint8_t* show, int32_t code) {
    auto* core = static_cast<EmulatorCore*>(context);
    if (core == nullptr || !core->inLoop) {
        return 0;
    }
    CpuInterface* cpu = core->machine->FirstCpu();
    if (cpu == nullptr) {
        *show = 1;
        return 0;
    }
    if (core->budgetPointer == nullptr) {
        return 0;
    }
    const bool halt = *request != 0;
    if (halt && core->repeatGuard && cpu->GetPC() == core->repeatAddress) {
        // The machine does not stop twice in a row at the same address.
        *show = core->repeatFlag ? 1 : 0;
        return 0;
    }
    if (!halt) {
        // The machine stops after the instruction in progress.
        cpu->EndSlice();
    } else {
        // The instruction that asked for the break is abandoned and runs again, once, on resuming.
        core->repeatAddress = cpu->GetPC();
        core->repeatGuard = true;
        core->repeatFlag = false;
        *show = 0;
        cpu->RaiseBusFault();
    }
    if (!core->budgetSaved) {
        core->savedBudget = *core->budgetPointer;
        core->budgetSaved = true;
    }
    *core->budgetPointer = kBreakBudget;
    if (!core->breakPending) {
        core->statusChanged = true;
        core->wakeRequest = true;
        core->breakPending = true;
        core->machine->SetBusPaused(true);
    }
    if (code == 0) {
        if (!core->consoleMode) {
            core->PostConsoleMode();
            core->statusChanged = true;
        }
        core->traceRequest = true;
    } else {
        core->traceRequest = false;
        core->loopSwitchRequest = code;
    }
    core->stepCounter = 0;
    return 1;
}

void EmulatorCore::PostConsoleMode() {
    inputQueue.Push(InputQueue::kReleaseAll);
    consoleModeRequest = true;
    console.MarkChanged();
}

void EmulatorCore::StepPass(LoopContext& loop) {
    const int32_t count = stepCounter;
    if (count > 0) {
        RunPiece(loop, 0);
        if (repeatGuard) {
            if (loop.cpu->GetPC() == repeatAddress) {
                wakeRequest = true;
            } else {
                repeatGuard = false;
            }
        }
        // A break inside the instruction cleared the counter.
        if (stepCounter > 0 && --stepCounter == 0) {
            BreakAfterStepping();
        } else {
            wakeRequest = true;
        }
        AccountSlice(loop);
        return;
    }
    const uint32_t pc = loop.cpu->GetPC();
    const auto target = static_cast<uint32_t>(runToAddress.load());
    const RunToKind kind = runToKind;
    if ((kind == RunToKind::UntilLeaves && pc == target) || (kind == RunToKind::UntilReaches && pc != target)) {
        RunPiece(loop, 0);
        wakeRequest = true;
        AccountSlice(loop);
        return;
    }
    stepCounter = 0;
    BreakAfterStepping();
}

void EmulatorCore::BreakAfterStepping() {
    if (!breakPending) {
        breakPending = true;
        wakeRequest = true;
        statusChanged = true;
        machine->SetBusPaused(true);
    }
    if (!consoleMode) {
        PostConsoleMode();
        statusChanged = true;
    }
    common::NarrowString line;
    if (!PrintTraceLine(line)) {
        line.Assign(kDisassemblingError);
    }
    if (!line.IsEmpty()) {
        console.AppendLine(line);
    }
}

void EmulatorCore::ServeTraceRequest() {
    traceRequest = false;
    common::NarrowString line;
    if (PrintTraceLine(line) && !line.IsEmpty()) {
        console.AppendLine(line);
    }
}

// ---- The state chunk

bool EmulatorCore::ServePost(LoopContext& loop) {
    int32_t posted = kPosted;
    if (!postState.compare_exchange_strong(posted, kPostTaken)) {
        return true;
    }
    bool served = false;
    if (!postIsLoad) {
        LoopState state;
        state.maxSpeed = loop.maxSpeed;
        state.budget = budgetSaved ? savedBudget : loop.piece.budget;
        state.carry = loop.piece.carry;
        if (loop.maxSpeed) {
            state.slicesLeft = loop.slicer.SlicesLeft();
            state.slicesPerFrame = loop.slicer.SlicesPerFrame();
        } else {
            state.slicesLeft = loop.schedule.SlicesLeft();
            state.slicesPerFrame = loop.schedule.SlicesPerFrame();
            state.owed = loop.schedule.Owed();
            state.perFrame = loop.schedule.PerFrame();
        }
        state.frames = loop.frame.frames;
        served = WriteLoopState(*postArchive, state);
    } else {
        const int32_t slicesPerFrame = loop.maxSpeed ? loop.slicer.SlicesPerFrame() : loop.schedule.SlicesPerFrame();
        LoopState state;
        served = ReadLoopState(*postArchive, loop.maxSpeed, slicesPerFrame, state, stateErrorText);
        if (served) {
            budgetSaved = false;
            loop.piece.budget = state.budget;
            loop.piece.carry = state.carry;
            const uint64_t now = clock->Now();
            loop.frame.Start(clock->Frequency(), now);
            loop.frame.frames = state.frames;
            if (loop.maxSpeed) {
                loop.slicer.Restore(state.slicesPerFrame, state.slicesLeft, loop.frame, now);
                loop.resumed = true;
            } else {
                loop.schedule.Restore(state.owed, state.perFrame, state.slicesPerFrame, state.slicesLeft);
                loop.pacer.Start(*clock);
                loop.frameWaitOwed = false;
            }
            inputQueue.ResetToOverflow();
        }
    }
    postFailed = !served;
    postState = kPostServed;
    answer.Signal();
    return served;
}

} // namespace emu
