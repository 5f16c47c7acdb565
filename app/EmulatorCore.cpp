#include "app/EmulatorCore.h"

#include "app/CorePause.h"
#include "app/EmulatorConfig.h"
#include "app/TraceLine.h"
#include "common/StringList.h"
#include "common/SystemUtilities.h"
#include "common/WideString.h"
#include "emu/core/Computer.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/NullRenderer.h"
#include "emu/core/Report.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace emu {

namespace {

std::atomic<int32_t> liveCores{0};

// What a request prints when the emulation thread does not answer in time.
constexpr const char* kNoResponse = "Error: Emulation thread does not respond";

} // namespace

EmulatorCore::EmulatorCore(EmulatorConfig* config, std::unique_ptr<Computer> newMachine,
                           std::unique_ptr<RendererBase> renderer, std::unique_ptr<HostSoundOutput> newSoundOutput,
                           const RendererBase* surfacePrototype)
    : config(config), surfacePrototype(surfacePrototype), ownedRenderer(std::move(renderer)),
      soundOutput(std::move(newSoundOutput)), machine(std::move(newMachine)),
      singleProcessor(common::GetProcessorCount() < 2), worker([this] { return EmulationThreadProc(this); }) {
    screenRenderer = ownedRenderer.get();
    snapshot.Create(0, -1);
    if (config != nullptr) {
        menuRoot.SetTextLookup(config->TextLookupOf());
        requestLimitMs = config->RequestLimit();
    }
    if (surfacePrototype != nullptr) {
        consoleSurface = surfacePrototype->Clone();
    }
    console.SetCommandCallback(CommandCallback, this);
    console.SetPanelProvider(PanelProvider, this);
    OnConsoleActivate(true);
    if (consoleSurface != nullptr) {
        consoleSurface->SetFrameEndCallback(DrawConsoleOverlay, this);
        console.MarkChanged();
    }
    if (machine != nullptr) {
        ConnectMachine();
        if (!machine->CreateServices()) {
            machine->Clear();
        }
        machine->LoadSettings();
        PrintTitle(false);
    }
    for (size_t index = 0; index < optionTrees.size(); ++index) {
        optionTrees[index] = menuRoot.AddExisting(menuRoot.CreateNode(common::WideString()));
    }
    BuildOptionTrees();
    statusChanged = false;
    stateRestored = false;
    ++liveCores;
}

EmulatorCore::~EmulatorCore() {
    Shutdown();
    {
        common::LockGuard lock(&coreLock);
        if (machine != nullptr && !powered) {
            machine->SetHostCallback(nullptr, nullptr);
            machine->SetTraceAll(nullptr);
            machine->AttachRenderer(nullptr);
            machine->SetSoundOutput(nullptr);
            machine.reset();
            BuildOptionTrees();
        }
    }
    SetOutputSink(nullptr);
    SetRenderer(nullptr, false);
    if (machine != nullptr) {
        machine->AttachRenderer(nullptr);
    }
    --liveCores;
}

int32_t EmulatorCore::LiveCores() {
    return liveCores.load();
}

void EmulatorCore::ConnectMachine() {
    machine->AttachRenderer(screenRenderer);
    machine->SetSoundOutput(soundOutput.get());
    machine->SetConsole(&console);
    machine->SetTraceAll(&stepCounter);
    machine->SetHostCallback(nullptr, this);
}

void EmulatorCore::PrintTitle(bool asBanner) {
    common::StringList lines;
    machine->Title(lines);
    if (asBanner) {
        console.AppendLines(lines);
        return;
    }
    for (int index = 0; index < lines.Count(); ++index) {
        if (index == 0) {
            console.AppendLine(*lines.At(index));
        } else {
            console.AppendText(*lines.At(index), kBannerColour);
        }
    }
}

// ---- Emulation thread start and end

bool EmulatorCore::Run() {
    if (loopActive) {
        return true;
    }
    {
        common::LockGuard control(&threadControlLock);
        if (!threadStopped || worker.IsRunning()) {
            return false;
        }
        threadStopped = false;
        stopRequest = true;
        if (!worker.Start(false, common::platform::ThreadPriority::Normal)) {
            threadStopped = true;
            return false;
        }
    }
    if (answer.WaitUntil([this] { return loopActive.load(); }, kThreadStartLimitMs)) {
        return true;
    }
    // A thread that comes late finds itself stopped and leaves at once.
    threadStopped = true;
    stopRequest = false;
    return false;
}

bool EmulatorCore::Shutdown() {
    if (threadStopped && !worker.IsRunning()) {
        return true;
    }
    common::LockGuard lock(&coreLock);
    // One request limit bounds the whole end: the wait for the pause and the wait for the thread's end share it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(requestLimitMs);
    bool answered = true;
    if (!threadStopped) {
        answered = WaitPaused();
        // The settings are written here, before the thread is asked to end, so that a thread that does not end
        // loses none of them. They are what the GUI side set (options, media mounted through requests), which a
        // thread that does not answer leaves alone.
        if (machine != nullptr) {
            machine->SaveSettings();
        }
        stopRequest = true;
        threadStopped = true;
        wakeRequest = true;
        wakeup.Signal();
    }
    // The thread leaves its loop and its life without the core lock; the pause taken here is not given back.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (!worker.Stop(answered ? static_cast<int32_t>(std::max<int64_t>(left.count(), 0)) : 0)) {
        if (answered) {
            ReportNoResponse();
        }
        return false;
    }
    common::LockGuard control(&threadControlLock);
    if (screenRenderer != nullptr) {
        screenRenderer->RequestClear();
        screenRenderer->MarkFrame(true);
    }
    if (machine != nullptr) {
        machine->AttachRenderer(nullptr);
    }
    SetRenderer(nullptr, false);
    return true;
}

// ---- Requests

bool EmulatorCore::SetOutputSink(std::unique_ptr<HostSoundOutput> output) {
    common::LockGuard lock(&coreLock);
    if (powered) {
        return false;
    }
    if (machine != nullptr) {
        machine->SetSoundOutput(output.get());
    }
    soundOutput = std::move(output);
    return true;
}

void EmulatorCore::SetRenderer(RendererBase* renderer, bool owned) {
    common::LockGuard lock(&coreLock);
    PauseGuard pause(*this);
    if (!pause.Holds()) {
        return;
    }
    if (renderer != nullptr && renderer == screenRenderer) {
        if (owned && ownedRenderer == nullptr) {
            ownedRenderer.reset(renderer);
        } else if (!owned && ownedRenderer != nullptr) {
            static_cast<void>(ownedRenderer.release());
        }
        return;
    }
    // The machine lets go of the old renderer before it goes.
    if (machine != nullptr) {
        machine->AttachRenderer(nullptr);
    }
    screenRenderer = nullptr;
    ownedRenderer.reset();
    if (renderer == nullptr) {
        ownedRenderer = std::make_unique<NullRenderer>();
        screenRenderer = ownedRenderer.get();
    } else {
        screenRenderer = renderer;
        if (owned) {
            ownedRenderer.reset(renderer);
        }
    }
    if (consoleMode) {
        consoleSurface.reset();
        if (surfacePrototype != nullptr) {
            consoleSurface = surfacePrototype->Clone();
        }
    }
    if (consoleSurface != nullptr) {
        consoleSurface->SetFrameEndCallback(DrawConsoleOverlay, this);
        console.MarkChanged();
    }
    if (machine != nullptr) {
        machine->AttachRenderer(screenRenderer);
    }
}

void EmulatorCore::BreakEmulation(bool markPending) {
    common::LockGuard lock(&coreLock);
    if (!breakPending && powered && loopActive) {
        breakPending = true;
        wakeRequest = true;
        wakeup.Signal();
        if (!AwaitThread([this] { return !inLoop.load() || parked.load(); })) {
            return;
        }
        if (inLoop) {
            inputQueue.Push(InputQueue::kReleaseAll);
        }
        if (!powered) {
            breakPending = false;
        } else {
            if (consoleMode) {
                console.MarkChanged();
            }
            if (inLoop && parked) {
                machine->SetBusPaused(true);
            }
        }
    }
    if (markPending) {
        waitMarked = true;
    }
}

void EmulatorCore::ResumeEmulation() {
    wakeup.Signal();
    if (!breakPending) {
        return;
    }
    common::LockGuard lock(&coreLock);
    if (!breakPending || !loopActive) {
        return;
    }
    // The bus is the machine's: it is touched only while the loop stands parked.
    if (!AwaitThread([this] { return !inLoop.load() || parked.load(); })) {
        return;
    }
    if (inLoop) {
        machine->SetBusPaused(false);
    }
    breakPending = false;
    wakeRequest = true;
    wakeup.Signal();
    if (inLoop) {
        inputQueue.Push(InputQueue::kReleaseAll);
        if (consoleMode) {
            console.MarkChanged();
        }
    }
}

bool EmulatorCore::WaitPaused() {
    // The wake request goes last: the loop clears it at the top of a pass and then reads the flags, so one set
    // before the flag it announces could be swallowed with the flag still unseen.
    ++pauseDepth;
    wakeRequest = true;
    wakeup.Signal();
    return !inLoop || AwaitThread([this] { return parked.load() || !inLoop.load(); });
}

bool EmulatorCore::HoldThread(bool hold) {
    if (hold) {
        return WaitPaused();
    }
    ReleasePause();
    return true;
}

void EmulatorCore::ReleasePause() {
    int32_t depth = pauseDepth.load();
    while (depth > 0 && !pauseDepth.compare_exchange_weak(depth, depth - 1)) {
    }
    wakeRequest = true;
    wakeup.Signal();
}

void EmulatorCore::StopAndWait() {
    stepCancel = true;
    wakeRequest = true;
    wakeup.Signal();
    AwaitThread([this] { return !inLoop.load() || parked.load() || !stepCancel.load(); });
    stepCounter = 0;
    stepCancel = false;
}

bool EmulatorCore::ArmStepping(int32_t count, RunToKind kind, int32_t address) {
    common::LockGuard lock(&coreLock);
    PauseGuard pause(*this);
    if (!pause.Holds()) {
        return false;
    }
    runToKind = kind;
    runToAddress = address;
    stepCounter = count;
    return true;
}

void EmulatorCore::ReportNoResponse() {
    console.AppendText(common::NarrowString(kNoResponse), kErrorColour);
    statusChanged = true;
}

common::OptionNode* EmulatorCore::GetParam(OptionKind kind) const {
    for (size_t index = 0; index < kOptionTreeKinds.size(); ++index) {
        if (kOptionTreeKinds[index] == kind) {
            return optionTrees[index];
        }
    }
    return nullptr;
}

void EmulatorCore::SetTraceHook(TraceHook hook, void* context) {
    common::LockGuard lock(&coreLock);
    PauseGuard pause(*this);
    traceHook = hook;
    traceContext = context;
}

// ---- Console view hooks

void EmulatorCore::OnConsoleActivate(bool mode) {
    console.SetCentred(mode);
    console.MarkChanged();
}

bool EmulatorCore::DrawConsoleOverlay(void* context) {
    auto* core = static_cast<EmulatorCore*>(context);
    if (core == nullptr || core->consoleSurface == nullptr || !core->console.IsChanged()) {
        return false;
    }
    return core->console.DrawText(*core->consoleSurface);
}

void EmulatorCore::PanelProvider(void* context, common::List& lines, const common::Image*& image) {
    image = nullptr;
    static_cast<EmulatorCore*>(context)->FillConsolePanel(lines);
}

bool EmulatorCore::FillConsolePanel(common::List& lines) {
    // Registers read while the processor runs would be torn: only a parked loop at a break is asked.
    if (!powered || !inLoop || !breakPending || !parked || machine == nullptr) {
        return false;
    }
    return machine->DescribeState(lines, true, 0);
}

bool EmulatorCore::ConsoleKeyEvent(uint8_t code, bool down, bool passive) {
    return console.KeyEvent(code, down, passive);
}

bool EmulatorCore::PrintTraceLine(common::NarrowString& line) {
    if (traceHook != nullptr) {
        line.Clear();
        return traceHook(traceContext, *this, line);
    }
    CpuInterface* cpu = powered && machine != nullptr ? machine->FirstCpu() : nullptr;
    if (cpu == nullptr) {
        return false;
    }
    TraceColumns columns;
    auto& [t0, t1, t2, t3, t4, t5, t6] = columns.texts;
    auto& [w0, w1, w2, w3, w4, w5, w6] = columns.widths;
    uint32_t flowFlags = 0;
    cpu->Disassemble(t0, t1, t2, t3, t4, t5, t6, flowFlags, w0, w1, w2, w3, w4, w5, w6);
    FormatTraceLine(columns, cpu->GetPC(), cpu->GetAddressMask(), line);
    return true;
}

} // namespace emu
