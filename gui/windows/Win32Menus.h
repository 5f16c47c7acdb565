// Native menus through the Win32 menu functions.
#pragma once

#include "gui/NativeMenus.h"

namespace gui::Windows {

// Installs the Win32 menus as the process's native menus; top-level windows do it when they are made.
void UseWin32Menus();

} // namespace gui::Windows
