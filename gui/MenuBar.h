// The root of a menu tree, bound to the window that holds it. The titled window that holds the bar owns it.
#pragma once

#include "gui/PopupMenu.h"

namespace gui {

class MenuBar : public PopupMenu {
public:
    explicit MenuBar(Window* owner, MenuHandle handle = nullptr) : PopupMenu(handle), owner(owner) {}

    WindowHandle GetWindowHandle() override;
    Window* GetOwnerWindow() override { return owner; }
    void Retranslate() override;
    MenuHandle GetHandle() override;
    void Changed(int32_t changedPosition) override;

    // The window whose menu bar is redrawn after every change.
    bool AttachWindow(WindowHandle window);
    // The window whose menu bar is redrawn after relabelling.
    void SetRedrawWindow(WindowHandle window) { redrawWindow = window; }

private:
    WindowHandle attachedWindow = nullptr;
    Window* owner;
    WindowHandle redrawWindow = nullptr;
};

} // namespace gui
