// What the front end's Wine tests share: the program's application object made in process as WinMain makes it,
// over the stand-in machines and a fresh settings folder; a pump; and the native menu tree written out as text.
#pragma once

#include "app/CoreTestMachines.h"
#include "common/TextTable.h"
#include "frontend/win32/EmulatorApplication.h"
#include "frontend/win32/MainMenuBar.h"
#include "frontend/win32/MainWindow.h"
#include "gui/PopupMenu.h"
#include "support/MessagePump.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <commdlg.h>
#include <dlgs.h>

#include <functional>
#include <memory>
#include <span>
#include <string>

namespace emu::testing {

using test_support::PumpPending;

inline bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000) {
    return test_support::PumpUntil(condition, timeoutMs);
}

inline std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    if (size > 1) {
        WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    }
    return result;
}

inline std::string GetTitleOf(gui::Windows::TopLevelWindow* window) {
    wchar_t text[512] = {};
    GetWindowTextW(window->GetHandle(), text, static_cast<int>(std::size(text)));
    return Utf8(text);
}

// The first item of a popup with that label; null when there is none.
inline gui::MenuItem* ItemNamed(gui::PopupMenu* menu, const char* name) {
    for (int32_t i = 0; menu != nullptr && i < menu->ItemCount(); ++i) {
        gui::MenuItem* item = menu->ItemAt(i);
        if (item != nullptr && item->GetText().Compare(name) == 0) {
            return item;
        }
    }
    return nullptr;
}

// One line per native item, two blanks of indent per level: its text, " [x]" when checked, " (grey)" when greyed;
// "----" for a separator.
inline std::string DumpMenu(HMENU menu, int depth = 0) {
    std::string dump;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = static_cast<UINT>(std::size(text) - 1);
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
            dump += "?\n";
            continue;
        }
        dump += std::string(static_cast<size_t>(depth) * 2, ' ');
        if ((info.fType & MFT_SEPARATOR) != 0) {
            dump += "----\n";
            continue;
        }
        dump += Utf8(text);
        if ((info.fState & MFS_CHECKED) != 0) {
            dump += " [x]";
        }
        if ((info.fState & MFS_GRAYED) != 0) {
            dump += " (grey)";
        }
        dump += "\n";
        if (info.hSubMenu != nullptr) {
            dump += DumpMenu(info.hSubMenu, depth + 1);
        }
    }
    return dump;
}

// The file dialog up on this thread: a visible system dialog with a file name box.
inline HWND FindFileDialog() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM result) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) == L"#32770" && IsWindowVisible(window) &&
                (GetDlgItem(window, cmb13) != nullptr || GetDlgItem(window, edt1) != nullptr)) {
                *reinterpret_cast<HWND*>(result) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Types the path into the open file dialog and presses Open; false while no such dialog is up.
inline bool OpenInFileDialog(const std::u16string& path) {
    HWND dialog = FindFileDialog();
    if (dialog == nullptr) {
        return false;
    }
    HWND name = GetDlgItem(dialog, cmb13) != nullptr ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    SetWindowTextW(name, reinterpret_cast<const wchar_t*>(path.c_str()));
    return PostMessageW(dialog, WM_COMMAND, IDOK, 0) != FALSE;
}

// Cancels the open file dialog; false while none is up.
inline bool CancelFileDialog() {
    HWND dialog = FindFileDialog();
    return dialog != nullptr && PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0) != FALSE;
}

// The program's application object, started as WinMain starts it, on a fresh program folder.
class FrontEndTest : public ::testing::Test {
protected:
    void TearDown() override {
        Finish();
        common::SelectLanguage(common::TextRegistry::kEnglish);
    }

    common::ProgramFolders Folders() const { return common::ProgramFolders(folder.PathOf(u"ZovBk.exe"), u""); }

    bool Start(std::span<const EmulatorConfig::MachineListEntry> machines = app_test::kStandInList) {
        application = std::make_unique<EmulatorApplication>(Folders(), machines);
        application->SetStartValues(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOW);
        int32_t code = 7;
        if (!application->StartApplication(code)) {
            return false;
        }
        EXPECT_EQ(code, 0);
        window = application->Window();
        bar = window->Menu();
        window->Show(true);
        PumpPending();
        return window != nullptr && bar != nullptr;
    }

    // Closes the window (the core goes, the settings are written) and ends the application.
    void Finish() {
        if (application == nullptr) {
            return;
        }
        if (window != nullptr && window->GetHandle() != nullptr) {
            DestroyWindow(window->GetHandle());
        }
        PumpPending();
        application->ExitApplication();
        application.reset();
        window = nullptr;
        bar = nullptr;
    }

    std::string Menus() const { return DumpMenu(GetMenu(window->GetHandle())); }

    // The settings the closed window left in the program folder, read as the next start reads them.
    std::unique_ptr<EmulatorConfig> SavedSettings() const {
        EmulatorConfig::Environment environment;
        environment.folders = Folders();
        environment.language.name = [](int32_t index) { return common::WideString(common::GetLanguageName(index)); };
        auto saved = std::make_unique<EmulatorConfig>(environment, app_test::kStandInList, WindowsMedia());
        EXPECT_TRUE(saved->LoadSettings());
        return saved;
    }

    // An item of a top-level popup by its position.
    gui::MenuItem* ItemOf(gui::PopupMenu* popup, int32_t position) const {
        return popup != nullptr ? popup->ItemAt(position) : nullptr;
    }

    void Choose(gui::MenuItem* item) const {
        ASSERT_NE(item, nullptr);
        item->OnMenuCommand(-1);
        PumpPending();
    }

    test_support::TemporaryFolder folder;
    std::unique_ptr<EmulatorApplication> application;
    MainWindow* window = nullptr;
    MainMenuBar* bar = nullptr;
};

} // namespace emu::testing
