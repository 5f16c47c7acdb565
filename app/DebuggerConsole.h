// The console window the emulator core owns: the console with the debugger's hot keys, and boxed text panels
// (the machine's state at a break) drawn over the right side of the log.
#pragma once

#include "common/Console.h"
#include "common/NarrowString.h"
#include "common/StringList.h"

#include <cstdint>

namespace common {
class Image;
class List;
class String;
} // namespace common

namespace emu {

class DebuggerConsole : public common::Console {
public:
    // Fills the panel lines before each paint and may hand out an image it keeps (null for none). Called on the
    // GUI thread under the display lock: it must not write console text.
    using PanelProvider = void (*)(void* context, common::List& lines, const common::Image*& image);

    static constexpr uint32_t kPanelColour = 0xFFE1E1E1;

    DebuggerConsole() = default;

    // Set by the owner before the console is used (GUI thread).
    void SetPanelProvider(PanelProvider provider, void* context);
    // The title of a first panel whose lines do not begin with a title line ("~" and the title).
    void SetDefaultTitle(const common::String& title) { defaultTitle.Assign(title); }

    // Draws one panel of the lines first..last, right-aligned in columns, from the text row top down, at most
    // rowsLeft rows; the title loses a leading "~" or "~~". Answers the rows used (0 when nothing fits).
    static int32_t DrawFrame(const common::List& lines, const common::String& title, int32_t first, int32_t last,
                             common::PixelBuffer& buffer, int32_t top, int32_t rowsLeft, int32_t columns);

protected:
    // F5 (Ctrl: GO), F7, F8 (Shift: STEPOVEROVER) and Ctrl+F12 run their commands; F11 and F12 without Ctrl or
    // Alt are left to the main window's state keys while there is a command callback.
    bool HandleInput(uint8_t code, bool down, bool wasDown, bool passive) override;
    // The panels, then the image over them.
    void Paint(common::PixelBuffer& buffer, int32_t rows, int32_t columns,
               std::span<const common::ColourPair, 4> colours) override;

private:
    bool ActiveHotKey(uint8_t code, bool down);
    bool PassiveHotKey(uint8_t code, bool down);
    void DrawPanels(common::PixelBuffer& buffer, int32_t rows, int32_t columns);
    static void DrawImage(common::PixelBuffer& buffer, const common::Image& image);

    PanelProvider panelProvider = nullptr;
    void* panelContext = nullptr;
    // Live from the start of one paint to the start of the next.
    common::StringList panelLines;
    common::NarrowString defaultTitle;
};

} // namespace emu
