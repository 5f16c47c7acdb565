#pragma once

#include "emu/core/ConfigParam.h"
#include "emu/core/Device.h"
#include "emu/core/MachineInterface.h"

#include <cstdint>
#include <vector>

namespace emu {

// The machine side that devices and their parameter sets call, scripted by the test: while "running" it answers
// each apply request by notifying its root device with the code of what changed, as the machine does; its host
// answers break queries as the test says.
class FakeMachine : public MachineInterface {
public:
    bool running = false;
    Device* root = nullptr;
    bool applyAnswer = true;
    std::vector<uint32_t> appliedNotifications;

    int32_t breakAnswer = 0;
    uint8_t showAnswer = 0;
    std::vector<uint8_t> requestsSeen;
    int32_t pauseCount = 0;

    CpuInterface* FirstCpu() const override { return nullptr; }
    void RequestInterruptCheck() override {}

    bool ApplySettings(ConfigParam* record) override {
        if (!running) {
            return true;
        }
        const uint32_t code = AppliedNotification(record);
        appliedNotifications.push_back(code);
        return applyAnswer && (root == nullptr || root->Notify(code));
    }

    int32_t QueryBreak(uint8_t& request, uint8_t& show) override {
        if (pauseCount > 0) {
            request = 0;
        }
        requestsSeen.push_back(request);
        show = showAnswer;
        return breakAnswer;
    }

    void Pause(bool on) override { pauseCount += on ? 1 : (pauseCount > 0 ? -1 : 0); }
};

} // namespace emu
