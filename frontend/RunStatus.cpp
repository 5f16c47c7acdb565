#include "frontend/RunStatus.h"

#include "emu/core/DriveSlot.h"

#include <algorithm>

namespace emu {
namespace {

constexpr int32_t kLightOffset = 1000;

} // namespace

bool IsDriveLightOn(const DriveSlot& slot) {
    return slot.indicatorNumber < 0;
}

int32_t GetDriveImageIndex(const DriveSlot& slot, bool running) {
    const bool light = IsDriveLightOn(slot);
    int32_t base = 0;
    if (!slot.Image().IsOpen()) {
        base = slot.latched ? 2 : 3;
    } else if (!slot.latched) {
        base = 1;
    } else if (running && !(slot.mediaReady && slot.imageUsable)) {
        const int32_t rejected = slot.changeSeen ? 8 : 9;
        return light ? rejected + 2 : rejected;
    }
    return light ? base + 4 : base;
}

bool StepDriveLight(DriveSlot& slot, bool all) {
    if (slot.accessBlink.exchange(false)) {
        slot.indicatorNumber += IsDriveLightOn(slot) ? kLightOffset : -kLightOffset;
        return true;
    }
    if (IsDriveLightOn(slot)) {
        slot.indicatorNumber += kLightOffset;
        return true;
    }
    return all;
}

common::WideString ComposeWindowTitle(const common::NarrowString& base, const common::WideString& status,
                                      bool mouseCaptured, const common::WideString& captureHint) {
    common::WideString title;
    title.Assign(base);
    if (status.Length() == 0) {
        return title;
    }
    title.Append(" - ");
    title.Append(status);
    if (mouseCaptured) {
        title.Append(captureHint);
    }
    return title;
}

UiTimerCadence::Steps UiTimerCadence::OnCall(uint64_t now, bool switching) {
    Steps steps;
    ++callCount;
    if (slowMark == 0) {
        fastMark = driveMark = slowMark = now;
    }
    if (Signed(now - lastRun) < static_cast<int64_t>(frequency >> 10) || switching) {
        return steps;
    }
    steps.worked = true;
    lastRun = now;
    if (Signed(now - fastMark) >= static_cast<int64_t>(frequency >> 4)) {
        steps.fast = true;
        steps.lagging = !tickChanged && callCount * tickMs < 15;
        tickChanged = false;
        fastMark = now;
        callCount = 0;
    }
    if (Signed(now - driveMark) >= static_cast<int64_t>((frequency >> 2) + (frequency >> 3))) {
        steps.drives = true;
        driveMark = now;
    }
    if (Signed(now - slowMark) >= static_cast<int64_t>(frequency)) {
        steps.slow = true;
        fastMark = driveMark = slowMark = now;
    }
    return steps;
}

void UiTimerCadence::SetTickPeriod(int32_t milliseconds) {
    const int32_t period = std::clamp(milliseconds, 1, 1000);
    if (period != tickMs) {
        tickMs = period;
        tickChanged = true;
    }
}

int32_t UiTimerCadence::TickFor(bool powered, bool parked, bool synchronisedLoop, bool pacing) {
    return powered && !parked && synchronisedLoop && !pacing ? kAheadTickMs : kRealTimeTickMs;
}

bool UiTimerCadence::PresentTook(uint64_t start, uint64_t end) {
    nextPresent = start + (frequency >> 7);
    if (Signed(end - start) <= static_cast<int64_t>(frequency >> 7)) {
        return false;
    }
    nextPresent = end + (frequency >> 8);
    return true;
}

} // namespace emu
