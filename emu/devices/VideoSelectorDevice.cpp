#include "emu/devices/VideoSelectorDevice.h"

#include "common/OptionNode.h"
#include "emu/devices/RasterVideoDevice.h"

namespace emu {

bool VideoSelectorDevice::AddChild(std::unique_ptr<TreeNode> node, const char* childName, const char* childTag) {
    auto* video = dynamic_cast<RasterVideoDevice*>(node.get());
    if (video == nullptr) {
        return false;
    }
    video->ShareSettings(&renderModeValue, &aspectIndexValue);
    return DeviceSelector::AddChild(std::move(node), childName, childTag);
}

bool VideoSelectorDevice::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (!enabledOnly) {
        BindVideoSettings(settings, &renderModeValue, &aspectIndexValue);
    }
    return DeviceSelector::ExchangeSettings(settings, enabledOnly);
}

bool VideoSelectorDevice::Reset(bool enabledOnly) {
    const bool selectorReset = DeviceSelector::Reset(enabledOnly);
    return ResetVideoSettings(renderModeValue, aspectIndexValue) && selectorReset;
}

void VideoSelectorDevice::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    if (kind == OptionKind::Video && item != nullptr) {
        AddVideoSettingsItems(item, &renderModeValue, &aspectIndexValue, &running);
        item->AddSeparator();
    }
    DeviceSelector::FillSettingsTree(item, kind);
}

} // namespace emu
