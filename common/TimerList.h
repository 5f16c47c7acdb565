// Periodic host-side timers on the performance counter. The owner calls RunDue from whatever periodic wake-up it
// has; RunDue calls the timers that are due, re-arms them one full period ahead and tells how long until the next.
// No lock of its own: the owner guards every call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace common {

class TimerList {
public:
    // Where the list reads time; the host's performance counter unless the owner gives another.
    class Counter {
    public:
        virtual ~Counter() = default;
        virtual bool ReadFrequency(int64_t& ticksPerSecond) = 0;
        virtual bool ReadCounter(int64_t& ticks) = 0;
    };

    // Called with the number of completed runs (which it may change); false removes the timer.
    using Callback = std::function<bool(uint64_t& runs)>;
    // Told the milliseconds until the next timer is due, -1 for none.
    using Notify = std::function<void(int32_t milliseconds)>;

    struct Entry; // the handle of one timer

    // A null counter means the host's.
    explicit TimerList(Counter* counter = nullptr);
    ~TimerList();
    TimerList(const TimerList&) = delete;
    TimerList& operator=(const TimerList&) = delete;

    // A timer called rate times per second (a rate below 1 means as often as possible). Null when the counter
    // cannot be read.
    Entry* Add(int32_t rate, Callback callback);
    // A null entry, or one not on the list any more, is ignored.
    void Unlink(Entry* entry);

    // Runs what is due. msToNext (may be null) gets the milliseconds until the next timer, at least 1 while one is
    // pending, -1 for none. False when the counter cannot be read.
    bool RunDue(int32_t* msToNext);

    // Re-reads frequency and counter, keeping every timer's place in its period.
    void Resync();
    void Rescale(int64_t newFrequency, int64_t newReference);

    void Clear();
    void ClearActive();
    void FreeSpare();

    void SetNotify(Notify notify);

private:
    int64_t PeriodOf(const Entry& entry, int64_t frequency) const;
    void DeleteEntries(bool active);
    void ReportRemaining(int64_t remaining, int32_t* msToNext) const;

    Counter* counter;
    std::vector<std::unique_ptr<Entry>> entries; // owns the active and the spare entries
    Entry* head = nullptr;
    Entry* tail = nullptr;
    Entry* spare = nullptr;
    int64_t frequency = 0;
    int64_t reference = 0;
    int64_t nextDue = 0; // ticks after the reference; 0 = not known
    Notify notify;
};

struct TimerList::Entry {
    bool active = false;
    int32_t rate = 0;
    int64_t period = 1;
    int64_t due = 0;
    Entry* next = nullptr;
    Entry* previous = nullptr;
    Entry* nextSpare = nullptr;
    Callback callback;
    uint64_t runs = 0;
};

} // namespace common
