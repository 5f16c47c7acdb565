// A scripted waveOut device for the waveOut output's tests. What it is told and what it answers live in a script
// that the test keeps, since the output owns (and at Close destroys) the device. Blocks written to it wait in its
// queue until the test reports them played (Deliver), or its own player thread plays them.
#pragma once

#include "emu/devices/WaveOutDevice.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace emu {

struct FakeWaveOutScript {
    // Answers.
    bool opens = true;
    bool prepares = true;
    int32_t closeAnswer = 0;
    // With a player, queued blocks are played on its thread, as long as fewer than playLimit were played.
    bool player = false;
    int64_t playLimit = 0;

    // What the device was told, in order: "open <rate> <bits>", "prepare <index> <bytes>", "reset",
    // "unprepare <index>", "close", "destroyed"; writes only count.
    std::vector<std::string> calls;
    std::vector<std::vector<uint8_t>> written;
    std::vector<std::thread::id> writers;
    int64_t played = 0;
    WaveOutDevice::MessageCallback callback = nullptr;
    void* context = nullptr;

    std::mutex mutex;
    std::condition_variable changed;

    // Tells the output of a message as the host's audio thread would, from the calling thread.
    void Deliver(uint32_t message) {
        WaveOutDevice::MessageCallback target = nullptr;
        void* targetContext = nullptr;
        {
            std::lock_guard<std::mutex> guard(mutex);
            target = callback;
            targetContext = context;
        }
        if (target != nullptr) {
            target(targetContext, message);
        }
    }
    // Waits for that many writes; false when they do not come within ten seconds (a hang, not a timing).
    bool WaitForWrites(size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return written.size() >= count; });
    }
    void AllowPlays(int64_t limit) {
        {
            std::lock_guard<std::mutex> guard(mutex);
            playLimit = limit;
        }
        changed.notify_all();
    }
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> guard(mutex);
        return calls;
    }
    std::vector<std::vector<uint8_t>> Written() {
        std::lock_guard<std::mutex> guard(mutex);
        return written;
    }
};

class FakeWaveOut : public WaveOutDevice {
public:
    explicit FakeWaveOut(std::shared_ptr<FakeWaveOutScript> script) : script(std::move(script)) {}
    ~FakeWaveOut() override {
        StopPlayer();
        Log("destroyed");
    }

    static WaveOutDeviceFactory Factory(const std::shared_ptr<FakeWaveOutScript>& script) {
        return [script] { return std::make_unique<FakeWaveOut>(script); };
    }

    bool Open(int32_t sampleRate, int32_t sampleBits, MessageCallback callback, void* context) override {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.push_back("open " + std::to_string(sampleRate) + " " + std::to_string(sampleBits));
        if (!script->opens) {
            return false;
        }
        script->callback = callback;
        script->context = context;
        if (script->player) {
            player = std::thread([this] { Play(); });
        }
        return true;
    }
    bool Prepare(int32_t index, const uint8_t* data, int32_t bytes) override {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.push_back("prepare " + std::to_string(index) + " " + std::to_string(bytes));
        if (static_cast<size_t>(index) >= blocks.size()) {
            blocks.resize(static_cast<size_t>(index) + 1);
        }
        blocks[static_cast<size_t>(index)] = {data, bytes};
        return script->prepares;
    }
    bool Write(int32_t index) override {
        {
            std::lock_guard<std::mutex> guard(script->mutex);
            const Block& block = blocks[static_cast<size_t>(index)];
            script->written.emplace_back(block.data, block.data + block.bytes);
            script->writers.push_back(std::this_thread::get_id());
            queue.push_back(index);
        }
        script->changed.notify_all();
        return true;
    }
    // Every queued block is reported played, from the calling thread.
    void Reset() override {
        size_t dropped = 0;
        {
            std::lock_guard<std::mutex> guard(script->mutex);
            script->calls.push_back("reset");
            dropped = queue.size();
            queue.clear();
        }
        for (; dropped > 0; --dropped) {
            script->Deliver(kBlockDone);
        }
    }
    void Unprepare(int32_t index) override { Log("unprepare " + std::to_string(index)); }
    int32_t Close() override {
        StopPlayer();
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.push_back("close");
        if (script->closeAnswer == 0) {
            script->callback = nullptr;
        }
        return script->closeAnswer;
    }

private:
    struct Block {
        const uint8_t* data = nullptr;
        int32_t bytes = 0;
    };

    void Log(const std::string& call) {
        std::lock_guard<std::mutex> guard(script->mutex);
        script->calls.push_back(call);
    }
    void Play() {
        std::unique_lock<std::mutex> lock(script->mutex);
        for (;;) {
            script->changed.wait(lock,
                                 [&] { return stopPlayer || (!queue.empty() && script->played < script->playLimit); });
            if (stopPlayer) {
                return;
            }
            queue.pop_front();
            ++script->played;
            lock.unlock();
            script->Deliver(kBlockDone);
            lock.lock();
        }
    }
    void StopPlayer() {
        {
            std::lock_guard<std::mutex> guard(script->mutex);
            stopPlayer = true;
        }
        script->changed.notify_all();
        if (player.joinable()) {
            player.join();
        }
    }

    std::shared_ptr<FakeWaveOutScript> script;
    std::vector<Block> blocks;
    std::deque<int32_t> queue;
    std::thread player;
    bool stopPlayer = false;
};

} // namespace emu
