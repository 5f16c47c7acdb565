#include "frontend/UiTextTables.h"

#include <algorithm>
#include <iterator>

namespace emu {
namespace {

struct TextRow {
    int32_t id;
    const char* english;
    const char16_t* russian;
};

// Sorted by id.
constexpr TextRow kTexts[] = {
    {0, "Language", u"Язык (Language)"},
    {1, "Author", u"Автор"},
    {2, "Version", u"Версия"},
    {3, "ZOV/BK project, Russia", u"проект ZOV/BK, Россия"},
    {4, "About", u"О программе"},
    {5, "About...", u"О программе..."},
    {6, "Emulation", u"Эмуляция"},
    {7, "Start", u"Старт"},
    {8, "Stop", u"Стоп"},
    {9, "Pause", u"Пауза"},
    {10, "Synchronization", u"Синхронизация"},
    {11, "Fast Initialization", u"Быстрая инициализация"},
    {12, "Save State\tF11", u"Сохранить состояние\tF11"},
    {13, "Load State\tF12", u"Загрузить состояние\tF12"},
    {14, "Exit", u"Выход"},
    {15, "Computer", u"Компьютер"},
    {16, "Drives", u"Дисководы"},
    {17, "Video", u"Видео"},
    {18, "Sound", u"Звук"},
    {19, "Input", u"Управление"},
    {20, "Debug", u"Отладка"},
    {21, "View", u"Вид"},
    {22, "Settings", u"Настройки"},
    {23, "Help", u"Справка"},
    {24, "Maximize window on startup", u"Разворачивать окно при запуске"},
    {25, "Auto-start emulation", u"Авто-старт эмуляции"},
    {26, "Toolbar", u"Панель инструментов"},
    {27, "Emulation Screen", u"Экран эмуляции"},
    {28, "Console Window", u"Окно консоли"},
    {29, "Capture Mouse on DblClick", u"Захват мыши при двойном щелчке"},
    {30, "Load From File", u"Загрузить из файла"},
    {31, "Unload", u"Выгрузить"},
    {32, "Latch", u"Защелка"},
    {33, "Sync Frequency", u"Частота синхронизации"},
    {34, "2450 Hz (fastest emulation)", u"2450 Гц (скоростная эмуляция)"},
    {35, "7350 Hz (fast emulation)", u"7350 Гц (быстрая эмуляция)"},
    {36, "14700 Hz (normal emulation)", u"14700 Гц (стандартная эмуляция)"},
    {37, "22050 Hz (slow emulation)", u"22050 Гц (медленная эмуляция)"},
    {38, "44100 Hz (slowest emulation)", u"44100 Гц (очень медленная эмуляция)"},
    {39, "Ignore equal console strings", u"Игнорировать строки-дубли в консоли"},
    {40, "Frame Rendering", u"Кадровая отрисовка"},
    {41, "Scanline Rendering", u"Строчная отрисовка"},
    {42, "Aspect Ratio", u"Соотношение сторон"},
    {43, "Default", u"По умолчанию"},
    {44, "Stretch to Window", u"Масштабировать по окну"},
    {45, "Cartridge 1", u"Картридж 1"},
    {46, "Cartridge 2", u"Картридж 2"},
    {47, "Cartridge 3", u"Картридж 3"},
    {48, "Cartridge 4", u"Картридж 4"},
    {49, "Floppy Drive", u"Гибкий диск"},
    {50, "Floppy Drive 1", u"Гибкий диск 1"},
    {51, "Floppy Drive 2", u"Гибкий диск 2"},
    {52, "Floppy Drive 3", u"Гибкий диск 3"},
    {53, "Floppy Drive 4", u"Гибкий диск 4"},
    {54, "Hard Drive", u"Жесткий диск"},
    {55, "Hard Drive 1", u"Жесткий диск 1"},
    {56, "Hard Drive 2", u"Жесткий диск 2"},
    {57, "Hard Drive 3", u"Жесткий диск 3"},
    {58, "Hard Drive 4", u"Жесткий диск 4"},
    {59, "CD/DVD Drive", u"CD/DVD диск"},
    {60, "CD/DVD Drive 1", u"CD/DVD диск 1"},
    {61, "CD/DVD Drive 2", u"CD/DVD диск 2"},
    {62, "CD/DVD Drive 3", u"CD/DVD диск 3"},
    {63, "CD/DVD Drive 4", u"CD/DVD диск 4"},
    {64, "Enable Channel 0", u"Включить канал 0"},
    {65, "Enable Channel 1", u"Включить канал 1"},
    {66, "Enable Channel 2", u"Включить канал 2"},
    {67, "Enable Channel 3", u"Включить канал 3"},
    {68, "Enable Channel 4", u"Включить канал 4"},
    {69, "Enable Sound", u"Разрешить звук"},
    {70, "Enable Noise", u"Включить шум"},
    {71, "YM-2149F Mode", u"Режим YM-2149F"},
    {72, "LOAD emulation state!", u"ЗАГРУЗИТЬ состояние эмулятора!"},
    {73, "SAVE emulation state?", u"СОХРАНИТЬ состояние эмулятора?"},
    {74, "Confirmation", u"Подтверждение"},
    {75, "to Memory", u"в Память"},
    {76, "to File", u"в Файл"},
    {77, "Cancel", u"Отмена"},
    {78, "from Memory", u"из Памяти"},
    {79, "from File", u"из Файла"},
    {80, "Select Machine", u"Выберите компьютер"},
    {81, "Select All", u"Select All"},
    {82, "Clear All", u"Clear All"},
    {83, "renderer", u"renderer"},
    {84, "48000 Hz", u"48000 Гц"},
    {85, "44100 Hz", u"44100 Гц"},
    {86, "22050 Hz", u"22050 Гц"},
    {87, "16000 Hz", u"16000 Гц"},
    {88, "Speed", u"Скорость"},
    {89, "   [press middle button or \"Win\" key to release mouse]",
     u"   [нажмите среднюю кнопку или клавишу \"Win\" для освобождения мыши]"},
    {90, "VRAM Page Count", u"Размер ГЗУ (страниц памяти)"},
    {91, "Down Key As Num5", u"Стрелка Вниз как Num5"},
    {92, "Alternate Colors", u"Альтернативные цвета"},
    {93, "512x256 (Black/White)", u"512x256 (Черно/белый)"},
    {94, "256x256 (Halftone)", u"256x256 (Полутоновой)"},
    {95, "256x256 (Color)", u"256x256 (Цветной)"},
    {96, "Allow Joystick On NumPad", u"Эмулировать джойстик через NumPad"},
    {97, "Normalize (preliminary)", u"Нормализация (предварительная)"},
    {98, "Chip Frequency", u"Частота чипа"},
    {99, "Numpad Usage", u"Использование NumPad"},
    {100, "Default", u"Стандартно"},
    {101, "As Mouse", u"Как мышь"},
    {102, "Halftone Display Monitor", u"Полутоновой дисплей"},
    {103, "Light CGA Graphic Colors", u"Светлая палитра"},
    {104, "CGA Extensions", u"Расширения CGA"},
    {105, "Composite 160x200x16 Mode", u"Композитный режим 160x200x16"},
    {106, "Tandy / PCjr x16 Modes", u"\u0422andy / PCjr x16 режимы"},
    {107, "Click  RUS  (Russian)", u"Нажать  РУС (Русский)"},
    {108, "Click  LAT  (Latin)", u"Нажать  ЛАТ  (Латинский)"},
    {109, "CPU Model", u"Тип процессора"},
    {110, "CPU Frequency", u"Частота процессора"},
    {111, "RAM Size", u"Размер ОЗУ"},
    {112, "Submodel/BIOS", u"Модель / БИОС"},
    {113, "Memory Size", u"Размер памяти"},
    {114, "Processor", u"Процессор"},
    {115, "Default (Auto)", u"По умолчанию (Авто)"},
    {116, "Boot Device", u"Загрузочное устройство"},
    {117, "Auto Detect", u"Автоопределение"},
    {118, "DOS MODE", u"РЕЖИМ ДОС"},
    {119, "Default (Model-Specific)", u"По умолчанию (зависит от компьютера)"},
    {120, "Click \"Ctrl+Alt+Del\"", u"Нажать \"Ctrl+Alt+Del\""},
    {121, "Code Cache", u"Кэш рекомпиляции"},
    {122, "Mount From Folder (Read-Only)", u"Смонтировать из папки (только чтение)"},
    {123, "Mount from folder", u"Смонтировать из папки"},
    {124, "Date/Time", u"Дата/время"},
    {125, "Current", u"Текущее"},
    {126, "Fullscreen\tAlt+Enter", u"Полный экран\tAlt+Enter"},
    {127, "Allow several key presses", u"Разрешить нажатие нескольких клавиш"},
    {128, "Binary File", u"Binary File"},
    {10000, "All Files", u"Все файлы"},
    {10001, "All Supported Files", u"Все поддерживаемые форматы"},
};

const TextRow* FindRow(int32_t id) {
    const TextRow* row = std::lower_bound(std::begin(kTexts), std::end(kTexts), id,
                                          [](const TextRow& entry, int32_t key) { return entry.id < key; });
    return row != std::end(kTexts) && row->id == id ? row : nullptr;
}

} // namespace

bool EnglishTextTable::GetText(int32_t id, common::WideString& out) const {
    const TextRow* row = FindRow(id);
    if (row == nullptr) {
        return false;
    }
    out.Assign(row->english);
    return true;
}

bool RussianTextTable::GetText(int32_t id, common::WideString& out) const {
    const TextRow* row = FindRow(id);
    if (row == nullptr) {
        return false;
    }
    out.Assign(row->russian);
    return true;
}

} // namespace emu
