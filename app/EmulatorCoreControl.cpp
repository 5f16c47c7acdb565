// The GUI-facing controls: drive queries, the status line, the repaint, the option trees, attaching a machine,
// the console mode and the machine's power.
#include "app/CorePause.h"
#include "app/EmulatorConfig.h"
#include "app/EmulatorCore.h"
#include "app/StatusText.h"
#include "common/StringList.h"
#include "common/WideString.h"
#include "emu/core/Computer.h"
#include "emu/core/DriveSet.h"
#include "emu/core/RendererBase.h"
#include "emu/core/UiTextId.h"

namespace emu {

namespace {

// The sync rates offered, with UI texts in a row from text::kFirstSyncRate.
constexpr int32_t kSyncRateCount = 5;

// Which setting groups fill which option tree, in this order; the trace tree gets three groups between separators.
// The computer tree gets its last group after the sync frequency.
struct TreeFill {
    OptionKind tree;
    OptionKind group;
    bool separatorBefore;
};
constexpr TreeFill kTreeFills[] = {
    {OptionKind::Computer, OptionKind::Computer, false}, {OptionKind::Drives, OptionKind::Drives, false},
    {OptionKind::Input, OptionKind::Input, false},       {OptionKind::Video, OptionKind::Video, false},
    {OptionKind::Sound, OptionKind::Sound, false},       {OptionKind::Settings, OptionKind::Settings, false},
    {OptionKind::Trace, OptionKind::Trace, false},       {OptionKind::Trace, OptionKind::Break, true},
    {OptionKind::Trace, OptionKind::DebugLast, true},
};

} // namespace

// ---- Queries

int32_t EmulatorCore::GetDriveInfo(int32_t& floppies, int32_t& hardDisks, int32_t& cartridges, int32_t& cdRoms) {
    common::LockGuard lock(&coreLock);
    if (!loopActive) {
        return 0;
    }
    floppies = hardDisks = cartridges = cdRoms = 0;
    const DriveSet* drives = machine != nullptr ? machine->Drives() : nullptr;
    if (drives == nullptr) {
        return 0;
    }
    floppies = drives->Count(DriveKind::Floppy);
    hardDisks = drives->Count(DriveKind::HardDisk);
    cartridges = drives->Count(DriveKind::Cartridge);
    cdRoms = drives->Count(DriveKind::CdRom);
    return floppies + hardDisks + cartridges + cdRoms;
}

bool EmulatorCore::RunParked(const std::function<void()>& work) {
    common::LockGuard lock(&coreLock);
    PauseGuard pause(*this);
    if (!pause.Holds()) {
        return false;
    }
    work();
    return true;
}

DriveSlot* EmulatorCore::GetDrive(int32_t index) {
    common::LockGuard lock(&coreLock);
    const DriveSet* drives = loopActive && machine != nullptr ? machine->Drives() : nullptr;
    if (drives == nullptr || index < 0 || index >= static_cast<int32_t>(drives->AllDrives().size())) {
        return nullptr;
    }
    return drives->AllDrives()[static_cast<size_t>(index)];
}

DriveSet* EmulatorCore::GetDriveSet() {
    common::LockGuard lock(&coreLock);
    return loopActive && machine != nullptr ? machine->Drives() : nullptr;
}

void EmulatorCore::GetStatusText(common::WideString& out) {
    common::LockGuard lock(&coreLock);
    CompleteConsoleMode();
    out.Clear();
    if (!loopActive || machine == nullptr) {
        return;
    }
    common::WideString frequency;
    if (inLoop) {
        common::LockGuard guard(&statusLock);
        frequency.Assign(frequencyText);
    } else {
        machine->FrequencyText(frequency);
    }
    common::WideString label = config != nullptr ? config->TextLookupOf()(text::kSpeed) : common::WideString();
    if (label.IsEmpty()) {
        label.Assign("Speed");
    }
    StatusFigures figures;
    figures.powered = powered;
    figures.standing = breakPending || pauseDepth > 0;
    figures.speedPercent = speedPercent;
    figures.runMode = runMode;
    figures.lateFrames = lateFrameCounter;
    figures.lateFramesLastSecond = lateFramesLastSecond;
    figures.vsyncWarning = screenRenderer != nullptr && !consoleMode && screenRenderer->TestFlag(false);
    FormatStatusText(out, machine->Name(), frequency, label, figures);
}

// ---- Repaint and option trees

bool EmulatorCore::PresentFrame(bool rebuildConsole, bool full) {
    common::LockGuard lock(&coreLock);
    CompleteConsoleMode();
    if (!loopActive) {
        return true;
    }
    if (!consoleMode || consoleSurface == nullptr) {
        if (screenRenderer != nullptr && !stopRequest && screenRenderer->MarkFrame(full)) {
            ++presentedFrames;
        }
        return true;
    }
    if (rebuildConsole) {
        console.Clear();
        if (machine != nullptr) {
            PrintTitle(true);
        }
    }
    if (consoleSurface->FitToClientArea()) {
        console.MarkChanged();
    }
    if (console.IsChanged()) {
        consoleSurface->EndFrame(false, 0.0F);
    }
    consoleSurface->MarkFrame(full);
    return true;
}

void EmulatorCore::BuildOptionTrees() {
    for (common::OptionNode* tree : optionTrees) {
        if (tree != nullptr) {
            tree->DeleteChildren();
        }
    }
    if (machine == nullptr) {
        return;
    }
    for (const TreeFill& fill : kTreeFills) {
        common::OptionNode* tree = GetParam(fill.tree);
        if (fill.separatorBefore) {
            tree->AddSeparator();
        }
        machine->FillSettingsTree(tree, fill.group);
    }
    common::OptionNode* settings = GetParam(OptionKind::Settings);
    if (settings->ChildCount() != 0) {
        settings->AddSeparator();
    }
    ignoreConsoleRepeats = config != nullptr && config->dbgIgnoreConsoleDupStr;
    console.SetSuppressRepeats(ignoreConsoleRepeats);
    common::OptionNode* ignoreRepeats =
        settings->AddToggleItemById(text::kIgnoreEqualConsoleStrings, &ignoreConsoleRepeats, true, nullptr, true);
    // The choice is the setting's too: the next machine and the settings file keep it.
    ignoreRepeats->AddActionCallback([this] {
        console.SetSuppressRepeats(ignoreConsoleRepeats);
        if (config != nullptr) {
            config->dbgIgnoreConsoleDupStr = ignoreConsoleRepeats;
        }
        return false;
    });
    common::OptionNode* computer = GetParam(OptionKind::Computer);
    if (machine->UsesSyncFrequency() && config != nullptr) {
        if (computer->ChildCount() != 0) {
            computer->AddSeparator();
        }
        common::OptionNode* rates = computer->AddItemById(text::kSyncFrequency);
        for (int32_t rate = 0; rate < kSyncRateCount; ++rate) {
            common::OptionNode* item =
                rates->AddRadioItemById(text::kFirstSyncRate + rate, &config->EmuSyncFreq, rate, nullptr, true);
            // The rate is taken at power-on; it is chosen while the machine is off.
            item->AddEnabledCallback([this] { return powered.load(); }, false);
        }
    }
    machine->FillSettingsTree(computer, OptionKind::ComputerLast);
}

// ---- Machine and console

bool EmulatorCore::SetMachine(std::unique_ptr<Computer> newMachine) {
    common::LockGuard lock(&coreLock);
    if (powered) {
        return false;
    }
    if (machine != nullptr) {
        machine->SetHostCallback(nullptr, nullptr);
        machine->SetTraceAll(nullptr);
        if (newMachine != nullptr) {
            machine->SaveSettings();
        }
        machine->AttachRenderer(nullptr);
        machine->SetSoundOutput(nullptr);
        machine.reset();
    }
    machine = std::move(newMachine);
    if (machine == nullptr) {
        BuildOptionTrees();
        return true;
    }
    ConnectMachine();
    console.Clear();
    if (!console.IsCentred()) {
        console.SetCentred(true);
        console.MarkChanged();
    }
    if (!machine->CreateServices()) {
        machine->Clear();
    }
    machine->LoadSettings();
    PrintTitle(false);
    BuildOptionTrees();
    return true;
}

void EmulatorCore::CompleteConsoleMode() {
    if (consoleModeRequest.exchange(false)) {
        SetConsoleMode(true, false);
    }
}

void EmulatorCore::SetConsoleMode(bool on, bool pauseFirst) {
    // A change asked for here replaces one a break posted.
    consoleModeRequest = false;
    if (consoleMode == on) {
        return;
    }
    common::LockGuard lock(&coreLock);
    if (!loopActive) {
        return;
    }
    std::unique_ptr<PauseGuard> pause;
    if (pauseFirst && inLoop) {
        pause = std::make_unique<PauseGuard>(*this);
        if (!pause->Holds()) {
            return;
        }
    }
    consoleMode = on;
    if (!on) {
        if (screenRenderer != nullptr) {
            screenRenderer->MarkFrame(true);
        }
        return;
    }
    if (screenRenderer != nullptr) {
        screenRenderer->HidePicture();
    }
    if (consoleSurface == nullptr && surfacePrototype != nullptr) {
        consoleSurface = surfacePrototype->Clone();
    }
    if (consoleSurface != nullptr) {
        consoleSurface->SetFrameEndCallback(DrawConsoleOverlay, this);
        console.MarkChanged();
    }
    if (inLoop) {
        PushInputWord(InputQueue::kReleaseAll);
    }
}

bool EmulatorCore::SetRunState(bool breakAfter, bool consoleOn) {
    common::LockGuard lock(&coreLock);
    if (!loopActive) {
        return false;
    }
    if (powered && !stopRequest) {
        return true;
    }
    PauseGuard pause(*this);
    if (!pause.Holds()) {
        return false;
    }
    if (console.IsCentred()) {
        console.Clear();
        if (console.IsCentred()) {
            console.SetCentred(false);
            console.MarkChanged();
        }
    }
    stopRequest = false;
    wakeup.Signal();
    if (!AwaitThread([this] { return inLoop.load() || stopRequest.load(); })) {
        return false;
    }
    if (!powered) {
        return false;
    }
    if (console.IsCentred()) {
        OnConsoleActivate(false);
    }
    SetConsoleMode(consoleOn, false);
    if (breakAfter) {
        BreakEmulation(false);
    }
    return powered;
}

void EmulatorCore::DetachMachine() {
    SetConsoleMode(true, false);
    common::LockGuard lock(&coreLock);
    if (!loopActive) {
        return;
    }
    {
        PauseGuard pause(*this);
        if (!pause.Holds()) {
            return;
        }
        stopRequest = true;
        wakeRequest = true;
        wakeup.Signal();
        if (!AwaitThread([this] { return !powered.load(); })) {
            return;
        }
    }
    if (stopRequest && screenRenderer != nullptr) {
        screenRenderer->RequestClear();
        screenRenderer->MarkFrame(true);
    }
}

} // namespace emu
