#include "emu/devices/win32/DsoundDevice.h"

#include <windows.h>
// After windows.h, whose types they use.
#include <dsound.h>
#include <mmsystem.h>

namespace emu {

namespace {

WAVEFORMATEX WaveFormat(const PcmFormat& format) {
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = 1;
    wave.nSamplesPerSec = static_cast<DWORD>(format.sampleRate);
    wave.nBlockAlign = static_cast<WORD>(format.blockAlign);
    wave.nAvgBytesPerSec = static_cast<DWORD>(format.bytesPerSecond);
    wave.wBitsPerSample = static_cast<WORD>(format.sampleBits);
    wave.cbSize = 0;
    return wave;
}

template <typename Interface>
void ReleaseInterface(Interface*& pointer) {
    if (pointer != nullptr) {
        pointer->Release();
        pointer = nullptr;
    }
}

class DsoundDevice : public DirectSoundDevice {
public:
    ~DsoundDevice() override { DsoundDevice::Release(); }

    bool Create(void* window) override {
        if (directSound != nullptr || window == nullptr) {
            return false;
        }
        if (FAILED(DirectSoundCreate(nullptr, &directSound, nullptr))) {
            directSound = nullptr;
            return false;
        }
        return SUCCEEDED(directSound->SetCooperativeLevel(static_cast<HWND>(window), DSSCL_PRIORITY));
    }

    bool CreatePrimaryBuffer(uint32_t flags, const PcmFormat& format) override {
        if (directSound == nullptr || primaryBuffer != nullptr) {
            return false;
        }
        // The size of the description this build knows: the 64-bit one is larger than the 32-bit one.
        DSBUFFERDESC description{};
        description.dwSize = sizeof description;
        description.dwFlags = flags;
        if (FAILED(directSound->CreateSoundBuffer(&description, &primaryBuffer, nullptr))) {
            primaryBuffer = nullptr;
            return false;
        }
        const WAVEFORMATEX wave = WaveFormat(format);
        return SUCCEEDED(primaryBuffer->SetFormat(&wave));
    }

    bool CreateLoopingBuffer(uint32_t flags, uint32_t bytes, const PcmFormat& format) override {
        if (directSound == nullptr || loopingBuffer != nullptr) {
            return false;
        }
        WAVEFORMATEX wave = WaveFormat(format);
        DSBUFFERDESC description{};
        description.dwSize = sizeof description;
        description.dwFlags = flags;
        description.dwBufferBytes = bytes;
        description.lpwfxFormat = &wave;
        if (FAILED(directSound->CreateSoundBuffer(&description, &loopingBuffer, nullptr))) {
            loopingBuffer = nullptr;
            return false;
        }
        return true;
    }

    bool GetPosition(uint32_t& play, uint32_t& write) override {
        DWORD playAt = 0;
        DWORD writeAt = 0;
        if (loopingBuffer == nullptr || FAILED(loopingBuffer->GetCurrentPosition(&playAt, &writeAt))) {
            return false;
        }
        play = playAt;
        write = writeAt;
        return true;
    }

    bool GetStatus(uint32_t& status) override {
        DWORD value = 0;
        if (loopingBuffer == nullptr || FAILED(loopingBuffer->GetStatus(&value))) {
            return false;
        }
        status = value;
        return true;
    }

    bool Play() override { return loopingBuffer != nullptr && SUCCEEDED(loopingBuffer->Play(0, 0, DSBPLAY_LOOPING)); }

    void Stop() override {
        if (loopingBuffer != nullptr) {
            loopingBuffer->Stop();
        }
    }

    LockResult Lock(uint32_t offset, uint32_t bytes, LockedRegion& region) override {
        if (loopingBuffer == nullptr) {
            return LockResult::kFailed;
        }
        void* first = nullptr;
        DWORD firstBytes = 0;
        void* second = nullptr;
        DWORD secondBytes = 0;
        const HRESULT result = loopingBuffer->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0);
        if (result == DSERR_BUFFERLOST) {
            return LockResult::kLost;
        }
        if (FAILED(result)) {
            return LockResult::kFailed;
        }
        region.first = static_cast<uint8_t*>(first);
        region.firstBytes = firstBytes;
        region.second = static_cast<uint8_t*>(second);
        region.secondBytes = secondBytes;
        return LockResult::kLocked;
    }

    void Unlock(const LockedRegion& region) override {
        if (loopingBuffer != nullptr) {
            loopingBuffer->Unlock(region.first, region.firstBytes, region.second, region.secondBytes);
        }
    }

    bool Restore() override { return loopingBuffer != nullptr && SUCCEEDED(loopingBuffer->Restore()); }

    void Release() override {
        if (loopingBuffer != nullptr) {
            loopingBuffer->Stop();
        }
        ReleaseInterface(loopingBuffer);
        ReleaseInterface(primaryBuffer);
        ReleaseInterface(directSound);
    }

private:
    IDirectSound* directSound = nullptr;
    IDirectSoundBuffer* primaryBuffer = nullptr;
    IDirectSoundBuffer* loopingBuffer = nullptr;
};

} // namespace

std::unique_ptr<DirectSoundDevice> MakeDsoundDevice() {
    return std::make_unique<DsoundDevice>();
}

std::unique_ptr<DirectSoundOutput> MakeDirectSoundOutput() {
    return std::make_unique<DirectSoundOutput>(MakeDsoundDevice);
}

} // namespace emu
