#include "emu/core/BusService.h"

#include "common/LittleEndian.h"
#include "common/RecordArchive.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/StateChunk.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace emu {

namespace {

// The rates a request is snapped up to, and the doubled rate.
constexpr std::array<int32_t, 5> kRates{4000, 8000, 16000, 22050, 44100};
constexpr int32_t kDoubledRate = 88200;
// Sound outputs are pumped this often a second of bus time, each with a ring of as many blocks.
constexpr int32_t kBlocksPerSecond = 50;
// The highest sample rate a saved output event may ask for.
constexpr int32_t kHighestSampleRate = 192000;
constexpr int32_t kEveryTick = 0x7FFFFFFF;
// The answer of SetRate when a processor ticks the bus, by the processor's timed event of this name.
constexpr int32_t kProcessorTicked = 2;
constexpr const char* kBusFreqEvent = "_BusFreqEvent";

// Event data of the state: ten little-endian words.
constexpr int32_t kSavedWords = 10;
constexpr uint32_t kKindMask = 0xFF;
constexpr uint32_t kAwaitingFirstTick = 0x100;
constexpr uint32_t kSampleRateMask = 0xFFFFFF;

// Rounds half away from zero.
int32_t Rounded(double value) {
    return static_cast<int32_t>(std::round(value));
}

bool IsBusRate(int32_t value) {
    return value == 0 || value == kDoubledRate || std::find(kRates.begin(), kRates.end(), value) != kRates.end();
}

} // namespace

// One event of an "_EVT" chunk, read but not yet restored.
struct BusService::SavedEvent {
    const EventBinding* binding = nullptr;
    const char* name = nullptr;
    std::array<uint32_t, kSavedWords> words{};

    BusEvent::Kind Kind() const { return static_cast<BusEvent::Kind>(words[0] & kKindMask); }
    bool AwaitingFirstTick() const { return (words[0] & kAwaitingFirstTick) != 0; }
    int32_t Frequency() const { return static_cast<int32_t>(words[1]); }
    int32_t Divider() const { return static_cast<int32_t>(words[2]); }
    int32_t Countdown() const { return static_cast<int32_t>(words[3]); }
    int32_t RequestedFrequency() const { return static_cast<int32_t>(words[4]); }
    int32_t SampleRate() const { return static_cast<int32_t>(words[5] & kSampleRateMask); }
    int32_t SampleBits() const { return static_cast<int32_t>(words[5] >> 24); }

    // Whether the event can run on a bus of that rate and tick count: a known kind whose binding holds a
    // callback of that kind, and counts the bus can divide by.
    bool IsValid(int32_t busRate, int32_t busTicks) const {
        // Counts a bus builds: no divider or frequency above the highest rate, a countdown the event can reach.
        const bool countsValid = (words[0] & ~(kKindMask | kAwaitingFirstTick)) == 0 && RequestedFrequency() >= 1 &&
                                 Divider() >= (busRate > 0 ? 1 : 0) && Divider() <= kDoubledRate && Frequency() >= 0 &&
                                 Frequency() <= kDoubledRate && Countdown() >= 0 &&
                                 Countdown() <= std::max(Divider(), RequestedFrequency()) &&
                                 (!AwaitingFirstTick() || busTicks == 0);
        switch (Kind()) {
        case BusEvent::Kind::Callback:
            return countsValid && std::holds_alternative<BusEventCallback>(binding->callback);
        case BusEvent::Kind::Output:
            return countsValid && std::holds_alternative<SoundMixerCallback>(binding->callback) &&
                   (SampleBits() == 8 || SampleBits() == 16) && SampleRate() >= kBlocksPerSecond &&
                   SampleRate() <= kHighestSampleRate;
        default:
            return false;
        }
    }
};

BusService::BusService() : TreeNode("_BUS") {}

BusService::~BusService() = default;

int32_t BusService::AddEvent(int32_t frequencyHz, BusEventCallback callback, TreeNode* owner, const char* name,
                             uint64_t tag, bool immediate) {
    // A failed binding adds nothing, so the device can tell that its event does not run.
    if (callback == nullptr || owner == nullptr ||
        (registering && (name == nullptr || !BindNamedEvent(name, {owner, callback})))) {
        return 0;
    }
    TakeQuietTicks();
    BusEvent& event = events.Take();
    event.kind = BusEvent::Kind::Callback;
    event.requestedFrequency = frequencyHz > 0 ? frequencyHz : kEveryTick;
    event.owner = owner;
    event.callback = callback;
    event.name = name;
    event.tag = tag;
    event.awaitingFirstTick = immediate && ticks == 0;
    event.countdown = event.requestedFrequency;
    const int32_t asked = std::min(event.requestedFrequency, rate);
    event.frequency = asked;
    if (rate > 0) {
        event.divider = std::max(1, Rounded(static_cast<double>(rate) / asked));
        event.countdown = immediate ? 0 : event.divider;
        event.frequency = Rounded(static_cast<double>(rate) / event.divider);
        // Below the request, the frequency reported is the one of the next smaller divider; the divider stays.
        if (event.frequency < asked && event.divider != 1) {
            event.frequency = Rounded(static_cast<double>(rate) / (event.divider - 1));
        }
    }
    events.Append(event);
    return event.frequency != 0 ? event.frequency : -1;
}

bool BusService::AttachSoundOutput(int32_t sampleRate, int32_t sampleBits, SoundMixerCallback mixer,
                                   TreeNode* mixerOwner, const char* name, uint64_t tag) {
    if (mixer == nullptr || mixerOwner == nullptr ||
        (registering && (name == nullptr || !BindNamedEvent(name, {mixerOwner, mixer})))) {
        return false;
    }
    std::unique_ptr<HostSoundOutput> output = OpenOutput(sampleRate, sampleBits);
    if (output == nullptr) {
        return false;
    }
    TakeQuietTicks();
    BusEvent& event = events.Take();
    event.kind = BusEvent::Kind::Output;
    event.output = std::move(output);
    event.mixerOwner = mixerOwner;
    event.mixer = mixer;
    event.name = name;
    event.tag = tag;
    event.sampleRate = sampleRate;
    event.sampleBits = sampleBits;
    event.requestedFrequency = kBlocksPerSecond;
    event.countdown = kBlocksPerSecond;
    event.awaitingFirstTick = ticks == 0;
    // Every bus rate is far above fifty a second.
    if (rate > 0) {
        event.divider = Rounded(static_cast<double>(rate) / kBlocksPerSecond);
        event.countdown = 0;
        event.frequency = Rounded(static_cast<double>(rate) / event.divider);
    }
    events.Append(event);
    return true;
}

int32_t BusService::SetRate(int32_t requestedHz, CpuInterface* cpu, bool doubleRate) {
    TakeQuietTicks();
    ticks = 0;
    const auto snapped = std::find_if(kRates.begin(), kRates.end(), [&](int32_t each) { return requestedHz <= each; });
    rate = doubleRate ? kDoubledRate : (snapped != kRates.end() ? *snapped : kRates.back());
    for (BusEvent* event = events.First(); event != nullptr; event = event->next) {
        // Whole ticks per firing, never above the request.
        event->divider = rate / std::min(rate, event->requestedFrequency);
        event->countdown = event->awaitingFirstTick ? 0 : event->divider;
        event->frequency = Rounded(static_cast<double>(rate) / event->divider);
    }
    if (cpu == nullptr) {
        return rate / kBlocksPerSecond;
    }
    cyclesPerTick = static_cast<int32_t>(std::round(static_cast<float>(cpu->Frequency()) / static_cast<float>(rate)));
    // One tick event per processor: a later rate only changes its period, which it takes when it next fires.
    if (tickingCpu != cpu) {
        tickingCpu = cpu;
        tickPeriodChanged = false;
        cpu->AddEvent(-cyclesPerTick, OnBusFreqEvent, this, kBusFreqEvent, 0);
    } else {
        tickPeriodChanged = true;
    }
    return kProcessorTicked;
}

void BusService::TickEvents() {
    TakeQuietTicks();
    const bool firstTick = ticks == 0;
    for (BusEvent* event = events.First(); event != nullptr;) {
        if (firstTick && !event->awaitingFirstTick) {
            event = event->next;
            continue;
        }
        event->awaitingFirstTick = false;
        if (--event->countdown > 0) {
            event = event->next;
            continue;
        }
        const bool keep =
            event->kind == BusEvent::Kind::Callback ? event->callback(event->owner, event) : PumpSoundOutput(*event);
        ++event->fireCount;
        // Read after the callback, so that events it added are reached in this tick.
        BusEvent* next = event->next;
        if (keep) {
            event->countdown = event->divider;
        } else {
            Remove(*event);
        }
        event = next;
    }
    ticks = ticks == kLargestTickCount ? 1 : ticks + 1;
    // From the second tick on every event counts down on every tick: none is due before the smallest countdown.
    int32_t nextDue = kLargestTickCount;
    for (const BusEvent* event = events.First(); event != nullptr; event = event->next) {
        nextDue = std::min(nextDue, event->countdown);
    }
    quietTicks = std::max(0, nextDue - 1);
}

void BusService::TakeQuietTicks() {
    quietTicks = 0;
    if (untakenTicks == 0) {
        return;
    }
    for (BusEvent* event = events.First(); event != nullptr; event = event->next) {
        event->countdown -= untakenTicks;
    }
    untakenTicks = 0;
}

void BusService::SetPaused(bool on) {
    if (on == paused) {
        return;
    }
    paused = on;
    if (!paused) {
        return;
    }
    for (BusEvent* event = events.First(); event != nullptr; event = event->next) {
        if (event->output != nullptr) {
            event->output->Silence();
        }
    }
}

int32_t BusService::EventCount() const {
    return events.Count();
}

const BusEvent* BusService::EventAt(int32_t index) {
    TakeQuietTicks();
    const BusEvent* event = index >= 0 ? events.First() : nullptr;
    for (; event != nullptr && index > 0; --index) {
        event = event->next;
    }
    return event;
}

bool BusService::BindCallbackEvent(const char* name, BusEventCallback callback, TreeNode* owner) {
    return name != nullptr && callback != nullptr && owner != nullptr && BindNamedEvent(name, {owner, callback});
}

bool BusService::BindObjectEvent(const char* name, TimedEventCallback callback, TreeNode* owner) {
    return name != nullptr && callback != nullptr && owner != nullptr && BindNamedEvent(name, {owner, callback});
}

const BusService::EventBinding* BusService::FindNamedEvent(const char* devicePath, const char* eventName,
                                                           const char** boundName) const {
    for (int index = 0; index < bindings.Count(); ++index) {
        const EventBinding* binding = bindings.ValueAt(index);
        const common::String* name = bindings.At(index);
        if (binding->owner != nullptr && name->Compare(eventName) == 0 &&
            binding->owner->FullName().Compare(devicePath) == 0) {
            if (boundName != nullptr) {
                *boundName = name->GetNarrow();
            }
            return binding;
        }
    }
    return nullptr;
}

const BusService::EventBinding* BusService::IsObjectEvent(const char* devicePath, const char* eventName,
                                                          const char** boundName) const {
    const EventBinding* binding = FindNamedEvent(devicePath, eventName, boundName);
    return binding != nullptr && std::holds_alternative<TimedEventCallback>(binding->callback) ? binding : nullptr;
}

bool BusService::Start(int32_t&) {
    TakeQuietTicks();
    ticks = 0;
    tickingCpu = nullptr;
    tickPeriodChanged = false;
    paused = false;
    outputFailureShown = false;
    BindNamedEvent(kBusFreqEvent, {this, OnBusFreqEvent});
    return true;
}

void BusService::Stop() {
    TakeQuietTicks();
    events.Clear();
    rate = 0;
    ticks = 0;
    tickingCpu = nullptr;
    tickPeriodChanged = false;
}

bool BusService::SaveOwnData(common::RecordArchive& archive) {
    TakeQuietTicks();
    const common::NarrowString chunk("_EVT");
    if (!archive.WriteMarker(common::kChunkBeginMarker, chunk) || !WriteVersion(archive, "VER") ||
        !archive.WriteRecordI32(rate, common::NarrowString("CRFRQ")) ||
        !archive.WriteRecordI32(ticks, common::NarrowString("CNFRQ")) ||
        !archive.WriteRecordU32(static_cast<uint32_t>(EventCount()), common::NarrowString("CNEVT"))) {
        return false;
    }
    int64_t index = 0;
    for (const BusEvent* event = events.First(); event != nullptr; event = event->next, ++index) {
        const bool isOutput = event->kind == BusEvent::Kind::Output;
        const TreeNode* owner = isOutput ? event->mixerOwner : event->owner;
        const std::array<uint32_t, kSavedWords> words{
            static_cast<uint32_t>(event->kind) | (event->awaitingFirstTick ? kAwaitingFirstTick : 0),
            static_cast<uint32_t>(event->frequency),
            static_cast<uint32_t>(event->divider),
            static_cast<uint32_t>(event->countdown),
            static_cast<uint32_t>(event->requestedFrequency),
            isOutput ? static_cast<uint32_t>(event->sampleBits) << 24 |
                           (static_cast<uint32_t>(event->sampleRate) & kSampleRateMask)
                     : 0,
            static_cast<uint32_t>(event->fireCount),
            static_cast<uint32_t>(event->fireCount >> 32),
            static_cast<uint32_t>(event->tag),
            static_cast<uint32_t>(event->tag >> 32)};
        std::array<uint8_t, kSavedWords * 4> data{};
        for (size_t word = 0; word < words.size(); ++word) {
            common::StoreLittleEndian(data.data() + 4 * word, 4, words[word]);
        }
        if (!WriteEventRecords(archive, index, *owner, event->name, data)) {
            return false;
        }
    }
    return archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool BusService::LoadOwnData(common::RecordArchive& archive, common::NarrowString*) {
    const common::NarrowString chunk("_EVT");
    int32_t savedRate = 0;
    int32_t savedTicks = 0;
    uint32_t count = 0;
    if (!archive.ReadMarker(chunk, common::kChunkBeginMarker) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordI32(savedRate, common::NarrowString("CRFRQ")) ||
        !archive.ReadRecordI32(savedTicks, common::NarrowString("CNFRQ")) ||
        !archive.ReadRecordU32(count, common::NarrowString("CNEVT")) || !IsBusRate(savedRate) || savedTicks < 0) {
        return false;
    }
    // Every event is read and checked before the present ones are replaced.
    std::vector<SavedEvent> saved;
    for (uint32_t index = 0; index < count; ++index) {
        SavedEvent event;
        if (!ReadSavedEvent(archive, static_cast<int32_t>(index), event) || !event.IsValid(savedRate, savedTicks) ||
            (event.Kind() == BusEvent::Kind::Output && outputPrototype == nullptr)) {
            return false;
        }
        saved.push_back(event);
    }
    if (!archive.ReadMarker(chunk, common::kChunkEndMarker)) {
        return false;
    }
    // Outputs go on under their events: devices hold blocks of them between pumps.
    std::vector<BusEvent> kept;
    for (BusEvent* event = events.First(); event != nullptr; event = event->next) {
        if (event->output != nullptr) {
            BusEvent& outputOf = kept.emplace_back();
            outputOf.mixerOwner = event->mixerOwner;
            outputOf.mixer = event->mixer;
            outputOf.sampleRate = event->sampleRate;
            outputOf.sampleBits = event->sampleBits;
            outputOf.output = std::move(event->output);
        }
    }
    TakeQuietTicks();
    RemoveAll();
    keptOutputs = &kept;
    rate = savedRate;
    ticks = savedTicks;
    // The processor's tick event comes back from the state with its own period.
    tickPeriodChanged = false;
    const bool restored =
        std::all_of(saved.begin(), saved.end(), [&](const SavedEvent& event) { return RestoreEvent(event); });
    keptOutputs = nullptr;
    return restored;
}

bool BusService::OnBusFreqEvent(TreeNode* owner, int32_t* period, uint64_t*, CpuInterface* cpu) {
    auto* bus = static_cast<BusService*>(owner);
    // The event of a processor that no longer ticks the bus goes without a tick.
    if (bus->tickingCpu != nullptr && cpu != bus->tickingCpu) {
        return false;
    }
    if (bus->tickPeriodChanged) {
        bus->tickPeriodChanged = false;
        *period = bus->cyclesPerTick;
    }
    bus->Tick();
    return true;
}

bool BusService::BindNamedEvent(const char* name, const EventBinding& binding) {
    for (int index = 0; index < bindings.Count(); ++index) {
        const EventBinding& bound = *bindings.ValueAt(index);
        if (bound.owner == nullptr) {
            return false;
        }
        if (bound.owner->Name().Compare(binding.owner->Name()) != 0) {
            continue;
        }
        // Names tell devices apart in saved states: two nodes of one name cannot both bind.
        if (bound.owner != binding.owner) {
            return false;
        }
        if (bindings.At(index)->Compare(name) == 0) {
            return bound.callback == binding.callback;
        }
    }
    *bindings.ValueAt(bindings.Add(common::NarrowString(name))) = binding;
    return true;
}

void BusService::Remove(BusEvent& event) {
    TakeQuietTicks();
    event.output.reset();
    events.Remove(event);
}

void BusService::RemoveAll() {
    while (events.First() != nullptr) {
        Remove(*events.First());
    }
}

bool BusService::PumpSoundOutput(BusEvent& event) {
    int32_t count = 0;
    int32_t minSample = 0;
    int32_t maxSample = 0;
    int32_t* accumulator = event.output->TakeAccumulator(count, minSample, maxSample);
    if (accumulator == nullptr || count <= 0 ||
        !event.mixer(event.mixerOwner, accumulator, count, minSample, maxSample, event.frequency, &event.tag)) {
        return false;
    }
    if (!paused) {
        event.output->SubmitBlock();
    }
    return true;
}

std::unique_ptr<HostSoundOutput> BusService::OpenOutput(int32_t sampleRate, int32_t sampleBits) {
    if (outputPrototype == nullptr) {
        return nullptr;
    }
    std::unique_ptr<HostSoundOutput> output = outputPrototype->Clone();
    if (output != nullptr && output->Open(sampleRate, sampleBits, kBlocksPerSecond)) {
        return output;
    }
    // A missing audio device must not keep the machine from running: it plays silently instead.
    output = std::make_unique<HostSoundOutput>();
    if (!output->Open(sampleRate, sampleBits, kBlocksPerSecond)) {
        return nullptr;
    }
    if (!outputFailureShown) {
        outputFailureShown = true;
        PrintError("[ERROR] Sound output \"%s\" can not be opened (%d Hz, %d bits): playing without sound!",
                   outputPrototype->Name(), sampleRate, sampleBits);
    }
    return output;
}

bool BusService::ReadSavedEvent(common::RecordArchive& archive, int32_t index, SavedEvent& saved) const {
    common::NarrowString path;
    common::NarrowString eventName;
    std::array<uint8_t, kSavedWords * 4> data{};
    if (!ReadEventRecords(archive, index, path, eventName, data)) {
        return false;
    }
    for (size_t word = 0; word < saved.words.size(); ++word) {
        saved.words[word] = static_cast<uint32_t>(common::LoadLittleEndian(data.data() + 4 * word, 4));
    }
    saved.binding = FindNamedEvent(path.GetNarrow(), eventName.GetNarrow(), &saved.name);
    return saved.binding != nullptr;
}

std::unique_ptr<HostSoundOutput> BusService::TakeKeptOutput(const SavedEvent& saved) {
    if (keptOutputs == nullptr) {
        return nullptr;
    }
    for (BusEvent& kept : *keptOutputs) {
        if (kept.output != nullptr && kept.mixerOwner == saved.binding->owner &&
            kept.mixer == std::get<SoundMixerCallback>(saved.binding->callback) &&
            kept.sampleRate == saved.SampleRate() && kept.sampleBits == saved.SampleBits()) {
            return std::move(kept.output);
        }
    }
    return nullptr;
}

bool BusService::RestoreEvent(const SavedEvent& saved) {
    std::unique_ptr<HostSoundOutput> output;
    if (saved.Kind() == BusEvent::Kind::Output) {
        output = TakeKeptOutput(saved);
    }
    if (saved.Kind() == BusEvent::Kind::Output && output == nullptr) {
        output = OpenOutput(saved.SampleRate(), saved.SampleBits());
        if (output == nullptr) {
            return false;
        }
    }
    BusEvent& event = events.Take();
    event.kind = saved.Kind();
    event.frequency = saved.Frequency();
    event.divider = saved.Divider();
    event.countdown = saved.Countdown();
    event.requestedFrequency = saved.RequestedFrequency();
    event.fireCount = saved.words[6] | static_cast<uint64_t>(saved.words[7]) << 32;
    event.tag = saved.words[8] | static_cast<uint64_t>(saved.words[9]) << 32;
    event.awaitingFirstTick = saved.AwaitingFirstTick();
    event.name = saved.name;
    if (event.kind == BusEvent::Kind::Callback) {
        event.owner = saved.binding->owner;
        event.callback = std::get<BusEventCallback>(saved.binding->callback);
    } else {
        event.output = std::move(output);
        event.mixerOwner = saved.binding->owner;
        event.mixer = std::get<SoundMixerCallback>(saved.binding->callback);
        event.sampleRate = saved.SampleRate();
        event.sampleBits = saved.SampleBits();
    }
    events.Append(event);
    return true;
}

} // namespace emu
