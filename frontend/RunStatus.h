// What the main window shows of the running core, worked out apart from any window: the drive indicators'
// pictures and their blinking activity lights, the window title with the status and the mouse hint, and the
// cadence of the 1 ms UI timer that refreshes all of it.
#pragma once

#include "common/NarrowString.h"
#include "common/String.h"
#include "common/WideString.h"

#include <cstdint>

namespace emu {

class DriveSlot;

// The picture of a drive's indicator, 0 to 11: 0 latched on an image, 1 image in an open drive, 2 closed empty
// drive, 3 open empty drive, each + 4 with the activity light on; while running, a latched image the drive has
// not accepted shows 8 (format rejected) or 9 (not examined yet), 10 and 11 with the light.
int32_t GetDriveImageIndex(const DriveSlot& slot, bool running);

// The activity light lives in the sign of the slot's indicator number: the number itself while off, the number
// minus 1000 while on.
bool IsDriveLightOn(const DriveSlot& slot);

// One drive step of a slot: an access since the last step toggles the light (so a drive accessed all the time
// blinks), no access turns it off. True when the indicator must show its picture again: the light changed, or
// all is set.
bool StepDriveLight(DriveSlot& slot, bool all);

// The window title: the base, then " - " and the status when there is one, and then the hint while the screen
// holds the mouse.
common::WideString ComposeWindowTitle(const common::NarrowString& base, const common::WideString& status,
                                      bool mouseCaptured, const common::WideString& captureHint);

// The UI timer's cadence over the performance counter, whose values are handed in. Every threshold is the
// frequency shifted right.
//
// The timer ticks every millisecond while the machine keeps to real time (or stands), so that a new 50 Hz frame
// is presented at once. While it runs unpaced, far ahead of real time, a frame is ready whenever a present is due,
// and a tick every 8 ms still presents about 125 times a second: the GUI thread (and, under Wine, the server it
// talks to) then wakes an eighth as often and leaves the host's processors to the emulation.
class UiTimerCadence {
public:
    static constexpr int32_t kRealTimeTickMs = 1;
    static constexpr int32_t kAheadTickMs = 8;

    struct Steps {
        // Refresh the menus and run controls from the core (16 a second).
        bool fast = false;
        // A fast step found fewer than 15 timer calls since the last one (at a 1 ms tick; 15 ms of ticks at
        // another): the GUI lags.
        bool lagging = false;
        // Step the drive lights (every 375 ms).
        bool drives = false;
        // Refresh the window title (every second).
        bool slow = false;
        // The call did its work (not too soon after the last, no machine switch under way).
        bool worked = false;
    };

    explicit UiTimerCadence(uint64_t frequency) : frequency(frequency) {}

    // One timer call at now; switching holds the work back (but the call still counts).
    Steps OnCall(uint64_t now, bool switching);
    // Whether a present may start at now.
    bool PresentDue(uint64_t now) const { return Signed(now - nextPresent) >= 0; }
    // A present ran from start to end. The next may start 1/128 second after this one started: the screen is
    // presented at most 128 times a second however fast the machine makes frames. True when it took over 1/128
    // second, which holds presents back for 1/256 second after its end and counts as lag.
    bool PresentTook(uint64_t start, uint64_t end);
    void Reset() { *this = UiTimerCadence(frequency); }
    // The timer's tick from now on (1 to 1000 ms). The fast step after a change reports no lag: its calls came
    // at both ticks.
    void SetTickPeriod(int32_t milliseconds);
    int32_t TickPeriod() const { return tickMs; }
    // The tick for a machine that is powered, parked (paused or at a break), in the synchronised loop and pacing
    // it to real time: the long one only while it runs unpaced in the synchronised loop. The maximum-speed loop
    // keeps the short tick, since it slows itself down for the frames the GUI reports late.
    static int32_t TickFor(bool powered, bool parked, bool synchronisedLoop, bool pacing);

private:
    static int64_t Signed(uint64_t difference) { return static_cast<int64_t>(difference); }

    uint64_t frequency;
    int32_t callCount = 0;
    uint64_t lastRun = 0;
    uint64_t fastMark = 0;
    uint64_t driveMark = 0;
    uint64_t slowMark = 0;
    uint64_t nextPresent = 0;
    int32_t tickMs = kRealTimeTickMs;
    bool tickChanged = false;
};

} // namespace emu
