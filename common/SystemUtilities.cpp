#include "common/SystemUtilities.h"

#include "common/PathString.h"
#include "common/platform/Clock.h"
#include "common/platform/File.h"
#include "common/platform/HostInfo.h"
#include "common/platform/Pages.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

namespace common {

bool GetPerfFrequency(uint64_t* frequency) {
    *frequency = platform::CounterFrequency();
    return true;
}

bool GetPerfCounter(uint64_t* counter) {
    *counter = platform::CounterNow();
    return true;
}

void SleepMs(uint32_t milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

void* ZeroMemoryBlock(void* block, uint32_t byteCount) {
    return std::memset(block, 0, byteCount);
}

void* FillMemory(void* block, int32_t byteCount, uint8_t value) {
    if (byteCount > 0) {
        std::memset(block, value, static_cast<size_t>(byteCount));
    }
    return block;
}

void* CopyMemoryBlock(void* destination, const void* source, int32_t byteCount) {
    if (destination != source && byteCount > 0) {
        std::memcpy(destination, source, static_cast<size_t>(byteCount));
    }
    return destination;
}

void* AllocPages(int64_t byteCount, bool executable) {
    if (byteCount <= 0) {
        return nullptr;
    }
    return platform::AllocatePages(static_cast<uint64_t>(byteCount), executable);
}

void FreePages(void* block, int64_t byteCount) {
    if (block != nullptr && byteCount > 0) {
        platform::ReleasePages(block, static_cast<uint64_t>(byteCount));
    }
}

namespace {

bool OpenByNarrowName(platform::File& file, const char* name) {
    return name != nullptr && file.OpenRegular(PathString(name).View(), platform::FileMode::ReadOnly);
}

} // namespace

uint64_t ReadWholeFile(const char* name, void* buffer, uint64_t byteCount) {
    platform::File file;
    if (buffer == nullptr || byteCount == 0 || !OpenByNarrowName(file, name)) {
        return 0;
    }
    const int64_t count = static_cast<int64_t>(std::min<uint64_t>(byteCount, INT64_MAX));
    const int64_t read = file.Read(buffer, count);
    return read > 0 ? static_cast<uint64_t>(read) : 0;
}

int64_t GetFileSizeByName(const char* name) {
    platform::File file;
    if (!OpenByNarrowName(file, name)) {
        return 0;
    }
    return file.Size();
}

uint32_t GetProcessorCount() {
    return platform::ProcessorCount();
}

uint32_t GetOsPlatform() {
    return static_cast<uint32_t>(platform::QueryOsPlatform());
}

bool GetOsVersion(uint32_t* major, uint32_t* minor) {
    return platform::QueryOsVersion(*major, *minor);
}

uint32_t GetOsMajorVersion() {
    uint32_t major = 0;
    uint32_t minor = 0;
    return GetOsVersion(&major, &minor) ? major : 0xFFFFFFFFu;
}

bool GetScreenSize(uint32_t* width, uint32_t* height) {
    platform::QueryScreenSize(*width, *height);
    return true;
}

void GetMemoryStatus(uint32_t* totalMiB, uint32_t* availableMiB) {
    *totalMiB = 0xFFFFFFFFu;
    *availableMiB = 0xFFFFFFFFu;
    uint64_t totalBytes = 0;
    uint64_t availableBytes = 0;
    if (!platform::QueryPhysicalMemory(totalBytes, availableBytes)) {
        return;
    }
    *totalMiB = static_cast<uint32_t>(totalBytes >> 20);
    *availableMiB = static_cast<uint32_t>(availableBytes >> 20);
}

void GetBuildString(String& text) {
    text.Assign("Unicode");
#if defined(__x86_64__) || defined(_M_X64)
    text.Append(", x86-64");
#elif defined(__aarch64__)
    text.Append(", arm64");
#else
    text.Append(", x86");
#endif
#if defined(__clang__)
    text.AppendFormat(", Clang %.ld", __clang_major__);
    text.AppendFormat(".%.1ld", __clang_minor__);
    text.AppendFormat(".%.1ld", __clang_patchlevel__);
#else
    text.AppendFormat(", GCC %.ld", __GNUC__);
    text.AppendFormat(".%.1ld", __GNUC_MINOR__);
    text.AppendFormat(".%.1ld", __GNUC_PATCHLEVEL__);
#endif
}

namespace {

uint32_t RotateLeft(uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

uint32_t ReadBigEndian(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

void CompressBlock(Sha1Digest& state, const uint8_t* block) {
    std::array<uint32_t, 80> schedule{};
    for (int i = 0; i < 16; ++i) {
        schedule[i] = ReadBigEndian(block + 4 * i);
    }
    for (int i = 16; i < 80; ++i) {
        schedule[i] = RotateLeft(schedule[i - 3] ^ schedule[i - 8] ^ schedule[i - 14] ^ schedule[i - 16], 1);
    }

    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t mixed = 0;
        uint32_t constant = 0;
        if (i < 20) {
            mixed = (b & c) | (~b & d);
            constant = 0x5A827999;
        } else if (i < 40) {
            mixed = b ^ c ^ d;
            constant = 0x6ED9EBA1;
        } else if (i < 60) {
            mixed = (b & c) | (b & d) | (c & d);
            constant = 0x8F1BBCDC;
        } else {
            mixed = b ^ c ^ d;
            constant = 0xCA62C1D6;
        }
        const uint32_t next = RotateLeft(a, 5) + mixed + e + constant + schedule[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

} // namespace

Sha1Digest ComputeSha1(const void* data, size_t byteCount) {
    constexpr size_t kBlockSize = 64;
    Sha1Digest state = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const auto* bytes = static_cast<const uint8_t*>(data);
    const size_t whole = byteCount - byteCount % kBlockSize;
    for (size_t offset = 0; offset < whole; offset += kBlockSize) {
        CompressBlock(state, bytes + offset);
    }

    // The tail, the 0x80 marker and the 64-bit bit length fill one or two final blocks.
    std::array<uint8_t, 2 * kBlockSize> tail{};
    const size_t rest = byteCount - whole;
    if (rest != 0) {
        std::memcpy(tail.data(), bytes + whole, rest);
    }
    tail[rest] = 0x80;
    const size_t tailSize = rest < kBlockSize - 8 ? kBlockSize : 2 * kBlockSize;
    const uint64_t bitLength = static_cast<uint64_t>(byteCount) * 8;
    for (int i = 0; i < 8; ++i) {
        tail[tailSize - 1 - i] = static_cast<uint8_t>(bitLength >> (8 * i));
    }
    for (size_t offset = 0; offset < tailSize; offset += kBlockSize) {
        CompressBlock(state, tail.data() + offset);
    }
    return state;
}

uint32_t RoundUpPow2(uint32_t value) {
    uint32_t v = value - 1;
    v |= v >> 1;
    v |= v >> 2;
    v |= v >> 4;
    v |= v >> 8;
    v |= v >> 16;
    return v + 1;
}

} // namespace common
