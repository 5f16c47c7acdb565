#include "emu/devices/VideoSettings.h"

#include "common/NarrowString.h"
#include "common/OptionNode.h"
#include "common/SettingsTree.h"
#include "emu/core/UiTextId.h"

#include <array>

namespace emu {

namespace {

struct FixedAspect {
    const char* caption;
    float factor;
};
constexpr std::array<FixedAspect, kLastAspectIndex> kFixedAspects{{
    {"4.0/3", 1.3333334F},
    {"4.3/3", 1.4333333F},
    {"4.5/3", 1.5F},
    {"4.7/3", 1.5666667F},
    {"4.9/3", 1.6333333F},
}};

void BindUnlessPresent(common::SettingsTree& settings, const char* key, int32_t* variable) {
    if (variable == nullptr) {
        return;
    }
    if (common::BoundValue* value = settings.BindPlaceholder(common::NarrowString(key))) {
        value->Bind(variable);
    }
}

} // namespace

float FixedAspectFactor(int32_t aspectIndex) {
    return aspectIndex >= 1 && aspectIndex <= kLastAspectIndex
               ? kFixedAspects[static_cast<size_t>(aspectIndex - 1)].factor
               : 0.0F;
}

void BindVideoSettings(common::SettingsTree* settings, int32_t* renderMode, int32_t* aspectIndex) {
    if (settings == nullptr) {
        return;
    }
    BindUnlessPresent(*settings, "RenderMode", renderMode);
    BindUnlessPresent(*settings, "AspectIndex", aspectIndex);
}

bool ResetVideoSettings(int32_t& renderMode, int32_t& aspectIndex) {
    bool inRange = true;
    if (static_cast<uint32_t>(renderMode) > static_cast<uint32_t>(kScanlineRendering)) {
        renderMode = kScanlineRendering;
        inRange = false;
    }
    if (static_cast<uint32_t>(aspectIndex) > static_cast<uint32_t>(kLastAspectIndex)) {
        aspectIndex = kDefaultAspectIndex;
        inRange = false;
    }
    return inRange;
}

void AddVideoSettingsItems(common::OptionNode* item, int32_t* renderMode, int32_t* aspectIndex, bool* running) {
    if (item == nullptr) {
        return;
    }
    if (renderMode != nullptr) {
        item->AddRadioItemById(text::kFrameRendering, renderMode, kFrameRendering, running, false);
        item->AddRadioItemById(text::kScanlineRendering, renderMode, kScanlineRendering, running, false);
    }
    if (aspectIndex == nullptr) {
        return;
    }
    item->AddSeparator();
    common::OptionNode* submenu = item->AddItemById(text::kAspectRatio);
    if (submenu == nullptr) {
        return;
    }
    submenu->AddRadioItemById(text::kDefaultAspect, aspectIndex, kDefaultAspectIndex, running, false);
    submenu->AddSeparator();
    for (int32_t index = 1; index <= kLastAspectIndex; ++index) {
        common::OptionNode* choice =
            submenu->AddRadioItem(common::NarrowString(kFixedAspects[static_cast<size_t>(index - 1)].caption),
                                  aspectIndex, index, running, false);
        submenu->AddCheckedLink(choice, true);
    }
}

} // namespace emu
