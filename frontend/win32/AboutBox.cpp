#include "frontend/win32/AboutBox.h"

#include "app/EmulatorCore.h"
#include "common/SystemUtilities.h"
#include "common/TextTable.h"
#include "frontend/AboutText.h"
#include "frontend/win32/MainWindow.h"
#include "gui/MenuItem.h"
#include "gui/Units.h"
#include "gui/windows/BorderedPanel.h"
#include "gui/windows/Button.h"
#include "gui/windows/Label.h"
#include "gui/windows/ModalDialog.h"

#include <memory>

namespace emu {
namespace {

constexpr int32_t kAboutTitle = 4;
constexpr common::Colour kTitleColour = 0xFF800000;
constexpr common::Colour kTextColour = 0xFF000080;

bool HighDpi() {
    const gui::Dpi& dpi = gui::ProcessDpi();
    return dpi.IsFixed() && dpi.LayoutX() > 130;
}

std::unique_ptr<gui::Windows::Label> TextLine(const common::WideString& text) {
    auto label = std::make_unique<gui::Windows::Label>(0, 0, 0, 28, text, gui::kDockTop, true);
    label->GetFont()->SetFaceSizeColour(gui::kMicrosoftSansSerif, AboutTextSize(HighDpi()),
                                        gui::Colour::Of(kTextColour));
    return label;
}

} // namespace

bool ShowAboutBox(gui::MenuItem* item, int32_t, int32_t kind, int32_t) {
    if (kind == gui::kMenuUpdate) {
        return true;
    }
    if (kind != gui::kMenuCommand || item == nullptr) {
        return false;
    }
    MainWindow* window = MainWindow::Of(item);
    if (window == nullptr) {
        return false;
    }
    gui::Windows::ModalDialog dialog(392, 236);
    dialog.SetTitle(common::GetText(kAboutTitle, u"About"));
    dialog.SetMargins(gui::Margins{3, 3, 3, 3});
    if (auto* titlePanel = gui::AddOwned(
            dialog, std::make_unique<gui::Windows::BorderedPanel>(2, 3, 307, 52, gui::kDockTop, 0, true))) {
        auto title = std::make_unique<gui::Windows::Label>(0, 0, 0, 0, common::WideString(window->title.View().data()),
                                                           gui::kDockFill, true);
        title->GetFont()->SetFaceSizeColour(
            gui::kArial, AboutTitleSize(static_cast<int32_t>(window->title.View().size()), HighDpi()),
            gui::Colour::Of(kTitleColour));
        title->GetFont()->SetBoldItalic(true, false);
        gui::AddOwned(*titlePanel, std::move(title));
    }
    if (auto* textPanel = gui::AddOwned(
            dialog, std::make_unique<gui::Windows::BorderedPanel>(0, 10, 0, 92, gui::kDockTop, 3, true))) {
        common::NarrowString build;
        common::GetBuildString(build);
        gui::AddOwned(*textPanel, TextLine(AboutCreditLine(0)));
        gui::AddOwned(*textPanel, TextLine(AboutVersionLine(build)));
        gui::AddOwned(*textPanel, TextLine(AboutCreditLine(1)));
    }
    gui::AddOwned(dialog,
                  std::make_unique<gui::Windows::Button>(gui::Bounds{0, 0, 100, 34}, common::WideString("OK"),
                                                         gui::kConfirmButton, gui::kDockBottom, true, gui::kPixels));

    EmulatorCore* core = window->core != nullptr && window->core->IsThreadActive() ? window->core : nullptr;
    const bool pause = core != nullptr && core->IsPowered() && !core->IsBreakPending();
    if (pause) {
        core->Pause(false);
    }
    dialog.RunModal(window);
    if (pause && core->IsPowered() && core->IsBreakPending()) {
        core->Resume();
    }
    if (core != nullptr) {
        window->RepaintScreen();
    }
    return true;
}

} // namespace emu
