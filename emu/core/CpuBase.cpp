#include "emu/core/CpuBase.h"

#include "common/LittleEndian.h"
#include "common/RecordArchive.h"
#include "emu/core/BusService.h"
#include "emu/core/StateChunk.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace emu {

namespace {

// A machine without memory: every page goes through the (absent) slow path.
const PageTable kNoPages{};

constexpr int32_t kSliceStopMargin = 0x7FFF;
constexpr uint32_t kEventBlockSize = 36;

// Saturates at the ends of the range (and gives 0 for no number), so that no ratio makes the conversion undefined.
int32_t RoundHalfUp(double value) {
    const double rounded = std::floor(value + 0.5);
    if (!(rounded == rounded)) {
        return 0;
    }
    return static_cast<int32_t>(std::clamp(rounded, static_cast<double>(std::numeric_limits<int32_t>::min()),
                                           static_cast<double>(std::numeric_limits<int32_t>::max())));
}

// The ratio of time bases a primary frequency and a request, both 1 .. 2^31 - 1, can give.
constexpr double kLowestRatio = 1.0 / std::numeric_limits<int32_t>::max();
constexpr double kHighestRatio = std::numeric_limits<int32_t>::max();
// Slice counters that states may hold (a slice ended early holds its budget plus a margin), and the cycles an
// instruction parked into a later slice may have paid.
constexpr int32_t kLargestSavedSliceCount = 1 << 30;
constexpr int32_t kLargestCarriedCycles = 0xFFFF;
constexpr int32_t kLargestInterruptDelay = 0xFFFF;

// Signed distance from now to due on their low 32 bits: valid while events lie within 2^31 cycles.
int32_t CyclesUntil(uint64_t due, uint64_t now) {
    return static_cast<int32_t>(static_cast<uint32_t>(due) - static_cast<uint32_t>(now));
}

// Where the fields of an event lie in its 36-byte state block.
constexpr uint32_t kReservedOffsets[4] = {0, 4, 16, 20};
constexpr uint32_t kRemainingOffset = 8;
constexpr uint32_t kPeriodOffset = 24;
constexpr uint32_t kDataOffset = 28;

} // namespace

struct CpuBase::TimedEvent {
    // Not used here; kept verbatim in saved states.
    std::array<uint32_t, 4> reserved{};
    // Absolute Cycles() value at which the event is due; 0 until RebuildEvents schedules an event added before it.
    uint64_t due = 0;
    TimedEvent* next = nullptr;
    TimedEvent* previous = nullptr;
    TreeNode* owner = nullptr;
    TimedEventCallback callback = nullptr;
    const char* name = nullptr;
    int32_t scaledPeriod = 1;
    int32_t period = 1;
    uint64_t data = 0;
};

// The "_CPU" chunk as read, applied only once all of it was read.
struct CpuBase::SavedState {
    struct Event {
        std::array<uint32_t, 4> reserved{};
        uint64_t remainingTenths = 0;
        // Own cycles from now until it is due.
        int32_t dueIn = 0;
        int32_t period = 0;
        uint64_t data = 0;
        TreeNode* owner = nullptr;
        TimedEventCallback callback = nullptr;
        const char* name = nullptr;
    };
    int64_t frequency = 0;
    uint64_t cycleCounter = 0;
    int64_t requestedFrequency = 0;
    uint64_t cyclesAtLastChange = 0;
    uint64_t scaledAtLastChange = 0;
    double ratio = 1.0;
    bool ifFreq = false;
    int32_t sliceBudget = 0;
    int32_t budgetLeft = 0;
    int32_t extraCycles = 0;
    int32_t carriedCycles = 0;
    uint64_t addressMask = 0;
    bool nmi = false;
    uint32_t cpuId = 0;
    bool checkInterrupts = false;
    bool interruptsAllowed = false;
    int32_t interruptDelay = 0;
    uint64_t featureMask = 0;
    bool busFault = false;
    bool eventsStarted = false;
    std::vector<Event> events;
    int32_t cyclesToNextEvent = 0;
};

CpuBase::CpuBase(const char* name, const char* tag) : Device(name, tag), pageTable(&kNoPages) {}

CpuBase::~CpuBase() = default;

bool CpuBase::SetCpuId(uint32_t id) {
    cpuId = id;
    return true;
}

int32_t CpuBase::ActiveEventCount() const {
    return events.Count();
}

// ---- Clock and counters

uint64_t CpuBase::Cycles() const {
    return cycleCounter + static_cast<int64_t>(extraCycles) +
           (static_cast<int64_t>(sliceBudget) - static_cast<int64_t>(budgetLeft));
}

bool CpuBase::SetFrequency(int32_t hz) {
    if (hz < 0) {
        return false;
    }
    cycleCounter = 0;
    cyclesAtLastChange = 0;
    scaledAtLastChange = 0;
    if (!scaledTimeBase) {
        primaryFrequency = hz;
    }
    frequency = hz;
    SetRequestedFrequency(requestedFrequency);
    return true;
}

void CpuBase::SetRequestedFrequency(int32_t hz) {
    scaledAtLastChange = ScaledElapsed();
    cyclesAtLastChange = Cycles();
    requestedFrequency = hz;
    // Without both frequencies there is nothing to scale by: a ratio of 0 or below would stop or reverse time.
    const double newRatio = scaledTimeBase && hz > 0 && primaryFrequency > 0
                                ? static_cast<double>(primaryFrequency) / static_cast<double>(hz)
                                : 1.0;
    RescaleEvents(newRatio);
    ratio = newRatio;
}

uint64_t CpuBase::ScaledElapsed() const {
    const uint64_t elapsed = Cycles() - cyclesAtLastChange;
    // Saturated: 2^64 itself is the first double the conversion cannot take.
    const double scaled = static_cast<double>(elapsed) * ratio;
    return scaledAtLastChange +
           (scaled < 18446744073709551616.0 ? static_cast<uint64_t>(scaled) : std::numeric_limits<uint64_t>::max());
}

int32_t CpuBase::EffectiveFrequency() const {
    return IsMaxSpeed() ? primaryFrequency : frequency;
}

void CpuBase::AddCycles(int32_t cycles) {
    if (scaledTimeBase) {
        cycles = RoundHalfUp(cycles / ratio);
    }
    if (cycles <= 0) {
        return;
    }
    if (executing) {
        budgetLeft -= cycles;
    } else {
        // Straight into the counter: a separate 32-bit sum of every stall would overflow in time.
        cycleCounter += static_cast<uint64_t>(cycles);
    }
}

// ---- Flags and slices

uint32_t CpuBase::Reset() {
    carriedCycles = 0;
    return InitialStart();
}

uint32_t CpuBase::InitialStart() {
    nmi = false;
    interruptsAllowed = true;
    checkInterrupts = true;
    interruptDelay = 0;
    return 0;
}

bool CpuBase::SetNMI(bool on) {
    nmi = on;
    return true;
}

uint32_t CpuBase::EndSlice() {
    if (executing) {
        const int32_t spent = sliceBudget;
        const int32_t left = budgetLeft;
        budgetLeft = -(spent + kSliceStopMargin);
        sliceBudget = -(left + kSliceStopMargin);
        sliceStopped = true;
    }
    return GetPC();
}

uint32_t CpuBase::RaiseBusFault() {
    if (!executing) {
        return 0;
    }
    EndSlice();
    busFault = true;
    return 1;
}

int32_t CpuBase::Disassemble(common::String& addressText, common::String& wordsText, common::String& instructionText,
                             common::String& flagsText, common::String& commentText, common::String& spareText1,
                             common::String& spareText2, uint32_t& flowFlags, int32_t& addressWidth,
                             int32_t& wordsWidth, int32_t& instructionWidth, int32_t& flagsWidth, int32_t& commentWidth,
                             int32_t& spareWidth1, int32_t& spareWidth2) {
    for (common::String* text :
         {&addressText, &wordsText, &instructionText, &flagsText, &commentText, &spareText1, &spareText2}) {
        text->Clear();
    }
    flowFlags = 0;
    addressWidth = wordsWidth = instructionWidth = flagsWidth = commentWidth = spareWidth1 = spareWidth2 = 0;
    return 0;
}

void CpuBase::TakePendingRequest(uint32_t& first, uint32_t& second) {
    first = second = 0;
}

// ---- Device life

void CpuBase::OnServicesChanged() {
    pageTable = Memory() != nullptr ? &Memory()->Pages() : &kNoPages;
}

bool CpuBase::Start(int32_t& rate) {
    OnServicesChanged();
    eventsStarted = false;
    if (!Device::Start(rate) || frequency == 0) {
        return false;
    }
    interruptsAllowed = true;
    checkInterrupts = true;
    interruptDelay = 0;
    nmi = false;
    executing = false;
    busFault = false;
    instructionStart = 0;
    extraCycles = 0;
    carriedCycles = 0;
    budgetLeft = sliceBudget = 0;
    cycleCounter = 0;
    addressMask = 0xFFFFFFFF;
    featureMask.fill(0xFF);
    ifFreq = false;
    requestedFrequency = frequency;
    cyclesAtLastChange = scaledAtLastChange = cycleCounter;
    ratio = 1.0;
    Reset();
    return true;
}

void CpuBase::Stop() {
    OnMemoryMapChanged();
    if (IsRunning()) {
        Reset();
    }
    eventsStarted = false;
    events.Clear();
    Device::Stop();
}

bool CpuBase::Notify(uint32_t code) {
    const bool result = Device::Notify(code);
    if (result && (code & notification::kMemoryMapChanged) != 0) {
        OnMemoryMapChanged();
        OnServicesChanged();
    }
    return result;
}

// ---- Timed events

int32_t CpuBase::ScaledPeriod(int32_t period) const {
    if (!scaledTimeBase) {
        return period;
    }
    const int32_t scaled = RoundHalfUp(period / ratio);
    return scaled < 1 ? 1 : scaled;
}

bool CpuBase::AddEvent(int32_t period, TimedEventCallback callback, TreeNode* owner, const char* name, uint64_t data) {
    // Bound first, so that an event that could not be bound never runs.
    if (Bus() != nullptr && Bus()->IsRegistering() && !Bus()->BindObjectEvent(name, callback, owner)) {
        return false;
    }
    TimedEvent* event = &events.Take();
    event->data = data;
    event->period = period == 0 ? 1 : (period < 0 ? -period : period);
    event->scaledPeriod = ScaledPeriod(event->period);
    event->owner = owner;
    event->callback = callback;
    event->name = name;
    const uint64_t base = eventsStarted ? Cycles() : 0;
    event->due = base;
    if (period > 0) {
        event->due = base + event->scaledPeriod;
        cyclesToNextEvent = std::min(cyclesToNextEvent, event->scaledPeriod);
    } else {
        cyclesToNextEvent = 0;
    }
    events.Append(*event);
    return true;
}

bool CpuBase::Fire(TimedEvent* event) {
    int32_t period = event->period;
    if (!event->callback(event->owner, &period, &event->data, this)) {
        events.Remove(*event);
        return false;
    }
    if (period <= 0) {
        period = 1;
    }
    if (period != event->period) {
        event->period = period;
        event->scaledPeriod = ScaledPeriod(period);
    }
    return true;
}

void CpuBase::RebuildEvents() {
    eventsStarted = true;
    cyclesToNextEvent = kNoEventPending;
    for (TimedEvent* event = events.First(); event != nullptr;) {
        if (event->due == 0) {
            TimedEvent* const next = event->next;
            if (!Fire(event)) {
                event = next;
                continue;
            }
            // Counted from cycle 0: a start resets the counters.
            event->due = static_cast<uint64_t>(event->scaledPeriod);
        } else if (event->scaledPeriod <= 0) {
            event->scaledPeriod = 1;
        }
        cyclesToNextEvent = std::min(cyclesToNextEvent, event->scaledPeriod);
        event = event->next;
    }
}

void CpuBase::DispatchEvents() {
    cyclesToNextEvent = kNoEventPending;
    const uint64_t now = Cycles();
    // Events appended by a callback are visited in the same walk, against the same now.
    for (TimedEvent* event = events.First(); event != nullptr;) {
        int32_t until = CyclesUntil(event->due, now);
        bool removed = false;
        if (until <= 0) {
            do {
                TimedEvent* const next = event->next;
                if (!Fire(event)) {
                    event = next;
                    removed = true;
                    break;
                }
                event->due += static_cast<uint64_t>(event->scaledPeriod);
                until = CyclesUntil(event->due, now);
            } while (until < 0);
        }
        if (!removed) {
            cyclesToNextEvent = std::min(cyclesToNextEvent, until);
            event = event->next;
        }
    }
}

void CpuBase::RescaleEvents(double newRatio) {
    cyclesToNextEvent = kNoEventPending;
    if (events.First() == nullptr) {
        return;
    }
    const uint64_t now = Cycles();
    const double factor = (1.0 / newRatio) * ratio;
    for (TimedEvent* event = events.First(); event != nullptr; event = event->next) {
        const int32_t cycles = RoundHalfUp(CyclesUntil(event->due, now) * factor);
        event->due = now + static_cast<int64_t>(cycles);
        cyclesToNextEvent = std::min(cyclesToNextEvent, cycles > 0 ? cycles : 0);
        const int32_t scaled = RoundHalfUp(event->period * (1.0 / newRatio));
        event->scaledPeriod = scaled < 1 ? 1 : scaled;
    }
}

// ---- The "_CPU" chunk

bool CpuBase::SaveOwnData(common::RecordArchive& archive) {
    if (!Device::SaveOwnData(archive)) {
        return false;
    }
    uint8_t ratioBytes[sizeof(double)];
    std::memcpy(ratioBytes, &ratio, sizeof ratioBytes);
    uint64_t firstFeatures = 0;
    std::memcpy(&firstFeatures, featureMask.data(), sizeof firstFeatures);
    bool written = archive.WriteMarker(common::kChunkBeginMarker, common::NarrowString("_CPU")) &&
                   WriteVersion(archive, "VER") && archive.WriteRecordI64(frequency, common::NarrowString("FREQ")) &&
                   archive.WriteRecordU64(cycleCounter, common::NarrowString("CYCL")) &&
                   archive.WriteRecordI64(requestedFrequency, common::NarrowString("FFREQ")) &&
                   archive.WriteRecordU64(cyclesAtLastChange, common::NarrowString("LCYCL")) &&
                   archive.WriteRecordU64(scaledAtLastChange, common::NarrowString("LSCYCL")) &&
                   archive.WriteRecordBlob(ratioBytes, sizeof ratioBytes, common::NarrowString("CFREQ")) &&
                   archive.WriteRecordBool(ifFreq, common::NarrowString("IFFREQ")) &&
                   archive.WriteRecordI32(sliceBudget, common::NarrowString("MCYCL")) &&
                   archive.WriteRecordI32(budgetLeft, common::NarrowString("ECYCL")) &&
                   archive.WriteRecordI32(extraCycles, common::NarrowString("SCYCL")) &&
                   archive.WriteRecordI32(carriedCycles, common::NarrowString("PCYCL")) &&
                   archive.WriteRecordU64(addressMask, common::NarrowString("AMSK")) &&
                   archive.WriteRecordBool(nmi, common::NarrowString("NMI")) &&
                   archive.WriteRecordU32(cpuId, common::NarrowString("CRID")) &&
                   archive.WriteRecordBool(checkInterrupts, common::NarrowString("CHWI")) &&
                   archive.WriteRecordBool(interruptsAllowed, common::NarrowString("AHWI")) &&
                   archive.WriteRecordI32(interruptDelay, common::NarrowString("HWID")) &&
                   archive.WriteRecordU64(firstFeatures, common::NarrowString("FMSK")) &&
                   archive.WriteRecordBool(busFault, common::NarrowString("WFLT")) &&
                   archive.WriteRecordBool(eventsStarted, common::NarrowString("STEVT")) &&
                   archive.WriteRecordU32(static_cast<uint32_t>(ActiveEventCount()), common::NarrowString("CNEVT"));
    const uint64_t now = Cycles();
    uint32_t index = 0;
    for (const TimedEvent* event = events.First(); written && event != nullptr; event = event->next, ++index) {
        uint8_t block[kEventBlockSize] = {};
        for (int slot = 0; slot < 4; ++slot) {
            common::StoreLittleEndian(block + kReservedOffsets[slot], 4, event->reserved[slot]);
        }
        // An overdue event is stored as due now.
        const int64_t until = static_cast<int64_t>(event->due - now);
        const double remaining = until > 0 ? static_cast<double>(until) * ratio * 10.0 : 0.0;
        common::StoreLittleEndian(block + kRemainingOffset, 8, static_cast<uint64_t>(remaining));
        common::StoreLittleEndian(block + kPeriodOffset, 4, static_cast<uint32_t>(event->period));
        common::StoreLittleEndian(block + kDataOffset, 8, event->data);
        written = WriteEventRecords(archive, index, *event->owner, event->name, block);
    }
    return written && archive.WriteRecordI32(cyclesToNextEvent, common::NarrowString("CBEVT")) &&
           archive.WriteMarker(common::kChunkEndMarker, common::NarrowString("_CPU")) && SaveProcessorState(archive);
}

bool CpuBase::ReadCpuChunk(common::RecordArchive& archive, SavedState& state) const {
    uint8_t ratioBytes[sizeof(double)];
    uint32_t eventCount = 0;
    if (!(archive.ReadMarker(common::NarrowString("_CPU"), common::kChunkBeginMarker) && ReadVersion(archive, "VER") &&
          archive.ReadRecordI64(state.frequency, common::NarrowString("FREQ")) &&
          archive.ReadRecordU64(state.cycleCounter, common::NarrowString("CYCL")) &&
          archive.ReadRecordI64(state.requestedFrequency, common::NarrowString("FFREQ")) &&
          archive.ReadRecordU64(state.cyclesAtLastChange, common::NarrowString("LCYCL")) &&
          archive.ReadRecordU64(state.scaledAtLastChange, common::NarrowString("LSCYCL")) &&
          archive.ReadRecordBlob(ratioBytes, sizeof ratioBytes, common::NarrowString("CFREQ")) &&
          archive.ReadRecordBool(state.ifFreq, common::NarrowString("IFFREQ")) &&
          archive.ReadRecordI32(state.sliceBudget, common::NarrowString("MCYCL")) &&
          archive.ReadRecordI32(state.budgetLeft, common::NarrowString("ECYCL")) &&
          archive.ReadRecordI32(state.extraCycles, common::NarrowString("SCYCL")) &&
          archive.ReadRecordI32(state.carriedCycles, common::NarrowString("PCYCL")) &&
          archive.ReadRecordU64(state.addressMask, common::NarrowString("AMSK")) &&
          archive.ReadRecordBool(state.nmi, common::NarrowString("NMI")) &&
          archive.ReadRecordU32(state.cpuId, common::NarrowString("CRID")) &&
          archive.ReadRecordBool(state.checkInterrupts, common::NarrowString("CHWI")) &&
          archive.ReadRecordBool(state.interruptsAllowed, common::NarrowString("AHWI")) &&
          archive.ReadRecordI32(state.interruptDelay, common::NarrowString("HWID")) &&
          archive.ReadRecordU64(state.featureMask, common::NarrowString("FMSK")) &&
          archive.ReadRecordBool(state.busFault, common::NarrowString("WFLT")) &&
          archive.ReadRecordBool(state.eventsStarted, common::NarrowString("STEVT")) &&
          archive.ReadRecordU32(eventCount, common::NarrowString("CNEVT")))) {
        return false;
    }
    std::memcpy(&state.ratio, ratioBytes, sizeof ratioBytes);
    if (!IsInRange(state)) {
        return false;
    }
    for (uint32_t index = 0; index < eventCount; ++index) {
        common::NarrowString deviceName;
        common::NarrowString eventName;
        uint8_t block[kEventBlockSize];
        SavedState::Event event;
        if (!ReadEventRecords(archive, index, deviceName, eventName, block) || Bus() == nullptr) {
            return false;
        }
        const BusService::EventBinding* binding =
            Bus()->IsObjectEvent(deviceName.GetNarrow(), eventName.GetNarrow(), &event.name);
        const TimedEventCallback* callback =
            binding != nullptr ? std::get_if<TimedEventCallback>(&binding->callback) : nullptr;
        if (callback == nullptr || *callback == nullptr || binding->owner == nullptr) {
            return false;
        }
        event.callback = *callback;
        event.owner = binding->owner;
        for (int slot = 0; slot < 4; ++slot) {
            event.reserved[slot] = static_cast<uint32_t>(common::LoadLittleEndian(block + kReservedOffsets[slot], 4));
        }
        event.remainingTenths = common::LoadLittleEndian(block + kRemainingOffset, 8);
        event.period = static_cast<int32_t>(common::LoadLittleEndian(block + kPeriodOffset, 4));
        // Events lie within 2^31 cycles of now, and a period is a positive count.
        const double divisor = scaledTimeBase ? 10.0 * state.ratio : 10.0;
        const double dueIn = std::floor(static_cast<double>(event.remainingTenths) / divisor + 0.5);
        if (event.period < 1 || !(dueIn <= std::numeric_limits<int32_t>::max())) {
            return false;
        }
        event.dueIn = static_cast<int32_t>(dueIn);
        event.data = common::LoadLittleEndian(block + kDataOffset, 8);
        state.events.push_back(event);
    }
    return archive.ReadRecordI32(state.cyclesToNextEvent, common::NarrowString("CBEVT")) &&
           state.cyclesToNextEvent >= 0 && archive.ReadMarker(common::NarrowString("_CPU"), common::kChunkEndMarker);
}

void CpuBase::Apply(const SavedState& state) {
    frequency = static_cast<int32_t>(state.frequency);
    cycleCounter = state.cycleCounter;
    requestedFrequency = static_cast<int32_t>(state.requestedFrequency);
    cyclesAtLastChange = state.cyclesAtLastChange;
    scaledAtLastChange = state.scaledAtLastChange;
    ratio = state.ratio;
    ifFreq = state.ifFreq;
    sliceBudget = state.sliceBudget;
    budgetLeft = state.budgetLeft;
    extraCycles = state.extraCycles;
    carriedCycles = state.carriedCycles;
    addressMask = static_cast<uint32_t>(state.addressMask);
    nmi = state.nmi;
    SetCpuId(state.cpuId);
    checkInterrupts = state.checkInterrupts;
    interruptsAllowed = state.interruptsAllowed;
    interruptDelay = state.interruptDelay;
    std::memcpy(featureMask.data(), &state.featureMask, sizeof state.featureMask);
    busFault = state.busFault;
    events.RemoveAll();
    eventsStarted = state.eventsStarted;
    const uint64_t now = Cycles();
    for (const SavedState::Event& saved : state.events) {
        TimedEvent* event = &events.Take();
        event->reserved = saved.reserved;
        event->period = saved.period;
        event->scaledPeriod = ScaledPeriod(event->period);
        event->owner = saved.owner;
        event->callback = saved.callback;
        event->name = saved.name;
        event->data = saved.data;
        event->due = now + static_cast<uint64_t>(saved.dueIn);
        events.Append(*event);
    }
    cyclesToNextEvent = state.cyclesToNextEvent;
}

bool CpuBase::IsInRange(const SavedState& state) {
    const auto isFrequency = [](int64_t hz) { return hz >= 0 && hz <= std::numeric_limits<int32_t>::max(); };
    const auto isSliceCount = [](int32_t count) {
        return count >= -kLargestSavedSliceCount && count <= kLargestSavedSliceCount;
    };
    // A ratio outside what two frequencies give would poison every event time computed from it.
    return isFrequency(state.frequency) && isFrequency(state.requestedFrequency) && state.ratio >= kLowestRatio &&
           state.ratio <= kHighestRatio && isSliceCount(state.sliceBudget) && isSliceCount(state.budgetLeft) &&
           state.extraCycles >= 0 && state.carriedCycles >= 0 && state.carriedCycles <= kLargestCarriedCycles &&
           state.addressMask <= 0xFFFFFFFF && state.interruptDelay >= 0 &&
           state.interruptDelay <= kLargestInterruptDelay;
}

bool CpuBase::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    SavedState state;
    if (!Device::LoadOwnData(archive, note) || !ReadCpuChunk(archive, state) || !LoadProcessorState(archive)) {
        return false;
    }
    Apply(state);
    return true;
}

// ---- Bus accesses

template <typename Value>
bool CpuBase::ReadBytewise(uint32_t address, Value& value, uint8_t peek) {
    Value assembled = 0;
    for (uint32_t index = 0; index < sizeof(Value); ++index) {
        const uint8_t byte = Memory() != nullptr ? Memory()->ReadByte((address + index) & addressMask, peek) : 0xFF;
        if (busFault) {
            return false;
        }
        assembled |= static_cast<Value>(static_cast<Value>(byte) << (8 * index));
    }
    value = assembled;
    return true;
}

template <typename Value>
bool CpuBase::WriteBytewise(uint32_t address, Value value) {
    for (uint32_t index = 0; index < sizeof(Value); ++index) {
        if (Memory() != nullptr) {
            Memory()->WriteByte((address + index) & addressMask, static_cast<uint8_t>(value >> (8 * index)));
        }
        if (busFault) {
            return false;
        }
    }
    return true;
}

template <typename Value>
bool CpuBase::FastReadAs(uint32_t address, Value& value, uint32_t testMask, uint8_t peek) {
    address &= addressMask;
    if (const PageDescriptor* descriptor = DirectPage<Value>(address, testMask, kReadDirect)) {
        value = LoadInPlace<Value>(descriptor->ReadBytes() + (address & page::kOffsetMask));
        return true;
    }
    if constexpr (sizeof(Value) == 1) {
        if (const PageDescriptor* descriptor = DirectPage<Value>(address, testMask, kReadHandled)) {
            uint8_t byte = 0;
            if (!descriptor->read.handler(descriptor->read.context, address, 1, &byte, peek)) {
                byte = pageTable->ram[address];
            }
            if (!busFault) {
                value = byte;
                return true;
            }
        }
    }
    return ReadBytewise(address, value, peek);
}

template <typename Value>
bool CpuBase::BusFetch(uint32_t address, Value& value, uint32_t& counter) {
    if (!ReadBytewise(address & addressMask, value, 0)) {
        return false;
    }
    counter += sizeof(Value);
    return true;
}

template <typename Value>
bool CpuBase::BusRead(uint32_t address, Value& value) {
    return ReadBytewise(address & addressMask, value, 0);
}

template <typename Value>
bool CpuBase::BusPeek(uint32_t address, Value& value) {
    return ReadBytewise(address & addressMask, value, 1);
}

template <typename Value>
bool CpuBase::BusWrite(uint32_t address, Value value) {
    return WriteBytewise(address & addressMask, value);
}

template <typename Value>
bool CpuBase::FastFetch(uint32_t address, Value& value, uint32_t& counter) {
    if (!FastReadAs(address, value, page::kFetchInPlaceMask, 0)) {
        return false;
    }
    counter += sizeof(Value);
    return true;
}

template <typename Value>
bool CpuBase::FastRead(uint32_t address, Value& value) {
    return FastReadAs(address, value, page::kReadInPlaceMask, 0);
}

template <typename Value>
bool CpuBase::FastPeek(uint32_t address, Value& value) {
    return FastReadAs(address, value, page::kReadInPlaceMask, 1);
}

template <typename Value>
bool CpuBase::FastWrite(uint32_t address, Value value) {
    address &= addressMask;
    if (const PageDescriptor* descriptor = DirectPage<Value>(address, page::kWriteInPlaceMask, kWriteDirect)) {
        StoreInPlace(descriptor->WriteBytes() + (address & page::kOffsetMask), value);
        return true;
    }
    if constexpr (sizeof(Value) == 1) {
        if (const PageDescriptor* descriptor = DirectPage<Value>(address, page::kWriteInPlaceMask, kWriteHandled)) {
            if (!descriptor->write.handler(descriptor->write.context, address, 1, &value)) {
                pageTable->ram[address] = value;
            }
            if (!busFault) {
                return true;
            }
        }
    }
    return WriteBytewise(address, value);
}

#define ZOV_CPU_BUS_ACCESSES(Value)                                                                                    \
    template bool CpuBase::BusFetch<Value>(uint32_t, Value&, uint32_t&);                                               \
    template bool CpuBase::BusRead<Value>(uint32_t, Value&);                                                           \
    template bool CpuBase::BusPeek<Value>(uint32_t, Value&);                                                           \
    template bool CpuBase::BusWrite<Value>(uint32_t, Value);                                                           \
    template bool CpuBase::FastFetch<Value>(uint32_t, Value&, uint32_t&);                                              \
    template bool CpuBase::FastRead<Value>(uint32_t, Value&);                                                          \
    template bool CpuBase::FastPeek<Value>(uint32_t, Value&);                                                          \
    template bool CpuBase::FastWrite<Value>(uint32_t, Value);
ZOV_CPU_BUS_ACCESSES(uint8_t)
ZOV_CPU_BUS_ACCESSES(uint16_t)
ZOV_CPU_BUS_ACCESSES(uint32_t)
ZOV_CPU_BUS_ACCESSES(uint64_t)
#undef ZOV_CPU_BUS_ACCESSES

} // namespace emu
