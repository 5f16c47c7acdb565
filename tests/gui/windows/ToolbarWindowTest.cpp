// The main window's shape: a top-docked panel of flat image buttons over a picture control that fills the rest.
#include "WindowTestSupport.h"

#include "gui/windows/BorderedPanel.h"
#include "gui/windows/Button.h"
#include "gui/windows/ImageIndicator.h"
#include "gui/windows/PictureControl.h"

#include <string>
#include <vector>

namespace gui::Windows::testing {
namespace {

constexpr common::Colour kButtonColours[] = {0xFFFF0000, 0xFF00FF00, 0xFFFF00FF};
constexpr uint32_t kScreenBlue = 0x0000FF;

std::vector<std::string> events;
int taskRuns = 0;

void Clicked(Control* button) {
    events.push_back("click " + std::to_string(dynamic_cast<Window*>(button)->UserData()));
}

int32_t Key(Window*, int32_t key, bool down) {
    events.push_back("key " + std::to_string(key) + (down ? " down" : " up"));
    return 1;
}

int32_t ScreenMouse(Window*, int32_t x, int32_t y, int32_t event) {
    events.push_back("screen " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(event));
    return 1;
}

bool PaintScreen(Window* picture, DrawingContext* context) {
    const Bounds bounds = BoundsOf(*picture);
    context->GetBrush()->SetSolidColour(Colour::Of(0xFF0000FF));
    return context->FillRectangle(0, 0, bounds.width - 1, bounds.height - 1);
}

void CountRun(Window*, uintptr_t) {
    ++taskRuns;
}

class ToolbarWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        events.clear();
        taskRuns = 0;
        // The real pointer out of the way: only the test's own mouse messages count.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        window = std::make_unique<TopLevelWindow>(20, 20, 640, 480, 1);
        window->KeyCallback() = Key;
        toolbar = new BorderedPanel(0, 0, 0, 32, kDockTop, kRaisedBorder, true);
        for (size_t i = 0; i < std::size(kButtonColours); ++i) {
            auto* button =
                new Button(Bounds{0, 0, 28, 0}, common::WideString(""), kPlainButton, kDockLeft, true, kPixels);
            button->SetFlat(true);
            button->SetFocusable(false);
            button->SetImage(MakeSquare(16, kButtonColours[i]));
            button->UserData() = i;
            button->ClickCallback() = Clicked;
            EXPECT_TRUE(toolbar->AddChild(std::unique_ptr<gui::Control>(button)));
            buttons.push_back(button);
        }
        indicator =
            new ImageIndicator(Bounds{0, 0, 9, 0}, kMillimetres, MakeSquare(16, 0xFF00FFFF), kDockLeftFitted, true);
        EXPECT_TRUE(toolbar->AddChild(std::unique_ptr<gui::Control>(indicator)));
        screen = new PictureControl(0, 0, 0, 0, kDockFill, true);
        screen->DrawCallback() = PaintScreen;
        screen->MouseCallback() = ScreenMouse;
        EXPECT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(toolbar)));
        EXPECT_TRUE(window->AddChild(std::unique_ptr<gui::Control>(screen)));
        EXPECT_TRUE(window->AddTimerTask(1, CountRun, 0));
        ASSERT_TRUE(window->CreateOnInstance(GetModuleHandleW(nullptr)));
        window->Show(true);
        PumpPending();
        events.clear();
    }
    void TearDown() override {
        window->Destroy();
        window.reset();
        PumpPending();
    }

    std::unique_ptr<TopLevelWindow> window;
    BorderedPanel* toolbar = nullptr;
    std::vector<Button*> buttons;
    ImageIndicator* indicator = nullptr;
    PictureControl* screen = nullptr;
};

TEST_F(ToolbarWindowTest, EveryControlIsInItsPlace) {
    int32_t clientX = 0;
    int32_t clientY = 0;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    ASSERT_TRUE(window->GetClientRect(clientX, clientY, clientWidth, clientHeight));
    const Bounds bar = BoundsOf(*toolbar);
    EXPECT_EQ(bar.x, 0);
    EXPECT_EQ(bar.y, 0);
    EXPECT_EQ(bar.width, clientWidth);
    EXPECT_EQ(bar.height, 32);
    for (size_t i = 0; i < buttons.size(); ++i) {
        const Bounds button = BoundsOf(*buttons[i]);
        EXPECT_EQ(button.x, static_cast<int32_t>(28 * i)) << "button " << i;
        EXPECT_EQ(button.y, 0);
        EXPECT_EQ(button.height, 28) << "inside the edge";
    }
    int32_t mmX = 9;
    int32_t mmY = 0;
    ConvertUnitsToPixels(mmX, mmY, kMillimetres);
    const Bounds fitted = BoundsOf(*indicator);
    EXPECT_EQ(fitted.x, 84);
    EXPECT_EQ(fitted.width, mmX) << "a fitted child keeps its constructed width";
    const Bounds picture = BoundsOf(*screen);
    EXPECT_EQ(picture.y, 32);
    EXPECT_EQ(picture.width, clientWidth);
    EXPECT_EQ(picture.height, clientHeight - 32);

    Capture capture(window->GetHandle());
    for (size_t i = 0; i < buttons.size(); ++i) {
        const uint32_t rgb = kButtonColours[i] & 0xFFFFFF;
        RECT box{};
        ASSERT_TRUE(capture.Find(rgb, box)) << "button " << i;
        // The image is centred in its button, which sits 2 pixels inside the toolbar's edge.
        EXPECT_EQ(box.left, static_cast<LONG>(2 + 28 * i + 6)) << "button " << i;
        EXPECT_EQ(box.top, 2 + 6) << "button " << i;
        EXPECT_EQ(box.right - box.left, 15);
    }
    RECT box{};
    ASSERT_TRUE(capture.Find(0x00FFFF, box));
    EXPECT_EQ(box.left, 2 + 84 + (mmX - 16) / 2);
    EXPECT_EQ(capture.Count(0, 32, clientWidth - 1, clientHeight - 1, kScreenBlue), clientWidth * (clientHeight - 32));
    EXPECT_EQ(capture.At(clientWidth - 10, 10), SystemRgb(COLOR_BTNFACE));
}

TEST_F(ToolbarWindowTest, KeysAndMiceReachTheirObjects) {
    SendMessageW(buttons[1]->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageW(buttons[1]->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    SendMessageW(screen->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 40));
    SendMessageW(window->GetHandle(), WM_KEYDOWN, 'Z', 1);
    SendMessageW(window->GetHandle(), WM_KEYUP, VK_RETURN, 1 | 1 << 24);
    EXPECT_EQ(events, (std::vector<std::string>{"click 1", "screen 30 40 6", "key 90 down", "key 108 up"}));
}

TEST_F(ToolbarWindowTest, TheTaskRunsAndFullScreenComesBack) {
    EXPECT_TRUE(PumpUntil([] { return taskRuns >= 10; }));
    const Bounds windowed = BoundsOf(*screen);

    ASSERT_TRUE(window->SetFullscreen(true, false));
    PumpPending();
    EXPECT_EQ(BoundsOf(*screen).width, GetSystemMetrics(SM_CXSCREEN) + 1) << "the screen fills the monitor";
    EXPECT_EQ(BoundsOf(*toolbar).width, GetSystemMetrics(SM_CXSCREEN) + 1);
    const int before = taskRuns;
    EXPECT_TRUE(PumpUntil([before] { return taskRuns > before; }));

    ASSERT_TRUE(window->SetFullscreen(false, false));
    PumpPending();
    EXPECT_EQ(BoundsOf(*screen).width, windowed.width);
    EXPECT_EQ(BoundsOf(*screen).height, windowed.height);
}

} // namespace
} // namespace gui::Windows::testing
