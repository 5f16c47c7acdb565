#pragma once

#include "common/StringList.h"
#include "emu/core/Device.h"

#include <cstdint>

namespace emu {

// A device whose children are alternatives: only the selected one is enabled when it starts. The selection is the
// setting "SelectedIndex"; the menu of kind menuKind offers the choice while the device is stopped.
class DeviceSelector : public Device {
public:
    explicit DeviceSelector(const char* name = nullptr, const char* tag = nullptr,
                            OptionKind menuKind = OptionKind::None)
        : Device(name, tag), menuKind(menuKind) {}

    int32_t SelectedIndex() const { return selectedIndex; }
    void SetSelectedIndex(int32_t index) { selectedIndex = index; }
    // Enables the selected child and disables the others; false (all disabled) when the index names no child.
    bool SelectChild();
    // The menu title of alternative index, for an index that names a child; the child's name stands in for an
    // empty or missing title.
    void SetTitle(int32_t index, const common::String& text);

    // "SelectedIndex", unless the tree already holds the key, then the children's settings.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // A selection out of range goes back to 0 and fails the reset.
    bool Reset(bool enabledOnly) override;
    // Fails without starting anything when the selection is past the last child.
    bool Start(int32_t& rate) override;
    // The trace menu and the selector's own menu get one entry per alternative; the own menu also radio items
    // choosing it. Other kinds are filled as a plain node does.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool InlinesSettings() const override { return true; }
    // What the enabled child devices describe.
    bool DescribeState(common::List& lines, bool flag, int32_t value) override;

private:
    int32_t selectedIndex = 0;
    common::StringList titles;
    OptionKind menuKind;
};

} // namespace emu
