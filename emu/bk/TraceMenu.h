// The items the BK devices put into the debugger's trace-and-break menu: check items over their trace and break
// switches, and buttons that set a group of them.
#pragma once

#include <span>

namespace common {
class OptionNode;
} // namespace common

namespace emu {

// A switch of the menu and its caption.
struct TraceFlag {
    const char* text;
    bool* flag;
};

// A check item per switch below item, each making item show checked while it is checked.
void AddLinkedFlags(common::OptionNode* item, std::span<const TraceFlag> flags);
// A button that sets every switch to value.
void AddSetButton(common::OptionNode* item, const char* text, std::span<const TraceFlag> flags, bool value);
// A submenu below item, shown checked while any of its switches is (and making item show so): the switches, a
// separator, "Select All" and "Clear All".
void AddFlagSubmenu(common::OptionNode* item, const char* title, std::span<const TraceFlag> flags);

} // namespace emu
