#include "app/RunTiming.h"

#include "app/ThreadSignal.h"
#include "common/SystemUtilities.h"
#include "common/platform/Clock.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace emu {

namespace {

constexpr int32_t kPermilleExact = 992;
constexpr int32_t kPermilleSyncedCeiling = 1018;
constexpr double kPieceShare = 0.75;
constexpr double kFirstPieceShare = 0.25;
constexpr double kEarlyFactorCeiling = 0.99;
constexpr double kLateFactorFloor = 0.2;
constexpr double kLateFrames = 1.5;

int32_t ClampedCycles(double value) {
    return static_cast<int32_t>(std::clamp<double>(value, 0, std::numeric_limits<int32_t>::max()));
}

int64_t Signed(uint64_t later, uint64_t earlier) {
    return static_cast<int64_t>(later - earlier);
}

} // namespace

uint64_t HostClock::Frequency() const {
    return common::platform::CounterFrequency();
}

uint64_t HostClock::Now() const {
    return common::platform::CounterNow();
}

uint64_t HostClock::Microseconds() const {
    const uint64_t now = Now();
    const uint64_t frequency = std::max<uint64_t>(Frequency(), 1);
    return now / frequency * 1000000 + now % frequency * 1000000 / frequency;
}

void HostClock::SleepMs(uint32_t milliseconds) {
    common::SleepMs(milliseconds);
}

bool HostClock::SleepUnless(ThreadSignal& signal, uint64_t seen, uint32_t milliseconds) {
    if (signal.Count() != seen) {
        return true;
    }
    SleepMs(milliseconds);
    return signal.Count() != seen;
}

namespace {

// The host's clock: its sleeps that a signal may end wait on the signal itself.
class RealHostClock : public HostClock {
public:
    bool SleepUnless(ThreadSignal& signal, uint64_t seen, uint32_t milliseconds) override {
        return signal.WaitPast(seen, static_cast<int32_t>(milliseconds));
    }
};

} // namespace

HostClock& HostClock::Real() {
    static RealHostClock clock;
    return clock;
}

void FrameClock::Start(uint64_t frequency, uint64_t now) {
    ticksPerSecond = std::max<uint64_t>(frequency, 1);
    ticksPerFrame = std::max<uint64_t>((ticksPerSecond + kFramesPerSecond / 2) / kFramesPerSecond, 1);
    frameDeadline = now + ticksPerFrame;
    secondEnd = now + ticksPerSecond;
    frames = 0;
    parkedAt = now;
}

void FrameClock::Resume(uint64_t now) {
    const uint64_t paused = now - parkedAt;
    frameDeadline += paused;
    secondEnd += paused;
    parkedAt = now;
}

int32_t SpeedPercent(uint64_t now, uint64_t secondEnd, uint64_t ticksPerSecond, int32_t previous, bool synced) {
    // Ten-thousandths of a second the second lasted beyond its length, then its speed in permille.
    const int64_t late = Signed(now, secondEnd) * 10000 / static_cast<int64_t>(std::max<uint64_t>(ticksPerSecond, 1));
    if (late + 10000 == 0) {
        return previous;
    }
    const int64_t permille = 10000000 / (late + 10000);
    int64_t percent = permille / 10;
    if (permille >= kPermilleExact && (!synced || permille <= kPermilleSyncedCeiling)) {
        percent = 100;
    }
    return percent == 0 ? previous : static_cast<int32_t>(std::clamp<int64_t>(percent, 0, 0x7FFFFFFF));
}

uint64_t MaxSpeedSlicer::NominalSliceTicks(const FrameClock& clock) const {
    const double ticks = static_cast<double>(clock.ticksPerSecond) / (slicesPerFrame * FrameClock::kFramesPerSecond);
    return std::max<uint64_t>(static_cast<uint64_t>(std::floor(ticks * speedFactor + 0.5)), 1);
}

int32_t MaxSpeedSlicer::Start(int32_t frequency, int32_t newSlicesPerFrame, const FrameClock& clock, uint64_t now) {
    slicesPerFrame = std::max(1, newSlicesPerFrame);
    slicesLeft = slicesPerFrame;
    speedFactor = 1.0;
    sliceTicks = NominalSliceTicks(clock);
    sliceStart = now;
    sliceDeadline = now + sliceTicks;
    const int32_t budget = frequency / (slicesPerFrame * FrameClock::kFramesPerSecond);
    sliceCycles = budget;
    return budget;
}

int32_t MaxSpeedSlicer::NextPiece(int32_t leftover, uint64_t now) {
    sliceCycles -= leftover;
    if (now >= sliceDeadline) {
        return 0;
    }
    const int64_t elapsed = Signed(now, sliceStart);
    // Without measurable time yet, the slice does as much again.
    const double rate = elapsed > 0 ? static_cast<double>(sliceCycles) / static_cast<double>(elapsed)
                                    : static_cast<double>(std::max<int64_t>(sliceCycles, 0));
    const int32_t piece =
        ClampedCycles(std::floor(static_cast<double>(sliceDeadline - now) * rate * kPieceShare + 0.5));
    if (piece <= kSmallestPiece) {
        return 0;
    }
    sliceCycles += piece;
    return piece;
}

int32_t MaxSpeedSlicer::EndSlice(uint64_t now) {
    --slicesLeft;
    const int32_t next =
        std::max(1, ClampedCycles(std::floor(static_cast<double>(sliceCycles) * kFirstPieceShare + 0.5)));
    sliceCycles = next;
    sliceStart = now;
    sliceDeadline += sliceTicks;
    return next;
}

bool MaxSpeedSlicer::EndFrame(uint64_t now, FrameClock& clock, bool multiProcessor) {
    const double frame = static_cast<double>(clock.ticksPerFrame);
    const double late = static_cast<double>(Signed(now, clock.frameDeadline));
    const double proposed = late * 0.5 + frame > 0 ? speedFactor * frame / (late * 0.5 + frame) : speedFactor;
    bool lateFrame = false;
    if (now < clock.frameDeadline) {
        speedFactor = std::min(proposed, kEarlyFactorCeiling);
    } else {
        lateFrame = multiProcessor && late > kLateFrames * frame;
        speedFactor = std::max(proposed, kLateFactorFloor);
    }
    sliceTicks = NominalSliceTicks(clock);
    sliceDeadline = now + sliceTicks;
    clock.frameDeadline = now + clock.ticksPerFrame;
    return lateFrame;
}

void MaxSpeedSlicer::RestartAt(uint64_t now) {
    sliceStart = now;
    sliceDeadline = now;
}

void MaxSpeedSlicer::Restore(int32_t newSlicesPerFrame, int32_t newSlicesLeft, const FrameClock& clock, uint64_t now) {
    slicesPerFrame = std::max(1, newSlicesPerFrame);
    slicesLeft = std::clamp(newSlicesLeft, 0, slicesPerFrame);
    speedFactor = 1.0;
    sliceTicks = NominalSliceTicks(clock);
    sliceStart = now;
    sliceDeadline = now + sliceTicks;
}

void FramePacer::Start(HostClock& clock) {
    floor = std::max<uint64_t>(clock.Frequency() / 1000, 1);
    const uint64_t before = clock.Now();
    clock.SleepMs(1);
    granularity = std::max(floor, clock.Now() - before);
}

uint64_t FramePacer::WaitForFrame(HostClock& clock, FrameClock& frame, bool synchronised, const FrameWake& wake) {
    uint64_t now = clock.Now();
    woken = false;
    if (!synchronised) {
        frame.frameDeadline = now + frame.ticksPerFrame;
        return now;
    }
    woken = wake.requested;
    while (!woken && Signed(frame.frameDeadline, now) >= static_cast<int64_t>(2 * granularity)) {
        const uint64_t before = now;
        if (wake.signal != nullptr) {
            woken = clock.SleepUnless(*wake.signal, wake.seen, 1);
        } else {
            clock.SleepMs(1);
        }
        now = clock.Now();
        if (!woken) {
            granularity = std::max(floor, (granularity + (now - before)) / 2);
        }
    }
    if (woken) {
        // The wait is not over: the loop serves the request and then waits again for the same deadline.
        return now;
    }
    granularity = std::max(floor, granularity - granularity / 16);
    if (Signed(now, frame.frameDeadline) <= static_cast<int64_t>(kCatchUpFrames * frame.ticksPerFrame)) {
        frame.frameDeadline += frame.ticksPerFrame;
    } else {
        frame.frameDeadline = now + frame.ticksPerFrame;
    }
    return now;
}

} // namespace emu
