// Facts about the host: processors, operating system, screen and physical memory.
#pragma once

#include <cstdint>

namespace common::platform {

// Operating-system family as the Windows version query names it; other hosts report Unknown.
enum class OsPlatform : uint32_t { Unknown = 0, Windows9x = 1, WindowsNt = 2 };

uint32_t ProcessorCount();

OsPlatform QueryOsPlatform();

// False when the host does not tell; the outputs are then untouched.
bool QueryOsVersion(uint32_t& major, uint32_t& minor);

// The primary screen in pixels; 0 x 0 when there is none the program can see.
void QueryScreenSize(uint32_t& width, uint32_t& height);

// Physical memory in bytes; false when the host does not tell.
bool QueryPhysicalMemory(uint64_t& totalBytes, uint64_t& availableBytes);

// The user's default language id (a Windows LANGID: primary language in the low 10 bits); hosts without one
// report US English, 0x0409.
uint16_t QueryUserLanguage();

} // namespace common::platform
