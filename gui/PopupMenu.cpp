#include "gui/PopupMenu.h"

#include "gui/UiText.h"

namespace gui {

PopupMenu::~PopupMenu() {
    while (!items.empty()) {
        items.pop_back();
    }
    if (GetParent() != nullptr) {
        GetParent()->Changed(GetPosition());
    } else if (handle != nullptr) {
        // A menu in no parent's entry is destroyed by nobody else.
        GetNativeMenus().DestroyMenu(handle);
    }
}

MenuItem* PopupMenu::ItemAt(int32_t index) {
    if (index < 0 || index >= ItemCount()) {
        return nullptr;
    }
    return items[static_cast<size_t>(index)].get();
}

void PopupMenu::Retranslate() {
    for (int32_t index = 0; index < ItemCount(); ++index) {
        items[static_cast<size_t>(index)]->Retranslate();
    }
    MenuItem::Retranslate();
}

MenuHandle PopupMenu::GetHandle() {
    return Adopt(handle != nullptr ? handle : GetNativeMenus().CreatePopup());
}

MenuHandle PopupMenu::Adopt(MenuHandle made) {
    if (made == nullptr) {
        return nullptr;
    }
    handle = made;
    if (!GetNativeMenus().SetMenuData(handle, this)) {
        return handle;
    }
    Update(true, true);
    return handle;
}

void PopupMenu::Changed(int32_t changedPosition) {
    if (GetParent() != nullptr) {
        GetParent()->Changed(changedPosition);
    }
}

template <typename Item>
Item* PopupMenu::Link(std::unique_ptr<Item> item) {
    Item* linked = item.get();
    items.push_back(std::move(item));
    linked->parent = this;
    linked->position = ItemCount() - 1;
    linked->itemId = 0;
    linked->enabled = true;
    return linked;
}

template <typename Item>
Item* PopupMenu::Finish(Item* item, bool inserted) {
    if (inserted) {
        item->Update(true, true);
        return item;
    }
    // It never reached the native menu: its destructor must not remove anything there.
    item->parent = nullptr;
    item->position = -1;
    items.pop_back();
    return nullptr;
}

MenuItem* PopupMenu::AddItem(const common::String& label, bool) {
    MenuItem* item = Link(std::make_unique<MenuItem>());
    item->text.Assign(label);
    return Finish(item, GetNativeMenus().AppendString(EnsureHandle(), item->text));
}

MenuItem* PopupMenu::AddItem(const common::String& label, bool flag, bool byte) {
    MenuItem* item = AddItem(label, flag);
    if (item != nullptr) {
        item->extraFlag1 = true;
        item->extraByte = byte;
    }
    return item;
}

MenuItem* PopupMenu::AddItemById(int32_t id) {
    MenuItem* item = AddItem(GetUiText(id), true);
    if (item != nullptr) {
        item->textId = id;
    }
    return item;
}

MenuItem* PopupMenu::AddItemByIdEx(int32_t id) {
    MenuItem* item = AddItem(GetUiText(id), true, false);
    if (item != nullptr) {
        item->textId = id;
    }
    return item;
}

PopupMenu* PopupMenu::AddSubmenu(const common::String& label, bool enabled, bool flag1, bool flag2) {
    PopupMenu* submenu = Link(std::make_unique<PopupMenu>());
    submenu->enabled = enabled;
    submenu->extraFlag1 = flag1;
    submenu->extraFlag2 = flag2;
    submenu->text.Assign(label);
    MenuHandle submenuHandle = submenu->GetHandle();
    return Finish(submenu, submenuHandle != nullptr &&
                               GetNativeMenus().AppendPopup(EnsureHandle(), submenuHandle, submenu->text));
}

PopupMenu* PopupMenu::AddSubmenuById(int32_t id) {
    PopupMenu* submenu = AddSubmenu(GetUiText(id), true, false, false);
    if (submenu != nullptr) {
        submenu->TextId() = id;
    }
    return submenu;
}

MenuItem* PopupMenu::AddSeparator(bool onlyIfNeeded) {
    if (onlyIfNeeded && (items.empty() || items.back()->separator)) {
        return nullptr;
    }
    MenuItem* separator = Link(std::make_unique<MenuItem>());
    separator->separator = true;
    return Finish(separator, GetNativeMenus().AppendSeparator(EnsureHandle()));
}

void PopupMenu::RemoveAt(int32_t index) {
    if (index < 0 || index >= ItemCount()) {
        return;
    }
    std::unique_ptr<MenuItem> removed = std::move(items[static_cast<size_t>(index)]);
    items.erase(items.begin() + index);
    removed.reset();
    for (size_t behind = static_cast<size_t>(index); behind < items.size(); ++behind) {
        items[behind]->position = static_cast<int32_t>(behind);
    }
    Changed(index);
}
void PopupMenu::Clear() {
    while (!items.empty()) {
        items.pop_back();
    }
    Changed(GetPosition());
}

void PopupMenu::RemoveByGroup(uintptr_t value, bool matching) {
    for (int32_t index = ItemCount() - 1; index >= 0; --index) {
        if ((items[static_cast<size_t>(index)]->userData == value) == matching) {
            RemoveAt(index);
        }
    }
    Changed(GetPosition());
}

} // namespace gui
