#include "app/EmulatorConfig.h"

#include "common/FileStream.h"
#include "common/SettingsTree.h"
#include "emu/bk/Bk0010FloppyMachine.h"
#include "emu/bk/Bk0010Machine.h"
#include "emu/bk/Bk0011mMachine.h"
#include "emu/core/Computer.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/NullRenderer.h"
#include "emu/core/SettingsFile.h"

#include <cstdio>
#include <utility>

namespace emu {

namespace {

template <typename Model>
std::unique_ptr<Computer> MakeModel() {
    return std::make_unique<Model>();
}

// The machine list. Each model takes its row as it lands: "BK-0010", "BK-0010.01" and "BK-0010 + FDD", the
// separator, then "BK-0011M" and "BK-0011M + FDD". A row without a factory makes no entry.
constexpr EmulatorConfig::MachineListEntry kMachineList[] = {
    {&MakeModel<Bk0010Machine>, false},    {&MakeModel<Bk0010_01Machine>, false},
    {&MakeModel<Bk0010FddMachine>, false}, {nullptr, true},
    {&MakeModel<Bk0011mMachine>, false},   {&MakeModel<Bk0011mFddMachine>, false},
};

constexpr int32_t kSyncFrequencyCount = 5;
constexpr int32_t kLanguageCount = 2;

template <typename Item>
Item* ItemAt(const std::vector<std::unique_ptr<Item>>& list, int32_t index) {
    return index >= 0 && index < static_cast<int32_t>(list.size()) ? list[static_cast<size_t>(index)].get() : nullptr;
}

// The first item named name, or -1.
template <typename Item>
int32_t IndexNamed(const std::vector<std::unique_ptr<Item>>& list, const common::NarrowString& name) {
    for (size_t index = 0; index < list.size(); ++index) {
        if (list[index] != nullptr && name.Compare(list[index]->Name()) == 0) {
            return static_cast<int32_t>(index);
        }
    }
    return -1;
}

// The chosen index back to the default, then to the item named name; name becomes the chosen item's.
template <typename Item>
void ResolveChoice(const std::vector<std::unique_ptr<Item>>& list, int32_t defaultIndex, common::NarrowString& name,
                   int32_t& index) {
    index = defaultIndex;
    if (!name.IsEmpty()) {
        const int32_t named = IndexNamed(list, name);
        if (named >= 0) {
            index = named;
        }
    }
    if (ItemAt(list, index) == nullptr) {
        index = 0;
    } else {
        name.Assign(list[static_cast<size_t>(index)]->Name());
    }
}

template <typename Item>
void SelectItem(const std::vector<std::unique_ptr<Item>>& list, int32_t index, common::NarrowString& name,
                int32_t& chosen) {
    Item* item = ItemAt(list, index);
    if (item == nullptr) {
        name.Clear();
        return;
    }
    chosen = index;
    name.Assign(item->Name());
}

} // namespace

std::span<const EmulatorConfig::MachineListEntry> EmulatorConfig::MachineList() {
    return kMachineList;
}

EmulatorConfig::MediaList EmulatorConfig::HostMedia() {
    MediaList media;
    media.soundOutputs.push_back(std::make_unique<HostSoundOutput>());
    media.renderers.push_back(std::make_unique<NullRenderer>());
    return media;
}

EmulatorConfig::LanguageAccess EmulatorConfig::SingleLanguage() {
    LanguageAccess access;
    access.current = [] { return 0; };
    access.select = [](int32_t) {};
    access.name = [](int32_t index) { return index == 0 ? common::WideString("English") : common::WideString(); };
    return access;
}

EmulatorConfig::EmulatorConfig() : EmulatorConfig(Environment{}, MachineList(), HostMedia()) {}

EmulatorConfig::EmulatorConfig(Environment environment, std::span<const MachineListEntry> machines, MediaList media)
    : folders(std::move(environment.folders)), textLookup(std::move(environment.textLookup)),
      language(std::move(environment.language)), idleHook(environment.idleHook),
      changeCallback(environment.changeCallback), changeContext(environment.changeContext),
      requestLimitMs(environment.requestLimitMs), reportLine(std::move(environment.reportLine)) {
    if (!textLookup) {
        textLookup = [](int32_t) { return common::WideString(); };
    }
    const LanguageAccess single = SingleLanguage();
    if (!language.current) {
        language.current = single.current;
    }
    if (!language.select) {
        language.select = single.select;
    }
    if (!language.name) {
        language.name = single.name;
    }
    for (const MachineListEntry& entry : machines) {
        if (entry.separator) {
            AddMachine(nullptr);
        } else if (entry.make != nullptr) {
            AddMachine(entry.make());
        }
    }
    TitleSuffix.Assign("/BK");
    for (std::unique_ptr<HostSoundOutput>& output : media.soundOutputs) {
        SoundOutputs.push_back(std::move(output));
    }
    for (std::unique_ptr<RendererBase>& renderer : media.renderers) {
        if (renderer != nullptr && renderer->IsAvailable()) {
            Renderers.push_back(std::move(renderer));
        }
    }
    guiLanguage = language.current();
    SoundOutputIndex = SoundOutputs.size() >= 2 ? 1 : 0;
    RendererIndex = 0;
}

EmulatorConfig::~EmulatorConfig() {
    Destroy();
}

void EmulatorConfig::Destroy() {
    while (!Cores.empty()) {
        std::unique_ptr<EmulatorCore> core = std::move(Cores.front());
        Cores.erase(Cores.begin());
        EndCore(std::move(core));
    }
    // A last chance for the cores whose thread would not end; one that still runs is left to it.
    for (std::unique_ptr<EmulatorCore>& core : abandonedCores) {
        if (core->Shutdown()) {
            core.reset();
        } else {
            Report("[ERROR] Emulation thread did not end; its machine is left to it");
            static_cast<void>(core.release());
        }
    }
    abandonedCores.clear();
    Machines.clear();
    SoundOutputs.clear();
    Renderers.clear();
}

// ---- Lists

void EmulatorConfig::AddMachine(std::unique_ptr<Computer> model) {
    if (model == nullptr) {
        Machines.push_back(nullptr);
        return;
    }
    model->SetFolders(folders);
    // A model that cannot make a machine is not offered.
    if (model->NewInstance() != nullptr) {
        Machines.push_back(std::move(model));
    }
}

Computer* EmulatorConfig::GetMachine(int32_t index) const {
    return ItemAt(Machines, index);
}

void EmulatorConfig::SelectMachine(int32_t index) {
    const Computer* model = GetMachine(index);
    if (model != nullptr && model->ModelId() != nullptr) {
        EmuDefaultConfig.Assign(model->ModelId());
    } else {
        EmuDefaultConfig.Clear();
    }
}

HostSoundOutput* EmulatorConfig::GetSoundOutput(int32_t index) const {
    return ItemAt(SoundOutputs, index);
}

std::unique_ptr<HostSoundOutput> EmulatorConfig::CreateSoundOutput(int32_t index) const {
    const HostSoundOutput* prototype = GetSoundOutput(index);
    return prototype != nullptr ? prototype->Clone() : nullptr;
}

void EmulatorConfig::SelectSoundOutput(int32_t index) {
    SelectItem(SoundOutputs, index, EmuDefaultSound, SoundOutputIndex);
}

RendererBase* EmulatorConfig::GetRenderer(int32_t index) const {
    return ItemAt(Renderers, index);
}

std::unique_ptr<RendererBase> EmulatorConfig::CreateRenderer(int32_t index) const {
    const RendererBase* prototype = GetRenderer(index);
    return prototype != nullptr ? prototype->Clone() : nullptr;
}

void EmulatorConfig::SelectRenderer(int32_t index) {
    SelectItem(Renderers, index, EmuDefaultScreen, RendererIndex);
}

// ---- Cores

std::unique_ptr<Computer> EmulatorConfig::NewMachine(int32_t index) const {
    const Computer* model = GetMachine(index);
    std::unique_ptr<Computer> machine = model != nullptr ? model->NewInstance() : nullptr;
    if (machine != nullptr) {
        machine->SetFolders(folders);
    }
    return machine;
}

EmulatorCore* EmulatorConfig::CreateCore(int32_t index) {
    if (index < 0) {
        index = 0;
        for (size_t each = 0; !EmuDefaultConfig.IsEmpty() && each < Machines.size(); ++each) {
            const Computer* model = Machines[each].get();
            if (model != nullptr && model->ModelId() != nullptr && EmuDefaultConfig.Compare(model->ModelId()) == 0) {
                index = static_cast<int32_t>(each);
                break;
            }
        }
    }
    if (index >= static_cast<int32_t>(Machines.size())) {
        return nullptr;
    }
    if (GetMachine(index) == nullptr) {
        index = 0;
    }
    std::unique_ptr<Computer> machine = NewMachine(index);
    if (machine == nullptr) {
        return nullptr;
    }
    std::unique_ptr<HostSoundOutput> output = CreateSoundOutput(SoundOutputIndex);
    if (output == nullptr) {
        return nullptr;
    }
    std::unique_ptr<RendererBase> renderer = CreateRenderer(RendererIndex);
    if (renderer == nullptr) {
        return nullptr;
    }
    const Computer* model = GetMachine(index);
    auto core = std::make_unique<EmulatorCore>(this, std::move(machine), std::move(renderer), std::move(output),
                                               GetRenderer(0));
    core->SetMachineIndex(index);
    if (model->ModelId() != nullptr) {
        EmuDefaultConfig.Assign(model->ModelId());
    }
    core->SetFastInitialization(EmuFastInit);
    core->SetIdleHook(idleHook);
    core->Console().SetChangeCallback(changeCallback, changeContext);
    if (!core->Run()) {
        return nullptr;
    }
    Cores.push_back(std::move(core));
    return Cores.back().get();
}

bool EmulatorConfig::OpenMachine(EmulatorCore*& core, int32_t index) {
    if (core == nullptr) {
        core = CreateCore(index);
        return core != nullptr;
    }
    std::unique_ptr<Computer> machine = NewMachine(index);
    if (machine == nullptr) {
        return false;
    }
    if (core->IsPowered()) {
        core->DetachMachine();
    }
    if (!core->SetMachine(std::move(machine))) {
        return false;
    }
    core->SetMachineIndex(index);
    return true;
}

void EmulatorConfig::RemoveCore(EmulatorCore* core) {
    if (core == nullptr) {
        return;
    }
    std::unique_ptr<EmulatorCore> owned;
    for (auto each = Cores.begin(); each != Cores.end(); ++each) {
        if (each->get() == core) {
            owned = std::move(*each);
            Cores.erase(each);
            break;
        }
    }
    if (owned == nullptr) {
        owned.reset(core);
    }
    EndCore(std::move(owned));
}

void EmulatorConfig::EndCore(std::unique_ptr<EmulatorCore> core) {
    if (core->Shutdown()) {
        return;
    }
    Report("[ERROR] Emulation thread did not end; its core is kept");
    abandonedCores.push_back(std::move(core));
}

void EmulatorConfig::Report(const std::string& line) const {
    if (reportLine) {
        reportLine(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// ---- Global settings

std::unique_ptr<common::SettingsTree> EmulatorConfig::DefineSettings() {
    auto tree = std::make_unique<common::SettingsTree>();
    tree->BindBool(common::NarrowString("EmuCaptureMouseOnDblClick"), &EmuCaptureMouseOnDblClick);
    tree->BindBool(common::NarrowString("EmuFastInit"), &EmuFastInit);
    tree->BindString(common::NarrowString("EmuDefaultConfig"), &EmuDefaultConfig);
    tree->BindString(common::NarrowString("EmuDefaultSound"), &EmuDefaultSound);
    tree->BindString(common::NarrowString("EmuDefaultScreen"), &EmuDefaultScreen);
    tree->BindPlaceholder(common::NarrowString("EmuSyncFreq"))->Bind(&EmuSyncFreq);
    tree->BindBool(common::NarrowString("guiMaximizeOnStartup"), &guiMaximizeOnStartup);
    tree->BindBool(common::NarrowString("guiAutoStartEmulation"), &guiAutoStartEmulation);
    tree->BindBool(common::NarrowString("guiShowToolbar"), &guiShowToolbar);
    tree->BindPlaceholder(common::NarrowString("guiLanguage"))->Bind(&guiLanguage);
    tree->BindBool(common::NarrowString("dbgIgnoreConsoleDupStr"), &dbgIgnoreConsoleDupStr);
    return tree;
}

common::PathString EmulatorConfig::SettingsPath(bool create) const {
    return folders.ComposeFilePath(folders.GetDataFolder(common::PathString(Computer::kDataFolderName), create),
                                   common::PathString(), folders.GetProgramName(), common::PathString("ini"));
}

bool EmulatorConfig::LoadSettings() {
    if (SettingsLoaded) {
        return true;
    }
    SettingsLoaded = true;
    common::FileStream file;
    if (!file.OpenForReading(SettingsPath(false)) &&
        !file.OpenForReading(folders.ComposeFilePath(folders.GetProgramFolder(), common::PathString(),
                                                     folders.GetProgramName(), common::PathString("ini")))) {
        return false;
    }
    const bool complete = DefineSettings()->Load(file, kSettingsFileMagic);
    CheckChoices();
    return complete;
}

void EmulatorConfig::CheckChoices() {
    if (static_cast<uint32_t>(EmuSyncFreq) >= static_cast<uint32_t>(kSyncFrequencyCount)) {
        EmuSyncFreq = 0;
    }
    if (guiLanguage < 0 || guiLanguage >= kLanguageCount || language.name(guiLanguage).IsEmpty()) {
        guiLanguage = 0;
    }
    language.select(guiLanguage);
    ResolveChoice(SoundOutputs, SoundOutputs.size() >= 2 ? 1 : 0, EmuDefaultSound, SoundOutputIndex);
    ResolveChoice(Renderers, 0, EmuDefaultScreen, RendererIndex);
}

bool EmulatorConfig::SaveSettings() {
    return SaveSettingsFile(SettingsPath(true), *DefineSettings());
}

} // namespace emu
