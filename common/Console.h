// The emulator's console window: a scrolling log of coloured lines, a one-line command editor and a painter that
// draws both with the 8x16 console font into a 32-bit pixel buffer.
//
// Threads. Writers (the emulation thread, devices, console commands) only add to the pending lines under the
// output lock, held for one list change, so a trace line never waits for drawing; with suppress repeats they also
// read the last shown line under the display lock (output lock first). The GUI thread moves the pending lines into
// the shown ones at each paint and draws them under the display lock. The edit line, cursor, selection, scroll
// request, top line and shown rows belong to the GUI thread; key handling runs under the key lock, which the
// emulation thread never takes. No output or display lock is held while the command callback runs.
#pragma once

#include "common/CriticalLock.h"
#include "common/List.h"
#include "common/NarrowString.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <span>
#include <utility>
#include <vector>

namespace common {

class PixelBuffer;

// One line of console output and its colour, 0xAARRGGBB.
struct ConsoleLine {
    NarrowString text;
    uint32_t colour = 0;
};

// The two colours of a glyph: for its 0 bits and for its 1 bits.
struct ColourPair {
    uint32_t background = 0;
    uint32_t foreground = 0;
};

class Console {
public:
    // The colour of plain lines.
    static constexpr uint32_t kPlainColour = 0xFFC8C8C8;
    // The most lines kept in the log, and between two paints; the oldest go first.
    static constexpr int32_t kLineLimit = 10000;

    static constexpr uint32_t kBlack = 0xFF000000;
    static constexpr uint32_t kScrollBarColour = 0xFF969696;
    // The command line's rule and cursor and the scroll bar's thumb.
    static constexpr uint32_t kLightGrey = 0xFFAAAAAA;
    // What Paint gets: text, scroll bar, selection and the fourth pair, background first.
    static constexpr std::array<ColourPair, 4> kPaintColours = {
        {{kBlack, kPlainColour}, {kBlack, kScrollBarColour}, {kPlainColour, kBlack}, {kScrollBarColour, kBlack}}};

    // Runs a finished command line; called on the GUI thread under the key lock only.
    using CommandCallback = void (*)(void* context, const NarrowString& line);
    // Told that the window wants a repaint, once per change from painted to changed. Called on the writer's thread
    // under the output lock: it may only post a repaint.
    using ChangeCallback = void (*)(void* context);

    Console();
    virtual ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // Writers, any thread.
    // Adds the text as a plain line. With lineComplete false the next text continues this line.
    void AppendLine(const String& text, bool lineComplete = true) { AppendText(text, kPlainColour, lineComplete); }
    // Adds the text in the colour; text that continues an incomplete line keeps that line's colour. Text written
    // after a paint took the lines starts a new line.
    void AppendText(const String& text, uint32_t colour, bool lineComplete = true);
    // Adds each item as a plain line; an incomplete last line takes them all and stays incomplete.
    void AppendLines(const List& lines);
    // Forgets every line, shown and pending.
    void Clear();
    // Drops a line equal to the one before it.
    void SetSuppressRepeats(bool suppress) { suppressRepeats.store(suppress); }
    // Every line held, shown ones first, then the ones written since the last paint.
    std::vector<ConsoleLine> Snapshot() const;

    // Repaint wanted: sets the changed flag and tells the change callback when it was clear.
    void MarkChanged();
    bool IsChanged() const { return changed.load(); }
    // Lines, and a log shorter than the window, stand in the middle (the banner).
    void SetCentred(bool on) { centred.store(on); }
    bool IsCentred() const { return centred.load(); }

    // Set by the owner before the console is used (GUI thread).
    void SetCommandCallback(CommandCallback callback, void* context);
    void SetChangeCallback(ChangeCallback callback, void* context);

    // GUI thread. A key went down or up; answers whether the console took it. Passive keys belong to the machine.
    bool KeyEvent(uint8_t code, bool down, bool passive);
    // With reset true every key counts as up.
    void ResetKeyStates(bool reset);
    // Paints the log, the scroll bar and the command line over the whole buffer; false for a buffer without
    // pixels.
    bool DrawText(PixelBuffer& buffer);

    // The editor and the view as the last key and paint left them (GUI thread).
    const NarrowString& EditLine() const { return editLine; }
    int32_t Cursor() const { return cursor; }
    int32_t Selection() const { return selection; }
    int32_t ScrollRequest() const { return scrollRequest; }
    int32_t TopLine() const { return topLine; }
    int32_t ShownRows() const { return shownRows; }
    int32_t Rows() const { return rows; }
    int32_t Columns() const { return columns; }

    // Pixel painting, clipped to the buffer on every side. A background without red, green and blue is
    // transparent: a glyph row of 0 bits and a space on it write nothing.
    // One glyph with its top-left pixel at (x, y).
    static void DrawChar(PixelBuffer& buffer, int32_t x, int32_t y, uint8_t character, ColourPair colours);
    // One glyph in a text cell: x = column * 8 + 3, y = row * 16 + 3.
    static void DrawCell(PixelBuffer& buffer, int32_t column, int32_t row, uint8_t character, ColourPair colours);
    // The first min(length, most) characters, 8 pixels apart.
    static void DrawString(PixelBuffer& buffer, int32_t x, int32_t y, const char* text, int32_t length, int32_t most,
                           ColourPair colours);
    // Both ends included, in either order.
    static void FillRow(PixelBuffer& buffer, int32_t x0, int32_t x1, int32_t y, uint32_t colour);
    static void FillRect(PixelBuffer& buffer, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour);

protected:
    // A key event under the key lock; wasDown is the key's state before it. Passive events are not consumed.
    virtual bool HandleInput(uint8_t code, bool down, bool wasDown, bool passive);
    // Draws over the painted window, under the display lock; only when there are text rows and columns.
    virtual void Paint(PixelBuffer& buffer, int32_t rows, int32_t columns, std::span<const ColourPair, 4> colours);

    // Key states, read under the key lock (in HandleInput).
    bool IsKeyDown(uint8_t code) const { return keyStates[code]; }
    bool IsShiftHeld() const;
    bool IsCtrlHeld() const;
    bool IsAltHeld() const;
    bool HasCommandCallback() const { return commandCallback != nullptr; }
    // Hands the line to the command callback; nothing without one.
    void RunCommand(const NarrowString& line);

private:
    // Adds one piece of text under the output lock.
    void AddText(const String& text, uint32_t colour);
    // Moves the pending lines to the shown ones; a view that got new lines follows the end.
    void MovePendingLines();
    void DrawLog(PixelBuffer& buffer, int32_t width);
    void DrawInputLine(PixelBuffer& buffer, int32_t width, int32_t height);

    // The editor's keys.
    void EditKey(uint8_t code);
    void Enter();
    void MoveCursor(int32_t to, bool shift);
    // Deletes [start, start + count) and puts the cursor at start; with no selection.
    void DeleteRange(int32_t start, int32_t count);
    // The selected characters: their start and count (0 for none).
    std::pair<int32_t, int32_t> SelectedRange() const;
    void Scroll(int64_t lines);

    CommandCallback commandCallback = nullptr;
    void* commandContext = nullptr;
    ChangeCallback changeCallback = nullptr;
    void* changeContext = nullptr;

    mutable CriticalLock displayLock;
    mutable CriticalLock outputLock;
    CriticalLock keyLock;

    // Guarded by the display lock (changed only with the output lock held too).
    std::deque<ConsoleLine> displayLines;
    // Guarded by the output lock.
    std::deque<ConsoleLine> pendingLines;
    bool lastLineComplete = true;

    std::atomic<bool> changed{true};
    std::atomic<bool> centred{false};
    std::atomic<bool> suppressRepeats{false};

    // GUI thread.
    int32_t topLine = 0;
    int32_t scrollRequest = 0;
    int32_t shownRows = 0;
    int32_t columns = 0;
    int32_t rows = 0;
    NarrowString editLine;
    int32_t cursor = 0;
    int32_t selection = 0;

    // Guarded by the key lock.
    std::array<bool, 256> keyStates{};
};

} // namespace common
