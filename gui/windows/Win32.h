// The Windows headers as the toolkit includes them: the macros that clash with the toolkit's member names go.
#pragma once

#include <windows.h>

#include <commctrl.h>

#undef DrawText
#undef FillMemory
