#include "gui/NativeMenus.h"

namespace gui {

namespace {

// Where no native menus exist: nothing can be made, so every insertion fails cleanly.
class NoNativeMenus final : public NativeMenus {
public:
    MenuHandle CreateBar() override { return nullptr; }
    MenuHandle CreatePopup() override { return nullptr; }
    void DestroyMenu(MenuHandle) override {}
    bool SetMenuData(MenuHandle, PopupMenu*) override { return false; }
    bool AppendString(MenuHandle, const common::WideString&) override { return false; }
    bool AppendPopup(MenuHandle, MenuHandle, const common::WideString&) override { return false; }
    bool AppendSeparator(MenuHandle) override { return false; }
    void SetText(MenuHandle, int32_t, const common::WideString&) override {}
    void SetEnabled(MenuHandle, int32_t, bool) override {}
    void SetChecked(MenuHandle, int32_t, bool) override {}
    void DeleteAt(MenuHandle, int32_t) override {}
    void RedrawBar(WindowHandle) override {}
};

NoNativeMenus noNativeMenus;
NativeMenus* installed = &noNativeMenus;

} // namespace

NativeMenus& GetNativeMenus() {
    return *installed;
}

void SetNativeMenus(NativeMenus* menus) {
    installed = menus != nullptr ? menus : &noNativeMenus;
}

} // namespace gui
