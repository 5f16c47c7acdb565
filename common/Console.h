// The emulator's console log. Devices write their trace, report and error lines into it on the emulation thread;
// the console window takes them on the GUI thread and draws them. Writers only touch the pending lines under the
// console's output lock, held for one list change, so a trace line never waits for drawing.
#pragma once

#include "common/CriticalLock.h"
#include "common/NarrowString.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace common {

// One line of console output and its colour, 0xAARRGGBB.
struct ConsoleLine {
    NarrowString text;
    uint32_t colour = 0;
};

class Console {
public:
    // The colour of plain lines.
    static constexpr uint32_t kPlainColour = 0xFFC8C8C8;
    // The most lines kept between two takes; the oldest go first.
    static constexpr int32_t kLineLimit = 10000;

    Console() = default;
    virtual ~Console() = default;
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // Adds the text as a plain line. With lineComplete false the next text continues this line.
    void AppendLine(const String& text, bool lineComplete = true) { AppendText(text, kPlainColour, lineComplete); }
    // Adds the text in the colour; text that continues an incomplete line keeps that line's colour.
    void AppendText(const String& text, uint32_t colour, bool lineComplete = true);

    // Hands over the lines written since the last take, oldest first. Text written after this starts a new line,
    // even when the last line taken was incomplete.
    std::vector<ConsoleLine> TakePendingLines();

private:
    CriticalLock outputLock;
    std::deque<ConsoleLine> pendingLines;
    bool lastLineComplete = true;
};

} // namespace common
