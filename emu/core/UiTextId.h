// Ids of the UI texts (menu captions, option names, labels) that the machine, the core and the front end ask for by
// name: each is the number of a row in the front end's text tables.
#pragma once

#include <cstdint>

namespace emu::text {

enum UiTextId : int32_t {
    kLanguage = 0,
    // The About box: its labels and the project's credit, in the language of the table.
    kAuthor = 1,
    kVersion = 2,
    kCredit = 3,
    kAboutDots = 5,
    kEmulation = 6,
    kStart = 7,
    kStop = 8,
    kPause = 9,
    // The main menu's items and submenus.
    kSynchronization = 10,
    kFastInitialization = 11,
    kSaveState = 12,
    kLoadState = 13,
    kExit = 14,
    kComputer = 15,
    kDrives = 16,
    kVideo = 17,
    kSound = 18,
    kInput = 19,
    kDebug = 20,
    kView = 21,
    kSettings = 22,
    kHelp = 23,
    kMaximizeOnStartup = 24,
    kAutoStart = 25,
    kToolbar = 26,
    kEmulationScreen = 27,
    kConsoleWindow = 28,
    kCaptureMouse = 29,
    // A drive's submenu.
    kLoadFromFile = 30,
    kUnload = 31,
    kLatch = 32,
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
    // The state questions, also the state dialogs' titles, and the dialogs' buttons.
    kLoadStatePrompt = 72,
    kSaveStatePrompt = 73,
    kConfirmation = 74,
    kToMemory = 75,
    kToFile = 76,
    kCancel = 77,
    kFromMemory = 78,
    kFromFile = 79,
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
    kMountFromFolder = 122,
    kMountPrompt = 123,
    kFullscreen = 126,
    kAllowSeveralKeys = 127,
};

} // namespace emu::text
