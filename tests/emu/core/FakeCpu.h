#pragma once

#include "emu/core/CpuBase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace emu {

// A processor that runs nothing: it keeps the timed events added to it and counts what the machine and its
// services ask of it.
class FakeCpu : public CpuBase {
public:
    struct TimedEvent {
        int32_t period;
        TimedEventCallback callback;
        TreeNode* owner;
        std::string name;
        uint64_t data;
    };

    explicit FakeCpu(const char* name = "CPU", int32_t frequency = 3000000)
        : CpuBase(name, nullptr), frequency(frequency) {
        SetFrequency(frequency);
    }

    int32_t frequency;
    int32_t requestedFrequency = 0;
    bool maxSpeed = false;
    int32_t interruptChecks = 0;
    std::vector<int32_t> changedPages;
    std::vector<TimedEvent> events;

    void InterruptLineChanged(uint32_t) override {}
    void RequestInterruptCheck() override { ++interruptChecks; }
    int32_t Frequency() const override { return frequency; }
    int32_t RequestedFrequency() const override { return requestedFrequency; }
    int32_t PrimaryFrequency() const override { return frequency; }
    uint64_t ScaledElapsed() const override { return 0; }
    bool IsMaxSpeed() const override { return maxSpeed; }
    bool AddEvent(int32_t period, TimedEventCallback callback, TreeNode* owner, const char* name,
                  uint64_t data) override {
        events.push_back({period, callback, owner, name, data});
        return true;
    }
    void PageChanged(int32_t page) override { changedPages.push_back(page); }
};

} // namespace emu
