#pragma once

#include "common/MemoryStream.h"
#include "emu/devices/MemoryPageDevice.h"
#include "emu/devices/VideoSettings.h"

#include <array>
#include <cstdint>
#include <memory>

namespace emu {

struct BusEvent;
class CpuInterface;

// The default shown width / height of a raster video device on a screen of that size: 4.25/3, widened or narrowed
// with the square root of the screen's shape against 16:10 on screens above 320 x 200, kept within 4/3 .. 5/3.
float DefaultAspectFactor(uint32_t screenWidth, uint32_t screenHeight);

// The base of every raster video device: it turns video memory (the memory-page block) into lines of 32-bit
// pixels in the renderer's frame, paced by timed events, and closes each frame with the renderer's EndFrame.
//
// A derived device:
// - configures its memory (SetMemoryPageSize, AddMemoryPages for the shown page 0 and an optional second page 1,
//   a page view child) before the machine starts;
// - after Start, chooses a timing with ScheduleRenderEvents (screen size, total lines, frame rate, mode), again
//   whenever its geometry changes, and supplies DrawLine (and, if it wants them, FramePhase and SyncRendererSize);
// - or schedules its own frame event and calls RenderPendingLines and the renderer's EndFrame itself, as the BK
//   video does.
//
// DrawLine contract: called once or more per line per frame, in line order. With width = screenWidth and row the
// renderer's row of that line, it draws width pixels and answers whether it drew. With width 0 and a null row the
// line is not drawn this time (unchanged, outside the renderer's frame, or a blank line below the visible ones):
// the device may still do its per-line work. full is the argument of RenderPendingLines (false from the events),
// eventIndex the bus events since the frame began in bus-lines timing, -1 otherwise.
//
// Timings (mode of ScheduleRenderEvents, each an event of its own name, bound by Start so a saved state finds it):
// 0 frame, "_FrRenderEvent0", a bus event at 4 x the frame rate: FramePhase(0..3, 4) each time, the whole frame
//   drawn at phase 0;
// 1 bus lines, "_LoRenderEvent0", a bus event at the line rate as far as the bus allows: one or more line steps per
//   event, the lines spread over the events by a thousandths accumulator;
// 2 processor lines, "_HiRenderEvent0", a processor event every line's worth of cycles: one line step each (lines
//   drawn as they come in scanline rendering, the frame at its end in frame rendering);
// 3 half frames, "_PsRenderEvent0", a bus event at 2 x the frame rate: blank-line calls, then the frame.
// Every event carries the schedule's stamp as its tag; rescheduling retires the old events, which end themselves
// at their next firing.
//
// Settings: "RenderMode" (0 frame, 1 scanline rendering) and "AspectIndex" (0 default, 1..5 fixed ratios), kept by
// the device or, under a selector video device, by the selector. The aspect factor is chosen at Start.
//
// State chunk "_VIDD" (after "_DEV" and "_VIDP"): the shown page, geometry, frame position, render stamp, aspect
// factor, the optional geometry parameters that are set, the timing counters, the data block and the event index.
// A load reads and checks everything before anything changes.
class RasterVideoDevice : public MemoryPageDevice {
public:
    explicit RasterVideoDevice(const char* name = nullptr, const char* tag = nullptr);
    ~RasterVideoDevice() override;

    // "RenderMode" and "AspectIndex" while the device keeps them itself (not for the enabled-only exchange).
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // Out-of-range settings go back to scanline rendering and the default aspect (false).
    bool Reset(bool enabledOnly) override;
    // The block, page 0 shown (every write into it redraws the frame), the aspect factor from "AspectIndex", no
    // timing, and the render event names bound. False without a bus.
    bool Start(int32_t& rate) override;
    // The render event bindings stay.
    void Stop() override;
    // The view menu gets the settings the device keeps, after the device's own items.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;
    // A settings change (bit 0x80) also redraws the whole frame.
    bool Notify(uint32_t code) override;

    // Draws one line (see the class comment); the base draws nothing.
    virtual bool DrawLine(int32_t line, int32_t reserved, int32_t width, uint32_t* row, bool full, int32_t eventIndex);
    // Gives the renderer's frame the screen size when it has another; answers whether it resized.
    virtual bool SyncRendererSize();
    // In frame timing, the quarter of the frame each event begins (phase 0..phaseCount - 1).
    virtual void FramePhase(int32_t phase, int32_t phaseCount);
    // A byte of the video memory by bus address; outside the block nothing is written and -1 read.
    virtual void WriteAddress(uint32_t address, uint8_t value);
    virtual int32_t ReadAddress(uint32_t address, bool peek);
    // Mode, screen size, text columns and rows, colours (1 << pixel bits) and a reserved 0; answers whether the
    // device runs.
    virtual bool GetGeometry(int32_t& mode, int32_t& width, int32_t& height, int32_t& columns, int32_t& rows,
                             uint32_t& colours, int32_t& reserved) const;
    virtual bool IsTextMode() const { return !graphicsMode; }

    // Video pages, before Start: page 0 is the device itself, page 1 a page view child made when first needed
    // (named "<name> Page 1", tagged "<tag>_PAGE1"). Refused while running and for a page above 1.
    bool AddMemoryPages(int32_t page, int32_t firstPage, int32_t pageCount, bool enabled, bool optionFlag);
    bool SetMemoryPageSize(int32_t page, int32_t sizeInKB, uint32_t mask);
    // Adopts a page device of one's own (null: a plain page view) as page 1 and answers 1; -1 while running, when
    // page 1 exists or when the adoption fails. Null names take the page view's.
    int32_t AttachPageDevice(std::unique_ptr<MemoryPageDevice> device, const char* name, const char* tag);
    MemoryPageDevice* Page(int32_t page) const { return page == 0 || page == 1 ? pages[page] : nullptr; }

    // The auxiliary data block: size cut to the maximum, refused below the minimum (limits below 0: none);
    // the whole frame is redrawn.
    bool SetDataBlock(const uint8_t* bytes, int32_t size);
    // The same with the stream's contents.
    bool SetDataBlock(common::ByteStream& stream);
    void SetDataBlockLimits(int32_t minimumSize, int32_t maximumSize);
    const common::MemoryStream& DataBlock() const { return dataBlock; }

    // Chooses the timing (see the class comment) for a width x visibleLines screen of totalLines lines a frame
    // (at least visibleLines + visibleLines / 8 + 8, at most 65536) at frameRate frames a second; a negative total or
    // rate keeps the current one. The same lines and rate again changes only the screen size. False for a size
    // below 0 or above the renderer's limit, an unknown mode, no bus rate in bus-lines timing, or an event that
    // could not be added.
    bool ScheduleRenderEvents(int32_t width, int32_t visibleLines, int32_t totalLines, int32_t frameRate, int32_t mode);
    // Draws every visible line the renderer still needs (all of them with full), answering whether any was drawn
    // or the frame resized. Unchanged lines get the blank call unless full; skipFirstLine leaves line 0 out of a
    // partial redraw. False when the renderer's frame cannot take the screen size.
    bool RenderPendingLines(bool full, bool skipFirstLine);

    // A selector video device keeps the two settings for all its children.
    void ShareSettings(int32_t* sharedRenderMode, int32_t* sharedAspectIndex);
    bool KeepsOwnSettings() const { return renderMode == &renderModeValue && aspectIndex == &aspectIndexValue; }
    int32_t RenderMode() const { return *renderMode; }
    int32_t AspectIndex() const { return *aspectIndex; }
    float AspectFactor() const { return aspectFactor; }
    float DefaultAspect() const { return defaultAspectFactor; }
    int32_t ScreenWidth() const { return screenWidth; }
    int32_t ScreenHeight() const { return screenHeight; }
    int32_t TotalLines() const { return totalLines; }
    int32_t CurrentLine() const { return currentLine; }
    int32_t TimingMode() const { return timingMode; }
    int32_t LinesPerEvent() const { return linesPerEvent; }
    int32_t LineAccumulator() const { return lineAccumulator; }
    uint64_t RenderStamp() const { return renderStamp; }
    int32_t CurrentPage() const { return currentPage; }
    uint8_t* CurrentPageBuffer() const { return currentPageBuffer; }

    // The render events' handlers.
    static bool OnFrRenderEvent(TreeNode* owner, BusEvent* event);
    static bool OnLoRenderEvent(TreeNode* owner, BusEvent* event);
    static bool OnPsRenderEvent(TreeNode* owner, BusEvent* event);
    static bool OnHiRenderEvent(TreeNode* owner, int32_t* period, uint64_t* data, CpuInterface* cpu);

protected:
    // The optional geometry parameters, in their state order.
    static constexpr int32_t kOptionalParameterCount = 9;

    // A derived device's own records, which follow the base's chunks: LoadOwnData reads and checks them
    // (ReadDerivedState) before it stores anything of the state, and has them taken (ApplyDerivedState) after the
    // base's own. The base has none.
    virtual bool ReadDerivedState(common::RecordArchive&) { return true; }
    virtual void ApplyDerivedState() {}

    // Makes the page view of page 1 when it is missing; false when it cannot be adopted.
    bool EnsurePage(int32_t page);
    // Shows a page: its block and full redraws on its writes.
    void ShowPage(int32_t page);
    // Line l drawn into the renderer's row when it is visible, the renderer needs it and has the screen's width;
    // otherwise its blank call.
    void DrawOrBlank(int32_t l, int32_t eventIndex);
    // The next line of the frame; true when that ended the frame (currentLine back to 0).
    bool NextLine();
    // One step of bus-lines timing.
    void BusLineStep();
    // Blank DrawLine calls for lines first .. last - 1.
    void BlankLines(int32_t first, int32_t last);
    // The frame end of a timing that draws all pending lines at once: the pending lines, blank calls for the lines
    // below the screen, and EndFrame when anything was drawn.
    void RenderFrame();
    // SyncRendererSize, then EndFrame.
    void EndFrameAfterLines();
    // Whether the event belongs to the present schedule.
    bool IsCurrent(uint64_t tag) const { return tag == renderStamp; }
    // linesPerEvent of bus-lines timing, from the rate the event really fires at (the bus rate over its divider),
    // at least 1000 and at most a frame's lines; worked out again when the bus rate or divider changed.
    void MatchLineRate(const BusEvent& event, int64_t linesPerSecond, int32_t linesPerFrame);
    CpuInterface* Cpu() const;

    int32_t renderModeValue = kScanlineRendering;
    int32_t aspectIndexValue = kDefaultAspectIndex;
    std::array<MemoryPageDevice*, 2> pages{this, nullptr};
    int32_t currentPage = -1;
    uint8_t* currentPageBuffer = nullptr;
    bool displayEnabled = true;
    int32_t videoMode = -1;
    bool graphicsMode = false;
    int32_t columnCount = -1;
    int32_t rowCount = -1;
    int32_t screenColumns = -1;
    int32_t screenRows = -1;
    int32_t charWidth = -1;
    int32_t charHeight = -1;
    int32_t pixelBits = -1;
    int32_t lineCount = -1;
    int32_t* renderMode = &renderModeValue;
    int32_t* aspectIndex = &aspectIndexValue;
    int32_t timingMode = -1;
    int32_t totalLines = 0;
    int32_t frameRate = 0;
    int32_t lineAccumulator = 0;
    int32_t linesPerEvent = 0;
    uint64_t renderStamp = 0;
    int32_t currentLine = 0;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    float aspectFactor = 0.0F;
    float defaultAspectFactor;
    int32_t frameEventIndex = -1;
    common::MemoryStream dataBlock;
    int32_t dataBlockMinSize = -1;
    int32_t dataBlockMaxSize = -1;

private:
    struct VideoChunk;

    bool ReadVideoChunk(common::RecordArchive& archive, VideoChunk& chunk) const;
    void ApplyVideoChunk(const VideoChunk& chunk);
    std::array<int32_t*, kOptionalParameterCount> OptionalParameters();
    // The page view's name and tag.
    common::NarrowString PageName(int32_t page) const;
    common::NarrowString PageTag(int32_t page) const;

    // The bus rate and event divider linesPerEvent was taken for, in bus-lines timing.
    int32_t matchedBusRate = -1;
    int32_t matchedDivider = 0;
};

} // namespace emu
