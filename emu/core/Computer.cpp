#include "emu/core/Computer.h"

#include "common/List.h"
#include "common/MemoryStream.h"
#include "common/Paths.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/DriveSet.h"
#include "emu/core/SettingsFile.h"
#include "emu/core/StateChunk.h"

namespace emu {

namespace {

constexpr double kMegahertz = 0.000001;
constexpr const char* kSettingsFolderName = "settings";
constexpr const char* kInitChunkName = "_EMUINIT";

} // namespace

bool Computer::Start(int32_t& rate) {
    PrintLine("[INIT] Started emulation of %s", Name());
    return Machine::Start(rate);
}

void Computer::Stop() {
    Machine::Stop();
    PrintLine("[DONE] Emulation stopped!");
}

bool Computer::SaveOwnData(common::RecordArchive& archive) {
    return Machine::SaveOwnData(archive) && WriteVersionChunk(archive, "_MCH");
}

bool Computer::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    return Machine::LoadOwnData(archive, note) && ReadVersionChunk(archive, "_MCH");
}

void Computer::FrequencyText(common::String& text) const {
    const CpuInterface* cpu = FirstCpu();
    if (cpu == nullptr) {
        return;
    }
    const common::NarrowString& cpuName = CpuAt(0)->Name();
    if (IsRunning()) {
        text.Format("%s=%.2f MHz", cpuName, cpu->RequestedFrequency() * kMegahertz);
    } else {
        text.Format(cpu->IsMaxSpeed() ? "%s=@%.2f MHz" : "%s=%.2f MHz", cpuName, cpu->Frequency() * kMegahertz);
    }
}

void Computer::Title(common::List& lines) const {
    common::WideString title;
    title.Format("Computer \"%s\"", Name());
    lines.Add(title);
}

std::unique_ptr<common::WideString> Computer::NameWide() const {
    auto name = std::make_unique<common::WideString>();
    name->Assign(Name());
    return name;
}

bool Computer::SaveInitData(common::RecordArchive& archive) {
    const std::unique_ptr<common::SettingsTree> root = BuildSettingsRoot(true);
    common::MemoryStream data;
    if (root == nullptr || !data.Create(0, -1) || !root->Save(data)) {
        return false;
    }
    const common::NarrowString chunk(kInitChunkName);
    const int64_t size = data.Size();
    return archive.WriteMarker(common::kChunkBeginMarker, chunk) &&
           archive.WriteRecordU64(static_cast<uint64_t>(size), common::NarrowString("SIZE")) &&
           (size == 0 || archive.WriteRecordBlob(data.GetBuffer(), size, common::NarrowString("DATA"))) &&
           archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool Computer::LoadInitData(common::RecordArchive& archive, bool& changed) {
    const common::NarrowString chunk(kInitChunkName);
    uint64_t size = 0;
    if (!archive.ReadMarker(chunk, common::kChunkBeginMarker) ||
        !archive.ReadRecordU64(size, common::NarrowString("SIZE"))) {
        return false;
    }
    changed = false;
    if (size != 0) {
        // The size is weighed against what the stream still holds before anything is allocated for it.
        const common::ByteStream& stream = archive.Stream();
        common::MemoryStream data;
        if (size > static_cast<uint64_t>(stream.Size() - stream.Tell()) ||
            !data.Create(static_cast<int64_t>(size), 0) || !data.Resize(static_cast<int64_t>(size)) ||
            !archive.ReadRecordBlob(data.GetBuffer(), data.Size(), common::NarrowString("DATA"))) {
            return false;
        }
        common::SettingsTree root;
        root.SetHandlers(this, CheckMachineSection<Computer>, nullptr);
        const bool whole = common::SkipKeyTreeNode(data) && data.Seek(0);
        if (!whole || !root.LoadChecked(data, &changed)) {
            changed = true;
        }
    }
    return archive.ReadMarker(chunk, common::kChunkEndMarker);
}

bool Computer::SaveSettings() {
    const common::PathString none;
    const common::PathString settingsFolder =
        folders.ComposeFilePath(folders.GetDataFolder(common::PathString(kDataFolderName), true),
                                common::PathString(kSettingsFolderName), none, none);
    common::CreateDirectoryPath(settingsFolder);
    if (Drives() != nullptr) {
        Drives()->SaveDriveSettings(
            folders.ComposeFilePath(settingsFolder, none, common::PathString(FamilyId()), common::PathString("drv")));
    }
    const std::unique_ptr<common::SettingsTree> root = BuildSettingsRoot(false);
    return root != nullptr &&
           SaveSettingsFile(folders.ComposeFilePath(settingsFolder, none, common::PathString(SettingsId()),
                                                    common::PathString("ini")),
                            *root);
}

bool Computer::LoadSettings() {
    if (Drives() != nullptr) {
        Drives()->LoadDriveSettings(SettingsFileToRead(FamilyId(), "drv"), folders);
    }
    common::SettingsTree root;
    root.SetHandlers(this, LoadMachineSection<Computer>, nullptr);
    return LoadSettingsFile(SettingsFileToRead(SettingsId(), "ini"), root);
}

common::PathString Computer::SettingsFileToRead(const char* id, const char* extension) const {
    const common::PathString settingsFolder = common::PathString(kSettingsFolderName);
    const common::PathString inDataFolder =
        folders.ComposeFilePath(folders.GetDataFolder(common::PathString(kDataFolderName), false), settingsFolder,
                                common::PathString(id), common::PathString(extension));
    return common::FileExists(inDataFolder)
               ? inDataFolder
               : folders.ComposeFilePath(folders.GetProgramFolder(), settingsFolder, common::PathString(id),
                                         common::PathString(extension));
}

std::unique_ptr<common::SettingsTree> Computer::BuildSettingsRoot(bool enabledOnly) {
    auto section = std::make_unique<common::SettingsTree>();
    if (!BuildSettingsSections(section.get(), enabledOnly)) {
        return nullptr;
    }
    auto root = std::make_unique<common::SettingsTree>();
    return root->AddSection(common::NarrowString(SettingsId()), std::move(section)) ? std::move(root) : nullptr;
}

} // namespace emu
