#include "common/Console.h"

#include "common/ConsoleFont.h"
#include "common/KeyTranslation.h"
#include "common/PixelBuffer.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <utility>

namespace common {

namespace {

// The program's key codes the editor knows.
constexpr uint8_t kBackspace = 0x08;
constexpr uint8_t kEnter = 0x0D;
constexpr uint8_t kEscape = 0x1B;
constexpr uint8_t kPageUp = 0x21;
constexpr uint8_t kPageDown = 0x22;
constexpr uint8_t kEnd = 0x23;
constexpr uint8_t kHome = 0x24;
constexpr uint8_t kLeft = 0x25;
constexpr uint8_t kUp = 0x26;
constexpr uint8_t kRight = 0x27;
constexpr uint8_t kDown = 0x28;
constexpr uint8_t kDelete = 0x2E;
constexpr uint8_t kPadEnd = 0x61;
constexpr uint8_t kPadEnter = 0x6C;
constexpr uint8_t kLeftShift = 0xE0;
constexpr uint8_t kRightShift = 0xE1;
constexpr uint8_t kLeftCtrl = 0xE2;
constexpr uint8_t kRightCtrl = 0xE3;
constexpr uint8_t kLeftAlt = 0xE4;
constexpr uint8_t kRightAlt = 0xE5;

constexpr int32_t kGlyphWidth = kConsoleGlyphWidth;
constexpr int32_t kGlyphHeight = kConsoleGlyphHeight;
// The log and the command line keep this margin from the window's left and top edges.
constexpr int32_t kMargin = 3;
// The command line's text starts after the prompt.
constexpr int32_t kEditLeft = 11;
constexpr uint8_t kScrollBarGlyph = 0xB0;
constexpr uint8_t kSpace = 0x20;

// For each glyph row byte, which of the pair colours each of its 8 pixels takes, leftmost first: one look-up per
// row, no bit test per pixel.
constexpr std::array<std::array<uint8_t, 8>, 256> kGlyphPixels = [] {
    std::array<std::array<uint8_t, 8>, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            table[byte][bit] = (byte >> (7 - bit)) & 1;
        }
    }
    return table;
}();

bool IsTransparent(uint32_t background) {
    return (background & 0x00FFFFFF) == 0;
}

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The glyph at (x, y) in 64-bit coordinates, so that cells far outside the buffer cannot overflow.
void DrawGlyph(PixelBuffer& buffer, int64_t x, int64_t y, uint8_t character, ColourPair colours) {
    const bool transparent = IsTransparent(colours.background);
    if (transparent && character == kSpace) {
        return;
    }
    const int64_t width = buffer.GetWidth();
    if (x >= width || x + kGlyphWidth <= 0 || y >= buffer.GetHeight() || y + kGlyphHeight <= 0) {
        return;
    }
    const int32_t firstBit = static_cast<int32_t>(std::max<int64_t>(0, -x));
    const int32_t endBit = static_cast<int32_t>(std::min<int64_t>(kGlyphWidth, width - x));
    const uint32_t pair[2] = {colours.background, colours.foreground};
    const uint8_t* glyph = &kConsoleFont[static_cast<size_t>(character) * kGlyphHeight];
    for (int32_t glyphRow = 0; glyphRow < kGlyphHeight; ++glyphRow) {
        const uint8_t bits = glyph[glyphRow];
        const int64_t pixelRow = y + glyphRow;
        if (pixelRow < 0 || pixelRow >= buffer.GetHeight() || (bits == 0 && transparent)) {
            continue;
        }
        uint32_t* row = buffer.Row(static_cast<int32_t>(pixelRow));
        if (row == nullptr) {
            continue;
        }
        const std::array<uint8_t, 8>& pixels = kGlyphPixels[bits];
        for (int32_t bit = firstBit; bit < endBit; ++bit) {
            row[x + bit] = pair[pixels[bit]];
        }
    }
}

void DrawGlyphs(PixelBuffer& buffer, int64_t x, int64_t y, const char* text, int64_t count, ColourPair colours) {
    for (int64_t index = 0; index < count && x < buffer.GetWidth(); ++index, x += kGlyphWidth) {
        DrawGlyph(buffer, x, y, static_cast<uint8_t>(text[index]), colours);
    }
}

} // namespace

Console::Console() = default;

Console::~Console() = default;

void Console::AppendText(const String& text, uint32_t colour, bool lineComplete) {
    LockGuard guard(&outputLock);
    AddText(text, colour);
    lastLineComplete = lineComplete;
}

void Console::AppendLines(const List& lines) {
    LockGuard guard(&outputLock);
    for (int index = 0; index < lines.Count(); ++index) {
        if (const String* line = lines.At(index)) {
            AddText(*line, kPlainColour);
        }
    }
}

void Console::AddText(const String& text, uint32_t colour) {
    if (!pendingLines.empty() && !lastLineComplete) {
        pendingLines.back().text.Append(text);
    } else {
        bool repeated = false;
        if (suppressRepeats.load()) {
            if (!pendingLines.empty()) {
                repeated = pendingLines.back().text.Compare(text) == 0;
            } else {
                LockGuard displayGuard(&displayLock);
                repeated = !displayLines.empty() && displayLines.back().text.Compare(text) == 0;
            }
        }
        // Room is made only for a line that is kept: a dropped repeat must not push out the oldest line.
        if (!repeated) {
            while (pendingLines.size() >= static_cast<size_t>(kLineLimit)) {
                pendingLines.pop_front();
            }
            ConsoleLine& line = pendingLines.emplace_back();
            line.text.Assign(text);
            line.colour = colour;
        }
    }
    MarkChanged();
}

void Console::Clear() {
    LockGuard outputGuard(&outputLock);
    {
        LockGuard displayGuard(&displayLock);
        displayLines.clear();
    }
    pendingLines.clear();
    lastLineComplete = true;
    MarkChanged();
}

std::vector<ConsoleLine> Console::Snapshot() const {
    LockGuard outputGuard(&outputLock);
    LockGuard displayGuard(&displayLock);
    std::vector<ConsoleLine> lines(displayLines.begin(), displayLines.end());
    lines.insert(lines.end(), pendingLines.begin(), pendingLines.end());
    return lines;
}

void Console::MarkChanged() {
    LockGuard guard(&outputLock);
    if (!changed.exchange(true) && changeCallback != nullptr) {
        changeCallback(changeContext);
    }
}

void Console::SetCommandCallback(CommandCallback callback, void* context) {
    LockGuard guard(&keyLock);
    commandCallback = callback;
    commandContext = context;
}

void Console::SetChangeCallback(ChangeCallback callback, void* context) {
    LockGuard guard(&outputLock);
    changeCallback = callback;
    changeContext = context;
}

void Console::RunCommand(const NarrowString& line) {
    if (commandCallback != nullptr) {
        commandCallback(commandContext, line);
    }
}

bool Console::KeyEvent(uint8_t code, bool down, bool passive) {
    LockGuard guard(&keyLock);
    const bool wasDown = keyStates[code];
    keyStates[code] = down;
    return down || wasDown ? HandleInput(code, down, wasDown, passive) : true;
}

void Console::ResetKeyStates(bool reset) {
    if (reset) {
        LockGuard guard(&keyLock);
        keyStates.fill(false);
    }
}

bool Console::IsShiftHeld() const {
    return keyStates[kLeftShift] || keyStates[kRightShift];
}

bool Console::IsCtrlHeld() const {
    return keyStates[kLeftCtrl] || keyStates[kRightCtrl];
}

bool Console::IsAltHeld() const {
    return keyStates[kLeftAlt] || keyStates[kRightAlt];
}

bool Console::HandleInput(uint8_t code, bool down, bool, bool passive) {
    if (passive) {
        return false;
    }
    if (down) {
        const NarrowString oldLine = editLine;
        const int32_t oldCursor = cursor;
        const int32_t oldSelection = selection;
        const int32_t oldScroll = scrollRequest;
        EditKey(code);
        if (editLine.Compare(oldLine) != 0 || cursor != oldCursor || selection != oldSelection ||
            scrollRequest != oldScroll) {
            MarkChanged();
        }
    }
    return true;
}

void Console::EditKey(uint8_t code) {
    const int32_t length = editLine.Length();
    const bool shift = IsShiftHeld();
    switch (code) {
    case kBackspace:
    case kDelete: {
        const auto [start, count] = SelectedRange();
        if (selection != 0) {
            DeleteRange(start, count);
        } else if (code == kBackspace) {
            DeleteRange(cursor > 0 ? cursor - 1 : 0, cursor > 0 ? 1 : 0);
        } else {
            DeleteRange(cursor, cursor < length ? 1 : 0);
        }
        return;
    }
    case kEnter:
    case kPadEnter:
        Enter();
        return;
    case kEscape:
        editLine.Clear();
        cursor = 0;
        selection = 0;
        return;
    case kPageUp:
        Scroll(IsCtrlHeld() ? -int64_t{kLineLimit} : -int64_t{shownRows});
        return;
    case kPageDown:
        Scroll(shownRows + (IsCtrlHeld() ? int64_t{kLineLimit} : 0));
        return;
    case kUp:
        Scroll(-1);
        return;
    case kDown:
        Scroll(1);
        return;
    case kHome:
        MoveCursor(0, shift);
        return;
    case kEnd:
    case kPadEnd:
        MoveCursor(length, shift);
        return;
    case kLeft:
        MoveCursor(cursor > 0 ? cursor - 1 : cursor, shift);
        return;
    case kRight:
        MoveCursor(cursor < length ? cursor + 1 : cursor, shift);
        return;
    default:
        break;
    }
    char character = 0;
    if (!VirtualKeyToChar(code, &character)) {
        return;
    }
    const auto [start, count] = SelectedRange();
    DeleteRange(start, count);
    editLine.InsertChar(character, cursor);
    ++cursor;
}

void Console::Enter() {
    const NarrowString line = editLine;
    if (HasCommandCallback()) {
        RunCommand(line);
    } else {
        NarrowString message;
        message.Format("Unknown command: %s", line.GetNarrow());
        AppendLine(message);
    }
    // The whole line stays selected: typing replaces it, Enter runs it again.
    cursor = editLine.Length();
    selection = -cursor;
}

void Console::MoveCursor(int32_t to, bool shift) {
    // The selection's far end stays where it was while Shift is held.
    selection = shift ? selection + (cursor - to) : 0;
    cursor = to;
}

std::pair<int32_t, int32_t> Console::SelectedRange() const {
    if (selection > 0) {
        return {cursor, std::max(0, std::min(selection, editLine.Length() - cursor))};
    }
    if (selection < 0) {
        const int32_t start = std::max(cursor + selection, 0);
        return {start, cursor - start};
    }
    return {cursor, 0};
}

void Console::DeleteRange(int32_t start, int32_t count) {
    editLine.Erase(start, count);
    cursor = std::min(start, editLine.Length());
    selection = 0;
}

void Console::Scroll(int64_t lines) {
    scrollRequest = Saturate(int64_t{scrollRequest} + lines);
}

void Console::MovePendingLines() {
    LockGuard outputGuard(&outputLock);
    if (pendingLines.empty()) {
        return;
    }
    {
        LockGuard displayGuard(&displayLock);
        const size_t limit = static_cast<size_t>(kLineLimit);
        const size_t count = pendingLines.size();
        if (count >= limit) {
            displayLines.clear();
        } else if (displayLines.size() + count > limit) {
            displayLines.erase(displayLines.begin(),
                               displayLines.begin() + static_cast<ptrdiff_t>(displayLines.size() + count - limit));
        }
        std::move(pendingLines.begin(), pendingLines.end(), std::back_inserter(displayLines));
    }
    pendingLines.clear();
    // New output brings the view back to the end of the log.
    topLine = -1;
    scrollRequest = 0;
}

bool Console::DrawText(PixelBuffer& buffer) {
    const int32_t width = buffer.GetWidth();
    const int32_t height = buffer.GetHeight();
    if (width < 1 || height < 1 || buffer.Row(0) == nullptr) {
        return false;
    }
    changed.store(false);
    MovePendingLines();
    LockGuard guard(&displayLock);
    buffer.Fill(kBlack, -1);

    const int32_t textHeight = height - 28;
    rows = (textHeight - 6) / kGlyphHeight;
    columns = (width - 6) / kGlyphWidth;
    shownRows = 0;
    if (rows > 0 && columns > 0) {
        DrawLog(buffer, width);
    }
    DrawInputLine(buffer, width, height);
    if (rows > 0 && columns > 0) {
        Paint(buffer, rows, columns, kPaintColours);
    }
    return true;
}

void Console::DrawLog(PixelBuffer& buffer, int32_t width) {
    const auto count = static_cast<int32_t>(displayLines.size());
    if (count == 0) {
        return;
    }
    const bool centre = centred.load();
    shownRows = rows;
    int32_t first = 0;
    int32_t offset = 0;
    const bool scrollBar = count > rows;
    const int32_t barX = width - 11;
    if (scrollBar) {
        columns = (width - 17) / kGlyphWidth;
        const int64_t wanted = int64_t{topLine == -1 ? count - rows : topLine} + scrollRequest;
        scrollRequest = 0;
        first = static_cast<int32_t>(std::max<int64_t>(std::min<int64_t>(wanted, count - rows), 0));
        topLine = first;
    } else {
        shownRows = count;
        if (centre) {
            offset = (rows - count) / 2;
        }
    }
    for (int32_t index = 0; index < shownRows; ++index) {
        const ConsoleLine& line = displayLines[static_cast<size_t>(first + index)];
        const int32_t y = (index + offset) * kGlyphHeight + kMargin;
        const int32_t length = line.text.Length();
        int32_t x = kMargin;
        if (centre && length < columns) {
            x = ((columns - length) / 2) * kGlyphWidth + kMargin;
        }
        DrawString(buffer, x, y, line.text.GetNarrow(), length, columns, {kBlack, line.colour});
        if (scrollBar) {
            DrawChar(buffer, barX, y, kScrollBarGlyph, {kBlack, kScrollBarColour});
        }
    }
    if (scrollBar) {
        const double span = shownRows * kGlyphHeight - 1;
        const auto thumbTop = static_cast<int32_t>(std::floor(double(first) / count * span + 0.5)) + kMargin;
        const auto thumbBottom =
            static_cast<int32_t>(std::floor(double(first + shownRows) / count * span + 0.5)) + kMargin;
        FillRect(buffer, barX, thumbTop, barX + 8, thumbBottom, kLightGrey);
    }
}

void Console::DrawInputLine(PixelBuffer& buffer, int32_t width, int32_t height) {
    const int32_t logHeight = rows * kGlyphHeight;
    if (logHeight + 24 >= height) {
        return;
    }
    FillRow(buffer, kMargin, width - kMargin, logHeight + 4, kLightGrey);
    const int32_t textTop = logHeight - 3 + (height - logHeight - 4) / 2;
    DrawChar(buffer, kMargin, textTop, '>', {kBlack, kPlainColour});
    const int64_t cursorX = int64_t{cursor} * kGlyphWidth + kEditLeft;
    FillRect(buffer, Saturate(cursorX), textTop + 16, Saturate(cursorX + 7), textTop + 17, kLightGrey);
    // The command line does not scroll sideways: what does not fit is not shown, selected or not.
    const int32_t shown = (width - 6) / kGlyphWidth - 1;
    DrawString(buffer, kEditLeft, textTop, editLine.GetNarrow(), editLine.Length(), shown, {kBlack, kPlainColour});
    const auto [start, count] = SelectedRange();
    if (count > 0 && start < shown) {
        const int32_t selected = std::min(count, shown - start);
        DrawGlyphs(buffer, int64_t{start} * kGlyphWidth + kEditLeft, textTop, editLine.GetNarrow() + start, selected,
                   {kPlainColour, kBlack});
    }
}

void Console::Paint(PixelBuffer&, int32_t, int32_t, std::span<const ColourPair, 4>) {}

void Console::DrawChar(PixelBuffer& buffer, int32_t x, int32_t y, uint8_t character, ColourPair colours) {
    DrawGlyph(buffer, x, y, character, colours);
}

void Console::DrawCell(PixelBuffer& buffer, int32_t column, int32_t row, uint8_t character, ColourPair colours) {
    DrawGlyph(buffer, int64_t{column} * kGlyphWidth + kMargin, int64_t{row} * kGlyphHeight + kMargin, character,
              colours);
}

void Console::DrawString(PixelBuffer& buffer, int32_t x, int32_t y, const char* text, int32_t length, int32_t most,
                         ColourPair colours) {
    if (text != nullptr) {
        DrawGlyphs(buffer, x, y, text, std::min(length, most), colours);
    }
}

void Console::FillRow(PixelBuffer& buffer, int32_t x0, int32_t x1, int32_t y, uint32_t colour) {
    FillRect(buffer, x0, y, x1, y, colour);
}

void Console::FillRect(PixelBuffer& buffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
    const int32_t left = std::max(std::min(x0, x1), 0);
    const int32_t right = std::min(std::max(x0, x1), buffer.GetWidth() - 1);
    const int32_t top = std::max(std::min(y0, y1), 0);
    const int32_t bottom = std::min(std::max(y0, y1), buffer.GetHeight() - 1);
    if (left > right) {
        return;
    }
    for (int32_t y = top; y <= bottom; ++y) {
        if (uint32_t* row = buffer.Row(y)) {
            std::fill(row + left, row + right + 1, colour);
        }
    }
}

} // namespace common
