#include "common/StringList.h"

#include "common/IndexRange.h"
#include "common/NarrowString.h"

#include <algorithm>
#include <cstring>

namespace common {

String* StringList::At(int index) const {
    return index >= 0 && index < Count() ? items[index].get() : nullptr;
}

int StringList::Add(const String& item) {
    items.push_back(item.Substr(0, item.Length()));
    return Count() - 1;
}

void StringList::Remove(int index, int count) {
    const IndexRange range = IndexRange::Clamp(Count(), index, count);
    items.erase(items.begin() + range.first, items.begin() + range.first + range.count);
}

void StringList::Sort() {
    std::stable_sort(
        items.begin(), items.end(),
        [](const std::unique_ptr<String>& a, const std::unique_ptr<String>& b) { return StringLess(*a, *b); });
}

int StringList::AddHexLines(ByteStream& stream, int mode, int bytesPerLine, const String& trailer, const String& prefix,
                            const String& suffix) {
    if (mode != 1 || bytesPerLine <= 0) {
        return -1;
    }
    NarrowString line;
    int inLine = 0;
    int rendered = 0;
    while (stream.Tell() < stream.Size()) {
        uint8_t byte = 0;
        if (stream.Read(&byte, 1) != 1) {
            return -1;
        }
        if (inLine == bytesPerLine) {
            Add(line);
            line.Clear();
            inLine = 0;
        }
        line.AppendFormat("%s%.2I32x%s%s", prefix, byte, suffix, trailer);
        ++inLine;
        ++rendered;
    }
    if (!line.IsEmpty()) {
        Add(line);
    }
    return rendered;
}

bool StringList::WriteLines(ByteStream& stream) const {
    for (const std::unique_ptr<String>& item : items) {
        const char* text = item->GetNarrow();
        const auto length = static_cast<int64_t>(std::strlen(text));
        if (stream.Write(text, length) != length || stream.Write("\r\n", 2) != 2) {
            return false;
        }
    }
    return true;
}

} // namespace common
