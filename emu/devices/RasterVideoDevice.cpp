#include "emu/devices/RasterVideoDevice.h"

#include "common/LittleEndian.h"
#include "common/RecordArchive.h"
#include "common/SystemUtilities.h"
#include "emu/core/BusService.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/RendererBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace emu {

namespace {

const char* const kVideoChunk = "_VIDD";
constexpr uint8_t kVideoChunkVersion = 1;
// Shown width / height of a 4.25/3 picture, and the bounds of the default.
constexpr float kBaseAspect = 1.4166666F;
constexpr float kLowestDefaultAspect = 1.3333334F;
constexpr float kHighestDefaultAspect = 1.6666666F;
// The screen shape the base aspect suits.
constexpr double kBaseScreenShape = 1.6;
// Lines per bus event are counted in thousandths.
constexpr int32_t kLineUnit = 1000;
// The most lines a frame may have: keeps a frame's thousandths within 32 bits.
constexpr int32_t kMostTotalLines = 65536;
constexpr uint32_t kSettingsChanged = 0x80;
// No bus rate has been matched yet.
constexpr int32_t kUnmatched = -1;

constexpr const char* kHiRenderEvent = "_HiRenderEvent0";
constexpr const char* kLoRenderEvent = "_LoRenderEvent0";
constexpr const char* kFrRenderEvent = "_FrRenderEvent0";
constexpr const char* kPsRenderEvent = "_PsRenderEvent0";

// Names of the optional geometry parameters in the state, in their bit order.
constexpr std::array<const char*, 9> kOptionalParameterNames{"VMOD", "COLC", "ROWC", "COLS", "ROWS",
                                                             "CHRW", "CHRH", "PIXS", "LINS"};
constexpr int32_t kOptionalParameterBits = (1 << kOptionalParameterNames.size()) - 1;

int32_t ClampedHz(int64_t hz) {
    return static_cast<int32_t>(std::min<int64_t>(hz, INT32_MAX));
}

RasterVideoDevice* VideoOf(TreeNode* owner) {
    return static_cast<RasterVideoDevice*>(owner);
}

common::NarrowString Key(const char* text) {
    return common::NarrowString(text);
}

} // namespace

float DefaultAspectFactor(uint32_t screenWidth, uint32_t screenHeight) {
    if (screenWidth <= 320 || screenHeight <= 200) {
        return kBaseAspect;
    }
    const double shape = static_cast<double>(screenWidth) / screenHeight;
    const auto factor = static_cast<float>(kBaseAspect * std::sqrt(shape / kBaseScreenShape));
    return std::clamp(factor, kLowestDefaultAspect, kHighestDefaultAspect);
}

// "_VIDD" as read, applied only once the whole state was read and checked.
struct RasterVideoDevice::VideoChunk {
    uint8_t page = 0;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    int32_t currentLine = 0;
    int64_t renderStamp = 0;
    float aspectFactor = 0.0F;
    bool displayEnabled = false;
    bool graphicsMode = false;
    std::array<int32_t, kOptionalParameterCount> optional{};
    int32_t timingMode = -1;
    int32_t totalLines = 0;
    int32_t frameRate = 0;
    int32_t lineAccumulator = 0;
    int32_t linesPerEvent = 0;
    std::vector<uint8_t> data;
    int32_t frameEventIndex = -1;
};

RasterVideoDevice::RasterVideoDevice(const char* name, const char* tag) : MemoryPageDevice(name, tag) {
    uint32_t width = 0;
    uint32_t height = 0;
    common::GetScreenSize(&width, &height);
    defaultAspectFactor = DefaultAspectFactor(width, height);
    dataBlock.Create(0, -1);
}

RasterVideoDevice::~RasterVideoDevice() {
    currentPageBuffer = nullptr;
    dataBlock.Free();
}

// ---- Settings and lifecycle

bool RasterVideoDevice::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (!enabledOnly) {
        BindVideoSettings(settings, renderMode == &renderModeValue ? renderMode : nullptr,
                          aspectIndex == &aspectIndexValue ? aspectIndex : nullptr);
    }
    return MemoryPageDevice::ExchangeSettings(settings, enabledOnly);
}

bool RasterVideoDevice::Reset(bool enabledOnly) {
    const bool childrenReset = MemoryPageDevice::Reset(enabledOnly);
    return ResetVideoSettings(renderModeValue, aspectIndexValue) && childrenReset;
}

void RasterVideoDevice::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    MemoryPageDevice::FillSettingsTree(item, kind);
    if (kind == OptionKind::Video) {
        AddVideoSettingsItems(item, renderMode == &renderModeValue ? renderMode : nullptr,
                              aspectIndex == &aspectIndexValue ? aspectIndex : nullptr, &running);
    }
}

bool RasterVideoDevice::Start(int32_t& rate) {
    if (!MemoryPageDevice::Start(rate)) {
        return false;
    }
    timingMode = -1;
    totalLines = 0;
    frameRate = 0;
    lineAccumulator = 0;
    linesPerEvent = 0;
    matchedBusRate = kUnmatched;
    renderStamp = 0;
    currentLine = 0;
    screenWidth = 0;
    screenHeight = 0;
    currentPage = -1;
    currentPageBuffer = nullptr;
    if (pages[0] != nullptr) {
        ShowPage(0);
    }
    frameEventIndex = -1;
    displayEnabled = true;
    graphicsMode = false;
    const float fixedAspect = FixedAspectFactor(*aspectIndex);
    aspectFactor = fixedAspect > 0 ? fixedAspect : defaultAspectFactor;
    for (int32_t* parameter : OptionalParameters()) {
        *parameter = -1;
    }
    BusService* bus = Bus();
    return bus != nullptr && bus->BindObjectEvent(kHiRenderEvent, OnHiRenderEvent, this) &&
           bus->BindCallbackEvent(kLoRenderEvent, OnLoRenderEvent, this) &&
           bus->BindCallbackEvent(kFrRenderEvent, OnFrRenderEvent, this) &&
           bus->BindCallbackEvent(kPsRenderEvent, OnPsRenderEvent, this);
}

void RasterVideoDevice::Stop() {
    currentPageBuffer = nullptr;
    MemoryPageDevice::Stop();
}

bool RasterVideoDevice::Notify(uint32_t code) {
    const bool result = MemoryPageDevice::Notify(code);
    if ((code & kSettingsChanged) != 0 && Renderer() != nullptr) {
        Renderer()->ForceRedraw();
    }
    return result;
}

// ---- What derived devices supply and use

bool RasterVideoDevice::DrawLine(int32_t, int32_t, int32_t, uint32_t*, bool, int32_t) {
    return false;
}

bool RasterVideoDevice::SyncRendererSize() {
    RendererBase* renderer = Renderer();
    return renderer != nullptr && !renderer->HasSize(screenWidth, screenHeight) &&
           renderer->Resize(screenWidth, screenHeight, false);
}

void RasterVideoDevice::FramePhase(int32_t, int32_t) {}

void RasterVideoDevice::WriteAddress(uint32_t address, uint8_t value) {
    const int64_t offset = OffsetOf(address);
    if (offset >= 0) {
        WriteByte(buffer, static_cast<int32_t>(offset), value);
    }
}

int32_t RasterVideoDevice::ReadAddress(uint32_t address, bool peek) {
    const int64_t offset = OffsetOf(address);
    if (offset < 0) {
        return -1;
    }
    uint8_t value = 0xFF;
    ReadByte(buffer, static_cast<int32_t>(offset), value, peek);
    return value;
}

bool RasterVideoDevice::GetGeometry(int32_t& mode, int32_t& width, int32_t& height, int32_t& columns, int32_t& rows,
                                    uint32_t& colours, int32_t& reserved) const {
    mode = videoMode;
    width = screenWidth;
    height = screenHeight;
    columns = columnCount;
    rows = rowCount;
    colours = 1U << (static_cast<uint32_t>(pixelBits) & 31);
    reserved = 0;
    return running;
}

void RasterVideoDevice::ShareSettings(int32_t* sharedRenderMode, int32_t* sharedAspectIndex) {
    renderMode = sharedRenderMode != nullptr ? sharedRenderMode : &renderModeValue;
    aspectIndex = sharedAspectIndex != nullptr ? sharedAspectIndex : &aspectIndexValue;
}

// ---- Video pages

common::NarrowString RasterVideoDevice::PageName(int32_t page) const {
    common::NarrowString text;
    text.Format("%s Page %ld", Name(), page);
    return text;
}

common::NarrowString RasterVideoDevice::PageTag(int32_t page) const {
    common::NarrowString text;
    text.Format("%s_PAGE%ld", Tag().IsEmpty() ? Name() : Tag(), page);
    return text;
}

bool RasterVideoDevice::EnsurePage(int32_t page) {
    if (pages[static_cast<size_t>(page)] != nullptr) {
        return true;
    }
    auto view = std::make_unique<MemoryPageDevice>();
    MemoryPageDevice* added = view.get();
    if (!AddChild(std::move(view), PageName(page).GetNarrow(), PageTag(page).GetNarrow())) {
        return false;
    }
    pages[static_cast<size_t>(page)] = added;
    return true;
}

bool RasterVideoDevice::AddMemoryPages(int32_t page, int32_t firstPage, int32_t pageCount, bool enabled,
                                       bool optionFlag) {
    return !IsRunning() && page >= 0 && page <= 1 && EnsurePage(page) &&
           pages[static_cast<size_t>(page)]->SetMemoryWindow(firstPage, pageCount, enabled, optionFlag);
}

bool RasterVideoDevice::SetMemoryPageSize(int32_t page, int32_t sizeInKB, uint32_t mask) {
    return !IsRunning() && page >= 0 && page <= 1 && EnsurePage(page) &&
           pages[static_cast<size_t>(page)]->SetMemorySize(sizeInKB, mask);
}

int32_t RasterVideoDevice::AttachPageDevice(std::unique_ptr<MemoryPageDevice> device, const char* name,
                                            const char* tag) {
    if (IsRunning() || pages[1] != nullptr) {
        return -1;
    }
    if (device == nullptr) {
        device = std::make_unique<MemoryPageDevice>();
    }
    const common::NarrowString childName = name != nullptr ? common::NarrowString(name) : PageName(1);
    const common::NarrowString childTag = tag != nullptr ? common::NarrowString(tag) : PageTag(1);
    MemoryPageDevice* added = device.get();
    if (!AddChild(std::move(device), childName.GetNarrow(), childTag.GetNarrow())) {
        return -1;
    }
    pages[1] = added;
    return 1;
}

void RasterVideoDevice::ShowPage(int32_t page) {
    MemoryPageDevice* shown = pages[static_cast<size_t>(page)];
    currentPage = page;
    currentPageBuffer = shown->Buffer();
    shown->SetMarkFrameOnWrite(true);
    if (Renderer() != nullptr) {
        Renderer()->ForceRedraw();
    }
}

// ---- Data block

bool RasterVideoDevice::SetDataBlock(const uint8_t* bytes, int32_t size) {
    if (size < 0 || (bytes == nullptr && size > 0)) {
        return false;
    }
    if (dataBlockMaxSize >= 0 && size > dataBlockMaxSize) {
        size = dataBlockMaxSize;
    }
    if ((dataBlockMinSize >= 0 && size < dataBlockMinSize) || (dataBlock.Size() != size && !dataBlock.Resize(size)) ||
        (size > 0 && dataBlock.WriteAt(bytes, 0, size) != size)) {
        return false;
    }
    if (Renderer() != nullptr) {
        Renderer()->ForceRedraw();
    }
    return true;
}

bool RasterVideoDevice::SetDataBlock(common::ByteStream& stream) {
    int64_t size = stream.Size();
    if (dataBlockMaxSize >= 0) {
        size = std::min<int64_t>(size, dataBlockMaxSize);
    }
    if (size < 0 || size > INT32_MAX) {
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    return (size == 0 || stream.ReadAt(bytes.data(), 0, size) == size) &&
           SetDataBlock(bytes.data(), static_cast<int32_t>(size));
}

void RasterVideoDevice::SetDataBlockLimits(int32_t minimumSize, int32_t maximumSize) {
    dataBlockMinSize = minimumSize;
    dataBlockMaxSize = maximumSize;
}

// ---- Timing

CpuInterface* RasterVideoDevice::Cpu() const {
    return Machine() != nullptr ? Machine()->FirstCpu() : nullptr;
}

bool RasterVideoDevice::ScheduleRenderEvents(int32_t width, int32_t visibleLines, int32_t lines, int32_t rate,
                                             int32_t mode) {
    if (lines < 0) {
        lines = totalLines;
    }
    if (rate < 0) {
        rate = frameRate;
    }
    if (width < 0 || visibleLines < 0 || lines < 0 || rate < 0 || width > Renderer::kMaxSide ||
        visibleLines > Renderer::kMaxSide || lines > kMostTotalLines) {
        return false;
    }
    if (lines <= visibleLines) {
        lines = visibleLines + visibleLines / 8 + 8;
    }
    screenWidth = width;
    screenHeight = visibleLines;
    if (timingMode == 0 && lines == totalLines && rate == frameRate) {
        return true;
    }
    const int64_t linesPerSecond = static_cast<int64_t>(rate) * lines;
    const uint64_t tag = renderStamp + 1;
    BusService* bus = Bus();
    switch (mode) {
    case 0:
        if (bus == nullptr || bus->AddEvent(ClampedHz(4 * static_cast<int64_t>(rate)), OnFrRenderEvent, this,
                                            kFrRenderEvent, tag, false) == 0) {
            return false;
        }
        break;
    case 1: {
        lineAccumulator = 0;
        // A bus without a rate would add the event at a rate of its choosing later.
        if (bus == nullptr || bus->Rate() <= 0 ||
            bus->AddEvent(ClampedHz(linesPerSecond), OnLoRenderEvent, this, kLoRenderEvent, tag, false) <= 0) {
            return false;
        }
        frameEventIndex = 0;
        for (int32_t index = bus->EventCount() - 1; index >= 0; --index) {
            const BusEvent* event = bus->EventAt(index);
            if (event->owner == this && event->tag == tag && event->callback == OnLoRenderEvent) {
                matchedBusRate = kUnmatched;
                MatchLineRate(*event, linesPerSecond, lines);
                break;
            }
        }
        break;
    }
    case 2:
        if (linesPerSecond != 0) {
            CpuInterface* cpu = Cpu();
            if (cpu == nullptr) {
                return false;
            }
            const double period = std::floor(cpu->EffectiveFrequency() / static_cast<double>(linesPerSecond) + 0.5);
            if (!cpu->AddEvent(static_cast<int32_t>(std::clamp(period, 1.0, static_cast<double>(INT32_MAX))),
                               OnHiRenderEvent, this, kHiRenderEvent, tag)) {
                return false;
            }
        }
        break;
    case 3:
        if (bus == nullptr || bus->AddEvent(ClampedHz(2 * static_cast<int64_t>(rate)), OnPsRenderEvent, this,
                                            kPsRenderEvent, tag, false) == 0) {
            return false;
        }
        break;
    default:
        return false;
    }
    renderStamp = tag;
    totalLines = lines;
    frameRate = rate;
    timingMode = 0;
    return true;
}

void RasterVideoDevice::MatchLineRate(const BusEvent& event, int64_t linesPerSecond, int32_t linesPerFrame) {
    const int32_t busRate = Bus() != nullptr ? Bus()->Rate() : 0;
    if (busRate == matchedBusRate && event.divider == matchedDivider) {
        return;
    }
    matchedBusRate = busRate;
    matchedDivider = event.divider;
    const double firings = busRate > 0 && event.divider > 0 ? static_cast<double>(busRate) / event.divider : 0.0;
    const double wanted = firings > 0 ? std::trunc(linesPerSecond / firings * kLineUnit) : 0.0;
    const double most = static_cast<double>(kLineUnit) * std::clamp(linesPerFrame, 1, kMostTotalLines);
    linesPerEvent = static_cast<int32_t>(std::clamp(wanted, static_cast<double>(kLineUnit), most));
}

bool RasterVideoDevice::RenderPendingLines(bool full, bool skipFirstLine) {
    RendererBase* renderer = Renderer();
    if (renderer == nullptr) {
        return false;
    }
    const bool resized = SyncRendererSize();
    if (!renderer->HasSize(screenWidth, screenHeight)) {
        return false;
    }
    if (full && !skipFirstLine) {
        renderer->ForceRedraw();
    }
    bool drawn = resized;
    for (int32_t l = !full && skipFirstLine ? 1 : 0; l < screenHeight; ++l) {
        if (renderer->NeedsLine(l)) {
            drawn = DrawLine(l, 0, screenWidth, renderer->Row(l), full, -1) || drawn;
            renderer->MarkLineDrawn(l);
        } else if (!full) {
            DrawLine(l, 0, 0, nullptr, false, -1);
        }
    }
    return drawn;
}

void RasterVideoDevice::DrawOrBlank(int32_t l, int32_t eventIndex) {
    RendererBase* renderer = Renderer();
    if (renderer != nullptr && l < screenHeight && renderer->NeedsLine(l) && renderer->GetWidth() == screenWidth) {
        DrawLine(l, 0, screenWidth, renderer->Row(l), false, eventIndex);
        renderer->MarkLineDrawn(l);
    } else {
        DrawLine(l, 0, 0, nullptr, false, eventIndex);
    }
}

void RasterVideoDevice::BlankLines(int32_t first, int32_t last) {
    for (int32_t l = first; l < last; ++l) {
        DrawLine(l, 0, 0, nullptr, false, -1);
    }
}

bool RasterVideoDevice::NextLine() {
    if (++currentLine < totalLines) {
        return false;
    }
    currentLine = 0;
    return true;
}

void RasterVideoDevice::RenderFrame() {
    const bool drawn = RenderPendingLines(false, false);
    BlankLines(screenHeight, totalLines);
    if (drawn && Renderer() != nullptr) {
        Renderer()->EndFrame(true, aspectFactor);
    }
}

void RasterVideoDevice::EndFrameAfterLines() {
    SyncRendererSize();
    if (Renderer() != nullptr) {
        Renderer()->EndFrame(true, aspectFactor);
    }
}

void RasterVideoDevice::BusLineStep() {
    const CpuInterface* cpu = Cpu();
    const bool deferred = cpu != nullptr && cpu->DefersLineRendering();
    if (deferred) {
        DrawLine(currentLine, 0, 0, nullptr, false, frameEventIndex);
    } else {
        DrawOrBlank(currentLine, frameEventIndex);
    }
    if (!NextLine()) {
        return;
    }
    frameEventIndex = 0;
    if (deferred) {
        RenderFrame();
    } else {
        EndFrameAfterLines();
    }
}

bool RasterVideoDevice::OnHiRenderEvent(TreeNode* owner, int32_t*, uint64_t* data, CpuInterface*) {
    RasterVideoDevice* video = VideoOf(owner);
    if (!video->IsCurrent(*data)) {
        return false;
    }
    // Frame rendering makes no per-line call: the whole frame is drawn at its end.
    if (*video->renderMode == kScanlineRendering) {
        video->DrawOrBlank(video->currentLine, -1);
    }
    if (video->NextLine()) {
        if (*video->renderMode == kFrameRendering) {
            video->RenderFrame();
        } else {
            video->EndFrameAfterLines();
        }
    }
    return true;
}

bool RasterVideoDevice::OnLoRenderEvent(TreeNode* owner, BusEvent* event) {
    RasterVideoDevice* video = VideoOf(owner);
    if (event != nullptr) {
        if (!video->IsCurrent(event->tag)) {
            return false;
        }
        video->MatchLineRate(*event, static_cast<int64_t>(video->frameRate) * video->totalLines, video->totalLines);
    }
    video->BusLineStep();
    if (event != nullptr) {
        // Each event advances linesPerEvent / 1000 lines on average.
        video->lineAccumulator += video->linesPerEvent - kLineUnit;
        while (video->lineAccumulator > kLineUnit - 1) {
            video->lineAccumulator -= kLineUnit;
            video->BusLineStep();
        }
        ++video->frameEventIndex;
    }
    return true;
}

bool RasterVideoDevice::OnFrRenderEvent(TreeNode* owner, BusEvent* event) {
    RasterVideoDevice* video = VideoOf(owner);
    if (!video->IsCurrent(event->tag)) {
        return false;
    }
    const auto phase = static_cast<int32_t>(event->fireCount & 3);
    video->FramePhase(phase, 4);
    if (phase == 0) {
        video->RenderFrame();
    }
    return true;
}

bool RasterVideoDevice::OnPsRenderEvent(TreeNode* owner, BusEvent* event) {
    RasterVideoDevice* video = VideoOf(owner);
    if (!video->IsCurrent(event->tag)) {
        return false;
    }
    if ((event->fireCount & 1) == 0) {
        video->BlankLines(video->screenHeight + 1, video->totalLines);
        video->BlankLines(0, 1);
        return true;
    }
    if (video->RenderPendingLines(false, false) && video->Renderer() != nullptr) {
        video->Renderer()->EndFrame(true, video->aspectFactor);
    }
    if (video->screenHeight < video->totalLines) {
        video->BlankLines(video->screenHeight, video->screenHeight + 1);
    }
    return true;
}

// ---- State

std::array<int32_t*, RasterVideoDevice::kOptionalParameterCount> RasterVideoDevice::OptionalParameters() {
    return {&videoMode, &columnCount, &rowCount,  &screenColumns, &screenRows,
            &charWidth, &charHeight,  &pixelBits, &lineCount};
}

bool RasterVideoDevice::SaveOwnData(common::RecordArchive& archive) {
    if (!MemoryPageDevice::SaveOwnData(archive)) {
        return false;
    }
    const std::array<int32_t*, kOptionalParameterCount> optional = OptionalParameters();
    int32_t present = 0;
    for (size_t index = 0; index < optional.size(); ++index) {
        present |= *optional[index] >= 0 ? 1 << index : 0;
    }
    uint8_t aspectBytes[sizeof(double)];
    uint64_t aspectBits = 0;
    const double wideAspect = aspectFactor;
    std::memcpy(&aspectBits, &wideAspect, sizeof aspectBits);
    common::StoreLittleEndian(aspectBytes, sizeof aspectBytes, aspectBits);
    const auto dataSize = static_cast<int32_t>(dataBlock.Size());

    bool written = archive.WriteMarker(common::kChunkBeginMarker, Key(kVideoChunk)) &&
                   archive.WriteRecordU8(kVideoChunkVersion, Key("VER")) &&
                   archive.WriteRecordU8(static_cast<uint8_t>(currentPage), Key("PID")) &&
                   archive.WriteRecordI32(screenWidth, Key("SCSW")) &&
                   archive.WriteRecordI32(screenHeight, Key("SCSH")) &&
                   archive.WriteRecordI32(currentLine, Key("SCLN")) &&
                   archive.WriteRecordI64(static_cast<int64_t>(renderStamp), Key("RNDT")) &&
                   archive.WriteRecordBlob(aspectBytes, sizeof aspectBytes, Key("APCT")) &&
                   archive.WriteRecordBool(displayEnabled, Key("ENBL")) &&
                   archive.WriteRecordBool(graphicsMode, Key("GMOD")) && archive.WriteRecordI32(present, Key("VPAR"));
    for (size_t index = 0; written && index < optional.size(); ++index) {
        written = *optional[index] < 0 || archive.WriteRecordI32(*optional[index], Key(kOptionalParameterNames[index]));
    }
    written = written && archive.WriteRecordI32(timingMode, Key("TMOD")) &&
              (timingMode != 0 ||
               (archive.WriteRecordI32(totalLines, Key("T0SC")) && archive.WriteRecordI32(frameRate, Key("T0FR")) &&
                archive.WriteRecordI32(lineAccumulator, Key("T0SP")) &&
                archive.WriteRecordI32(linesPerEvent, Key("T0SZ")))) &&
              archive.WriteRecordI32(dataSize, Key("FSIZ")) &&
              (dataSize <= 0 || archive.WriteRecordBlob(dataBlock.GetBuffer(), dataSize, Key("FDAT"))) &&
              archive.WriteRecordI32(frameEventIndex, Key("LGRI"));
    return written && archive.WriteMarker(common::kChunkEndMarker, Key(kVideoChunk));
}

bool RasterVideoDevice::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    PageChunk pageChunk;
    VideoChunk videoChunk;
    if (!Device::LoadOwnData(archive, note) || !ReadPageChunk(archive, pageChunk) ||
        !ReadVideoChunk(archive, videoChunk) || !ReadDerivedState(archive) || !PrepareBuffer()) {
        return false;
    }
    const auto dataSize = static_cast<int64_t>(videoChunk.data.size());
    if (dataBlock.Size() != dataSize && !dataBlock.Resize(dataSize)) {
        return false;
    }
    ApplyPageChunk(pageChunk);
    ApplyVideoChunk(videoChunk);
    ApplyDerivedState();
    return true;
}

bool RasterVideoDevice::ReadVideoChunk(common::RecordArchive& archive, VideoChunk& chunk) const {
    uint8_t version = 0;
    uint8_t aspectBytes[sizeof(double)];
    if (!archive.ReadMarker(Key(kVideoChunk), common::kChunkBeginMarker) ||
        !archive.ReadRecordU8(version, Key("VER")) || version != kVideoChunkVersion ||
        !archive.ReadRecordU8(chunk.page, Key("PID")) || !archive.ReadRecordI32(chunk.screenWidth, Key("SCSW")) ||
        !archive.ReadRecordI32(chunk.screenHeight, Key("SCSH")) ||
        !archive.ReadRecordI32(chunk.currentLine, Key("SCLN")) ||
        !archive.ReadRecordI64(chunk.renderStamp, Key("RNDT")) ||
        !archive.ReadRecordBlob(aspectBytes, sizeof aspectBytes, Key("APCT"))) {
        return false;
    }
    // A screen the renderer could not take, or a line before the frame.
    if (chunk.screenWidth < 0 || chunk.screenWidth > Renderer::kMaxSide || chunk.screenHeight < 0 ||
        chunk.screenHeight > Renderer::kMaxSide || chunk.currentLine < 0) {
        return false;
    }
    const uint64_t aspectBits = common::LoadLittleEndian(aspectBytes, sizeof aspectBytes);
    double wideAspect = 0;
    std::memcpy(&wideAspect, &aspectBits, sizeof wideAspect);
    chunk.aspectFactor = static_cast<float>(wideAspect);
    if (!std::isfinite(wideAspect) || !std::isfinite(chunk.aspectFactor) || !(chunk.aspectFactor > 0.0F)) {
        return false;
    }

    int32_t present = 0;
    if (!archive.ReadRecordBool(chunk.displayEnabled, Key("ENBL")) ||
        !archive.ReadRecordBool(chunk.graphicsMode, Key("GMOD")) || !archive.ReadRecordI32(present, Key("VPAR")) ||
        (present & ~kOptionalParameterBits) != 0) {
        return false;
    }
    for (size_t index = 0; index < chunk.optional.size(); ++index) {
        chunk.optional[index] = -1;
        if ((present & (1 << index)) != 0 &&
            (!archive.ReadRecordI32(chunk.optional[index], Key(kOptionalParameterNames[index])) ||
             chunk.optional[index] < 0)) {
            return false;
        }
    }

    if (!archive.ReadRecordI32(chunk.timingMode, Key("TMOD")) || (chunk.timingMode != -1 && chunk.timingMode != 0)) {
        return false;
    }
    if (chunk.timingMode == 0) {
        if (!archive.ReadRecordI32(chunk.totalLines, Key("T0SC")) ||
            !archive.ReadRecordI32(chunk.frameRate, Key("T0FR")) ||
            !archive.ReadRecordI32(chunk.lineAccumulator, Key("T0SP")) ||
            !archive.ReadRecordI32(chunk.linesPerEvent, Key("T0SZ"))) {
            return false;
        }
        // The line within the frame, the accumulator within one line, and lines per event (none outside bus-lines
        // timing) within one frame.
        const int64_t mostPerEvent = static_cast<int64_t>(kLineUnit) * chunk.totalLines;
        if (chunk.currentLine >= chunk.totalLines || chunk.totalLines > kMostTotalLines || chunk.frameRate < 0 ||
            chunk.lineAccumulator < 0 || chunk.lineAccumulator >= kLineUnit ||
            (chunk.linesPerEvent != 0 && (chunk.linesPerEvent < kLineUnit || chunk.linesPerEvent > mostPerEvent))) {
            return false;
        }
    }

    int32_t dataSize = 0;
    if (!archive.ReadRecordI32(dataSize, Key("FSIZ")) || dataSize < 0 ||
        (dataBlockMaxSize >= 0 && dataSize > dataBlockMaxSize) ||
        dataSize > archive.Stream().Size() - archive.Stream().Tell()) {
        return false;
    }
    if (dataSize > 0) {
        chunk.data.resize(static_cast<size_t>(dataSize));
        if (!archive.ReadRecordBlob(chunk.data.data(), dataSize, Key("FDAT"))) {
            return false;
        }
    }
    return archive.ReadRecordI32(chunk.frameEventIndex, Key("LGRI")) &&
           archive.ReadMarker(Key(kVideoChunk), common::kChunkEndMarker) && chunk.page <= 1 &&
           pages[chunk.page] != nullptr;
}

void RasterVideoDevice::ApplyVideoChunk(const VideoChunk& chunk) {
    screenWidth = chunk.screenWidth;
    screenHeight = chunk.screenHeight;
    currentLine = chunk.currentLine;
    renderStamp = static_cast<uint64_t>(chunk.renderStamp);
    // The saved factor stands for the default; a fixed ratio chosen now stays.
    if (*aspectIndex == kDefaultAspectIndex) {
        aspectFactor = chunk.aspectFactor;
    }
    displayEnabled = chunk.displayEnabled;
    graphicsMode = chunk.graphicsMode;
    const std::array<int32_t*, kOptionalParameterCount> optional = OptionalParameters();
    for (size_t index = 0; index < optional.size(); ++index) {
        *optional[index] = chunk.optional[index];
    }
    timingMode = chunk.timingMode;
    if (timingMode == 0) {
        totalLines = chunk.totalLines;
        frameRate = chunk.frameRate;
        lineAccumulator = chunk.lineAccumulator;
        linesPerEvent = chunk.linesPerEvent;
    }
    // Bus-lines timing takes its spread from the restored event again.
    matchedBusRate = kUnmatched;
    if (!chunk.data.empty()) {
        dataBlock.WriteAt(chunk.data.data(), 0, static_cast<int64_t>(chunk.data.size()));
    }
    frameEventIndex = chunk.frameEventIndex;
    ShowPage(chunk.page);
}

} // namespace emu
