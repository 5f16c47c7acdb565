#include "gui/windows/Win32Menus.h"

#include "gui/windows/Win32.h"

namespace gui::Windows {

namespace {

HMENU MenuOf(MenuHandle menu) {
    return static_cast<HMENU>(menu);
}

const wchar_t* TextOf(const common::WideString& text) {
    return reinterpret_cast<const wchar_t*>(text.GetWide());
}

class Win32Menus final : public NativeMenus {
public:
    MenuHandle CreateBar() override {
        HMENU menu = CreateMenu();
        return menu != nullptr ? menu : CreatePopupMenu();
    }
    MenuHandle CreatePopup() override { return CreatePopupMenu(); }
    void DestroyMenu(MenuHandle menu) override {
        if (menu != nullptr && IsMenu(MenuOf(menu))) {
            ::DestroyMenu(MenuOf(menu));
        }
    }
    bool SetMenuData(MenuHandle menu, PopupMenu* popup) override {
        MENUINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = MIM_STYLE;
        if (!GetMenuInfo(MenuOf(menu), &info)) {
            return false;
        }
        info.dwStyle |= MNS_NOTIFYBYPOS;
        info.fMask = MIM_STYLE | MIM_MENUDATA;
        info.dwMenuData = reinterpret_cast<ULONG_PTR>(popup);
        return SetMenuInfo(MenuOf(menu), &info) != FALSE;
    }
    bool AppendString(MenuHandle menu, const common::WideString& text) override {
        return menu != nullptr && AppendMenuW(MenuOf(menu), MF_STRING, 0, TextOf(text)) != FALSE;
    }
    bool AppendPopup(MenuHandle menu, MenuHandle submenu, const common::WideString& text) override {
        return menu != nullptr &&
               AppendMenuW(MenuOf(menu), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), TextOf(text)) != FALSE;
    }
    bool AppendSeparator(MenuHandle menu) override {
        return menu != nullptr && AppendMenuW(MenuOf(menu), MF_SEPARATOR, 0, nullptr) != FALSE;
    }
    void SetText(MenuHandle menu, int32_t position, const common::WideString& text) override {
        // Only the string: an entry that holds a submenu keeps it.
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<wchar_t*>(TextOf(text));
        SetMenuItemInfoW(MenuOf(menu), static_cast<UINT>(position), TRUE, &info);
    }
    void SetEnabled(MenuHandle menu, int32_t position, bool enabled) override {
        EnableMenuItem(MenuOf(menu), static_cast<UINT>(position),
                       MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
    }
    void SetChecked(MenuHandle menu, int32_t position, bool checked) override {
        CheckMenuItem(MenuOf(menu), static_cast<UINT>(position), MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
    void DeleteAt(MenuHandle menu, int32_t position) override {
        DeleteMenu(MenuOf(menu), static_cast<UINT>(position), MF_BYPOSITION);
    }
    void RedrawBar(WindowHandle window) override {
        if (window != nullptr) {
            DrawMenuBar(static_cast<HWND>(window));
        }
    }
};

} // namespace

void UseWin32Menus() {
    static Win32Menus menus;
    SetNativeMenus(&menus);
}

} // namespace gui::Windows
