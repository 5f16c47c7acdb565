#pragma once

#include "emu/bk/BkRegisterTable.h"
#include "emu/devices/RasterVideoDevice.h"

#include <cstdint>

namespace emu {

// The BK video controller, "Video BK" (the machine adds it as "Video Device"), tag "VID": 16 KB of screen memory,
// 64 bytes a line, shown as 256 rows of 512 x 256 black and white (one bit a pixel, bit 0 leftmost), 256 x 256 in
// four grey levels, or 256 x 256 in four colours of one of sixteen palettes (two bits a pixel, bits 1-0
// leftmost); the scroll register SCROLL (0177664); and, on the BK-0011M, the frame interrupt and the palette.
//
// Timing: the processor event "RenderEvent" comes every line period (the clock / 16000, 188 cycles at 3 MHz) and a
// frame is 320 of them. In scanline rendering display row r is drawn at counter 39 + r and the frame ends at
// 295 -> 296; in frame rendering the whole frame is drawn and ends at 319 -> 0. A frame end presents the frame and,
// with the "IRQ" parameter in force, raises the frame interrupt's line.
//
// SCROLL: bits 0-7 the offset (display row 0 shows screen line (offset - 0330) mod 256), bit 9 shows all 256 rows
// (else rows 64-255 are black); only a word write changes it.
//
// State (after the raster video base's chunks): "VER" 0, "SMOD" screen mode, "PALI" palette 0..15, "SRLR" SCROLL,
// "RDRS" line counter 0..319.
class BkVideo : public RasterVideoDevice {
public:
    static constexpr int32_t kRows = 256;
    static constexpr int32_t kLineBytes = 64;
    static constexpr int32_t kScreenBytes = kRows * kLineBytes;
    static constexpr int32_t kFrameLines = 320;
    static constexpr int32_t kLinesPerSecond = 16000;
    static constexpr uint16_t kScrollMask = 01377;
    static constexpr uint16_t kFullScreen = 01000;
    // Screen line 0 shows at display row 0 for this offset.
    static constexpr int32_t kScrollOrigin = 0330;

    // "ScreenMode".
    static constexpr int32_t kBlackAndWhite = 0;
    static constexpr int32_t kHalftone = 1;
    static constexpr int32_t kColour = 2;

    BkVideo();
    ~BkVideo() override;

    // The register page's SCROLL access: a byte read answers its byte; a byte write changes nothing.
    void WriteScroll(uint16_t value, RegisterAccess access);
    uint16_t ReadScroll(RegisterAccess access, bool mute);
    // The BK-0011M's palette register: bits 0-3 pick the palette.
    void SelectPalette(uint32_t value);
    // The BK-0011M's screen switch: shows video page 0 or 1 (redrawn whole) when it exists and is not shown yet.
    void SelectScreen(int32_t page);

    int32_t ScreenMode() const { return screenMode; }
    void SetScreenMode(int32_t mode) { screenMode = mode; }
    bool AltColors() const { return altColors; }
    void SetAltColors(bool on) { altColors = on; }
    int32_t PaletteIndex() const { return paletteIndex; }
    uint16_t Scroll() const { return scroll; }
    int32_t LineCounter() const { return lineCounter; }
    // Processor cycles between two render events; 0 before the first start.
    int32_t LinePeriod() const { return linePeriod; }
    // The frame's width in the present screen mode.
    int32_t FrameWidth() const { return screenMode == kBlackAndWhite ? 512 : 256; }

    // "ScreenMode", "AltColors", the four SCROLL trace and break keys, then the base's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // A screen mode out of 0..2 becomes 0 (false); the base's settings are put back in range too.
    bool Reset(bool enabledOnly) override;
    // The register state back to power-on and "RenderEvent" every line period. False when the base fails or the
    // event cannot be added.
    bool Start(int32_t& rate) override;
    // The view menu: the screen modes and "Alternate Colors" after the base's items; the trace menu: the SCROLL
    // switches.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // The loaded frame is drawn and presented whole at once.
    bool AfterLoadState(common::NarrowString* note) override;
    // A write that changes a shown byte marks the one row that shows it.
    bool WriteByte(uint8_t* block, int32_t offset, uint8_t value) override;

    static bool OnRenderEvent(TreeNode* owner, int32_t* period, uint64_t* data, CpuInterface* cpu);

protected:
    bool ReadDerivedState(common::RecordArchive& archive) override;
    void ApplyDerivedState() override;

private:
    // The records of a state, read and checked before any is taken.
    struct SavedRegisters {
        int32_t screenMode = 0;
        int32_t paletteIndex = 0;
        uint16_t scroll = 0;
        int32_t lineCounter = 0;
    };

    // The frame's end: drawn (or only sized) and presented, then the frame interrupt.
    void EndOfFrame();
    // Sizes the renderer's frame for the screen mode, starts the pending full redraw and, with drawAll, draws every
    // row still to be drawn. False without a renderer or when it cannot be sized.
    bool RenderFrame(bool drawAll);
    // Draws display row `row` when the renderer still needs it.
    void RenderLine(int32_t row);
    void ForceRedraw();

    bool traceReadScroll = false;
    bool breakReadScroll = false;
    bool traceWriteScroll = false;
    bool breakWriteScroll = false;
    int32_t screenMode = kBlackAndWhite;
    bool redrawPending = true;
    int32_t paletteIndex = 0;
    uint16_t scroll = 0;
    // Offset bits of SCROLL minus 0330: display row r shows screen line (r + scrollStart) mod 256.
    int32_t scrollStart = -kScrollOrigin;
    bool altColors = false;
    int32_t lineCounter = 0;
    int32_t linePeriod = 0;
    // What ReadDerivedState read, until ApplyDerivedState takes it.
    SavedRegisters loaded;
};

} // namespace emu
