#include "common/SettingsTree.h"

#include "common/OwnedValue.h"
#include "common/RecordArchive.h"

#include <cstring>
#include <vector>

namespace common {

namespace {

constexpr uint8_t kValueMarker = 0x01;
constexpr uint8_t kSectionMarker = 0x80;
constexpr uint8_t kEndMarker = 0xFF;

bool HasText(const char* text) {
    return text != nullptr && *text != 0;
}

bool WriteText(ByteStream& stream, const char* text) {
    const auto length = static_cast<int64_t>(std::strlen(text));
    return stream.Write(text, length) == length;
}

bool ExpectText(ByteStream& stream, const char* text) {
    std::vector<char> read(std::strlen(text));
    const auto length = static_cast<int64_t>(read.size());
    return stream.Read(read.data(), length) == length && std::memcmp(read.data(), text, read.size()) == 0;
}

bool WriteMarker(ByteStream& stream, uint8_t marker) {
    return stream.Write(&marker, 1) == 1;
}

// Version (must be 0) and extension length, skipping the extension.
bool ReadNodeHeader(ByteStream& stream) {
    uint16_t version = 0;
    uint16_t extension = 0;
    if (!ReadLittleEndian(stream, version) || version != 0 || !ReadLittleEndian(stream, extension)) {
        return false;
    }
    return extension == 0 || stream.Seek(stream.Tell() + extension);
}

template <typename T>
bool SameWhenReadAs(const TypedValue& a, const TypedValue& b, bool (TypedValue::*get)(T&) const) {
    T first{};
    T second{};
    return (a.*get)(first) && (b.*get)(second) && first == second;
}

// Whether a stored value equals what the binding's variable holds, by the rule of the binding's type: integers
// compare by value across widths, read as the binding's signedness.
bool SameSetting(const BoundValue& binding, const TypedValue& stored) {
    switch (binding.Tag()) {
    case ValueTag::U8:
    case ValueTag::U16:
    case ValueTag::U32:
    case ValueTag::U64:
        return SameWhenReadAs(binding, stored, &TypedValue::GetU64);
    case ValueTag::I8:
    case ValueTag::I16:
    case ValueTag::I32:
    case ValueTag::I64:
        return SameWhenReadAs(binding, stored, &TypedValue::GetI64);
    case ValueTag::Bool:
        return SameWhenReadAs(binding, stored, &TypedValue::GetBool);
    case ValueTag::String: {
        const String* mine = binding.GetStringObject();
        const String* theirs = stored.GetStringObject();
        return mine != nullptr && theirs != nullptr && (mine == theirs || theirs->Compare(*mine) == 0);
    }
    default:
        return false;
    }
}

} // namespace

BoundValue* SettingsTree::BindPlaceholder(const NarrowString& key) {
    const auto [entry, inserted] = values.try_emplace(key);
    if (!inserted) {
        return nullptr;
    }
    entry->second = std::make_unique<BoundValue>();
    return entry->second.get();
}

bool SettingsTree::AddSection(const NarrowString& key, std::unique_ptr<SettingsTree> section) {
    return section != nullptr && sections.try_emplace(key, std::move(section)).second;
}

void SettingsTree::SetHandlers(void* context, SectionHandler onSection, NodeDoneHandler onNodeDone) {
    handlerContext = context;
    sectionHandler = onSection;
    nodeDoneHandler = onNodeDone;
}

BoundValue* SettingsTree::FindValue(const NarrowString& key) const {
    const auto entry = values.find(key);
    return entry != values.end() ? entry->second.get() : nullptr;
}

SettingsTree* SettingsTree::FindSection(const NarrowString& key) const {
    const auto entry = sections.find(key);
    return entry != sections.end() ? entry->second.get() : nullptr;
}

bool SettingsTree::Save(ByteStream& stream, const char* leadingText, const char* trailingText) const {
    if ((HasText(leadingText) && !WriteText(stream, leadingText)) || !WriteLittleEndian<uint16_t>(stream, 0) ||
        !WriteLittleEndian<uint16_t>(stream, 0)) {
        return false;
    }
    for (const auto& [key, value] : values) {
        if (!WriteMarker(stream, kValueMarker) || !WriteStringRecord(stream, key) || !value->WriteValue(stream)) {
            return false;
        }
    }
    for (const auto& [key, section] : sections) {
        if (!WriteMarker(stream, kSectionMarker) || !WriteStringRecord(stream, key) || !section->Save(stream)) {
            return false;
        }
    }
    return WriteMarker(stream, kEndMarker) && (!HasText(trailingText) || WriteText(stream, trailingText));
}

bool SettingsTree::Load(ByteStream& stream, const char* leadingText, const char* trailingText) {
    return LoadChecked(stream, nullptr, leadingText, trailingText);
}

bool SettingsTree::LoadChecked(ByteStream& stream, bool* changed, const char* leadingText, const char* trailingText) {
    if ((HasText(leadingText) && !ExpectText(stream, leadingText)) || !ReadNodeHeader(stream)) {
        return false;
    }
    OwnedValue stored;
    NarrowString key;
    bool hadSection = false;
    for (;;) {
        uint8_t marker = 0;
        if (stream.Read(&marker, 1) != 1) {
            return false;
        }
        if (marker == kValueMarker) {
            // A malformed value fails the load even when nobody bound its key.
            if (!ReadStringRecord(stream, key) || !stored.ReadValue(stream)) {
                return false;
            }
            BoundValue* binding = FindValue(key);
            if (binding != nullptr) {
                if (changed != nullptr && !SameSetting(*binding, stored)) {
                    *changed = true;
                }
                // A value the variable refuses leaves it as it was.
                binding->AssignFrom(stored);
            }
        } else if (marker == kSectionMarker) {
            if (!hadSection && nodeDoneHandler != nullptr && !nodeDoneHandler(handlerContext, nullptr)) {
                return false;
            }
            if (!ReadStringRecord(stream, key) || !LoadSection(stream, key, changed) ||
                (nodeDoneHandler != nullptr && !nodeDoneHandler(handlerContext, &key))) {
                return false;
            }
            hadSection = true;
        } else if (marker == kEndMarker) {
            if (HasText(trailingText) && !ExpectText(stream, trailingText)) {
                return false;
            }
            return hadSection || nodeDoneHandler == nullptr || nodeDoneHandler(handlerContext, nullptr);
        } else {
            return false;
        }
    }
}

bool SettingsTree::LoadSection(ByteStream& stream, const NarrowString& key, bool* changed) {
    const int64_t start = stream.Tell();
    bool ignored = false;
    if (sectionHandler != nullptr &&
        !sectionHandler(handlerContext, stream, key, changed != nullptr ? changed : &ignored) && !stream.Seek(start)) {
        return false;
    }
    return stream.Tell() != start || SkipKeyTreeNode(stream);
}

bool SkipKeyTreeNode(ByteStream& stream) {
    // Nesting is counted rather than recursed into, so no stream can exhaust the stack.
    OwnedValue stored;
    if (!ReadNodeHeader(stream)) {
        return false;
    }
    for (int depth = 1; depth > 0;) {
        uint8_t marker = 0;
        if (stream.Read(&marker, 1) != 1) {
            return false;
        }
        switch (marker) {
        case kValueMarker:
            if (!ReadStringRecord(stream) || !stored.ReadValue(stream)) {
                return false;
            }
            break;
        case kSectionMarker:
            if (!ReadStringRecord(stream) || !ReadNodeHeader(stream)) {
                return false;
            }
            ++depth;
            break;
        case kEndMarker:
            --depth;
            break;
        default:
            return false;
        }
    }
    return true;
}

} // namespace common
