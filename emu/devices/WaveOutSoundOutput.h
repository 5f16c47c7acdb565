#pragma once

#include "emu/core/HostSoundOutput.h"
#include "emu/devices/WaveOutDevice.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace emu {

// The sound output "WaveSound": plays the blocks of the host sound output through waveOut. The base keeps the
// host queue filled (paced): every submitted block is written, and when the device reports a block played the
// newest block is repeated until four are queued.
//
// Threads: the device's callback (the host's audio thread) only counts played blocks and wakes the output's
// refill thread, taking no lock that is held around a device call; the refill thread tells the base (OnBlockDone),
// which writes under the ring lock. Close stops the refill thread before it resets and closes the device.
//
// The device plays copies of the ring's blocks: the first blockCount / 8 + 1 written after Open play the rest level
// and the next one fades in from it, which hides the click of the device starting (StartFade.h); the device's
// volume is never touched. The ring keeps the machine's own blocks, so a refill never repeats the fade.
class WaveOutSoundOutput : public WindowedSoundOutput {
public:
    // Close tries the device this many times, a millisecond apart, while it still plays.
    static constexpr int32_t kCloseAttempts = 50;

    // Each instance, the clones too, makes its own device with the factory.
    explicit WaveOutSoundOutput(WaveOutDeviceFactory factory);
    ~WaveOutSoundOutput() override;

    // Refused, holding nothing, for a rate that the block count does not divide, a width other than 8 or 16, a
    // device that does not open or a block it cannot prepare.
    bool Open(int32_t sampleRate, int32_t sampleBits, int32_t blockCount) override;
    void Close() override;
    std::unique_ptr<HostSoundOutput> Clone() const override;
    const char* Name() const override { return "WaveSound"; }

protected:
    bool WriteBlock(int32_t index) override;

private:
    static void OnDeviceMessage(void* context, uint32_t message);
    void RefillLoop();
    void StopRefillThread();
    // The bytes the device plays for block index.
    std::span<uint8_t> PlayBlock(int32_t index);

    WaveOutDeviceFactory factory;
    std::unique_ptr<WaveOutDevice> device;
    // The callback may act: set at the end of a successful Open, cleared first by Close.
    std::atomic<bool> active = false;
    // Blocks may be written: from a successful Open to Close.
    bool opened = false;
    int32_t preparedBlocks = 0;
    // blockCount blocks, prepared with the device from Open to Close; written under the ring lock.
    std::vector<uint8_t> playBytes;
    // Under the ring lock, as WriteBlock is.
    int32_t blocksSent = 0;
    int32_t heldBlocks = 0;

    std::thread refillThread;
    std::mutex wakeMutex;
    std::condition_variable wake;
    // Under wakeMutex.
    int32_t pendingDone = 0;
    bool stopRefill = false;
};

} // namespace emu
