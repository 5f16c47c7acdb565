// The five BK models on their real ROMs (BK_ROM_DIR), each through a workload of its own for 25 emulated seconds:
// booted, typed at, running a program (the floppy models read and write a disk), checked against figures recorded
// from an earlier build of the emulator: a hash of every frame (chained, kept per second), of every sound block,
// of the RAM, the final registers and cycle count, of the saved state and of the disk image. The run is done twice,
// once into the null sound output the benchmarks use and once into a recording one, and both must match.
//
// Any change that moves one emulated cycle shows here. A change meant to alter the emulation records the figures
// anew: run the suite with ZOV_DETERMINISM_RECORD=1 and paste the printed table over kExpected.
#include "emu/bk/Bk0010FloppyMachine.h"
#include "emu/bk/Bk0010Machine.h"
#include "emu/bk/Bk0011mMachine.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkModelRun.h"
#include "support/BkRealRomTest.h"
#include "support/StateBytes.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace emu {
namespace {

using test_support::BkModelRun;

constexpr int64_t kFramesPerSecond = 50;
constexpr int64_t kSeconds = 25;
constexpr size_t kSectorBytes = 512;
constexpr size_t kImageBytes = 819200;

// FNV-1a, 64 bits: enough to tell runs apart, and the same on every host.
class Hash {
public:
    void Add(std::span<const uint8_t> bytes) {
        for (const uint8_t byte : bytes) {
            value = (value ^ byte) * 0x100000001B3ull;
        }
    }
    // A pixel row, a pixel at a time: a frame is half a megabyte.
    void Add(std::span<const uint32_t> pixels) {
        for (const uint32_t pixel : pixels) {
            value = (value ^ pixel) * 0x100000001B3ull;
        }
    }
    uint64_t Value() const { return value; }

private:
    uint64_t value = 0xCBF29CE484222325ull;
};

// A sound output that takes every block as it is submitted and hashes it; the bus's clones share the hash, in the
// order the bus submits their blocks.
class HashingSoundOutput : public HostSoundOutput {
public:
    explicit HashingSoundOutput(Hash& sink) : sink(sink) {}

    bool Open(int32_t sampleRate, int32_t sampleBits, int32_t blockCount) override {
        if (!HostSoundOutput::Open(sampleRate, sampleBits, blockCount)) {
            return false;
        }
        SetPaced(false);
        return true;
    }
    std::unique_ptr<HostSoundOutput> Clone() const override { return std::make_unique<HashingSoundOutput>(sink); }
    bool IsNull() const override { return false; }
    const char* Name() const override { return "Hashing"; }

protected:
    bool WriteBlock(int32_t index) override {
        sink.Add(Block(index));
        return true;
    }

private:
    Hash& sink;
};

// The boot sector of the floppy models' disk: the floppy ROM loads it at 01000 and calls it when it begins with
// NOP. Through the ROM's block entry it writes itself to block 2, reads blocks 4-13 onto the screen, writes the
// screen's first 5 KB back to blocks 20-29, then echoes every key it reads through the monitor's calls.
std::string BootSector() {
    const std::vector<uint16_t> program = {
        0000240,          // NOP: the boot signature
        0010346,          // MOV R3, -(SP): the driver's parameter block
        0012700, 2,       // MOV #2, R0
        0012701, 0177400, // MOV #-256., R1: write 256 words
        0012702, 01000,   // MOV #1000, R2
        0004737, 0160004, // JSR PC, @#160004
        0011603,          // MOV (SP), R3
        0012700, 4,       // MOV #4, R0
        0012701, 5120,    // MOV #2560., R1: read 2560 words
        0012702, 040000,  // MOV #40000, R2
        0004737, 0160004, // JSR PC, @#160004
        0011603,          // MOV (SP), R3
        0012700, 20,      // MOV #20, R0
        0012701, 0166000, // MOV #-2560., R1
        0012702, 040000,  // MOV #40000, R2
        0004737, 0160004, // JSR PC, @#160004
        0104006,          // echo: EMT 6: a key into R0
        0104016,          // EMT 16: print it
        0000775,          // BR echo
    };
    std::string sector(kSectorBytes, '\0');
    for (size_t index = 0; index < program.size(); ++index) {
        sector[2 * index] = static_cast<char>(program[index]);
        sector[2 * index + 1] = static_cast<char>(program[index] >> 8);
    }
    return sector;
}

// Every byte of the image different from its neighbours, the boot sector in block 0.
std::string DiskImage() {
    std::string image(kImageBytes, '\0');
    for (size_t offset = 0; offset < image.size(); ++offset) {
        image[offset] = static_cast<char>((offset * 7 + offset / kSectorBytes) & 0xFF);
    }
    image.replace(0, kSectorBytes, BootSector());
    return image;
}

// The state names the disk image by its path, in a temporary folder new to every run and written the host's way:
// the path (narrow or wide) is cut out before the state is hashed, and the string's 32-bit length in front of it
// zeroed.
test_support::Bytes WithoutPath(test_support::Bytes state, const std::u16string& path) {
    constexpr std::ptrdiff_t kLengthBytes = 4;
    std::string narrow;
    std::string wide;
    for (const char16_t unit : path) {
        narrow.push_back(static_cast<char>(unit));
        wide.push_back(static_cast<char>(unit & 0xFF));
        wide.push_back(static_cast<char>(unit >> 8));
    }
    for (const std::string& pattern : {narrow, wide}) {
        for (;;) {
            const auto found = std::search(state.begin(), state.end(), pattern.begin(), pattern.end(),
                                           [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); });
            if (found == state.end()) {
                break;
            }
            if (found - state.begin() >= kLengthBytes) {
                std::fill(found - kLengthBytes, found, uint8_t{0});
            }
            state.erase(found, found + static_cast<std::ptrdiff_t>(pattern.size()));
        }
    }
    return state;
}

enum class ModelKind { Bk0010, Bk0010_01, Bk0010Fdd, Bk0011m, Bk0011mFdd };

struct Workload {
    const char* name;
    ModelKind model;
    bool disk;
    // Frames before the typing starts.
    int64_t bootFrames;
    const char* typed;
};

constexpr Workload kWorkloads[] = {
    {"Bk0010FocalProgram", ModelKind::Bk0010, false, 100, "1.1 F I=1,300;T I*I,!\nG\n"},
    {"Bk0010_01BasicProgram", ModelKind::Bk0010_01, false, 100, "10 FOR I=1 TO 300\n20 PRINT I;I*I\n30 NEXT I\nRUN\n"},
    {"Bk0010FddBootsADiskAndEchoes", ModelKind::Bk0010Fdd, true, 100, "S160000\nHELLO BK\n"},
    // Enter on the tests menu's first line starts the memory test, which switches every page through the windows.
    {"Bk0011mRunsTheMemoryTest", ModelKind::Bk0011m, false, 300, "\n"},
    {"Bk0011mFddBootsADiskAndEchoes", ModelKind::Bk0011mFdd, true, 300, "HELLO BK 11\n"},
};

struct Figures {
    std::vector<uint64_t> seconds;
    uint64_t sound = 0;
    uint64_t ram = 0;
    std::array<uint16_t, 8> registers{};
    uint16_t psw = 0;
    uint64_t cycles = 0;
    uint64_t state = 0;
    uint64_t image = 0;
};

struct Expected {
    const char* name;
    std::array<uint64_t, kSeconds> seconds;
    uint64_t sound;
    uint64_t ram;
    std::array<uint16_t, 8> registers;
    uint16_t psw;
    uint64_t cycles;
    uint64_t state;
    uint64_t image;
};

// Recorded before the emulation's hot paths were reworked for speed; every later build must run the same.
constexpr Expected kExpected[] = {
    {"Bk0010FocalProgram",
     {0xd1f796cec5d8ebe0u, 0x7dfab68ca2a16ea8u, 0xae6a7df1fbc01800u, 0xbd3c7510da5c0074u, 0xfa2ad0883f7fcce5u,
      0x22219136a01702aau, 0x3b79cd78c85c4208u, 0x68f300ecf2146c2eu, 0x8f68d429e46b1f16u, 0x53cfea829ea75bd2u,
      0x428ebf1ab23b733cu, 0x021bdcfc7cab7ae0u, 0x83ae926751a3390eu, 0x4da4b4f9900693ecu, 0x988b0bffb6240e5cu,
      0xddb29d05a6102ba3u, 0x8b71dbaa8a2e331bu, 0x0d3d60a0c7b210e1u, 0xc7ac02f9e8372dcau, 0x13cc3006fe74d6cfu,
      0xf9403deadcad58eau, 0xca25adea0d3e347fu, 0x135f58a67f2bde60u, 0x601622b9a84936adu, 0xdd20a1e0093dc418u},
     0xa703287c1418052cu,
     0xbdd0078ae1368572u,
     {05, 03, 01704, 00, 040, 076, 01436, 0125644},
     0104,
     75000000u,
     0x5895addb22ea19f8u,
     0x0000000000000000u},
    {"Bk0010_01BasicProgram",
     {0x22cd51963ccf7b0bu, 0x0a8c881cd35347f7u, 0xa57dfe65aafe0fc3u, 0xe7f8a7ac26119e1fu, 0x667646b6eaee8f69u,
      0x1e6d623617cb553fu, 0xdf8be672a457648fu, 0x69e50a0f4f8be2c9u, 0xc45ad451cf5abe8fu, 0xb28eee5038a6e4efu,
      0x4503860453754e67u, 0x601290beeceeff61u, 0xe19bf934ad34cc87u, 0xcdacd9e4ccc41517u, 0xbc8e3f46df0b800fu,
      0xc5438679c81428e9u, 0xf99b02decc02cf99u, 0x9e3c7b7718a8a121u, 0x79ffac2b87672c33u, 0x97f6927538919355u,
      0x0b17dd4bfeb94571u, 0x393081949887d37bu, 0xc1c29df546be6111u, 0x02c1b13ffed68387u, 0x016ed73426dbc20fu},
     0x6d49754be26e8e20u,
     0x867054bcae72c108u,
     {00, 063755, 013614, 0114000, 00, 03044, 01746, 0166006},
     04,
     75000000u,
     0xdac50a9654a08b4bu,
     0x0000000000000000u},
    {"Bk0010FddBootsADiskAndEchoes",
     {0xa6b990bb8201f68du, 0x18677065e6b9f68du, 0x871fa73a821fb06cu, 0x45ea9b0152df7ebeu, 0x054ab8cb42c77ebeu,
      0xb0814f608caf7ebeu, 0xac6ee84348977ebeu, 0x62bc93b05e7f7ebeu, 0x1860ce97d4677ebeu, 0xb84579ec4c4f7ebeu,
      0x7a181ac2e6377ebeu, 0xa1d6f0147e1f7ebeu, 0x1b72616666077ebeu, 0x9210e76ac7ef7ebeu, 0xe76b6617efd77ebeu,
      0x0adb7b5bebbf7ebeu, 0x0e5ee981afa77ebeu, 0x82ce7e8cb98f7ebeu, 0x1ae04169c5777ebeu, 0x29b1143cbb5f7ebeu,
      0xae14e9f8d5477ebeu, 0x114b6ba42d2f7ebeu, 0x4b52757fd9177ebeu, 0x744fe4c230ff7ebeu, 0xbf83fb3c98e77ebeu},
     0xd6e4e0b663557d67u,
     0xf9631dae17e2a8dcu,
     {012, 0166000, 040000, 02000, 01, 0101010, 0764, 0101020},
     04,
     75000000u,
     0xc19aac852462e831u,
     0x6fdb8706b530f65du},
    {"Bk0011mRunsTheMemoryTest",
     {0x5e0f9359db1db0a3u, 0x7e5f7b02a9464dd3u, 0x8cf0a73ba9bad1f3u, 0x8a7bc46487afeb03u, 0x10c5b4b8e15372f3u,
      0xcb81bce1c5e7aac3u, 0xbf1b8dd6157e63d7u, 0x3154d08ab59f81dfu, 0xf81a85cb230946f7u, 0x256c1f5adc9cc5f3u,
      0x9bab3503439163adu, 0x52ea9b72a3722b1eu, 0x973da9e23fd5c41eu, 0x46a877a57be7d340u, 0x0dfb623ceb55a720u,
      0x55bd70f1796da720u, 0xe28a9207f385a720u, 0x81d6171b779da720u, 0x61c3877effb5a720u, 0x0e3bd9a75fcda720u,
      0xba57258189e5a720u, 0xd5fc861ce3fda720u, 0x5dcc80016e15a720u, 0xb8507472342da720u, 0xc893f555debcceacu},
     0xc16f6356f75bf5a6u,
     0x5b8268bdd0bd34d3u,
     {01400, 0143602, 07372, 041014, 0160261, 0170130, 0716, 0167206},
     0351,
     102400000u,
     0xdcf9d2875d97d367u,
     0x0000000000000000u},
    {"Bk0011mFddBootsADiskAndEchoes",
     {0x5e0f9359db1db0a3u, 0x7e5f7b02a9464dd3u, 0x82ad43be9f807117u, 0xba77db07cdf3a4abu, 0x75de90ab27a6d83fu,
      0xf47f24f3029a0bd3u, 0x57f6c00548cd3f67u, 0xa42250f4de4072fbu, 0x72cedbe8eef3a68fu, 0x40082b027ae6da23u,
      0x08f893f8541a0db7u, 0x96c8241c988d414bu, 0xdbb91643224074dfu, 0x28bda6e36533a873u, 0x6e9793ada566dc07u,
      0x3109ed69aeda0f9bu, 0x889770996f8d432fu, 0x17c563dfad8076c3u, 0xd899fe00beb3aa57u, 0x8a6285066d26ddebu,
      0x4cb12c8eaada117fu, 0x42ae01c879cd4513u, 0xaa949243720078a7u, 0x62e5327abf73ac3bu, 0xafc85644a026dfcfu},
     0x9ac4352409cf77d2u,
     0x791ee12d3389e1ebu,
     {00, 06, 044476, 07, 0166000, 0150646, 044476, 0142504},
     0344,
     102400000u,
     0xb4d69f5f924a9c2au,
     0x6fdb8706b530f65du},
};

class DeterminismTest : public test_support::BkRealRomTest, public ::testing::WithParamInterface<Workload> {
protected:
    static std::unique_ptr<Computer> Prototype(ModelKind kind) {
        switch (kind) {
        case ModelKind::Bk0010:
            return std::make_unique<Bk0010Machine>();
        case ModelKind::Bk0010_01:
            return std::make_unique<Bk0010_01Machine>();
        case ModelKind::Bk0010Fdd:
            return std::make_unique<Bk0010FddMachine>();
        case ModelKind::Bk0011m:
            return std::make_unique<Bk0011mMachine>();
        case ModelKind::Bk0011mFdd:
            return std::make_unique<Bk0011mFddMachine>();
        }
        return nullptr;
    }

    // The workload on a fresh machine, into the null output or a hashing one.
    Figures Run(const Workload& workload, bool hashSound) {
        Figures figures;
        const std::unique_ptr<Computer> prototype = Prototype(workload.model);
        BkModelRun run(*prototype, romFolder);
        test_support::TemporaryFolder disks;
        if (workload.disk) {
            const std::u16string path = disks.WriteFile(u"disk.img", DiskImage());
            EXPECT_TRUE(
                run.Machine().Drives()->DriveAt(DriveKind::Floppy, 0)->OpenImage(common::PathString(path.c_str())));
        }
        Hash sound;
        HashingSoundOutput hashing(sound);
        HostSoundOutput null;
        EXPECT_TRUE(run.PowerOn(const_cast<OffscreenRenderer&>(run.Frame()),
                                hashSound ? static_cast<HostSoundOutput&>(hashing) : null));
        Hash frames;
        int64_t frame = 0;
        run.Runner().SetFrameObserver([&] {
            const OffscreenRenderer& screen = run.Frame();
            for (int32_t row = 0; row < screen.GetHeight(); ++row) {
                frames.Add(std::span<const uint32_t>(screen.Row(row), static_cast<size_t>(screen.GetWidth())));
            }
            if (++frame % kFramesPerSecond == 0) {
                figures.seconds.push_back(frames.Value());
            }
        });
        run.RunFrames(workload.bootFrames);
        run.Type(workload.typed);
        EXPECT_LE(frame, kSeconds * kFramesPerSecond) << "the typing outlasts the run";
        run.RunFrames(kSeconds * kFramesPerSecond - frame);
        run.Runner().SetFrameObserver(nullptr);

        if (std::getenv("ZOV_DETERMINISM_RECORD") != nullptr) {
            std::printf("%s", run.Describe(workload.name).c_str());
        }
        const MemoryMap& memory = *run.Machine().Memory();
        Hash ram;
        ram.Add(std::span<const uint8_t>(memory.RamBase(), memory.Size()));
        figures.ram = ram.Value();
        const Cpu1801BM1& cpu = *run.Machine().Cpu();
        figures.registers = cpu.Registers();
        figures.psw = cpu.Psw();
        figures.cycles = cpu.Cycles();
        Hash state;
        const test_support::Bytes saved =
            WithoutPath(test_support::SavedState(run.Machine()), disks.PathOf(u"disk.img"));
        state.Add(std::span<const uint8_t>(saved.data(), saved.size()));
        figures.state = state.Value();
        figures.sound = hashSound ? sound.Value() : 0;
        if (workload.disk) {
            Hash image;
            const std::string bytes = disks.ReadFile(u"disk.img");
            EXPECT_EQ(bytes.substr(2 * kSectorBytes, kSectorBytes), BootSector()) << "the boot sector wrote block 2";
            image.Add(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
            figures.image = image.Value();
        }
        EXPECT_TRUE(run.Lines("[ERROR]").empty());
        return figures;
    }
};

// The figures of a run as recorded: paste the printed rows over kExpected.
void Print(const Workload& workload, const Figures& figures) {
    std::printf("    {\"%s\",\n     {", workload.name);
    for (size_t index = 0; index < figures.seconds.size(); ++index) {
        std::printf("%s0x%016" PRIx64 "u", index % 3 == 0 ? (index == 0 ? "" : ",\n      ") : ", ",
                    figures.seconds[index]);
    }
    std::printf("},\n     0x%016" PRIx64 "u, 0x%016" PRIx64 "u,\n     {", figures.sound, figures.ram);
    for (size_t index = 0; index < figures.registers.size(); ++index) {
        std::printf("%s0%o", index == 0 ? "" : ", ", figures.registers[index]);
    }
    std::printf("}, 0%o, %" PRIu64 "u, 0x%016" PRIx64 "u, 0x%016" PRIx64 "u},\n", figures.psw, figures.cycles,
                figures.state, figures.image);
}

void Compare(const Figures& actual, const Expected& expected, bool withSound) {
    ASSERT_EQ(actual.seconds.size(), expected.seconds.size());
    for (size_t second = 0; second < expected.seconds.size(); ++second) {
        ASSERT_EQ(actual.seconds[second], expected.seconds[second])
            << "the frames differ from second " << second << " on";
    }
    if (withSound) {
        EXPECT_EQ(actual.sound, expected.sound) << "sound";
    }
    EXPECT_EQ(actual.ram, expected.ram) << "RAM";
    EXPECT_EQ(actual.registers, expected.registers) << "registers";
    EXPECT_EQ(actual.psw, expected.psw) << "PSW";
    EXPECT_EQ(actual.cycles, expected.cycles) << "cycles";
    EXPECT_EQ(actual.state, expected.state) << "saved state";
    EXPECT_EQ(actual.image, expected.image) << "disk image";
}

TEST_P(DeterminismTest, RunsAsRecorded) {
    const Workload& workload = GetParam();
    const Figures withSound = Run(workload, true);
    if (std::getenv("ZOV_DETERMINISM_RECORD") != nullptr) {
        Print(workload, withSound);
        return;
    }
    const auto expected = std::find_if(std::begin(kExpected), std::end(kExpected), [&](const Expected& each) {
        return std::string_view(each.name) == workload.name;
    });
    ASSERT_NE(expected, std::end(kExpected));
    Compare(withSound, *expected, true);
    // The null output takes blocks without converting them: the machine must run the same into it.
    Compare(Run(workload, false), *expected, false);
}

INSTANTIATE_TEST_SUITE_P(Models, DeterminismTest, ::testing::ValuesIn(kWorkloads),
                         [](const ::testing::TestParamInfo<Workload>& info) { return info.param.name; });

} // namespace
} // namespace emu
