// The synchronised loop's slices as a processor may run them back to back on its own. Most slice ends need
// nothing of the loop: the schedule hands out the next share, no timed event is due, the bus tick only counts,
// and nobody waits for the loop. A processor that runs a slice down asks the run whether this end is such a one
// and, if so, lets the run end it exactly as the loop would and goes on with the next slice without returning.
// Every other end (an event due, a bus event due, the middle or the end of a frame, a request from another
// thread, a break or an aborted instruction) returns to the loop, which ends the slice itself.
#pragma once

#include "emu/core/BusService.h"
#include "emu/core/SliceSchedule.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>

namespace emu {

struct SliceRun {
    SyncedSliceSchedule* schedule = nullptr;
    // The piece the processor runs: the loop's own, kept current at every end the run takes.
    SlicePiece* piece = nullptr;
    BusService* bus = nullptr;
    // Raised by another thread that wants the loop; the run takes no further end once it is up.
    const std::atomic<bool>* attention = nullptr;
    // Slice ends the run may still take.
    int64_t endsLeft = std::numeric_limits<int64_t>::max();

    // How many of the next slice ends may do without the loop as far as the schedule and the caller go (the
    // middle and the end of a frame need it); the events and the bus are asked at each end.
    int64_t PlainEndsAhead() const { return std::min<int64_t>(endsLeft, schedule->PlainEndsAhead()); }

    // Whether the slice just run down, leftover (0 or below) of its budget unspent, at one of those plain ends,
    // may end without the loop: no timed event due, the bus tick only counts, and nobody waits for the loop.
    bool CanEndSlice(int32_t leftover, int32_t cyclesToNextEvent) const {
        return static_cast<int64_t>(cyclesToNextEvent) + leftover > 0 && bus->NextTickOnlyCounts() &&
               !attention->load(std::memory_order_relaxed);
    }

    // Ends that slice, once CanEndSlice said it may, as the loop does: the event countdown gets back the leftover,
    // the schedule opens the next slice, which becomes the piece (cut where the next event is due), and the bus
    // ticks. Answers the piece's budget.
    int32_t EndSlice(int32_t leftover, int32_t& cyclesToNextEvent) {
        cyclesToNextEvent = static_cast<int32_t>(
            std::min<int64_t>(static_cast<int64_t>(cyclesToNextEvent) + leftover, std::numeric_limits<int32_t>::max()));
        piece->budget = schedule->EndSlice(leftover);
        piece->SplitAgainst(cyclesToNextEvent);
        bus->TickQuietly();
        --endsLeft;
        return piece->budget;
    }
};

} // namespace emu
