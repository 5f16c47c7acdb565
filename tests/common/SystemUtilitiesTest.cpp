#include "common/SystemUtilities.h"

#include "common/WideString.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace common {
namespace {

struct Sha1Case {
    const char* name;
    std::string message;
    Sha1Digest digest;
};

// The standard's test messages, and runs of 'a' around the block boundaries: from 56 bytes on the length no
// longer fits the first padding block, at 64 the message fills a block on its own.
std::vector<Sha1Case> Sha1Cases() {
    return {
        {"empty", "", {0xDA39A3EE, 0x5E6B4B0D, 0x3255BFEF, 0x95601890, 0xAFD80709}},
        {"abc", "abc", {0xA9993E36, 0x4706816A, 0xBA3E2571, 0x7850C26C, 0x9CD0D89D}},
        {"448 bits",
         "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         {0x84983E44, 0x1C3BD26E, 0xBAAE4AA1, 0xF95129E5, 0xE54670F1}},
        {"896 bits",
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopq"
         "rstu",
         {0xA49B2446, 0xA02C645B, 0xF419F995, 0xB6709125, 0x3A04A259}},
        {"a x 55", std::string(55, 'a'), {0xC1C8BBDC, 0x22796E28, 0xC0E15163, 0xD20899B6, 0x5621D65A}},
        {"a x 56", std::string(56, 'a'), {0xC2DB330F, 0x6083854C, 0x99D4B5BF, 0xB6E8F29F, 0x201BE699}},
        {"a x 60", std::string(60, 'a'), {0x13D95603, 0x3D9AF449, 0xBFE2C4EF, 0x78C17C20, 0x469C4BF1}},
        {"a x 63", std::string(63, 'a'), {0x03F09F5B, 0x158A7A8C, 0xDAD920BD, 0xDC29B81C, 0x18A551F5}},
        {"a x 64", std::string(64, 'a'), {0x0098BA82, 0x4B5C1642, 0x7BD7A112, 0x2A5A442A, 0x25EC644D}},
        {"a x 65", std::string(65, 'a'), {0x11655326, 0xC708D703, 0x19BE2610, 0xE8A57D9A, 0x5B959D3B}},
        {"a x 120", std::string(120, 'a'), {0xF34C1488, 0x385346A5, 0x5709BA05, 0x6DDD0828, 0x0DD4C6D6}},
        {"a x 1000000", std::string(1000000, 'a'), {0x34AA973C, 0xD4C4DAA4, 0xF61EEB2B, 0xDBAD2731, 0x6534016F}},
    };
}

TEST(SystemUtilitiesTest, Sha1GivesTheStandardDigests) {
    for (const Sha1Case& testCase : Sha1Cases())
        EXPECT_EQ(ComputeSha1(testCase.message.data(), testCase.message.size()), testCase.digest) << testCase.name;
}

TEST(SystemUtilitiesTest, Sha1LeavesTheDataAlone) {
    std::string message(70, 'q');
    const std::string copy = message;
    ComputeSha1(message.data(), message.size());
    EXPECT_EQ(message, copy);
}

TEST(SystemUtilitiesTest, RoundUpPow2) {
    const struct {
        uint32_t value, expected;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 4}, {1000, 1024}, {0x80000000, 0x80000000}, {0x80000001, 0}};
    for (const auto& testCase : cases)
        EXPECT_EQ(RoundUpPow2(testCase.value), testCase.expected) << testCase.value;
}

TEST(SystemUtilitiesTest, MemoryBlocks) {
    uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(FillMemory(block, 3, 0xAA), block);
    EXPECT_EQ(ZeroMemoryBlock(block + 6, 2), block + 6);
    const uint8_t filled[8] = {0xAA, 0xAA, 0xAA, 4, 5, 6, 0, 0};
    EXPECT_EQ(std::memcmp(block, filled, sizeof(block)), 0);

    uint8_t copy[8] = {};
    EXPECT_EQ(CopyMemoryBlock(copy, block, 8), copy);
    EXPECT_EQ(std::memcmp(copy, filled, sizeof(copy)), 0);
    EXPECT_EQ(CopyMemoryBlock(copy, copy, 8), copy);
    EXPECT_EQ(std::memcmp(copy, filled, sizeof(copy)), 0);
}

TEST(SystemUtilitiesTest, PagesAreZeroFilledAndWritable) {
    EXPECT_EQ(AllocPages(0, false), nullptr);
    EXPECT_EQ(AllocPages(-4096, false), nullptr);
    FreePages(nullptr, 4096);

    constexpr int64_t kSize = 3 * 4096 + 100;
    auto* pages = static_cast<uint8_t*>(AllocPages(kSize, false));
    ASSERT_NE(pages, nullptr);
    for (int64_t i = 0; i < kSize; i += 512)
        ASSERT_EQ(pages[i], 0) << i;
    pages[kSize - 1] = 0x5A;
    EXPECT_EQ(pages[kSize - 1], 0x5A);
    FreePages(pages, kSize);
}

TEST(SystemUtilitiesTest, ClockRunsForward) {
    uint64_t frequency = 0;
    uint64_t first = 0;
    uint64_t second = 0;
    EXPECT_TRUE(GetPerfFrequency(&frequency));
    EXPECT_GT(frequency, 0u);
    EXPECT_TRUE(GetPerfCounter(&first));
    SleepMs(0);
    EXPECT_TRUE(GetPerfCounter(&second));
    EXPECT_GE(second, first);
}

// The temporary folder's path as a narrow name, one byte per character.
std::string NarrowName(const std::u16string& path) {
    return WideString(path.c_str()).GetNarrow();
}

TEST(SystemUtilitiesTest, WholeFilesByNarrowName) {
    test_support::TemporaryFolder temporary;
    const std::string path = NarrowName(temporary.WriteFile(u"ten.bin", "0123456789"));
    char buffer[100] = {};
    EXPECT_EQ(ReadWholeFile(path.c_str(), buffer, sizeof(buffer)), 10u);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(ReadWholeFile(path.c_str(), buffer, 4), 4u);
    EXPECT_EQ(ReadWholeFile(path.c_str(), buffer, 0), 0u);
    EXPECT_EQ(ReadWholeFile(path.c_str(), nullptr, 10), 0u);
    EXPECT_EQ(ReadWholeFile(nullptr, buffer, 10), 0u);
    EXPECT_EQ(GetFileSizeByName(path.c_str()), 10);

    const std::string empty = NarrowName(temporary.WriteFile(u"empty.bin", ""));
    EXPECT_EQ(GetFileSizeByName(empty.c_str()), 0);
    EXPECT_EQ(GetFileSizeByName((path + ".missing").c_str()), 0);
    EXPECT_EQ(GetFileSizeByName(nullptr), 0);
}

TEST(SystemUtilitiesTest, BuildStringReplacesTheText) {
    WideString text("old text");
    GetBuildString(text);
    const std::string described = text.GetNarrow();
    EXPECT_EQ(described.rfind("Unicode, ", 0), 0u) << described;
    EXPECT_TRUE(described.find(", GCC ") != std::string::npos || described.find(", Clang ") != std::string::npos)
        << described;
    EXPECT_EQ(described.find("old"), std::string::npos);
}

TEST(SystemUtilitiesTest, HostFacts) {
    EXPECT_GE(GetProcessorCount(), 1u);

    uint32_t major = 0xDEAD;
    uint32_t minor = 0xBEEF;
    if (GetOsVersion(&major, &minor))
        EXPECT_EQ(GetOsMajorVersion(), major);
    else
        EXPECT_EQ(GetOsMajorVersion(), 0xFFFFFFFFu);

    uint32_t total = 0;
    uint32_t available = 0;
    GetMemoryStatus(&total, &available);
    EXPECT_GT(total, 0u);
    EXPECT_LE(available, total);

    uint32_t width = 1;
    uint32_t height = 1;
    EXPECT_TRUE(GetScreenSize(&width, &height));
#ifdef _WIN32
    EXPECT_EQ(GetOsPlatform(), 2u);
#else
    EXPECT_EQ(GetOsPlatform(), 0u);
    EXPECT_EQ(width, 0u);
    EXPECT_EQ(height, 0u);
#endif
}

} // namespace
} // namespace common
