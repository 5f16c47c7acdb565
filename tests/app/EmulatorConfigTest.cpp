// The configuration without cores: the lists it builds and hands out, the choices, and the global settings file.
#include "CoreTestMachines.h"
#include "emu/core/SettingsFile.h"

#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

namespace app_test {
namespace {

using test_support::Bytes;
using test_support::Concat;
using test_support::Name;

class NamedOutput : public emu::HostSoundOutput {
public:
    explicit NamedOutput(const char* name) : name(name) {}
    const char* Name() const override { return name; }
    std::unique_ptr<emu::HostSoundOutput> Clone() const override { return std::make_unique<NamedOutput>(name); }

private:
    const char* name;
};

class NamedRenderer : public emu::OffscreenRenderer {
public:
    NamedRenderer(const char* name, bool available) : name(name), available(available) {}
    const char* Name() const override { return name; }
    bool IsAvailable() const override { return available; }
    std::unique_ptr<emu::RendererBase> Clone() const override {
        return std::make_unique<NamedRenderer>(name, available);
    }

private:
    const char* name;
    bool available;
};

// A computer that is no model: it makes no machines.
std::unique_ptr<emu::Computer> MakeNoModel() {
    return std::make_unique<emu::Computer>("NONE");
}

Bytes BoolSetting(const std::string& key, bool value) {
    return Concat({{0x01}, Name(key), {0x04, 0x40, static_cast<uint8_t>(value ? 0xFF : 0x00)}});
}

Bytes IntSetting(const std::string& key, int32_t value) {
    return Concat({{0x01}, Name(key), {0x07, 0x34}, test_support::LittleEndian(value)});
}

Bytes TextSetting(const std::string& key, const std::string& text) {
    return Concat({{0x01}, Name(key), {0x08, 0x80}, Name(text)});
}

Bytes SettingsFile(const Bytes& records, uint16_t skipped = 0) {
    return Concat({{'Z', 'O', 'V', 'I', 'N', 'I', 0x00, 0x00, static_cast<uint8_t>(skipped), 0x00},
                   Bytes(skipped, 0xEE),
                   records,
                   {0xFF}});
}

// Every setting at its default, in key order.
Bytes DefaultRecords() {
    return Concat({BoolSetting("EmuCaptureMouseOnDblClick", true), TextSetting("EmuDefaultConfig", ""),
                   TextSetting("EmuDefaultScreen", ""), TextSetting("EmuDefaultSound", ""),
                   BoolSetting("EmuFastInit", false), IntSetting("EmuSyncFreq", 0),
                   BoolSetting("dbgIgnoreConsoleDupStr", false), BoolSetting("guiAutoStartEmulation", false),
                   IntSetting("guiLanguage", 0), BoolSetting("guiMaximizeOnStartup", false),
                   BoolSetting("guiShowToolbar", true)});
}

class EmulatorConfigTest : public testing::Test {
protected:
    std::unique_ptr<emu::EmulatorConfig>
    Make(const common::ProgramFolders& folders,
         std::span<const emu::EmulatorConfig::MachineListEntry> machines = kStandInList) {
        emu::EmulatorConfig::Environment environment;
        environment.folders = folders;
        environment.language.current = [this] { return currentLanguage; };
        environment.language.select = [this](int32_t index) { selectedLanguage = index; };
        environment.language.name = [](int32_t index) {
            return index == 0 ? common::WideString("English")
                              : (index == 1 ? common::WideString("Russian") : common::WideString());
        };
        emu::EmulatorConfig::MediaList media;
        for (const char* name : {"No Sound", "WaveSound", "DirectSound"}) {
            media.soundOutputs.push_back(std::make_unique<NamedOutput>(name));
        }
        media.renderers.push_back(std::make_unique<NamedRenderer>("WinGDI", gdiAvailable));
        media.renderers.push_back(std::make_unique<NamedRenderer>("OpenGL", true));
        return std::make_unique<emu::EmulatorConfig>(std::move(environment), machines, std::move(media));
    }
    std::unique_ptr<emu::EmulatorConfig> Make() { return Make(program.Folders()); }

    void WriteSettings(const Bytes& bytes) const {
        program.Folder().WriteFile(u"zovbk.ini", std::string(bytes.begin(), bytes.end()));
    }
    Bytes SettingsOnDisk() const {
        const std::string text = program.Folder().ReadFile(u"zovbk.ini");
        return Bytes(text.begin(), text.end());
    }

    TemporaryProgram program;
    int32_t currentLanguage = 0;
    int32_t selectedLanguage = -1;
    bool gdiAvailable = true;
};

TEST_F(EmulatorConfigTest, MachineListHasTheModelsAroundTheSeparator) {
    const auto config = Make();
    ASSERT_EQ(config->Machines.size(), 6U);
    for (const auto& [index, name] : {std::pair<int32_t, const char*>{0, "BK-0010"},
                                      {1, "BK-0010.01"},
                                      {2, "BK-0010 + FDD"},
                                      {4, "BK-0011M"},
                                      {5, "BK-0011M + FDD"}}) {
        ASSERT_NE(config->GetMachine(index), nullptr) << index;
        EXPECT_STREQ(config->GetMachine(index)->Name().GetNarrow(), name);
    }
    EXPECT_STREQ(config->GetMachine(5)->ModelId(), "bk_11m_f");
    EXPECT_EQ(config->GetMachine(3), nullptr);
    EXPECT_EQ(config->GetMachine(6), nullptr);
    EXPECT_EQ(config->GetMachine(-1), nullptr);
    EXPECT_STREQ(config->TitleSuffix.GetNarrow(), "/BK");

    config->SelectMachine(4);
    EXPECT_STREQ(config->EmuDefaultConfig.GetNarrow(), "bk_11m");
    config->SelectMachine(3);
    EXPECT_TRUE(config->EmuDefaultConfig.IsEmpty());
}

TEST_F(EmulatorConfigTest, ModelsThatMakeNoMachineAreLeftOut) {
    static constexpr emu::EmulatorConfig::MachineListEntry kList[] = {
        {&MakeNoModel, false}, {nullptr, false}, {&MakeStandIn<1>, false}};
    const auto config = Make(program.Folders(), kList);
    ASSERT_EQ(config->Machines.size(), 1U);
    EXPECT_STREQ(config->GetMachine(0)->ModelId(), "bk_10_01");
    EXPECT_TRUE(emu::EmulatorConfig(emu::EmulatorConfig::Environment{}, emu::EmulatorConfig::MachineList(),
                                    emu::EmulatorConfig::HostMedia())
                    .Cores.empty());
}

// The program's own list: the models that have landed take their rows.
TEST_F(EmulatorConfigTest, TheProgramsListOffersTheBk0010Models) {
    const auto config = Make(program.Folders(), emu::EmulatorConfig::MachineList());
    for (const auto& [index, name, id] : {std::tuple<int32_t, const char*, const char*>{0, "BK-0010", "bk_0010"},
                                          {1, "BK-0010.01", "bk_10_01"},
                                          {2, "BK-0010 + FDD", "bk_10_fd"}}) {
        ASSERT_NE(config->GetMachine(index), nullptr) << index;
        EXPECT_STREQ(config->GetMachine(index)->Name().GetNarrow(), name);
        EXPECT_STREQ(config->GetMachine(index)->ModelId(), id);
    }
}

TEST_F(EmulatorConfigTest, OutputsAndRenderersAreChosenByIndexAndName) {
    gdiAvailable = false;
    currentLanguage = 1;
    const auto config = Make();
    EXPECT_EQ(config->SoundOutputs.size(), 3U);
    EXPECT_EQ(config->SoundOutputIndex, 1);
    ASSERT_EQ(config->Renderers.size(), 1U) << "an unavailable renderer is left out";
    EXPECT_STREQ(config->GetRenderer(0)->Name(), "OpenGL");
    EXPECT_EQ(config->RendererIndex, 0);
    EXPECT_EQ(config->guiLanguage, 1);

    config->SelectSoundOutput(2);
    EXPECT_EQ(config->SoundOutputIndex, 2);
    EXPECT_STREQ(config->EmuDefaultSound.GetNarrow(), "DirectSound");
    config->SelectSoundOutput(3);
    EXPECT_EQ(config->SoundOutputIndex, 2);
    EXPECT_TRUE(config->EmuDefaultSound.IsEmpty());
    EXPECT_EQ(config->CreateSoundOutput(3), nullptr);
    EXPECT_STREQ(config->CreateSoundOutput(0)->Name(), "No Sound");
    config->SelectRenderer(0);
    EXPECT_STREQ(config->EmuDefaultScreen.GetNarrow(), "OpenGL");
    EXPECT_EQ(config->CreateRenderer(-1), nullptr);
    EXPECT_STREQ(config->CreateRenderer(0)->Name(), "OpenGL");
}

TEST_F(EmulatorConfigTest, SettingsFileHoldsEveryKeyInKeyOrder) {
    const auto config = Make();
    ASSERT_TRUE(config->SaveSettings());
    EXPECT_EQ(SettingsOnDisk(), SettingsFile(DefaultRecords()));
}

TEST_F(EmulatorConfigTest, SettingsRoundTrip) {
    {
        const auto config = Make();
        config->guiMaximizeOnStartup = true;
        config->guiShowToolbar = false;
        config->guiLanguage = 1;
        config->EmuFastInit = true;
        config->EmuSyncFreq = 3;
        config->EmuDefaultConfig.Assign("bk_11m");
        config->SelectSoundOutput(0);
        config->SelectRenderer(1);
        ASSERT_TRUE(config->SaveSettings());
    }
    const auto config = Make();
    ASSERT_TRUE(config->LoadSettings());
    EXPECT_TRUE(config->guiMaximizeOnStartup);
    EXPECT_FALSE(config->guiShowToolbar);
    EXPECT_EQ(config->guiLanguage, 1);
    EXPECT_EQ(selectedLanguage, 1);
    EXPECT_TRUE(config->EmuFastInit);
    EXPECT_EQ(config->EmuSyncFreq, 3);
    EXPECT_STREQ(config->EmuDefaultConfig.GetNarrow(), "bk_11m");
    EXPECT_EQ(config->SoundOutputIndex, 0);
    EXPECT_STREQ(config->EmuDefaultSound.GetNarrow(), "No Sound");
    EXPECT_EQ(config->RendererIndex, 1);
    EXPECT_STREQ(config->EmuDefaultScreen.GetNarrow(), "OpenGL");
    const Bytes saved = SettingsOnDisk();
    ASSERT_TRUE(config->SaveSettings());
    EXPECT_EQ(SettingsOnDisk(), saved);
}

TEST_F(EmulatorConfigTest, LoadingTakesWhatItCanAndChecksTheChoices) {
    struct Case {
        const char* name;
        Bytes file;
        bool complete;
        int32_t syncFrequency;
        int32_t language;
        int32_t soundOutput;
        const char* soundName;
        bool toolbar;
    };
    const Case cases[] = {
        {"header only", SettingsFile({}), true, 0, 0, 1, "WaveSound", true},
        {"sync frequency 7", SettingsFile(IntSetting("EmuSyncFreq", 7)), true, 0, 0, 1, "WaveSound", true},
        {"sync frequency 4", SettingsFile(IntSetting("EmuSyncFreq", 4)), true, 4, 0, 1, "WaveSound", true},
        {"language 2", SettingsFile(IntSetting("guiLanguage", 2)), true, 0, 0, 1, "WaveSound", true},
        {"language -1", SettingsFile(IntSetting("guiLanguage", -1)), true, 0, 0, 1, "WaveSound", true},
        {"language 1", SettingsFile(IntSetting("guiLanguage", 1)), true, 0, 1, 1, "WaveSound", true},
        {"unknown sound", SettingsFile(TextSetting("EmuDefaultSound", "Beeper")), true, 0, 0, 1, "WaveSound", true},
        {"known sound", SettingsFile(TextSetting("EmuDefaultSound", "DirectSound")), true, 0, 0, 2, "DirectSound",
         true},
        {"five bytes skipped", SettingsFile(BoolSetting("guiShowToolbar", false), 5), true, 0, 0, 1, "WaveSound",
         false},
        {"unknown key", SettingsFile(Concat({IntSetting("Other", 5), BoolSetting("guiShowToolbar", false)})), true, 0,
         0, 1, "WaveSound", false},
        {"damaged record after a value",
         Concat({Bytes{'Z', 'O', 'V', 'I', 'N', 'I', 0, 0, 0, 0},
                 BoolSetting("guiShowToolbar", false),
                 IntSetting("EmuSyncFreq", 2),
                 {0x01},
                 Name("guiLanguage"),
                 {0x00, 0x99}}),
         false, 2, 0, 1, "WaveSound", false},
        {"wrong magic", Concat({Bytes{'Z', 'O', 'V', 'I', 'N', 'X'}, Bytes(4, 0), IntSetting("EmuSyncFreq", 2)}), false,
         0, 0, 1, "WaveSound", true},
    };
    for (const Case& test : cases) {
        WriteSettings(test.file);
        selectedLanguage = -1;
        const auto config = Make();
        EXPECT_EQ(config->LoadSettings(), test.complete) << test.name;
        EXPECT_EQ(config->EmuSyncFreq, test.syncFrequency) << test.name;
        EXPECT_EQ(config->guiLanguage, test.language) << test.name;
        EXPECT_EQ(selectedLanguage, test.language) << test.name;
        EXPECT_EQ(config->SoundOutputIndex, test.soundOutput) << test.name;
        EXPECT_STREQ(config->EmuDefaultSound.GetNarrow(), test.soundName) << test.name;
        EXPECT_EQ(config->guiShowToolbar, test.toolbar) << test.name;
        EXPECT_TRUE(config->LoadSettings()) << test.name << ": read once";
    }
}

TEST_F(EmulatorConfigTest, MissingFileLeavesTheDefaults) {
    const auto config = Make();
    EXPECT_FALSE(config->LoadSettings());
    EXPECT_EQ(selectedLanguage, -1) << "nothing is checked without a file";
    EXPECT_EQ(config->SoundOutputIndex, 1);
    EXPECT_TRUE(config->EmuDefaultSound.IsEmpty());
}

TEST_F(EmulatorConfigTest, InstalledProgramReadsBesideItselfOnlyWithoutSettingsAndWritesTheSettingsFolder) {
    const std::filesystem::path root = program.Folder().Path();
    std::filesystem::create_directories(root / "Program Files");
    std::filesystem::create_directories(root / "appdata" / "ZOVTarvoEmu");
    const WorkingFolder working(root);
    const common::ProgramFolders installed(u"./Program Files/zovbk", (root / "appdata").u16string());
    const Bytes beside = SettingsFile(IntSetting("EmuSyncFreq", 1));
    program.Folder().WriteFile(u"Program Files/zovbk.ini", std::string(beside.begin(), beside.end()));
    {
        const auto config = Make(installed);
        ASSERT_TRUE(config->LoadSettings());
        EXPECT_EQ(config->EmuSyncFreq, 1);
        config->EmuSyncFreq = 2;
        ASSERT_TRUE(config->SaveSettings());
    }
    EXPECT_TRUE(std::filesystem::exists(root / "appdata" / "ZOVTarvoEmu" / "zovbk.ini"));
    EXPECT_EQ(program.Folder().ReadFile(u"Program Files/zovbk.ini"), std::string(beside.begin(), beside.end()));
    const auto config = Make(installed);
    ASSERT_TRUE(config->LoadSettings());
    EXPECT_EQ(config->EmuSyncFreq, 2);
}

TEST_F(EmulatorConfigTest, FailedSaveKeepsTheOldFile) {
    const auto config = Make();
    ASSERT_TRUE(config->SaveSettings());
    const Bytes before = SettingsOnDisk();
    // No temporary file can be made beside the old one.
    emu::SetTemporaryNameAttempts(0);
    config->EmuSyncFreq = 4;
    EXPECT_FALSE(config->SaveSettings());
    emu::SetTemporaryNameAttempts(-1);
    EXPECT_EQ(SettingsOnDisk(), before);
}

} // namespace
} // namespace app_test
