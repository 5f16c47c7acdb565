#include "common/TimerList.h"

#include "common/SystemUtilities.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace common {

namespace {

class HostCounter final : public TimerList::Counter {
public:
    bool ReadFrequency(int64_t& ticksPerSecond) override {
        uint64_t value = 0;
        GetPerfFrequency(&value);
        ticksPerSecond = static_cast<int64_t>(value);
        return value != 0;
    }
    bool ReadCounter(int64_t& ticks) override {
        uint64_t value = 0;
        GetPerfCounter(&value);
        ticks = static_cast<int64_t>(value);
        return true;
    }
};

HostCounter hostCounter;

constexpr int32_t kFastestRate = std::numeric_limits<int32_t>::max();

} // namespace

TimerList::TimerList(Counter* counter) : counter(counter != nullptr ? counter : &hostCounter) {}

TimerList::~TimerList() = default;

int64_t TimerList::PeriodOf(const Entry& entry, int64_t ticksPerSecond) const {
    const auto period = static_cast<int64_t>(std::floor(static_cast<double>(ticksPerSecond) / entry.rate + 0.5));
    return std::max<int64_t>(period, 1);
}

void TimerList::Rescale(int64_t newFrequency, int64_t newReference) {
    for (Entry* entry = head; entry != nullptr; entry = entry->next) {
        const int64_t period = PeriodOf(*entry, newFrequency);
        entry->due = static_cast<int64_t>(
            std::floor(static_cast<double>(entry->due) / static_cast<double>(entry->period) * period + 0.5));
        entry->period = period;
    }
    frequency = newFrequency;
    reference = newReference;
    nextDue = 0;
}

TimerList::Entry* TimerList::Add(int32_t rate, Callback callback) {
    int64_t ticksPerSecond = 0;
    int64_t now = 0;
    if (!counter->ReadFrequency(ticksPerSecond) || !counter->ReadCounter(now)) {
        return nullptr;
    }
    if (head == nullptr) {
        frequency = ticksPerSecond;
        reference = now;
    } else if (ticksPerSecond != frequency) {
        Rescale(ticksPerSecond, now);
    }

    Entry* entry = spare;
    if (entry != nullptr) {
        spare = entry->nextSpare;
    } else {
        entries.push_back(std::make_unique<Entry>());
        entry = entries.back().get();
    }
    entry->active = true;
    entry->rate = rate < 1 ? kFastestRate : rate;
    entry->runs = 0;
    entry->callback = std::move(callback);
    entry->period = PeriodOf(*entry, ticksPerSecond);
    entry->due = now + entry->period - reference;

    entry->next = nullptr;
    entry->previous = tail;
    entry->nextSpare = nullptr;
    (tail != nullptr ? tail->next : head) = entry;
    tail = entry;
    nextDue = 0;
    return entry;
}

void TimerList::Unlink(Entry* entry) {
    if (entry == nullptr || !entry->active) {
        return;
    }
    (entry->previous != nullptr ? entry->previous->next : head) = entry->next;
    (entry->next != nullptr ? entry->next->previous : tail) = entry->previous;
    // The entry keeps its own next link, so a walk standing on it can still go on.
    entry->active = false;
    entry->callback = nullptr;
    entry->nextSpare = spare;
    spare = entry;
}

bool TimerList::RunDue(int32_t* msToNext) {
    if (head == nullptr) {
        nextDue = 0;
        ReportRemaining(0, msToNext);
        return true;
    }
    int64_t ticksPerSecond = 0;
    int64_t now = 0;
    if (!counter->ReadFrequency(ticksPerSecond) || !counter->ReadCounter(now)) {
        return false;
    }
    if (ticksPerSecond != frequency) {
        Rescale(ticksPerSecond, now);
        return true;
    }

    const int64_t elapsed = now - reference;
    if (elapsed == 0) {
        return true;
    }
    if (elapsed < 0) {
        // The counter went back: start measuring again from here.
        reference = now;
        return true;
    }
    if (elapsed < nextDue) {
        ReportRemaining(nextDue - elapsed, msToNext);
        return true;
    }

    int64_t soonest = 0;
    Entry* entry = head;
    while (entry != nullptr) {
        entry->due -= elapsed;
        if (entry->due <= 0) {
            // Called from a copy of its own: a timer that removes itself (or is replaced) while it runs would
            // otherwise destroy the function under its feet.
            const Callback callback = entry->callback;
            // Lateness is not carried over: the next call is one full period from now.
            if (callback(entry->runs)) {
                ++entry->runs;
                entry->due = entry->period;
            } else {
                Unlink(entry);
            }
        }
        if (entry->active && (soonest == 0 || entry->due < soonest)) {
            soonest = entry->due;
        }
        entry = entry->next;
        while (entry != nullptr && !entry->active) {
            entry = entry->next;
        }
    }
    reference = now;
    nextDue = soonest;
    ReportRemaining(soonest, msToNext);
    return true;
}

void TimerList::ReportRemaining(int64_t remaining, int32_t* msToNext) const {
    if (!notify && msToNext == nullptr) {
        return;
    }
    int32_t milliseconds = -1;
    if (remaining > 0) {
        const double exact = static_cast<double>(remaining) / static_cast<double>(frequency) * 1000.0;
        milliseconds = static_cast<int32_t>(std::clamp(std::floor(exact), 1.0, 2147483647.0));
    }
    if (notify) {
        notify(milliseconds);
    }
    if (msToNext != nullptr) {
        *msToNext = milliseconds;
    }
}

void TimerList::Resync() {
    int64_t ticksPerSecond = 0;
    int64_t now = 0;
    if (head == nullptr || !counter->ReadFrequency(ticksPerSecond) || !counter->ReadCounter(now)) {
        return;
    }
    Rescale(ticksPerSecond, now);
}

void TimerList::DeleteEntries(bool active) {
    std::erase_if(entries, [active](const std::unique_ptr<Entry>& entry) { return entry->active == active; });
}

void TimerList::ClearActive() {
    DeleteEntries(true);
    head = nullptr;
    tail = nullptr;
    nextDue = 0;
}

void TimerList::FreeSpare() {
    DeleteEntries(false);
    spare = nullptr;
}

void TimerList::Clear() {
    ClearActive();
    FreeSpare();
}

void TimerList::SetNotify(Notify newNotify) {
    notify = std::move(newNotify);
}

} // namespace common
