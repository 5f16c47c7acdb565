#include "app/DebuggerConsole.h"

#include "common/Image.h"
#include "common/List.h"
#include "common/PixelBuffer.h"
#include "common/String.h"

#include <algorithm>
#include <cstring>

namespace emu {

namespace {

constexpr uint8_t kF5 = 0x74;
constexpr uint8_t kF7 = 0x76;
constexpr uint8_t kF8 = 0x77;
constexpr uint8_t kF11 = 0x7A;
constexpr uint8_t kF12 = 0x7B;

// Code page 437's box characters.
constexpr uint8_t kTopLeft = 0xDA;
constexpr uint8_t kTopRight = 0xBF;
constexpr uint8_t kBottomLeft = 0xC0;
constexpr uint8_t kBottomRight = 0xD9;
constexpr uint8_t kHorizontal = 0xC4;
constexpr uint8_t kVertical = 0xB3;
constexpr uint8_t kSpace = 0x20;

constexpr common::ColourPair kPanelCells{DebuggerConsole::kPanelColour, common::Console::kBlack};

bool IsTitleLine(const common::String* line) {
    return line != nullptr && line->Length() > 0 && line->CharAt(0) == '~';
}

} // namespace

void DebuggerConsole::SetPanelProvider(PanelProvider provider, void* context) {
    panelProvider = provider;
    panelContext = context;
}

// ---- Hot keys

bool DebuggerConsole::HandleInput(uint8_t code, bool down, bool wasDown, bool passive) {
    if (passive) {
        return PassiveHotKey(code, down) || Console::HandleInput(code, down, wasDown, passive);
    }
    switch (code) {
    case kF5:
    case kF7:
    case kF8:
    case kF11:
    case kF12:
        return ActiveHotKey(code, down);
    default:
        return Console::HandleInput(code, down, wasDown, passive);
    }
}

bool DebuggerConsole::ActiveHotKey(uint8_t code, bool down) {
    if (!down) {
        return true;
    }
    const bool callback = HasCommandCallback();
    const bool ctrl = IsCtrlHeld();
    switch (code) {
    case kF5:
        if (callback && ctrl) {
            RunCommand(common::NarrowString("GO"));
            MarkChanged();
        } else if (callback) {
            RunCommand(common::NarrowString("START"));
        }
        return true;
    case kF7:
        if (callback) {
            RunCommand(common::NarrowString("STEP"));
        }
        return true;
    case kF8:
        if (callback) {
            RunCommand(common::NarrowString(IsShiftHeld() ? "STEPOVEROVER" : "STEPOVER"));
        }
        return true;
    case kF12:
        if (callback && ctrl) {
            RunCommand(common::NarrowString("BREAK"));
            return true;
        }
        break;
    default:
        break;
    }
    // F11 and F12 without a modifier belong to the main window (save and load state) while commands run.
    return ctrl || IsAltHeld() || !callback;
}

bool DebuggerConsole::PassiveHotKey(uint8_t code, bool down) {
    if (!down || (code != kF11 && code != kF12)) {
        return false;
    }
    const bool ctrl = IsCtrlHeld();
    if (code == kF12 && ctrl && HasCommandCallback()) {
        // The break is the console's, the key stays the machine's.
        RunCommand(common::NarrowString("BREAK"));
        return false;
    }
    return !ctrl && !IsAltHeld();
}

// ---- Panels

void DebuggerConsole::Paint(common::PixelBuffer& buffer, int32_t rows, int32_t columns,
                            std::span<const common::ColourPair, 4>) {
    panelLines.Clear();
    const common::Image* image = nullptr;
    if (panelProvider != nullptr) {
        panelProvider(panelContext, panelLines, image);
    }
    DrawPanels(buffer, rows, columns);
    if (image != nullptr && image->GetWidth() > 0 && image->GetHeight() > 0) {
        DrawImage(buffer, *image);
    }
}

void DebuggerConsole::DrawPanels(common::PixelBuffer& buffer, int32_t rows, int32_t columns) {
    const int32_t count = panelLines.Count();
    int32_t rowsLeft = rows;
    int32_t start = 0;
    while (start < count && rowsLeft > 0) {
        const common::String* title = &defaultTitle;
        int32_t first = start;
        if (IsTitleLine(panelLines.At(start))) {
            title = panelLines.At(start);
            first = start + 1;
        }
        int32_t next = first;
        while (next < count && !IsTitleLine(panelLines.At(next))) {
            ++next;
        }
        rowsLeft -= DrawFrame(panelLines, *title, first, next - 1, buffer, rows - rowsLeft, rowsLeft, columns);
        start = next;
    }
}

int32_t DebuggerConsole::DrawFrame(const common::List& lines, const common::String& title, int32_t first, int32_t last,
                                   common::PixelBuffer& buffer, int32_t top, int32_t rowsLeft, int32_t columns) {
    int32_t titleStart = 0;
    while (titleStart < 2 && titleStart < title.Length() && title.CharAt(titleStart) == '~') {
        ++titleStart;
    }
    const int32_t titleLength = title.Length() - titleStart;
    if (last < first) {
        return 0;
    }
    int32_t width = titleLength;
    for (int32_t index = first; index <= last; ++index) {
        width = std::max(width, lines.At(index) != nullptr ? lines.At(index)->Length() : 0);
    }
    if (width < 1) {
        return 0;
    }
    const int32_t boxWidth = std::min(width + 4, columns);
    const int32_t inner = boxWidth - 4;
    const int32_t boxHeight = std::min(last - first + 3, rowsLeft);
    if (inner < 1 || boxHeight - 2 < 1) {
        return 0;
    }
    const int32_t x0 = columns - boxWidth;
    const int32_t x1 = x0 + inner + 3;
    const int32_t bottom = top + boxHeight - 1;
    const auto cell = [&buffer](int32_t column, int32_t row, uint8_t character) {
        DrawCell(buffer, column, row, character, kPanelCells);
    };
    const auto cells = [&cell](int32_t from, int32_t to, int32_t row, uint8_t character) {
        for (int32_t column = from; column <= to; ++column) {
            cell(column, row, character);
        }
    };

    cell(x0, top, kTopLeft);
    cell(x1, top, kTopRight);
    cell(x0, bottom, kBottomLeft);
    cell(x1, bottom, kBottomRight);
    int32_t edgeFrom = x0 + 1;
    if (titleLength > 0) {
        // A title that does not fit the inner width takes the edge's first cell too and is cut before the corner.
        const bool fits = titleLength <= inner;
        if (fits) {
            cell(x0 + 1, top, kHorizontal);
        }
        const int32_t titleColumn = fits ? x0 + 2 : x0 + 1;
        const int32_t shown = std::min(titleLength, x1 - titleColumn);
        for (int32_t index = 0; index < shown; ++index) {
            cell(titleColumn + index, top, static_cast<uint8_t>(title.CharAt(titleStart + index)));
        }
        edgeFrom = titleColumn + shown;
    }
    cells(edgeFrom, x1 - 1, top, kHorizontal);
    cells(x0 + 1, x1 - 1, bottom, kHorizontal);
    for (int32_t row = top + 1; row < bottom; ++row) {
        cell(x0, row, kVertical);
        cell(x0 + 1, row, kSpace);
        cell(x1 - 1, row, kSpace);
        cell(x1, row, kVertical);
    }
    if (bottom < top + rowsLeft && x0 >= 0 && x1 < columns) {
        FillRow(buffer, x0 * 8 + 3, x1 * 8 + 10, bottom * 16 + 18, kBlack);
    }
    for (int32_t index = 0; index < boxHeight - 2; ++index) {
        const common::String* line = lines.At(first + index);
        if (line == nullptr || line->IsEmpty()) {
            continue;
        }
        const int32_t shown = std::min(line->Length(), inner);
        for (int32_t column = 0; column < inner; ++column) {
            cell(x0 + 2 + column, top + 1 + index,
                 column < shown ? static_cast<uint8_t>(line->CharAt(column)) : kSpace);
        }
    }
    return boxHeight;
}

void DebuggerConsole::DrawImage(common::PixelBuffer& buffer, const common::Image& image) {
    const uint32_t depth = image.BitsPerPixel();
    if (depth != 24 && depth != 32) {
        return;
    }
    const int32_t width = std::min(image.GetWidth(), buffer.GetWidth());
    const int32_t height = std::min(image.GetHeight(), buffer.GetHeight());
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* source = image.RowPointer(y);
        uint32_t* target = buffer.Row(y);
        if (source == nullptr || target == nullptr) {
            continue;
        }
        if (depth == 32) {
            std::memcpy(target, source, static_cast<size_t>(width) * 4);
            continue;
        }
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* pixel = source + static_cast<ptrdiff_t>(x) * 3;
            target[x] =
                0xFF000000U | static_cast<uint32_t>(pixel[2]) << 16 | static_cast<uint32_t>(pixel[1]) << 8 | pixel[0];
        }
    }
}

} // namespace emu
