#pragma once

#include "emu/core/Device.h"

#include <array>
#include <cstdint>
#include <span>

namespace emu {

class CpuInterface;

// The BIOS call tracer, "BIOS BK" tagged "BIOS": a device without registers that sees every EMT the processor
// executes before the trap is taken, names the firmware service the EMT's low byte selects, traces it and breaks
// on it as the user chose per service (settings "TraceEMT[n]" and "BreakEMT[n]", n 0..255, and 256 for every
// number the firmware does not name). A non-zero answer keeps the processor from taking the trap: the service was
// served, or the emulation broke and the processor runs the EMT again on resuming. Flags survive resets and are
// kept in the settings only.
class BkBiosTracer : public Device {
public:
    static constexpr int32_t kCalls = 256;
    // The flag of every number without a name.
    static constexpr int32_t kUnknown = 256;
    static constexpr int32_t kFlags = kCalls + 1;
    static constexpr uint32_t kEmtTrap = 6;

    // A firmware service: its EMT number and name.
    struct Call {
        int32_t number;
        const char* name;
    };
    // A menu group of services: its trace and break titles and its EMT numbers (kUnknown for "(unknown)").
    struct Group {
        const char* traceTitle;
        const char* breakTitle;
        std::span<const int32_t> numbers;
    };

    ~BkBiosTracer() override;

    // Whether the firmware is the BK-0011M's BOS (no decoding of the video driver codes).
    virtual bool IsBos() const = 0;
    // The tape service of EMT 036: non-zero when it served the call. None here.
    virtual uint32_t ServeTapeEmt(CpuInterface* cpu, uint64_t* cycles);

    // The device's start, then the hook "EMT" on the EMT trap, replacing one an earlier start left.
    bool Start(int32_t& rate) override;
    // "TraceEMT[0]" .. "TraceEMT[256]", "BreakEMT[0]" .. "BreakEMT[256]", then the children's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The trace menu: the trace groups, "Trace All", the break groups, "Break On All", "Select All",
    // "Clear All".
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;

    // The trap hook, with the tracer as context: traces an EMT and answers whether the processor is to leave the
    // trap untaken.
    static bool OnEmt(void* context, uint32_t kind, uint32_t code, uint32_t argument, CpuInterface* cpu,
                      uint64_t* cycles);
    uint32_t TraceEmt(uint32_t kind, uint32_t code, CpuInterface* cpu, uint64_t* cycles);

    const char* CallName(uint32_t number) const { return number < kCalls ? names[number] : nullptr; }
    bool& TraceFlag(int32_t index) { return traceFlags[static_cast<size_t>(index)]; }
    bool& BreakFlag(int32_t index) { return breakFlags[static_cast<size_t>(index)]; }

protected:
    // The firmware's services, in increasing number, and the menu groups.
    BkBiosTracer(std::span<const Call> calls, std::span<const Group> groups);

private:
    // One group's items over one flag table: a check item per number, a separator, the set and clear buttons.
    void AddGroup(common::OptionNode* item, const char* title, std::span<const int32_t> numbers, bool* flags,
                  const char* setText);

    std::array<bool, kFlags> traceFlags{};
    std::array<bool, kFlags> breakFlags{};
    std::array<const char*, kCalls> names{};
    std::span<const Group> groups;
};

// The BK-0010 monitor's 19 services; EMT 016 names the control code it sends to the video driver, EMT 036 goes
// to the tape service.
class Bk0010BiosTracer : public BkBiosTracer {
public:
    Bk0010BiosTracer();
    ~Bk0010BiosTracer() override;

    bool IsBos() const override { return false; }
    // The tape calls served from host files (BkTapeFileService), with the tracer's tag on their lines.
    uint32_t ServeTapeEmt(CpuInterface* cpu, uint64_t* cycles) override;
    // The name of a video driver code (R0's low byte for EMT 016).
    static const char* VideoCodeName(uint8_t code);
};

// The BK-0011M BOS's 66 services.
class Bk0011mBosTracer : public BkBiosTracer {
public:
    Bk0011mBosTracer();
    ~Bk0011mBosTracer() override;

    bool IsBos() const override { return true; }
};

} // namespace emu
