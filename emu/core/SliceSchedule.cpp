#include "emu/core/SliceSchedule.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace emu {

namespace {

int32_t Clamped(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int32_t Clamped(double value) {
    return static_cast<int32_t>(
        std::clamp<double>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int32_t RoundedShare(double cycles, int32_t parts) {
    return Clamped(std::floor(cycles / parts + 0.5));
}

} // namespace

void SlicePiece::SplitAgainst(int32_t& cyclesToNextEvent) {
    if (cyclesToNextEvent < budget) {
        carry = Clamped(static_cast<int64_t>(budget) - cyclesToNextEvent);
        budget = cyclesToNextEvent;
        cyclesToNextEvent = 0;
    } else {
        cyclesToNextEvent -= budget;
        carry = 0;
    }
}

bool SlicePiece::Settle(int32_t& cyclesToNextEvent) {
    cyclesToNextEvent = Clamped(static_cast<int64_t>(cyclesToNextEvent) + budget);
    budget = Clamped(static_cast<int64_t>(budget) + carry);
    carry = 0;
    return cyclesToNextEvent <= 0;
}

int32_t SyncedSliceSchedule::Start(int32_t frequency, int32_t newSlicesPerFrame) {
    slicesPerFrame = std::max(1, newSlicesPerFrame);
    slicesLeft = slicesPerFrame;
    perFrame = static_cast<double>(frequency) / kFramesPerSecond;
    int32_t budget = RoundedShare(perFrame, slicesPerFrame);
    owed = perFrame - budget;
    if (budget <= 0) {
        owed -= 1 - budget;
        budget = 1;
    }
    ChooseArithmetic();
    return budget;
}

void SyncedSliceSchedule::ChooseArithmetic() {
    const auto isWhole = [](double value) {
        return value >= -static_cast<double>(kWholeLimit) && value <= static_cast<double>(kWholeLimit) &&
               value == std::trunc(value);
    };
    whole = isWhole(owed) && isWhole(perFrame) && perFrame >= 0;
    if (whole) {
        wholeOwed = static_cast<int64_t>(owed);
        wholePerFrame = static_cast<int64_t>(perFrame);
        firstShare = RoundedShare(perFrame, slicesPerFrame);
    }
}

int32_t SyncedSliceSchedule::EndSliceInFractions(int32_t leftover) {
    --slicesLeft;
    owed += leftover;
    int32_t budget = 0;
    if (slicesLeft > 0) {
        if (owed > 0) {
            budget = RoundedShare(owed, slicesLeft);
            owed -= budget;
        }
    } else {
        // The old frame's remainder (a debt when it overran) goes into the new frame's first slice.
        budget = Clamped(std::trunc(owed));
        owed = perFrame;
        const int32_t share = RoundedShare(perFrame, slicesPerFrame);
        budget = Clamped(static_cast<int64_t>(budget) + share);
        owed -= share;
    }
    if (budget <= 0) {
        owed -= 1 - static_cast<double>(budget);
        budget = 1;
    }
    return budget;
}

void SyncedSliceSchedule::Restore(double newOwed, double newPerFrame, int32_t newSlicesPerFrame,
                                  int32_t newSlicesLeft) {
    owed = newOwed;
    perFrame = newPerFrame;
    slicesPerFrame = std::max(1, newSlicesPerFrame);
    slicesLeft = std::clamp(newSlicesLeft, 0, slicesPerFrame);
    ChooseArithmetic();
}

} // namespace emu
