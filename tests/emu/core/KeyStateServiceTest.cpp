#include "emu/core/KeyStateService.h"

#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

// Listeners that write what they are told into one log, and answer as the test says.
struct KeyLog {
    std::vector<std::string> entries;
    bool answer = true;

    static bool First(void* context, uint8_t code, bool down) { return Record(context, "first", code, down); }
    static bool Second(void* context, uint8_t code, bool down) { return Record(context, "second", code, down); }

private:
    static bool Record(void* context, const char* who, uint8_t code, bool down) {
        auto* log = static_cast<KeyLog*>(context);
        log->entries.push_back(std::string(who) + " " + std::to_string(code) + (down ? " down" : " up"));
        return log->answer;
    }
};

TEST(KeyStateServiceTest, TellsListenersOfChangesOnlyInTheOrderAdded) {
    KeyStateService keys;
    KeyLog log;
    keys.AddListener(&log, KeyLog::First);
    keys.AddListener(&log, KeyLog::Second);
    keys.AddListener(&log, KeyLog::First);

    struct Step {
        uint8_t code;
        bool down;
        int32_t pressed;
        size_t told;
    };
    for (const Step& step : {Step{65, true, 1, 2}, Step{65, true, 1, 2}, Step{66, false, 1, 2}, Step{65, false, 0, 4},
                             Step{255, true, 0, 4}}) {
        keys.SetKey(step.code, step.down);
        EXPECT_EQ(keys.PressedCount(), step.pressed) << int{step.code};
        EXPECT_EQ(log.entries.size(), step.told) << int{step.code};
    }
    EXPECT_EQ(log.entries,
              (std::vector<std::string>{"first 65 down", "second 65 down", "first 65 up", "second 65 up"}));
    EXPECT_FALSE(keys.IsDown(255));
    EXPECT_FALSE(keys.AnyPressed());
}

TEST(KeyStateServiceTest, AnswersTheLastListenerOrTheKeyState) {
    KeyStateService keys;
    EXPECT_TRUE(keys.SetKey(10, true));
    KeyLog log;
    log.answer = false;
    keys.AddListener(&log, KeyLog::First);
    EXPECT_FALSE(keys.SetKey(11, true));
    keys.RemoveListener(&log, KeyLog::First);
    EXPECT_FALSE(keys.SetKey(11, false));
    EXPECT_EQ(log.entries.size(), 1u);
}

TEST(KeyStateServiceTest, QueriesAndReleaseAllInCodeOrder) {
    KeyStateService keys;
    KeyLog log;
    keys.AddListener(&log, KeyLog::First);
    keys.SetKey(10, true);
    keys.SetKey(3, true);
    EXPECT_TRUE(keys.IsDown(3));
    EXPECT_TRUE(keys.IsEitherDown(4, 10));
    EXPECT_FALSE(keys.IsEitherDown(4, 5));
    EXPECT_TRUE(keys.IsAnyDown(1, 2, 3));
    EXPECT_FALSE(keys.IsAnyDown(1, 2, 4));
    EXPECT_TRUE(keys.AnyPressed());

    log.entries.clear();
    keys.ReleaseAll();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"first 3 up", "first 10 up"}));
    EXPECT_FALSE(keys.AnyPressed());
}

TEST(KeyStateServiceTest, StartReleasesSilentlyAndDropsListenersStopDropsListeners) {
    KeyStateService keys;
    KeyLog log;
    keys.AddListener(&log, KeyLog::First);
    keys.SetKey(20, true);
    int32_t rate = 0;
    EXPECT_TRUE(keys.Start(rate));
    EXPECT_FALSE(keys.IsDown(20));
    EXPECT_EQ(keys.PressedCount(), 0);
    keys.SetKey(21, true);
    EXPECT_EQ(log.entries.size(), 1u);

    keys.AddListener(&log, KeyLog::First);
    keys.Stop();
    keys.SetKey(22, true);
    EXPECT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(keys.PressedCount(), 2);
}

Bytes KeysChunk(uint8_t version, const std::vector<uint32_t>& rows) {
    return Archived([&](common::RecordArchive& archive) {
        bool written =
            archive.WriteMarker(common::kChunkBeginMarker, Key("_KEYS")) && archive.WriteRecordU8(version, Key("VER"));
        for (size_t row = 0; row < rows.size(); ++row) {
            written = written && archive.WriteRecordU32(rows[row], Key(("L" + std::to_string(row)).c_str()));
        }
        return written && archive.WriteMarker(common::kChunkEndMarker, Key("_KEYS"));
    });
}

TEST(KeyStateServiceTest, SavesRowsOfKeyFlagsAndLoadsThemWithoutTellingListeners) {
    KeyStateService keys;
    keys.SetKey(33, true);
    keys.SetKey(254, true);
    const Bytes saved = Archived(SavingOwnData(keys));
    EXPECT_EQ(saved, KeysChunk(0, {0, 2, 0, 0, 0, 0, 0, 0x40000000}));

    KeyStateService loaded;
    KeyLog log;
    loaded.AddListener(&log, KeyLog::First);
    EXPECT_TRUE(ReadsWhole(saved, LoadingOwnData(loaded)));
    EXPECT_TRUE(loaded.IsDown(33));
    EXPECT_TRUE(loaded.IsDown(254));
    EXPECT_EQ(loaded.PressedCount(), 2);
    EXPECT_TRUE(log.entries.empty());
}

TEST(KeyStateServiceTest, RefusesABadChunkAndKeepsItsKeys) {
    const std::vector<uint32_t> seven(7, 0xFFFFFFFF);
    std::vector<uint32_t> withKey255(8, 0);
    withKey255[7] = 0x80000000;
    for (const Bytes& chunk :
         {KeysChunk(1, std::vector<uint32_t>(8, 1)), KeysChunk(0, seven), KeysChunk(0, withKey255)}) {
        KeyStateService keys;
        keys.SetKey(5, true);
        EXPECT_FALSE(ReadsWhole(chunk, LoadingOwnData(keys)));
        EXPECT_TRUE(keys.IsDown(5));
        EXPECT_FALSE(keys.IsDown(0));
        EXPECT_EQ(keys.PressedCount(), 1);
    }
}

} // namespace
} // namespace emu
