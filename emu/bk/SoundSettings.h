// The settings the speaker and the Covox share: "EnableSound", and "SoundFreq" choosing the rate of their output.
#pragma once

#include <cstdint>

namespace common {
class OptionNode;
class SettingsTree;
class String;
} // namespace common

namespace emu {

// 1 44100 Hz, 2 22050 Hz, 3 16000 Hz, any other value 48000 Hz.
int32_t SoundFreqRate(int32_t soundFreq);
// A "SoundFreq" out of 0..3 becomes 0 (false).
bool ResetSoundFreq(int32_t& soundFreq);
// Binds "EnableSound" and "SoundFreq", unless the settings already hold them.
void BindSoundSettings(common::SettingsTree* settings, bool* enableSound, int32_t* soundFreq);
// The device's submenu of the sound menu, titled with its name: "Enable Sound", which the submenu shows checked
// with, a separator and the four rates, fixed while *running. Null when the item takes no child.
common::OptionNode* AddSoundSubmenu(common::OptionNode* item, const common::String& name, bool* enableSound,
                                    int32_t* soundFreq, bool* running);

} // namespace emu
