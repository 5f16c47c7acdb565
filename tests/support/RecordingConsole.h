#pragma once

#include "common/Console.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace test_support {

// A console whose lines tests read back in order, painted or not.
class RecordingConsole : public common::Console {
public:
    struct Line {
        std::string text;
        uint32_t colour = 0;

        bool operator==(const Line&) const = default;
    };

    // Every line written since the fixture was made or last cleared, oldest first: the lines a paint has taken
    // to show and the ones still pending alike.
    const std::vector<Line>& Lines();
    // Only the texts of those lines.
    std::vector<std::string> Texts();
    void ClearLines();

private:
    std::vector<Line> recorded;
};

// Shows a line in test failure messages.
void PrintTo(const RecordingConsole::Line& line, std::ostream* out);

} // namespace test_support
