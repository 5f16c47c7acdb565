#include "common/platform/HostInfo.h"

#include <windows.h>

namespace common::platform {

namespace {

bool QueryVersionInfo(OSVERSIONINFOW& info) {
    info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExW(&info) != FALSE;
}

} // namespace

uint32_t ProcessorCount() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

OsPlatform QueryOsPlatform() {
    OSVERSIONINFOW info;
    if (!QueryVersionInfo(info)) {
        return OsPlatform::Unknown;
    }
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32_NT:
        return OsPlatform::WindowsNt;
    case VER_PLATFORM_WIN32_WINDOWS:
        return OsPlatform::Windows9x;
    default:
        return OsPlatform::Unknown;
    }
}

bool QueryOsVersion(uint32_t& major, uint32_t& minor) {
    OSVERSIONINFOW info;
    if (!QueryVersionInfo(info)) {
        return false;
    }
    major = info.dwMajorVersion;
    minor = info.dwMinorVersion;
    return true;
}

void QueryScreenSize(uint32_t& width, uint32_t& height) {
    width = static_cast<uint32_t>(GetSystemMetrics(SM_CXSCREEN));
    height = static_cast<uint32_t>(GetSystemMetrics(SM_CYSCREEN));
}

bool QueryPhysicalMemory(uint64_t& totalBytes, uint64_t& availableBytes) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) {
        return false;
    }
    totalBytes = status.ullTotalPhys;
    availableBytes = status.ullAvailPhys;
    return true;
}

uint16_t QueryUserLanguage() {
    return GetUserDefaultLangID();
}

} // namespace common::platform
