#include "FakeWindows.h"

#include "gui/FileDialogBase.h"
#include "gui/FolderDialogBase.h"
#include "gui/MessageBoxDialogBase.h"
#include "gui/UiText.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace gui::testing {
namespace {

// A dialog family's portable layer on a window without a native side. Its run records the owner and the path it
// would start on, and answers as told.
template <typename Family>
class FakeDialog : public FakeContainerWindow<TitledWindowBase>, public Family {
public:
    ~FakeDialog() override {
        MarkDestroying();
        ReleaseChildren();
    }
    bool IsWindowless() const override { return false; }
    bool OnCreate() override { return true; }
    bool Run(Window* owner) override {
        ++runs;
        runOwner = owner;
        if constexpr (requires { this->GetPath(); })
            startPath = this->GetPath().GetNarrow();
        this->EndModal(answer);
        return shows;
    }

    bool shows = true;
    int32_t answer = kAnswerOk;
    int runs = 0;
    Window* runOwner = nullptr;
    std::string startPath;
};

using FakeFileDialog = FakeDialog<FileDialogBase>;
using FakeFolderDialog = FakeDialog<FolderDialogBase>;
using FakeMessageBox = FakeDialog<MessageBoxDialogBase>;

Window* calledWith = nullptr;

void Remember(Window* dialog) {
    calledWith = dialog;
}

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

class FilterTextTest : public ::testing::Test {
protected:
    void SetUp() override { SetUiTextLookup(EnglishTexts); }
    void TearDown() override { SetUiTextLookup(nullptr); }
};

TEST_F(FilterTextTest, FiltersBecomeGroupedEntries) {
    struct Filter {
        const char* extension;
        const char* description;
    };
    const struct {
        const char* name;
        std::vector<Filter> filters;
        int32_t mode;
        const char* text;
    } cases[] = {
        {"no filters, open", {}, kOpenFile, "All Files (*.*)\n*.*\n"},
        {"no filters, save", {}, kSaveFile, "All Files (*.*)\n*.*\n"},
        {"save mode has no all-supported entry",
         {{"bin", "Programs"}, {"img", "Images"}},
         kSaveFile,
         "Programs (*.bin)\n*.bin\nImages (*.img)\n*.img\n"},
        {"adjacent equal descriptions share an entry",
         {{"bin", "Programs"}, {"img", "Images"}, {"bkd", "Images"}},
         kOpenFile,
         "All Supported Files\n*.bin;*.img;*.bkd\nPrograms (*.bin)\n*.bin\nImages (*.img,*.bkd)\n*.img;*.bkd\n"},
        {"a star keeps its separator in the all-supported patterns",
         {{"bin", "Programs"}, {"*", "Everything"}, {"img", "Images"}},
         kOpenFile,
         "All Supported Files\n*.bin;;*.img\nPrograms (*.bin)\n*.bin\nEverything (*.*)\n*.*\nImages (*.img)\n*.img\n"},
        {"a lone star leaves only all files", {{"*", "Everything"}}, kOpenFile, "All Files (*.*)\n*.*\n"},
        {"equal descriptions apart stay apart",
         {{"bin", "Programs"}, {"img", "Images"}, {"rom", "Programs"}},
         kSaveFile,
         "Programs (*.bin)\n*.bin\nImages (*.img)\n*.img\nPrograms (*.rom)\n*.rom\n"},
        {"descriptions compare case-sensitively",
         {{"bin", "Programs"}, {"rom", "programs"}},
         kSaveFile,
         "Programs (*.bin)\n*.bin\nprograms (*.rom)\n*.rom\n"},
        {"an empty description is the extension",
         {{"bin", ""}, {"", "Nothing"}},
         kOpenFile,
         "All Supported Files\n*.bin\nbin (*.bin)\n*.bin\n"},
    };
    for (const auto& testCase : cases) {
        FakeFileDialog dialog;
        dialog.SetMode(testCase.mode);
        for (const Filter& filter : testCase.filters)
            dialog.AddFilter(common::WideString(filter.extension), common::WideString(filter.description));
        EXPECT_STREQ(dialog.GetFilterText().GetNarrow(), testCase.text) << testCase.name;
    }
}

TEST_F(FilterTextTest, TheCatchAllEntriesComeInTheCurrentLanguage) {
    FakeFileDialog dialog;
    SetUiTextLookup([](int32_t id) { return common::WideString(id == kAllFilesTextId ? "Alle" : "Unterstuetzte"); });
    EXPECT_STREQ(dialog.GetFilterText().GetNarrow(), "Alle (*.*)\n*.*\n");
    dialog.AddFilter(common::WideString("bin"), common::WideString("BIN"));
    EXPECT_STREQ(dialog.GetFilterText().GetNarrow(), "Unterstuetzte\n*.bin\nBIN (*.bin)\n*.bin\n");
}

TEST(FileDialogTest, RunInFolderStartsOnTheFileWhenItExists) {
    test_support::TemporaryFolder folder;
    folder.WriteFile(u"game.bin", "x");
    common::WideString base(folder.PathOf(u"").c_str());
    FakeFileDialog dialog;
    FakeFrame owner(100, 100);

    EXPECT_TRUE(dialog.RunInFolder(&owner, base, common::WideString("game.bin")));
    EXPECT_EQ(dialog.runOwner, &owner);
    EXPECT_EQ(dialog.startPath, std::string(base.GetNarrow()) + "game.bin");

    EXPECT_TRUE(dialog.RunInFolder(&owner, base, common::WideString("missing.bin")));
    EXPECT_EQ(dialog.startPath, base.GetNarrow());

    // The name follows the folder as it is: no separator is put between them.
    const std::string withoutSeparator(base.GetNarrow(), base.Length() - 1);
    EXPECT_TRUE(
        dialog.RunInFolder(&owner, common::WideString(withoutSeparator.c_str()), common::WideString("game.bin")));
    EXPECT_EQ(dialog.startPath, withoutSeparator);
}

TEST(DialogTest, TheCallbackRunsOnlyForADialogThatWasShown) {
    FakeFrame owner(100, 100);
    FakeFileDialog dialog;

    calledWith = nullptr;
    EXPECT_FALSE(dialog.RunWithCallback(nullptr, Remember, true));
    EXPECT_FALSE(dialog.RunWithCallback(&owner, nullptr, true));
    EXPECT_FALSE(dialog.RunWithCallback(&owner, Remember, false));
    EXPECT_EQ(dialog.runs, 0);

    dialog.shows = false;
    EXPECT_FALSE(dialog.RunWithCallback(&owner, Remember, true));
    EXPECT_EQ(calledWith, nullptr);

    dialog.shows = true;
    dialog.answer = kAnswerCancel;
    EXPECT_TRUE(dialog.RunAtWithCallback(&owner, Remember, common::WideString("A:\\start.bin")));
    EXPECT_EQ(calledWith, static_cast<Window*>(&dialog));
    EXPECT_EQ(dialog.startPath, "A:\\start.bin");
    EXPECT_EQ(dialog.GetResult(), kAnswerCancel);

    // Through the plain dialog interface too.
    calledWith = nullptr;
    Dialog& plain = dialog;
    EXPECT_TRUE(plain.RunModal(&owner));
    EXPECT_TRUE(plain.RunWithCallback(&owner, Remember, true));
    EXPECT_EQ(dialog.runs, 4);
    EXPECT_EQ(calledWith, static_cast<Window*>(&dialog));
    EXPECT_EQ(plain.GetPlacement(), 1);
}

TEST(DialogTest, FolderAndMessageBoxRunsTakeTheirSettingsFirst) {
    FakeFrame owner(100, 100);
    FakeFolderDialog folder;
    EXPECT_TRUE(folder.RunAt(&owner, common::WideString("C:\\Games\\")));
    EXPECT_EQ(folder.startPath, "C:\\Games\\");
    EXPECT_TRUE(folder.RunAtWithCallback(&owner, Remember, common::WideString("D:\\")));
    EXPECT_EQ(folder.startPath, "D:\\");
    folder.SetPrompt(common::WideString("Pick"));
    EXPECT_STREQ(folder.GetPrompt().GetNarrow(), "Pick");

    FakeMessageBox box;
    MessageBoxDialog& asked = box; // Show names the window's Show as well
    box.answer = kAnswerNo;
    EXPECT_TRUE(asked.Show(&owner, common::WideString("Save?"), common::WideString("Confirmation")));
    EXPECT_STREQ(box.Text().GetNarrow(), "Save?");
    EXPECT_STREQ(box.GetTitle().GetNarrow(), "Confirmation");
    EXPECT_EQ(box.GetResult(), kAnswerNo);
    EXPECT_FALSE(box.IsErrorForm());

    calledWith = nullptr;
    EXPECT_TRUE(box.ShowWithCallback(&owner, Remember, common::WideString("Load?"), common::WideString("Question")));
    EXPECT_EQ(calledWith, static_cast<Window*>(&box));
    EXPECT_STREQ(box.Text().GetNarrow(), "Load?");

    box.answer = kAnswerOk;
    EXPECT_TRUE(box.ShowError(&owner, common::WideString("Bad file"), common::WideString("Error")));
    EXPECT_TRUE(box.IsErrorForm());
    EXPECT_STREQ(box.Text().GetNarrow(), "Bad file");
    EXPECT_EQ(box.runs, 3);
}

} // namespace
} // namespace gui::testing
