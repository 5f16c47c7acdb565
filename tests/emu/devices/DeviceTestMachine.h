// The machine the device tests run on: the test machine with a processor whose cycle count the test sets and a
// recording sound output, whose clones capture every block the bus submits.
#pragma once

#include "emu/core/BusService.h"
#include "emu/core/CpuBase.h"
#include "support/RecordingSoundOutput.h"
#include "support/TestMachine.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace emu {

// Runs nothing; its cycle count is whatever the test sets.
class ClockCpu : public CpuBase {
public:
    static constexpr int32_t kFrequency = 3000000;

    ClockCpu() { SetFrequency(kFrequency); }

    uint64_t Cycles() const override { return cycles; }
    void InterruptLineChanged(uint32_t) override {}

    uint64_t cycles = 0;
};

class DeviceTestMachine : public test_support::TestMachine {
public:
    // Bus ticks a second; 80 make a fiftieth of a second, one sound block.
    static constexpr int32_t kBusRate = 4000;
    static constexpr int32_t kTicksPerBlock = kBusRate / 50;
    static constexpr uint64_t kCyclesPerTick = ClockCpu::kFrequency / kBusRate;

    // Without a processor when withCpu is false; an output kind that fails to open stands for a host without
    // an audio device.
    explicit DeviceTestMachine(bool withCpu = true,
                               test_support::RecordingSoundOutput::Kind outputKind = {.name = "Recording",
                                                                                      .failsToOpen = false,
                                                                                      .paced = false})
        : prototype(outputKind) {
        if (withCpu) {
            auto processor = std::make_unique<ClockCpu>();
            cpu = processor.get();
            AddChild(std::move(processor));
        }
        SetSoundOutput(&prototype);
    }

    // Powers on and sets the bus rate; the caller ticks the bus.
    bool PowerOnAndClock() { return PowerOn() && SetBusRate(kBusRate, -1, false) == kTicksPerBlock; }

    // Ticks the bus; each tick is followed by its share of processor cycles.
    void Run(int32_t ticks) {
        for (int32_t tick = 0; tick < ticks; ++tick) {
            TickBus();
            if (cpu != nullptr) {
                cpu->cycles += kCyclesPerTick;
            }
        }
    }

    // The blocks the output of the index-th output event of the bus played, in order.
    std::vector<std::vector<uint8_t>> Played(int32_t index) const {
        for (int32_t event = 0; event < Bus()->EventCount(); ++event) {
            const BusEvent* found = Bus()->EventAt(event);
            if (found->kind == BusEvent::Kind::Output && index-- == 0) {
                const auto* output = dynamic_cast<const test_support::RecordingSoundOutput*>(found->output.get());
                return output != nullptr ? output->written : std::vector<std::vector<uint8_t>>{};
            }
        }
        return {};
    }

    test_support::RecordingSoundOutput prototype;
    ClockCpu* cpu = nullptr;
};

} // namespace emu
