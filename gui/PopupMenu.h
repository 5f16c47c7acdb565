// A menu item that holds items and a native popup menu.
#pragma once

#include "gui/MenuItem.h"

#include <memory>
#include <vector>

namespace gui {

class PopupMenu : public MenuItem {
public:
    explicit PopupMenu(MenuHandle handle = nullptr) : handle(handle) {}
    // Deletes the items last first, so that every native position is still right when its item goes.
    ~PopupMenu() override;

    int32_t ItemCount() const override { return static_cast<int32_t>(items.size()); }
    // Null outside the list.
    MenuItem* ItemAt(int32_t index) override;
    void Retranslate() override;
    // Makes the native menu when there is none yet (null when it cannot be made).
    virtual MenuHandle GetHandle();
    // A change at a position, passed up to the bar, which redraws.
    virtual void Changed(int32_t changedPosition);

    MenuHandle EnsureHandle() { return handle != nullptr ? handle : GetHandle(); }
    // The native menu as it is, null before the first GetHandle.
    MenuHandle GetNativeHandle() const { return handle; }

    // Each returns the new object, or null (nothing changed) when the native menu refuses it.
    MenuItem* AddItem(const common::String& label, bool flag);
    MenuItem* AddItem(const common::String& label, bool flag, bool byte);
    MenuItem* AddItemById(int32_t id);
    MenuItem* AddItemByIdEx(int32_t id);
    PopupMenu* AddSubmenu(const common::String& label, bool enabled, bool flag1, bool flag2);
    PopupMenu* AddSubmenuById(int32_t id);
    // onlyIfNeeded: nothing (null) for an empty menu or after a separator.
    MenuItem* AddSeparator(bool onlyIfNeeded);

    // The items behind move up one position. Nothing for a position outside the list.
    void RemoveAt(int32_t index);
    void Clear();
    // Removes the items whose user data equals value (matching) or differs from it (not matching).
    void RemoveByGroup(uintptr_t value, bool matching);

protected:
    // Stores a newly made native menu and ties it to this object; the answer of GetHandle.
    MenuHandle Adopt(MenuHandle made);

private:
    // Appends the item and gives it its place, before its native entry is made.
    template <typename Item>
    Item* Link(std::unique_ptr<Item> item);
    // Ends an insertion: the item's state reaches its native entry, or, when the native menu refused it, the
    // item is taken out again and deleted (null).
    template <typename Item>
    Item* Finish(Item* item, bool inserted);

    std::vector<std::unique_ptr<MenuItem>> items;
    MenuHandle handle;
};

} // namespace gui
