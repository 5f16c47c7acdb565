// The two user settings of raster video devices, "RenderMode" and "AspectIndex", as a raster video device or the
// selector video device that holds them for its children registers, checks and offers them.
#pragma once

#include <cstdint>

namespace common {
class OptionNode;
class SettingsTree;
} // namespace common

namespace emu {

// "RenderMode": whole frames at frame end, or line by line as the lines' time comes.
inline constexpr int32_t kFrameRendering = 0;
inline constexpr int32_t kScanlineRendering = 1;
// "AspectIndex": 0 the device's default aspect, 1..5 the fixed ratios 4.0/3 .. 4.9/3.
inline constexpr int32_t kDefaultAspectIndex = 0;
inline constexpr int32_t kLastAspectIndex = 5;

// The shown width / height of a fixed aspect index; 0 for the default and for an index out of range.
float FixedAspectFactor(int32_t aspectIndex);
// Binds each setting given (non-null) in the section, unless the section already holds its key.
void BindVideoSettings(common::SettingsTree* settings, int32_t* renderMode, int32_t* aspectIndex);
// Puts out-of-range values back (render mode to scanline, aspect index to the default); false when any was.
bool ResetVideoSettings(int32_t& renderMode, int32_t& aspectIndex);
// The menu items of each setting given (non-null), locked while *running is set: "Frame Rendering" and "Scanline
// Rendering"; a separator and the submenu "Aspect Ratio" with "Default", a separator and the five ratios.
void AddVideoSettingsItems(common::OptionNode* item, int32_t* renderMode, int32_t* aspectIndex, bool* running);

} // namespace emu
