#include "emu/devices/WaveOutSoundOutput.h"

#include "emu/devices/StartFade.h"

#include <algorithm>
#include <chrono>

namespace emu {

WaveOutSoundOutput::WaveOutSoundOutput(WaveOutDeviceFactory factory) : factory(std::move(factory)) {}

WaveOutSoundOutput::~WaveOutSoundOutput() {
    WaveOutSoundOutput::Close();
}

bool WaveOutSoundOutput::Open(int32_t sampleRate, int32_t sampleBits, int32_t blockCount) {
    if (device != nullptr || sampleRate <= 0 || sampleBits <= 0 || blockCount <= 0 || sampleRate % blockCount != 0 ||
        factory == nullptr) {
        return false;
    }
    device = factory();
    if (device == nullptr || !device->Open(sampleRate, sampleBits, OnDeviceMessage, this)) {
        device.reset();
        return false;
    }
    if (!HostSoundOutput::Open(sampleRate, sampleBits, blockCount)) {
        Close();
        return false;
    }
    playBytes.assign(static_cast<size_t>(blockCount) * static_cast<size_t>(BlockBytes()), 0);
    for (; preparedBlocks < blockCount; ++preparedBlocks) {
        const std::span<uint8_t> block = PlayBlock(preparedBlocks);
        if (!device->Prepare(preparedBlocks, block.data(), static_cast<int32_t>(block.size()))) {
            Close();
            return false;
        }
    }
    blocksSent = 0;
    heldBlocks = blockCount / 8 + 1;
    opened = true;
    {
        std::lock_guard<std::mutex> guard(wakeMutex);
        pendingDone = 0;
        stopRefill = false;
    }
    refillThread = std::thread([this] { RefillLoop(); });
    active = true;
    return true;
}

void WaveOutSoundOutput::Close() {
    active = false;
    StopRefillThread();
    opened = false;
    if (device != nullptr) {
        device->Reset();
        for (int32_t index = 0; index < preparedBlocks; ++index) {
            device->Unprepare(index);
        }
        for (int32_t attempt = 0; attempt < kCloseAttempts; ++attempt) {
            if (device->Close() != WaveOutDevice::kStillPlaying) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        device.reset();
    }
    preparedBlocks = 0;
    playBytes = {};
    HostSoundOutput::Close();
}

std::unique_ptr<HostSoundOutput> WaveOutSoundOutput::Clone() const {
    auto clone = std::make_unique<WaveOutSoundOutput>(factory);
    clone->SetHostWindow(HostWindow());
    return clone;
}

bool WaveOutSoundOutput::WriteBlock(int32_t index) {
    if (!opened) {
        return false;
    }
    const std::span<uint8_t> played = PlayBlock(index);
    if (blocksSent < heldBlocks) {
        FillAtRestLevel(played, SampleBits());
    } else {
        const std::span<const uint8_t> block = Block(index);
        std::copy(block.begin(), block.end(), played.begin());
        if (blocksSent == heldBlocks) {
            FadeInFromRestLevel(played, SampleBits());
        }
    }
    if (!device->Write(index)) {
        return false;
    }
    ++blocksSent;
    return true;
}

std::span<uint8_t> WaveOutSoundOutput::PlayBlock(int32_t index) {
    const auto bytes = static_cast<size_t>(BlockBytes());
    return std::span<uint8_t>(playBytes).subspan(static_cast<size_t>(index) * bytes, bytes);
}

void WaveOutSoundOutput::OnDeviceMessage(void* context, uint32_t message) {
    auto* output = static_cast<WaveOutSoundOutput*>(context);
    if (output == nullptr || message != WaveOutDevice::kBlockDone || !output->active) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(output->wakeMutex);
        ++output->pendingDone;
    }
    output->wake.notify_one();
}

void WaveOutSoundOutput::RefillLoop() {
    std::unique_lock<std::mutex> lock(wakeMutex);
    for (;;) {
        wake.wait(lock, [this] { return stopRefill || pendingDone > 0; });
        if (stopRefill) {
            return;
        }
        const int32_t done = pendingDone;
        pendingDone = 0;
        // The ring lock is taken without wakeMutex, which the audio thread's callback needs.
        lock.unlock();
        for (int32_t block = 0; block < done; ++block) {
            OnBlockDone();
        }
        lock.lock();
    }
}

void WaveOutSoundOutput::StopRefillThread() {
    if (!refillThread.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(wakeMutex);
        stopRefill = true;
    }
    wake.notify_one();
    refillThread.join();
}

} // namespace emu
