#include "common/Console.h"

#include "support/StartGate.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace common {
namespace {

// Writers on several threads, as the emulation thread and the console commands write at once, while a reader
// takes lines: every line arrives once, whole, and each writer's lines keep their order.
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
    std::vector<ConsoleLine> lines;
    start.ArriveAndWait();
    for (int taken = 0; taken < 100; ++taken) {
        for (ConsoleLine& line : console.TakePendingLines()) {
            lines.push_back(std::move(line));
        }
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    for (ConsoleLine& line : console.TakePendingLines()) {
        lines.push_back(std::move(line));
    }

    ASSERT_EQ(lines.size(), static_cast<size_t>(kWriters * kLinesEach));
    std::vector<int> next(kWriters, 0);
    for (const ConsoleLine& line : lines) {
        const auto writer = static_cast<int>(line.colour);
        ASSERT_LT(writer, kWriters);
        EXPECT_EQ(std::string(line.text.View()), std::to_string(writer) + " " + std::to_string(next[writer]));
        ++next[writer];
    }
}

} // namespace
} // namespace common
