#include "common/platform/HostInfo.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>

namespace common::platform {

uint32_t ProcessorCount() {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count > 0 ? static_cast<uint32_t>(count) : 1;
}

OsPlatform QueryOsPlatform() {
    return OsPlatform::Unknown;
}

bool QueryOsVersion(uint32_t& major, uint32_t& minor) {
    utsname names{};
    unsigned readMajor = 0;
    unsigned readMinor = 0;
    if (uname(&names) != 0 || std::sscanf(names.release, "%u.%u", &readMajor, &readMinor) != 2) {
        return false;
    }
    major = readMajor;
    minor = readMinor;
    return true;
}

void QueryScreenSize(uint32_t& width, uint32_t& height) {
    // The portable build has no window system of its own.
    width = 0;
    height = 0;
}

bool QueryPhysicalMemory(uint64_t& totalBytes, uint64_t& availableBytes) {
    const long pageSize = sysconf(_SC_PAGESIZE);
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long availablePages = sysconf(_SC_AVPHYS_PAGES);
    if (pageSize <= 0 || pages <= 0 || availablePages < 0) {
        return false;
    }
    totalBytes = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    availableBytes = static_cast<uint64_t>(availablePages) * static_cast<uint64_t>(pageSize);
    return true;
}

uint16_t QueryUserLanguage() {
    return 0x0409;
}

} // namespace common::platform
