#include "WindowTestSupport.h"

#include "gui/MenuBar.h"

#include <atomic>
#include <string>
#include <vector>

namespace gui::Windows::testing {
namespace {

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

RECT WindowRect(TopLevelWindow& window) {
    RECT rect{};
    GetWindowRect(window.GetHandle(), &rect);
    return rect;
}

// The area a top-level window is centred in: the screen, less what the maximised size shows of the frame.
void AvailableArea(int& width, int& height, int& minimumX, int& minimumY) {
    const int dx = GetSystemMetrics(SM_CXSCREEN) - GetSystemMetrics(SM_CXMAXIMIZED);
    const int dy = GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYMAXIMIZED);
    width = GetSystemMetrics(SM_CXSCREEN) - (dx > 0 ? 3 * dx : 0);
    height = GetSystemMetrics(SM_CYSCREEN) - (dy > 0 ? 3 * dy : 0);
    minimumX = dx > 0 ? dx + dx / 2 : 0;
    minimumY = dy > 0 ? dy + dy / 2 : 0;
}

class TopLevelWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (auto& window : windows)
            window->Destroy();
        windows.clear();
        PumpPending();
    }

    TopLevelWindow& Make(int32_t x, int32_t y, int32_t w, int32_t h, int32_t mode) {
        windows.push_back(std::make_unique<TopLevelWindow>(x, y, w, h, mode));
        return *windows.back();
    }

    std::vector<std::unique_ptr<TopLevelWindow>> windows;
};

TEST_F(TopLevelWindowTest, PlacementModesPlaceTheWindowAndBecomeStoredPositions) {
    int width = 0;
    int height = 0;
    int minimumX = 0;
    int minimumY = 0;
    AvailableArea(width, height, minimumX, minimumY);

    TopLevelWindow& byDefault = Make(5, 6, 300, 200, 0);
    ASSERT_TRUE(byDefault.CreateOnInstance(Instance()));
    EXPECT_EQ(byDefault.GetPlacementMode(), 1);

    TopLevelWindow& centred = Make(5, 6, 300, 200, 2);
    ASSERT_TRUE(centred.CreateOnInstance(Instance()));
    EXPECT_EQ(centred.GetPlacementMode(), 1);
    RECT rect = WindowRect(centred);
    EXPECT_EQ(rect.left, std::max(width / 2 - 150, minimumX));
    EXPECT_EQ(rect.top, std::max(height / 2 - 100, minimumY));

    TopLevelWindow& oversize = Make(0, 0, width + 500, height + 400, 2);
    ASSERT_TRUE(oversize.CreateOnInstance(Instance()));
    rect = WindowRect(oversize);
    EXPECT_EQ(rect.right - rect.left, width) << "shrunk to the available area";
    EXPECT_EQ(rect.bottom - rect.top, height);
    EXPECT_EQ(rect.left, std::max(0, minimumX));

    TopLevelWindow& maximised = Make(0, 0, 300, 200, 3);
    ASSERT_TRUE(maximised.CreateOnInstance(Instance()));
    EXPECT_TRUE(GetWindowLongW(maximised.GetHandle(), GWL_STYLE) & WS_MAXIMIZE);
    EXPECT_EQ(maximised.GetPlacementMode(), 3);
    maximised.Show(true);
    EXPECT_EQ(maximised.GetPlacementMode(), 1) << "the first Show maximises once";
    EXPECT_TRUE(IsZoomed(maximised.GetHandle()));

    TopLevelWindow& minimised = Make(0, 0, 300, 200, 4);
    ASSERT_TRUE(minimised.CreateOnInstance(Instance()));
    minimised.Show(true);
    EXPECT_TRUE(IsIconic(minimised.GetHandle()));
    EXPECT_EQ(minimised.GetPlacementMode(), 1);
}

TEST_F(TopLevelWindowTest, CreationNeedsAnInstanceAndTheWindowsConsent) {
    TopLevelWindow& window = Make(0, 0, 100, 100, 1);
    EXPECT_FALSE(window.Create()) << "no module instance yet";
    ASSERT_TRUE(window.CreateOnInstance(Instance()));
    EXPECT_TRUE(window.CreateOnInstance(Instance()));
    EXPECT_FALSE(window.CreateOnInstance(reinterpret_cast<HINSTANCE>(0x1234)));

    struct Refusing : TopLevelWindow {
        Refusing() : TopLevelWindow(0, 0, 100, 100, 1) {}
        bool OnCreate() override {
            ++asked;
            return false;
        }
        int asked = 0;
    } refusing;
    EXPECT_FALSE(refusing.CreateOnInstance(Instance()));
    EXPECT_EQ(refusing.GetHandle(), nullptr);
    EXPECT_EQ(refusing.asked, 1);
}

TEST_F(TopLevelWindowTest, EachWindowHasAClassOfItsOwnAndTheDpiIsReadOnce) {
    TopLevelWindow& first = Make(0, 0, 100, 100, 1);
    ASSERT_TRUE(ProcessDpi().IsFixed());
    const int32_t layout = ProcessDpi().LayoutX();
    TopLevelWindow& second = Make(0, 0, 100, 100, 1);
    ASSERT_TRUE(first.CreateOnInstance(Instance()));
    ASSERT_TRUE(second.CreateOnInstance(Instance()));
    EXPECT_NE(first.GetWindowClassName().Compare(second.GetWindowClassName()), 0);
    int32_t expectedX = 0;
    int32_t expectedY = 0;
    Dpi::LayoutFor(ProcessDpi().ScreenX(), ProcessDpi().ScreenY(), expectedX, expectedY);
    EXPECT_EQ(layout, expectedX);
    EXPECT_EQ(ProcessDpi().LayoutX(), layout);
}

TEST_F(TopLevelWindowTest, FullScreenCoversTheMonitorAndComesBack) {
    TopLevelWindow& window = Make(50, 40, 300, 200, 1);
    auto* bar = new MenuBar(&window);
    ASSERT_TRUE(window.SetMenuBar(bar));
    ASSERT_NE(bar->AddItem(common::WideString("File"), true), nullptr);
    EXPECT_FALSE(window.SetFullscreen(true, false)) << "no window yet";
    ASSERT_TRUE(window.CreateOnInstance(Instance()));
    window.Show(true);
    PumpPending();
    const LONG style = GetWindowLongW(window.GetHandle(), GWL_STYLE);
    const RECT before = WindowRect(window);
    HMENU menu = GetMenu(window.GetHandle());
    ASSERT_NE(menu, nullptr);

    ASSERT_TRUE(window.SetFullscreen(true, false));
    EXPECT_TRUE(window.IsFullscreen());
    EXPECT_EQ(GetWindowLongW(window.GetHandle(), GWL_STYLE) & (WS_POPUP | WS_CAPTION), static_cast<LONG>(WS_POPUP));
    EXPECT_EQ(GetMenu(window.GetHandle()), nullptr);
    RECT full = WindowRect(window);
    EXPECT_EQ(full.left, 0);
    EXPECT_EQ(full.right - full.left, GetSystemMetrics(SM_CXSCREEN) + 1);
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    window.GetBounds(x, y, w, h);
    EXPECT_EQ(w, GetSystemMetrics(SM_CXSCREEN) + 1) << "the store follows";
    EXPECT_TRUE(window.SetFullscreen(true, false)) << "again: nothing to do";

    ASSERT_TRUE(window.SetFullscreen(false, false));
    EXPECT_FALSE(window.IsFullscreen());
    EXPECT_EQ(GetWindowLongW(window.GetHandle(), GWL_STYLE), style);
    EXPECT_EQ(GetMenu(window.GetHandle()), menu);
    const RECT after = WindowRect(window);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
}

TEST_F(TopLevelWindowTest, TheWindowKeepsAltAwayFromTheMenuAndTheCursorVisible) {
    TopLevelWindow& window = Make(0, 0, 200, 100, 1);
    ASSERT_TRUE(window.CreateOnInstance(Instance()));
    EXPECT_EQ(SendMessageW(window.GetHandle(), WM_SYSCOMMAND, SC_KEYMENU, 0), 0);

    window.SetEraseBackground(false);
    HDC dc = GetDC(window.GetHandle());
    EXPECT_NE(SendMessageW(window.GetHandle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 0);
    ReleaseDC(window.GetHandle(), dc);

    ShowCursor(FALSE);
    ShowCursor(FALSE);
    SendMessageW(window.GetHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    const int count = ShowCursor(FALSE) + 1;
    ShowCursor(TRUE);
    EXPECT_GE(count, 0);
}

int ticks = 0;

void CountTick(Window*, uintptr_t) {
    ++ticks;
}

TEST_F(TopLevelWindowTest, TasksRunEveryMillisecondEvenWhenTheyNestOrAddTasks) {
    TopLevelWindow& window = Make(0, 0, 200, 100, 1);
    ticks = 0;
    ASSERT_TRUE(window.AddTimerTask(1, CountTick, 0)) << "added before creation";
    ASSERT_TRUE(window.CreateOnInstance(Instance()));
    EXPECT_TRUE(PumpUntil([] { return ticks >= 20; }));

    // A task that runs a message loop of its own, and one that adds a task once.
    static int nested = 0;
    static int added = 0;
    static bool adding = true;
    nested = 0;
    added = 0;
    ASSERT_TRUE(window.AddTimerTask(
        1,
        [](Window*, uintptr_t) {
            if (++nested < 3)
                PumpUntil([] { return false; }, 20);
        },
        0));
    ASSERT_TRUE(window.AddTimerTask(
        1,
        [](Window* frame, uintptr_t) {
            if (adding) {
                adding = false;
                dynamic_cast<FrameWindow*>(frame)->AddTimerTask(
                    1, [](Window*, uintptr_t) { ++added; }, 0);
            }
        },
        0));
    EXPECT_TRUE(PumpUntil([] { return nested >= 5 && added >= 5; }));
}

// The timer-queue clock's period: kept from before creation, changed while it runs, refused out of range; the
// tasks run at every period.
TEST_F(TopLevelWindowTest, TheClockPeriodCanBeLengthenedAndShortenedAgain) {
    TopLevelWindow& window = Make(0, 0, 200, 100, 1);
    ticks = 0;
    EXPECT_EQ(window.ClockPeriod(), 1);
    ASSERT_TRUE(window.AddTimerTask(1, CountTick, 0));
    EXPECT_TRUE(window.SetClockPeriod(8)) << "before creation";
    ASSERT_TRUE(window.CreateOnInstance(Instance()));
    EXPECT_TRUE(PumpUntil([] { return ticks >= 5; }));
    for (const int32_t refused : {0, -1, 1001}) {
        EXPECT_FALSE(window.SetClockPeriod(refused)) << refused;
        EXPECT_EQ(window.ClockPeriod(), 8);
    }
    for (const int32_t period : {1, 1000, 8, 1}) {
        ASSERT_TRUE(window.SetClockPeriod(period)) << period;
        EXPECT_EQ(window.ClockPeriod(), period);
        ticks = 0;
        EXPECT_TRUE(PumpUntil([] { return ticks >= 3; })) << period;
    }
}

TEST_F(TopLevelWindowTest, ABusyGuiThreadFindsNoBacklogOfTicks) {
    TopLevelWindow& window = Make(0, 0, 200, 100, 1);
    ticks = 0;
    ASSERT_TRUE(window.AddTimerTask(1, CountTick, 0));
    ASSERT_TRUE(window.CreateOnInstance(Instance()));
    ASSERT_TRUE(PumpUntil([] { return ticks >= 5; }));
    Sleep(200);
    int posted = 0;
    MSG message{};
    while (PeekMessageW(&message, window.GetHandle(), WM_TIMER, WM_TIMER, PM_REMOVE))
        posted += message.wParam != 1; // ticks the timer-queue thread posted
    EXPECT_LE(posted, 1);
}

} // namespace
} // namespace gui::Windows::testing
