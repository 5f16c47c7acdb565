#include "common/platform/FolderWalk.h"

namespace common::platform {

uint32_t DosDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second) {
    if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 61) {
        return 0;
    }
    // Two-second steps; a leap second stays in the minute.
    const auto seconds = static_cast<uint32_t>(second > 59 ? 59 : second) / 2;
    const uint32_t date =
        static_cast<uint32_t>(year - 1980) << 9 | static_cast<uint32_t>(month) << 5 | static_cast<uint32_t>(day);
    const uint32_t time = static_cast<uint32_t>(hour) << 11 | static_cast<uint32_t>(minute) << 5 | seconds;
    return date << 16 | time;
}

} // namespace common::platform
