#include "emu/bk/SoundSettings.h"

#include "common/OptionNode.h"
#include "common/SettingsTree.h"

#include <array>

namespace emu {

namespace {

constexpr int32_t kDefaultRate = 48000;
constexpr std::array<int32_t, 3> kRates{44100, 22050, 16000};
// UI texts of the submenu: the switch, then the rates of "SoundFreq" 0..3.
constexpr int32_t kEnableSoundText = 69;
constexpr int32_t kFirstRateText = 84;

} // namespace

int32_t SoundFreqRate(int32_t soundFreq) {
    return soundFreq >= 1 && soundFreq <= 3 ? kRates[static_cast<size_t>(soundFreq - 1)] : kDefaultRate;
}

bool ResetSoundFreq(int32_t& soundFreq) {
    if (static_cast<uint32_t>(soundFreq) <= kRates.size()) {
        return true;
    }
    soundFreq = 0;
    return false;
}

void BindSoundSettings(common::SettingsTree* settings, bool* enableSound, int32_t* soundFreq) {
    if (settings == nullptr) {
        return;
    }
    settings->BindBool(common::NarrowString("EnableSound"), enableSound);
    if (common::BoundValue* value = settings->BindPlaceholder(common::NarrowString("SoundFreq"))) {
        value->Bind(soundFreq);
    }
}

common::OptionNode* AddSoundSubmenu(common::OptionNode* item, const common::String& name, bool* enableSound,
                                    int32_t* soundFreq, bool* running) {
    common::OptionNode* menu = item != nullptr ? item->AddItem(name) : nullptr;
    if (menu == nullptr) {
        return nullptr;
    }
    menu->AddCheckedLink(menu->AddToggleItemById(kEnableSoundText, enableSound, true, nullptr, true), true);
    menu->AddSeparator();
    for (int32_t value = 0; value <= static_cast<int32_t>(kRates.size()); ++value) {
        menu->AddRadioItemById(kFirstRateText + value, soundFreq, value, running, false);
    }
    return menu;
}

} // namespace emu
