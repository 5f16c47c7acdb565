// The real program: started as a user starts it, closed as a user closes it.
#include <gtest/gtest.h>

#include <windows.h>

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
    std::wstring commandLine = L"\"" + ProgramPath() + L"\" --any --option";
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
}

} // namespace
