#include "frontend/win32/EmulatorApplication.h"

#include "common/TextTable.h"
#include "frontend/UiTextTables.h"
#include "frontend/win32/MainMenuBar.h"
#include "frontend/win32/MainWindow.h"
#include "gui/UiText.h"

#include <atomic>

namespace emu {
namespace {

constexpr uint32_t kProgramIcon = 128;

std::atomic<EmulatorApplication*> runningApplication{nullptr};

// A table the registry refuses (its language has one already) stays with us.
void Register(int32_t language, std::unique_ptr<common::TextTable> table) {
    if (common::RegisterTextTable(language, table.get())) {
        (void)table.release();
    }
}

} // namespace

EmulatorApplication::EmulatorApplication(const common::ProgramFolders& folders,
                                         std::span<const EmulatorConfig::MachineListEntry> machines)
    : folders(folders), machines(machines) {}

// The emulation thread of a later core must not reach an application that is gone.
EmulatorApplication::~EmulatorApplication() {
    Exit();
    EmulatorApplication* self = this;
    runningApplication.compare_exchange_strong(self, nullptr);
}

EmulatorApplication* EmulatorApplication::Running() {
    return runningApplication.load();
}

MainWindow* EmulatorApplication::Window() const {
    return dynamic_cast<emu::MainWindow*>(TopWindow());
}

bool EmulatorApplication::Init(int32_t& exitCode) {
    Register(common::TextRegistry::kEnglish, std::make_unique<EnglishTextTable>());
    Register(common::TextRegistry::kRussian, std::make_unique<RussianTextTable>());
    // The toolkit's menus and dialogs ask for texts with an empty fallback.
    gui::SetUiTextLookup([](int32_t id) { return common::GetText(id, u""); });
    if (TopWindow() == nullptr) {
        auto window = std::make_unique<emu::MainWindow>(0, 0, 800, 600, 0, folders, machines);
        if (!window->IsCreated()) {
            window->SetIconId(kProgramIcon);
        }
        SetMainWindow(std::move(window));
    }
    if (TopWindow()->GetMenuBar() == nullptr) {
        auto* bar = new MainMenuBar(TopWindow());
        if (!TopWindow()->SetMenuBar(bar)) {
            delete bar;
        }
    }
    if (!Win32Application::Init(exitCode)) {
        return false;
    }
    runningApplication.store(this);
    return true;
}

void EmulatorApplication::SetStartValues(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR* arguments,
                                         int32_t showCommand) {
    startInstance = instance;
    startPrevious = previousInstance;
    startArguments = arguments;
    startShow = showCommand;
}

bool EmulatorApplication::StartApplication(int32_t& exitCode) {
    return Start(exitCode, startInstance, startPrevious, startArguments, startShow);
}

} // namespace emu
