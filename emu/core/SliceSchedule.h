// How a run loop hands a processor its cycles: a frame of 1/50 s is cut into slices, one per tick of the
// machine's bus, and every slice into pieces that end where the processor's next timed event is due. The loop
// counts the processor's cycles-to-next-event itself while a piece runs and dispatches the events when it runs
// out. The synchronised schedule gives every frame exactly the processor's frequency / 50 cycles, spread evenly
// over its slices, and carries what a slice overran into the next one.
#pragma once

#include <cstdint>

namespace emu {

// The piece of a slice the processor runs now, and the rest of the slice held back for after the next event.
struct SlicePiece {
    int32_t budget = 0;
    int32_t carry = 0;

    // Cuts the budget where the next event is due; the countdown keeps what is left after the piece.
    void SplitAgainst(int32_t& cyclesToNextEvent);
    // After the processor ran the piece: the countdown gets back what the piece left unspent (or loses what it
    // overran), and the carry joins the budget. True when the countdown ran out: the events are due.
    bool Settle(int32_t& cyclesToNextEvent);
};

class SyncedSliceSchedule {
public:
    static constexpr int32_t kFramesPerSecond = 50;

    // The first frame of a processor clocked at frequency, cut into slicesPerFrame slices (at least 1); answers
    // the first slice's budget.
    int32_t Start(int32_t frequency, int32_t slicesPerFrame);
    // A slice ended with leftover cycles of its budget unspent (0 or below: it overran). Answers the next slice's
    // budget, at least 1: an even share of the cycles the frame still owes, or at a frame end the next frame's
    // first share with the old frame's remainder.
    int32_t EndSlice(int32_t leftover);
    bool FrameEnded() const { return slicesLeft == 0; }
    // The slice that just ended was the middle one of its frame.
    bool AtHalfFrame() const { return slicesLeft == slicesPerFrame / 2; }
    // After a frame end: the next frame's slices.
    void NextFrame() { slicesLeft = slicesPerFrame; }

    // The schedule as a saved state holds it.
    double Owed() const { return owed; }
    double PerFrame() const { return perFrame; }
    int32_t SlicesPerFrame() const { return slicesPerFrame; }
    int32_t SlicesLeft() const { return slicesLeft; }
    void Restore(double newOwed, double newPerFrame, int32_t newSlicesPerFrame, int32_t newSlicesLeft);

private:
    // Cycles the frame still owes beyond the budgets handed out.
    double owed = 0;
    double perFrame = 0;
    int32_t slicesPerFrame = 1;
    int32_t slicesLeft = 1;
};

} // namespace emu
