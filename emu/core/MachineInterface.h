#pragma once

#include <atomic>
#include <cstdint>

namespace emu {

class ConfigParam;
class CpuInterface;

// The machine as its devices and their parameter sets reach it: its first processor, interrupt re-checks, applying
// configuration changes, the host's break decisions for device reports, pausing, and the controller's trace-all
// counter. The machine implements it.
class MachineInterface {
public:
    virtual ~MachineInterface() = default;

    // The first processor of the machine, or null for a machine without one.
    virtual CpuInterface* FirstCpu() const = 0;
    // Makes every processor of the machine re-check its interrupt requests.
    virtual void RequestInterruptCheck() = 0;
    // Binds a parameter that a device just added (or, for null, after one was removed or disabled) and tells the
    // devices what changed. Does nothing and answers true while the machine is not running.
    virtual bool ApplySettings(ConfigParam* record) = 0;
    // Asks the host whether a device report breaks the emulation. request is the device's break request, which
    // the machine may change (a paused machine asks for none); show tells whether the report line is shown.
    // Answers non-zero to break. Without a host, show is 1 and nothing breaks.
    virtual int32_t QueryBreak([[maybe_unused]] uint8_t& request, uint8_t& show) {
        show = 1;
        return 0;
    }
    // Pauses nest: the machine stays paused until each pause is released.
    virtual void Pause(bool on) = 0;

    // The controller's counter, borrowed: while it holds 1 or more, every traced device event is printed. The
    // controller changes it from its own thread while the machine runs on another.
    void SetTraceAll(const std::atomic<int32_t>* counter) { traceAll = counter; }
    bool TracesAll() const { return traceAll != nullptr && traceAll->load(std::memory_order_relaxed) >= 1; }

protected:
    MachineInterface() = default;
    MachineInterface(const MachineInterface&) = delete;
    MachineInterface& operator=(const MachineInterface&) = delete;

private:
    const std::atomic<int32_t>* traceAll = nullptr;
};

} // namespace emu
