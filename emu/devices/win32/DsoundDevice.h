#pragma once

#include "emu/devices/DirectSoundDevice.h"
#include "emu/devices/DirectSoundOutput.h"

#include <memory>

namespace emu {

// A DirectSound device of the system's default audio device: no COM set-up is needed.
std::unique_ptr<DirectSoundDevice> MakeDsoundDevice();

// The "DirectSound" output prototype over dsound; the program sets its host window.
std::unique_ptr<DirectSoundOutput> MakeDirectSoundOutput();

} // namespace emu
