#include "common/Console.h"

#include "common/StringList.h"
#include "support/ScreenReader.h"
#include "support/StartGate.h"
#include "support/TestPixelBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace common {
namespace {

// Writers on several threads, as the emulation thread and the console commands write at once, while the GUI
// thread paints: every line arrives once, whole, and each writer's lines keep their order.
TEST(ConsoleThreadTest, ConcurrentWritersLoseNoLineAndKeepTheirOrder) {
    constexpr int kWriters = 4;
    constexpr int kLinesEach = 1000;
    Console console;
    test_support::StartGate start(kWriters + 1);
    std::vector<std::thread> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        writers.emplace_back([&console, &start, writer] {
            start.ArriveAndWait();
            for (int i = 0; i < kLinesEach; ++i) {
                NarrowString text;
                text.Format("%d %d", writer, i);
                console.AppendText(text, static_cast<uint32_t>(writer));
            }
        });
    }
    test_support::TestPixelBuffer frame(320, 200);
    start.ArriveAndWait();
    for (int paint = 0; paint < 100; ++paint) {
        ASSERT_TRUE(console.DrawText(frame));
    }
    for (std::thread& writer : writers) {
        writer.join();
    }

    const std::vector<ConsoleLine> lines = console.Snapshot();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kWriters * kLinesEach));
    std::vector<int> next(kWriters, 0);
    for (const ConsoleLine& line : lines) {
        const auto writer = static_cast<int>(line.colour);
        ASSERT_LT(writer, kWriters);
        EXPECT_EQ(std::string(line.text.View()), std::to_string(writer) + " " + std::to_string(next[writer]));
        ++next[writer];
    }
}

struct GuiSide {
    Console* console;
    int commands = 0;
};

void RunCommand(void* context, const NarrowString& line) {
    auto* gui = static_cast<GuiSide*>(context);
    ++gui->commands;
    NarrowString echo;
    echo.Format("> %s", line.GetNarrow());
    gui->console->AppendLine(echo);
}

void PostRepaint(void* context) {
    static_cast<std::atomic<int>*>(context)->fetch_add(1);
}

void Press(Console& console, uint8_t key) {
    console.KeyEvent(key, true, false);
    console.KeyEvent(key, false, false);
}

// The emulation thread appends, continues, repeats and clears while the GUI thread types, runs commands, scrolls
// and paints. The log and the command line come out whole, and the change callback keeps to its rule.
TEST(ConsoleThreadTest, WriterAppendsAndClearsWhileTheGuiThreadTypesAndPaints) {
    Console console;
    std::atomic<int> repaints{0};
    console.SetChangeCallback(PostRepaint, &repaints);
    GuiSide gui{&console};
    console.SetCommandCallback(RunCommand, &gui);
    test_support::StartGate start(2);

    std::thread writer([&console, &start] {
        StringList block;
        block.Add(NarrowString("block one"));
        block.Add(NarrowString("block two"));
        start.ArriveAndWait();
        for (int i = 0; i < 3000; ++i) {
            console.SetSuppressRepeats(i % 7 == 0);
            NarrowString text;
            text.Format("trace %d", i);
            console.AppendText(text, 0xFF9696FF, i % 5 != 0);
            console.AppendLine(NarrowString("same"));
            if (i % 50 == 0) {
                console.AppendLines(block);
            }
            if (i % 400 == 0) {
                console.Clear();
            }
        }
        console.Clear();
        console.AppendLine(NarrowString("LAST"));
    });

    test_support::TestPixelBuffer frame(320, 240);
    start.ArriveAndWait();
    for (int round = 0; round < 300; ++round) {
        for (uint8_t key : {0x52, 0x55, 0x4E}) { // RUN
            Press(console, key);
        }
        Press(console, 0x0D);
        Press(console, 0x1B);
        Press(console, round % 2 == 0 ? 0x21 : 0x22);
        console.KeyEvent(0xE0, true, false);
        Press(console, 0x24);
        console.KeyEvent(0xE0, false, false);
        console.ResetKeyStates(round % 10 == 0);
        ASSERT_TRUE(console.DrawText(frame));
    }
    writer.join();
    for (uint8_t key : {0x44, 0x4F, 0x4E, 0x45}) { // DONE
        Press(console, key);
    }
    ASSERT_TRUE(console.DrawText(frame));

    EXPECT_EQ(gui.commands, 300);
    EXPECT_FALSE(console.IsChanged());
    EXPECT_GT(repaints.load(), 0);
    // After the writer's last Clear only its last line and the echoes of commands run meanwhile are left.
    const std::vector<ConsoleLine> lines = console.Snapshot();
    int last = 0;
    for (const ConsoleLine& line : lines) {
        const std::string text(line.text.View());
        last += text == "LAST" ? 1 : 0;
        EXPECT_TRUE(text == "LAST" || text == "> RUN") << text;
    }
    EXPECT_EQ(last, 1);
    // What the user sees: the log's last line and the command line typed meanwhile.
    const test_support::ScreenReader reader(test_support::ConsoleGlyphs());
    const int32_t lastRow = console.ShownRows() - 1;
    EXPECT_EQ(test_support::TrimRight(reader.ReadText(frame, 3, lastRow * 16 + 3, 10, Console::kBlack)),
              std::string(lines.back().text.View()));
    EXPECT_EQ(std::string(console.EditLine().View()), "DONE");
}

} // namespace
} // namespace common
