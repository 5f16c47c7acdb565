#include "emu/devices/DirectSoundOutput.h"

#include "FakeDirectSound.h"
#include "SubmitLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using Calls = std::vector<std::string>;
using Block = std::vector<uint8_t>;

constexpr int32_t kSlots = 50;
constexpr int32_t kSlotBytes = 441;

// A cursor inside slot: not on its first byte, so the division matters.
uint32_t InSlot(int32_t slot) {
    return static_cast<uint32_t>(slot * kSlotBytes + 100);
}

TEST(DirectSoundSlotPlanTest, KeepsTheWritesAboutSixSlotsAheadOfThePlayCursor) {
    struct Case {
        const char* name;
        int32_t playSlot;
        int32_t writeSlot;
        int32_t nextSlot;
        int32_t firstSlot;
        int32_t count;
        int32_t newNextSlot;
    };
    const std::vector<Case> cases{
        {"the first block, play in 3, write in 4", 3, 4, -1, 9, 1, 10},
        {"steady play, six ahead", 4, 5, 10, 10, 1, 11},
        {"fell behind: three ahead fills up to five ahead", 7, 8, 10, 10, 3, 13},
        {"nine ahead goes on", 3, 4, 12, 12, 1, 13},
        {"twelve ahead steps back to ten", 3, 4, 15, 13, 1, 14},
        {"fifteen ahead steps back to thirteen", 3, 4, 18, 16, 1, 17},
        {"sixteen ahead is lost: filled again from the write cursor", 3, 4, 19, 4, 5, 9},
        {"behind the play cursor is lost too", 10, 11, 5, 11, 5, 16},
        {"nothing between the cursors is filled", 3, 6, 4, 6, 3, 9},
        {"a write cursor past the fill leaves everything", 3, 12, 9, 9, 0, 10},
        {"the fill wraps at the buffer's end", 45, 46, 49, 49, 2, 1},
        {"the first block wraps", 46, 47, -1, 2, 1, 3},
        {"a next slot outside the buffer counts as none", 3, 4, kSlots, 9, 1, 10},
        {"the write cursor wrapped before the play cursor", 48, 1, 1, 1, 3, 4},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        const SlotPlan plan =
            PlanSlots(InSlot(each.playSlot), InSlot(each.writeSlot), kSlotBytes, kSlots, each.nextSlot);
        EXPECT_TRUE(plan.valid);
        EXPECT_EQ(plan.count, each.count);
        if (each.count > 0) {
            EXPECT_EQ(plan.firstSlot, each.firstSlot);
        }
        EXPECT_EQ(plan.nextSlot, each.newNextSlot);
    }
}

TEST(DirectSoundSlotPlanTest, CursorsOutsideTheBufferPlanNothing) {
    const uint32_t end = kSlots * kSlotBytes;
    struct Case {
        const char* name;
        uint32_t play;
        uint32_t write;
        int32_t slotBytes;
        int32_t slots;
    };
    const std::vector<Case> cases{
        {"play cursor at the end", end, 0, kSlotBytes, kSlots},
        {"write cursor at the end", 0, end, kSlotBytes, kSlots},
        {"play cursor far past", 0xFFFFFFFF, 0, kSlotBytes, kSlots},
        {"no slot bytes", 0, 0, 0, kSlots},
        {"no slots", 0, 0, kSlotBytes, 0},
        {"negative sizes", 0, 0, -kSlotBytes, -kSlots},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        EXPECT_FALSE(PlanSlots(each.play, each.write, each.slotBytes, each.slots, 7).valid);
    }
    EXPECT_TRUE(PlanSlots(end - 1, end - 1, kSlotBytes, kSlots, 7).valid);
}

TEST(DirectSoundSlotPlanTest, SteadyPlayFillsOneSlotSixAheadRoundAndRound) {
    int32_t nextSlot = -1;
    for (int32_t call = 0; call < 500; ++call) {
        const int32_t playSlot = (3 + call) % kSlots;
        const SlotPlan plan =
            PlanSlots(InSlot(playSlot), InSlot((playSlot + 1) % kSlots), kSlotBytes, kSlots, nextSlot);
        ASSERT_EQ(plan.count, 1) << call;
        ASSERT_EQ(plan.firstSlot, (playSlot + 6) % kSlots) << call;
        nextSlot = plan.nextSlot;
    }
}

// An output opened on the fake with a window, its calls so far forgotten.
struct OpenOutput {
    OpenOutput() : output(FakeDirectSound::Factory(script)) {
        output.SetHostWindow(&window);
        EXPECT_TRUE(output.Open(22050, 8, kSlots));
        script->ClearCalls();
    }
    Block Slot(int32_t slot) const { return script->Slot(slot, kSlotBytes); }
    static Block Level(uint8_t level) { return Block(kSlotBytes, level); }
    // A slot that fades from the rest level, 128, to level.
    static Block FadingTo(uint8_t level) {
        Block block(kSlotBytes);
        for (int32_t sample = 0; sample < kSlotBytes; ++sample) {
            block[static_cast<size_t>(sample)] = static_cast<uint8_t>(128 + (level - 128) * sample / kSlotBytes);
        }
        return block;
    }

    int window = 0;
    std::shared_ptr<FakeDirectSoundScript> script = std::make_shared<FakeDirectSoundScript>();
    DirectSoundOutput output;
};

Calls Locks(int32_t slots, int32_t bytes) {
    Calls calls;
    for (int32_t slot = 0; slot < slots; ++slot) {
        calls.push_back("lock " + std::to_string(slot * bytes) + " " + std::to_string(bytes));
        calls.emplace_back("unlock");
    }
    return calls;
}

TEST(DirectSoundOutputTest, OpensALoopingBufferOfOneSlotPerBlockAtTheStartLevel) {
    auto script = std::make_shared<FakeDirectSoundScript>();
    DirectSoundOutput output(FakeDirectSound::Factory(script));
    int window = 0;
    output.SetHostWindow(&window);
    ASSERT_TRUE(output.Open(22050, 8, kSlots));
    Calls expected{"create", "primary 0x4001 22050 8 1 22050", "buffer 0x14000 22050"};
    const Calls locks = Locks(kSlots, kSlotBytes);
    expected.insert(expected.end(), locks.begin(), locks.end());
    expected.emplace_back("play");
    EXPECT_EQ(script->Calls(), expected);
    EXPECT_EQ(script->window, &window);
    EXPECT_EQ(script->buffer, Block(22050, 128)) << "the rest level of unsigned 8-bit PCM";
    EXPECT_EQ(output.BlockCount(), kSlots);
    EXPECT_EQ(output.BlockBytes(), kSlotBytes);
    EXPECT_STREQ(output.Name(), "DirectSound");
    EXPECT_FALSE(output.IsNull());

    // 16 bits: two bytes a sample.
    auto wide = std::make_shared<FakeDirectSoundScript>();
    DirectSoundOutput wideOutput(FakeDirectSound::Factory(wide));
    wideOutput.SetHostWindow(&window);
    ASSERT_TRUE(wideOutput.Open(44100, 16, kSlots));
    EXPECT_EQ(wide->Calls()[1], "primary 0x4001 44100 16 2 88200");
    EXPECT_EQ(wide->Calls()[2], "buffer 0x14000 88200");
    EXPECT_EQ(wide->buffer, Block(88200, 0)) << "the rest level of signed 16-bit PCM";
}

TEST(DirectSoundOutputTest, RefusesBadArgumentsAndFailedStepsHoldingNothing) {
    struct Case {
        const char* name;
        bool window;
        int32_t rate;
        int32_t bits;
        int32_t blocks;
        const char* failing;
        Calls calls;
    };
    const Calls made{"create", "primary 0x4001 22050 8 1 22050", "buffer 0x14000 22050"};
    Calls untilPlay = made;
    const Calls locks = Locks(kSlots, kSlotBytes);
    untilPlay.insert(untilPlay.end(), locks.begin(), locks.end());
    untilPlay.insert(untilPlay.end(), {"play", "release", "destroyed"});
    const std::vector<Case> cases{
        {"no window", false, 22050, 8, kSlots, "", {}},
        {"no rate", true, 0, 8, kSlots, "", {}},
        {"no bits", true, 22050, 0, kSlots, "", {}},
        {"no blocks", true, 22050, 8, 0, "", {}},
        {"a rate the blocks do not divide", true, 22050, 8, 64, "", {}},
        {"fifteen blocks", true, 22050, 8, 15, "", {}},
        {"a width the ring cannot hold",
         true,
         22050,
         12,
         kSlots,
         "",
         {"create", "primary 0x4001 22050 12 1 22050", "release", "destroyed"}},
        {"no device", true, 22050, 8, kSlots, "create", {"create", "release", "destroyed"}},
        {"no primary buffer",
         true,
         22050,
         8,
         kSlots,
         "primary",
         {"create", "primary 0x4001 22050 8 1 22050", "release", "destroyed"}},
        {"no looping buffer",
         true,
         22050,
         8,
         kSlots,
         "buffer",
         {"create", "primary 0x4001 22050 8 1 22050", "buffer 0x14000 22050", "release", "destroyed"}},
        {"it does not play", true, 22050, 8, kSlots, "play", untilPlay},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        auto script = std::make_shared<FakeDirectSoundScript>();
        const std::string failing = each.failing;
        script->creates = failing != "create";
        script->createsPrimary = failing != "primary";
        script->createsBuffer = failing != "buffer";
        script->plays = failing != "play";
        DirectSoundOutput output(FakeDirectSound::Factory(script));
        int window = 0;
        output.SetHostWindow(each.window ? &window : nullptr);
        EXPECT_FALSE(output.Open(each.rate, each.bits, each.blocks));
        EXPECT_EQ(script->Calls(), each.calls);
        EXPECT_EQ(output.BlockCount(), 0);
        // Nothing is written while closed.
        SubmitLevel(output, 100);
        EXPECT_EQ(script->positionReads, 0);
    }

    OpenOutput open;
    EXPECT_FALSE(open.output.Open(22050, 8, kSlots));
    EXPECT_EQ(open.script->Calls(), Calls{});
}

TEST(DirectSoundOutputTest, ABlockFillsTheSlotsThePlanNamesAndNoOthers) {
    OpenOutput open;
    open.script->SetCursors(InSlot(3), InSlot(4));
    SubmitLevel(open.output, 200);
    EXPECT_EQ(open.script->Calls(), (Calls{"lock 3969 441", "unlock"}));
    EXPECT_EQ(open.Slot(9), OpenOutput::FadingTo(200));
    EXPECT_EQ(open.Slot(8), OpenOutput::Level(128));
    EXPECT_EQ(open.Slot(10), OpenOutput::Level(128));

    // The play cursor moved on four slots: the next block fills slots 10 to 12, and 13 stays.
    open.script->SetCursors(InSlot(7), InSlot(8));
    SubmitLevel(open.output, 201);
    for (const int32_t slot : {10, 11, 12}) {
        EXPECT_EQ(open.Slot(slot), OpenOutput::Level(201)) << slot;
    }
    EXPECT_EQ(open.Slot(13), OpenOutput::Level(128));
    EXPECT_EQ(open.Slot(9), OpenOutput::FadingTo(200));
}

// The machine's silence (the speaker at rest) is the lowest level, the device's the middle one: the first block
// that reaches the buffer fades between them once, and every later block plays as it is, behind a starved write
// too.
TEST(DirectSoundOutputTest, OnlyTheFirstBlockFadesInFromTheRestLevel) {
    OpenOutput open;
    open.script->SetCursors(InSlot(40), InSlot(41));
    SubmitLevel(open.output, 0);
    EXPECT_EQ(open.Slot(46), OpenOutput::FadingTo(0));
    open.script->SetCursors(InSlot(45), InSlot(46));
    SubmitLevel(open.output, 0);
    for (const int32_t slot : {47, 48, 49, 0}) {
        EXPECT_EQ(open.Slot(slot), OpenOutput::Level(0)) << slot;
    }

    // A block whose slot cannot be locked did not fade in: the next one does.
    OpenOutput locked;
    locked.script->lockAnswers = {DirectSoundDevice::LockResult::kFailed};
    locked.script->SetCursors(InSlot(3), InSlot(4));
    SubmitLevel(locked.output, 0);
    EXPECT_EQ(locked.Slot(9), OpenOutput::Level(128));
    locked.script->SetCursors(InSlot(4), InSlot(5));
    SubmitLevel(locked.output, 0);
    EXPECT_EQ(locked.Slot(10), OpenOutput::FadingTo(0));
}

TEST(DirectSoundOutputTest, AFailedLockSkipsItsSlotAndALostBufferIsRestoredOnce) {
    using Result = DirectSoundDevice::LockResult;
    struct Case {
        const char* name;
        std::deque<Result> answers;
        Calls calls;
        bool filled;
    };
    const std::vector<Case> cases{
        {"a failed lock", {Result::kFailed}, {"lock 3969 441"}, false},
        {"a lost buffer", {Result::kLost}, {"lock 3969 441", "restore", "play", "lock 3969 441", "unlock"}, true},
        {"lost for good", {Result::kLost, Result::kLost}, {"lock 3969 441", "restore", "play", "lock 3969 441"}, false},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        OpenOutput open;
        open.script->SetCursors(InSlot(3), InSlot(4));
        open.script->lockAnswers = each.answers;
        SubmitLevel(open.output, 200);
        EXPECT_EQ(open.script->Calls(), each.calls);
        EXPECT_EQ(open.Slot(9), each.filled ? OpenOutput::FadingTo(200) : OpenOutput::Level(128));
        // The next block goes on after the slot either way.
        open.script->ClearCalls();
        open.script->SetCursors(InSlot(4), InSlot(5));
        SubmitLevel(open.output, 201);
        EXPECT_EQ(open.script->Calls(), (Calls{"lock 4410 441", "unlock"}));
    }
}

TEST(DirectSoundOutputTest, UnreadableOrImpossibleCursorsWriteNothing) {
    struct Case {
        const char* name;
        bool positions;
        uint32_t play;
        uint32_t write;
    };
    const std::vector<Case> cases{
        {"the cursors cannot be read", false, InSlot(3), InSlot(4)},
        {"the play cursor at the buffer's end", true, 22050, InSlot(4)},
        {"the write cursor past it", true, InSlot(3), 30000},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        OpenOutput open;
        open.script->positions = each.positions;
        open.script->SetCursors(each.play, each.write);
        SubmitLevel(open.output, 200);
        EXPECT_EQ(open.script->Calls(), Calls{});
        EXPECT_EQ(open.script->buffer, Block(22050, 128));
        // The place is still to be found: the next good cursors put the block six ahead.
        open.script->positions = true;
        open.script->SetCursors(InSlot(20), InSlot(21));
        SubmitLevel(open.output, 201);
        EXPECT_EQ(open.Slot(26), OpenOutput::FadingTo(201));
    }
}

TEST(DirectSoundOutputTest, SilenceStopsTheBufferUntilTheNextBlock) {
    OpenOutput open;
    open.script->SetCursors(InSlot(3), InSlot(4));
    SubmitLevel(open.output, 200);
    open.script->ClearCalls();
    open.output.Silence();
    EXPECT_EQ(open.script->Calls(), Calls{"stop"});
    // The blocks keep their data.
    EXPECT_EQ(open.Slot(9), OpenOutput::FadingTo(200));

    open.script->SetCursors(InSlot(4), InSlot(5));
    SubmitLevel(open.output, 201);
    EXPECT_EQ(open.script->Calls(), (Calls{"stop", "play", "lock 4410 441", "unlock"}));
    EXPECT_EQ(open.Slot(10), OpenOutput::Level(201));
}

TEST(DirectSoundOutputTest, CloseReleasesTheDeviceOnceAndTheOutputOpensAgain) {
    OpenOutput open;
    open.output.Close();
    EXPECT_EQ(open.script->Calls(), (Calls{"release", "destroyed"}));
    EXPECT_EQ(open.output.BlockCount(), 0);
    open.output.Silence();
    open.output.Close();
    SubmitLevel(open.output, 200);
    EXPECT_EQ(open.script->Calls(), (Calls{"release", "destroyed"}));

    open.script->ClearCalls();
    ASSERT_TRUE(open.output.Open(22050, 8, kSlots));
    EXPECT_EQ(open.script->Calls().front(), "create");
    open.script->ClearCalls();
    open.script->SetCursors(InSlot(40), InSlot(41));
    SubmitLevel(open.output, 200);
    EXPECT_EQ(open.Slot(46), OpenOutput::FadingTo(200)) << "every Open fades in again";
}

TEST(DirectSoundOutputTest, AClonePlaysOnTheSameWindowWithItsOwnDevice) {
    OpenOutput open;
    const std::unique_ptr<HostSoundOutput> clone = open.output.Clone();
    ASSERT_NE(clone, nullptr);
    EXPECT_STREQ(clone->Name(), "DirectSound");
    EXPECT_EQ(clone->BlockCount(), 0);
    ASSERT_TRUE(clone->Open(22050, 8, kSlots));
    EXPECT_EQ(open.script->window, &open.window);
    EXPECT_EQ(open.script->Count("create"), 1);
    clone->Close();
    // The first output's device is untouched by the clone's release.
    EXPECT_EQ(open.output.BlockCount(), kSlots);
}

} // namespace
} // namespace emu
