// The program's Windows media end to end: "OpenGL renderer" and "DirectSound" picked while no machine runs are
// stored, come back at the next start of the program, and a BK-0010.01 boots to BASIC on them. The screen is read
// from the renderer's own frame (BootTest reads what the display shows).
#include "FrontEndTestSupport.h"

#include "app/EmulatorCore.h"
#include "emu/devices/win32/OpenGLRenderer.h"
#include "support/BkScreenText.h"
#include "support/TemporaryFolder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace emu::testing {
namespace {

class MediaChoiceTest : public FrontEndTest {
protected:
    void SetUp() override {
        const std::filesystem::path configs = folder.Path() / "configs";
        std::filesystem::create_directories(configs);
        if (!test_support::CopyRealRoms(configs)) {
            GTEST_SKIP() << "BK_ROM_DIR is not set";
        }
        std::ifstream file(configs / "monit10.rom", std::ios::binary);
        monitor.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        ASSERT_EQ(monitor.size(), 020000u);
    }

    bool Checked(gui::PopupMenu* menu, const char* name) const {
        gui::MenuItem* item = ItemNamed(menu, name);
        if (item == nullptr) {
            return false;
        }
        item->UpdateAll();
        return item->IsChecked();
    }

    std::vector<uint8_t> monitor;
};

TEST_F(MediaChoiceTest, OpenGLAndDirectSoundChosenWhileStoppedAreStoredAndABk0010_01BootsOnThem) {
    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    EXPECT_TRUE(Checked(bar->videoMenu, "WinGDI renderer"));
    EXPECT_TRUE(Checked(bar->soundMenu, "WaveSound"));
    Choose(ItemNamed(bar->computerMenu, "BK-0010.01"));
    Choose(ItemNamed(bar->videoMenu, "OpenGL renderer"));
    Choose(ItemNamed(bar->soundMenu, "DirectSound"));
    EXPECT_TRUE(Checked(bar->videoMenu, "OpenGL renderer"));
    EXPECT_TRUE(Checked(bar->soundMenu, "DirectSound"));
    Finish();

    ASSERT_TRUE(Start(EmulatorConfig::MachineList()));
    EXPECT_TRUE(Checked(bar->videoMenu, "OpenGL renderer"));
    EXPECT_FALSE(Checked(bar->videoMenu, "WinGDI renderer"));
    EXPECT_TRUE(Checked(bar->soundMenu, "DirectSound"));
    ASSERT_NE(window->core, nullptr);
    const auto* renderer = dynamic_cast<const OpenGLRenderer*>(window->core->Renderer());
    ASSERT_NE(renderer, nullptr);
    ASSERT_NE(window->core->OutputSink(), nullptr);
    EXPECT_STREQ(window->core->OutputSink()->Name(), "DirectSound");

    Choose(bar->startItem);
    ASSERT_TRUE(window->core->IsPowered());
    const test_support::BkScreenText text(monitor);
    EXPECT_TRUE(PumpUntil([&] { return text.Shows(*window->core->Renderer(), "Ok"); }, 30000));
    EXPECT_TRUE(text.Shows(*window->core->Renderer(), "БЕЙСИК"));
    // Without an audio device DirectSound cannot open: the machine plays silently, said in one line. Where GL
    // cannot show its picture in the screen the renderer draws through GDI, said in one line too.
    std::vector<std::string> soundErrors;
    std::vector<std::string> rendererErrors;
    for (const std::string& line : app_test::TakeConsoleTexts(*window->core)) {
        if (line.find("[ERROR] Sound output \"DirectSound\" can not be opened") == 0) {
            soundErrors.push_back(line);
        } else if (line.find("[ERROR] Renderer \"OpenGL\" draws through GDI: ") == 0) {
            rendererErrors.push_back(line);
        } else {
            EXPECT_EQ(line.find("[ERROR]"), std::string::npos) << line;
        }
    }
    EXPECT_LE(soundErrors.size(), 1u);
    EXPECT_EQ(rendererErrors.size(), renderer->UsesGdiFallback() ? 1u : 0u);
    Choose(bar->stopItem);
    EXPECT_FALSE(window->core->IsPowered());
}

} // namespace
} // namespace emu::testing
