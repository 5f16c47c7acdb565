#pragma once

#include "app/DebuggerConsole.h"
#include "app/InputQueue.h"
#include "app/RunIds.h"
#include "app/RunTiming.h"
#include "app/ThreadSignal.h"
#include "common/BasicOptionNode.h"
#include "common/Console.h"
#include "common/CriticalLock.h"
#include "common/MemoryStream.h"
#include "common/NarrowString.h"
#include "common/PathString.h"
#include "common/WideString.h"
#include "common/WorkerThread.h"
#include "emu/core/MouseService.h"
#include "emu/core/OptionKind.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace common {
class ByteStream;
class Image;
class List;
class OptionNode;
class ProgramFolders;
class RecordArchive;
class String;
} // namespace common

namespace emu {

class Computer;
class CpuInterface;
class DriveSet;
class DriveSlot;
class EmulatorConfig;
class HostSoundOutput;
class RendererBase;

// One running machine: the emulator core owns the machine, its emulation thread, the console, the screen renderer
// and the console surface, the sound output, the input queue and the seven option trees the menus show.
//
// Threads. The GUI thread and the console never touch the machine while it runs: they call the request operations
// below, which hold the core lock (a recursive lock: a console command runs requests inside requests), set a run
// flag, wake the emulation thread and, where the machine must hold still, wait until the thread reports itself
// parked. The emulation thread reads the flags at the top of every pass of its run loop and never takes the core
// lock; what it must ask of the GUI side (the console taking the screen at a break) it posts. Every run flag is
// atomic. A request waits for the thread at most the request limit; then it fails with the console line
// "Error: Emulation thread does not respond" and touches nothing.
class EmulatorCore {
public:
    // Lets the GUI thread catch up once a frame; called on the emulation thread with a time-out in milliseconds.
    using IdleHook = bool (*)(int32_t timeoutMs);
    // Formats the instruction at the program counter for the console; false when it cannot.
    using TraceHook = bool (*)(void* context, EmulatorCore& core, common::NarrowString& line);

    // How long a request waits for the emulation thread, unless the owner sets another limit.
    static constexpr int32_t kDefaultRequestLimitMs = 10000;
    // How long the GUI waits for a new thread to enter its life.
    static constexpr int32_t kThreadStartLimitMs = 5000;
    // The running budget while the machine stands at a break.
    static constexpr int32_t kBreakBudget = 0x7FFFFFF;
    // The option trees GetParam hands out, one per menu.
    static constexpr std::array<OptionKind, 7> kOptionTreeKinds = {
        OptionKind::Computer, OptionKind::Video,    OptionKind::Sound,  OptionKind::Input,
        OptionKind::Trace,    OptionKind::Settings, OptionKind::Drives,
    };
    static constexpr uint32_t kBannerColour = 0xFFBE8080;

    // The renderer is owned; surfacePrototype (borrowed) makes the console surface.
    EmulatorCore(EmulatorConfig* config, std::unique_ptr<Computer> machine, std::unique_ptr<RendererBase> renderer,
                 std::unique_ptr<HostSoundOutput> soundOutput, const RendererBase* surfacePrototype);
    // Shuts the thread down first when nobody did.
    ~EmulatorCore();
    EmulatorCore(const EmulatorCore&) = delete;
    EmulatorCore& operator=(const EmulatorCore&) = delete;

    // Cores alive in the process; the loops yield to each other when there are several.
    static int32_t LiveCores();

    // ---- Emulation thread

    // From the GUI thread: starts the emulation thread and waits until it runs (idle). True when it does.
    bool Run();
    // Ends the thread: the machine's settings are written, then the machine is stopped. False, with a console
    // line, when the thread did not end within the request limit (one limit for the whole end): the core must then
    // not be deleted; its settings are written all the same.
    bool Shutdown();

    // ---- Requests

    // Attaches a sound output (none for null); refused (the output dropped) while the machine is powered.
    bool SetOutputSink(std::unique_ptr<HostSoundOutput> output);
    // The screen renderer, owned when owned is set; null installs an owned "No Rendering" renderer. The same
    // renderer as now only takes the owned flag.
    void SetRenderer(RendererBase* renderer, bool owned);
    // Stops the running machine at a break; with markPending the parked thread then blocks until the next request
    // instead of polling.
    void BreakEmulation(bool markPending);
    // Leaves a break.
    void ResumeEmulation();
    // The pause handshake, with the core lock held: the loop parks and stays parked until the pause is released
    // (HoldThread(false)). Pauses nest. True once the thread is parked or not in a run loop.
    bool WaitPaused();
    // hold: WaitPaused; otherwise releases one pause.
    bool HoldThread(bool hold);
    // Runs work under the core lock with the thread parked, as a console command runs; false, work not run, when
    // the thread did not park in time.
    bool RunParked(const std::function<void()>& work);
    // Ends single-stepping.
    void StopAndWait();
    // Steps: count instructions (count > 0) or, for count < 0, until the program counter reaches or leaves the
    // address as kind says. Taken with the thread parked; the caller then resumes. False when it did not park.
    bool ArmStepping(int32_t count, RunToKind kind, int32_t runToAddress);

    // ---- Input queue

    void PushInputWord(uint16_t word);
    // A host key went down or up, ageMs ago (the age of the window message that told it): the machine gets the
    // keys as far apart as they were typed, however late they are handed over. False when the console took it for
    // one of its hot keys.
    bool OnKeyChar(int32_t code, bool down, uint32_t ageMs = 0);
    bool OnMouseEvent(int32_t x, int32_t y, int32_t event);
    // Queues the release of every key and, or, the reset of the mouse.
    void OnKeyEvent(bool releaseKeys, bool resetMouse);

    // ---- State files and memory snapshots

    // The whole state into the stream, built aside and copied in only when complete.
    bool SaveStateToMemory(common::ByteStream& stream, bool alreadyLocked, bool verbose);
    // The model's state file: folder + model id + ".sav", the settings folder's "states" when folder is empty
    // (the folder used is written back). The old file stays unless the new one is written whole.
    bool SaveStateToFile(common::PathString& folder, bool alreadyLocked);
    // A failed load leaves the machine as it was (powered off when the load had powered it on).
    bool LoadStateFromMemory(common::ByteStream& stream, bool alreadyLocked);
    // Looks in the settings folder's "states", then beside the program. False, with a message, when neither holds
    // the file.
    bool LoadStateFromFile(common::PathString& folder, bool alreadyLocked);
    // The memory snapshot the front end saves into and loads from.
    common::MemoryStream& Snapshot() { return snapshot; }
    // The outcome line the last state save or load printed; empty when it was refused before it printed one (no
    // machine running, or the thread did not park). Read on the thread that ran the operation.
    const common::NarrowString& LastStateMessage() const { return stateMessage; }

    // ---- Media, status and machine control

    // Drive slots of each kind; 0 and the outputs untouched while the thread is not active.
    int32_t GetDriveInfo(int32_t& floppies, int32_t& hardDisks, int32_t& cartridges, int32_t& cdRoms);
    DriveSlot* GetDrive(int32_t index);
    DriveSet* GetDriveSet();
    // The status line; empty while the thread is not active or there is no machine. Wide, so a translated speed
    // label keeps its letters. It never parks the thread: a running machine's clock text is the copy its loop
    // published at the start and at every statistics second. A machine that stands shows a speed of 0.
    void GetStatusText(common::WideString& out);
    // The periodic repaint of the screen or, in console mode, of the console; rebuildConsole refills the console
    // with the machine's title. Also completes the console's taking of the screen that a break posted.
    bool PresentFrame(bool rebuildConsole, bool full);
    // Refills the option trees from the machine.
    void BuildOptionTrees();
    // The option tree of id 1, 3, 4, 5, 7, 10 or 11; null for any other.
    common::OptionNode* GetParam(OptionKind kind) const;
    // Attaches another machine (or none), deleting the old one; refused (the machine dropped) while powered.
    bool SetMachine(std::unique_ptr<Computer> newMachine);
    // Gives the keyboard and the screen to the console (on) or back to the machine.
    void SetConsoleMode(bool on, bool pauseFirst);
    // Powers the machine on (console mode as consoleOn, at a break with breakAfter); answers whether it is powered.
    bool SetRunState(bool breakAfter, bool consoleOn);
    // Powers the machine off; the console takes the keyboard and the screen.
    void DetachMachine();

    // The front end's names for the same requests.
    bool Start(bool pauseAfter, bool console) { return SetRunState(pauseAfter, console); }
    void Stop() { DetachMachine(); }
    void Pause(bool wake) { BreakEmulation(wake); }
    void Resume() { ResumeEmulation(); }

    // ---- Hooks of the console view

    // The console's activated state: its banner stands centred.
    void OnConsoleActivate(bool mode);
    // The console surface's frame-end callback: draws the console when it changed.
    static bool DrawConsoleOverlay(void* context);
    // The console view's panels: the machine's full state, only while it stands at a break with the loop parked.
    // Called while the console paints, under the core lock the repaint holds.
    bool FillConsolePanel(common::List& lines);

    // ---- Console commands

    // Runs one console command line (GUI thread). Refused lines print why and change nothing.
    void ExecuteCommand(const common::NarrowString& line);
    // The console's command callback, with the core as context.
    static void CommandCallback(void* context, const common::NarrowString& line);
    // The instruction at CPU 0's program counter as a trace line, into line; false, line untouched, when the
    // machine is not powered or has no processor. An installed trace hook makes the line instead.
    bool PrintTraceLine(common::NarrowString& line);

    // ---- State the GUI reads and sets

    Computer* Machine() const { return machine.get(); }
    RendererBase* Renderer() const { return screenRenderer; }
    RendererBase* ConsoleSurface() const { return consoleSurface.get(); }
    HostSoundOutput* OutputSink() const { return soundOutput.get(); }
    common::Console& Console() { return console; }
    DebuggerConsole& ConsoleView() { return console; }
    EmulatorConfig* Config() const { return config; }
    int32_t MachineIndex() const { return machineIndex; }
    void SetMachineIndex(int32_t index) { machineIndex = index; }

    bool IsThreadActive() const { return loopActive.load(); }
    // The emulation thread has not ended yet (also after a shutdown that gave up waiting for it).
    bool IsThreadRunning() const { return worker.IsRunning(); }
    bool IsPowered() const { return powered.load(); }
    bool IsRunLoopRunning() const { return inLoop.load(); }
    bool IsBreakPending() const { return breakPending.load(); }
    bool IsParked() const { return parked.load(); }
    bool ConsoleMode() const { return consoleMode.load(); }
    int32_t PauseDepth() const { return pauseDepth.load(); }
    LoopMode RunMode() const { return runMode.load(); }
    int32_t SpeedPercent() const { return speedPercent.load(); }
    int32_t LoadPercent() const { return loadPercent.load(); }
    int32_t BusSampleRate() const { return busSampleRate.load(); }
    int32_t StepCounter() const { return stepCounter.load(); }
    int32_t PresentedFrames() const { return presentedFrames.load(); }
    // The status display must be refreshed; a state was restored. Each is read and cleared in one step.
    bool TakeStatusChanged() { return statusChanged.exchange(false); }
    bool TakeStateRestored() { return stateRestored.exchange(false); }

    // Emulation > Synchronization and Fast Initialization, and whether the synchronised loop paces to real time.
    bool Synchronization() const { return synchronization.load(); }
    void SetSynchronization(bool on) { synchronization.store(on); }
    bool FastInitialization() const { return fastInitialization.load(); }
    void SetFastInitialization(bool on) { fastInitialization.store(on); }
    bool SyncActive() const { return syncActive.load(); }
    void SetSyncActive(bool on) { syncActive.store(on); }
    // The front end counts a frame its timer could not keep up with.
    void CountLateFrame() { ++lateFrameCounter; }

    void SetIdleHook(IdleHook hook) { idleHook.store(hook); }
    void SetTraceHook(TraceHook hook, void* context);
    // Set before Run.
    void SetRequestLimit(int32_t milliseconds) { requestLimitMs = milliseconds; }
    void SetClock(HostClock& newClock) { clock = &newClock; }

private:
    class MachineInput;
    class PauseGuard;
    struct LoopContext;

    // ---- Emulation thread
    static int32_t EmulationThreadProc(EmulatorCore* core);
    bool RunThread();
    void RunLoopMaxSpeed();
    void RunLoopSynced();
    void RunLoop(bool maxSpeed);
    bool StartLoop(LoopContext& loop);
    bool PowerOn(bool maxSpeed);
    void ResetCoreState();
    static int32_t OnMachineBreak(void* context, uint8_t* request, uint8_t* show, int32_t code);
    // One piece of the budget (or one instruction for 0) on the processor.
    void RunPiece(LoopContext& loop, int32_t cycles);
    // A break inside a call into the machine replaced the running budget: the loop goes on with the real one.
    void TakeBackBudget(LoopContext& loop);
    void AccountSlice(LoopContext& loop);
    void EndMaxSpeedSlice(LoopContext& loop);
    void EndMaxSpeedFrame(LoopContext& loop);
    void EndSyncedSlice(LoopContext& loop);
    void EndSyncedFrame(LoopContext& loop);
    // The synchronised loop's wait for the frame deadline; a request cuts it short and leaves it owed.
    uint64_t WaitForFrame(LoopContext& loop);
    void EndStatisticsSecond(LoopContext& loop, uint64_t now);
    void Drain(LoopContext& loop);
    // One pass of single-stepping or of running to an address.
    void StepPass(LoopContext& loop);
    // The break at the end of stepping, with its trace line.
    void BreakAfterStepping();
    void ServeTraceRequest();
    // The parked loop serves a posted state chunk; false when it failed.
    bool ServePost(LoopContext& loop);
    // After a pause: the deadlines move on by its length; a maximum-speed slice starts afresh.
    void ResumeTiming(LoopContext& loop);
    void CallIdleHook(int32_t timeoutMs);
    // The processor's clock text for the status line, read while the machine runs: the GUI reads the copy.
    void PublishFrequencyText();
    // From the emulation thread: the console is to take the keyboard and the screen; the GUI side completes it.
    void PostConsoleMode();

    // ---- GUI side
    void ReleasePause();
    // A console-mode change a break posted.
    void CompleteConsoleMode();
    // Waits until holds() answers true, at most the request limit; reports a thread that does not answer.
    template <typename Condition>
    bool AwaitThread(Condition holds);
    void ReportNoResponse();
    // Hands the emulation thread the archive for the "_EMUCORE" chunk and waits until it served it.
    bool PostChunk(common::RecordArchive& archive, bool load);
    // The state image: its six rows; with the thread parked.
    bool BuildStateImage(common::MemoryStream& image);
    // Reads a state image; poweredOn tells whether it powered the machine on.
    bool LoadStateImage(common::ByteStream& source, common::NarrowString& errorText, bool& poweredOn);
    bool LoadState(common::ByteStream* source, const common::PathString* fileName, bool alreadyLocked);
    common::PathString StateFilePath(common::PathString& folder, bool forSaving) const;
    const common::ProgramFolders& Folders() const;
    void PrintTitle(bool asBanner);
    // A console line in the colour.
    template <typename... Args>
    void PrintColoured(uint32_t colour, const char* format, const Args&... args) {
        common::NarrowString line;
        line.Format(format, args...);
        console.AppendText(line, colour);
    }
    // A state operation's outcome: printed, and kept as LastStateMessage.
    template <typename... Args>
    void PrintStateLine(uint32_t colour, const char* format, const Args&... args) {
        stateMessage.Format(format, args...);
        console.AppendText(stateMessage, colour);
    }
    bool ConsoleKeyEvent(uint8_t code, bool down, bool passive);
    void ConnectMachine();
    static void PanelProvider(void* context, common::List& lines, const common::Image*& image);

    // ---- Console commands (core lock held, thread parked)
    struct CommandLine;
    void RunCommand(CommandLine& command);
    void PrintStateError();
    void PrintHelp(CommandLine& command);
    void PrintCpuState();
    // STEP (mode -1), STEPOVER (0) and STEPOVEROVER (1).
    void StepCommand(int32_t mode);
    void BreakCommand();
    void StartCommand();
    void GoCommand();
    void MountCommand(CommandLine& command);
    void DeviceCommand(CommandLine& command);
    // Prints the trace line; false when there is none.
    bool PrintTrace();

    EmulatorConfig* config;
    const RendererBase* surfacePrototype;
    DebuggerConsole console;
    std::unique_ptr<RendererBase> consoleSurface;
    std::unique_ptr<RendererBase> ownedRenderer;
    RendererBase* screenRenderer = nullptr;
    std::unique_ptr<HostSoundOutput> soundOutput;
    // Declared after what it borrows, so that it goes first.
    std::unique_ptr<Computer> machine;
    common::BasicOptionNode menuRoot;
    std::array<common::OptionNode*, kOptionTreeKinds.size()> optionTrees{};
    bool ignoreConsoleRepeats = false;

    common::CriticalLock threadControlLock;
    common::CriticalLock loopLock;
    common::CriticalLock coreLock;
    // Guards the frequency text the emulation thread publishes while its loop runs.
    common::CriticalLock statusLock;
    common::WideString frequencyText;
    // Requests wake the thread through this; the thread answers through the other.
    ThreadSignal wakeup;
    ThreadSignal answer;
    HostClock* clock = &HostClock::Real();
    int32_t requestLimitMs = kDefaultRequestLimitMs;
    const bool singleProcessor;

    InputQueue inputQueue;
    // Emulation thread; cleared at power-on.
    MouseEventRecord mouseState;
    int32_t machineIndex = 0;

    std::atomic<bool> loopActive{false};
    std::atomic<bool> threadStopped{true};
    std::atomic<bool> synchronization{true};
    std::atomic<bool> fastInitialization{false};
    std::atomic<bool> syncActive{true};
    std::atomic<int32_t> busSampleRate{0};
    std::atomic<int32_t> speedPercent{0};
    std::atomic<int32_t> eventCounter{0};
    std::atomic<int32_t> eventsLastSecond{0};
    std::atomic<int32_t> lateFramesLastSecond{0};
    std::atomic<int32_t> loadPercent{-1};
    std::atomic<int32_t> lateFrameCounter{0};
    std::atomic<bool> powered{false};
    std::atomic<bool> inLoop{false};
    std::atomic<bool> breakPending{false};
    std::atomic<bool> stopRequest{false};
    std::atomic<LoopMode> runMode{LoopMode::None};
    std::atomic<int32_t> loopSwitchRequest{0};
    std::atomic<bool> restart{false};
    std::atomic<int32_t> pauseDepth{0};
    std::atomic<bool> parked{false};
    std::atomic<bool> statusChanged{false};
    std::atomic<bool> stateRestored{false};
    std::atomic<bool> wakeRequest{false};
    std::atomic<bool> consoleMode{true};
    std::atomic<bool> consoleModeRequest{false};
    // At a break the parked thread blocks until the next request.
    std::atomic<bool> waitMarked{false};
    std::atomic<int32_t> presentedFrames{0};
    std::atomic<IdleHook> idleHook{nullptr};
    TraceHook traceHook = nullptr;
    void* traceContext = nullptr;

    // The posted "_EMUCORE" chunk: the archive and its direction are published by postState.
    enum PostState : int32_t { kNoPost, kPosted, kPostTaken, kPostServed };
    std::atomic<int32_t> postState{kNoPost};
    common::RecordArchive* postArchive = nullptr;
    bool postIsLoad = false;
    std::atomic<bool> postFailed{false};
    // Why the thread refused a loaded chunk; read once the post is served.
    common::NarrowString stateErrorText;
    common::NarrowString stateMessage;
    common::MemoryStream snapshot;

    // Stepping. The step counter is also the machine's trace-all counter.
    std::atomic<int32_t> stepCounter{0};
    std::atomic<RunToKind> runToKind{RunToKind::UntilLeaves};
    std::atomic<int32_t> runToAddress{0};
    std::atomic<bool> stepCancel{false};
    // Emulation thread only.
    int32_t savedBudget = 0;
    int32_t* budgetPointer = nullptr;
    bool budgetSaved = false;
    bool traceRequest = false;
    bool repeatGuard = false;
    bool repeatFlag = false;
    uint32_t repeatAddress = 0;

    // Last, so that the thread ends before anything it uses goes.
    common::WorkerThread worker;
};

} // namespace emu
