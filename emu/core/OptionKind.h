// The kinds of option tree a device fills in FillSettingsTree. The core hands seven of them out as menus
// (EmulatorCore::GetParam); the rest are groups it files into those menus.
#pragma once

#include <cstdint>

namespace emu {

enum class OptionKind : int32_t {
    // No tree: a selector without a menu of its own.
    None = 0,
    // The Computer menu.
    Computer = 1,
    // Filed into the Computer menu last, after the sync frequency.
    ComputerLast = 2,
    // The Video menu, the machine's stretch toggle included.
    Video = 3,
    Sound = 4,
    Input = 5,
    // The break switches, filed into the Debug menu after the trace switches.
    Break = 6,
    // The Debug menu: each device's trace and break switches in a sub-item of its own.
    Trace = 7,
    // What a device adds to its parent's item of the trace tree, beside its own sub-item.
    TraceOuter = 8,
    // Filed into the Debug menu last.
    DebugLast = 9,
    Settings = 10,
    Drives = 11,
};

} // namespace emu
