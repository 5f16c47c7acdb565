#include "frontend/win32/MainWindow.h"

#include "app/EmulatorCore.h"
#include "common/TextTable.h"
#include "common/platform/Clock.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/RendererBase.h"
#include "emu/devices/WaveOutSoundOutput.h"
#include "emu/devices/win32/DsoundDevice.h"
#include "emu/devices/win32/GdiRenderer.h"
#include "emu/devices/win32/OpenGLRenderer.h"
#include "emu/devices/win32/WinmmWaveOutDevice.h"
#include "frontend/Pictures.h"
#include "frontend/UiTextTables.h"
#include "frontend/win32/MainMenuBar.h"
#include "gui/Units.h"
#include "gui/windows/BorderedPanel.h"
#include "gui/windows/Button.h"
#include "gui/windows/PictureControl.h"

#include <cmath>
#include <memory>

namespace emu {
namespace {

constexpr int32_t kToolbarBorder = 3;
constexpr int32_t kDrivePanelWidthAt96Dpi = 460;

EmulatorConfig::Environment MakeEnvironment(const common::ProgramFolders& folders) {
    EmulatorConfig::Environment environment;
    environment.folders = folders;
    environment.textLookup = [](int32_t id) { return common::GetText(id); };
    environment.language.current = [] { return common::GetLanguage(); };
    environment.language.select = [](int32_t index) { common::SelectLanguage(index); };
    environment.language.name = [](int32_t index) {
        const char* name = common::GetLanguageName(index);
        return name != nullptr ? common::WideString(name) : common::WideString();
    };
    environment.idleHook = OnEmulatorIdleWait;
    return environment;
}

int32_t DrivePanelWidth() {
    const gui::Dpi& dpi = gui::ProcessDpi();
    if (!dpi.IsFixed()) {
        return kDrivePanelWidthAt96Dpi;
    }
    return static_cast<int32_t>(std::lround(kDrivePanelWidthAt96Dpi * dpi.ScreenX() / 96.0));
}

} // namespace

EmulatorConfig::MediaList WindowsMedia() {
    EmulatorConfig::MediaList media;
    media.soundOutputs.push_back(std::make_unique<HostSoundOutput>());
    media.soundOutputs.push_back(std::make_unique<WaveOutSoundOutput>(MakeWinmmWaveOutDevice));
    media.soundOutputs.push_back(MakeDirectSoundOutput());
    // The first renderer also draws the console.
    media.renderers.push_back(std::make_unique<GdiRenderer>());
    media.renderers.push_back(MakeOpenGLRenderer());
    return media;
}

MainWindow::MainWindow(int32_t x, int32_t y, int32_t width, int32_t height, int32_t flags,
                       const common::ProgramFolders& folders,
                       std::span<const EmulatorConfig::MachineListEntry> machines)
    : TopLevelWindow(x, y, width, height, flags), config(MakeEnvironment(folders), machines, WindowsMedia()),
      cadence(common::platform::CounterFrequency()) {
    title.Format("ZOV%s Emulator", config.TitleSuffix);
}

MainWindow::~MainWindow() {
    MarkDestroying();
    config.Destroy();
    core = nullptr;
}

MainWindow* MainWindow::Of(gui::Window* window) {
    return window != nullptr ? dynamic_cast<MainWindow*>(window->GetTopLevelWindow()) : nullptr;
}

MainWindow* MainWindow::Of(gui::MenuItem* item) {
    return item != nullptr ? dynamic_cast<MainWindow*>(item->GetTopLevelWindow()) : nullptr;
}

MainMenuBar* MainWindow::Menu() const {
    return dynamic_cast<MainMenuBar*>(GetMenuBar());
}

void* MainWindow::NativeHandle() const {
    return GetHandle();
}

gui::Windows::Button* MainWindow::AddRunButton(int32_t textId, void (*onClick)(gui::Control*),
                                               std::unique_ptr<common::Image> (*loadPicture)()) {
    auto* button = gui::AddOwned(*toolbar, std::make_unique<gui::Windows::Button>(
                                               gui::Bounds{8, 0, 16, 0}, common::GetText(textId), gui::kPlainButton,
                                               gui::kDockLeftFitted, true, gui::kMillimetres));
    if (button != nullptr) {
        button->ClickCallback() = onClick;
        button->SetFlat(true);
        // Without its picture the button still shows its caption.
        if (auto picture = loadPicture()) {
            button->SetImage(picture.release());
        }
        button->SetEraseBackground(true);
    }
    return button;
}

gui::Windows::BorderedPanel* MainWindow::AddSpacer() {
    auto* spacer = gui::AddOwned(
        *toolbar, std::make_unique<gui::Windows::BorderedPanel>(0, 0, 2, 0, gui::kDockLeft, kToolbarBorder, true));
    if (spacer != nullptr) {
        spacer->SetBorders(true, false, false, false);
    }
    return spacer;
}

bool MainWindow::OnCreate() {
    // A missing or damaged file leaves the defaults.
    config.LoadSettings();
    SetPlacementMode(config.guiMaximizeOnStartup ? 3 : 2);
    if (!SetBounds(0, 0, 800, 600, gui::kPixels)) {
        return false;
    }
    SetMinMax(520, 390, 0, 2048);
    SetTitle(common::WideString(title.GetNarrow()));
    KeyCallback() = OnScreenKey;
    clearOnPaint = true;

    toolbar = gui::AddOwned(
        *this, std::make_unique<gui::Windows::BorderedPanel>(gui::Bounds{0, 0, 0, 72}, gui::kDockTop, kToolbarBorder,
                                                             config.guiShowToolbar, gui::kTenthsOfMillimetre));
    if (toolbar == nullptr) {
        return false;
    }
    startButton = AddRunButton(text::kStart, OnToolbarStart, LoadIndicatorImage);
    if (startButton == nullptr || (startSpacer = AddSpacer()) == nullptr) {
        return false;
    }
    pauseButton = AddRunButton(text::kPause, OnToolbarPause, LoadPauseImage);
    if (pauseButton == nullptr) {
        return false;
    }
    pauseButton->SetEnabled(false);
    // Fitted beside Start like the others: docked to the bottom, a button of no height of its own would vanish.
    if (AddSpacer() == nullptr) {
        return false;
    }
    stopButton = AddRunButton(text::kStop, OnToolbarStop, LoadStopImage);
    if (stopButton == nullptr) {
        return false;
    }
    stopButton->SetEnabled(false);
    if ((stopSpacer = AddSpacer()) == nullptr) {
        return false;
    }
    drivePanel = gui::AddOwned(*toolbar, std::make_unique<gui::Windows::BorderedPanel>(0, 0, DrivePanelWidth(), 0,
                                                                                       gui::kDockLeftFitted, 0, true));
    if (drivePanel == nullptr) {
        return false;
    }
    drivePanel->SetEraseBackground(true);

    screen = gui::AddOwned(*this, std::make_unique<gui::Windows::PictureControl>(0, 0, 0, 0, gui::kDockFill, true));
    if (screen == nullptr) {
        return false;
    }
    screen->DrawCallback() = OnScreenPaint;
    screen->MouseCallback() = OnScreenMouse;

    if (core == nullptr) {
        core = config.CreateCore(-1);
        if (core != nullptr) {
            selectedMachine = core->MachineIndex();
        }
    }
    MainMenuBar* bar = Menu();
    if (bar == nullptr || !bar->BuildMainMenu()) {
        return false;
    }
    RelabelToolbar();
    cadence.Reset();
    SetClockPeriod(UiTimerCadence::kRealTimeTickMs);
    return AddTimerTask(1, OnUiTimer, 0);
}

bool MainWindow::Create() {
    const bool created = TopLevelWindow::Create();
    if (!created || core == nullptr) {
        return created;
    }
    if (MainMenuBar* bar = Menu()) {
        bar->AttachWindow(GetHandle());
    }
    BindCoreToScreen();
    if (!core->IsPowered() && config.guiAutoStartEmulation) {
        core->Start(false, false);
    }
    RefreshFromCore(true);
    UpdateRunControls();
    UpdateWindowTitle();
    switchingMachine = false;
    return true;
}

void MainWindow::BindCoreToScreen() {
    if (core == nullptr || screen == nullptr) {
        return;
    }
    void* target = screen->GetHandle();
    if (RendererBase* renderer = core->Renderer()) {
        renderer->SetTargetWindow(target);
    }
    if (RendererBase* surface = core->ConsoleSurface()) {
        surface->SetTargetWindow(target);
    }
    if (auto* output = dynamic_cast<WindowedSoundOutput*>(core->OutputSink())) {
        output->SetHostWindow(GetHandle());
    }
}

void MainWindow::Destroy() {
    fullscreen = false;
    if (core != nullptr) {
        config.RemoveCore(core);
        core = nullptr;
    }
    config.SaveSettings();
    TopLevelWindow::Destroy();
}

void MainWindow::Show(bool visible) {
    TopLevelWindow::Show(visible);
}

void MainWindow::OnActivate(bool) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

bool MainWindow::SetFullscreen(bool on, bool temporary) {
    const bool done = TopLevelWindow::SetFullscreen(on, temporary);
    if (done && !temporary && toolbar != nullptr) {
        toolbar->Show(on ? false : config.guiShowToolbar);
    }
    return done;
}

void MainWindow::FollowRunPace() {
    const int32_t tick = core == nullptr
                             ? UiTimerCadence::kRealTimeTickMs
                             : UiTimerCadence::TickFor(core->IsPowered(), core->IsParked(),
                                                       core->RunMode() == LoopMode::Synced, core->SyncActive());
    if (tick == ClockPeriod() && tick == cadence.TickPeriod()) {
        return;
    }
    if (SetClockPeriod(tick)) {
        cadence.SetTickPeriod(tick);
    }
}

void MainWindow::OnUiTimer(gui::Window* window, uintptr_t) {
    MainWindow* main = Of(window);
    if (main == nullptr) {
        return;
    }
    const UiTimerCadence::Steps steps = main->cadence.OnCall(common::platform::CounterNow(), main->switchingMachine);
    if (!steps.worked) {
        return;
    }
    EmulatorCore* core = main->core;
    main->FollowRunPace();
    if (steps.fast) {
        if (steps.lagging && core != nullptr) {
            core->CountLateFrame();
        }
        main->RefreshFromCore(false);
        main->UpdateRunControls();
    }
    if (steps.drives) {
        main->RefreshDriveIndicators(false);
    }
    // The status line costs the emulation thread nothing: the title follows a break or a resume at once.
    if (steps.fast || steps.slow) {
        main->UpdateWindowTitle();
    }
    core = main->core;
    if (core == nullptr) {
        return;
    }
    const uint64_t start = common::platform::CounterNow();
    if (!main->cadence.PresentDue(start)) {
        return;
    }
    RendererBase* source = core->ConsoleMode() ? core->ConsoleSurface() : core->Renderer();
    if (source == nullptr || core->Machine() == nullptr) {
        return;
    }
    core->PresentFrame(false, source->WantsFullRedraw());
    if (main->cadence.PresentTook(start, common::platform::CounterNow())) {
        core->CountLateFrame();
    }
}

} // namespace emu
