#include "emu/devices/DirectSoundOutput.h"

#include "emu/devices/StartFade.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace emu {

namespace {

// Where the first block goes, in slots after the play slot; steady play keeps it there.
constexpr int32_t kSlotsAhead = 6;
// A call fills slots up to this far ahead when it fell behind.
constexpr int32_t kFurthestFill = 5;
// From this far ahead the calls ran ahead and step back...
constexpr int32_t kStepBackDistance = 10;
constexpr int32_t kStepBack = 2;
// ...and from this far the place is lost.
constexpr int32_t kLostDistance = 16;

int32_t Wrapped(int64_t slot, int32_t blockCount) {
    const int64_t remainder = slot % blockCount;
    return static_cast<int32_t>(remainder < 0 ? remainder + blockCount : remainder);
}

} // namespace

PcmFormat MakePcmFormat(int32_t sampleRate, int32_t sampleBits) {
    PcmFormat format;
    format.sampleRate = sampleRate;
    format.sampleBits = sampleBits;
    format.blockAlign = sampleBits / 8;
    format.bytesPerSecond = format.blockAlign * sampleRate;
    return format;
}

SlotPlan PlanSlots(uint32_t play, uint32_t write, int32_t blockBytes, int32_t blockCount, int32_t nextSlot) {
    SlotPlan plan;
    const uint64_t bufferBytes = static_cast<uint64_t>(std::max(blockBytes, 0)) * std::max(blockCount, 0);
    if (play >= bufferBytes || write >= bufferBytes) {
        return plan;
    }
    const auto playSlot = static_cast<int32_t>(play / static_cast<uint32_t>(blockBytes));
    const auto writeSlot = static_cast<int32_t>(write / static_cast<uint32_t>(blockBytes));
    const int32_t gap = Wrapped(static_cast<int64_t>(writeSlot) - playSlot, blockCount);
    if (nextSlot < 0 || nextSlot >= blockCount) {
        nextSlot = Wrapped(static_cast<int64_t>(playSlot) + kSlotsAhead, blockCount);
    }
    int32_t distance = Wrapped(static_cast<int64_t>(nextSlot) - playSlot, blockCount);
    if (distance >= kLostDistance) {
        nextSlot = playSlot;
        distance = 0;
    } else if (distance >= kStepBackDistance) {
        nextSlot = Wrapped(static_cast<int64_t>(nextSlot) - kStepBack, blockCount);
        distance -= kStepBack;
    }
    // One slot at least, and on up to kFurthestFill ahead; only those at or past the write cursor are filled.
    const int32_t steps = std::max(1, kFurthestFill + 1 - distance);
    const int32_t furthest = distance + steps - 1;
    const int32_t nearest = std::max(distance, gap);
    plan.valid = true;
    plan.count = nearest <= furthest ? furthest - nearest + 1 : 0;
    plan.firstSlot = Wrapped(static_cast<int64_t>(nextSlot) + (nearest - distance), blockCount);
    plan.nextSlot = Wrapped(static_cast<int64_t>(nextSlot) + steps, blockCount);
    return plan;
}

DirectSoundOutput::DirectSoundOutput(DirectSoundDeviceFactory factory) : factory(std::move(factory)) {}

DirectSoundOutput::~DirectSoundOutput() {
    DirectSoundOutput::Close();
}

bool DirectSoundOutput::Open(int32_t sampleRate, int32_t sampleBits, int32_t blockCount) {
    common::LockGuard guard(RingLock());
    if (device != nullptr || HostWindow() == nullptr) {
        return false;
    }
    opened = false;
    if (sampleRate < 1 || sampleBits < 1 || blockCount < kMinBlocks || sampleRate % blockCount != 0 ||
        factory == nullptr) {
        return false;
    }
    device = factory();
    if (device == nullptr) {
        return false;
    }
    const PcmFormat format = MakePcmFormat(sampleRate, sampleBits);
    if (!device->Create(HostWindow()) ||
        !device->CreatePrimaryBuffer(DirectSoundDevice::kPrimaryBuffer | DirectSoundDevice::kStickyFocus, format) ||
        !HostSoundOutput::Open(sampleRate, sampleBits, blockCount)) {
        Close();
        return false;
    }
    slotBytes = BlockBytes();
    slotCount = blockCount;
    if (!device->CreateLoopingBuffer(DirectSoundDevice::kCurrentPosition2 | DirectSoundDevice::kStickyFocus,
                                     static_cast<uint32_t>(slotBytes) * static_cast<uint32_t>(slotCount), format)) {
        Close();
        return false;
    }
    // The buffer's own content is undefined: it plays the rest level until the first block fades in.
    std::vector<uint8_t> rest(static_cast<size_t>(slotBytes));
    FillAtRestLevel(rest, sampleBits);
    for (int32_t slot = 0; slot < slotCount; ++slot) {
        FillSlot(slot, rest);
    }
    SetPaced(false);
    inWrite = false;
    nextSlot = -1;
    fadedIn = false;
    if (!device->Play()) {
        Close();
        return false;
    }
    opened = true;
    return true;
}

void DirectSoundOutput::Close() {
    common::LockGuard guard(RingLock());
    opened = false;
    if (device != nullptr) {
        device->Release();
        device.reset();
    }
    slotBytes = 0;
    slotCount = 0;
    nextSlot = -1;
    HostSoundOutput::Close();
}

std::unique_ptr<HostSoundOutput> DirectSoundOutput::Clone() const {
    auto clone = std::make_unique<DirectSoundOutput>(factory);
    clone->SetHostWindow(HostWindow());
    return clone;
}

void DirectSoundOutput::Silence() {
    common::LockGuard guard(RingLock());
    if (inWrite || !opened) {
        return;
    }
    inWrite = true;
    device->Stop();
    inWrite = false;
}

bool DirectSoundOutput::WriteBlock(int32_t index) {
    if (inWrite || !opened) {
        return false;
    }
    inWrite = true;
    uint32_t play = 0;
    uint32_t write = 0;
    SlotPlan plan;
    if (device->GetPosition(play, write)) {
        plan = PlanSlots(play, write, slotBytes, slotCount, nextSlot);
    }
    if (!plan.valid) {
        inWrite = false;
        return false;
    }
    const std::span<const uint8_t> block = Block(index);
    for (int32_t step = 0; step < plan.count; ++step) {
        uint32_t status = 0;
        if (device->GetStatus(status) && (status & DirectSoundDevice::kStatusPlaying) == 0) {
            device->Play();
        }
        const int32_t slot = (plan.firstSlot + step) % slotCount;
        if (fadedIn) {
            FillSlot(slot, block);
            continue;
        }
        std::vector<uint8_t> faded(block.begin(), block.end());
        FadeInFromRestLevel(faded, SampleBits());
        fadedIn = FillSlot(slot, faded);
    }
    nextSlot = plan.nextSlot;
    inWrite = false;
    return opened;
}

bool DirectSoundOutput::FillSlot(int32_t slot, std::span<const uint8_t> block) {
    const auto offset = static_cast<uint32_t>(slot) * static_cast<uint32_t>(slotBytes);
    const auto bytes = static_cast<uint32_t>(slotBytes);
    DirectSoundDevice::LockedRegion region;
    DirectSoundDevice::LockResult result = device->Lock(offset, bytes, region);
    if (result == DirectSoundDevice::LockResult::kLost) {
        device->Restore();
        device->Play();
        result = device->Lock(offset, bytes, region);
    }
    if (result != DirectSoundDevice::LockResult::kLocked) {
        return false;
    }
    const size_t first = std::min<size_t>(region.first != nullptr ? region.firstBytes : 0, block.size());
    if (first > 0) {
        std::memcpy(region.first, block.data(), first);
    }
    const size_t second = std::min<size_t>(region.second != nullptr ? region.secondBytes : 0, block.size() - first);
    if (second > 0) {
        std::memcpy(region.second, block.data() + first, second);
    }
    device->Unlock(region);
    return true;
}

} // namespace emu
