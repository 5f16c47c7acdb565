#include "DialogDriver.h"
#include "WindowTestSupport.h"

#include "gui/UiText.h"
#include "gui/windows/FileDialog.h"
#include "gui/windows/FolderDialog.h"
#include "gui/windows/MessageBoxDialog.h"

#include "support/TemporaryFolder.h"

#include <dlgs.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace gui::Windows::testing {
namespace {

constexpr int kFileTypeBox = 0x470; // the file dialog's type box

common::WideString EnglishTexts(int32_t id) {
    switch (id) {
    case kAllFilesTextId:
        return common::WideString("All Files");
    case kAllSupportedFilesTextId:
        return common::WideString("All Supported Files");
    default:
        return common::WideString();
    }
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring Wide(const common::String& text) {
    return reinterpret_cast<const wchar_t*>(text.GetWide());
}

// The text of the file dialog's name box.
std::wstring FileNameOf(HWND dialog) {
    HWND box = GetDlgItem(dialog, cmb13);
    if (box == nullptr)
        box = GetDlgItem(dialog, edt1);
    return box != nullptr ? WindowText(box) : L"<none>";
}

// The owner at (100, 50), 800 x 600, shown; the shell's dialogs want COM on the thread.
class SystemDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        SetUiTextLookup(EnglishTexts);
        PumpPending();
        ASSERT_TRUE(owner.CreateOnInstance(GetModuleHandleW(nullptr)));
        owner.Show(true);
        PumpPending();
    }
    void TearDown() override {
        owner.Destroy();
        PumpPending();
        SetUiTextLookup(nullptr);
        CoUninitialize();
    }

    // Whether the rectangle's centre is the owner's, give or take a pixel of rounding.
    bool CentredOnOwner(const RECT& rect) {
        RECT ownerRect{};
        GetWindowRect(owner.GetHandle(), &ownerRect);
        return std::abs((rect.left + rect.right) / 2 - (ownerRect.left + ownerRect.right) / 2) <= 1 &&
               std::abs((rect.top + rect.bottom) / 2 - (ownerRect.top + ownerRect.bottom) / 2) <= 1;
    }

    TopLevelWindow owner{100, 50, 800, 600, 1};
    test_support::TemporaryFolder folder;
};

// A step that waits for the bound dialog to show and then posts a command to it.
DialogDriver::Step Command(ModalDialog& dialog, WPARAM command) {
    return [&dialog, command] {
        if (dialog.GetHandle() == nullptr || !IsWindowVisible(dialog.GetHandle()))
            return false;
        PostMessageW(dialog.GetHandle(), WM_COMMAND, command, 0);
        return true;
    };
}

TEST_F(SystemDialogTest, TheFileDialogShowsItsTitleAndFiltersOnItsOwnerAndCancelKeepsThePath) {
    OpenFileDialog dialog;
    dialog.SetTitle(common::WideString("Load image"));
    dialog.AddFilter(common::WideString("bin"), common::WideString("Programs"));
    dialog.AddFilter(common::WideString("img"), common::WideString("Images"));
    dialog.AddFilter(common::WideString("bkd"), common::WideString("Images"));
    const common::WideString start(folder.PathOf(u"").c_str());
    dialog.SetPath(start);
    std::wstring title;
    RECT placed{};
    Window* parent = nullptr;
    std::vector<std::wstring> types;
    DialogDriver driver;
    driver.Then([&] {
        HWND window = dialog.GetHandle();
        if (window == nullptr || !IsWindowVisible(window))
            return false;
        title = WindowText(window);
        GetWindowRect(window, &placed);
        parent = dialog.GetParent();
        HWND typeBox = GetDlgItem(window, kFileTypeBox);
        const auto count = SendMessageW(typeBox, CB_GETCOUNT, 0, 0);
        for (LRESULT index = 0; index < count; ++index) {
            wchar_t text[128] = {};
            SendMessageW(typeBox, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
            types.emplace_back(text);
        }
        return true;
    });
    driver.Then(Command(dialog, IDCANCEL));
    driver.Start();
    EXPECT_TRUE(dialog.Run(&owner));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(dialog.GetResult(), kAnswerCancel);
    EXPECT_EQ(Wide(dialog.GetPath()), Wide(start));
    EXPECT_EQ(title, L"Load image");
    EXPECT_TRUE(CentredOnOwner(placed)) << placed.left << "," << placed.top << " " << placed.right << ","
                                        << placed.bottom;
    EXPECT_EQ(parent, static_cast<Window*>(&owner));
    EXPECT_EQ(types, (std::vector<std::wstring>{L"All Supported Files", L"Programs (*.bin)", L"Images (*.img,*.bkd)"}));
    EXPECT_EQ(dialog.GetHandle(), nullptr) << "unbound after the run";
    EXPECT_FALSE(dialog.IsVisible(false));
}

TEST_F(SystemDialogTest, TheFileDialogStartsOnlyOnAFileThatExists) {
    const common::WideString image(folder.WriteFile(u"disk.img", std::string(512, '\0')).c_str());
    OpenFileDialog dialog;
    dialog.AddFilter(common::WideString("img"), common::WideString("Images"));
    const struct {
        std::u16string path;
        const wchar_t* name;
    } cases[] = {
        {folder.PathOf(u"disk.img"), L"disk.img"}, {folder.PathOf(u"missing.img"), L""}, {folder.PathOf(u""), L""}};
    for (const auto& testCase : cases) {
        dialog.SetPath(common::WideString(testCase.path.c_str()));
        std::wstring name = L"<not seen>";
        DialogDriver driver;
        driver.Then([&] {
            if (dialog.GetHandle() == nullptr || !IsWindowVisible(dialog.GetHandle()))
                return false;
            name = FileNameOf(dialog.GetHandle());
            return true;
        });
        driver.Then(Command(dialog, IDCANCEL));
        driver.Start();
        EXPECT_TRUE(dialog.Run(&owner));
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(name, testCase.name);
    }

    // Accepted twice: a second run binds the system's new window again.
    for (int run = 0; run < 2; ++run) {
        dialog.SetPath(image);
        DialogDriver driver;
        driver.Then(Command(dialog, IDOK));
        driver.Start();
        EXPECT_TRUE(dialog.Run(&owner)) << "run " << run;
        EXPECT_TRUE(driver.Finished()) << "run " << run;
        EXPECT_EQ(dialog.GetResult(), kAnswerOk) << "run " << run;
        EXPECT_EQ(_wcsicmp(Wide(dialog.GetPath()).c_str(), Wide(image).c_str()), 0) << "run " << run;
    }
}

TEST_F(SystemDialogTest, AFileDialogGivenASizeTakesIt) {
    OpenFileDialog dialog(720, 480);
    RECT placed{};
    DialogDriver driver;
    driver.Then([&] {
        if (dialog.GetHandle() == nullptr || !IsWindowVisible(dialog.GetHandle()))
            return false;
        GetWindowRect(dialog.GetHandle(), &placed);
        return true;
    });
    driver.Then(Command(dialog, IDCANCEL));
    driver.Start();
    EXPECT_TRUE(dialog.Run(&owner));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(placed.right - placed.left, 720);
    EXPECT_EQ(placed.bottom - placed.top, 480);
    EXPECT_TRUE(CentredOnOwner(placed));
}

TEST_F(SystemDialogTest, ASystemDialogThatCannotBeBoundIsCancelledAtOnce) {
    OpenFileDialog file;
    FolderDialog folderDialog;
    ModalDialog* dialogs[] = {&file, &folderDialog};
    for (ModalDialog* dialog : dialogs) {
        ASSERT_TRUE(dialog->AddChild(std::make_unique<RefusingControl>()));
        DialogDriver driver; // only the time-out: nothing should be left to end
        driver.Start();
        EXPECT_TRUE(dialog->RunModal(&owner));
        EXPECT_FALSE(driver.TimedOut());
        EXPECT_EQ(dialog->GetResult(), kAnswerCancel);
        EXPECT_EQ(dialog->GetHandle(), nullptr);
    }
}

TEST_F(SystemDialogTest, TheFolderDialogCancelsOrGivesTheFolderWithItsSeparator) {
    const std::wstring chosen = Wide(common::WideString(folder.PathOf(u"").c_str()));
    std::wstring withoutSeparator = chosen;
    while (!withoutSeparator.empty() && withoutSeparator.back() == L'\\')
        withoutSeparator.pop_back();

    FolderDialog dialog;
    dialog.SetTitle(common::WideString("Folder drive"));
    dialog.SetPrompt(common::WideString("Pick a folder"));
    dialog.SetPath(common::WideString(reinterpret_cast<const char16_t*>(withoutSeparator.c_str())));
    std::wstring title;
    RECT placed{};
    DialogDriver driver;
    driver.Then([&] {
        if (dialog.GetHandle() == nullptr || !IsWindowVisible(dialog.GetHandle()))
            return false;
        title = WindowText(dialog.GetHandle());
        GetWindowRect(dialog.GetHandle(), &placed);
        return true;
    });
    driver.Then(Command(dialog, IDCANCEL));
    driver.Start();
    EXPECT_TRUE(dialog.Run(&owner));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(dialog.GetResult(), kAnswerCancel);
    EXPECT_EQ(Wide(dialog.GetPath()), withoutSeparator);
    EXPECT_EQ(title, L"Folder drive");
    EXPECT_TRUE(CentredOnOwner(placed));

    DialogDriver accept;
    accept.Then(Command(dialog, IDOK));
    accept.Start();
    EXPECT_TRUE(dialog.Run(&owner));
    EXPECT_TRUE(accept.Finished());
    EXPECT_EQ(dialog.GetResult(), kAnswerOk);
    EXPECT_EQ(_wcsicmp(Wide(dialog.GetPath()).c_str(), (withoutSeparator + L"\\").c_str()), 0)
        << std::string(dialog.GetPath().GetNarrow());

    // A drive's root keeps its one separator.
    dialog.SetPath(common::WideString("C:\\"));
    DialogDriver root;
    root.Then(Command(dialog, IDOK));
    root.Start();
    EXPECT_TRUE(dialog.Run(&owner));
    EXPECT_TRUE(root.Finished());
    EXPECT_EQ(dialog.GetResult(), kAnswerOk);
    EXPECT_STREQ(dialog.GetPath().GetNarrow(), "C:\\");
}

TEST_F(SystemDialogTest, AFolderChoiceOutsideTheFileSystemIsACancel) {
    FolderDialog dialog;
    dialog.SetPath(common::WideString("C:\\"));
    PIDLIST_ABSOLUTE computer = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer)));
    DialogDriver driver;
    driver.Then([&] {
        if (dialog.GetHandle() == nullptr || !IsWindowVisible(dialog.GetHandle()))
            return false;
        SendMessageW(dialog.GetHandle(), BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(computer));
        return true;
    });
    driver.Then(Command(dialog, IDOK));
    driver.Start();
    EXPECT_TRUE(dialog.Run(&owner));
    EXPECT_TRUE(driver.Finished());
    CoTaskMemFree(computer);
    EXPECT_EQ(dialog.GetResult(), kAnswerCancel);
    EXPECT_STREQ(dialog.GetPath().GetNarrow(), "C:\\");
}

// Answers the message box with the caption through the button given, once it is up; records which buttons it has.
struct BoxAnswer {
    BoxAnswer(const wchar_t* caption, int button) : caption(caption), button(button) {}

    const wchar_t* caption;
    int button;
    std::vector<int> buttons;
    HWND boxOwner = nullptr;

    DialogDriver::Step Step() {
        return [this] {
            HWND box = FindWindowW(L"#32770", caption);
            if (box == nullptr || !IsWindowVisible(box))
                return false;
            for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
                if (GetDlgItem(box, id) != nullptr)
                    buttons.push_back(id);
            boxOwner = GetWindow(box, GW_OWNER);
            PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
            return true;
        };
    }
};

TEST_F(SystemDialogTest, TheMessageBoxAsksYesOrNo) {
    const struct {
        int32_t icon;
        int button;
        int32_t result;
    } cases[] = {{kQuestionIcon, IDYES, kAnswerOk}, {kInformationIcon, IDNO, kAnswerNo}, {3, IDYES, kAnswerOk}};
    for (const auto& testCase : cases) {
        MessageBoxDialog box;
        box.SetIcon(testCase.icon);
        BoxAnswer answer{L"Confirmation 22", testCase.button};
        DialogDriver driver;
        driver.Then(answer.Step());
        driver.Start();
        EXPECT_TRUE(
            box.Show(&owner, common::WideString("SAVE emulation state?"), common::WideString("Confirmation 22")));
        EXPECT_TRUE(driver.Finished()) << "icon " << testCase.icon;
        EXPECT_EQ(box.GetResult(), testCase.result) << "icon " << testCase.icon;
        EXPECT_EQ(answer.buttons, (std::vector<int>{IDYES, IDNO})) << "icon " << testCase.icon;
        EXPECT_EQ(answer.boxOwner, owner.GetHandle());
    }
}

TEST_F(SystemDialogTest, TheErrorFormIsConfirmedWithOk) {
    MessageBoxDialog box;
    box.SetIcon(kQuestionIcon);
    BoxAnswer answer{L"Load State 22", IDOK};
    DialogDriver driver;
    driver.Then(answer.Step());
    driver.Start();
    EXPECT_TRUE(box.ShowError(&owner, common::WideString("Error: the state file is damaged"),
                              common::WideString("Load State 22")));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(box.GetResult(), kAnswerOk);
    EXPECT_EQ(answer.buttons, std::vector<int>{IDOK});
}

TEST_F(SystemDialogTest, UnsuitableOwnersAndModesShowNothing) {
    TopLevelWindow notCreated(0, 0, 100, 100, 1);
    OpenFileDialog file;
    FolderDialog folderDialog;
    MessageBoxDialog box;
    for (Window* unsuitable : {static_cast<Window*>(nullptr), static_cast<Window*>(&notCreated)}) {
        file.ModalDialogBase::EndModal(4);
        folderDialog.ModalDialogBase::EndModal(4);
        box.ModalDialogBase::EndModal(4);
        EXPECT_FALSE(file.Run(unsuitable));
        EXPECT_FALSE(folderDialog.Run(unsuitable));
        EXPECT_FALSE(box.Show(unsuitable, common::WideString("text"), common::WideString("caption")));
        EXPECT_EQ(file.GetResult(), kNoAnswer);
        EXPECT_EQ(folderDialog.GetResult(), kNoAnswer);
        EXPECT_EQ(box.GetResult(), kNoAnswer);
    }
    for (int32_t mode : {-1, 2}) {
        file.SetMode(mode);
        file.ModalDialogBase::EndModal(4);
        EXPECT_FALSE(file.Run(&owner)) << "mode " << mode;
        EXPECT_EQ(file.GetResult(), kNoAnswer);
        EXPECT_FALSE(file.IsVisible(false));
    }
    // Nothing was left up.
    EXPECT_EQ(FindWindowW(L"#32770", nullptr), nullptr);
}

} // namespace
} // namespace gui::Windows::testing
