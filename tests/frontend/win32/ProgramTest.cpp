// The real program: started as a user starts it, closed as a user closes it. It runs from a copy in a folder of
// its own, where it keeps its settings: nothing lands beside the built program that a user starts.
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

namespace {

// The build's path of the program as Wine sees it (its root is drive Z:).
std::wstring ProgramPath() {
    std::wstring path = L"Z:";
    for (const char* c = ZOV_PROGRAM_PATH; *c != '\0'; ++c) {
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    }
    return path;
}

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM parameter) {
    auto* found = reinterpret_cast<Found*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (process == found->process && std::wstring(title).rfind(L"ZOV/BK Emulator", 0) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

TEST(ProgramTest, TheProgramOpensItsWindowAndEndsWithZeroWhenClosed) {
    const test_support::TemporaryFolder folder;
    const std::filesystem::path program = folder.Path() / "ZovBk.exe";
    std::filesystem::copy_file(ProgramPath(), program);
    std::wstring commandLine = L"\"" + program.wstring() + L"\" --any --option";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        << GetLastError();
    Found found{process.dwProcessId, nullptr};
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (found.window == nullptr && GetTickCount64() < deadline) {
        Sleep(20);
        EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&found));
    }
    ASSERT_NE(found.window, nullptr) << "no main window";
    EXPECT_NE(GetMenu(found.window), nullptr);
    PostMessageW(found.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 1234;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.Path() / "ZovBk.ini")) << "the settings, written on close";
}

} // namespace
