#include "WindowTestSupport.h"

#include "gui/windows/BorderedPanel.h"
#include "gui/windows/Label.h"

#include <string>
#include <vector>

namespace gui::Windows::testing {
namespace {

std::vector<std::string> log;

void LogMove(Window*) {
    log.push_back("move");
}

void LogResize(Window*) {
    log.push_back("resize");
}

int32_t LogKey(Window*, int32_t key, bool down) {
    log.push_back("key " + std::to_string(key) + (down ? " down" : " up"));
    return 1;
}

int32_t LogMouse(Window* window, int32_t x, int32_t y, int32_t event) {
    log.push_back("mouse " + std::to_string(window->UserData()) + " " + std::to_string(x) + " " + std::to_string(y) +
                  " " + std::to_string(event));
    return 1;
}

// A native child control of its own class that answers notifications and counts owner-draw requests.
class ProbeControl : public NativeControl {
public:
    ProbeControl() : NativeControl(10, 10, 50, 20, kDockNone, true) {}
    ~ProbeControl() override { MarkDestroying(); }
    bool Create() override {
        if (IsCreated())
            return true;
        return MakeWindow(L"STATIC", WS_CHILD | SS_OWNERDRAW) && NativeControl::Create();
    }
    bool HandleNotify(NMHDR* header, LRESULT* result) override {
        notified = header->code;
        *result = 77;
        return true;
    }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DRAWITEM)
            ++drawItems;
        return NativeControl::HandleMessage(message, wParam, lParam);
    }
    UINT notified = 0;
    int drawItems = 0;
};

class NativeWindowTest : public ShownWindowTest {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        log.clear();
    }
};

TEST_F(NativeWindowTest, AWindowNotBoundGetsTheDefaultProcessing) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ToolkitWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZovUnboundTest";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    // WM_NCCREATE answered by DefWindowProcW lets the window be made; WM_SETTEXT keeps its text.
    HWND unbound = CreateWindowExW(0, L"ZovUnboundTest", L"unbound", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   windowClass.hInstance, nullptr);
    ASSERT_NE(unbound, nullptr);
    wchar_t text[16] = {};
    GetWindowTextW(unbound, text, 16);
    EXPECT_EQ(std::wstring(text), L"unbound");
    EXPECT_EQ(NativeWindow::FromHandle(unbound), nullptr);
    DestroyWindow(unbound);
    UnregisterClassW(L"ZovUnboundTest", windowClass.hInstance);
}

TEST_F(NativeWindowTest, SetBoundsMovesTheWindowOnceAndReportsOnce) {
    CreateAndShow();
    window->MoveCallback() = LogMove;
    window->ResizeCallback() = LogResize;
    EXPECT_TRUE(window->SetBounds(60, 50, 420, 310, kPixels));
    EXPECT_EQ(log, (std::vector<std::string>{"move", "resize"}));
    RECT rect{};
    GetWindowRect(window->GetHandle(), &rect);
    EXPECT_EQ(rect.left, 60);
    EXPECT_EQ(rect.top, 50);
    EXPECT_EQ(rect.right - rect.left, 420);

    log.clear();
    PumpPending();
    EXPECT_TRUE(log.empty()) << "no WM_MOVE or WM_SIZE fed back";
    window->SetBounds(70, 50, 420, 310, kPixels);
    EXPECT_EQ(log, std::vector<std::string>{"move"});

    // Moved from outside: the stored bounds follow, with the callbacks.
    log.clear();
    MoveWindow(window->GetHandle(), 80, 55, 430, 310, TRUE);
    EXPECT_EQ(BoundsOf(*window).x, 80);
    EXPECT_EQ(BoundsOf(*window).width, 430);
    EXPECT_FALSE(log.empty());
}

TEST_F(NativeWindowTest, SizeLimitsOnlyRaiseTheSystemsTrackingSizes) {
    CreateAndShow();
    window->SetMinMax(300, 200, 1000, 0);
    MINMAXINFO info{};
    info.ptMinTrackSize = POINT{100, 100};
    info.ptMaxTrackSize = POINT{2000, 2000};
    EXPECT_EQ(SendMessageW(window->GetHandle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.ptMinTrackSize.x, 300);
    EXPECT_EQ(info.ptMinTrackSize.y, 200);
    EXPECT_EQ(info.ptMaxTrackSize.x, 2000) << "a smaller maximum leaves the system's";
}

TEST_F(NativeWindowTest, NotificationsAndOwnerDrawingAreReflectedButMenuItemsAreNot) {
    auto* probe = new ProbeControl();
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(probe)));
    CreateAndShow();
    NMHDR header{probe->GetHandle(), 0, 1234};
    EXPECT_EQ(SendMessageW(window->GetHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), 77);
    EXPECT_EQ(probe->notified, 1234u);

    const int before = probe->drawItems;
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.hwndItem = probe->GetHandle();
    EXPECT_EQ(SendMessageW(window->GetHandle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item)), 1);
    EXPECT_EQ(probe->drawItems, before + 1);
    item.CtlType = ODT_MENU;
    SendMessageW(window->GetHandle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(probe->drawItems, before + 1);
}

TEST_F(NativeWindowTest, AClickOnAWindowlessChildArrivesInItsOwnCoordinates) {
    auto* panel = new BorderedPanel(20, 30, 200, 100, kDockNone, kSunkenBorder, true);
    panel->SetMargins({4, 5, 0, 0});
    auto* label = new Label(10, 12, 60, 20, common::WideString("label"), kDockNone, true);
    label->UserData() = 2;
    label->MouseCallback() = LogMouse;
    panel->UserData() = 1;
    panel->MouseCallback() = LogMouse;
    ASSERT_TRUE(panel->AddChild(std::unique_ptr<gui::Control>(label)));
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(panel)));
    CreateAndShow();

    // The label's corner lies at margin 4 + edge 2 + 10 and margin 5 + edge 2 + 12 in the panel's window.
    SendMessageW(panel->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(16 + 3, 19 + 7));
    SendMessageW(panel->GetHandle(), WM_RBUTTONUP, 0, MAKELPARAM(150, 80));
    EXPECT_EQ(log, (std::vector<std::string>{"mouse 2 3 7 1", "mouse 1 150 80 5"}));
}

TEST_F(NativeWindowTest, KeysArriveAsTheProgramsCodes) {
    CreateAndShow();
    window->KeyCallback() = LogKey;
    HWND handle = window->GetHandle();
    SendMessageW(handle, WM_KEYDOWN, VK_RETURN, 1);
    SendMessageW(handle, WM_KEYUP, VK_RETURN, 1 | 1 << 24);
    SendMessageW(handle, WM_SYSKEYDOWN, 'A', 1);
    EXPECT_EQ(log, (std::vector<std::string>{"key 13 down", "key 108 up", "key 65 down"}));

    log.clear();
    window->KeyCallback() = [](Window*, int32_t, bool) -> int32_t { return 0; };
    SendMessageW(handle, WM_KEYDOWN, 'B', 1); // not taken: the default processing
    EXPECT_TRUE(log.empty());
}

TEST_F(NativeWindowTest, TheMouseDeltaIsTheOffsetFromTheCentre) {
    CreateAndShow();
    RECT rect{};
    GetWindowRect(window->GetHandle(), &rect);
    POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(window->GetHandle(), &centre);
    int32_t x = centre.x;
    int32_t y = centre.y;
    EXPECT_TRUE(window->TakeMouseDelta(x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    x = centre.x + 5;
    y = centre.y - 3;
    EXPECT_TRUE(window->TakeMouseDelta(x, y));
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, -3);
}

TEST_F(NativeWindowTest, DestroyingUnbindsAndTheObjectCanBeCreatedAgain) {
    CreateAndShow();
    HWND first = window->GetHandle();
    window->Destroy();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(window->GetHandle(), nullptr);
    EXPECT_FALSE(window->IsCreated());
    PumpPending();
    ASSERT_TRUE(window->Create());
    EXPECT_NE(window->GetHandle(), nullptr);
    EXPECT_EQ(NativeWindow::FromHandle(window->GetHandle()), static_cast<NativeWindow*>(window.get()));
}

TEST_F(NativeWindowTest, ALockedWindowDoesNotPaint) {
    struct CountingLabel : Label {
        CountingLabel() : Label(0, 0, 50, 20, common::WideString("x"), kDockNone, true) {}
        bool Draw(DrawingContext* context, const Rect& bounds, const Rect& dirty, Rect* extent) override {
            ++draws;
            return Label::Draw(context, bounds, dirty, extent);
        }
        int draws = 0;
    };
    auto* label = new CountingLabel();
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(label)));
    CreateAndShow();
    const int before = label->draws;
    window->Lock(true);
    EXPECT_EQ(SendMessageW(window->GetHandle(), WM_PAINT, 0, 0), 0);
    EXPECT_EQ(label->draws, before);
    window->Lock(false);
    SendMessageW(window->GetHandle(), WM_PAINT, 0, 0);
    EXPECT_EQ(label->draws, before + 1);
}

TEST_F(NativeWindowTest, SystemColoursComeFromTheFrameWindow) {
    auto* label = new Label(0, 0, 10, 10, common::WideString("x"), kDockNone, true);
    ASSERT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(label)));
    EXPECT_EQ(label->GetSystemColour(1), Colour::FromColorRef(GetSysColor(COLOR_GRAYTEXT)));
    EXPECT_EQ(label->GetSystemColour(2), Colour::FromColorRef(GetSysColor(COLOR_BTNHIGHLIGHT)));
    EXPECT_EQ(window->GetSystemColour(9), Colour::Of(0xFF000000));
    Label orphan(0, 0, 10, 10, common::WideString("y"), kDockNone, true);
    EXPECT_EQ(orphan.GetSystemColour(1), Colour::Of(0xFF000000));
}

} // namespace
} // namespace gui::Windows::testing
