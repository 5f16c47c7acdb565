// Host clock, sleep, memory pages, host facts, the build description and a SHA-1 digest.
// Failures are results (null, 0, false, all ones), never messages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace common {

class String;

// Clock: the host's performance counter. Both always succeed.
bool GetPerfFrequency(uint64_t* frequency);
bool GetPerfCounter(uint64_t* counter);

// 0 gives the rest of the time slice to other threads.
void SleepMs(uint32_t milliseconds);

// Memory blocks; each returns the block (the destination for the copy).
void* ZeroMemoryBlock(void* block, uint32_t byteCount);
void* FillMemory(void* block, int32_t byteCount, uint8_t value);
// Copies nothing when source and destination are the same block.
void* CopyMemoryBlock(void* destination, const void* source, int32_t byteCount);

// Committed, zero-filled whole pages; null for a count of 0 or below, or when the host refuses.
void* AllocPages(int64_t byteCount, bool executable);
// Nothing for a null block or a count of 0 or below.
void FreePages(void* block, int64_t byteCount);

// Files by narrow name (each byte one character). Reads up to byteCount bytes from the start of the file and
// answers how many it read; 0 for a null name or buffer, a count of 0 or a file that does not open.
uint64_t ReadWholeFile(const char* name, void* buffer, uint64_t byteCount);
// 0 for a null name or a file that does not open; -1 when its size cannot be told.
int64_t GetFileSizeByName(const char* name);

// Host facts.
uint32_t GetProcessorCount();
// 2 for the Windows NT family, 1 for Windows 9x, 0 for any other host.
uint32_t GetOsPlatform();
// False (outputs untouched) when the host does not tell.
bool GetOsVersion(uint32_t* major, uint32_t* minor);
// 0xFFFFFFFF when the host does not tell.
uint32_t GetOsMajorVersion();
// The primary screen in pixels (0 x 0 without one); always true.
bool GetScreenSize(uint32_t* width, uint32_t* height);
// Physical memory in MiB; both 0xFFFFFFFF when the host does not tell.
void GetMemoryStatus(uint32_t* totalMiB, uint32_t* availableMiB);

// Replaces the text with a description of the build: character set, processor and compiler.
void GetBuildString(String& text);

// The five state words H0..H4 of the SHA-1 digest; its byte form is each word big-endian, in order.
using Sha1Digest = std::array<uint32_t, 5>;
Sha1Digest ComputeSha1(const void* data, size_t byteCount);

// The smallest power of two not below the value; 0 for 0 and for values above 0x80000000.
uint32_t RoundUpPow2(uint32_t value);

} // namespace common
