// Loads arbitrary bytes into a small device tree, once as a saved state and once as a settings section, and
// checks that a state that loads saves again into bytes that load back to the same state. The seeds are the
// tree's own state and its own settings section.
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/core/Device.h"
#include "emu/core/DeviceSelector.h"
#include "fuzz/OwnState.h"
#include "fuzz/Seed.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// A device with a value in its state and a setting that Reset keeps below 100.
class ValueDevice : public emu::Device {
public:
    using Device::Device;
    uint8_t value = 0;
    uint8_t setting = 0;

    bool SaveOwnData(common::RecordArchive& archive) override {
        return Device::SaveOwnData(archive) && archive.WriteRecordU8(value, common::NarrowString("V"));
    }
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override {
        return Device::LoadOwnData(archive, note) && archive.ReadRecordU8(value, common::NarrowString("V"));
    }
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override {
        if (settings != nullptr) {
            settings->BindU8(Name(), &setting);
        }
        return Device::ExchangeSettings(settings, enabledOnly);
    }
    bool Reset(bool enabledOnly) override {
        const bool valid = Device::Reset(enabledOnly) && setting < 100;
        setting = setting < 100 ? setting : 0;
        return valid;
    }
};

std::unique_ptr<emu::Device> Tree() {
    auto root = std::make_unique<ValueDevice>("M");
    auto cpu = std::make_unique<ValueDevice>("CPU");
    cpu->AddChild(std::make_unique<ValueDevice>("TIMER"));
    root->AddChild(std::move(cpu));
    auto video = std::make_unique<emu::DeviceSelector>("VIDEO");
    video->AddChild(std::make_unique<ValueDevice>("COLOUR"));
    video->AddChild(std::make_unique<ValueDevice>("MONO"));
    video->SelectChild();
    root->AddChild(std::move(video));
    auto off = std::make_unique<ValueDevice>("OFF");
    off->SetEnabled(false);
    root->AddChild(std::move(off));
    return root;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::unique_ptr<emu::Device> tree = Tree();
    auto& device = static_cast<ValueDevice&>(*tree);
    device.value = 0x55;
    device.setting = 42;
    fuzz::WriteSeed("state", fuzz::SavedState(*tree));
    common::SettingsTree settings;
    common::MemoryStream stream;
    stream.Create(0, -1);
    if (tree->BuildSettingsSections(&settings, false) && settings.Save(stream)) {
        fuzz::WriteSeed("settings", std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.Size()));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> content(data, data + size);

    const std::unique_ptr<emu::Device> tree = Tree();
    if (fuzz::LoadState(*tree, content)) {
        const std::vector<uint8_t> saved = fuzz::SavedState(*tree);
        const std::unique_ptr<emu::Device> again = Tree();
        if (!fuzz::LoadState(*again, saved) || fuzz::SavedState(*again) != saved) {
            std::abort();
        }
    }

    std::vector<uint8_t> settings = content;
    common::MemoryStream stream;
    stream.Attach(settings.data(), static_cast<int64_t>(settings.size()));
    bool changed = false;
    Tree()->LoadSaveIni(stream, size % 2 == 0, &changed);
    return 0;
}
