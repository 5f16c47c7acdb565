#include "AtaMachine.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

// The machine's state and the processor's, which lies outside the machine's tree.
struct MachineState {
    Bytes machine;
    Bytes cpu;
};

MachineState Save(AtaMachine& ata) {
    return {Archived([&ata](common::RecordArchive& archive) { return ata.Machine().SaveState(archive); }),
            Archived([&ata](common::RecordArchive& archive) { return ata.cpu.SaveState(archive); })};
}

bool Load(AtaMachine& ata, const MachineState& state) {
    return ReadsWhole(state.machine,
                      [&ata](common::RecordArchive& archive) { return ata.Machine().LoadState(archive, nullptr); }) &&
           ReadsWhole(state.cpu,
                      [&ata](common::RecordArchive& archive) { return ata.cpu.LoadState(archive, nullptr); });
}

// Everything a host reads from here on: the data of each DRQ phase until the drive stops asking, and the interrupts.
std::string ReadRest(AtaMachine& ata) {
    std::string rest;
    while (ata.WaitFor(0, 0) && (ata.AltStatus() & 0x08) != 0) {
        while ((ata.Read(kControlPort, 1, true) & 0x88) == 0x08) {
            rest += ata.ReadData(2);
        }
        rest += "|" + std::to_string(ata.Raises());
    }
    return rest + "|" + std::to_string(ata.Raises()) + "|" + std::to_string(ata.Status());
}

// Saves the machine, loads the state into a fresh one on the same images, and reads the rest of the transfer from
// both; answers the rest as the first machine read it.
std::string EndsAlikeInAFreshMachine(AtaMachine& ata) {
    const MachineState state = Save(ata);
    AtaMachine fresh({}, &ata);
    fresh.PowerUp();
    EXPECT_TRUE(Load(fresh, state));
    fresh.requests = ata.requests;
    const std::string expected = ReadRest(ata);
    EXPECT_EQ(ReadRest(fresh), expected);
    return expected;
}

TEST(AtaStateTest, ATransferSavedHalfWayEndsAlikeInAFreshMachine) {
    AtaMachine ata;
    ata.PowerUp();
    ata.Write(kSectorCountPort, 4);
    ata.Write(kCommandPort, 0xC6);
    ASSERT_TRUE(ata.WaitFor(0, 0));
    ata.AddressLba(100, 10);
    ata.Write(kCommandPort, 0xC4);
    ASSERT_TRUE(ata.WaitFor(0x08, 0x08));
    ata.ReadData(2048);
    ASSERT_TRUE(ata.WaitFor(0x08, 0x08));
    ata.ReadData(1000);
    EXPECT_EQ(EndsAlikeInAFreshMachine(ata).substr(0, 2048 - 1000), SectorBytes(104, 4).substr(1000));
}

TEST(AtaStateTest, AnAtapiReadSavedBetweenChunksEndsAlikeInAFreshMachine) {
    AtaMachine ata;
    ata.PowerUp();
    ata.Select(1);
    ata.Write(kCylinderLowPort, 0);
    ata.Write(kCylinderHighPort, 0);
    ata.Write(kCommandPort, 0xA0);
    ata.WriteData(std::string("\x28\0\0\0\0\x07\0\0\x03\0\0\0", 12));
    ata.ReadData(3 * 1024 + 100);
    EXPECT_EQ(EndsAlikeInAFreshMachine(ata).substr(0, 924), BlockBytes(8).substr(1024 + 100, 924));
}

TEST(AtaStateTest, APendingInterruptComesInTheFreshMachine) {
    AtaMachine ata;
    ata.PowerUp();
    ata.Write(kCommandPort, 0xFF);
    const MachineState state = Save(ata);
    AtaMachine fresh({}, &ata);
    fresh.PowerUp();
    ASSERT_TRUE(Load(fresh, state));
    fresh.RunMilliseconds(2);
    EXPECT_EQ(fresh.Raises(), 1);
    EXPECT_EQ(fresh.Status(), 0x51);
}

// The value record tag with its value bytes replaced (its type and, for a blob, length kept); the last such record
// when last is set.
Bytes WithValue(Bytes bytes, const std::string& tag, const Bytes& value, bool last = false) {
    const Bytes marker = Concat({{0xF8}, Name(tag)});
    const auto found = last ? std::find_end(bytes.begin(), bytes.end(), marker.begin(), marker.end())
                            : std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
    EXPECT_NE(found, bytes.end()) << tag;
    auto at = found + static_cast<std::ptrdiff_t>(marker.size());
    const uint8_t type = *at++;
    if (type == 0xC0) {
        at += 4;
    }
    std::copy(value.begin(), value.end(), at);
    return bytes;
}

Bytes Without(Bytes bytes, const std::string& tag) {
    const Bytes marker = Concat({{0xF8}, Name(tag)});
    return Bytes(bytes.begin(), std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end()));
}

struct RefusalCase {
    const char* name;
    Bytes state;
};

TEST(AtaStateTest, ADriveStateOutsideItsRangesChangesNothing) {
    AtaMachine ata;
    ata.PowerUp();
    ata.AddressLba(100, 2);
    ata.Write(kCommandPort, 0x20);
    ASSERT_TRUE(ata.WaitFor(0x08, 0x08));
    AtaDrive& drive = ata.Drive(0);
    const Bytes saved = Archived(SavingOwnData(drive));
    ASSERT_TRUE(ReadsWhole(saved, LoadingOwnData(drive)));
    // Elsewhere on the disk, with an empty FIFO: a state taken from it is refused whole.
    ata.ReadData(512);
    ASSERT_TRUE(ata.WaitFor(0x08, 0x08));
    ata.ReadData(512);
    ata.AddressLba(5000, 1);
    ata.Write(kCommandPort, 0x40);
    ASSERT_TRUE(ata.WaitFor(0, 0));
    const Bytes now = Archived(SavingOwnData(drive));

    const RefusalCase cases[] = {
        {"VER 1", WithValue(saved, "VER", {1}, true)},
        {"drive bit 2", WithValue(saved, "RDRI", {2})},
        {"head 16", WithValue(saved, "RHDI", {16})},
        {"negative FIFO", WithValue(saved, "BUFS", LittleEndian<int32_t>(-1))},
        {"FIFO of 131073 bytes", WithValue(saved, "BUFS", LittleEndian<int32_t>(131073))},
        {"FIFO longer than its bytes", WithValue(saved, "BUFS", LittleEndian<int32_t>(513))},
        {"block of 129", WithValue(saved, "MSEC", {129})},
        {"block bytes not whole sectors", WithValue(saved, "MMBT", LittleEndian<int32_t>(100))},
        {"block bytes of 128 sectors", WithValue(saved, "MMBT", LittleEndian<int32_t>(65536))},
        {"negative block bytes", WithValue(saved, "MMBT", LittleEndian<int32_t>(-512))},
        {"byte count 65535", WithValue(saved, "ATAPBS", LittleEndian<uint32_t>(65535))},
        {"empty chunks of a READ", WithValue(WithValue(saved, "ATAPRA", {1}), "ATAPBS", LittleEndian<uint32_t>(0))},
        {"chunks of 16385 bytes", WithValue(WithValue(saved, "ATAPRA", {1}), "ATAPBS", LittleEndian<uint32_t>(16385))},
        {"a READ past the image", WithValue(WithValue(saved, "ATAPRP", LittleEndian<uint32_t>(21307392 - 2048)),
                                            "ATAPRS", LittleEndian<uint32_t>(4096))},
        {"a time of 7 bytes", Concat({Without(saved, "LCMDST"), BlobValue("LCMDST", Bytes(7, 0))})},
        {"cut before LCMDST", Without(saved, "LCMDST")},
        {"cut in the FIFO", Bytes(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(saved.size() / 2))},
        {"nothing", {}},
    };
    for (const RefusalCase& test : cases) {
        EXPECT_FALSE(ReadsWhole(test.state, LoadingOwnData(drive))) << test.name;
        EXPECT_EQ(Archived(SavingOwnData(drive)), now) << test.name;
    }
    // The ranges' own ends load.
    const Bytes edges =
        WithValue(WithValue(WithValue(WithValue(saved, "MSEC", {128}), "MMBT", LittleEndian<int32_t>(65024)), "ATAPBS",
                            LittleEndian<uint32_t>(65534)),
                  "RHDI", {15});
    EXPECT_TRUE(ReadsWhole(edges, LoadingOwnData(drive)));
}

TEST(AtaStateTest, AnEmptyFifoIsSavedWithoutItsBytes) {
    AtaMachine ata;
    ata.PowerUp();
    const Bytes saved = Archived(SavingOwnData(ata.Drive(0)));
    const Bytes bufs = Concat({{0xF8}, Name("BUFS")});
    EXPECT_EQ(std::search(saved.begin(), saved.end(), bufs.begin(), bufs.end()) == saved.end(), false);
    const Bytes bufd = Concat({{0xF8}, Name("BUFD")});
    EXPECT_EQ(std::search(saved.begin(), saved.end(), bufd.begin(), bufd.end()), saved.end());
    const Bytes tail = Concat({BoolValue("MMOD", false), {0xF8}, Name("LCMDST")});
    EXPECT_NE(std::search(saved.begin(), saved.end(), tail.begin(), tail.end()), saved.end());
}

TEST(AtaStateTest, AControllerStateOutsideItsRangesChangesNothing) {
    AtaMachine ata;
    ata.PowerUp();
    AtaController& controller = ata.Controller();
    ata.Select(1);
    const Bytes saved = Archived(SavingOwnData(controller));
    ata.Select(0);
    ata.Write(kControlPort, 0x04);
    const Bytes now = Archived(SavingOwnData(controller));
    const RefusalCase cases[] = {
        {"VER 1", WithValue(saved, "VER", {1}, true)},
        {"drive 2", WithValue(saved, "DRID", {2})},
        {"cached drive 3", WithValue(saved, "DIDX", {3})},
        {"cached drive not the selected one", WithValue(saved, "DIDX", {1})},
        {"cut", Without(saved, "SWDR")},
    };
    for (const RefusalCase& test : cases) {
        EXPECT_FALSE(ReadsWhole(test.state, LoadingOwnData(controller))) << test.name;
        EXPECT_EQ(Archived(SavingOwnData(controller)), now) << test.name;
    }
    EXPECT_TRUE(ReadsWhole(WithValue(saved, "DIDX", {0}), LoadingOwnData(controller)));
    EXPECT_TRUE(ReadsWhole(saved, LoadingOwnData(controller)));
    EXPECT_EQ(controller.SelectedIndex(), 1);

    AtaMachine alone({.drive0 = Media::Disk, .drive1 = Media::None});
    alone.PowerUp();
    EXPECT_FALSE(ReadsWhole(saved, LoadingOwnData(alone.Controller())));
    EXPECT_TRUE(ReadsWhole(WithValue(saved, "DIDX", {0}), LoadingOwnData(alone.Controller())));
}

} // namespace
} // namespace emu
