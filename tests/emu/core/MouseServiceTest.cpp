#include "emu/core/MouseService.h"

#include "ArchiveBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

struct MouseLog {
    std::vector<std::string> entries;

    static void First(void* context, const MouseEventRecord& event) { Record(context, "first", event); }
    static void Second(void* context, const MouseEventRecord& event) { Record(context, "second", event); }

private:
    static void Record(void* context, const char* who, const MouseEventRecord& event) {
        static_cast<MouseLog*>(context)->entries.push_back(std::string(who) + " " + std::to_string(event.buttons) +
                                                           " " + std::to_string(event.stepX));
    }
};

TEST(MouseServiceTest, BroadcastsToEachListenerOnceInTheOrderAdded) {
    MouseService mouse;
    mouse.Broadcast({});
    MouseLog log;
    MouseLog other;
    mouse.AddListener(&log, MouseLog::Second);
    mouse.AddListener(&log, MouseLog::First);
    mouse.AddListener(&log, MouseLog::Second);
    mouse.AddListener(&other, MouseLog::Second);
    EXPECT_EQ(mouse.ListenerCount(), 3);

    mouse.Broadcast({.buttons = 1, .stepX = -3});
    EXPECT_EQ(log.entries, (std::vector<std::string>{"second 1 -3", "first 1 -3"}));
    EXPECT_EQ(other.entries, (std::vector<std::string>{"second 1 -3"}));
}

TEST(MouseServiceTest, StartAndStopDropTheListeners) {
    MouseService mouse;
    MouseLog log;
    for (const bool start : {true, false}) {
        mouse.AddListener(&log, MouseLog::First);
        int32_t rate = 0;
        if (start) {
            EXPECT_TRUE(mouse.Start(rate));
        } else {
            mouse.Stop();
        }
        EXPECT_EQ(mouse.ListenerCount(), 0);
    }
}

TEST(MouseServiceTest, ChunkHoldsOnlyItsVersion) {
    MouseService mouse;
    const Bytes saved = Archived([&](common::RecordArchive& archive) { return mouse.SaveOwnData(archive); });
    EXPECT_EQ(saved, Concat({ChunkBegin("_MOUS"), U8Value("VER", 0), ChunkEnd("_MOUS")}));
    const auto load = [&](common::RecordArchive& archive) { return mouse.LoadOwnData(archive, nullptr); };
    EXPECT_TRUE(ReadsWhole(saved, load));
    EXPECT_FALSE(ReadsWhole(Concat({ChunkBegin("_MOUS"), U8Value("VER", 1), ChunkEnd("_MOUS")}), load));
    EXPECT_FALSE(ReadsWhole(Concat({ChunkBegin("_MOUSE"), U8Value("VER", 0), ChunkEnd("_MOUSE")}), load));
}

} // namespace
} // namespace emu
