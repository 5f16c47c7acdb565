#include "FakeWindows.h"

#include "gui/KeyInput.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace gui::testing {
namespace {

constexpr uint32_t kShift = 0x10;
constexpr uint32_t kControl = 0x11;
constexpr uint32_t kAlt = 0x12;

// Logs every key; answers whether it takes it by the code.
class KeyLog : public FakeControl {
public:
    KeyLog() : FakeControl("keys", 0, 0, 1, 1) {}
    int32_t OnKey(int32_t keyCode, bool down) override {
        keys.emplace_back(keyCode, down);
        return keyCode == refused ? 0 : 1;
    }
    std::vector<std::pair<int32_t, bool>> keys;
    int32_t refused = -2;
};

using Keys = std::vector<std::pair<int32_t, bool>>;

TEST(KeyInputTest, KeysTakeTheProgramsCodes) {
    EXPECT_EQ(KeyCodeOf(0x0D, false), 0x0D) << "Enter";
    EXPECT_EQ(KeyCodeOf(0x0D, true), 0x6C) << "keypad Enter";
    EXPECT_EQ(KeyCodeOf(0x41, false), 0x41);
    EXPECT_EQ(KeyCodeOf(0x11, true), 0xE3) << "right Ctrl";
    EXPECT_EQ(KeyCodeOf(0x00, false), -1);
    EXPECT_TRUE(IsModifierKey(kShift));
    EXPECT_TRUE(IsModifierKey(kAlt));
    EXPECT_FALSE(IsModifierKey(0x41));
}

TEST(KeyInputTest, ModifiersAreSplitIntoTheirSides) {
    const struct {
        const char* name;
        uint32_t key;
        bool down, left, right;
        Keys expected;
        bool handled;
    } cases[] = {
        {"left Ctrl alone", kControl, true, true, false, {{0xE2, true}}, true},
        {"right Ctrl alone: the missing left side first",
         kControl,
         true,
         false,
         true,
         {{-1, true}, {0xE3, true}},
         true},
        {"both Shifts", kShift, true, true, true, {{0xE0, true}, {0xE1, true}}, true},
        {"right Alt released with the left one up", kAlt, false, true, true, {{0xE4, false}, {0xE5, false}}, true},
        {"neither side", kShift, true, false, false, {}, false},
    };
    for (const auto& testCase : cases) {
        KeyLog window;
        EXPECT_EQ(DeliverModifierKey(window, testCase.key, testCase.down, testCase.left, testCase.right),
                  testCase.handled)
            << testCase.name;
        EXPECT_EQ(window.keys, testCase.expected) << testCase.name;
    }
}

TEST(KeyInputTest, TheRightSideCountsOnlyWhenBothWereTaken) {
    KeyLog leftRefused;
    leftRefused.refused = -1;
    EXPECT_FALSE(DeliverModifierKey(leftRefused, kControl, true, false, true));
    EXPECT_EQ(leftRefused.keys, (Keys{{-1, true}, {0xE3, true}})) << "the right side still arrives";

    KeyLog rightRefused;
    rightRefused.refused = 0xE3;
    EXPECT_FALSE(DeliverModifierKey(rightRefused, kControl, true, true, true));

    KeyLog leftOnly;
    leftOnly.refused = 0xE2;
    EXPECT_FALSE(DeliverModifierKey(leftOnly, kControl, true, true, false));
}

} // namespace
} // namespace gui::testing
