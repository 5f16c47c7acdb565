#include "gui/MenuBar.h"

namespace gui {

WindowHandle MenuBar::GetWindowHandle() {
    return attachedWindow != nullptr ? attachedWindow : MenuItem::GetWindowHandle();
}

void MenuBar::Retranslate() {
    PopupMenu::Retranslate();
    if (redrawWindow != nullptr) {
        GetNativeMenus().RedrawBar(redrawWindow);
    }
}

MenuHandle MenuBar::GetHandle() {
    MenuHandle handle = GetNativeHandle();
    return Adopt(handle != nullptr ? handle : GetNativeMenus().CreateBar());
}

void MenuBar::Changed(int32_t changedPosition) {
    if (attachedWindow != nullptr) {
        GetNativeMenus().RedrawBar(attachedWindow);
    }
    PopupMenu::Changed(changedPosition);
}

bool MenuBar::AttachWindow(WindowHandle window) {
    attachedWindow = window;
    if (GetNativeHandle() != nullptr && window != nullptr) {
        GetNativeMenus().RedrawBar(window);
    }
    return true;
}

} // namespace gui
