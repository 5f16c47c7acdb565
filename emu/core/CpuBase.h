#pragma once

#include "emu/core/CpuInterface.h"
#include "emu/core/Device.h"
#include "emu/core/MemoryMap.h"
#include "emu/core/RecycledList.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace emu {

// The base of every emulated processor: the clock and cycle counters, the slice protocol the executors follow,
// the cycle-timed events devices use to be called back, the interrupt-poll and NMI flags, the "_CPU" state chunk
// and a family of bus accesses through the machine's memory. It executes nothing itself.
//
// Slice protocol of a derived Execute: OpenSlice(n); per instruction the executor clears the bus fault, notes the
// instruction start and takes its cost from budgetLeft; CloseSlice() at the end. Cycles() counts the part of a
// running slice already spent, and EndSlice / RaiseBusFault end a slice by driving budgetLeft negative while
// keeping sliceBudget - budgetLeft unchanged.
class CpuBase : public Device, public CpuInterface {
public:
    // A processor names itself; the machine may rename it when it adopts it.
    explicit CpuBase(const char* name = "CPU", const char* tag = "CPU");
    ~CpuBase() override;

    using Device::Reset;

    // The controller's choice of time base: when scaled, event periods and AddCycles amounts are in ticks of the
    // primary frequency (which it then publishes), converted to own cycles through the ratio.
    void SetScaledTimeBase(bool on) { scaledTimeBase = on; }
    void SetPrimaryFrequency(int32_t hz) { primaryFrequency = hz; }
    bool SetCpuId(uint32_t id);
    const common::NarrowString& DisplayName() const { return Name(); }
    int32_t ActiveEventCount() const;

    uint32_t Reset() override;
    int32_t CpuModelCode() const override { return 0; }
    uint32_t InitialStart() override;
    int32_t Execute(int32_t budget) override { return budget; }
    // A processor that does not run slices on its own runs the one piece.
    int32_t ExecuteSlices(int32_t budget, SliceRun& /*run*/) override { return Execute(budget); }
    uint32_t EndSlice() override;
    uint32_t RaiseBusFault() override;
    bool BusFault() const override { return busFault; }
    uint32_t GetPC() const override { return 0; }
    void OnMemoryMapChanged() override {}
    uint64_t Cycles() const override;
    uint32_t GetAddressMask() const override { return addressMask; }
    void SetAddressMask(uint32_t mask) override { addressMask = mask; }
    void RequestInterruptCheck() override { checkInterrupts = true; }
    int32_t Frequency() const override { return frequency; }
    bool SetFrequency(int32_t hz) override;
    int32_t RequestedFrequency() const override { return requestedFrequency; }
    void SetRequestedFrequency(int32_t hz) override;
    int32_t PrimaryFrequency() const override { return primaryFrequency; }
    uint64_t ScaledElapsed() const override;
    bool GetNMI() const override { return nmi; }
    bool SetNMI(bool on) override;
    bool HasPendingRequest() const override { return false; }
    void AddCycles(int32_t cycles) override;
    bool IsMaxSpeed() const override { return false; }
    int32_t Disassemble(common::String& addressText, common::String& wordsText, common::String& instructionText,
                        common::String& flagsText, common::String& commentText, common::String& spareText1,
                        common::String& spareText2, uint32_t& flowFlags, int32_t& addressWidth, int32_t& wordsWidth,
                        int32_t& instructionWidth, int32_t& flagsWidth, int32_t& commentWidth, int32_t& spareWidth1,
                        int32_t& spareWidth2) override;
    void TakePendingRequest(uint32_t& first, uint32_t& second) override;
    bool AddEvent(int32_t period, TimedEventCallback callback, TreeNode* owner, const char* name,
                  uint64_t data) override;
    void RebuildEvents() override;
    void DispatchEvents() override;
    int32_t EffectiveFrequency() const override;

    NodeKind DeviceKind() const override { return NodeKind::Processor; }
    // Takes the memory map's published page table. Fails when the device start fails or the frequency is 0.
    bool Start(int32_t& rate) override;
    // Frees every timed event.
    void Stop() override;
    // Memory map changes (0x02) take the map's page table anew.
    bool Notify(uint32_t code) override;
    // The device's own data, then the "_CPU" chunk: clock, counters, flags and the pending events by the full
    // name of their device and their event name.
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Reads all of it before anything changes; every event must be bound on the bus by its device and name.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

    // Memory accesses for processors that want them, through the address mask. Fetches add the size to counter.
    // The Bus forms go byte by byte through the memory map; the Fast forms first try the page in place. Values
    // are little-endian; reads store nothing on a bus fault; writes send the low byte first and keep the bytes
    // written before a fault. False on a bus fault.
    template <typename Value>
    bool BusFetch(uint32_t address, Value& value, uint32_t& counter);
    template <typename Value>
    bool BusRead(uint32_t address, Value& value);
    template <typename Value>
    bool BusPeek(uint32_t address, Value& value);
    template <typename Value>
    bool BusWrite(uint32_t address, Value value);
    template <typename Value>
    bool FastFetch(uint32_t address, Value& value, uint32_t& counter);
    template <typename Value>
    bool FastRead(uint32_t address, Value& value);
    template <typename Value>
    bool FastPeek(uint32_t address, Value& value);
    template <typename Value>
    bool FastWrite(uint32_t address, Value value);

protected:
    // The page table follows the memory service the machine hands out, so that a rebuilt one is never read late.
    void OnServicesChanged() override;

    // What a derived processor adds behind the "_CPU" chunk. LoadProcessorState reads all of its values and
    // applies them only when every one was read.
    virtual bool SaveProcessorState(common::RecordArchive&) { return true; }
    virtual bool LoadProcessorState(common::RecordArchive&) { return true; }

    // Slice protocol (see the class comment). CloseSlice answers the cycles consumed, at least 1 unless a bus
    // fault ended the slice, and adds them to the cycle counter.
    void OpenSlice(int32_t budget) {
        // Cycles added outside slices that a loaded state still keeps apart.
        cycleCounter += static_cast<uint64_t>(extraCycles);
        extraCycles = 0;
        executing = true;
        sliceStopped = false;
        sliceBudget = budgetLeft = budget == 0 ? 1 : budget;
    }
    // The slice ran its budget down: neither stopped (EndSlice) nor aborted.
    bool SliceRanDown() const { return budgetLeft < 1 && !sliceStopped && !busFault; }
    // Closes a slice that ran down and opens the next of budget cycles (above 0) at once, as CloseSlice and
    // OpenSlice would.
    void NextSlice(int32_t budget) {
        cycleCounter += static_cast<uint64_t>(static_cast<int64_t>(sliceBudget - budgetLeft));
        sliceBudget = budgetLeft = budget;
    }
    int32_t CloseSlice() {
        int32_t consumed = sliceBudget - budgetLeft;
        if (consumed == 0) {
            consumed = busFault ? 0 : 1;
        }
        cycleCounter += static_cast<uint64_t>(static_cast<int64_t>(consumed));
        sliceBudget = budgetLeft = 0;
        busFault = false;
        executing = false;
        return consumed;
    }

    // What a page's flags under the in-place masks (page::kReadInPlaceMask and the others) must equal: the direct
    // value serves the access from the page's bytes, the handler value offers a byte to the page's handler first.
    static constexpr uint32_t kReadDirect = page::kReadable;
    static constexpr uint32_t kReadHandled = page::kReadable | page::kReadBound;
    static constexpr uint32_t kWriteDirect = page::kWritable;
    static constexpr uint32_t kWriteHandled = page::kWritable | page::kWriteBound;

    // The one in-place test of every processor access: the page of an access of size bytes at address when the
    // access lies below the address space's top within one page and the page's flags under testMask equal
    // wanted, else null (the access then goes through the memory map).
    template <typename Value>
    const PageDescriptor* DirectPage(uint32_t address, uint32_t testMask, uint32_t wanted) const {
        // The address space is whole pages: an access within one page lies below the top when its first byte does.
        if ((address & page::kOffsetMask) + sizeof(Value) > page::kSize || address >= pageTable->size) {
            return nullptr;
        }
        const PageDescriptor& descriptor = pageTable->PageOf(address);
        return (descriptor.flags & testMask) == wanted ? &descriptor : nullptr;
    }
    // The little-endian value at the bytes, and the bytes of a value.
    template <typename Value>
    static Value LoadInPlace(const uint8_t* bytes) {
        Value value = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, bytes, sizeof value);
        } else {
            for (uint32_t index = 0; index < sizeof(Value); ++index) {
                value |= static_cast<Value>(static_cast<Value>(bytes[index]) << (8 * index));
            }
        }
        return value;
    }
    template <typename Value>
    static void StoreInPlace(uint8_t* bytes, Value value) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(bytes, &value, sizeof value);
        } else {
            for (uint32_t index = 0; index < sizeof(Value); ++index) {
                bytes[index] = static_cast<uint8_t>(value >> (8 * index));
            }
        }
    }

    // The memory map's page table (an empty one without a map): read in place on the fast paths.
    const PageTable* pageTable;

    uint32_t addressMask = 0xFFFFFFFF;
    bool checkInterrupts = false;
    bool interruptsAllowed = false;
    bool nmi = false;
    // Instruction boundaries still to pass before the next poll of the interrupt sources.
    int32_t interruptDelay = 0;
    bool executing = false;
    // EndSlice stopped the running slice.
    bool sliceStopped = false;
    bool busFault = false;
    uint32_t instructionStart = 0;
    int32_t sliceBudget = 0;
    int32_t budgetLeft = 0;
    // Cycles already paid for an instruction parked into a later slice.
    int32_t carriedCycles = 0;

private:
    struct TimedEvent;
    struct SavedState;

    // Own cycles of a period given in the time base, at least 1.
    int32_t ScaledPeriod(int32_t period) const;
    // Calls the event's callback; false when it removed the event. Otherwise its period is taken over.
    bool Fire(TimedEvent* event);
    void RescaleEvents(double newRatio);
    bool ReadCpuChunk(common::RecordArchive& archive, SavedState& state) const;
    // Whether every number of the chunk lies where this processor base can put it.
    static bool IsInRange(const SavedState& state);
    void Apply(const SavedState& state);

    template <typename Value>
    bool ReadBytewise(uint32_t address, Value& value, uint8_t peek);
    template <typename Value>
    bool WriteBytewise(uint32_t address, Value value);
    template <typename Value>
    bool FastReadAs(uint32_t address, Value& value, uint32_t testMask, uint8_t peek);

    bool scaledTimeBase = false;
    int32_t primaryFrequency = 0;
    int32_t frequency = 0;
    uint64_t cycleCounter = 0;
    int32_t requestedFrequency = 0;
    uint64_t cyclesAtLastChange = 0;
    uint64_t scaledAtLastChange = 0;
    double ratio = 1.0;
    bool ifFreq = false;
    uint32_t cpuId = 0;
    std::array<uint8_t, 16> featureMask{};
    int32_t extraCycles = 0;
    bool eventsStarted = false;
    RecycledList<TimedEvent> events;
};

} // namespace emu
