#pragma once

#include "common/CriticalLock.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace emu {

// Turns blocks of mixed samples into PCM and hands them to the host's audio interface; as it stands it is also
// the null output "No Sound", which accepts everything and plays nothing. The real outputs derive from it and
// override WriteBlock, Open, Close, Clone and Name.
//
// The mixer fills one of two 32-bit accumulators (TakeAccumulator) while SubmitBlock converts the other, filled
// one period earlier, into the next block of a ring. A paced output keeps the host queue filled itself: when the
// host reports a played block (OnBlockDone, on the host's audio thread) it repeats the newest block until four
// are queued. The ring and its counters are guarded by the output's ring lock. WriteBlock is called with it held,
// so it must not wait for a lock that an audio callback holds around OnBlockDone; and the host's callbacks must
// be stopped before the output is destroyed. Close waits for a callback in progress and frees nothing before it
// ends.
class HostSoundOutput {
public:
    // An accumulator entry that holds no sample.
    static constexpr int32_t kEmptySample = 0x7FFFFFFF;

    HostSoundOutput() = default;
    virtual ~HostSoundOutput();
    HostSoundOutput(const HostSoundOutput&) = delete;
    HostSoundOutput& operator=(const HostSoundOutput&) = delete;

    // Opens a ring of blockCount blocks of sampleRate / blockCount samples each, 8 (unsigned, 0..255) or 16
    // (signed) bits wide. Refused, with nothing allocated or changed, for another width, a rate or block count
    // below 1, more blocks than samples a second, or an output that is open.
    virtual bool Open(int32_t sampleRate, int32_t sampleBits, int32_t blockCount);
    // Frees the ring; until the next Open the queue looks full, so nothing refills it.
    virtual void Close();
    // A new closed output of the same kind (a null output here).
    virtual std::unique_ptr<HostSoundOutput> Clone() const;
    virtual bool IsNull() const { return true; }
    // Zero-fills every block and stops the refill until the next SubmitBlock.
    virtual void Silence();
    virtual const char* Name() const { return "No Sound"; }

    // Hands the mixer the accumulator that the next SubmitBlock does not convert, with its sample count and the
    // accepted sample range. Null (count 0) while closed. The accumulator lives until Close, so the mixer fills it
    // on the thread that closes the output, or while that thread waits.
    int32_t* TakeAccumulator(int32_t& count, int32_t& minSample, int32_t& maxSample);
    // The accumulator the next SubmitBlock converts: the one the last TakeAccumulator did not hand out, which the
    // mixer was handed a period earlier. Null while closed.
    int32_t* PendingAccumulator();
    // Converts the other accumulator into the next block and queues it. Entries outside the sample range (and
    // the empty marker) repeat the last sample in range; converted entries are emptied. A paced output drops
    // the block when blockCount / 6 blocks are queued, and fills a starved queue with copies of it until six are.
    // The null output itself (not a class derived from it) empties the entries but writes no block.
    void SubmitBlock();
    // The host played a block: with fewer than four queued, the newest block is repeated until four are.
    void OnBlockDone();

    int32_t SampleRate() const { return sampleRate; }
    int32_t SampleBits() const { return sampleBits; }
    int32_t BlockCount() const;
    int32_t BlockBytes() const;
    int32_t SamplesPerBlock() const { return samplesPerBlock; }
    int32_t MinSample() const { return minSample; }
    int32_t MaxSample() const { return maxSample; }
    uint64_t BlocksWritten() const;
    uint64_t BlocksPlayed() const;
    // The PCM bytes of block index; empty out of range.
    std::span<const uint8_t> Block(int32_t index) const;

protected:
    // Hands block index to the host; false when it was not taken. Called with the ring lock held.
    virtual bool WriteBlock([[maybe_unused]] int32_t index) { return false; }
    // A paced output (the default after Open) refills the host queue itself; an unpaced one hands every
    // submitted block straight to WriteBlock.
    void SetPaced(bool on);
    // The ring lock, for an output whose own calls must not run in the middle of a WriteBlock.
    common::CriticalLock* RingLock() const { return &ringLock; }

private:
    bool IsOpen() const { return blockCount > 0; }
    // Writes the accumulator into block index, emptying the entries it took.
    void Convert(std::vector<int32_t>& accumulator, int32_t index);
    // Empties the entries in range, keeping the last of them, as Convert does without writing a block.
    void TakeSamples(std::vector<int32_t>& accumulator);
    // Stores one sample at out in the output's width (little-endian) and answers the position after it.
    uint8_t* StoreSample(uint8_t* out, int32_t value) const;
    void CopyBlock(int32_t from, int32_t to);
    void AdvanceWriteIndex();
    // Blocks handed to the host and not yet played.
    int32_t BlocksAhead() const;

    mutable common::CriticalLock ringLock;
    int32_t sampleRate = 0;
    int32_t sampleBits = 0;
    int32_t blockCount = 0;
    int32_t blockBytes = 0;
    int32_t samplesPerBlock = 0;
    int32_t writeIndex = 0;
    // blockCount blocks of blockBytes each.
    std::vector<uint8_t> blocks;
    std::vector<int32_t> accumulatorA;
    std::vector<int32_t> accumulatorB;
    // SubmitBlock converts accumulatorA while set.
    bool useA = true;
    int32_t minSample = 0;
    int32_t maxSample = 0;
    int32_t lastSample = 0;
    uint64_t blocksWritten = 0;
    uint64_t blocksPlayed = 0;
    // Set while SubmitBlock runs, so that a block reported played from inside WriteBlock refills nothing.
    bool submitting = false;
    bool paced = false;
    bool silenced = false;
};

// The base of the outputs that play through the host window (the window handle, opaque here).
class WindowedSoundOutput : public HostSoundOutput {
public:
    bool IsNull() const override { return false; }
    void* HostWindow() const { return hostWindow; }
    void SetHostWindow(void* window) { hostWindow = window; }

private:
    void* hostWindow = nullptr;
};

} // namespace emu
