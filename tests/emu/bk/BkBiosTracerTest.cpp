// The BIOS call tracer on a BK test machine whose processor executes EMTs; the EMT vector leads to a routine that
// counts the traps taken.
#include "emu/bk/BkBiosTracer.h"

#include "BkRun.h"
#include "OptionMenu.h"
#include "common/BasicOptionNode.h"
#include "common/SettingsTree.h"
#include "emu/bk/Bk0010Machine.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

constexpr uint16_t kProgram = 02000;
constexpr uint16_t kEmtRoutine = 03000;
constexpr uint16_t kTrapCount = 04000;
// MOV #n, R0; EMT code.
constexpr uint16_t kMoveToR0 = 012700;
constexpr uint16_t kEmt = 0104000;
constexpr uint16_t kIncrement = 005237;
constexpr uint16_t kRti = 000002;

// The core's way with breaks: the instruction that asked is abandoned and runs again on resuming, and the machine
// never breaks twice in a row at one address.
struct CoreLikeHost {
    static int32_t OnBreak(void* context, uint8_t* request, uint8_t* show, int32_t code) {
        auto* host = static_cast<CoreLikeHost*>(context);
        if (code != 0) {
            *show = 1;
            return 0;
        }
        const uint32_t pc = host->cpu->GetPC();
        if (host->breaks > 0 && pc == host->lastPc) {
            *show = 0;
            return 0;
        }
        host->lastPc = pc;
        ++host->breaks;
        *show = 0;
        host->cpu->RaiseBusFault();
        return *request != 0 ? *request : 1;
    }

    CpuInterface* cpu = nullptr;
    uint32_t lastPc = 0;
    int32_t breaks = 0;
};

template <typename Tracer>
struct TracerRun : BkRun {
    TracerRun() {
        auto owned = std::make_unique<Tracer>();
        tracer = owned.get();
        machine.AddChild(std::move(owned));
        EXPECT_TRUE(PowerOn());
        machine.Load(030, {kEmtRoutine, 0});
        machine.Load(kEmtRoutine, {kIncrement, kTrapCount, kRti});
        host.cpu = machine.FirstCpu();
        machine.SetHostCallback(CoreLikeHost::OnBreak, &host);
    }

    // Runs MOV #r0, R0; EMT code; BR . and answers the console lines of the tracer.
    std::vector<std::string> Emt(uint8_t code, uint16_t r0 = 0) {
        console.ClearLines();
        machine.Load(kProgram, {kMoveToR0, r0, static_cast<uint16_t>(kEmt | code), kBranchToSelf});
        machine.Enter(kProgram);
        runner.RunCycles(2000);
        if (host.breaks > 0) {
            runner.RunCycles(2000);
        }
        std::vector<std::string> lines = Lines("BIOS");
        for (const std::string& line : Lines("BIOS BREAK")) {
            lines.push_back(line);
        }
        return lines;
    }
    uint16_t TrapsTaken() const { return machine.Word(kTrapCount); }

    Tracer* tracer = nullptr;
    CoreLikeHost host;
};

TEST(BkBiosTracerTest, TheBk0010TracerNamesServicesAndVideoCodes) {
    struct Case {
        uint8_t code;
        uint16_t r0;
        int32_t traced;
        std::string line;
    };
    const std::vector<Case> cases = {
        {016, 000014, 016,
         "[BIOS] EMT 016 - Send Code to Video Driver (R0=14, CLEAR - clear screen, move cursor to left-top)"},
        {016, 000401, 016, "[BIOS] EMT 016 - Send Code to Video Driver (R0=1, unknown)"},
        {016, 000020, 016, "[BIOS] EMT 016 - Send Code to Video Driver (R0=20, unknown)"},
        {016, 000021, 016, "[BIOS] EMT 016 - Send Code to Video Driver (R0=21, alpha-num)"},
        {016, 000101, 016, "[BIOS] EMT 016 - Send Code to Video Driver (R0=101, alpha-num)"},
        {016, 000377, 016, "[BIOS] EMT 016 - Send Code to Video Driver (R0=377, alpha-num)"},
        {016, 000233, 016, "[BIOS] EMT 016 - Send Code to Video Driver (R0=233, 32/64 symbols per line)"},
        {020, 0, 020, "[BIOS] EMT 020 - Print String on Screen"},
        {036, 0, 036, "[BIOS] EMT 036 - Tape Recorder Services"},
        {002, 0, BkBiosTracer::kUnknown, "[BIOS] EMT 002 - (unknown)"},
        {0377, 0, BkBiosTracer::kUnknown, "[BIOS] EMT 377 - (unknown)"},
        {002, 0, 002, ""},
        {020, 0, 022, ""},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.line);
        TracerRun<Bk0010BiosTracer> run;
        run.tracer->TraceFlag(each.traced) = true;
        const std::vector<std::string> lines = run.Emt(each.code, each.r0);
        EXPECT_EQ(lines, each.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{each.line});
        EXPECT_EQ(run.TrapsTaken(), 1);
    }
}

TEST(BkBiosTracerTest, TheBosTracerNamesItsOwnServicesAndDecodesNoVideoCodes) {
    struct Case {
        uint8_t code;
        std::string line;
    };
    // EMT 036 is the firmware's own: traced, then the trap is taken.
    const std::vector<Case> cases = {
        {016, "[BIOS] EMT 016 - Write Word to Active Memory Page (.BPUTW)"},
        {0101, "[BIOS] EMT 101 - Make Sound (.BSOUN)"},
        {036, "[BIOS] EMT 036 - Edit Existing String (.BEDIT)"},
        {005, ""},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.line);
        TracerRun<Bk0011mBosTracer> run;
        for (const int32_t traced : {000, 016, 036, 0101}) {
            run.tracer->TraceFlag(traced) = true;
        }
        EXPECT_EQ(run.Emt(each.code, 014),
                  each.line.empty() ? std::vector<std::string>{} : std::vector<std::string>{each.line});
        EXPECT_EQ(run.TrapsTaken(), 1);
        EXPECT_TRUE(run.tracer->IsBos());
        EXPECT_EQ(run.tracer->ServeTapeEmt(run.machine.FirstCpu(), nullptr), 0U);
    }
}

// A break keeps the trap from being taken; the processor runs the EMT again on resuming and takes it then, once.
TEST(BkBiosTracerTest, ABreakDefersTheTrapToTheResume) {
    TracerRun<Bk0010BiosTracer> run;
    run.tracer->BreakFlag(BkBiosTracer::kUnknown) = true;
    EXPECT_EQ(run.Emt(002), std::vector<std::string>{"[BIOS BREAK] EMT 002 - (unknown)"});
    EXPECT_EQ(run.host.breaks, 1);
    EXPECT_EQ(run.TrapsTaken(), 1);
    EXPECT_EQ(run.machine.Cpu()->Register(7), kProgram + 6);
}

TEST(BkBiosTracerTest, OnlyEmtTrapsWithAProcessorAreTraced) {
    TracerRun<Bk0010BiosTracer> run;
    run.tracer->TraceFlag(BkBiosTracer::kUnknown) = true;
    uint64_t cycles = 0;
    EXPECT_EQ(run.tracer->TraceEmt(7, 002, run.machine.FirstCpu(), &cycles), 0U);
    EXPECT_EQ(run.tracer->TraceEmt(6, 002, nullptr, &cycles), 0U);
    EXPECT_TRUE(run.Lines("BIOS").empty());
    EXPECT_STREQ(Bk0010BiosTracer::VideoCodeName(0214), "16Kb/4Kb video RAM, normal/extended main RAM");
    EXPECT_EQ(run.tracer->CallName(000), nullptr);
    EXPECT_STREQ(run.tracer->CallName(050), "Receive Array from Serial Line");
    EXPECT_TRUE(run.machine.Reset(false));
    EXPECT_TRUE(run.tracer->TraceFlag(BkBiosTracer::kUnknown));
}

TEST(BkBiosTracerTest, TheMenuGroupsTheServicesAndSetsThemByGroupOrAll) {
    Bk0010BiosTracer tracer;
    common::BasicOptionNode root;
    tracer.FillSettingsTree(&root, OptionKind::Trace);
    std::vector<std::string> captions;
    Captions(root, "", captions);
    const std::vector<std::string> top = {"Trace Keyboard",
                                          "Trace Video",
                                          "Trace Serial Line",
                                          "Trace Tape Recorder",
                                          "Trace Other",
                                          "Trace All",
                                          "-",
                                          "Break On Keyboard",
                                          "Break On Video",
                                          "Break On Serial Line",
                                          "Break On Tape Recorder",
                                          "Break On Other",
                                          "Break On All",
                                          "-",
                                          "Select All",
                                          "Clear All"};
    std::vector<std::string> shownTop;
    for (const std::string& caption : captions) {
        if (caption.rfind("  ", 0) != 0) {
            shownTop.push_back(caption);
        }
    }
    EXPECT_EQ(shownTop, top);
    const std::vector<std::string> other = {"  EMT 014  -  Init ROM Drivers", "  (unknown)", "  -", "  Trace All",
                                            "  Clear All"};
    const auto otherAt = std::find(captions.begin(), captions.end(), "Trace Other");
    ASSERT_NE(otherAt, captions.end());
    EXPECT_EQ(std::vector<std::string>(otherAt + 1, otherAt + 6), other);
    EXPECT_NE(std::find(captions.begin(), captions.end(), "  EMT 036  -  Tape Recorder Services"), captions.end());

    // A group's "Trace All" sets its own flags; the group and the root show checked while any of them is.
    common::OptionNode* video = Item(root, {"Trace Video"});
    ASSERT_NE(video, nullptr);
    EXPECT_FALSE(video->IsChecked());
    ASSERT_TRUE(Item(root, {"Trace Video", "Trace All"})->Activate());
    for (int32_t number = 016; number <= 034; number += 2) {
        EXPECT_TRUE(tracer.TraceFlag(number)) << number;
    }
    EXPECT_FALSE(tracer.TraceFlag(014));
    EXPECT_FALSE(tracer.BreakFlag(016));
    EXPECT_TRUE(video->IsChecked());
    EXPECT_TRUE(root.IsChecked());

    ASSERT_TRUE(Item(root, {"Trace All"})->Activate());
    ASSERT_TRUE(Item(root, {"Break On All"})->Activate());
    for (int32_t index = 0; index < BkBiosTracer::kFlags; ++index) {
        EXPECT_TRUE(tracer.TraceFlag(index) && tracer.BreakFlag(index)) << index;
    }
    ASSERT_TRUE(Item(root, {"Clear All"})->Activate());
    for (int32_t index = 0; index < BkBiosTracer::kFlags; ++index) {
        EXPECT_FALSE(tracer.TraceFlag(index) || tracer.BreakFlag(index)) << index;
    }

    Bk0011mBosTracer bos;
    common::BasicOptionNode bosRoot;
    bos.FillSettingsTree(&bosRoot, OptionKind::Trace);
    const common::OptionNode* system = Item(bosRoot, {"Trace System"});
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->ChildAt(5)->Text().GetNarrow(), std::string("EMT 101  -  Make Sound (.BSOUN)"));
    const common::OptionNode* bosOther = Item(bosRoot, {"Break On Other"});
    ASSERT_NE(bosOther, nullptr);
    EXPECT_EQ(bosOther->ChildAt(0)->Text().GetNarrow(), std::string("(unknown)"));
    EXPECT_EQ(bosOther->ChildAt(2)->Text().GetNarrow(), std::string("Break On All"));
}

// 514 keys in the model's settings file, each false by default.
TEST(BkBiosTracerTest, FlagsAreKeptInTheSettingsFile) {
    test_support::TemporaryFolder root;
    std::filesystem::create_directories(root.Path() / "appdata");
    const common::ProgramFolders folders{u"/Program Files/ZOV/zovbk.exe", (root.Path() / "appdata").u16string()};
    const auto keyOf = [](const char* prefix, int32_t index) {
        return common::NarrowString((std::string(prefix) + "[" + std::to_string(index) + "]").c_str());
    };
    Bk0010Machine saving;
    saving.SetFolders(folders);
    ASSERT_TRUE(saving.CreateServices());
    common::SettingsTree tree;
    ASSERT_TRUE(saving.BuildSettingsSections(&tree, false));
    const common::SettingsTree* section = tree.FindSection(common::NarrowString("BIOS BK"));
    ASSERT_NE(section, nullptr);
    for (const char* prefix : {"TraceEMT", "BreakEMT"}) {
        for (int32_t index = 0; index < BkBiosTracer::kFlags; ++index) {
            common::BoundValue* value = section->FindValue(keyOf(prefix, index));
            ASSERT_NE(value, nullptr) << prefix << index;
            bool flag = true;
            EXPECT_TRUE(value->GetBool(flag) && !flag);
        }
    }
    EXPECT_EQ(section->FindValue(keyOf("TraceEMT", 257)), nullptr);
    saving.BiosTracer()->TraceFlag(2) = true;
    saving.BiosTracer()->BreakFlag(256) = true;
    ASSERT_TRUE(saving.SaveSettings());

    Bk0010Machine loading;
    loading.SetFolders(folders);
    ASSERT_TRUE(loading.CreateServices());
    ASSERT_TRUE(loading.LoadSettings());
    for (int32_t index = 0; index < BkBiosTracer::kFlags; ++index) {
        EXPECT_EQ(loading.BiosTracer()->TraceFlag(index), index == 2) << index;
        EXPECT_EQ(loading.BiosTracer()->BreakFlag(index), index == 256) << index;
    }
}

} // namespace
} // namespace emu
