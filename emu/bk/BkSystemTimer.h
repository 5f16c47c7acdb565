#pragma once

#include "emu/bk/BkRegisterTable.h"
#include "emu/core/Device.h"

#include <array>
#include <cstdint>

namespace emu {

// The BK system timer, "Timer BK" (the machine adds it as "Timer (undoc)"), tag "TIMER": a 16-bit down-counter
// COUNT (0177710, read only) with its reload register INIT (0177706) and mode register MODE (0177712). It counts
// one tick every 128 processor cycles (MODE bit 5: x16, bit 6: x4) while MODE has bit 4 (run) and not bit 0 (stop).
// On expiry it sets bit 7 when bit 2 asks, then stops at 0 when bit 3 (one-shot, without bit 1) asks, else goes on
// from 0177777 (bit 1, through zero) or from INIT - 1. It raises no interrupt and keeps no event: COUNT is worked
// out from the processor's cycle count when a register is read or written, in closed form, so it never depends on
// how often it is read.
//
// State: "VER" 0, "MODR" MODE, "INIR" INIT, "CNTR" COUNT, "PERC" cycles per tick, "STAC" the cycle the count
// began, "RSTR" reload due.
class BkSystemTimer : public Device {
public:
    static constexpr uint16_t kStop = 01;
    static constexpr uint16_t kWrap = 02;
    static constexpr uint16_t kFlagOnExpiry = 04;
    static constexpr uint16_t kOneShot = 010;
    static constexpr uint16_t kRun = 020;
    static constexpr uint16_t kDivideBy16 = 040;
    static constexpr uint16_t kDivideBy4 = 0100;
    static constexpr uint16_t kExpired = 0200;

    BkSystemTimer();
    ~BkSystemTimer() override;

    // The register page's accesses, a byte read answering its byte. A peek brings the
    // counter up to the present, as any read does, and prints nothing.
    uint16_t ReadInit(RegisterAccess access, bool peek);
    uint16_t ReadCount(RegisterAccess access, bool peek);
    uint16_t ReadMode(RegisterAccess access, bool peek);
    void WriteInit(uint16_t value, RegisterAccess access);
    // COUNT is read only: the write is only traced.
    void WriteCount(uint16_t value, RegisterAccess access);
    void WriteMode(uint16_t value, RegisterAccess access);

    uint16_t Mode() const { return mode; }
    uint16_t Init() const { return init; }
    uint16_t Count() const { return count; }
    uint64_t Divider() const { return divider; }

    // Power-on values: MODE 0177400, INIT 0177777, COUNT 011000; nothing counts until MODE is written.
    bool Start(int32_t& rate) override;
    // "TraceReadREG[i]", "TraceWriteREG[i]", "BreakReadREG[i]", "BreakWriteREG[i]" for i = 0 (MODE), 1 (INIT),
    // 2 (COUNT), then the children's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // The trace menu: the twelve switches.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Every record is read and checked before any is taken.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    enum Register : size_t { kModeRegister = 0, kInitRegister = 1, kCountRegister = 2 };

    // Brings COUNT and MODE up to the processor's present cycle.
    void UpdateCounter();
    // A read of the register (the whole word given) by its access, traced.
    uint16_t ReadRegister(size_t index, uint16_t word, RegisterAccess access, bool peek);
    uint64_t Now() const;

    std::array<bool, 3> traceRead{};
    std::array<bool, 3> breakRead{};
    std::array<bool, 3> traceWrite{};
    std::array<bool, 3> breakWrite{};
    uint16_t mode = 0;
    uint16_t init = 0;
    uint16_t count = 0;
    uint64_t divider = 0;
    uint64_t startCycle = 0;
    bool restart = false;
};

} // namespace emu
