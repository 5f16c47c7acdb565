// One entry of a menu tree. Items carry plain-function callbacks; one dispatch walk serves a command (the user
// chose the item) and an update (refresh the item's enabled and checked state). An item's position is its index
// in its popup and its position in the popup's native menu.
#pragma once

#include "gui/NativeMenus.h"

#include "common/WideString.h"

#include <cstdint>

namespace gui {

class FrameWindow;
class PopupMenu;
class TitledWindow;
class Window;

enum MenuDispatchKind : int32_t { kMenuCommand = 0, kMenuUpdate = 1 };

class MenuItem {
public:
    using AnyCallback = bool (*)(MenuItem* item, int32_t position, int32_t kind, int32_t argument);
    using ItemCallback = bool (*)(MenuItem* item, int32_t position);

    MenuItem() = default;
    // Removes the item's native entry.
    virtual ~MenuItem();
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    // Pushes the enabled and checked state and (when text) the label to the native entry, then tells the bar.
    virtual void Update(bool state, bool text);
    virtual int32_t ItemCount() const { return 0; }
    virtual MenuItem* ItemAt(int32_t) { return nullptr; }
    // Updates the whole tree from its root.
    virtual void UpdateAll();
    virtual WindowHandle GetWindowHandle();
    virtual Window* GetOwnerWindow();
    // Takes the label of the text id in the current language, unless that is empty.
    virtual void Retranslate();

    void SetText(const common::String& newText);
    const common::WideString& GetText() const { return text; }
    // Walks from this object to the item at position (-1: this object itself, or for an update every leaf
    // below it), offering the call to each object's callbacks on the way; true when a callback took it.
    bool Dispatch(int32_t position, int32_t kind, int32_t argument);
    void OnMenuCommand(int32_t position);
    void TriggerItem(int32_t position);
    // The window that holds the menu bar, as its top-level or frame window; null without one.
    TitledWindow* GetTopLevelWindow();
    FrameWindow* GetFrameWindow();

    // The flags write through to the native entry.
    bool IsEnabled() const { return enabled; }
    void SetEnabled(bool value);
    bool IsChecked() const { return checked; }
    void SetChecked(bool value);
    bool IsSeparator() const { return separator; }
    PopupMenu* GetParent() const { return parent; }
    int32_t GetPosition() const { return position; }

    // Kept for the application; the toolkit does not act on them.
    bool& Visible() { return visible; }
    bool ExtraFlag1() const { return extraFlag1; }
    bool ExtraFlag2() const { return extraFlag2; }
    bool ExtraByte() const { return extraByte; }
    int32_t& UserValue() { return userValue; }
    // The key of PopupMenu::RemoveByGroup.
    uintptr_t& UserData() { return userData; }
    // -1 for a fixed label.
    int32_t& TextId() { return textId; }
    uint32_t GetItemId() const { return itemId; }

    AnyCallback& OnAny() { return anyCallback; }
    ItemCallback& OnCommand() { return commandCallback; }
    ItemCallback& OnUpdate() { return updateCallback; }

private:
    friend class PopupMenu;

    common::WideString text;
    uint32_t itemId = 0;
    bool enabled = true;
    bool checked = false;
    bool extraFlag1 = false;
    bool extraFlag2 = false;
    bool extraByte = false;
    bool visible = true;
    bool separator = false;
    PopupMenu* parent = nullptr;
    int32_t position = -1;
    int32_t userValue = -1;
    int32_t textId = -1;
    uintptr_t userData = 0;
    AnyCallback anyCallback = nullptr;
    ItemCallback commandCallback = nullptr;
    ItemCallback updateCallback = nullptr;
};

} // namespace gui
