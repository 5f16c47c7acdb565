#include "frontend/UiTextTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace emu {
namespace {

std::u16string Text(const common::TextTable& table, int32_t id) {
    common::WideString out;
    EXPECT_TRUE(table.GetText(id, out)) << id;
    return std::u16string(out.View());
}

std::vector<int32_t> AllIds() {
    std::vector<int32_t> ids;
    for (int32_t id = 0; id <= 128; ++id) {
        ids.push_back(id);
    }
    ids.push_back(10000);
    ids.push_back(10001);
    return ids;
}

TEST(UiTextTablesTest, BothTablesKnowEveryIdAndOnlyFourAreTheSameInBoth) {
    const EnglishTextTable english;
    const RussianTextTable russian;
    const std::vector<int32_t> same = {81, 82, 83, 128};
    for (int32_t id : AllIds()) {
        const std::u16string en = Text(english, id);
        const std::u16string ru = Text(russian, id);
        EXPECT_FALSE(en.empty()) << id;
        const bool expectSame = std::find(same.begin(), same.end(), id) != same.end();
        EXPECT_EQ(en == ru, expectSame) << id;
        for (char16_t c : en) {
            EXPECT_LT(c, 0x80) << "English text " << id << " is ASCII";
        }
    }
}

TEST(UiTextTablesTest, TextsStandWithTheirTabsBlanksAndQuotes) {
    const EnglishTextTable english;
    const RussianTextTable russian;
    struct Case {
        int32_t id;
        std::u16string english;
        std::u16string russian;
    };
    const Case cases[] = {
        {12, u"Save State\tF11", u"Сохранить состояние\tF11"},
        {13, u"Load State\tF12", u"Загрузить состояние\tF12"},
        {126, u"Fullscreen\tAlt+Enter", u"Полный экран\tAlt+Enter"},
        {89, u"   [press middle button or \"Win\" key to release mouse]",
         u"   [нажмите среднюю кнопку или клавишу \"Win\" для освобождения мыши]"},
        {106, u"Tandy / PCjr x16 Modes", u"\u0422andy / PCjr x16 режимы"},
        {107, u"Click  RUS  (Russian)", u"Нажать  РУС (Русский)"},
        {108, u"Click  LAT  (Latin)", u"Нажать  ЛАТ  (Латинский)"},
        {7, u"Start", u"Старт"},
        {83, u"renderer", u"renderer"},
        {10000, u"All Files", u"Все файлы"},
        {10001, u"All Supported Files", u"Все поддерживаемые форматы"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Text(english, c.id), c.english) << c.id;
        EXPECT_EQ(Text(russian, c.id), c.russian) << c.id;
    }
}

// Every id the machine, the core and the front end name stands on the row of its text; rows that follow in a row
// (sync rates, channels, sound rates) are checked at their ends.
TEST(UiTextTablesTest, NamedIdsStandOnTheRowsOfTheirTexts) {
    const EnglishTextTable english;
    struct Case {
        int32_t id;
        std::u16string english;
    };
    const Case cases[] = {
        {text::kLanguage, u"Language"},
        {text::kEmulation, u"Emulation"},
        {text::kStart, u"Start"},
        {text::kStop, u"Stop"},
        {text::kPause, u"Pause"},
        {text::kSyncFrequency, u"Sync Frequency"},
        {text::kFirstSyncRate, u"2450 Hz (fastest emulation)"},
        {text::kFirstSyncRate + 4, u"44100 Hz (slowest emulation)"},
        {text::kIgnoreEqualConsoleStrings, u"Ignore equal console strings"},
        {text::kFrameRendering, u"Frame Rendering"},
        {text::kScanlineRendering, u"Scanline Rendering"},
        {text::kAspectRatio, u"Aspect Ratio"},
        {text::kDefaultAspect, u"Default"},
        {text::kStretchToWindow, u"Stretch to Window"},
        {text::kEnableChannel0, u"Enable Channel 0"},
        {text::kEnableChannel0 + 4, u"Enable Channel 4"},
        {text::kEnableSound, u"Enable Sound"},
        {text::kEnableNoise, u"Enable Noise"},
        {text::kYamahaMode, u"YM-2149F Mode"},
        {text::kRenderer, u"renderer"},
        {text::kRate48000, u"48000 Hz"},
        {text::kRate44100, u"44100 Hz"},
        {text::kRate22050, u"22050 Hz"},
        {text::kRate16000, u"16000 Hz"},
        {text::kSpeed, u"Speed"},
        {text::kReleaseMouseHint, u"   [press middle button or \"Win\" key to release mouse]"},
        {text::kAlternateColors, u"Alternate Colors"},
        {text::kScreenBlackWhite, u"512x256 (Black/White)"},
        {text::kScreenHalftone, u"256x256 (Halftone)"},
        {text::kScreenColour, u"256x256 (Color)"},
        {text::kAllowJoystickOnNumpad, u"Allow Joystick On NumPad"},
        {text::kNormalize, u"Normalize (preliminary)"},
        {text::kChipFrequency, u"Chip Frequency"},
        {text::kNumpadUsage, u"Numpad Usage"},
        {text::kNumpadDefault, u"Default"},
        {text::kNumpadAsMouse, u"As Mouse"},
        {text::kAllowSeveralKeys, u"Allow several key presses"},
        {text::kAuthor, u"Author"},
        {text::kCredit, u"ZOV/BK project, Russia"},
        {text::kAboutDots, u"About..."},
        {text::kSynchronization, u"Synchronization"},
        {text::kLoadState, u"Load State\tF12"},
        {text::kComputer, u"Computer"},
        {text::kHelp, u"Help"},
        {text::kCaptureMouse, u"Capture Mouse on DblClick"},
        {text::kLoadFromFile, u"Load From File"},
        {text::kLatch, u"Latch"},
        {text::kLoadStatePrompt, u"LOAD emulation state!"},
        {text::kSaveStatePrompt, u"SAVE emulation state?"},
        {text::kConfirmation, u"Confirmation"},
        {text::kFromFile, u"from File"},
        {text::kMountFromFolder, u"Mount From Folder (Read-Only)"},
        {text::kMountPrompt, u"Mount from folder"},
        {text::kFullscreen, u"Fullscreen\tAlt+Enter"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Text(english, c.id), c.english) << c.id;
    }
}

TEST(UiTextTablesTest, UnknownIdsLeaveTheOutputAlone) {
    const EnglishTextTable english;
    const RussianTextTable russian;
    const EmulatorTextTable base;
    for (int32_t id : {-1, 129, 9999, 10002, 7}) {
        for (const common::TextTable* table :
             {static_cast<const common::TextTable*>(&english), static_cast<const common::TextTable*>(&russian),
              static_cast<const common::TextTable*>(&base)}) {
            if (id == 7 && table != &base) {
                continue;
            }
            common::WideString out("kept");
            EXPECT_FALSE(table->GetText(id, out)) << id;
            EXPECT_EQ(out.View(), u"kept");
        }
    }
}

} // namespace
} // namespace emu
