#include "app/InputQueue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace emu {
namespace {

// What the machine was handed, as text: "K41+", "K41-", "K-1-", "M1 3,-2 (6,-4)".
class RecordingSink : public InputSink {
public:
    void KeyEvent(int32_t code, bool down) override {
        events.push_back("K" + std::to_string(code) + (down ? "+" : "-"));
    }
    void MouseEvent(const MouseEventRecord& record) override {
        events.push_back("M" + std::to_string(record.buttons) + " " + std::to_string(record.stepX) + "," +
                         std::to_string(record.stepY) + " (" + std::to_string(static_cast<int>(record.moveX)) + "," +
                         std::to_string(static_cast<int>(record.moveY)) + ")");
    }
    bool ScalePoint(int16_t x, int16_t y, double& screenX, double& screenY) override {
        if (!scales) {
            return false;
        }
        screenX = x * 2;
        screenY = y * 2;
        return true;
    }
    void RecheckInterrupts() override { ++rechecks; }

    std::vector<std::string> events;
    bool scales = false;
    int32_t rechecks = 0;
};

class InputQueueTest : public testing::Test {
protected:
    InputQueueTest() { queue.Clear(); }

    // Two drains: the first hands over what the producers queued, the second passes it on.
    std::vector<std::string> Delivered() {
        queue.Drain(sink, mouse, keySeen);
        queue.Drain(sink, mouse, keySeen);
        std::vector<std::string> events = std::move(sink.events);
        sink.events.clear();
        return events;
    }

    InputQueue queue;
    RecordingSink sink;
    MouseEventRecord mouse;
    bool keySeen = false;
};

TEST_F(InputQueueTest, FullBufferEndsWithTheOverflowWordAndDropsTheRest) {
    for (int32_t code = 0; code < 300; ++code) {
        queue.Push(InputQueue::KeyWord(code % 200, true));
    }
    const std::vector<uint16_t> words = queue.PendingWords();
    ASSERT_EQ(words.size(), 256U);
    EXPECT_EQ(words[254], InputQueue::KeyWord(254 % 200, true));
    EXPECT_EQ(words[255], InputQueue::kOverflowWord);
    // The keys, then every key released and the mouse reset.
    const std::vector<std::string> events = Delivered();
    ASSERT_EQ(events.size(), 257U);
    EXPECT_EQ(events[254], "K54+");
    EXPECT_EQ(events[255], "K-1-");
    EXPECT_EQ(events[256], "M0 0,0 (0,0)");
}

// Fills a fresh queue with used control words that do nothing.
void FillWith(InputQueue& queue, int32_t used) {
    queue.Clear();
    for (int32_t index = 0; index < used; ++index) {
        queue.Push(0x0004);
    }
}

TEST_F(InputQueueTest, MouseEventFitsOnlyWithThreePlacesBelowTheLast) {
    for (const int32_t used : {0, 252, 253, 255}) {
        InputQueue fresh;
        FillWith(fresh, used);
        const bool fits = used <= 252;
        EXPECT_EQ(fresh.PushMouse(2, 5, -2), fits) << used;
        const std::vector<uint16_t> words = fresh.PendingWords();
        ASSERT_EQ(words.size(), static_cast<size_t>(fits ? used + 3 : used)) << used;
        if (fits) {
            EXPECT_EQ(std::vector<uint16_t>(words.end() - 3, words.end()), (std::vector<uint16_t>{0x0208, 5, 0xFFFE}));
        }
    }
    // The core queues the mouse reset in place of a triple that does not fit: the 254th word, the overflow word
    // in the last place, or nothing in a full buffer.
    struct Case {
        int32_t used;
        size_t count;
        uint16_t last;
    };
    for (const Case& test : {Case{253, 254, InputQueue::kResetMouse}, Case{255, 256, InputQueue::kOverflowWord},
                             Case{256, 256, InputQueue::kOverflowWord}}) {
        InputQueue fresh;
        FillWith(fresh, test.used);
        fresh.Push(InputQueue::kResetMouse);
        ASSERT_EQ(fresh.PendingWords().size(), test.count) << test.used;
        EXPECT_EQ(fresh.PendingWords().back(), test.last) << test.used;
    }
}

TEST_F(InputQueueTest, DrainPassesOnEachKindOfWord) {
    struct Case {
        const char* name;
        std::vector<uint16_t> words;
        std::vector<std::string> events;
        bool keySeen;
    };
    const Case cases[] = {
        {"a run of the same key word goes through once",
         {InputQueue::KeyWord(0x41, true), InputQueue::KeyWord(0x41, true), InputQueue::KeyWord(0x41, true),
          InputQueue::KeyWord(0x41, true), InputQueue::KeyWord(0x41, true), InputQueue::KeyWord(0x41, false)},
         {"K65+", "K65-"},
         true},
        {"another key ends the run",
         {InputQueue::KeyWord(0x41, true), InputQueue::KeyWord(0x42, true), InputQueue::KeyWord(0x41, true)},
         {"K65+", "K66+", "K65+"},
         true},
        {"left button down and up", {0x0008, 0, 0, 0x0108, 0, 0}, {"M1 0,0 (0,0)", "M0 0,0 (0,0)"}, false},
        {"right button with a move", {0x0208, 3, 0xFFFE, 0x0308, 0, 0}, {"M2 3,-2 (3,-2)", "M0 0,0 (0,0)"}, false},
        {"no move and no button change is nothing", {0x0408, 0, 0}, {}, false},
        {"a move keeps the buttons", {0x0008, 0, 0, 0x0408, 1, 1}, {"M1 0,0 (0,0)", "M1 1,1 (1,1)"}, false},
        {"release keys", {0x0104}, {"K-1-"}, false},
        {"reset mouse", {0x0008, 0, 0, 0x0204}, {"M1 0,0 (0,0)", "M0 0,0 (0,0)"}, false},
        {"overflow word: keys first, then the mouse", {0xFF04}, {"K-1-", "M0 0,0 (0,0)"}, false},
        {"a cut-off mouse event is dropped", {InputQueue::KeyWord(0x20, true), 0x0008, 5}, {"K32+"}, true},
        {"a word of no kind is passed over", {0x0001, 0x0004, InputQueue::KeyWord(0x20, false)}, {"K32-"}, true},
    };
    for (const Case& test : cases) {
        InputQueue fresh;
        fresh.Clear();
        for (const uint16_t word : test.words) {
            fresh.Push(word);
        }
        RecordingSink recorder;
        MouseEventRecord record;
        bool seen = false;
        fresh.Drain(recorder, record, seen);
        EXPECT_TRUE(recorder.events.empty()) << test.name << ": the first drain only takes the buffer over";
        fresh.Drain(recorder, record, seen);
        EXPECT_EQ(recorder.events, test.events) << test.name;
        EXPECT_EQ(seen, test.keySeen) << test.name;
        EXPECT_EQ(recorder.rechecks, 2) << test.name;
    }
}

TEST_F(InputQueueTest, PointerPositionsAreScaledWhenTheRendererMapsThem) {
    sink.scales = true;
    ASSERT_TRUE(queue.PushMouse(4, 3, -5));
    EXPECT_EQ(Delivered(), std::vector<std::string>{"M0 3,-5 (6,-10)"});
}

TEST_F(InputQueueTest, WordsQueuedBetweenDrainsArriveWithTheDrainAfterTheNext) {
    queue.Push(InputQueue::KeyWord(1, true));
    queue.Drain(sink, mouse, keySeen);
    queue.Push(InputQueue::KeyWord(2, true));
    queue.Drain(sink, mouse, keySeen);
    EXPECT_EQ(sink.events, std::vector<std::string>{"K1+"});
    queue.Drain(sink, mouse, keySeen);
    EXPECT_EQ(sink.events, (std::vector<std::string>{"K1+", "K2+"}));
}

TEST_F(InputQueueTest, LoopStartFindsBothBuffersEmptyAndLoopEndLeavesTheOverflowWord) {
    queue.Push(InputQueue::KeyWord(1, true));
    queue.Drain(sink, mouse, keySeen);
    queue.Push(InputQueue::KeyWord(2, true));
    queue.Clear();
    EXPECT_TRUE(Delivered().empty());

    queue.ResetToOverflow();
    EXPECT_EQ(queue.PendingWords(), std::vector<uint16_t>{InputQueue::kOverflowWord});
    EXPECT_EQ(Delivered(), (std::vector<std::string>{"K-1-", "M0 0,0 (0,0)", "K-1-", "M0 0,0 (0,0)"}));
}

// Key words typed apart reach the machine as far apart in its time, at the drains (10 ms of machine time apart)
// nearest to their due times, whenever they were handed over.
TEST_F(InputQueueTest, KeyWordsReachTheMachineAsFarApartAsTheyWereTyped) {
    // A word queued just before drain `before` (1 is the first), typed at host time typedMs.
    struct Push {
        int32_t before;
        uint16_t word;
        uint64_t typedMs;
    };
    struct Case {
        const char* name;
        std::vector<Push> pushes;
        // Each event with the drain that passed it on.
        std::vector<std::string> events;
    };
    const uint16_t a = InputQueue::KeyWord(0x41, true);
    const uint16_t b = InputQueue::KeyWord(0x42, true);
    const uint16_t c = InputQueue::KeyWord(0x43, true);
    const Case cases[] = {
        {"keys handed over together keep the spacing they were typed with",
         {{1, a, 0}, {1, b, 30}, {1, c, 60}},
         {"2 K65+", "5 K66+", "8 K67+"}},
        {"each goes at the drain nearest its time, and the steps do not add up",
         {{1, a, 0}, {1, b, 24}, {1, c, 48}},
         {"2 K65+", "4 K66+", "7 K67+"}},
        {"keys typed further apart than the longest gap wait only that long",
         {{1, a, 0}, {1, b, 1000}},
         {"2 K65+", "12 K66+"}},
        {"a key typed before the last one goes at once", {{1, a, 50}, {1, b, 0}}, {"2 K65+", "2 K66+"}},
        {"words behind a waiting key wait with it",
         {{1, a, 0}, {1, b, 30}, {1, 0x0104, 0}},
         {"2 K65+", "5 K66+", "5 K-1-"}},
        {"a key that comes later than its time goes at once, and the next is spaced from it",
         {{1, a, 0}, {6, b, 10}, {6, c, 40}},
         {"2 K65+", "7 K66+", "10 K67+"}},
        {"keys handed over apart go as they come", {{1, a, 0}, {4, b, 30}, {7, c, 60}}, {"2 K65+", "5 K66+", "8 K67+"}},
    };
    for (const Case& test : cases) {
        InputQueue fresh;
        fresh.Clear();
        RecordingSink recorder;
        MouseEventRecord record;
        bool seen = false;
        std::vector<std::string> events;
        for (int32_t drain = 1; drain <= 15; ++drain) {
            for (const Push& push : test.pushes) {
                if (push.before == drain) {
                    fresh.Push(push.word, push.typedMs * 1000);
                }
            }
            fresh.Drain(recorder, record, seen);
            for (const std::string& event : recorder.events) {
                events.push_back(std::to_string(drain) + " " + event);
            }
            recorder.events.clear();
        }
        EXPECT_EQ(events, test.events) << test.name;
    }
}

// The loop's start and a loaded state begin the spacing afresh: the next key goes as it comes.
TEST_F(InputQueueTest, ClearAndTheOverflowResetLetTheNextKeyGoAtOnce) {
    const std::vector<std::string> overflow = {"K-1-", "M0 0,0 (0,0)"};
    for (const bool load : {false, true}) {
        InputQueue fresh;
        fresh.Clear();
        RecordingSink recorder;
        MouseEventRecord record;
        bool seen = false;
        fresh.Push(InputQueue::KeyWord(1, true), 0);
        fresh.Drain(recorder, record, seen);
        fresh.Drain(recorder, record, seen);
        ASSERT_EQ(recorder.events, std::vector<std::string>{"K1+"}) << load;
        if (load) {
            fresh.ResetToOverflow();
        } else {
            fresh.Clear();
        }
        recorder.events.clear();
        // Typed 90 ms after the first: spaced from it, it would wait for the ninth drain after the first.
        fresh.Push(InputQueue::KeyWord(2, true), 90000);
        fresh.Drain(recorder, record, seen);
        fresh.Drain(recorder, record, seen);
        std::vector<std::string> expected = load ? overflow : std::vector<std::string>{};
        if (load) {
            expected.insert(expected.end(), overflow.begin(), overflow.end());
        }
        expected.emplace_back("K2+");
        EXPECT_EQ(recorder.events, expected) << load;
    }
}

} // namespace
} // namespace emu
