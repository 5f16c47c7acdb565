#pragma once

#include "common/ByteStream.h"
#include "common/List.h"

#include <memory>
#include <vector>

namespace common {

// A list of strings that keeps its own copy of every string added, narrow and wide ones alike.
class StringList : public List {
public:
    StringList() = default;

    String* At(int index) const override;
    int Add(const String& item) override;
    int Count() const override { return static_cast<int>(items.size()); }
    void Remove(int index, int count) override;
    void Clear() override { items.clear(); }
    // Ascending by String::Compare (narrow against wide in wide characters); equal items keep their order.
    void Sort() override;

    // Adds the stream's remaining bytes as lines of two lower-case hexadecimal digits per byte, each byte written
    // as prefix, digits, suffix, trailer, bytesPerLine bytes a line. Mode 1 is the only one. The result is the
    // number of bytes rendered, or -1 for a bad mode or line length or a short read (lines added stay).
    int AddHexLines(ByteStream& stream, int mode, int bytesPerLine, const String& trailer, const String& prefix,
                    const String& suffix);
    // Writes every item's narrow text followed by CR LF; false on a short write (what was written stays).
    bool WriteLines(ByteStream& stream) const;

private:
    std::vector<std::unique_ptr<String>> items;
};

} // namespace common
