#include "app/StatusText.h"

#include "common/WideString.h"

#include <algorithm>

namespace emu {

namespace {

constexpr int32_t kLargestCorrection = 25;

} // namespace

void FormatStatusText(common::WideString& out, const common::String& name, const common::String& frequencyText,
                      const common::String& speedLabel, const StatusFigures& figures) {
    out.Assign(name);
    if (out.IsEmpty()) {
        out.Assign("Unknown");
    }
    int32_t speed = -1;
    int32_t correction = -1;
    if (figures.powered && figures.standing) {
        speed = 0;
    } else if (figures.powered) {
        speed = figures.speedPercent;
        if (figures.runMode == LoopMode::MaxSpeed) {
            const int32_t late = figures.lateFrames + figures.lateFramesLastSecond;
            correction = std::min((late >> 1) + (late >> 3), kLargestCorrection);
        }
    }
    common::WideString detail;
    detail.Assign(frequencyText);
    if (speed >= 0) {
        if (correction > 0) {
            speed = std::max(speed - correction, 0);
        }
        detail.Append(", ");
        detail.Append(speedLabel);
        detail.AppendFormat("=%ld", speed);
    }
    if (figures.vsyncWarning) {
        detail.Append(", VSYNC ON is Slower!");
    }
    if (!detail.IsEmpty()) {
        out.Append(" (");
        out.Append(detail);
        out.Append(")");
    }
}

} // namespace emu
