// The Drives menu of the real models in process: one submenu per drive with its commands, rebuilt on a machine
// change, and the latch and unload commands working on the drive through the menu.
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "emu/core/DriveSlot.h"
#include "frontend/DriveCommands.h"
#include "gui/windows/DialogDriver.h"

#include <dlgs.h>

#include <string>
#include <vector>

namespace emu::testing {
namespace {

class DriveMenuTest : public FrontEndTest {
protected:
    gui::MenuItem* Find(gui::PopupMenu* popup, const char* text) const {
        for (int32_t i = 0; popup != nullptr && i < popup->ItemCount(); ++i) {
            gui::MenuItem* item = popup->ItemAt(i);
            if (item != nullptr && item->GetText().Compare(text) == 0) {
                return item;
            }
        }
        return nullptr;
    }
    gui::MenuItem* DriveItem(const char* drive, const char* command) const {
        return Find(static_cast<gui::PopupMenu*>(Find(bar->drivesMenu, drive)), command);
    }
    std::string DrivesDump() const { return DumpMenu(static_cast<HMENU>(bar->drivesMenu->GetHandle())); }
};

TEST_F(DriveMenuTest, EachModelGetsASubmenuPerDriveAndAMachineChangeRebuildsThem) {
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    ASSERT_NE(window->core, nullptr);
    const std::string cartridge = window->drivePanel != nullptr ? "Binary File 1" : "Cartridge 1";
    EXPECT_EQ(DrivesDump(), cartridge + "\n  Load From File\n  Unload (grey)\n  ----\n  Latch\n");

    Choose(Find(bar->computerMenu, "BK-0010 + FDD"));
    EXPECT_EQ(DrivesDump(), "Floppy Drive 1\n  Load From File\n  Unload (grey)\n  ----\n  Latch\n"
                            "Floppy Drive 2\n  Load From File\n  Unload (grey)\n  ----\n  Latch\n");
}

TEST_F(DriveMenuTest, LatchTwiceRestoresTheDriveAndUnloadEmptiesIt) {
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    Choose(Find(bar->computerMenu, "BK-0010 + FDD"));
    DriveSlot* slot = window->core->GetDrive(0);
    ASSERT_NE(slot, nullptr);
    const std::u16string image = folder.WriteFile(u"disk.img", std::string(819200, '\0'));
    ASSERT_TRUE(MountDriveImage(*window->core, 0, common::PathString(image.c_str()), false));
    window->RefreshFromCore(true);

    gui::MenuItem* latch = DriveItem("Floppy Drive 1", "Latch");
    gui::MenuItem* unload = DriveItem("Floppy Drive 1", "Unload");
    ASSERT_NE(latch, nullptr);
    ASSERT_NE(unload, nullptr);
    EXPECT_TRUE(unload->IsEnabled());
    const bool latched = slot->latched;
    Choose(latch);
    EXPECT_EQ(slot->latched, !latched);
    EXPECT_EQ(latch->IsChecked(), !latched);
    Choose(latch);
    EXPECT_EQ(slot->latched, latched);
    EXPECT_EQ(latch->IsChecked(), latched);

    Choose(unload);
    EXPECT_FALSE(slot->Image().IsOpen());
    EXPECT_FALSE(slot->latched);
    EXPECT_FALSE(unload->IsEnabled());
    EXPECT_FALSE(latch->IsChecked());
}

TEST_F(DriveMenuTest, LoadFromFileOffersTheDrivesTypesAndMountsTheChosenImageWhileTheMachineWaits) {
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    Choose(Find(bar->computerMenu, "BK-0010 + FDD"));
    DriveSlot* slot = window->core->GetDrive(0);
    ASSERT_NE(slot, nullptr);
    const std::u16string image = folder.WriteFile(u"disk.img", std::string(819200, '\0'));

    // Cancelled: nothing is mounted.
    gui::Windows::testing::DialogDriver cancel;
    cancel.Then(CancelFileDialog);
    cancel.Start();
    Choose(DriveItem("Floppy Drive 1", "Load From File"));
    ASSERT_TRUE(cancel.Finished());
    EXPECT_FALSE(slot->Image().IsOpen());

    std::vector<std::string> types;
    gui::Windows::testing::DialogDriver open;
    open.Then([&] {
        HWND dialog = FindFileDialog();
        if (dialog == nullptr) {
            return false;
        }
        HWND typeBox = GetDlgItem(dialog, cmb1);
        const LRESULT count = typeBox != nullptr ? SendMessageW(typeBox, CB_GETCOUNT, 0, 0) : 0;
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[128] = {};
            SendMessageW(typeBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            types.push_back(Utf8(text));
        }
        return OpenInFileDialog(image);
    });
    open.Start();
    Choose(DriveItem("Floppy Drive 1", "Load From File"));
    ASSERT_TRUE(open.Finished());
    EXPECT_EQ(types, (std::vector<std::string>{"All Supported Files", "Raw Disk Images (*.img)", "All Files (*.*)"}));
    ASSERT_TRUE(slot->Image().IsOpen());
    EXPECT_EQ(_wcsicmp(reinterpret_cast<const wchar_t*>(slot->ImagePath().GetWide()),
                       reinterpret_cast<const wchar_t*>(image.c_str())),
              0);
    EXPECT_TRUE(DriveItem("Floppy Drive 1", "Unload")->IsEnabled());
}

} // namespace
} // namespace emu::testing
