#include "emu/devices/SoundChannel.h"

#include "DeviceStateBytes.h"
#include "DeviceTestMachine.h"
#include "LevelChannel.h"
#include "emu/devices/SoundDevice.h"
#include "support/RecordingConsole.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Block = std::vector<uint8_t>;

Bytes LevelChunk(int32_t level) {
    return Concat({ChunkBegin("_LEVEL"), I32Value("LEVL", level), ChunkEnd("_LEVEL")});
}

Bytes LevelRecord(uint64_t time, int32_t level) {
    return SoundRecord(time, 4, LittleEndian(level));
}

// A machine with a sound device of two level channels at 16000 Hz: 320 samples a block.
struct SoundMachine {
    explicit SoundMachine(test_support::RecordingSoundOutput::Kind outputKind = {"Recording", false, false})
        : machine(true, outputKind) {
        machine.SetConsole(&console);
        auto made = std::make_unique<SoundDevice>();
        device = made.get();
        device->SetSoundFreq(3);
        for (LevelChannel*& channel : channels) {
            auto madeChannel = std::make_unique<LevelChannel>();
            channel = madeChannel.get();
            device->AddChannel(std::move(madeChannel));
        }
        machine.AddChild(std::move(made));
    }

    std::vector<std::string> Errors() {
        std::vector<std::string> errors;
        for (const std::string& text : console.Texts()) {
            if (text.starts_with("[ERROR]")) {
                errors.push_back(text);
            }
        }
        return errors;
    }

    test_support::RecordingConsole console;
    DeviceTestMachine machine;
    SoundDevice* device = nullptr;
    std::array<LevelChannel*, 2> channels{};
};

Block Levels(std::initializer_list<std::pair<size_t, uint8_t>> runs) {
    Block block;
    for (const auto& [count, level] : runs) {
        block.insert(block.end(), count, level);
    }
    return block;
}

TEST(SoundChannelStateTest, ChunkHoldsTheRingsAndTheRenderPositionThenTheGeneratorsState) {
    LevelChannel fresh;
    EXPECT_EQ(Archived(SavingOwnData(fresh)), Concat({kDevicePart, ChannelChunkBytes({}), LevelChunk(0)}));

    SoundMachine test;
    ASSERT_TRUE(test.machine.PowerOnAndClock());
    test.machine.cpu->cycles = 500;
    test.channels[0]->RecordLevel(7);
    ChannelChunk expected;
    expected.ring0 = LevelRecord(500, 7);
    expected.hasRecords = true;
    EXPECT_EQ(Archived(SavingOwnData(*test.channels[0])),
              Concat({kDevicePart, ChannelChunkBytes(expected), LevelChunk(0)}));
}

TEST(SoundChannelStateTest, RefusesABrokenChunkAndChangesNothing) {
    const Bytes record = LevelRecord(500, 7);
    const auto valid = [&] {
        ChannelChunk chunk;
        chunk.recordIndex = 1;
        chunk.ring0 = record;
        chunk.ring1 = Concat({record, LevelRecord(600, 9)});
        chunk.renderStart = 400;
        chunk.lastRecordTime = 450;
        chunk.lastStep = 3;
        chunk.hasRecords = true;
        return chunk;
    };
    const auto with = [&](auto change) {
        ChannelChunk chunk = valid();
        change(chunk);
        return Concat({kDevicePart, ChannelChunkBytes(chunk), LevelChunk(33)});
    };
    const Bytes whole = with([](ChannelChunk&) {});
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const std::vector<Case> cases{
        {"version 1", with([](ChannelChunk& c) { c.version = 1; })},
        {"another base frequency", with([](ChannelChunk& c) { c.baseFrequency = 2; })},
        {"ring index 2", with([](ChannelChunk& c) { c.recordIndex = 2; })},
        {"ring index -1", with([](ChannelChunk& c) { c.recordIndex = -1; })},
        {"negative ring size", with([](ChannelChunk& c) { c.ring0 = {}, c.size0 = -1; })},
        {"ring size past the end of the state", with([](ChannelChunk& c) { c.ring0 = {}, c.size0 = 0x7FFFFFFF; })},
        {"ring of another size than stored", with([&](ChannelChunk& c) { c.size1 = 24; })},
        {"negative record length", with([](ChannelChunk& c) { c.ring0 = SoundRecord(500, -4, {}); })},
        {"payload of another size", with([](ChannelChunk& c) {
             c.ring0 = SoundRecord(500, 2, {1, 2});
         })},
        {"cut record", with([&](ChannelChunk& c) { c.ring0 = Bytes(record.begin(), record.end() - 2); })},
        {"cut header after a record", with([&](ChannelChunk& c) {
             c.ring1 = Concat({record, Bytes(5, 0)});
         })},
        {"no generator chunk", Concat({kDevicePart, ChannelChunkBytes(valid())})},
        {"no chunk end", Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(kDevicePart.size()) + 40)},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        SoundMachine test;
        ASSERT_TRUE(test.machine.PowerOnAndClock());
        test.machine.cpu->cycles = 100;
        test.channels[0]->RecordLevel(5);
        test.channels[0]->level = 11;
        const Bytes before = Archived(SavingOwnData(*test.channels[0]));
        EXPECT_FALSE(ReadsWhole(each.bytes, LoadingOwnData(*test.channels[0])));
        EXPECT_EQ(Archived(SavingOwnData(*test.channels[0])), before);
    }
    SoundMachine test;
    ASSERT_TRUE(test.machine.PowerOnAndClock());
    ASSERT_TRUE(ReadsWhole(whole, LoadingOwnData(*test.channels[0])));
    EXPECT_EQ(test.channels[0]->level, 33);
    EXPECT_EQ(Archived(SavingOwnData(*test.channels[0])), whole);
}

TEST(SoundChannelStateTest, AFreshMachinePlaysThePendingRecordsInTheSameBlocks) {
    SoundMachine first;
    ASSERT_TRUE(first.machine.PowerOnAndClock());
    // The first tick pumps at cycle 0; the next pump comes 80 ticks later, at cycle 60000.
    first.machine.Run(40);
    first.channels[0]->RecordLevel(100);
    first.machine.Run(20);
    first.channels[0]->RecordLevel(50);
    first.channels[1]->RecordLevel(20);
    ASSERT_EQ(first.machine.Played(0), std::vector<Block>{Block(320, 0)});
    const Bytes saved = SavedState(first.machine);

    SoundMachine second;
    ASSERT_TRUE(second.machine.PowerOnAndClock());
    ASSERT_TRUE(LoadState(second.machine, saved));
    second.machine.cpu->cycles = first.machine.cpu->cycles;

    first.machine.Run(101);
    second.machine.Run(101);
    const std::vector<Block> expected0{Levels({{160, 0}, {80, 100}, {80, 50}}), Block(320, 50)};
    const std::vector<Block> expected1{Levels({{240, 0}, {80, 20}}), Block(320, 20)};
    EXPECT_EQ(second.machine.Played(0), expected0);
    EXPECT_EQ(second.machine.Played(1), expected1);
    const std::vector<Block> firstPlayed = first.machine.Played(0);
    EXPECT_EQ(std::vector<Block>(firstPlayed.begin() + 1, firstPlayed.end()), expected0);
    EXPECT_EQ(second.Errors(), std::vector<std::string>{});
}

TEST(SoundChannelStateTest, WithoutAnAudioDeviceTheMachineStartsAndRestoresSilently) {
    const std::string failure =
        "[ERROR] Sound output \"WaveSound\" can not be opened (16000 Hz, 8 bits): playing without sound!";
    SoundMachine playing;
    ASSERT_TRUE(playing.machine.PowerOnAndClock());
    playing.machine.Run(50);
    const Bytes saved = SavedState(playing.machine);

    SoundMachine silent({"WaveSound", true, false});
    ASSERT_TRUE(silent.machine.PowerOnAndClock());
    EXPECT_EQ(silent.Errors(), std::vector<std::string>{failure});
    ASSERT_TRUE(LoadState(silent.machine, saved));
    silent.machine.Run(200);
    ASSERT_EQ(silent.machine.Bus()->EventCount(), 2);
    for (int32_t index = 0; index < 2; ++index) {
        const BusEvent* event = silent.machine.Bus()->EventAt(index);
        EXPECT_TRUE(event->output->IsNull());
        EXPECT_EQ(event->output->SampleRate(), 16000);
        EXPECT_GT(event->fireCount, 0u);
    }
    EXPECT_EQ(silent.Errors(), std::vector<std::string>{failure});

    silent.machine.Stop();
    ASSERT_TRUE(silent.machine.PowerOn());
    EXPECT_EQ(silent.Errors(), (std::vector<std::string>{failure, failure}));
}

} // namespace
} // namespace emu
