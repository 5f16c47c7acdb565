#pragma once

#include "emu/devices/WaveOutDevice.h"
#include "emu/devices/WaveOutSoundOutput.h"

#include <memory>

namespace emu {

// A waveOut device of the Windows multimedia library: the default device (WAVE_MAPPER), mono PCM, its messages
// handed to the callback from winmm's thread.
std::unique_ptr<WaveOutDevice> MakeWinmmWaveOutDevice();

// The "WaveSound" output prototype over winmm.
std::unique_ptr<WaveOutSoundOutput> MakeWaveOutSoundOutput();

} // namespace emu
