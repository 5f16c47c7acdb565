#include "emu/core/HostSoundOutput.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

namespace emu {

namespace {

// After Close the queue looks this far ahead, so that no refill starts before the next Open.
constexpr uint64_t kClosedBlocksAhead = 0xFFFF;
// A paced output keeps this many blocks queued after a submission into a starved queue...
constexpr int32_t kSubmitQueueDepth = 6;
// ...and this many while the host plays.
constexpr int32_t kRefillQueueDepth = 4;

} // namespace

HostSoundOutput::~HostSoundOutput() {
    HostSoundOutput::Close();
}

bool HostSoundOutput::Open(int32_t rate, int32_t bits, int32_t count) {
    common::LockGuard guard(&ringLock);
    if (IsOpen() || rate <= 0 || (bits != 8 && bits != 16) || count <= 0 || count > rate) {
        return false;
    }
    sampleRate = rate;
    sampleBits = bits;
    blockCount = count;
    blocksWritten = 0;
    blocksPlayed = 0;
    writeIndex = 0;
    useA = true;
    samplesPerBlock = rate / count;
    accumulatorA.assign(static_cast<size_t>(samplesPerBlock), kEmptySample);
    accumulatorB.assign(static_cast<size_t>(samplesPerBlock), kEmptySample);
    // 8-bit PCM is unsigned, 16-bit signed; every block starts at the lowest level.
    minSample = bits == 8 ? 0 : -32768;
    maxSample = bits == 8 ? 255 : 32767;
    blockBytes = samplesPerBlock * (bits / 8);
    blocks.resize(static_cast<size_t>(blockCount) * static_cast<size_t>(blockBytes));
    uint8_t* out = blocks.data();
    for (int32_t index = 0; index < blockCount * samplesPerBlock; ++index) {
        out = StoreSample(out, minSample);
    }
    lastSample = minSample;
    submitting = false;
    paced = true;
    silenced = false;
    return true;
}

void HostSoundOutput::Close() {
    common::LockGuard guard(&ringLock);
    silenced = true;
    blockBytes = 0;
    blocksWritten = kClosedBlocksAhead;
    blocksPlayed = 0;
    accumulatorA = {};
    accumulatorB = {};
    blocks = {};
    blockCount = 0;
}

std::unique_ptr<HostSoundOutput> HostSoundOutput::Clone() const {
    return std::make_unique<HostSoundOutput>();
}

void HostSoundOutput::Silence() {
    common::LockGuard guard(&ringLock);
    silenced = true;
    std::fill(blocks.begin(), blocks.end(), uint8_t{0});
}

int32_t* HostSoundOutput::TakeAccumulator(int32_t& count, int32_t& lowest, int32_t& highest) {
    // Under the ring lock: another thread may close the output (a pause, a shutdown) while the bus asks.
    common::LockGuard guard(&ringLock);
    count = 0;
    if (!IsOpen()) {
        return nullptr;
    }
    const bool tookA = useA;
    useA = !useA;
    count = samplesPerBlock;
    lowest = minSample;
    highest = maxSample;
    return tookA ? accumulatorA.data() : accumulatorB.data();
}

int32_t* HostSoundOutput::PendingAccumulator() {
    common::LockGuard guard(&ringLock);
    if (!IsOpen()) {
        return nullptr;
    }
    return useA ? accumulatorA.data() : accumulatorB.data();
}

void HostSoundOutput::SubmitBlock() {
    common::LockGuard guard(&ringLock);
    if (submitting || !IsOpen()) {
        return;
    }
    submitting = true;
    silenced = false;
    const int32_t converted = writeIndex;
    // The null output itself plays nothing and shows its blocks to nobody: it only takes the samples.
    const bool playsNothing = typeid(*this) == typeid(HostSoundOutput);
    if (playsNothing) {
        TakeSamples(useA ? accumulatorA : accumulatorB);
    } else {
        Convert(useA ? accumulatorA : accumulatorB, converted);
    }
    if (!paced) {
        WriteBlock(converted);
        AdvanceWriteIndex();
    } else if (int32_t ahead = BlocksAhead(); ahead < blockCount / kSubmitQueueDepth) {
        if (WriteBlock(converted)) {
            ++blocksWritten;
        }
        AdvanceWriteIndex();
        for (; ahead < kSubmitQueueDepth - 1; ++ahead) {
            if (!playsNothing) {
                CopyBlock(converted, writeIndex);
            }
            if (!WriteBlock(writeIndex)) {
                break;
            }
            ++blocksWritten;
            AdvanceWriteIndex();
        }
    }
    submitting = false;
}

void HostSoundOutput::OnBlockDone() {
    common::LockGuard guard(&ringLock);
    ++blocksPlayed;
    if (submitting || blockBytes == 0) {
        return;
    }
    const int32_t newest = (writeIndex == 0 ? blockCount : writeIndex) - 1;
    for (int32_t ahead = BlocksAhead(); ahead < kRefillQueueDepth; ++ahead) {
        CopyBlock(newest, writeIndex);
        if (silenced || !WriteBlock(writeIndex)) {
            return;
        }
        ++blocksWritten;
        AdvanceWriteIndex();
    }
}

int32_t HostSoundOutput::BlockCount() const {
    common::LockGuard guard(&ringLock);
    return blockCount;
}

int32_t HostSoundOutput::BlockBytes() const {
    common::LockGuard guard(&ringLock);
    return blockBytes;
}

uint64_t HostSoundOutput::BlocksWritten() const {
    common::LockGuard guard(&ringLock);
    return blocksWritten;
}

uint64_t HostSoundOutput::BlocksPlayed() const {
    common::LockGuard guard(&ringLock);
    return blocksPlayed;
}

std::span<const uint8_t> HostSoundOutput::Block(int32_t index) const {
    if (index < 0 || index >= blockCount) {
        return {};
    }
    return std::span<const uint8_t>(blocks).subspan(static_cast<size_t>(index) * static_cast<size_t>(blockBytes),
                                                    static_cast<size_t>(blockBytes));
}

void HostSoundOutput::SetPaced(bool on) {
    common::LockGuard guard(&ringLock);
    paced = on;
}

void HostSoundOutput::Convert(std::vector<int32_t>& accumulator, int32_t index) {
    uint8_t* out = &blocks[static_cast<size_t>(index) * static_cast<size_t>(blockBytes)];
    for (int32_t& entry : accumulator) {
        if (entry >= minSample && entry <= maxSample) {
            lastSample = entry;
            entry = kEmptySample;
        }
        out = StoreSample(out, lastSample);
    }
}

void HostSoundOutput::TakeSamples(std::vector<int32_t>& accumulator) {
    for (int32_t& entry : accumulator) {
        if (entry >= minSample && entry <= maxSample) {
            lastSample = entry;
            entry = kEmptySample;
        }
    }
}

uint8_t* HostSoundOutput::StoreSample(uint8_t* out, int32_t value) const {
    *out++ = static_cast<uint8_t>(value);
    if (sampleBits == 16) {
        *out++ = static_cast<uint8_t>(static_cast<uint32_t>(value) >> 8);
    }
    return out;
}

void HostSoundOutput::CopyBlock(int32_t from, int32_t to) {
    const size_t bytes = static_cast<size_t>(blockBytes);
    std::memmove(&blocks[static_cast<size_t>(to) * bytes], &blocks[static_cast<size_t>(from) * bytes], bytes);
}

void HostSoundOutput::AdvanceWriteIndex() {
    writeIndex = writeIndex + 1 == blockCount ? 0 : writeIndex + 1;
}

int32_t HostSoundOutput::BlocksAhead() const {
    return static_cast<int32_t>(static_cast<uint32_t>(blocksWritten - blocksPlayed));
}

} // namespace emu
