// The application object's message loop and its idle tracking, on a plain top-level window.
#include "gui/windows/Win32Application.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace gui::Windows {
namespace {

std::atomic<bool> busyWanted{false};
std::atomic<bool> busyNow{false};
std::atomic<bool> busyRelease{false};

// A timer task that holds the GUI thread while the test asks it to.
void HoldWhileAsked(Window*, uintptr_t) {
    if (!busyWanted.exchange(false)) {
        return;
    }
    busyNow = true;
    while (!busyRelease) {
        Sleep(1);
    }
    busyNow = false;
}

class Win32ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        busyWanted = busyNow = busyRelease = false;
        int32_t code = 7;
        ASSERT_TRUE(application.Start(code, GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOW));
        EXPECT_EQ(code, 0);
        ASSERT_NE(application.GetMainWindow(), nullptr);
        EXPECT_NE(application.GetMainWindow()->GetMenuBar(), nullptr) << "an empty menu bar is given";
    }

    HWND Window() { return dynamic_cast<TopLevelWindow*>(application.GetMainWindow())->GetHandle(); }

    Win32Application application;
};

TEST_F(Win32ApplicationTest, WithoutALoopTheWaitAnswersAtOnce) {
    EXPECT_TRUE(application.WaitForIdle(0));
    EXPECT_TRUE(application.WaitForIdle(3)) << "no loop has made its event yet";
    EXPECT_TRUE(application.WaitForIdle(-1));
}

TEST_F(Win32ApplicationTest, ABusyGuiThreadRunsTheWaitOutAndAnIdleOneEndsIt) {
    ASSERT_TRUE(application.GetMainWindow()->AddTimerTask(1, HoldWhileAsked, 0));
    ASSERT_TRUE(application.GetMainWindow()->StartTimers(true));
    bool idleAtStart = false;
    bool busyAnswer = true;
    bool zeroAnswer = false;
    bool idleAfter = false;
    std::thread waiter([&] {
        idleAtStart = application.WaitForIdle(-1);
        busyWanted = true;
        while (!busyNow) {
            Sleep(1);
        }
        zeroAnswer = application.WaitForIdle(0);
        busyAnswer = application.WaitForIdle(3);
        busyRelease = true;
        idleAfter = application.WaitForIdle(-1);
        PostMessageW(Window(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(application.Run(), 0);
    waiter.join();
    EXPECT_TRUE(idleAtStart);
    EXPECT_TRUE(zeroAnswer);
    EXPECT_FALSE(busyAnswer) << "three 1 ms waits against a busy GUI thread";
    EXPECT_TRUE(idleAfter);
    application.Exit();
    EXPECT_EQ(application.GetMainWindow(), nullptr);
}

TEST_F(Win32ApplicationTest, AQuitMetWhileDrainingEndsTheLoopWithItsCode) {
    PostMessageW(Window(), WM_NULL, 0, 0);
    PostMessageW(Window(), WM_NULL, 0, 0);
    PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 5, 0);
    EXPECT_EQ(application.Run(), 5);
    PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 6, 0);
    EXPECT_EQ(application.Run(), 6) << "a second run makes a new event and runs again";
}

TEST(Win32ApplicationStartTest, NoInstanceNoStartAndNoWindowNoRun) {
    Win32Application application;
    int32_t code = 7;
    EXPECT_FALSE(application.Start(code, nullptr, nullptr, nullptr, SW_SHOW));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(application.Run(), -1);
}

} // namespace
} // namespace gui::Windows
