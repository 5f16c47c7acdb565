// The status line's text for a machine: its name, then in brackets its frequency text, the speed of the running
// loop and a warning while the screen waits for vertical sync.
#pragma once

#include "app/RunIds.h"

#include <cstdint>

namespace common {
class String;
class WideString;
} // namespace common

namespace emu {

struct StatusFigures {
    bool powered = false;
    // Percent of real time over the last second.
    int32_t speedPercent = 0;
    LoopMode runMode = LoopMode::None;
    // The loop's late-frame counters: the running one and the last second's.
    int32_t lateFrames = 0;
    int32_t lateFramesLastSecond = 0;
    bool vsyncWarning = false;
    // At a break or held by a pause: the machine runs at no speed.
    bool standing = false;
};

// "<name> (<frequency>, <speed label>=<speed>, VSYNC ON is Slower!)": a machine without a name shows "Unknown";
// a machine that is not powered shows no speed, one that stands a speed of 0; in the maximum-speed loop late frames
// take up to 25 off the speed.
// Nothing in brackets when there is nothing to put there. The text is wide: the label may be a translated one.
void FormatStatusText(common::WideString& out, const common::String& name, const common::String& frequencyText,
                      const common::String& speedLabel, const StatusFigures& figures);

} // namespace emu
