// The program's main window in process: its menus in both languages, the run commands against items, buttons and
// title, the machine, sound and language choices, and the settings it leaves behind.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "emu/devices/win32/WindowRenderer.h"
#include "gui/windows/BorderedPanel.h"
#include "gui/windows/Button.h"
#include "gui/windows/PictureControl.h"
#include "gui/windows/WindowTestSupport.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace emu::testing {
namespace {

constexpr const char* kEnglishMenus = R"(Emulation
  Start
  Stop (grey)
  ----
  Pause (grey)
  ----
  Synchronization [x]
  Fast Initialization
  ----
  Save State	F11 (grey)
  Load State	F12
  ----
  Exit
Computer
  BK-0010 [x]
  BK-0010.01
  BK-0010 + FDD
  ----
  BK-0011M
  BK-0011M + FDD
Drives
Video
  WinGDI renderer [x]
  OpenGL renderer
  ----
  Stretch to Window [x]
Sound
  No Sound
  WaveSound [x]
  DirectSound
Input
  Capture Mouse on DblClick [x]
Debug
  CPU PDP-11
    Trace Illegal Opcode
    Trace EIS (MUL,DIV,ASH,ASHC)
    Trace FP11 (Floating-Point)
    Trace HALT
    Trace RESET
    Trace All
    ----
    Break On Illegal Opcode
    Break On EIS (MUL,DIV,ASH,ASHC)
    Break On FP11 (Floating-Point)
    Break On HALT
    Break On RESET
    Break All
    Select All
    Clear All
  ----
  Break On PC=01000
View
  Emulation Screen (grey)
  Console Window [x]
  ----
  Fullscreen	Alt+Enter
  ----
  Toolbar [x]
Settings
  Maximize window on startup
  Auto-start emulation
  ----
  Language
    English [x]
    Russian
  ----
  Ignore equal console strings
Help
  About...
)";

constexpr const char* kRussianMenus = R"(Эмуляция
  Старт
  Стоп (grey)
  ----
  Пауза (grey)
  ----
  Синхронизация [x]
  Быстрая инициализация
  ----
  Сохранить состояние	F11 (grey)
  Загрузить состояние	F12
  ----
  Выход
Компьютер
  BK-0010 [x]
  BK-0010.01
  BK-0010 + FDD
  ----
  BK-0011M
  BK-0011M + FDD
Дисководы
Видео
  WinGDI renderer [x]
  OpenGL renderer
  ----
  Масштабировать по окну [x]
Звук
  No Sound
  WaveSound [x]
  DirectSound
Управление
  Захват мыши при двойном щелчке [x]
Отладка
  CPU PDP-11
    Trace Illegal Opcode
    Trace EIS (MUL,DIV,ASH,ASHC)
    Trace FP11 (Floating-Point)
    Trace HALT
    Trace RESET
    Trace All
    ----
    Break On Illegal Opcode
    Break On EIS (MUL,DIV,ASH,ASHC)
    Break On FP11 (Floating-Point)
    Break On HALT
    Break On RESET
    Break All
    Select All
    Clear All
  ----
  Break On PC=01000
Вид
  Экран эмуляции (grey)
  Окно консоли [x]
  ----
  Полный экран	Alt+Enter
  ----
  Панель инструментов [x]
Настройки
  Разворачивать окно при запуске
  Авто-старт эмуляции
  ----
  Язык (Language)
    English
    Russian [x]
  ----
  Игнорировать строки-дубли в консоли
Справка
  О программе...
)";

using MainWindowTest = FrontEndTest;

// Positions in the Emulation menu.
enum EmulationPosition : int32_t { kStart = 0, kStop = 1, kPause = 3, kExit = 11 };

gui::MenuItem* LanguageItem(MainMenuBar& bar, int32_t language) {
    gui::MenuItem* submenu = bar.settingsMenu->ItemAt(3);
    return submenu != nullptr ? submenu->ItemAt(language) : nullptr;
}

TEST_F(MainWindowTest, TheWindowOpensWithItsTitleSizeToolbarAndScreen) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(GetTitleOf(window).rfind("ZOV/BK Emulator", 0), 0u) << GetTitleOf(window);
    RECT bounds{};
    GetWindowRect(window->GetHandle(), &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 800);
    EXPECT_EQ(bounds.bottom - bounds.top, 600);
    ASSERT_NE(window->toolbar, nullptr);
    ASSERT_NE(window->screen, nullptr);
    EXPECT_TRUE(window->toolbar->IsVisible(false));
    EXPECT_NE(window->core, nullptr);
    EXPECT_EQ(window->selectedMachine, 0);
    EXPECT_EQ(window->startButton->GetText().View(), u"Start");
    EXPECT_TRUE(window->startButton->IsEnabled(false));
    EXPECT_FALSE(window->pauseButton->IsEnabled(false));
    EXPECT_FALSE(window->stopButton->IsEnabled(false));
}

TEST_F(MainWindowTest, TheRunButtonsShowTheirPicturesBesideTheirCaptions) {
    ASSERT_TRUE(Start());
    struct Case {
        const char* name;
        gui::Windows::Button* button;
        const char16_t* caption;
        int32_t width;
        int32_t height;
    };
    const Case cases[] = {{"Start", window->startButton, u"Start", 15, 14},
                          {"Pause", window->pauseButton, u"Pause", 13, 15},
                          {"Stop", window->stopButton, u"Stop", 14, 13}};
    for (const Case& run : cases) {
        SCOPED_TRACE(run.name);
        ASSERT_NE(run.button, nullptr);
        EXPECT_EQ(run.button->GetText().View(), run.caption);
        const common::Image* picture = run.button->GetImage();
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->GetWidth(), run.width);
        EXPECT_EQ(picture->GetHeight(), run.height);
    }

    // On the screen the arrow is green with its magenta background keyed out.
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window->startButton->GetHandle()) != FALSE; }));
    RedrawWindow(window->startButton->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    gui::Windows::testing::Capture start(window->startButton->GetHandle());
    RECT arrow{};
    ASSERT_TRUE(start.Find(0x04AA54, arrow));
    EXPECT_EQ(arrow.right - arrow.left, 12);
    EXPECT_EQ(arrow.bottom - arrow.top, 12);
    EXPECT_EQ(start.Count(0, 0, start.width - 1, start.height - 1, 0xFC02FC), 0);
}

TEST_F(MainWindowTest, TheMenusMatchTheirGoldenTextsInEnglishAndInRussian) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Menus(), kEnglishMenus);
    Choose(LanguageItem(*bar, 1));
    EXPECT_EQ(Menus(), kRussianMenus) << "the renderer keeps the word it was built with";
    EXPECT_EQ(window->startButton->GetText().View(), u"Старт");
    EXPECT_EQ(window->config.guiLanguage, 1);
    Choose(LanguageItem(*bar, 0));
    EXPECT_EQ(Menus(), kEnglishMenus);
}

// The speed label follows the language, and the title shows its letters, not their low bytes.
TEST_F(MainWindowTest, TheTitleShowsTheSpeedInTheChosenLanguage) {
    ASSERT_TRUE(Start());
    Choose(LanguageItem(*bar, 1));
    Choose(ItemOf(bar->emulationMenu, kStart));
    ASSERT_TRUE(window->core->IsPowered());
    EXPECT_TRUE(PumpUntil([&] {
        window->UpdateWindowTitle();
        return GetTitleOf(window).find(", Скорость=") != std::string::npos;
    })) << GetTitleOf(window);
    Choose(ItemOf(bar->emulationMenu, kStop));
    EXPECT_FALSE(window->core->IsPowered());
}

TEST_F(MainWindowTest, RunCommandsMoveItemsButtonsAndTitleTogether) {
    ASSERT_TRUE(Start());
    EmulatorCore& core = *window->core;
    Choose(ItemOf(bar->emulationMenu, kStart));
    ASSERT_TRUE(core.IsPowered());
    EXPECT_FALSE(bar->startItem->IsEnabled());
    EXPECT_TRUE(bar->stopItem->IsEnabled());
    EXPECT_TRUE(bar->pauseItem->IsEnabled());
    EXPECT_FALSE(window->startButton->IsEnabled(false));
    EXPECT_TRUE(window->stopButton->IsEnabled(false));
    EXPECT_TRUE(window->pauseButton->IsEnabled(false));
    EXPECT_TRUE(PumpUntil([&] {
        window->UpdateWindowTitle();
        return GetTitleOf(window).rfind("ZOV/BK Emulator - ", 0) == 0;
    })) << GetTitleOf(window);

    Choose(ItemOf(bar->emulationMenu, kPause));
    EXPECT_TRUE(core.IsBreakPending());
    EXPECT_TRUE(bar->pauseItem->IsChecked());
    EXPECT_TRUE(window->pauseButton->IsLatched());
    Choose(ItemOf(bar->emulationMenu, kPause));
    EXPECT_FALSE(core.IsBreakPending());
    EXPECT_FALSE(bar->pauseItem->IsChecked());
    EXPECT_FALSE(window->pauseButton->IsLatched());

    // While running, the machine, renderer and output choices are greyed; the console comes and goes.
    EXPECT_FALSE(ItemOf(bar->computerMenu, 1)->IsEnabled());
    EXPECT_FALSE(ItemOf(bar->videoMenu, 1)->IsEnabled());
    EXPECT_FALSE(ItemOf(bar->soundMenu, 0)->IsEnabled());
    EXPECT_FALSE(core.ConsoleMode());
    Choose(bar->consoleWindowItem);
    EXPECT_TRUE(core.ConsoleMode());
    EXPECT_TRUE(bar->consoleWindowItem->IsChecked());
    EXPECT_FALSE(bar->emulationScreenItem->IsChecked());
    Choose(bar->emulationScreenItem);
    EXPECT_FALSE(core.ConsoleMode());
    EXPECT_TRUE(bar->emulationScreenItem->IsChecked());

    // The toolbar's Stop does what the menu's does.
    window->stopButton->OnClick();
    PumpPending();
    EXPECT_FALSE(core.IsPowered());
    EXPECT_TRUE(bar->startItem->IsEnabled());
    EXPECT_FALSE(bar->stopItem->IsEnabled());
    EXPECT_FALSE(window->pauseButton->IsEnabled(false));
    EXPECT_TRUE(window->startButton->IsEnabled(false));
}

// The UI clock ticks every millisecond while the machine keeps to real time or stands, and every 8 ms while it
// runs unpaced.
TEST_F(MainWindowTest, TheClockTicksSlowlyOnlyWhileTheMachineRunsAheadOfRealTime) {
    ASSERT_TRUE(Start());
    EmulatorCore& core = *window->core;
    EXPECT_EQ(window->ClockPeriod(), 1);
    core.SetSynchronization(false);
    Choose(ItemOf(bar->emulationMenu, kStart));
    ASSERT_TRUE(core.IsPowered());
    EXPECT_TRUE(PumpUntil([&] { return window->ClockPeriod() == 8; })) << "running unpaced";
    Choose(ItemOf(bar->emulationMenu, kPause));
    EXPECT_TRUE(PumpUntil([&] { return window->ClockPeriod() == 1; })) << "paused";
    Choose(ItemOf(bar->emulationMenu, kPause));
    EXPECT_TRUE(PumpUntil([&] { return window->ClockPeriod() == 8; })) << "resumed";
    core.SetSyncActive(true);
    EXPECT_TRUE(PumpUntil([&] { return window->ClockPeriod() == 1; })) << "paced to real time";
    core.SetSyncActive(false);
    EXPECT_TRUE(PumpUntil([&] { return window->ClockPeriod() == 8; }));
    Choose(ItemOf(bar->emulationMenu, kStop));
    EXPECT_FALSE(core.IsPowered());
    EXPECT_TRUE(PumpUntil([&] { return window->ClockPeriod() == 1; })) << "stopped";
}

TEST_F(MainWindowTest, ViewAndSettingsTogglesFollowTheirFlags) {
    ASSERT_TRUE(Start());
    gui::MenuItem* toolbarItem = ItemOf(bar->viewMenu, 5);
    Choose(toolbarItem);
    EXPECT_FALSE(window->config.guiShowToolbar);
    EXPECT_FALSE(window->toolbar->IsVisible(false));
    EXPECT_FALSE(toolbarItem->IsChecked());
    Choose(toolbarItem);
    EXPECT_TRUE(window->toolbar->IsVisible(false));

    Choose(ItemOf(bar->settingsMenu, 1));
    EXPECT_TRUE(window->config.guiAutoStartEmulation);
    EXPECT_TRUE(ItemOf(bar->settingsMenu, 1)->IsChecked());
    EXPECT_FALSE(ItemOf(bar->settingsMenu, 0)->IsChecked());

    Choose(ItemOf(bar->emulationMenu, 5));
    EXPECT_FALSE(window->core->Synchronization());
    EXPECT_FALSE(window->core->SyncActive());
    EXPECT_FALSE(ItemOf(bar->emulationMenu, 5)->IsChecked());

    Choose(ItemOf(bar->inputMenu, 0));
    EXPECT_FALSE(window->config.EmuCaptureMouseOnDblClick);
}

TEST_F(MainWindowTest, ExitEndsTheLoopWithZeroAndLeavesTheChoicesInTheSettings) {
    ASSERT_TRUE(Start());
    Choose(ItemNamed(bar->settingsMenu, "Ignore equal console strings"));
    Choose(LanguageItem(*bar, 1));
    Choose(ItemOf(bar->computerMenu, 1));
    EXPECT_EQ(window->selectedMachine, 1);
    EXPECT_STREQ(window->config.EmuDefaultConfig.GetNarrow(), "bk_10_01");
    Choose(ItemOf(bar->computerMenu, 0));
    EXPECT_EQ(window->selectedMachine, 0);
    EXPECT_TRUE(ItemOf(bar->computerMenu, 0)->IsChecked());
    EXPECT_FALSE(ItemOf(bar->computerMenu, 1)->IsChecked());
    // The console choice outlives both machine changes.
    EXPECT_NE(Menus().find("Игнорировать строки-дубли в консоли [x]"), std::string::npos) << Menus();
    PostMessageW(window->GetHandle(), WM_MENUCOMMAND, kExit,
                 reinterpret_cast<LPARAM>(bar->emulationMenu->GetNativeHandle()));
    EXPECT_EQ(application->RunApplication(), 0);
    application->ExitApplication();
    application.reset();
    window = nullptr;

    const std::unique_ptr<EmulatorConfig> saved = SavedSettings();
    EXPECT_EQ(saved->guiLanguage, 1);
    EXPECT_STREQ(saved->EmuDefaultConfig.GetNarrow(), "bk_0010");
    EXPECT_TRUE(saved->dbgIgnoreConsoleDupStr);
}

std::atomic<bool> opensFail{false};

// A model that is offered but, once asked to, cannot make its machine.
class FailingModel : public app_test::StandInModel {
public:
    FailingModel() : StandInModel(1) {}
    std::unique_ptr<Computer> NewInstance() const override {
        return opensFail ? nullptr : std::make_unique<FailingModel>();
    }
};

std::unique_ptr<Computer> MakeFailingModel() {
    return std::make_unique<FailingModel>();
}

constexpr EmulatorConfig::MachineListEntry kWithFailingModel[] = {{&app_test::MakeStandIn<0>, false},
                                                                  {&MakeFailingModel, false}};

TEST_F(MainWindowTest, AModelThatCannotBeOpenedKeepsTheMachineItsMenuAndTheDefault) {
    opensFail = false;
    ASSERT_TRUE(Start(kWithFailingModel));
    opensFail = true;
    EmulatorCore* core = window->core;
    Choose(ItemOf(bar->computerMenu, 1));
    opensFail = false;
    EXPECT_EQ(window->core, core);
    EXPECT_EQ(window->selectedMachine, 0);
    EXPECT_STREQ(window->config.EmuDefaultConfig.GetNarrow(), "bk_0010");
    EXPECT_TRUE(ItemOf(bar->computerMenu, 0)->IsChecked());
    EXPECT_FALSE(ItemOf(bar->computerMenu, 1)->IsChecked());
    EXPECT_FALSE(window->switchingMachine);
}

TEST_F(MainWindowTest, WithoutACoreTheWindowOpensAndASoundChoiceIsOnlyStored) {
    ASSERT_TRUE(Start(std::span<const EmulatorConfig::MachineListEntry>()));
    EXPECT_EQ(window->core, nullptr);
    EXPECT_FALSE(bar->startItem->IsEnabled());
    EXPECT_TRUE(PumpUntil([&] { return !window->startButton->IsEnabled(false); })) << "the timer brings it in step";
    Choose(ItemOf(bar->soundMenu, 0));
    EXPECT_EQ(window->config.SoundOutputIndex, 0);
    EXPECT_STREQ(window->config.EmuDefaultSound.GetNarrow(), "No Sound");
    EXPECT_TRUE(ItemOf(bar->soundMenu, 0)->IsChecked());
    Choose(ItemOf(bar->videoMenu, 1));
    EXPECT_EQ(window->config.RendererIndex, 1);
    EXPECT_STREQ(window->config.EmuDefaultScreen.GetNarrow(), "OpenGL");
    EXPECT_TRUE(ItemOf(bar->videoMenu, 1)->IsChecked());
    EXPECT_FALSE(ItemOf(bar->videoMenu, 0)->IsChecked());
    Choose(ItemOf(bar->emulationMenu, kStart));
    EXPECT_EQ(window->core, nullptr);
}

TEST_F(MainWindowTest, ADamagedSettingsFileOpensTheWindowWithDefaults) {
    {
        EmulatorConfig::Environment environment;
        environment.folders = Folders();
        EmulatorConfig config(environment, app_test::kStandInList, WindowsMedia());
        const std::u16string path(config.SettingsPath(true).GetWide());
        FILE* file = _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"wb");
        ASSERT_NE(file, nullptr);
        std::fputs("\xF0"
                   "damaged settings",
                   file);
        std::fclose(file);
    }
    ASSERT_TRUE(Start());
    EXPECT_TRUE(window->config.guiShowToolbar);
    EXPECT_FALSE(window->config.guiAutoStartEmulation);
    EXPECT_NE(window->core, nullptr);
    EXPECT_EQ(Menus(), kEnglishMenus);
}

} // namespace
} // namespace emu::testing

namespace emu::testing {
namespace {

TEST_F(MainWindowTest, WithoutRomImagesStartFailsWithoutHarmAndSaysWhyOnTheConsole) {
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    ASSERT_NE(window->core, nullptr);
    Choose(bar->startItem);
    EXPECT_FALSE(window->core->IsPowered());
    EXPECT_TRUE(bar->startItem->IsEnabled());
    EXPECT_FALSE(bar->stopItem->IsEnabled());
    const std::vector<std::string> lines = app_test::TakeConsoleTexts(*window->core);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("[ERROR]") != std::string::npos; }));
    EXPECT_TRUE(PumpUntil([&] { return window->startButton->IsEnabled(false); }));
}

} // namespace
} // namespace emu::testing

namespace emu::testing {
namespace {

// Run with a Russian user language (CTest's frontend_win32_russian_tests sets the locale); skipped otherwise.
TEST_F(MainWindowTest, UnderARussianUserLanguageTheProgramStartsInRussian) {
    if (!common::IsSystemLanguageRussian()) {
        GTEST_SKIP() << "the user language is not Russian";
    }
    ASSERT_TRUE(Start());
    EXPECT_EQ(window->config.guiLanguage, 1);
    EXPECT_EQ(Menus(), kRussianMenus);
    EXPECT_EQ(window->startButton->GetText().View(), u"Старт");
}

} // namespace
} // namespace emu::testing

namespace emu::testing {
namespace {

std::atomic<int32_t> flakyInstances{0};

// A model whose second machine (the first core's) cannot be made; later ones can.
class SecondInstanceFails : public app_test::StandInModel {
public:
    SecondInstanceFails() : StandInModel(0) {}
    std::unique_ptr<Computer> NewInstance() const override {
        return ++flakyInstances == 2 ? nullptr : std::make_unique<SecondInstanceFails>();
    }
};

std::unique_ptr<Computer> MakeSecondInstanceFails() {
    return std::make_unique<SecondInstanceFails>();
}

constexpr EmulatorConfig::MachineListEntry kFirstCoreFails[] = {{&MakeSecondInstanceFails, false}};

TEST_F(MainWindowTest, AMachineChosenWithoutACoreMakesOneThatDrawsIntoTheScreen) {
    flakyInstances = 0;
    ASSERT_TRUE(Start(kFirstCoreFails));
    ASSERT_EQ(window->core, nullptr);
    EXPECT_FALSE(bar->startItem->IsEnabled());
    Choose(ItemOf(bar->computerMenu, 0));
    ASSERT_NE(window->core, nullptr);
    EXPECT_EQ(window->selectedMachine, 0);
    EXPECT_STREQ(window->config.EmuDefaultConfig.GetNarrow(), "bk_0010");
    EXPECT_TRUE(bar->startItem->IsEnabled());
    const auto* renderer = dynamic_cast<const WindowRenderer*>(window->core->Renderer());
    ASSERT_NE(renderer, nullptr);
    EXPECT_EQ(renderer->TargetWindow(), window->screen->GetHandle()) << "the new core draws into the screen";
    Choose(bar->startItem);
    EXPECT_TRUE(window->core->IsPowered());
}

} // namespace
} // namespace emu::testing
