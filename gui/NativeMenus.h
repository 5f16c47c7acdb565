// The few native menu operations the menu tree needs. Menus carry no command identifiers: each native menu holds
// its popup object and reports commands by item position. Positions name items within one native menu.
#pragma once

#include "common/WideString.h"

#include <cstdint>

namespace gui {

class PopupMenu;

using MenuHandle = void*;
using WindowHandle = void*;

class NativeMenus {
public:
    virtual ~NativeMenus() = default;

    // Null when no menu can be made; a bar falls back to a popup menu.
    virtual MenuHandle CreateBar() = 0;
    virtual MenuHandle CreatePopup() = 0;
    // For a menu this tree made: nothing when it is already gone.
    virtual void DestroyMenu(MenuHandle menu) = 0;
    // Reports by position and keeps the popup object as the menu's data.
    virtual bool SetMenuData(MenuHandle menu, PopupMenu* popup) = 0;

    // Each false (the menu unchanged) when the item cannot be added.
    virtual bool AppendString(MenuHandle menu, const common::WideString& text) = 0;
    virtual bool AppendPopup(MenuHandle menu, MenuHandle submenu, const common::WideString& text) = 0;
    virtual bool AppendSeparator(MenuHandle menu) = 0;

    // Relabelling keeps an entry's submenu. Positions outside the menu are ignored.
    virtual void SetText(MenuHandle menu, int32_t position, const common::WideString& text) = 0;
    virtual void SetEnabled(MenuHandle menu, int32_t position, bool enabled) = 0;
    virtual void SetChecked(MenuHandle menu, int32_t position, bool checked) = 0;
    // Deleting an entry that holds a submenu destroys the submenu too.
    virtual void DeleteAt(MenuHandle menu, int32_t position) = 0;

    // Redraws a window's menu bar; nothing for a null window.
    virtual void RedrawBar(WindowHandle window) = 0;
};

// The process's native menus; until one is installed, every menu creation fails.
NativeMenus& GetNativeMenus();
// Null goes back to the refusing default. The caller keeps ownership.
void SetNativeMenus(NativeMenus* menus);

} // namespace gui
