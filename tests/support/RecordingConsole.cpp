#include "support/RecordingConsole.h"

#include <iomanip>
#include <ostream>

namespace test_support {

const std::vector<RecordingConsole::Line>& RecordingConsole::Lines() {
    recorded.clear();
    for (const common::ConsoleLine& line : Snapshot()) {
        recorded.push_back({std::string(line.text.View()), line.colour});
    }
    return recorded;
}

std::vector<std::string> RecordingConsole::Texts() {
    std::vector<std::string> texts;
    for (const Line& line : Lines()) {
        texts.push_back(line.text);
    }
    return texts;
}

void RecordingConsole::ClearLines() {
    Clear();
    recorded.clear();
}

void PrintTo(const RecordingConsole::Line& line, std::ostream* out) {
    *out << '"' << line.text << "\" in 0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0')
         << line.colour;
}

} // namespace test_support
