#pragma once

#include "common/ProgramFolders.h"
#include "common/WideString.h"
#include "emu/core/Machine.h"

#include <memory>

namespace common {
class List;
class RecordArchive;
class SettingsTree;
class String;
} // namespace common

namespace emu {

// A runnable computer, the base of the machine models: it logs the start and end of an emulation, writes its
// "_MCH" chunk, and tells the controller and the front end who it is: its identifiers, which pick its ROM folder,
// settings file and state file, and its title and frequency texts. It keeps its settings between runs in the
// settings file (".ini") and the drive settings file (".drv") of its model's family, in the "settings" folder of
// the data folder, and carries them in every state it saves as the chunk "_EMUINIT".
class Computer : public Machine {
public:
    // The folder of the program's data: settings files, and ROM images beside them.
    static constexpr const char* kDataFolderName = "ZOVTarvoEmu";

    using Machine::Machine;

    // "[INIT] Started emulation of <name>", then the machine's start.
    bool Start(int32_t& rate) override;
    // The machine's stop, then "[DONE] Emulation stopped!".
    void Stop() override;
    // After the device's own chunks, "_MCH" holding "VER" = 0; a model with state of its own writes its values
    // after it.
    bool SaveOwnData(common::RecordArchive& archive) override;
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    // A new machine of the same model in its initial state; null for a computer that is no model.
    virtual std::unique_ptr<Computer> NewInstance() const { return nullptr; }
    // Whether the controller offers this machine the choice of its synchronisation rate ("EmuSyncFreq").
    virtual bool UsesSyncFrequency() const { return true; }
    // Whether the machine's state can be kept in a memory snapshot; every model's can.
    virtual bool SupportsMemoryState() const { return true; }
    // The model's identifier, null for none.
    virtual const char* ModelId() const { return nullptr; }
    // The model's family, whose ROM folder it shares.
    virtual const char* FamilyId() const { return ModelId(); }
    // Names the machine's settings section and file.
    virtual const char* SettingsId() const { return FamilyId(); }
    // Names the machine's state file.
    virtual const char* StateFileId() const { return ModelId(); }
    // "CPU=3.00 MHz": the first processor's name and frequency (the requested one while running, "@" before it
    // at full speed); unchanged without a processor.
    virtual void FrequencyText(common::String& text) const;
    // Adds 'Computer "<name>"'.
    virtual void Title(common::List& lines) const;
    std::unique_ptr<common::WideString> NameWide() const;

    // Where the computer looks for its ROM images and keeps its settings files: the program's own folders unless
    // it is given others.
    const common::ProgramFolders& Folders() const { return folders; }
    void SetFolders(const common::ProgramFolders& newFolders) { folders = newFolders; }

    // The chunk "_EMUINIT": "SIZE", then "DATA" holding the enabled devices' settings as a key tree whose one
    // section is named by SettingsId.
    bool SaveInitData(common::RecordArchive& archive);
    // Reads the chunk and takes its settings, telling in changed whether any differed from the current ones.
    // Settings data that is not one whole key tree changes nothing and counts as a change.
    bool LoadInitData(common::RecordArchive& archive, bool& changed);
    // Writes the drive settings file and the settings file, making the folder when it is missing.
    bool SaveSettings();
    // Reads both files, from the data folder's "settings" folder when they are there, else from the one beside
    // the program. A file that is missing or damaged leaves the settings as they are.
    bool LoadSettings();

private:
    // The settings file named id with the extension in the data folder's "settings" folder, when it exists there;
    // else the one beside the program.
    common::PathString SettingsFileToRead(const char* id, const char* extension) const;
    // The settings key tree of the devices (with enabledOnly only the enabled ones) as the one section of a root.
    std::unique_ptr<common::SettingsTree> BuildSettingsRoot(bool enabledOnly);

    common::ProgramFolders folders = common::ProgramFolders::Host();
};

} // namespace emu
