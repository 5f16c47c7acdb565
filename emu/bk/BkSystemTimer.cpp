#include "emu/bk/BkSystemTimer.h"

#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/bk/MachineClock.h"
#include "emu/bk/TraceMenu.h"
#include "emu/core/StateChunk.h"

#include <algorithm>

namespace emu {

namespace {

constexpr uint16_t kPowerOnMode = 0177400;
constexpr uint16_t kPowerOnInit = 0177777;
constexpr uint16_t kPowerOnCount = 011000;
constexpr uint16_t kHighByte = 0177400;
// Processor cycles per tick, by MODE bits 5 and 6.
constexpr uint64_t kCyclesPerTick = 128;
constexpr uint64_t kBy16CyclesPerTick = 2048;
constexpr uint64_t kBy4CyclesPerTick = 512;
constexpr uint64_t kBy64CyclesPerTick = 8192;
// The registers' names in the trace lines, by index.
constexpr const char* kRegisterNames[] = {"MODE", "INIT", "COUNT"};

bool IsDivider(uint64_t value) {
    return value == 0 || value == kCyclesPerTick || value == kBy4CyclesPerTick || value == kBy16CyclesPerTick ||
           value == kBy64CyclesPerTick;
}

} // namespace

BkSystemTimer::BkSystemTimer() : Device("Timer BK", "TIMER") {}

BkSystemTimer::~BkSystemTimer() = default;

uint64_t BkSystemTimer::Now() const {
    return CyclesNow(*this);
}

// Ticking one tick at a time, COUNT goes down to 1 and expires on the next tick (at once from 0); after an expiry
// it goes on from R - 1, R being 0 or INIT (mod 2^16), and so expires every max(R - 1, 1) ticks. The same in one
// step for any number of ticks.
void BkSystemTimer::UpdateCounter() {
    if ((mode & (kRun | kStop)) != kRun || divider == 0) {
        return;
    }
    const uint64_t now = Now();
    if (restart) {
        restart = false;
        count = init;
        startCycle = now;
    }
    const uint64_t ticks = (now > startCycle ? now - startCycle : 0) / divider;
    if (ticks == 0) {
        return;
    }
    if (ticks < count) {
        count = static_cast<uint16_t>(count - ticks);
        startCycle += ticks * divider;
        return;
    }
    if ((mode & kFlagOnExpiry) != 0) {
        mode |= kExpired;
    }
    if ((mode & (kOneShot | kWrap)) == kOneShot) {
        mode &= static_cast<uint16_t>(~kRun);
        count = 0;
        return;
    }
    const auto reload = static_cast<uint16_t>(((mode & kWrap) != 0 ? 0 : init) - 1);
    const uint64_t afterExpiry = ticks - std::max<uint64_t>(count, 1);
    count = static_cast<uint16_t>(reload - afterExpiry % std::max<uint64_t>(reload, 1));
    startCycle += ticks * divider;
}

// ---- Registers

uint16_t BkSystemTimer::ReadRegister(size_t index, uint16_t word, RegisterAccess access, bool peek) {
    const uint16_t value = access == RegisterAccess::EvenByte  ? word & 0377
                           : access == RegisterAccess::OddByte ? word >> 8
                                                               : word;
    TraceEventBreak(traceRead[index], breakRead[index], peek,
                    access == RegisterAccess::EvenByte  ? "<%s[0..7] = %.2lXh"
                    : access == RegisterAccess::OddByte ? "<%s[8..15] = %.2lXh"
                                                        : "<%s = %.4lXh",
                    kRegisterNames[index], value);
    return value;
}

// The high byte of MODE reads all ones.
uint16_t BkSystemTimer::ReadMode(RegisterAccess access, bool peek) {
    UpdateCounter();
    return ReadRegister(kModeRegister, static_cast<uint16_t>(mode | kHighByte), access, peek);
}

uint16_t BkSystemTimer::ReadInit(RegisterAccess access, bool peek) {
    return ReadRegister(kInitRegister, init, access, peek);
}

uint16_t BkSystemTimer::ReadCount(RegisterAccess access, bool peek) {
    UpdateCounter();
    return ReadRegister(kCountRegister, count, access, peek);
}

void BkSystemTimer::WriteMode(uint16_t value, RegisterAccess access) {
    if (access == RegisterAccess::OddByte) {
        return;
    }
    const auto byte = static_cast<uint8_t>(value);
    if (TraceEventBreak(traceWrite[kModeRegister], breakWrite[kModeRegister], false, ">MODE = %.2lXh", byte) != 0) {
        return;
    }
    if ((byte & kDivideBy4) != 0) {
        divider = (byte & kDivideBy16) != 0 ? kBy64CyclesPerTick : kBy4CyclesPerTick;
    } else {
        divider = (byte & kDivideBy16) != 0 ? kBy16CyclesPerTick : kCyclesPerTick;
    }
    mode = byte;
    restart = true;
    UpdateCounter();
}

void BkSystemTimer::WriteInit(uint16_t value, RegisterAccess access) {
    if (IsByte(access)) {
        const auto byte = static_cast<uint8_t>(value);
        if (TraceEventBreak(traceWrite[kInitRegister], breakWrite[kInitRegister], false,
                            access == RegisterAccess::EvenByte ? ">INIT[0..7] = %.2lXh" : ">INIT[8..15] = %.2lXh",
                            byte) == 0) {
            init = access == RegisterAccess::EvenByte ? static_cast<uint16_t>((init & kHighByte) | byte)
                                                      : static_cast<uint16_t>((init & 0377) | byte << 8);
        }
        return;
    }
    if (TraceEventBreak(traceWrite[kInitRegister], breakWrite[kInitRegister], false, ">INIT = %.4lXh", value) != 0) {
        return;
    }
    init = value;
    restart = true;
    UpdateCounter();
}

void BkSystemTimer::WriteCount(uint16_t value, RegisterAccess access) {
    TraceEventBreak(traceWrite[kCountRegister], breakWrite[kCountRegister], false,
                    access == RegisterAccess::EvenByte  ? ">COUNT[0..7] = %.2lXh (n/a)"
                    : access == RegisterAccess::OddByte ? ">COUNT[8..15] = %.2lXh (n/a)"
                                                        : ">COUNT = %.4lXh (n/a)",
                    IsByte(access) ? static_cast<uint8_t>(value) : value);
}

// ---- Lifecycle and settings

bool BkSystemTimer::Start(int32_t& rate) {
    if (!Device::Start(rate)) {
        return false;
    }
    mode = kPowerOnMode;
    init = kPowerOnInit;
    count = kPowerOnCount;
    return true;
}

bool BkSystemTimer::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        for (size_t index = 0; index < traceRead.size(); ++index) {
            const std::pair<const char*, bool*> keys[] = {{"TraceReadREG[%ld]", &traceRead[index]},
                                                          {"TraceWriteREG[%ld]", &traceWrite[index]},
                                                          {"BreakReadREG[%ld]", &breakRead[index]},
                                                          {"BreakWriteREG[%ld]", &breakWrite[index]}};
            for (const auto& [format, flag] : keys) {
                common::NarrowString key;
                key.Format(format, index);
                settings->BindBool(key, flag);
            }
        }
    }
    return Device::ExchangeSettings(settings, enabledOnly);
}

void BkSystemTimer::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    Device::FillSettingsTree(item, kind);
    if (item == nullptr || kind != OptionKind::Trace) {
        return;
    }
    const auto switches = [](std::array<bool, 3>& writes, std::array<bool, 3>& reads) {
        return std::array<TraceFlag, 6>{{{"Write MODE", &writes[kModeRegister]},
                                         {"Read MODE", &reads[kModeRegister]},
                                         {"Write INIT", &writes[kInitRegister]},
                                         {"Read INIT", &reads[kInitRegister]},
                                         {"Write COUNT", &writes[kCountRegister]},
                                         {"Read COUNT", &reads[kCountRegister]}}};
    };
    const std::array<TraceFlag, 6> traces = switches(traceWrite, traceRead);
    const std::array<TraceFlag, 6> breaks = switches(breakWrite, breakRead);
    AddFlagSubmenu(item, "Trace Registers", traces);
    item->AddSeparator();
    AddFlagSubmenu(item, "Break On Registers", breaks);
    item->AddSeparator();
    std::array<TraceFlag, 12> all{};
    std::copy(traces.begin(), traces.end(), all.begin());
    std::copy(breaks.begin(), breaks.end(), all.begin() + traces.size());
    AddSetButton(item, "Select All", all, true);
    AddSetButton(item, "Clear All", all, false);
}

// ---- State

bool BkSystemTimer::SaveOwnData(common::RecordArchive& archive) {
    return Device::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordU16(mode, common::NarrowString("MODR")) &&
           archive.WriteRecordU16(init, common::NarrowString("INIR")) &&
           archive.WriteRecordU16(count, common::NarrowString("CNTR")) &&
           archive.WriteRecordU64(divider, common::NarrowString("PERC")) &&
           archive.WriteRecordU64(startCycle, common::NarrowString("STAC")) &&
           archive.WriteRecordBool(restart, common::NarrowString("RSTR"));
}

// MODE as no write leaves it (a high byte but the power-on one) or a tick length no MODE gives cannot be taken.
bool BkSystemTimer::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    uint16_t savedMode = 0;
    uint16_t savedInit = 0;
    uint16_t savedCount = 0;
    uint64_t savedDivider = 0;
    uint64_t savedStart = 0;
    bool savedRestart = false;
    if (!Device::LoadOwnData(archive, note) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordU16(savedMode, common::NarrowString("MODR")) ||
        !archive.ReadRecordU16(savedInit, common::NarrowString("INIR")) ||
        !archive.ReadRecordU16(savedCount, common::NarrowString("CNTR")) ||
        !archive.ReadRecordU64(savedDivider, common::NarrowString("PERC")) ||
        !archive.ReadRecordU64(savedStart, common::NarrowString("STAC")) ||
        !archive.ReadRecordBool(savedRestart, common::NarrowString("RSTR"))) {
        return false;
    }
    if (((savedMode & kHighByte) != 0 && savedMode != kPowerOnMode) || !IsDivider(savedDivider)) {
        return false;
    }
    mode = savedMode;
    init = savedInit;
    count = savedCount;
    divider = savedDivider;
    startCycle = savedStart;
    restart = savedRestart;
    return true;
}

} // namespace emu
