#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace emu {

// The calls of the host's waveOut interface that the waveOut sound output makes, so that the output's logic runs
// (and is tested) anywhere: the winmm binding implements it in the Windows build (win32/WinmmWaveOutDevice), the
// tests a scripted fake. Blocks are numbered: each is prepared once with the memory it plays from and then
// written as often as the output likes, one at a time.
class WaveOutDevice {
public:
    // The messages the device sends its callback: opened, closed, and one block played.
    static constexpr uint32_t kOpened = 0x3BB;
    static constexpr uint32_t kClosed = 0x3BC;
    static constexpr uint32_t kBlockDone = 0x3BD;
    // Close's answer while blocks are still playing; 0 is success.
    static constexpr int32_t kStillPlaying = 33;

    // Runs on the host's audio thread. It must not call the device, nor wait for a lock held around its calls.
    using MessageCallback = void (*)(void* context, uint32_t message);

    virtual ~WaveOutDevice() = default;

    // Opens the default device for mono PCM (8 bits unsigned or 16 bits signed); the callback may be called from
    // then until Close succeeds.
    virtual bool Open(int32_t sampleRate, int32_t sampleBits, MessageCallback callback, void* context) = 0;
    // Readies block index to play bytes bytes from data, which stay in place until it is unprepared.
    virtual bool Prepare(int32_t index, const uint8_t* data, int32_t bytes) = 0;
    // Queues block index; it is reported done once played.
    virtual bool Write(int32_t index) = 0;
    // Stops playing and reports every queued block done.
    virtual void Reset() = 0;
    virtual void Unprepare(int32_t index) = 0;
    // 0 when closed, kStillPlaying while blocks still play, another code for other failures.
    virtual int32_t Close() = 0;

protected:
    WaveOutDevice() = default;
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;
};

// Makes a closed device for each output instance.
using WaveOutDeviceFactory = std::function<std::unique_ptr<WaveOutDevice>()>;

} // namespace emu
