#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace emu {

// Mono PCM as DirectSound describes it.
struct PcmFormat {
    int32_t sampleRate = 0;
    int32_t sampleBits = 0;
    int32_t blockAlign = 0;
    int32_t bytesPerSecond = 0;

    bool operator==(const PcmFormat&) const = default;
};

// The mono PCM format of sampleRate samples of sampleBits bits.
PcmFormat MakePcmFormat(int32_t sampleRate, int32_t sampleBits);

// The calls of the host's DirectSound interface that the DirectSound output makes, so that the output's logic runs
// (and is tested) anywhere: the dsound binding implements it in the Windows build (win32/DsoundDevice), the tests a
// scripted fake. One device holds one DirectSound object, its primary buffer and one looping buffer.
class DirectSoundDevice {
public:
    // Buffer description flags.
    static constexpr uint32_t kPrimaryBuffer = 0x0001;
    static constexpr uint32_t kStickyFocus = 0x4000;
    static constexpr uint32_t kCurrentPosition2 = 0x10000;
    // Status bit of a playing buffer.
    static constexpr uint32_t kStatusPlaying = 0x0001;

    enum class LockResult { kLocked, kLost, kFailed };
    // A locked range of the looping buffer: it wraps at the buffer's end into a second part.
    struct LockedRegion {
        uint8_t* first = nullptr;
        uint32_t firstBytes = 0;
        uint8_t* second = nullptr;
        uint32_t secondBytes = 0;
    };

    virtual ~DirectSoundDevice() = default;

    // Opens the default device, cooperating with window at the priority level.
    virtual bool Create(void* window) = 0;
    // The primary buffer with these description flags, set to format.
    virtual bool CreatePrimaryBuffer(uint32_t flags, const PcmFormat& format) = 0;
    // The buffer that plays: bytes long, in format.
    virtual bool CreateLoopingBuffer(uint32_t flags, uint32_t bytes, const PcmFormat& format) = 0;
    // The play and write cursors of the looping buffer, as byte offsets.
    virtual bool GetPosition(uint32_t& play, uint32_t& write) = 0;
    virtual bool GetStatus(uint32_t& status) = 0;
    // Plays the looping buffer round and round.
    virtual bool Play() = 0;
    virtual void Stop() = 0;
    virtual LockResult Lock(uint32_t offset, uint32_t bytes, LockedRegion& region) = 0;
    virtual void Unlock(const LockedRegion& region) = 0;
    // Gets a lost buffer's memory back.
    virtual bool Restore() = 0;
    // Stops the looping buffer and releases whatever was made.
    virtual void Release() = 0;

protected:
    DirectSoundDevice() = default;
    DirectSoundDevice(const DirectSoundDevice&) = delete;
    DirectSoundDevice& operator=(const DirectSoundDevice&) = delete;
};

// Makes a closed device for each output instance.
using DirectSoundDeviceFactory = std::function<std::unique_ptr<DirectSoundDevice>()>;

} // namespace emu
