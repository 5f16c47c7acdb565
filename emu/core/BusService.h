#pragma once

#include "common/NamedList.h"
#include "emu/core/CpuInterface.h"
#include "emu/core/RecycledList.h"
#include "emu/core/TreeNode.h"

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace emu {

class HostSoundOutput;
struct BusEvent;

// A bus event: called with the device that owns it each time it fires; false removes the event.
using BusEventCallback = bool (*)(TreeNode* owner, BusEvent* event);
// Fills an accumulator of count samples within minSample..maxSample for the sound output of an output event,
// fifty times a second; frequency is the event's, tag its caller's value. False removes the event.
using SoundMixerCallback = bool (*)(TreeNode* owner, int32_t* accumulator, int32_t count, int32_t minSample,
                                    int32_t maxSample, int32_t frequency, uint64_t* tag);

// A bus event or a sound output event, as the bus keeps it. Callbacks may read it; the bus owns and recycles it.
struct BusEvent {
    enum class Kind : int32_t { Callback = 1, Output = 2 };

    Kind kind = Kind::Callback;
    // Firings a second as the bus runs it (0 while the bus has no rate), from bus ticks per firing.
    int32_t frequency = 0;
    int32_t divider = 0;
    // Ticks left until the next firing.
    int32_t countdown = 0;
    // Firings a second asked for; 0x7FFFFFFF (every tick) for a request of 0 or less.
    int32_t requestedFrequency = 0;
    uint64_t fireCount = 0;
    // The event's name, borrowed; may be null.
    const char* name = nullptr;
    // The caller's value, kept with the event and its saved state.
    uint64_t tag = 0;
    // Added to fire on the bus's first tick since start or a rate change, when other events only start counting.
    bool awaitingFirstTick = false;

    // Callback events.
    TreeNode* owner = nullptr;
    BusEventCallback callback = nullptr;

    // Output events: the sound output the event owns, pumped fifty times a second of bus time.
    std::unique_ptr<HostSoundOutput> output;
    TreeNode* mixerOwner = nullptr;
    SoundMixerCallback mixer = nullptr;
    int32_t sampleRate = 0;
    int32_t sampleBits = 0;

private:
    friend class BusService;
    friend class RecycledList<BusEvent>;

    BusEvent* next = nullptr;
    BusEvent* previous = nullptr;
};

// The machine's time base for everything but the processor, the service "_BUS": a clock of 4000, 8000, 16000,
// 22050, 44100 or 88200 ticks a second that, on every tick, counts down the events devices asked for in hertz,
// and pumps the sound outputs of the sound channels. Events are also bound by name (device path and event name)
// while the machine starts, so that a saved state ("_EVT") re-attaches them to a freshly built machine; the
// processor base binds its timed events here too.
class BusService : public TreeNode {
public:
    // A callback bound by name: a bus event (kind 0), a sound mixer (1) or a processor timed event (2).
    using BoundCallback = std::variant<BusEventCallback, SoundMixerCallback, TimedEventCallback>;
    struct EventBinding {
        TreeNode* owner = nullptr;
        BoundCallback callback;
    };

    BusService();
    ~BusService() override;

    // Adds an event firing frequencyHz times a second (every tick for 0 or less, or above the rate); with
    // immediate it fires on the next tick. Answers the frequency it fires at, -1 while the bus has no rate, and
    // 0 when it could not be bound by name while registering (it is added all the same); 0 and nothing added
    // for a missing callback or owner.
    int32_t AddEvent(int32_t frequencyHz, BusEventCallback callback, TreeNode* owner, const char* name, uint64_t tag,
                     bool immediate);
    // Adds an output event with a clone of the output prototype, opened with the rate and width and 50 blocks,
    // whose mixer fills a block fifty times a second of bus time. A clone that cannot be opened (no audio device)
    // is replaced by a null output of the same rate and width, and the first such case since the start prints an
    // error line. False, nothing added, without a prototype, mixer or owner, when not even the null output opens,
    // or when the mixer cannot be bound while registering.
    bool AttachSoundOutput(int32_t sampleRate, int32_t sampleBits, SoundMixerCallback mixer, TreeNode* mixerOwner,
                           const char* name, uint64_t tag);

    // Sets the rate to the first of 4000, 8000, 16000, 22050 and 44100 Hz that is not below requestedHz (88200
    // when doubled) and divides every event anew. With a processor the bus is ticked by a timed event of it,
    // "_BusFreqEvent" (added once; a later rate changes its period), and the answer is 2; without, the caller ticks
    // the bus and the answer is the ticks in 1/50 s.
    int32_t SetRate(int32_t requestedHz, CpuInterface* cpu, bool doubleRate);
    // One bus tick: every event counts down and the due ones fire, in the order they were added (events added by
    // a callback included). The first tick after a start or a rate change fires only the events added to fire on
    // it. Ticks on which no event is due only count: the events take them when one is next due or looked at.
    void Tick() {
        if (quietTicks > 0) {
            TickQuietly();
            return;
        }
        TickEvents();
    }
    // A tick on which no event is due (NextTickOnlyCounts): it only counts.
    void TickQuietly() {
        --quietTicks;
        ++untakenTicks;
        ticks = ticks == kLargestTickCount ? 1 : ticks + 1;
    }
    // The next tick only counts: no event is due on it.
    bool NextTickOnlyCounts() const { return quietTicks > 0; }
    // Pausing silences every output; the mixers still run but nothing is played.
    void SetPaused(bool paused);
    int32_t Rate() const { return rate; }
    int32_t Ticks() const { return ticks; }
    int32_t EventCount() const;
    // The event at index in firing order; null out of range.
    const BusEvent* EventAt(int32_t index);
    // The sound output every output event clones, borrowed.
    void SetOutputPrototype(HostSoundOutput* prototype) { outputPrototype = prototype; }
    // The controller sets this around the machine's start: every event added meanwhile is also bound by name,
    // the processors' timed events too (their AddEvent binds them with BindObjectEvent while it is set).
    void SetRegistering(bool on) { registering = on; }
    bool IsRegistering() const { return registering; }

    // Bind a callback of the owner under a name. Binding the same again succeeds; another callback under the
    // name, or another node of the owner's name, is refused. False for a null name, callback or owner.
    bool BindCallbackEvent(const char* name, BusEventCallback callback, TreeNode* owner);
    bool BindObjectEvent(const char* name, TimedEventCallback callback, TreeNode* owner);
    // The binding of the owner with that full dotted name under that event name, or null; boundName is set to
    // the bus's own copy of the name, which lives as long as the bus.
    const EventBinding* FindNamedEvent(const char* devicePath, const char* eventName, const char** boundName) const;
    // The same, only for a processor timed event.
    const EventBinding* IsObjectEvent(const char* devicePath, const char* eventName, const char** boundName) const;

    // Clears the tick count and the pause, and binds "_BusFreqEvent"; an output that cannot be opened is told
    // of once again.
    bool Start(int32_t& rate) override;
    // Frees every event; the rate is 0 until it is set again. Bindings stay.
    void Stop() override;
    // The "_EVT" chunk: rate, ticks, and each event with its owner's full dotted name and event name.
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Replaces the events with those of the chunk, re-attached through the bindings; changes nothing unless the
    // whole chunk reads and every event finds a binding of its kind. An output event of the same mixer, rate and
    // width keeps its output object.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    struct SavedEvent;

    // Hours of bus time pass the largest count: it goes on from 1, as 0 means the first tick and a saved count
    // is never negative.
    static constexpr int32_t kLargestTickCount = 0x7FFFFFFF;

    // The tick that walks the events; it counts how many of the next ticks will find none due.
    void TickEvents();
    // Every event's countdown takes the ticks that only counted; called before anything reads or changes them.
    void TakeQuietTicks();

    static bool OnBusFreqEvent(TreeNode* owner, int32_t* period, uint64_t* data, CpuInterface* cpu);
    bool BindNamedEvent(const char* name, const EventBinding& binding);
    // Deletes the event's output and unlinks it, keeping the record.
    void Remove(BusEvent& event);
    void RemoveAll();
    // Fires an output event: the mixer fills a block, which is played unless the bus is paused.
    bool PumpSoundOutput(BusEvent& event);
    // The prototype's clone, opened, or in its place an opened null output; null when neither opens.
    std::unique_ptr<HostSoundOutput> OpenOutput(int32_t sampleRate, int32_t sampleBits);
    bool ReadSavedEvent(common::RecordArchive& archive, int32_t index, SavedEvent& saved) const;
    bool RestoreEvent(const SavedEvent& saved);
    // The output a load keeps for the saved output event: that of the same mixer at the same rate and width.
    std::unique_ptr<HostSoundOutput> TakeKeptOutput(const SavedEvent& saved);

    common::NamedList<EventBinding> bindings;
    RecycledList<BusEvent> events;
    int32_t rate = 0;
    int32_t ticks = 0;
    // Ticks still to come on which no event is due, and ticks that passed so without the events counting them.
    int32_t quietTicks = 0;
    int32_t untakenTicks = 0;
    // The processor whose timed event ticks the bus, since the start; its cycles per tick, and whether the event
    // has yet to take them.
    CpuInterface* tickingCpu = nullptr;
    int32_t cyclesPerTick = 0;
    bool tickPeriodChanged = false;
    bool paused = false;
    HostSoundOutput* outputPrototype = nullptr;
    bool registering = false;
    // While a load restores its events: the outputs of the events it replaced.
    std::vector<BusEvent>* keptOutputs = nullptr;
    // An output fell back to the null output since the start, and the console was told.
    bool outputFailureShown = false;
};

} // namespace emu
