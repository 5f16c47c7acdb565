#include "DialogDriver.h"
#include "WindowTestSupport.h"

#include "gui/windows/Button.h"
#include "gui/windows/ModalDialog.h"

#include <string>

namespace gui::Windows::testing {
namespace {

constexpr uint32_t kLabelInk = 0x00FF0000;

// The owner at (100, 50), 800 x 600, shown; each test runs its dialogs on it.
class ModalDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        PumpPending();
        ASSERT_TRUE(owner.CreateOnInstance(GetModuleHandleW(nullptr)));
        owner.Show(true);
        PumpPending();
    }
    void TearDown() override {
        owner.Destroy();
        PumpPending();
    }

    // Runs the dialog with the driver's steps; true when it was shown.
    bool Run(ModalDialog& dialog, DialogDriver& driver, Window* runOwner = nullptr) {
        driver.Start();
        const bool shown = dialog.RunModal(runOwner != nullptr ? runOwner : &owner);
        EXPECT_TRUE(driver.Finished()) << "the dialog was not driven to its end in time";
        return shown;
    }

    TopLevelWindow owner{100, 50, 800, 600, 1};
};

// A step that posts a message to the dialog once it is up.
DialogDriver::Step PostToDialog(ModalDialog& dialog, UINT message, WPARAM wParam) {
    return [&dialog, message, wParam] {
        if (dialog.GetHandle() == nullptr || !IsWindowVisible(dialog.GetHandle()))
            return false;
        PostMessageW(dialog.GetHandle(), message, wParam, 0);
        return true;
    };
}

TEST_F(ModalDialogTest, KeysTheCloseBoxAndEndModalAnswer) {
    ModalDialog dialog(392, 236);
    dialog.SetTitle(common::WideString("Keys"));
    const struct {
        const char* name;
        UINT message;
        WPARAM wParam;
        int32_t result;
    } cases[] = {
        {"Esc", WM_KEYDOWN, VK_ESCAPE, kAnswerCancel},
        {"Enter", WM_KEYDOWN, VK_RETURN, kAnswerOk},
        {"the close box", WM_SYSCOMMAND, SC_CLOSE, kAnswerCancel},
    };
    // One object, run again and again.
    for (const auto& testCase : cases) {
        DialogDriver driver;
        driver.Then(PostToDialog(dialog, testCase.message, testCase.wParam));
        EXPECT_TRUE(Run(dialog, driver)) << testCase.name;
        EXPECT_EQ(dialog.GetResult(), testCase.result) << testCase.name;
        EXPECT_EQ(dialog.GetHandle(), nullptr) << testCase.name;
        EXPECT_FALSE(dialog.IsCreated()) << testCase.name;
    }

    DialogDriver driver;
    driver.Then([&dialog] { return dialog.GetHandle() != nullptr && dialog.EndModal(5); });
    EXPECT_TRUE(Run(dialog, driver));
    EXPECT_EQ(dialog.GetResult(), 5);

    // Destroyed while it runs: ended, with no answer.
    DialogDriver destroying;
    destroying.Then([&dialog] {
        if (dialog.GetHandle() == nullptr)
            return false;
        dialog.Destroy();
        return true;
    });
    EXPECT_TRUE(Run(dialog, destroying));
    EXPECT_EQ(dialog.GetResult(), kNoAnswer);
    EXPECT_EQ(dialog.GetHandle(), nullptr);
}

TEST_F(ModalDialogTest, ButtonsEndTheDialogWithTheirKind) {
    const struct {
        int32_t kind;
        int32_t result;
    } cases[] = {{kConfirmButton, kAnswerOk}, {kCancelButton, kAnswerCancel}, {kResultButton, 7}};
    for (const auto& testCase : cases) {
        ModalDialog dialog(300, 200);
        auto* button =
            new Button(Bounds{20, 20, 80, 30}, common::WideString("Go"), testCase.kind, kDockNone, true, kPixels);
        button->Result() = 7;
        ASSERT_TRUE(dialog.AddChild(std::unique_ptr<gui::Control>(button)));
        bool inside = false;
        DialogDriver driver;
        driver.Then([&] {
            if (button->GetHandle() == nullptr)
                return false;
            inside = IsChild(dialog.GetHandle(), button->GetHandle()) != FALSE;
            SendMessageW(button->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            SendMessageW(button->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            return true;
        });
        EXPECT_TRUE(Run(dialog, driver)) << "kind " << testCase.kind;
        EXPECT_TRUE(inside) << "kind " << testCase.kind;
        EXPECT_EQ(dialog.GetResult(), testCase.result) << "kind " << testCase.kind;
        EXPECT_FALSE(button->IsCreated()) << "the children go with the window";
    }
}

TEST_F(ModalDialogTest, ANestedRunIsRefusedAndTheAnswerKept) {
    ModalDialog dialog(200, 100);
    bool nested = true;
    int32_t resultAfterNested = 0;
    DialogDriver driver;
    driver.Then([&] {
        if (dialog.GetHandle() == nullptr)
            return false;
        dialog.ModalDialogBase::EndModal(9); // an answer stored, the dialog still up
        nested = dialog.RunModal(&owner);
        resultAfterNested = dialog.GetResult();
        return true;
    });
    driver.Then(PostToDialog(dialog, WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(Run(dialog, driver));
    EXPECT_FALSE(nested);
    EXPECT_EQ(resultAfterNested, 9);
    EXPECT_EQ(dialog.GetResult(), kAnswerCancel);
}

TEST_F(ModalDialogTest, ACentredDialogLandsOnItsOwnerWhichItHasOnlyWhileRunning) {
    ModalDialog dialog(392, 236);
    EXPECT_EQ(dialog.GetParent(), nullptr);
    RECT placed{};
    Window* parent = nullptr;
    bool visible = false;
    bool ownerEnabled = true;
    DialogDriver driver;
    driver.Then([&] {
        if (dialog.GetHandle() == nullptr)
            return false;
        GetWindowRect(dialog.GetHandle(), &placed);
        parent = dialog.GetParent();
        visible = dialog.IsVisible(false);
        ownerEnabled = IsWindowEnabled(owner.GetHandle()) != FALSE;
        return true;
    });
    driver.Then(PostToDialog(dialog, WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(Run(dialog, driver));
    EXPECT_EQ(placed.left, 304);
    EXPECT_EQ(placed.top, 232);
    EXPECT_EQ(placed.right - placed.left, 392);
    EXPECT_EQ(placed.bottom - placed.top, 236);
    EXPECT_EQ(parent, static_cast<Window*>(&owner));
    EXPECT_TRUE(visible);
    EXPECT_FALSE(ownerEnabled) << "the system disables the owner meanwhile";
    EXPECT_EQ(dialog.GetParent(), nullptr);
    EXPECT_FALSE(dialog.IsVisible(false));
    EXPECT_TRUE(IsWindowEnabled(owner.GetHandle()));
    EXPECT_EQ(BoundsOf(dialog), (Bounds{304, 232, 392, 236})) << "the place it had is kept";
}

TEST_F(ModalDialogTest, OtherPlacementsKeepTheScreenPositionAndChildOwnersCentreOnTheirRectangle) {
    ModalDialog kept(150, 120, 200, 100, 0);
    RECT placed{};
    DialogDriver driver;
    driver.Then([&] {
        if (kept.GetHandle() == nullptr)
            return false;
        GetWindowRect(kept.GetHandle(), &placed);
        return true;
    });
    driver.Then(PostToDialog(kept, WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(Run(kept, driver));
    EXPECT_EQ(placed.left, 150);
    EXPECT_EQ(placed.top, 120);

    auto* button = new Button(Bounds{10, 20, 100, 40}, common::WideString("B"), kPlainButton, kDockNone, true, kPixels);
    ASSERT_TRUE(owner.AddChild(std::unique_ptr<gui::Control>(button)));
    RECT buttonRect{};
    GetWindowRect(button->GetHandle(), &buttonRect);
    ModalDialog centred(60, 30);
    DialogDriver second;
    second.Then([&] {
        if (centred.GetHandle() == nullptr)
            return false;
        GetWindowRect(centred.GetHandle(), &placed);
        return true;
    });
    second.Then(PostToDialog(centred, WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(Run(centred, second, button));
    EXPECT_EQ(placed.left, buttonRect.left + 20);
    EXPECT_EQ(placed.top, buttonRect.top + 5);
}

TEST_F(ModalDialogTest, UnsuitableOwnersShowNothing) {
    ModalDialog dialog(200, 100);
    DialogDriver driver;
    driver.Then(PostToDialog(dialog, WM_KEYDOWN, VK_ESCAPE));
    ASSERT_TRUE(Run(dialog, driver));
    ASSERT_EQ(dialog.GetResult(), kAnswerCancel);

    TopLevelWindow notCreated(0, 0, 100, 100, 1);
    auto* label = new Label(0, 0, 50, 20, common::WideString("label"), kDockNone, true);
    ASSERT_TRUE(owner.AddChild(std::unique_ptr<gui::Control>(label)));
    Window* owners[] = {nullptr, &notCreated, label};
    for (Window* unsuitable : owners) {
        EXPECT_FALSE(dialog.RunModal(unsuitable));
        EXPECT_EQ(dialog.GetResult(), kNoAnswer);
        EXPECT_EQ(dialog.GetHandle(), nullptr);
        EXPECT_FALSE(dialog.IsVisible(false));
        dialog.ModalDialogBase::EndModal(4);
    }
}

TEST_F(ModalDialogTest, ADialogThatCannotBeBoundEndsAtOnceUnshown) {
    ModalDialog dialog(200, 100);
    ASSERT_TRUE(dialog.AddChild(std::make_unique<RefusingControl>()));
    DialogDriver driver; // only the time-out: nothing should be left to end
    driver.Start();
    EXPECT_FALSE(dialog.RunModal(&owner));
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_EQ(dialog.GetResult(), kNoAnswer);
    EXPECT_EQ(dialog.GetHandle(), nullptr);
    EXPECT_FALSE(dialog.IsCreated());
}

int ticks = 0;

void CountTick(Window*, uintptr_t) {
    ++ticks;
}

TEST_F(ModalDialogTest, TheOwnersTimersAndAWindowlessLabelGoOnInsideTheRun) {
    ticks = 0;
    ASSERT_TRUE(owner.AddTimerTask(5, CountTick, 0));
    ASSERT_TRUE(owner.StartTimers(true));
    ModalDialog dialog(300, 150);
    dialog.SetTitle(common::WideString("Painted"));
    auto* label = new Label(10, 10, 200, 30, common::WideString("WWWWWWWW"), kDockNone, true);
    label->GetFont()->SetFaceSizeColour(kArial, 12, Colour::Of(0xFF000000 | kLabelInk));
    ASSERT_TRUE(dialog.AddChild(std::unique_ptr<gui::Control>(label)));
    int inked = 0;
    std::wstring title;
    DialogDriver driver;
    driver.Then([&] {
        if (dialog.GetHandle() == nullptr || ticks < 3)
            return false;
        RedrawWindow(dialog.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        Capture capture(dialog.GetHandle());
        inked = capture.Count(0, 0, capture.width - 1, capture.height - 1, kLabelInk);
        wchar_t text[32] = {};
        GetWindowTextW(dialog.GetHandle(), text, 32);
        title = text;
        return true;
    });
    driver.Then(PostToDialog(dialog, WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(Run(dialog, driver));
    EXPECT_GE(ticks, 3);
    EXPECT_GT(inked, 20) << "the label is painted and stays";
    EXPECT_EQ(title, L"Painted");
}

} // namespace
} // namespace gui::Windows::testing
