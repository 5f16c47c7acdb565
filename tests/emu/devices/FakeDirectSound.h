// A scripted DirectSound device for the DirectSound output's tests. What it is told and what it answers live in a
// script that the test keeps, since the output owns (and at Close destroys) the device. The looping buffer is
// plain memory that the test reads back; the cursors are whatever the test sets.
#pragma once

#include "emu/devices/DirectSoundDevice.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace emu {

struct FakeDirectSoundScript {
    // Answers.
    bool creates = true;
    bool createsPrimary = true;
    bool createsBuffer = true;
    bool plays = true;
    bool positions = true;
    uint32_t play = 0;
    uint32_t write = 0;
    // The answers of the next locks, in order; kLocked once they run out.
    std::deque<DirectSoundDevice::LockResult> lockAnswers;

    // What the device was told, in order: "create", "primary <flags> <rate> <bits> <align> <bytes a second>",
    // "buffer <flags> <bytes>", "play", "stop", "lock <offset> <bytes>", "unlock", "restore", "release",
    // "destroyed"; cursor and status reads only count.
    std::vector<std::string> calls;
    int32_t positionReads = 0;
    std::vector<uint8_t> buffer;
    bool playing = false;
    void* window = nullptr;

    std::mutex mutex;

    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> guard(mutex);
        return calls;
    }
    // The calls from the first that starts with prefix on, or none.
    std::vector<std::string> CallsFrom(const std::string& prefix) {
        std::lock_guard<std::mutex> guard(mutex);
        for (auto call = calls.begin(); call != calls.end(); ++call) {
            if (call->rfind(prefix, 0) == 0) {
                return {call, calls.end()};
            }
        }
        return {};
    }
    int32_t Count(const std::string& prefix) {
        std::lock_guard<std::mutex> guard(mutex);
        int32_t count = 0;
        for (const std::string& call : calls) {
            count += call.rfind(prefix, 0) == 0 ? 1 : 0;
        }
        return count;
    }
    std::vector<uint8_t> Slot(int32_t slot, int32_t slotBytes) {
        std::lock_guard<std::mutex> guard(mutex);
        const auto from = buffer.begin() + static_cast<std::ptrdiff_t>(slot) * slotBytes;
        return {from, from + slotBytes};
    }
    void SetCursors(uint32_t playAt, uint32_t writeAt) {
        std::lock_guard<std::mutex> guard(mutex);
        play = playAt;
        write = writeAt;
    }
    void ClearCalls() {
        std::lock_guard<std::mutex> guard(mutex);
        calls.clear();
    }
};

class FakeDirectSound : public DirectSoundDevice {
public:
    explicit FakeDirectSound(std::shared_ptr<FakeDirectSoundScript> script) : script(std::move(script)) {}
    ~FakeDirectSound() override { Log("destroyed"); }

    static DirectSoundDeviceFactory Factory(const std::shared_ptr<FakeDirectSoundScript>& script) {
        return [script] { return std::make_unique<FakeDirectSound>(script); };
    }

    bool Create(void* window) override {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.emplace_back("create");
        script->window = window;
        return script->creates;
    }
    bool CreatePrimaryBuffer(uint32_t flags, const PcmFormat& format) override {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.push_back("primary " + Hex(flags) + " " + std::to_string(format.sampleRate) + " " +
                                std::to_string(format.sampleBits) + " " + std::to_string(format.blockAlign) + " " +
                                std::to_string(format.bytesPerSecond));
        return script->createsPrimary;
    }
    bool CreateLoopingBuffer(uint32_t flags, uint32_t bytes, const PcmFormat&) override {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.push_back("buffer " + Hex(flags) + " " + std::to_string(bytes));
        if (!script->createsBuffer) {
            return false;
        }
        // Whatever the memory held before: never the start level.
        script->buffer.assign(bytes, 0xA5);
        return true;
    }
    bool GetPosition(uint32_t& play, uint32_t& write) override {
        std::lock_guard<std::mutex> guard(script->mutex);
        ++script->positionReads;
        play = script->play;
        write = script->write;
        return script->positions;
    }
    bool GetStatus(uint32_t& status) override {
        std::lock_guard<std::mutex> guard(script->mutex);
        status = script->playing ? kStatusPlaying : 0;
        return true;
    }
    bool Play() override {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.emplace_back("play");
        script->playing = script->plays;
        return script->plays;
    }
    void Stop() override {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.emplace_back("stop");
        script->playing = false;
    }
    LockResult Lock(uint32_t offset, uint32_t bytes, LockedRegion& region) override {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.push_back("lock " + std::to_string(offset) + " " + std::to_string(bytes));
        LockResult answer = LockResult::kLocked;
        if (!script->lockAnswers.empty()) {
            answer = script->lockAnswers.front();
            script->lockAnswers.pop_front();
        }
        if (answer != LockResult::kLocked || offset >= script->buffer.size()) {
            return answer == LockResult::kLocked ? LockResult::kFailed : answer;
        }
        // A range past the end wraps to the start, as a looping buffer's lock does.
        const auto size = static_cast<uint32_t>(script->buffer.size());
        region.first = script->buffer.data() + offset;
        region.firstBytes = std::min(bytes, size - offset);
        region.second = bytes > region.firstBytes ? script->buffer.data() : nullptr;
        region.secondBytes = bytes - region.firstBytes;
        return LockResult::kLocked;
    }
    void Unlock(const LockedRegion&) override { Log("unlock"); }
    bool Restore() override {
        Log("restore");
        return true;
    }
    void Release() override {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.emplace_back("release");
        script->playing = false;
    }

private:
    static std::string Hex(uint32_t value) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", value);
        return text;
    }
    void Log(const std::string& call) {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.push_back(call);
    }

    std::shared_ptr<FakeDirectSoundScript> script;
};

} // namespace emu
