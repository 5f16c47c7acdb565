#pragma once

#include "common/RingStream.h"
#include "emu/core/Device.h"

#include <array>
#include <cstdint>

namespace emu {

// The base of every sound generator of an emulated machine, the device "Sound Channel" (tag "SNDCH").
//
// The emulated hardware produces no samples while it runs. At each change of its state the generator calls Record
// with a payload of its own fixed size (the state it needs to render), stamped with the first processor's cycle
// count. Fifty times a second of bus time the bus calls the channel's mixer, which maps the records since the last
// call onto the samples of one block of the channel's own host output: between two records the generator's Fill
// writes samples of its current state, at each record Render applies the recorded state. A record is heard from
// the sample at its scaled offset in the block, every record with a new time moves the output on by at least one
// sample, and the state at the end of a block carries on into the next.
//
// A derived generator supplies Render and Fill (and may narrow its rates with GetRateRange). It produces sound
// only while SoundEnabled(). It keeps its own state chunk, if any, through SaveGeneratorState and
// LoadGeneratorState, which run after the channel's "_SNDCH" chunk.
//
// Everything runs on the emulation thread: Record from the generator's register handlers, the render from the
// bus's pump. The output ring, under its own lock, is the only hand-over to the host's audio thread.
class HostSoundOutput;

class SoundChannel : public Device {
public:
    // Every record a generator makes carries a payload of payloadBytes.
    explicit SoundChannel(int32_t payloadBytes);
    ~SoundChannel() override;

    // Stores the generator's new state, stamped with the processor's cycle count. A stopped channel, or one whose
    // machine has no processor, stores nothing and answers true. False for a payload of another size, and when
    // the ring cannot grow (everything recorded since the last render is then dropped).
    bool Record(const void* data, int32_t length, int32_t tag);
    // The mixer the channel hands the bus: renders the records since the last pump into the block that the
    // channel's output converts at this pump (the accumulator the bus handed out one pump earlier).
    static bool OnSoundEvent(TreeNode* owner, int32_t* accumulator, int32_t count, int32_t minSample, int32_t maxSample,
                             int32_t frequency, uint64_t* tag);

    // The output rate follows the device's "SoundFreq" (44100 Hz without a device), kept within GetRateRange;
    // the channel's output event "SoundEvent" is attached to the bus.
    bool Start(int32_t& rate) override;
    // Releases the rings; renders do nothing until the next start. The output event stays with the bus until the
    // bus stops.
    void Stop() override;
    // "EnableChannel".
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The device's chunks, "_SNDCH" (rings, render position), then the generator's own state.
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Reads all of "_SNDCH" and checks it (base frequency, ring index, every record of both rings) and the
    // generator's state before anything changes. The next pump renders into the restored output as the saved
    // machine's would have.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    // 8 bits up to 8, 16 bits from 9 to 16; refused above 16 and while running.
    virtual bool SetSampleBits(int32_t bits);
    int32_t SampleBits() const { return sampleBits; }
    // The output's sample range changed; called before the render that first uses it.
    virtual void OnRangeChanged([[maybe_unused]] int32_t minSample, [[maybe_unused]] int32_t maxSample) {}
    // Applies a recorded state, valid from time to endTime (processor cycles at cpuFrequency); nextPayload is the
    // state that follows it in this block, or null. Both payloads null: the range changed, no record applies.
    virtual void Render(const void* payload, const void* nextPayload, uint64_t time, uint64_t endTime,
                        int64_t cpuFrequency, int32_t outputRate) = 0;
    // Writes count samples of the current state.
    virtual void Fill(int32_t* destination, int32_t count) = 0;
    // The rates the generator can play, when it has limits of its own.
    virtual bool GetRateRange([[maybe_unused]] int32_t& low, [[maybe_unused]] int32_t& high) { return false; }

    int32_t PayloadBytes() const { return payloadBytes; }
    // Records made since the last render.
    int32_t PendingRecords() const;
    int32_t BaseFrequency() const { return baseFrequency; }
    bool ChannelEnabled() const { return enableChannel; }
    void SetChannelEnabled(bool on) { enableChannel = on; }
    // The channel's own switch and its device's "EnableSound".
    bool SoundEnabled() const { return enableChannel && *enableSource; }
    bool IsStopped() const { return stopped; }

protected:
    // A generator's own state chunk, written after "_SNDCH". The loader must read its chunk whole and check it
    // before it changes anything: the channel's state is applied only after it succeeds.
    virtual bool SaveGeneratorState([[maybe_unused]] common::RecordArchive& archive) { return true; }
    virtual bool LoadGeneratorState([[maybe_unused]] common::RecordArchive& archive) { return true; }

private:
    friend class SoundDevice;

    struct RecordHeader {
        uint64_t time;
        int32_t length;
        int32_t tag;
    };
    struct SavedChannel;
    static constexpr int32_t kHeaderBytes = 16;

    static RecordHeader ReadHeader(const uint8_t* bytes);
    // Whether the bytes are whole records of this channel's payload size.
    bool HoldsWholeRecords(const std::vector<uint8_t>& bytes) const;
    bool ReadChannelChunk(common::RecordArchive& archive, SavedChannel& saved) const;
    void RenderToOutput(int32_t outputRate);
    // Writes count samples of the current state at the accumulator's position and moves it on.
    void FillAccumulator(int32_t count);
    // The output of the channel's output event on the bus, or null.
    HostSoundOutput* FindOutput() const;
    void ClearRings();

    int32_t payloadBytes;
    // During a render: where the next samples go, and the block's length.
    int32_t* accumulator = nullptr;
    int32_t sampleCount = 0;
    int32_t rangeMin = 0;
    int32_t rangeMax = 0;
    std::array<common::RingStream, 2> rings;
    // The ring Record appends to; the render consumes the other.
    int32_t recordIndex = 0;
    // Cycle count at which the period being rendered starts.
    uint64_t renderStart = 0;
    uint64_t lastRecordTime = 0;
    // Offset from renderStart of the last record that produced samples.
    uint64_t lastStep = ~uint64_t{0};
    int32_t lastRangeMin = 0;
    int32_t lastRangeMax = 0;
    int32_t sampleBits = 0;
    bool stopped = true;
    bool hasRecords = false;
    bool ownEnable = true;
    // The device's "EnableSound" once the channel joined a device.
    const bool* enableSource = &ownEnable;
    bool enableChannel = true;
    // The device's "SoundFreq" once the channel joined a device.
    const int32_t* soundFreq = nullptr;
    int32_t baseFrequency = 1;
};

} // namespace emu
