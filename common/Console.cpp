#include "common/Console.h"

#include <iterator>

namespace common {

void Console::AppendText(const String& text, uint32_t colour, bool lineComplete) {
    LockGuard guard(&outputLock);
    if (!pendingLines.empty() && !lastLineComplete) {
        pendingLines.back().text.Append(text);
    } else {
        while (pendingLines.size() >= static_cast<size_t>(kLineLimit)) {
            pendingLines.pop_front();
        }
        ConsoleLine& line = pendingLines.emplace_back();
        line.text.Assign(text);
        line.colour = colour;
    }
    lastLineComplete = lineComplete;
}

std::vector<ConsoleLine> Console::TakePendingLines() {
    LockGuard guard(&outputLock);
    std::vector<ConsoleLine> taken(std::make_move_iterator(pendingLines.begin()),
                                   std::make_move_iterator(pendingLines.end()));
    pendingLines.clear();
    return taken;
}

} // namespace common
