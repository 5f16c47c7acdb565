// The program's application object: it registers the English and Russian text tables, makes the 800 x 600 main
// window with the program's icon and its main menu bar, and then runs as the toolkit's application does.
#pragma once

#include "app/EmulatorConfig.h"
#include "app/ProgramStartup.h"
#include "common/ProgramFolders.h"
#include "gui/windows/Win32Application.h"

#include <span>

namespace emu {

class MainWindow;

class EmulatorApplication : public gui::Windows::Win32Application, public StartableApplication {
public:
    // The main window finds its settings and ROMs through folders and offers the machines.
    explicit EmulatorApplication(
        const common::ProgramFolders& folders = common::ProgramFolders::Host(),
        std::span<const EmulatorConfig::MachineListEntry> machines = EmulatorConfig::MachineList());
    ~EmulatorApplication() override;

    bool Init(int32_t& exitCode) override;

    // The application that initialised last; null before.
    static EmulatorApplication* Running();
    emu::MainWindow* Window() const;

    // What WinMain runs, through the toolkit's Start, Run and Exit.
    void SetStartValues(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR* arguments, int32_t showCommand);
    bool StartApplication(int32_t& exitCode) override;
    int32_t RunApplication() override { return Run(); }
    void ExitApplication() override { Exit(); }

private:
    common::ProgramFolders folders;
    std::span<const EmulatorConfig::MachineListEntry> machines;
    HINSTANCE startInstance = nullptr;
    HINSTANCE startPrevious = nullptr;
    LPWSTR* startArguments = nullptr;
    int32_t startShow = 0;
};

} // namespace emu
