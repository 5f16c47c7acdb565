// Codes the machine passes down the device tree with Device::Notify.
#pragma once

#include <cstdint>

namespace emu::notification {

inline constexpr uint32_t kMemoryMapChanged = 0x02;
inline constexpr uint32_t kMediaChanged = 0x40;
// Parameters were applied while running: of a kind not named below, memory ranges, port ranges, flags or vector
// ranges, or all of them (after a removal).
inline constexpr uint32_t kParamsApplied = 0x80;
inline constexpr uint32_t kMemoryRangesApplied = 0x82;
inline constexpr uint32_t kPortRangesApplied = 0x84;
inline constexpr uint32_t kFlagsOrVectorsApplied = 0x88;
inline constexpr uint32_t kAllParamsApplied = 0x8E;
// A renderer was attached while running, or the renderer asked for the devices.
inline constexpr uint32_t kRendererChanged = 0x100;
inline constexpr uint32_t kStarted = 0x140;
inline constexpr uint32_t kMediaChangePending = 0x200;
inline constexpr uint32_t kStateLoaded = 0xFFFF;

} // namespace emu::notification
