// Native menus kept in memory, installed for the life of the object: what the menu tree made of them can be read
// back, and any operation can be made to fail.
#pragma once

#include "gui/NativeMenus.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gui::testing {

class FakeNativeMenus : public NativeMenus {
public:
    struct Entry {
        std::string text; // narrowed
        bool enabled = true;
        bool checked = false;
        bool separator = false;
        MenuHandle submenu = nullptr;
    };
    struct Menu {
        bool bar = false;
        PopupMenu* data = nullptr;
        std::vector<Entry> entries;
    };

    FakeNativeMenus() { SetNativeMenus(this); }
    ~FakeNativeMenus() override { SetNativeMenus(nullptr); }

    MenuHandle CreateBar() override { return Make(true); }
    MenuHandle CreatePopup() override { return Make(false); }
    void DestroyMenu(MenuHandle menu) override {
        auto found = menus.find(menu);
        if (found == menus.end())
            return;
        std::vector<Entry> entries = std::move(found->second->entries);
        menus.erase(found);
        ++destroyed;
        for (const Entry& entry : entries)
            DestroyMenu(entry.submenu);
    }
    bool SetMenuData(MenuHandle menu, PopupMenu* popup) override {
        Menu* found = Find(menu);
        if (found == nullptr)
            return false;
        found->data = popup;
        return true;
    }
    bool AppendString(MenuHandle menu, const common::WideString& text) override {
        return Append(menu, Entry{text.GetNarrow()});
    }
    bool AppendPopup(MenuHandle menu, MenuHandle submenu, const common::WideString& text) override {
        return Append(menu, Entry{text.GetNarrow(), true, false, false, submenu});
    }
    bool AppendSeparator(MenuHandle menu) override { return Append(menu, Entry{"", true, false, true}); }
    void SetText(MenuHandle menu, int32_t position, const common::WideString& text) override {
        if (Entry* entry = At(menu, position))
            entry->text = text.GetNarrow();
    }
    void SetEnabled(MenuHandle menu, int32_t position, bool enabled) override {
        if (Entry* entry = At(menu, position))
            entry->enabled = enabled;
    }
    void SetChecked(MenuHandle menu, int32_t position, bool checked) override {
        if (Entry* entry = At(menu, position))
            entry->checked = checked;
    }
    void DeleteAt(MenuHandle menu, int32_t position) override {
        Menu* found = Find(menu);
        if (found == nullptr || At(menu, position) == nullptr)
            return;
        MenuHandle submenu = found->entries[static_cast<size_t>(position)].submenu;
        found->entries.erase(found->entries.begin() + position);
        DestroyMenu(submenu);
    }
    void RedrawBar(WindowHandle window) override {
        if (window != nullptr)
            ++redraws;
    }

    Menu* Find(MenuHandle menu) {
        auto found = menus.find(menu);
        return found != menus.end() ? found->second.get() : nullptr;
    }
    // The labels of a menu, a separator as "-".
    std::vector<std::string> Labels(MenuHandle menu) {
        std::vector<std::string> labels;
        if (Menu* found = Find(menu))
            for (const Entry& entry : found->entries)
                labels.push_back(entry.separator ? "-" : entry.text);
        return labels;
    }

    bool refuseCreate = false;
    bool refuseAppend = false;
    int redraws = 0;
    int destroyed = 0;

private:
    MenuHandle Make(bool bar) {
        if (refuseCreate)
            return nullptr;
        auto menu = std::make_unique<Menu>();
        menu->bar = bar;
        MenuHandle handle = menu.get();
        menus[handle] = std::move(menu);
        return handle;
    }
    bool Append(MenuHandle menu, Entry entry) {
        Menu* found = Find(menu);
        if (found == nullptr || refuseAppend)
            return false;
        found->entries.push_back(std::move(entry));
        return true;
    }
    Entry* At(MenuHandle menu, int32_t position) {
        Menu* found = Find(menu);
        if (found == nullptr || position < 0 || position >= static_cast<int32_t>(found->entries.size()))
            return nullptr;
        return &found->entries[static_cast<size_t>(position)];
    }

    std::map<MenuHandle, std::unique_ptr<Menu>> menus;
};

} // namespace gui::testing
