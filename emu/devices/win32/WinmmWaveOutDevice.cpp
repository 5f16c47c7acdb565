#include "emu/devices/win32/WinmmWaveOutDevice.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <vector>

namespace emu {

namespace {

class WinmmWaveOutDevice : public WaveOutDevice {
public:
    ~WinmmWaveOutDevice() override {
        if (handle != nullptr) {
            waveOutReset(handle);
            for (size_t index = 0; index < headers.size(); ++index) {
                Unprepare(static_cast<int32_t>(index));
            }
            waveOutClose(handle);
        }
    }

    bool Open(int32_t sampleRate, int32_t sampleBits, MessageCallback newCallback, void* newContext) override {
        if (handle != nullptr) {
            return false;
        }
        callback = newCallback;
        context = newContext;
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 1;
        format.nSamplesPerSec = static_cast<DWORD>(sampleRate);
        format.nBlockAlign = static_cast<WORD>(sampleBits / 8);
        format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
        format.wBitsPerSample = static_cast<WORD>(sampleBits);
        format.cbSize = 0;
        HWAVEOUT opened = nullptr;
        if (waveOutOpen(&opened, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&Proc),
                        reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
            return false;
        }
        handle = opened;
        return true;
    }

    bool Prepare(int32_t index, const uint8_t* data, int32_t bytes) override {
        if (handle == nullptr || index < 0) {
            return false;
        }
        // The headers stay where winmm saw them: each lives in its own allocation.
        if (static_cast<size_t>(index) >= headers.size()) {
            headers.resize(static_cast<size_t>(index) + 1);
        }
        auto& header = headers[static_cast<size_t>(index)];
        header = std::make_unique<WAVEHDR>();
        // waveOut only reads the block.
        header->lpData = reinterpret_cast<LPSTR>(const_cast<uint8_t*>(data));
        header->dwBufferLength = static_cast<DWORD>(bytes);
        return waveOutPrepareHeader(handle, header.get(), sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    }

    bool Write(int32_t index) override {
        WAVEHDR* header = HeaderAt(index);
        return header != nullptr && waveOutWrite(handle, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    }

    void Reset() override {
        if (handle != nullptr) {
            waveOutReset(handle);
        }
    }

    void Unprepare(int32_t index) override {
        if (WAVEHDR* header = HeaderAt(index); header != nullptr && (header->dwFlags & WHDR_PREPARED) != 0) {
            waveOutUnprepareHeader(handle, header, sizeof(WAVEHDR));
        }
    }

    int32_t Close() override {
        if (handle == nullptr) {
            return 0;
        }
        const MMRESULT result = waveOutClose(handle);
        if (result == MMSYSERR_NOERROR) {
            handle = nullptr;
            headers.clear();
        }
        return static_cast<int32_t>(result);
    }

private:
    static void CALLBACK Proc(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
        auto* device = reinterpret_cast<WinmmWaveOutDevice*>(instance);
        if (device != nullptr && device->callback != nullptr) {
            device->callback(device->context, message);
        }
    }

    WAVEHDR* HeaderAt(int32_t index) const {
        return handle != nullptr && index >= 0 && static_cast<size_t>(index) < headers.size()
                   ? headers[static_cast<size_t>(index)].get()
                   : nullptr;
    }

    HWAVEOUT handle = nullptr;
    std::vector<std::unique_ptr<WAVEHDR>> headers;
    MessageCallback callback = nullptr;
    void* context = nullptr;
};

} // namespace

std::unique_ptr<WaveOutDevice> MakeWinmmWaveOutDevice() {
    return std::make_unique<WinmmWaveOutDevice>();
}

std::unique_ptr<WaveOutSoundOutput> MakeWaveOutSoundOutput() {
    return std::make_unique<WaveOutSoundOutput>(MakeWinmmWaveOutDevice);
}

} // namespace emu
