#include "emu/bk/BkVideo.h"

#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/bk/TraceMenu.h"
#include "emu/core/BusService.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/InterruptController.h"
#include "emu/core/RendererBase.h"
#include "emu/core/StateChunk.h"
#include "emu/core/UiTextId.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace emu {

namespace {

using Palette = std::array<uint32_t, 4>;

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr Palette kHalftoneGreys{0xFF000000, 0xFF808080, 0xFFC0C0C0, 0xFFFFFFFF};
constexpr std::array<Palette, 16> kStandardPalettes{{
    {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000},
    {0xFF000000, 0xFFFFFF00, 0xFFFF00FF, 0xFFFF0000},
    {0xFF000000, 0xFF00FFFF, 0xFF0000FF, 0xFFFF00FF},
    {0xFF000000, 0xFF00FF00, 0xFF00FFFF, 0xFFFFFF00},
    {0xFF000000, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF},
    {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},
    {0xFF000000, 0xFFC00000, 0xFF800000, 0xFFFF0000},
    {0xFF000000, 0xFF00FF00, 0xFF00FFFF, 0xFFFFFF00},
    {0xFF000000, 0xFFC000C0, 0xFF8000FF, 0xFFFF00FF},
    {0xFF000000, 0xFFFFFF00, 0xFF8000FF, 0xFFC00000},
    {0xFF000000, 0xFFFFFF00, 0xFFC000C0, 0xFFFF0000},
    {0xFF000000, 0xFF00FFFF, 0xFFFFFF00, 0xFFFF0000},
    {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF00FFFF},
    {0xFF000000, 0xFF00FFFF, 0xFFFFFF00, 0xFFFFFFFF},
    {0xFF000000, 0xFFFFFF00, 0xFF00FF00, 0xFFFFFFFF},
    {0xFF000000, 0xFF00FFFF, 0xFF00FF00, 0xFFFFFFFF},
}};
constexpr std::array<Palette, 16> kAlternativePalettes{{
    {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000},
    {0xFF000000, 0xFFFFFF6B, 0xFFFF7BFF, 0xFFFF0000},
    {0xFF000000, 0xFF0BBFFF, 0xFF0000FF, 0xFFFF7BFF},
    {0xFF000000, 0xFF00FF00, 0xFF0BBFFF, 0xFFFFFF6B},
    {0xFF000000, 0xFFFF7BFF, 0xFF0BBFFF, 0xFFFFD3D3},
    {0xFF000000, 0xFFFFD3D3, 0xFFFFD3D3, 0xFFFFD3D3},
    {0xFF000000, 0xFFFF0000, 0xFF9F1F1F, 0xFFFF5700},
    {0xFF000000, 0xFF2BFF2B, 0xFF00FF00, 0xFFFFFF6B},
    {0xFF000000, 0xFFAF00C3, 0xFF0083FF, 0xFFFF7BFF},
    {0xFF000000, 0xFFFFFF6B, 0xFF0083FF, 0xFFFF0000},
    {0xFF000000, 0xFFFFFF6B, 0xFFAF00C3, 0xFFFF5700},
    {0xFF000000, 0xFF0BBFFF, 0xFFFFFF6B, 0xFFFF5700},
    {0xFF000000, 0xFFFF5700, 0xFF00FF00, 0xFF0BBFFF},
    {0xFF000000, 0xFF0BBFFF, 0xFFFFFF6B, 0xFFFFD3D3},
    {0xFF000000, 0xFFFFFF6B, 0xFF2BFF2B, 0xFFFFD3D3},
    {0xFF000000, 0xFF0BBFFF, 0xFF2BFF2B, 0xFFFFD3D3},
}};

// Display rows are drawn at these line counter values; the frame ends one line after the last.
constexpr int32_t kFirstRowLine = 39;
constexpr int32_t kFrameEndLine = kFirstRowLine + BkVideo::kRows + 1;
// Without bit 9 of SCROLL only the rows above this show memory.
constexpr int32_t kShortScreenRows = 64;
constexpr int32_t kPaletteCount = 16;
constexpr uint16_t kLowByte = 0377;

// UI texts of the screen modes.
constexpr int32_t kScreenModeTexts[] = {text::kScreenBlackWhite, text::kScreenHalftone, text::kScreenColour};

constexpr const char* kRenderEvent = "RenderEvent";

BkVideo* VideoOf(TreeNode* owner) {
    return static_cast<BkVideo*>(owner);
}

// The frame buffer's 32-bit pixel of one set or clear bit, a byte at a time: bit j of the byte is pixel j.
void ExpandBlackAndWhite(const uint8_t* line, uint32_t* pixels) {
    for (int32_t index = 0; index < BkVideo::kLineBytes; ++index) {
        const uint8_t bits = line[index];
        for (int32_t bit = 0; bit < 8; ++bit) {
            *pixels++ = (bits >> bit & 1) != 0 ? kWhite : kBlack;
        }
    }
}

// Two bits a pixel, bits 1-0 the leftmost.
void ExpandColours(const uint8_t* line, uint32_t* pixels, const Palette& palette) {
    for (int32_t index = 0; index < BkVideo::kLineBytes; ++index) {
        const uint8_t bits = line[index];
        for (int32_t pixel = 0; pixel < 4; ++pixel) {
            *pixels++ = palette[(bits >> (2 * pixel)) & 3];
        }
    }
}

} // namespace

BkVideo::BkVideo() : RasterVideoDevice("Video BK", "VID") {
    defaultAspectFactor = 1.5F;
    renderModeValue = kScanlineRendering;
}

BkVideo::~BkVideo() = default;

// ---- Settings and lifecycle

bool BkVideo::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        if (common::BoundValue* value = settings->BindPlaceholder(common::NarrowString("ScreenMode"))) {
            value->Bind(&screenMode);
        }
        settings->BindBool(common::NarrowString("AltColors"), &altColors);
        settings->BindBool(common::NarrowString("TraceReadSCROLL"), &traceReadScroll);
        settings->BindBool(common::NarrowString("BreakReadSCROLL"), &breakReadScroll);
        settings->BindBool(common::NarrowString("TraceWriteSCROLL"), &traceWriteScroll);
        settings->BindBool(common::NarrowString("BreakWriteSCROLL"), &breakWriteScroll);
    }
    return RasterVideoDevice::ExchangeSettings(settings, enabledOnly);
}

bool BkVideo::Reset(bool enabledOnly) {
    const bool baseReset = RasterVideoDevice::Reset(enabledOnly);
    if (static_cast<uint32_t>(screenMode) > kColour) {
        screenMode = kBlackAndWhite;
        return false;
    }
    return baseReset;
}

bool BkVideo::Start(int32_t& rate) {
    if (!RasterVideoDevice::Start(rate)) {
        return false;
    }
    rate = std::max(rate, 50);
    scroll = 0;
    scrollStart = -kScrollOrigin;
    paletteIndex = 0;
    lineCounter = 0;
    redrawPending = true;
    CpuInterface* cpu = Machine() != nullptr ? Machine()->FirstCpu() : nullptr;
    if (cpu == nullptr) {
        return false;
    }
    // Rounded half away from zero: 187.5 cycles at 3 MHz make 188.
    linePeriod = static_cast<int32_t>(std::round(static_cast<double>(cpu->Frequency()) / kLinesPerSecond));
    // Bound by name in every start, so that a saved state finds the event again whoever started the machine.
    return Bus() != nullptr && Bus()->BindObjectEvent(kRenderEvent, OnRenderEvent, this) &&
           cpu->AddEvent(linePeriod, OnRenderEvent, this, kRenderEvent, 0);
}

void BkVideo::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    RasterVideoDevice::FillSettingsTree(item, kind);
    if (item == nullptr) {
        return;
    }
    if (kind == OptionKind::Video) {
        item->AddSeparator();
        for (int32_t mode = kBlackAndWhite; mode <= kColour; ++mode) {
            if (common::OptionNode* choice =
                    item->AddRadioItemById(kScreenModeTexts[mode], &screenMode, mode, nullptr, true)) {
                choice->AddActionSetByte(&redrawPending, true);
            }
        }
        item->AddSeparator();
        if (common::OptionNode* toggle =
                item->AddToggleItemById(text::kAlternateColors, &altColors, true, nullptr, true)) {
            toggle->AddActionSetByte(&redrawPending, true);
        }
    } else if (kind == OptionKind::Trace) {
        const TraceFlag traces[] = {{"Write SCROLL", &traceWriteScroll}, {"Read SCROLL", &traceReadScroll}};
        const TraceFlag breaks[] = {{"Write SCROLL", &breakWriteScroll}, {"Read SCROLL", &breakReadScroll}};
        AddFlagSubmenu(item, "Trace Registers", traces);
        AddSetButton(item, "Trace All", traces, true);
        item->AddSeparator();
        AddFlagSubmenu(item, "Break On Registers", breaks);
        AddSetButton(item, "Break On All", breaks, true);
        item->AddSeparator();
        const TraceFlag all[] = {traces[0], traces[1], breaks[0], breaks[1]};
        AddSetButton(item, "Select All", all, true);
        AddSetButton(item, "Clear All", all, false);
    }
}

// ---- Registers

void BkVideo::WriteScroll(uint16_t value, RegisterAccess access) {
    if (IsByte(access)) {
        TraceEventBreak(traceWriteScroll, breakWriteScroll, false, "=>SCROLL[MSB] = %.2lXh (n/a\?\?\?)",
                        static_cast<uint8_t>(value));
        return;
    }
    const int32_t offset = static_cast<int32_t>(value & kLowByte) - kScrollOrigin;
    if (TraceEventBreak(traceWriteScroll, breakWriteScroll, false, "=>SCROLL = %.4lXh (line+%ld, screen=%ld lines)",
                        value, offset, (value & kFullScreen) != 0 ? kRows : kShortScreenRows) != 0) {
        return;
    }
    const uint16_t stored = value & kScrollMask;
    if (stored != scroll) {
        scroll = stored;
        scrollStart = offset;
        ForceRedraw();
    }
}

uint16_t BkVideo::ReadScroll(RegisterAccess access, bool mute) {
    const uint16_t value = access == RegisterAccess::EvenByte  ? scroll & kLowByte
                           : access == RegisterAccess::OddByte ? scroll >> 8
                                                               : scroll;
    TraceEventBreak(traceReadScroll, breakReadScroll, mute, "<=SCROLL%s = %lXh",
                    access == RegisterAccess::EvenByte  ? "[LSB]"
                    : access == RegisterAccess::OddByte ? "[MSB]"
                                                        : "",
                    value);
    return value;
}

void BkVideo::SelectPalette(uint32_t value) {
    const auto palette = static_cast<int32_t>(value & (kPaletteCount - 1));
    if (palette != paletteIndex) {
        paletteIndex = palette;
        ForceRedraw();
    }
}

void BkVideo::SelectScreen(int32_t page) {
    if (page != CurrentPage() && Page(page) != nullptr && Page(page)->Buffer() != nullptr) {
        ShowPage(page);
    }
}

bool BkVideo::WriteByte(uint8_t* block, int32_t offset, uint8_t value) {
    if (block[offset] == value) {
        return true;
    }
    block[offset] = value;
    if (block == currentPageBuffer && Renderer() != nullptr) {
        Renderer()->InvalidateLine((offset / kLineBytes - scrollStart) & (kRows - 1));
    }
    return true;
}

// ---- The frame cycle

bool BkVideo::OnRenderEvent(TreeNode* owner, int32_t*, uint64_t*, CpuInterface*) {
    BkVideo* video = VideoOf(owner);
    switch (video->RenderMode()) {
    case kScanlineRendering: {
        const int32_t line = video->lineCounter++;
        if (line >= kFirstRowLine && line < kFirstRowLine + kRows) {
            video->RenderLine(line - kFirstRowLine);
        }
        if (video->lineCounter == kFrameEndLine) {
            video->EndOfFrame();
        } else if (video->lineCounter >= kFrameLines) {
            video->lineCounter = 0;
        }
        return true;
    }
    case kFrameRendering:
        if (++video->lineCounter < kFrameLines) {
            return true;
        }
        video->lineCounter = 0;
        video->EndOfFrame();
        return true;
    default:
        return false;
    }
}

void BkVideo::EndOfFrame() {
    if (RenderFrame(RenderMode() == kFrameRendering)) {
        Renderer()->EndFrame(true, aspectFactor);
    }
    if (irqActive && Interrupts() != nullptr) {
        Interrupts()->RaiseRequest(static_cast<uint32_t>(irq), 1);
    }
}

bool BkVideo::RenderFrame(bool drawAll) {
    RendererBase* renderer = Renderer();
    if (renderer == nullptr) {
        return false;
    }
    const int32_t width = FrameWidth();
    if (!renderer->HasSize(width, kRows) && !renderer->Resize(width, kRows, false)) {
        return false;
    }
    if (redrawPending) {
        redrawPending = false;
        renderer->ForceRedraw();
    }
    if (drawAll && renderer->HasLinesToDraw()) {
        for (int32_t row = 0; row < kRows; ++row) {
            RenderLine(row);
        }
    }
    return true;
}

void BkVideo::RenderLine(int32_t row) {
    RendererBase* renderer = Renderer();
    // A row is never drawn into a frame of the other mode's width: the next frame end resizes it.
    if (renderer == nullptr || !renderer->NeedsLine(row) || renderer->GetWidth() != FrameWidth()) {
        return;
    }
    uint32_t* pixels = renderer->Row(row);
    if (pixels != nullptr) {
        if ((scroll & kFullScreen) == 0 && row >= kShortScreenRows) {
            std::fill(pixels, pixels + FrameWidth(), kBlack);
        } else if (currentPageBuffer != nullptr) {
            const uint8_t* line = currentPageBuffer + ((row + scrollStart) & (kRows - 1)) * kLineBytes;
            if (screenMode == kBlackAndWhite) {
                ExpandBlackAndWhite(line, pixels);
            } else {
                ExpandColours(line, pixels,
                              screenMode == kHalftone ? kHalftoneGreys
                              : altColors             ? kAlternativePalettes[static_cast<size_t>(paletteIndex)]
                                                      : kStandardPalettes[static_cast<size_t>(paletteIndex)]);
            }
        }
    }
    renderer->MarkLineDrawn(row);
}

void BkVideo::ForceRedraw() {
    if (Renderer() != nullptr) {
        Renderer()->ForceRedraw();
    }
}

// ---- State

bool BkVideo::SaveOwnData(common::RecordArchive& archive) {
    return RasterVideoDevice::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordI32(screenMode, common::NarrowString("SMOD")) &&
           archive.WriteRecordI32(paletteIndex, common::NarrowString("PALI")) &&
           archive.WriteRecordU16(scroll, common::NarrowString("SRLR")) &&
           archive.WriteRecordI32(lineCounter, common::NarrowString("RDRS"));
}

// A palette outside the sixteen, SCROLL bits no write can set or a line outside the frame cannot be taken.
bool BkVideo::ReadDerivedState(common::RecordArchive& archive) {
    SavedRegisters saved;
    if (!ReadVersion(archive, "VER") || !archive.ReadRecordI32(saved.screenMode, common::NarrowString("SMOD")) ||
        !archive.ReadRecordI32(saved.paletteIndex, common::NarrowString("PALI")) ||
        !archive.ReadRecordU16(saved.scroll, common::NarrowString("SRLR")) ||
        !archive.ReadRecordI32(saved.lineCounter, common::NarrowString("RDRS"))) {
        return false;
    }
    if (saved.paletteIndex < 0 || saved.paletteIndex >= kPaletteCount || (saved.scroll & ~kScrollMask) != 0 ||
        saved.lineCounter < 0 || saved.lineCounter >= kFrameLines) {
        return false;
    }
    loaded = saved;
    return true;
}

void BkVideo::ApplyDerivedState() {
    screenMode = loaded.screenMode;
    paletteIndex = loaded.paletteIndex;
    scroll = loaded.scroll;
    scrollStart = static_cast<int32_t>(scroll & kLowByte) - kScrollOrigin;
    lineCounter = loaded.lineCounter;
}

bool BkVideo::AfterLoadState(common::NarrowString* note) {
    if (!RasterVideoDevice::AfterLoadState(note)) {
        return false;
    }
    RendererBase* renderer = Renderer();
    if (renderer == nullptr) {
        return true;
    }
    renderer->ForceRedraw();
    RenderFrame(true);
    renderer->EndFrame(true, aspectFactor);
    renderer->ForceRedraw();
    return true;
}

} // namespace emu
