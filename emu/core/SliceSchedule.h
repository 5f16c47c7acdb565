// How a run loop hands a processor its cycles: a frame of 1/50 s is cut into slices, one per tick of the
// machine's bus, and every slice into pieces that end where the processor's next timed event is due. The loop
// counts the processor's cycles-to-next-event itself while a piece runs and dispatches the events when it runs
// out. The synchronised schedule gives every frame exactly the processor's frequency / 50 cycles, spread evenly
// over its slices, and carries what a slice overran into the next one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

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
    inline int32_t EndSlice(int32_t leftover);
    bool FrameEnded() const { return slicesLeft == 0; }
    // The slice that just ended was the middle one of its frame.
    bool AtHalfFrame() const { return slicesLeft == slicesPerFrame / 2; }
    // How many of the next slice ends are neither the middle nor the end of their frame.
    int32_t PlainEndsAhead() const {
        const int32_t after = slicesLeft - 1;
        const int32_t middle = slicesPerFrame / 2;
        if (after > middle) {
            return after - middle;
        }
        return after == middle ? 0 : std::max(after, 0);
    }
    // After a frame end: the next frame's slices.
    void NextFrame() { slicesLeft = slicesPerFrame; }

    // The schedule as a saved state holds it.
    double Owed() const { return whole ? static_cast<double>(wholeOwed) : owed; }
    double PerFrame() const { return whole ? static_cast<double>(wholePerFrame) : perFrame; }
    int32_t SlicesPerFrame() const { return slicesPerFrame; }
    int32_t SlicesLeft() const { return slicesLeft; }
    void Restore(double newOwed, double newPerFrame, int32_t newSlicesPerFrame, int32_t newSlicesLeft);

private:
    // Takes owed and perFrame as whole cycles when both are whole numbers well inside the range where a double
    // holds every integer: the shares then come out as the same numbers from integer arithmetic.
    void ChooseArithmetic();
    // Far below 2^53, so that a step of whole cycles never leaves the integers a double holds.
    static constexpr int64_t kWholeLimit = int64_t{1} << 50;
    int32_t EndSliceInFractions(int32_t leftover);

    // Cycles the frame still owes beyond the budgets handed out, and the cycles of a frame: in whole cycles (with
    // the frame's first share) while whole, else as fractions. A frequency that is a multiple of 50 keeps them
    // whole.
    bool whole = false;
    int64_t wholeOwed = 0;
    int64_t wholePerFrame = 0;
    int32_t firstShare = 0;
    double owed = 0;
    double perFrame = 0;
    int32_t slicesPerFrame = 1;
    int32_t slicesLeft = 1;
};

int32_t SyncedSliceSchedule::EndSlice(int32_t leftover) {
    if (!whole) {
        return EndSliceInFractions(leftover);
    }
    constexpr int64_t kLowest = std::numeric_limits<int32_t>::min();
    constexpr int64_t kHighest = std::numeric_limits<int32_t>::max();
    --slicesLeft;
    wholeOwed += leftover;
    int64_t budget = 0;
    if (slicesLeft > 0) {
        if (wholeOwed > 0) {
            // Rounded half up: the quotient, one more when the remainder is at least half the divisor.
            const auto parts = static_cast<uint64_t>(slicesLeft);
            const auto owedCycles = static_cast<uint64_t>(wholeOwed);
            const uint64_t quotient = owedCycles <= 0xFFFFFFFFu
                                          ? static_cast<uint32_t>(owedCycles) / static_cast<uint32_t>(parts)
                                          : owedCycles / parts;
            const uint64_t remainder = owedCycles - quotient * parts;
            budget = std::min<int64_t>(static_cast<int64_t>(quotient + (2 * remainder >= parts ? 1 : 0)), kHighest);
            wholeOwed -= budget;
        }
    } else {
        // The old frame's remainder (a debt when it overran) goes into the new frame's first slice.
        budget = std::clamp(std::clamp(wholeOwed, kLowest, kHighest) + firstShare, kLowest, kHighest);
        wholeOwed = wholePerFrame - firstShare;
    }
    if (budget <= 0) {
        wholeOwed -= 1 - budget;
        budget = 1;
    }
    if (wholeOwed < -kWholeLimit || wholeOwed > kWholeLimit) {
        owed = static_cast<double>(wholeOwed);
        perFrame = static_cast<double>(wholePerFrame);
        whole = false;
    }
    return static_cast<int32_t>(budget);
}

} // namespace emu
