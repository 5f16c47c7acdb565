#pragma once

#include "emu/core/DeviceSelector.h"
#include "emu/devices/VideoSettings.h"

#include <cstdint>
#include <memory>

namespace emu {

// A video device of alternative raster video children, one active at a time, that keeps "RenderMode" and
// "AspectIndex" once for all of them: the children read and write the selector's two settings, so the settings
// survive a switch between the alternatives and appear once in the settings files and the menus. It writes no
// state of its own beyond "_DEV"; the children write theirs.
class VideoSelectorDevice : public DeviceSelector {
public:
    explicit VideoSelectorDevice(const char* name = nullptr, const char* tag = nullptr,
                                 OptionKind menuKind = OptionKind::None)
        : DeviceSelector(name, tag, menuKind) {}

    // Adopts a raster video device, redirecting its two settings here; anything else (null included) is refused.
    bool AddChild(std::unique_ptr<TreeNode> node, const char* childName = nullptr,
                  const char* childTag = nullptr) override;
    // The two settings (not for the enabled-only exchange), then "SelectedIndex" and the children's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The selected child's reset, then out-of-range settings put back (false).
    bool Reset(bool enabledOnly) override;
    // The view menu gets the two settings first, then a separator; then the selector's items.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;

    int32_t RenderMode() const { return renderModeValue; }
    int32_t AspectIndex() const { return aspectIndexValue; }
    void SetRenderMode(int32_t mode) { renderModeValue = mode; }
    void SetAspectIndex(int32_t index) { aspectIndexValue = index; }

private:
    int32_t renderModeValue = kScanlineRendering;
    int32_t aspectIndexValue = kDefaultAspectIndex;
};

} // namespace emu
