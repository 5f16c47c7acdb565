#include "emu/devices/SoundChannel.h"

#include "common/LittleEndian.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/core/BusService.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/StateChunk.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace emu {

namespace {

// Output rates by the device's "SoundFreq" 1, 2 and 3; any other value plays at 48000 Hz.
constexpr std::array<int32_t, 3> kSoundFreqRates{44100, 22050, 16000};
constexpr int32_t kDefaultRate = 48000;
// A channel outside a sound device.
constexpr int32_t kLoneChannelRate = 44100;
// The rates a generator without limits of its own plays.
constexpr int32_t kLowestRate = 16000;
constexpr int32_t kHighestRate = 48000;
constexpr const char* kChunk = "_SNDCH";

int32_t RateOf(const int32_t* soundFreq) {
    if (soundFreq == nullptr) {
        return kLoneChannelRate;
    }
    return *soundFreq >= 1 && *soundFreq <= 3 ? kSoundFreqRates[static_cast<size_t>(*soundFreq - 1)] : kDefaultRate;
}

void ResetRing(common::RingStream& ring) {
    ring.Free();
    ring.Create(0, -1);
}

} // namespace

// "_SNDCH" as read, before it is applied.
struct SoundChannel::SavedChannel {
    int32_t recordIndex = 0;
    std::array<std::vector<uint8_t>, 2> rings;
    uint64_t renderStart = 0;
    uint64_t lastRecordTime = 0;
    uint64_t lastStep = 0;
    bool hasRecords = false;
};

SoundChannel::SoundChannel(int32_t payloadBytes) : Device("Sound Channel", "SNDCH"), payloadBytes(payloadBytes) {}

SoundChannel::~SoundChannel() {
    stopped = true;
}

bool SoundChannel::Record(const void* data, int32_t length, int32_t tag) {
    const CpuInterface* cpu = Machine() != nullptr ? Machine()->FirstCpu() : nullptr;
    if (stopped || cpu == nullptr) {
        return true;
    }
    if (length != payloadBytes || (length > 0 && data == nullptr)) {
        return false;
    }
    std::array<uint8_t, kHeaderBytes> header{};
    common::StoreLittleEndian(header.data(), 8, cpu->Cycles());
    common::StoreLittleEndian(header.data() + 8, 4, static_cast<uint32_t>(length));
    common::StoreLittleEndian(header.data() + 12, 4, static_cast<uint32_t>(tag));
    common::RingStream& ring = rings[static_cast<size_t>(recordIndex)];
    if (ring.Append(header.data(), kHeaderBytes) != kHeaderBytes ||
        (length > 0 && ring.Append(data, length) != length)) {
        ring.Skip(-1);
        return false;
    }
    hasRecords = true;
    return true;
}

int32_t SoundChannel::PendingRecords() const {
    return static_cast<int32_t>(rings[static_cast<size_t>(recordIndex)].Size() / (kHeaderBytes + payloadBytes));
}

bool SoundChannel::OnSoundEvent(TreeNode* owner, int32_t*, int32_t count, int32_t minSample, int32_t maxSample,
                                int32_t frequency, uint64_t*) {
    auto* channel = static_cast<SoundChannel*>(owner);
    channel->rangeMin = minSample;
    channel->rangeMax = maxSample;
    channel->RenderToOutput(frequency * count);
    return true;
}

HostSoundOutput* SoundChannel::FindOutput() const {
    for (int32_t index = 0; index < Bus()->EventCount(); ++index) {
        const BusEvent* event = Bus()->EventAt(index);
        if (event->kind == BusEvent::Kind::Output && event->mixerOwner == this) {
            return event->output.get();
        }
    }
    return nullptr;
}

SoundChannel::RecordHeader SoundChannel::ReadHeader(const uint8_t* bytes) {
    return {common::LoadLittleEndian(bytes, 8), static_cast<int32_t>(common::LoadLittleEndian(bytes + 8, 4)),
            static_cast<int32_t>(common::LoadLittleEndian(bytes + 12, 4))};
}

void SoundChannel::RenderToOutput(int32_t outputRate) {
    // The block the output converts right after this pump: the accumulator it handed out one pump ago, or, first
    // after a start or a state load, one it never handed out. Nothing is kept from pump to pump, since a state
    // load replaces the outputs.
    HostSoundOutput* output = stopped ? nullptr : FindOutput();
    accumulator = output != nullptr ? output->PendingAccumulator() : nullptr;
    if (accumulator == nullptr) {
        return;
    }
    sampleCount = output->SamplesPerBlock();
    uint64_t start = renderStart;
    if (hasRecords) {
        hasRecords = false;
        recordIndex ^= 1;
        rings[static_cast<size_t>(recordIndex)].Skip(-1);
    }
    const CpuInterface* cpu = Machine() != nullptr ? Machine()->FirstCpu() : nullptr;
    // Without a processor there is no time: the block carries the current state.
    const uint64_t now = cpu != nullptr ? cpu->Cycles() : start;
    const int64_t cpuFrequency = cpu != nullptr ? cpu->Frequency() : 0;
    common::RingStream& ring = rings[static_cast<size_t>(recordIndex ^ 1)];

    if (rangeMin != lastRangeMin || rangeMax != lastRangeMax) {
        lastRangeMin = rangeMin;
        lastRangeMax = rangeMax;
        OnRangeChanged(rangeMin, rangeMax);
        Render(nullptr, nullptr, now, now, cpuFrequency, outputRate);
    }

    const uint8_t* bytes = ring.GetBuffer();
    const auto size = static_cast<size_t>(ring.Size());
    const auto recordBytes = static_cast<size_t>(kHeaderBytes + payloadBytes);
    // A record of another payload size, or one cut short, ends the ring.
    const auto isWhole = [&](size_t at, const RecordHeader& header) {
        return header.length == payloadBytes && size - at >= recordBytes;
    };
    size_t at = 0;
    RecordHeader current{};
    const uint8_t* currentPayload = nullptr;
    if (size >= static_cast<size_t>(kHeaderBytes)) {
        current = ReadHeader(bytes);
        if (isWhole(0, current)) {
            currentPayload = bytes + kHeaderBytes;
            lastRecordTime = current.time;
            start = std::min(start, current.time);
            at = recordBytes;
        }
    }

    const double scale = now <= start ? 0.0 : static_cast<double>(sampleCount) / static_cast<double>(now - start);
    int32_t produced = 0;
    while (currentPayload != nullptr) {
        const uint8_t* nextPayload = nullptr;
        bool hasNext = false;
        RecordHeader next{};
        if (size - at >= static_cast<size_t>(kHeaderBytes)) {
            next = ReadHeader(bytes + at);
            hasNext = true;
            if (isWhole(at, next) && next.time >= lastRecordTime) {
                nextPayload = bytes + at + kHeaderBytes;
                lastRecordTime = next.time;
                at += recordBytes;
            }
        }
        const uint64_t offset = current.time - start;
        if (offset != lastStep) {
            // Past the block's end when the record lies in the future: the clamp keeps the conversion defined.
            const double position = std::min(static_cast<double>(offset) * scale, static_cast<double>(sampleCount));
            int32_t samples = std::max(static_cast<int32_t>(position) - produced, 1);
            samples = std::min(samples, sampleCount - produced);
            if (samples > 0) {
                FillAccumulator(samples);
                produced += samples;
            }
            lastStep = offset;
        }
        Render(currentPayload, nextPayload, current.time, hasNext ? next.time : now, cpuFrequency, outputRate);
        current = next;
        currentPayload = nextPayload;
    }
    if (produced < sampleCount) {
        FillAccumulator(sampleCount - produced);
    }
    renderStart = now;
    lastRecordTime = now;
    ring.Skip(-1);
}

void SoundChannel::FillAccumulator(int32_t count) {
    Fill(accumulator, count);
    accumulator += count;
}

bool SoundChannel::Start(int32_t& rate) {
    if (!Device::Start(rate)) {
        return false;
    }
    sampleBits = std::max(sampleBits, 8);
    ClearRings();
    recordIndex = 0;
    rangeMin = rangeMax = 0;
    renderStart = 0;
    lastRecordTime = 0;
    lastStep = ~uint64_t{0};
    lastRangeMin = lastRangeMax = 0;
    hasRecords = false;
    int32_t low = kLowestRate;
    int32_t high = kHighestRate;
    if (!GetRateRange(low, high)) {
        low = kLowestRate;
        high = kHighestRate;
    }
    const int32_t outputRate = std::min(std::max(RateOf(soundFreq), low), high);
    if (Bus() == nullptr || !Bus()->AttachSoundOutput(outputRate, sampleBits, OnSoundEvent, this, "SoundEvent", 0)) {
        return false;
    }
    stopped = false;
    return true;
}

void SoundChannel::Stop() {
    stopped = true;
    for (common::RingStream& ring : rings) {
        ring.Free();
    }
    Device::Stop();
}

void SoundChannel::ClearRings() {
    for (common::RingStream& ring : rings) {
        ResetRing(ring);
    }
}

bool SoundChannel::SetSampleBits(int32_t bits) {
    if (IsRunning() || bits > 16) {
        return false;
    }
    sampleBits = bits <= 8 ? 8 : 16;
    return true;
}

bool SoundChannel::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        settings->BindBool(common::NarrowString("EnableChannel"), &enableChannel);
    }
    return Device::ExchangeSettings(settings, enabledOnly);
}

bool SoundChannel::SaveOwnData(common::RecordArchive& archive) {
    const common::NarrowString chunk(kChunk);
    if (!Device::SaveOwnData(archive) || !archive.WriteMarker(common::kChunkBeginMarker, chunk) ||
        !WriteVersion(archive, "VER") || !archive.WriteRecordI32(baseFrequency, common::NarrowString("BFRQ")) ||
        !archive.WriteRecordI32(recordIndex, common::NarrowString("BFID"))) {
        return false;
    }
    for (int32_t index = 0; index < 2; ++index) {
        common::RingStream& ring = rings[static_cast<size_t>(index)];
        const auto size = static_cast<int32_t>(ring.Size());
        if (!archive.WriteRecordI32(size, common::NarrowString(index == 0 ? "BFS0" : "BFS1")) ||
            (size > 0 &&
             !archive.WriteRecordBlob(ring.GetBuffer(), size, common::NarrowString(index == 0 ? "BFD0" : "BFD1")))) {
            return false;
        }
    }
    return archive.WriteRecordU64(renderStart, common::NarrowString("CSTR")) &&
           archive.WriteRecordU64(lastRecordTime, common::NarrowString("CLSP")) &&
           archive.WriteRecordU64(lastStep, common::NarrowString("CLSC")) &&
           archive.WriteRecordBool(hasRecords, common::NarrowString("BCHN")) &&
           archive.WriteMarker(common::kChunkEndMarker, chunk) && SaveGeneratorState(archive);
}

bool SoundChannel::HoldsWholeRecords(const std::vector<uint8_t>& bytes) const {
    const auto recordBytes = static_cast<size_t>(kHeaderBytes + payloadBytes);
    size_t at = 0;
    while (bytes.size() - at >= recordBytes) {
        if (ReadHeader(bytes.data() + at).length != payloadBytes) {
            return false;
        }
        at += recordBytes;
    }
    return at == bytes.size();
}

bool SoundChannel::ReadChannelChunk(common::RecordArchive& archive, SavedChannel& saved) const {
    const common::NarrowString chunk(kChunk);
    int32_t savedFrequency = 0;
    if (!archive.ReadMarker(chunk, common::kChunkBeginMarker) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordI32(savedFrequency, common::NarrowString("BFRQ")) || savedFrequency != baseFrequency ||
        !archive.ReadRecordI32(saved.recordIndex, common::NarrowString("BFID")) ||
        (saved.recordIndex != 0 && saved.recordIndex != 1)) {
        return false;
    }
    for (int32_t index = 0; index < 2; ++index) {
        int32_t size = 0;
        if (!archive.ReadRecordI32(size, common::NarrowString(index == 0 ? "BFS0" : "BFS1")) || size < 0) {
            return false;
        }
        if (size == 0) {
            continue;
        }
        // A size beyond what the stream still holds is refused before anything is allocated for it.
        const common::ByteStream& stream = archive.Stream();
        std::vector<uint8_t>& bytes = saved.rings[static_cast<size_t>(index)];
        if (size > stream.Size() - stream.Tell()) {
            return false;
        }
        bytes.resize(static_cast<size_t>(size));
        if (!archive.ReadRecordBlob(bytes.data(), size, common::NarrowString(index == 0 ? "BFD0" : "BFD1")) ||
            !HoldsWholeRecords(bytes)) {
            return false;
        }
    }
    return archive.ReadRecordU64(saved.renderStart, common::NarrowString("CSTR")) &&
           archive.ReadRecordU64(saved.lastRecordTime, common::NarrowString("CLSP")) &&
           archive.ReadRecordU64(saved.lastStep, common::NarrowString("CLSC")) &&
           archive.ReadRecordBool(saved.hasRecords, common::NarrowString("BCHN")) &&
           archive.ReadMarker(chunk, common::kChunkEndMarker);
}

bool SoundChannel::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    SavedChannel saved;
    if (!Device::LoadOwnData(archive, note) || !ReadChannelChunk(archive, saved) || !LoadGeneratorState(archive)) {
        return false;
    }
    for (size_t index = 0; index < rings.size(); ++index) {
        ResetRing(rings[index]);
        const std::vector<uint8_t>& bytes = saved.rings[index];
        if (!bytes.empty() && rings[index].Append(bytes.data(), static_cast<int64_t>(bytes.size())) !=
                                  static_cast<int64_t>(bytes.size())) {
            rings[index].Skip(-1);
        }
    }
    recordIndex = saved.recordIndex;
    renderStart = saved.renderStart;
    lastRecordTime = saved.lastRecordTime;
    lastStep = saved.lastStep;
    hasRecords = saved.hasRecords;
    return true;
}

} // namespace emu
