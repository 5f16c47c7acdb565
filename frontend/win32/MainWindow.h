// The program's only top-level window: it holds the global settings, owns the emulator core, and shows the
// toolbar (Start, Pause, Stop and the drive panel), the emulation screen and the menu bar. Menu, toolbar and screen
// callbacks find it through their control's top-level window and work on its fields.
#pragma once

#include "app/EmulatorConfig.h"
#include "common/Image.h"
#include "common/NarrowString.h"
#include "common/ProgramFolders.h"
#include "frontend/RunStatus.h"
#include "gui/windows/TopLevelWindow.h"

#include <cstdint>
#include <memory>
#include <span>

namespace gui {
class MenuItem;
class Window;
namespace Windows {
class BorderedPanel;
class Button;
class PictureControl;
} // namespace Windows
} // namespace gui

namespace emu {

class EmulatorCore;
class MainMenuBar;

class MainWindow : public gui::Windows::TopLevelWindow {
public:
    // The settings and the ROMs' "configs" are looked up through folders; the Computer menu offers the machines.
    MainWindow(int32_t x, int32_t y, int32_t width, int32_t height, int32_t flags,
               const common::ProgramFolders& folders = common::ProgramFolders::Host(),
               std::span<const EmulatorConfig::MachineListEntry> machines = EmulatorConfig::MachineList());
    ~MainWindow() override;

    // The main window of a control, a menu item or a window; null when it has none.
    static MainWindow* Of(gui::Window* window);
    static MainWindow* Of(gui::MenuItem* item);

    // Content, core and menu, before the native window exists.
    bool OnCreate() override;
    // The native window, then the core is bound to the screen and may start.
    bool Create() override;
    // The core goes before the settings are saved; then the native window.
    void Destroy() override;
    void Show(bool visible) override;
    // Every activation: the GUI thread above normal, the process at normal priority.
    void OnActivate(bool active) override;
    // A lasting change also hides the toolbar in full screen and brings it back (as set) when leaving.
    bool SetFullscreen(bool on, bool temporary) override;

    MainMenuBar* Menu() const;

    // Run controls and status.
    void UpdateRunControls();
    void RelabelToolbar();
    void UpdateWindowTitle();
    void RefreshFromCore(bool force);
    void RefreshDriveIndicators(bool all);
    void RepaintScreen();
    // The core draws into the screen: its renderer and console surface get the screen's native window.
    void BindCoreToScreen();
    // The mouse is given back when emulation no longer runs: arrow cursor, no capture, cursor shown.
    void DropMouseCapture();
    bool ScreenHoldsCapture() const;
    void* NativeHandle() const;

    common::NarrowString title;
    gui::Windows::BorderedPanel* toolbar = nullptr;
    gui::Windows::Button* startButton = nullptr;
    gui::Windows::Button* pauseButton = nullptr;
    gui::Windows::Button* stopButton = nullptr;
    gui::Windows::BorderedPanel* startSpacer = nullptr;
    gui::Windows::BorderedPanel* stopSpacer = nullptr;
    gui::Windows::BorderedPanel* drivePanel = nullptr;
    bool switchingMachine = false;
    gui::Windows::PictureControl* screen = nullptr;
    int32_t selectedMachine = -1;
    bool clearOnPaint = false;
    bool mouseCaptured = false;
    bool ctrlHeld = false;
    bool fullscreen = false;
    EmulatorConfig config;
    EmulatorCore* core = nullptr;

private:
    static void OnUiTimer(gui::Window* window, uintptr_t context);
    // The clock's tick follows the run: the long one while the machine runs unpaced, else the millisecond.
    void FollowRunPace();
    // A flat toolbar button with its caption and, when the picture decodes, the picture beside it.
    gui::Windows::Button* AddRunButton(int32_t textId, void (*onClick)(gui::Control*),
                                       std::unique_ptr<common::Image> (*loadPicture)());
    gui::Windows::BorderedPanel* AddSpacer();

    UiTimerCadence cadence;
};

// The core's idle hook: the emulation thread lets the GUI thread drain its queue.
bool OnEmulatorIdleWait(int32_t timeout);

// Shows the cursor once more, whoever hid it how often.
void ShowCursorAgain();
// The screen's cursor: the capture shape while a double-click would capture the mouse, else the arrow.
void SetScreenCursor(MainWindow& window, bool captureShape);

// The screen's callbacks.
int32_t OnScreenKey(gui::Window* window, int32_t key, bool down);
bool OnScreenPaint(gui::Window* control, gui::DrawingContext* context);
int32_t OnScreenMouse(gui::Window* control, int32_t x, int32_t y, int32_t event);

// The toolbar's buttons do what Emulation > Start, Pause and Stop do.
void OnToolbarStart(gui::Control* button);
void OnToolbarPause(gui::Control* button);
void OnToolbarStop(gui::Control* button);

// The Windows program's media: "No Sound", "WaveSound" and "DirectSound"; "WinGDI" and "OpenGL" (when the host
// offers it).
EmulatorConfig::MediaList WindowsMedia();

} // namespace emu
