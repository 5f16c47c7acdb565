// The program's own pictures: the toolbar's Start, Pause and Stop, and the twelve states of each drive indicator.
// Each is a complete 4-bit BMP file built into the program; every call decodes it anew and hands the image over.
#pragma once

#include "common/Image.h"

#include <cstdint>
#include <memory>

namespace emu {

// The drive pictures' face colour: transparent, so the indicator's button face shows through.
constexpr common::Colour kDrivePictureKey = 0xFFC4C6C4;
// The drive sets hold this many pictures; a higher index gives null.
constexpr uint32_t kDrivePictureCount = 12;

// Toolbar pictures, on a magenta background (no colour key); null when the data cannot be decoded.
std::unique_ptr<common::Image> LoadIndicatorImage(); // Start button picture
std::unique_ptr<common::Image> LoadPauseImage();
std::unique_ptr<common::Image> LoadStopImage();

// Drive indicator pictures, indexed as GetDriveImageIndex counts (0 to 11), keyed with kDrivePictureKey.
std::unique_ptr<common::Image> LoadIndexedIndicatorImage(uint32_t index);   // floppy set
std::unique_ptr<common::Image> LoadHardDiskIndicatorImage(uint32_t index);  // hard-disk set (also CD/DVD)
std::unique_ptr<common::Image> LoadCartridgeIndicatorImage(uint32_t index); // cartridge set

} // namespace emu
