// Ids of the UI texts (menu captions, option names, labels) that the machine, the core and the front end ask for by
// name: each is the number of a row in the front end's text tables.
#pragma once

#include <cstdint>

namespace emu::text {

enum UiTextId : int32_t {
    kLanguage = 0,
    kEmulation = 6,
    kStart = 7,
    kStop = 8,
    kPause = 9,
    kSyncFrequency = 33,
    // The five sync rates follow in a row, from the fastest emulation.
    kFirstSyncRate = 34,
    kIgnoreEqualConsoleStrings = 39,
    kFrameRendering = 40,
    kScanlineRendering = 41,
    kAspectRatio = 42,
    kDefaultAspect = 43,
    kStretchToWindow = 44,
    // "Enable Channel 0" to "Enable Channel 4" follow in a row.
    kEnableChannel0 = 64,
    kEnableSound = 69,
    kEnableNoise = 70,
    kYamahaMode = 71,
    kRenderer = 83,
    // The sound rates of "SoundFreq" 0 to 3, in a row.
    kRate48000 = 84,
    kRate44100 = 85,
    kRate22050 = 86,
    kRate16000 = 87,
    kSpeed = 88,
    kReleaseMouseHint = 89,
    kAlternateColors = 92,
    kScreenBlackWhite = 93,
    kScreenHalftone = 94,
    kScreenColour = 95,
    kAllowJoystickOnNumpad = 96,
    kNormalize = 97,
    kChipFrequency = 98,
    kNumpadUsage = 99,
    kNumpadDefault = 100,
    kNumpadAsMouse = 101,
    kAllowSeveralKeys = 127,
};

} // namespace emu::text
