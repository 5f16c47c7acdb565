#pragma once

#include "app/EmulatorCore.h"
#include "common/Console.h"
#include "common/NarrowString.h"
#include "common/ProgramFolders.h"
#include "common/TextLookup.h"
#include "common/WideString.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace common {
class SettingsTree;
} // namespace common

namespace emu {

class Computer;
class HostSoundOutput;
class RendererBase;

// The application's configuration: the global settings with their file, the machine models, sound outputs and
// renderers to choose from and the chosen ones, and the emulator cores made from them. It lives as long as the
// main window and runs on the GUI thread only.
class EmulatorConfig {
public:
    // Makes one machine model's prototype; its NewInstance makes the machines.
    using MachineFactory = std::unique_ptr<Computer> (*)();

    // One row of the machine list: a model, or a separator.
    struct MachineListEntry {
        MachineFactory make = nullptr;
        bool separator = false;
    };

    // The user-interface languages as the front end's text registry holds them.
    struct LanguageAccess {
        // The current language: 0 English, 1 Russian.
        std::function<int32_t()> current;
        // Makes a language with a text table current.
        std::function<void(int32_t index)> select;
        // The language's name; empty when no text table is registered for it.
        std::function<common::WideString(int32_t index)> name;
    };

    // What the configuration is given from outside: where the settings live, the texts and languages of the
    // front end, and what every core it makes is given.
    struct Environment {
        common::ProgramFolders folders = common::ProgramFolders::Host();
        common::TextLookup textLookup;
        LanguageAccess language;
        EmulatorCore::IdleHook idleHook = nullptr;
        common::Console::ChangeCallback changeCallback = nullptr;
        void* changeContext = nullptr;
        int32_t requestLimitMs = EmulatorCore::kDefaultRequestLimitMs;
        // Where a core whose thread would not end is reported; standard error when empty.
        std::function<void(const std::string& line)> reportLine;
    };

    // The prototypes of the sound outputs and renderers to choose from.
    struct MediaList {
        std::vector<std::unique_ptr<HostSoundOutput>> soundOutputs;
        std::vector<std::unique_ptr<RendererBase>> renderers;
    };

    // The machine list: the BK-0010 family, a separator, the BK-0011M family.
    static std::span<const MachineListEntry> MachineList();
    // What every host has: "No Sound" and the null renderer. The Windows program hands in its own list.
    static MediaList HostMedia();
    // English only.
    static LanguageAccess SingleLanguage();

    // The host's folders and languages, the machine list and the host's media.
    EmulatorConfig();
    EmulatorConfig(Environment environment, std::span<const MachineListEntry> machines, MediaList media);
    ~EmulatorConfig();
    EmulatorConfig(const EmulatorConfig&) = delete;
    EmulatorConfig& operator=(const EmulatorConfig&) = delete;

    // Shuts down and deletes every core, then every model, output and renderer.
    void Destroy();

    // ---- Lists

    // Appends a model when it can make a machine; null appends a separator.
    void AddMachine(std::unique_ptr<Computer> model);
    // Null for an index out of range and for a separator.
    Computer* GetMachine(int32_t index) const;
    void SelectMachine(int32_t index);
    HostSoundOutput* GetSoundOutput(int32_t index) const;
    std::unique_ptr<HostSoundOutput> CreateSoundOutput(int32_t index) const;
    void SelectSoundOutput(int32_t index);
    RendererBase* GetRenderer(int32_t index) const;
    std::unique_ptr<RendererBase> CreateRenderer(int32_t index) const;
    void SelectRenderer(int32_t index);

    // ---- Cores

    // A new running core for the model at index (negative: the one named by EmuDefaultConfig, else the first);
    // null when it cannot be made or its thread does not start.
    EmulatorCore* CreateCore(int32_t index);
    // Makes a core into an empty holder, or gives the holder's core a new machine of the model at index.
    bool OpenMachine(EmulatorCore*& core, int32_t index);
    // Shuts the core down and deletes it, also when it is not in the list. A core whose thread does not end is
    // reported and kept: deleting it would pull the machine from under its thread.
    void RemoveCore(EmulatorCore* core);

    // ---- Global settings

    // A new key tree with every setting bound to its field.
    std::unique_ptr<common::SettingsTree> DefineSettings();
    // Reads the settings file once: from the settings folder, else beside the program. True when the file was
    // read to its end; values read before damage stay, and the choices are checked either way.
    bool LoadSettings();
    // Writes the settings file into the settings folder; the old file stays unless the new one is written whole.
    bool SaveSettings();
    // Where LoadSettings looks first and SaveSettings writes.
    common::PathString SettingsPath(bool create) const;

    const common::ProgramFolders& Folders() const { return folders; }
    const common::TextLookup& TextLookupOf() const { return textLookup; }
    int32_t RequestLimit() const { return requestLimitMs; }

    // Settings, by their keys.
    bool guiMaximizeOnStartup = false;
    bool guiAutoStartEmulation = false;
    bool guiShowToolbar = true;
    int32_t guiLanguage = 0;
    bool EmuFastInit = false;
    bool EmuCaptureMouseOnDblClick = true;
    bool dbgIgnoreConsoleDupStr = false;
    int32_t EmuSyncFreq = 0;
    common::NarrowString TitleSuffix;
    common::NarrowString EmuDefaultConfig;
    common::NarrowString EmuDefaultScreen;
    int32_t RendererIndex = 0;
    common::NarrowString EmuDefaultSound;
    int32_t SoundOutputIndex = 0;
    std::vector<std::unique_ptr<EmulatorCore>> Cores;
    std::vector<std::unique_ptr<Computer>> Machines;
    std::vector<std::unique_ptr<HostSoundOutput>> SoundOutputs;
    std::vector<std::unique_ptr<RendererBase>> Renderers;
    bool SettingsLoaded = false;

private:
    // A new machine of the model at index, in the configuration's folders; null for none.
    std::unique_ptr<Computer> NewMachine(int32_t index) const;
    // Shuts the core down and deletes it, or reports it and keeps it.
    void EndCore(std::unique_ptr<EmulatorCore> core);
    void Report(const std::string& line) const;
    // Settings after a load: the rate and language in range, the chosen output and renderer by name.
    void CheckChoices();

    common::ProgramFolders folders;
    common::TextLookup textLookup;
    LanguageAccess language;
    EmulatorCore::IdleHook idleHook;
    common::Console::ChangeCallback changeCallback;
    void* changeContext;
    int32_t requestLimitMs;
    std::function<void(const std::string& line)> reportLine;
    // Cores whose thread would not end: kept, never deleted under their thread.
    std::vector<std::unique_ptr<EmulatorCore>> abandonedCores;
};

} // namespace emu
