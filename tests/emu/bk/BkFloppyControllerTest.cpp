// The floppy controller's register view: selection, motor, stepping, heads, marker search, the encoded track and
// its index timing, geometry by image size, media changes and state.
#include "emu/bk/BkFloppyController.h"

#include "FloppyRun.h"
#include "common/BasicOptionNode.h"
#include "emu/core/BusService.h"
#include "emu/core/Device.h"
#include "emu/devices/DiskDrive.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Words = std::vector<uint16_t>;

// The raw track of (cylinder, head) of an image made by RawImage, built from the track format's table.
Words ExpectedTrack(size_t cylinder, size_t head) {
    Words track;
    const auto append = [&track](size_t count, uint16_t word) { track.insert(track.end(), count, word); };
    for (size_t sector = 0; sector < 10; ++sector) {
        append(18, 0x4E4E);
        append(6, 0);
        append(1, 0xA1A1);
        append(1, 0xA1FE);
        append(1, static_cast<uint16_t>(cylinder << 8 | head));
        append(1, static_cast<uint16_t>((sector + 1) << 8 | 2));
        append(16, 0x4E4E);
        append(6, 0);
        append(1, 0xA1A1);
        append(1, 0xA1FB);
        for (size_t k = 0; k < kSectorBytes; k += 2) {
            append(1, static_cast<uint16_t>(PatternByte(cylinder, head, sector, k) << 8 |
                                            PatternByte(cylinder, head, sector, k + 1)));
        }
    }
    append(3200 - track.size(), 0x4E4E);
    return track;
}

struct ControlCase {
    const char* name;
    std::vector<uint16_t> writes;
    uint16_t state;
    int32_t selected;
    uint64_t cylinder;
};

TEST(BkFloppyControllerTest, ControlWritesSelectSpinStepAndReportState) {
    const ControlCase cases[] = {
        {"drive 0 on both select lines", {0x0003}, 0x4002, 0, 0},
        {"the lower of the second lines wins", {0x000C}, 0x4002, 0, 0},
        {"drive 1 on the second line", {0x0008}, 0x4002, 1, 0},
        {"drive 1 on the first line", {0x0006}, 0x4002, 1, 0},
        {"no select bit", {0x0001, 0x0000}, 0x0000, -1, 0},
        {"selected, motor off, on cylinder 0", {0x0001}, 0x4002, 0, 0},
        {"motor on at cylinder 0", {0x0011}, 0x4083, 0, 0},
        {"step up stops at cylinder 79", std::vector<uint16_t>(100, 0x00D1), 0x4082, 0, 79},
        {"step up on 40 cylinders stops at 39", std::vector<uint16_t>(60, 0x00D2), 0x4082, 1, 39},
        {"step down at cylinder 0 stays", {0x0011, 0x0091, 0x0091}, 0x4083, 0, 0},
        {"step up, then down", {0x00D1, 0x00D1, 0x00D1, 0x0091}, 0x4082, 0, 2},
    };
    for (const ControlCase& test : cases) {
        SCOPED_TRACE(test.name);
        FloppyRun run;
        ASSERT_TRUE(run.PowerOn());
        for (const uint16_t value : test.writes) {
            run.Control(value);
        }
        EXPECT_EQ(run.State(), test.state);
        EXPECT_EQ(run.Fdc().SelectedIndex(), test.selected);
        if (test.selected >= 0) {
            EXPECT_EQ(run.Drive(test.selected).CylinderIndex(), test.cylinder);
        }
    }
}

TEST(BkFloppyControllerTest, ByteAccessesAndTheDataLatch) {
    FloppyRun run;
    ASSERT_TRUE(run.PowerOn());
    run.Control(0x0011);
    EXPECT_EQ(run.Data(), 0x4E4E) << "the first word of the track";
    run.Memory().WriteByte(0177130, 0x00);
    run.Memory().WriteByte(0177131, 0x00);
    EXPECT_EQ(run.State(), 0x4083) << "byte writes reach no register";
    EXPECT_EQ(run.Memory().ReadByte(0177130, 0), 0x83);
    EXPECT_EQ(run.Memory().ReadByte(0177131, 0), 0x40);
    EXPECT_EQ(run.Memory().ReadByte(0177132, 0), 0);
    EXPECT_EQ(run.State(), 0x0003) << "a byte read of the data register clears Data and CRCWriting";
    EXPECT_EQ(run.Fdc().TrackPosition(), 1);
    run.Memory().WriteWord(0177132, 01234);
    run.Memory().WriteByte(0177133, 7);
    EXPECT_EQ(run.Fdc().DataLatch(), 01234);
    EXPECT_EQ(run.Fdc().Track(), ExpectedTrack(0, 0)) << "the latch goes nowhere else";
    EXPECT_EQ(run.Memory().ReadWord(0177131, 0), 0x0003) << "a word access at the odd address is the word's";
}

TEST(BkFloppyControllerTest, TheEncodedTrackFollowsHeadAndCylinder) {
    FloppyRun run;
    ASSERT_TRUE(run.PowerOn());
    run.Control(0x0011);
    EXPECT_EQ(run.Fdc().Track(), ExpectedTrack(0, 0));
    run.Control(0x0031);
    EXPECT_EQ(run.Fdc().Track(), ExpectedTrack(0, 1));
    run.Control(0x00F1, 5);
    EXPECT_EQ(run.Fdc().Track(), ExpectedTrack(5, 1));
    EXPECT_EQ(run.Fdc().TrackPosition(), 0);
    run.Control(0x0092);
    EXPECT_EQ(run.Fdc().SelectedIndex(), 1);
    EXPECT_EQ(run.Fdc().Track(), ExpectedTrack(0, 0)) << "drive 1 spins up on its own cylinder 0";
}

TEST(BkFloppyControllerTest, AMarkerSearchStopsOnTheSyncWord) {
    FloppyRun run;
    ASSERT_TRUE(run.PowerOn());
    run.Control(0x00D1, 3);
    run.Control(0x0131);
    run.Control(0x0031);
    EXPECT_EQ(run.State() & 0x0080, 0x0080);
    EXPECT_EQ(run.Data(), 0xA1A1);
    EXPECT_EQ(run.Data(), 0xA1FE);
    EXPECT_EQ(run.Data(), 0x0301) << "cylinder 3, head 1";
    EXPECT_EQ(run.Data(), 0x0102) << "sector 1, 512 bytes";
    // The next search finds the data mark, then the next sector's ID.
    run.Control(0x0131);
    run.Control(0x0031);
    EXPECT_EQ(run.Data(), 0xA1A1);
    EXPECT_EQ(run.Data(), 0xA1FB);
    EXPECT_EQ(run.Data(), PatternByte(3, 1, 0, 0) << 8 | PatternByte(3, 1, 0, 1));
    // Without the falling edge of bit 8 nothing is searched.
    const int32_t position = run.Fdc().TrackPosition();
    run.Control(0x0031);
    EXPECT_EQ(run.Fdc().TrackPosition(), position);
    // Past the last sync word the search ends at the track's end, without Data.
    while (run.Fdc().TrackPosition() < 9 * 308 + 51) {
        run.Data();
    }
    run.Control(0x0131);
    run.Control(0x0031);
    EXPECT_EQ(run.Fdc().TrackPosition(), 3200);
    EXPECT_EQ(run.State() & 0x0080, 0);
}

TEST(BkFloppyControllerTest, StateReadsAreTraced) {
    FloppyRun run;
    ASSERT_TRUE(run.PowerOn());
    run.SetSwitch("TraceReadSTATE", true);
    run.SetSwitch("TraceWriteCTRL", true);
    run.SetSwitch("TraceReadDATA", true);
    run.SetSwitch("TraceWriteDATA", true);
    run.Control(0x0011);
    run.State();
    run.Memory().ReadByte(0177130, 0);
    run.Memory().ReadByte(0177131, 0);
    run.Data();
    run.Memory().WriteWord(0177132, 0x1234);
    run.Memory().ReadWord(0177130, 1);
    const std::vector<std::string> expected = {
        "[FDC] >CTRLReg = 0011h",
        "[FDC] <STATEReg = 4083h (Data=True , DrvReady=True , ZeroTrack=True , R/O=False, Hole=False, "
        "CRCWriting=True )",
        "[FDC] <STATERegLow = 83h (Data=True , DrvReady=True , ZeroTrack=True , R/O=False)",
        "[FDC] <STATERegHigh = 40h (Hole=False, CRCWriting=True )",
        "[FDC] <DATAReg = 4E4Eh",
        "[FDC] >DATAReg = 1234h",
    };
    EXPECT_EQ(run.Lines("[FDC"), expected) << "a peek prints nothing";
}

TEST(BkFloppyControllerTest, TheTrackRunsOutAndTheIndexHoleRewindsIt) {
    FloppyRun run;
    ASSERT_TRUE(run.PowerOn());
    run.Control(0x0011);
    for (int32_t word = 0; word < 3200; ++word) {
        run.Data();
    }
    EXPECT_EQ(run.State() & 0xC080, 0x4080);
    EXPECT_EQ(run.Data(), 0) << "read 3201";
    EXPECT_EQ(run.State() & 0xC080, 0);
    // Once a second the hole shows, and within 10 ms it is gone and the track starts over.
    const int32_t second = test_support::SliceRunner::kBusRate;
    ASSERT_TRUE(run.runner.RunUntil([&run] { return (run.State() & 0x8000) != 0; }, second + 10));
    EXPECT_GT(run.runner.Slices(), second - 10);
    EXPECT_EQ(run.Fdc().TrackPosition(), 3200);
    ASSERT_TRUE(run.runner.RunUntil([&run] { return (run.State() & 0x8000) == 0; }, second / 100 + 2));
    EXPECT_EQ(run.Fdc().TrackPosition(), 0);
    EXPECT_EQ(run.Data(), 0x4E4E);

    const auto events = [&run] {
        int32_t count = 0;
        for (int32_t index = 0; index < run.machine.Bus()->EventCount(); ++index) {
            const char* name = run.machine.Bus()->EventAt(index)->name;
            count += name != nullptr && (std::string(name) == "MarkerEvent" || std::string(name) == "RotateEvent");
        }
        return count;
    };
    EXPECT_EQ(events(), 2);
    run.Control(0x0001);
    run.runner.RunSlices(second + 10);
    EXPECT_EQ(events(), 0) << "the events of the earlier motor-on end at their next firing";
    EXPECT_EQ(run.State() & 0x8000, 0);
    run.Control(0x0011);
    EXPECT_EQ(events(), 2);
}

TEST(BkFloppyControllerTest, GeometryComesFromTheImageSize) {
    struct SizeCase {
        size_t size;
        bool ready;
        uint64_t cylinders;
    };
    for (const SizeCase& test :
         {SizeCase{819200, true, 80}, SizeCase{719872, true, 80}, SizeCase{726964, true, 80},
          SizeCase{409600, true, 40}, SizeCase{819201, false, 0}, SizeCase{1474560, false, 0}, SizeCase{0, false, 0}}) {
        SCOPED_TRACE(test.size);
        FloppyRun run({RawImage(test.size)});
        ASSERT_TRUE(run.PowerOn());
        EXPECT_EQ(run.Drive(0).IsReady(), test.ready);
        EXPECT_EQ(run.Drive(0).Cylinders(), test.cylinders);
        run.Control(0x0011);
        EXPECT_EQ(run.Fdc().SelectedIndex(), test.ready ? 0 : -1);
        EXPECT_EQ(run.State(), test.ready ? 0x4083 : 0);
    }
    FloppyRun run;
    uint64_t cylinders = 80, heads = 2, sectors = 10, size = 512;
    EXPECT_TRUE(run.Fdc().GeometryFromSize(0, true, cylinders, heads, sectors, size));
    sectors = 18;
    EXPECT_FALSE(run.Fdc().GeometryFromSize(0, true, cylinders, heads, sectors, size));
    sectors = 10, cylinders = 40;
    EXPECT_FALSE(run.Fdc().GeometryFromSize(0, true, cylinders, heads, sectors, size));
    EXPECT_FALSE(run.Fdc().GeometryFromSize(2, false, cylinders, heads, sectors, size));
}

// The guest sees only a drive that is not ready; the console says why, once for each mount of such an image.
TEST(BkFloppyControllerTest, AnImageOfASizeNoGeometryTakesIsToldOnceAMount) {
    FloppyRun run({RawImage(kFullImage), RawImage(kHalfImage - 1)});
    ASSERT_TRUE(run.PowerOn());
    const std::string line = "[FDD_1 ERROR] Incorrect file \"" +
                             std::string(run.machine.Slot(1)->ImagePath().GetNarrow()) +
                             "\" size 409599 (need 409600 or 819200)!";
    EXPECT_EQ(run.Lines("[FDD_"), std::vector<std::string>{line});
    EXPECT_FALSE(run.Drive(1).IsReady());
    run.machine.Slot(1)->SetLatch(false);
    run.machine.Slot(1)->SetLatch(true);
    EXPECT_EQ(run.Lines("[FDD_"), std::vector<std::string>{line}) << "the latch is no new mount";
    run.Mount(1, RawImage(kHalfImage - 1));
    EXPECT_EQ(run.Lines("[FDD_"), (std::vector<std::string>{line, line}));
    run.Mount(1, RawImage(kHalfImage));
    run.machine.Slot(0)->EjectImage();
    EXPECT_EQ(run.Lines("[FDD_").size(), 2u) << "images that fit, and an empty drive, are not told";
}

TEST(BkFloppyControllerTest, DataAnImageCannotSupplyKeepsTheGapWords) {
    FloppyRun run({RawImage(719872)});
    ASSERT_TRUE(run.PowerOn());
    // 719872 bytes hold 1406 sectors: cylinder 70, head 0 has 6 of its 10.
    run.Control(0x00D1, 70);
    const Words& track = run.Fdc().Track();
    Words expected = ExpectedTrack(70, 0);
    for (size_t sector = 6; sector < 10; ++sector) {
        std::fill_n(expected.begin() + static_cast<int64_t>(sector * 308 + 52), 256, 0x4E4E);
    }
    EXPECT_EQ(track, expected);
    EXPECT_EQ(run.State() & 0x0002, 0x0002);
}

// A drive is told apart from the other by the track it serves: every change of the selection, and of its medium,
// is seen in the register view.
TEST(BkFloppyControllerTest, TheViewNeverServesAnotherOrARemovedDisk) {
    FloppyRun run;
    ASSERT_TRUE(run.PowerOn());
    run.Control(0x0011);
    run.Control(0x00D2, 2);
    EXPECT_EQ(run.Fdc().Track(), ExpectedTrack(2, 0));
    run.Control(0x0011);
    EXPECT_EQ(run.Fdc().SelectedIndex(), 0);
    EXPECT_EQ(run.Fdc().Track(), ExpectedTrack(0, 0)) << "switching between two spinning drives";
    run.Control(0x0012);
    EXPECT_EQ(run.Fdc().Track(), ExpectedTrack(2, 0));
    run.Data();

    std::string other = RawImage(kFullImage);
    other[2 * 10 * kSectorBytes * 2 + 5] = 0x55;
    run.Mount(1, other, u"c.img");
    EXPECT_EQ(run.Fdc().SelectedIndex(), -1) << "a media change ends the selection";
    EXPECT_TRUE(run.Fdc().Track().empty());
    EXPECT_EQ(run.State(), 0);
    EXPECT_EQ(run.Data(), 0);
    run.Control(0x0012);
    EXPECT_EQ(run.Fdc().SelectedIndex(), 1);
    EXPECT_EQ(run.Drive(1).CylinderIndex(), 0u);
    EXPECT_EQ(run.Fdc().Track(), ExpectedTrack(0, 0));
    run.Control(0x00D2);
    run.Control(0x00D2);
    EXPECT_EQ(run.Fdc().Track()[52 + 2], 0x0055 | PatternByte(2, 0, 0, 4) << 8) << "the new disk's bytes";

    run.machine.Slot(1)->EjectImage();
    EXPECT_EQ(run.Fdc().SelectedIndex(), -1);
    run.Control(0x0012);
    EXPECT_EQ(run.Fdc().SelectedIndex(), -1) << "an empty drive is not ready";
    EXPECT_EQ(run.State(), 0);
}

// ---- Settings

// The captions of the items below node, a level deeper indented by two spaces, separators as "-".
void Captions(const common::OptionNode& node, const std::string& indent, std::vector<std::string>& out) {
    for (int32_t index = 0; index < node.ChildCount(); ++index) {
        const common::OptionNode* child = node.ChildAt(index);
        out.push_back(indent + (child->IsSeparator() ? std::string("-") : child->Text().GetNarrow()));
        Captions(*child, indent + "  ", out);
    }
}

TEST(BkFloppyControllerTest, TheTwelveSwitchesAndTheirMenu) {
    FloppyRun run;
    common::SettingsTree settings;
    ASSERT_TRUE(run.Fdc().ExchangeSettings(&settings, false));
    const char* const keys[] = {"TraceReadSTATE",   "BreakReadSTATE",   "TraceWriteCTRL",    "BreakWriteCTRL",
                                "TraceReadDATA",    "BreakReadDATA",    "TraceWriteDATA",    "BreakWriteDATA",
                                "TraceReadSectors", "BreakReadSectors", "TraceWriteSectors", "BreakWriteSectors"};
    for (const char* key : keys) {
        common::BoundValue* value = settings.FindValue(common::NarrowString(key));
        ASSERT_NE(value, nullptr) << key;
        bool on = true;
        EXPECT_TRUE(value->GetBool(on) && !on) << key;
    }

    common::BasicOptionNode root;
    run.Fdc().FillSettingsTree(&root, OptionKind::Trace);
    std::vector<std::string> menu;
    Captions(root, "", menu);
    const std::vector<std::string> submenu = {"    -", "    Select All", "    Clear All"};
    std::vector<std::string> expected = {"  Trace Registers", "    Trace Write Control Reg", "    Trace Read State Reg",
                                         "    Trace Write Data Reg", "    Trace Read Data Reg"};
    const auto append = [&expected](std::initializer_list<std::vector<std::string>> parts) {
        for (const std::vector<std::string>& part : parts) {
            expected.insert(expected.end(), part.begin(), part.end());
        }
    };
    append({submenu,
            {"  Trace Driver", "    Trace Read Sectors", "    Trace Write Sectors"},
            submenu,
            {"  Trace All", "  -", "  Break On Registers", "    Break On Write Control Reg",
             "    Break On Read State Reg", "    Break On Write Data Reg", "    Break On Read Data Reg"},
            submenu,
            {"  Break On Driver", "    Break On Read Sectors", "    Break On Write Sectors"},
            submenu,
            {"  Break All", "  -", "  Select All", "  Clear All"}});
    for (std::string& line : expected) {
        line = line.substr(2);
    }
    EXPECT_EQ(menu, expected);

    // "Select All" sets every switch, "Break All" only the break switches.
    auto* selectAll = const_cast<common::OptionNode*>(root.ChildAt(root.ChildCount() - 2));
    selectAll->Activate();
    for (const char* key : keys) {
        bool on = false;
        EXPECT_TRUE(settings.FindValue(common::NarrowString(key))->GetBool(on) && on) << key;
    }
}

// ---- State

TEST(BkFloppyControllerTest, AStateComesBackWithItsTrackPositionAndEvents) {
    FloppyRun saved;
    ASSERT_TRUE(saved.PowerOn());
    saved.Control(0x0011);
    saved.Control(0x00F1, 4);
    for (int32_t word = 0; word < 100; ++word) {
        saved.Data();
    }
    saved.runner.RunSlices(500);
    const Bytes state = SavedState(saved.machine);
    const int64_t savedAt = saved.runner.Slices();

    FloppyRun loaded;
    ASSERT_TRUE(loaded.PowerOn());
    ASSERT_TRUE(LoadState(loaded.machine, state));
    const int64_t loadedAt = loaded.runner.Slices();
    EXPECT_EQ(loaded.Fdc().SelectedIndex(), 0);
    EXPECT_EQ(loaded.Fdc().Control(), saved.Fdc().Control());
    EXPECT_EQ(loaded.Fdc().State(), saved.Fdc().State());
    EXPECT_EQ(loaded.Fdc().Track(), ExpectedTrack(4, 1));
    EXPECT_EQ(loaded.Fdc().TrackPosition(), 100) << "a program reading the track resumes at its word";
    EXPECT_EQ(loaded.Data(), saved.Data());
    // The marker and rotate events found their controller by name: the hole comes at the same moment.
    const int32_t second = test_support::SliceRunner::kBusRate;
    ASSERT_TRUE(saved.runner.RunUntil([&saved] { return (saved.State() & 0x8000) != 0; }, second));
    ASSERT_TRUE(loaded.runner.RunUntil([&loaded] { return (loaded.State() & 0x8000) != 0; }, second));
    EXPECT_EQ(loaded.runner.Slices() - loadedAt, saved.runner.Slices() - savedAt);
    ASSERT_TRUE(loaded.runner.RunUntil([&loaded] { return (loaded.State() & 0x8000) == 0; }, second / 100 + 2));
    EXPECT_EQ(loaded.Fdc().TrackPosition(), 0);
}

Bytes ControllerRecords(uint8_t version, uint8_t drive, uint16_t state, int16_t position, int16_t length) {
    return Concat({U8Value("VER", version), U8Value("DIDX", drive), U16Value("CTLR", 0x0011), U16Value("STSR", state),
                   U16Value("DATR", 0x1234), I64Value("TROT", 5), I64Value("TMRK", 5), I16Value("TRBP", position),
                   I16Value("TRBS", length)});
}

TEST(BkFloppyControllerTest, ABadChunkIsRefusedWhole) {
    FloppyRun run;
    ASSERT_TRUE(run.PowerOn());
    run.Control(0x0011);
    run.Control(0x00D1);
    run.Data();
    const Bytes own = Archived(SavingOwnData(run.Fdc()));
    const Bytes records = ControllerRecords(0, 1, 0x4083, 1, 3200);
    ASSERT_GE(own.size(), records.size());
    const Bytes head(own.begin(), own.end() - static_cast<int64_t>(records.size()));
    ASSERT_TRUE(ReadsWhole(Concat({head, records}), LoadingOwnData(run.Fdc()))) << "the layout the cases change";

    struct BadCase {
        const char* name;
        Bytes records;
    };
    const Bytes good = ControllerRecords(0, 1, 0x4082, 7, 3200);
    const BadCase cases[] = {
        {"version 1", ControllerRecords(1, 1, 0x4082, 7, 3200)},
        {"drive above the drive count", ControllerRecords(0, 3, 0x4082, 7, 3200)},
        {"a state bit the controller never sets", ControllerRecords(0, 1, 0x4086, 7, 3200)},
        {"a part of a track", ControllerRecords(0, 1, 0x4082, 7, 100)},
        {"a position past the track", ControllerRecords(0, 1, 0x4082, 3201, 3200)},
        {"a negative position", ControllerRecords(0, 1, 0x4082, -1, 3200)},
        {"cut short", Bytes(good.begin(), good.end() - 3)},
        {"a record of another type",
         Concat({Bytes(good.begin(), good.end() - static_cast<int64_t>(I16Value("TRBS", 0).size())),
                 I32Value("TRBS", 3200)})},
    };
    for (const BadCase& test : cases) {
        SCOPED_TRACE(test.name);
        FloppyRun target;
        ASSERT_TRUE(target.PowerOn());
        target.Control(0x0012);
        target.Data();
        const Bytes before = Archived(SavingOwnData(target.Fdc()));
        EXPECT_FALSE(ReadsWhole(Concat({head, test.records}), LoadingOwnData(target.Fdc())));
        EXPECT_EQ(Archived(SavingOwnData(target.Fdc())), before);
        EXPECT_EQ(target.Fdc().Track(), ExpectedTrack(0, 0));
    }
}

// A state naming a drive whose disk is gone loads with no selection: nothing is encoded without a track.
TEST(BkFloppyControllerTest, AStateNamingADriveThatIsNotReadyLoadsWithoutSelection) {
    FloppyRun saved;
    ASSERT_TRUE(saved.PowerOn());
    saved.Control(0x0012);
    saved.Data();
    const Bytes own = Archived(SavingOwnData(saved.Fdc()));

    FloppyRun loaded({RawImage(kFullImage)});
    ASSERT_TRUE(loaded.PowerOn());
    ASSERT_TRUE(ReadsWhole(own, LoadingOwnData(loaded.Fdc())));
    EXPECT_EQ(loaded.Fdc().SelectedIndex(), -1);
    EXPECT_TRUE(loaded.Fdc().Track().empty());
    EXPECT_EQ(loaded.State(), 0);
    loaded.Mount(1, RawImage(kHalfImage));
    loaded.Control(0x0012);
    EXPECT_EQ(loaded.Fdc().SelectedIndex(), 1);
    EXPECT_EQ(loaded.Fdc().Track(), ExpectedTrack(0, 0));
}

} // namespace
} // namespace emu
