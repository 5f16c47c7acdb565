#include "emu/core/MouseService.h"

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

} // namespace
} // namespace emu
