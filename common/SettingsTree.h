#pragma once

#include "common/BoundValue.h"
#include "common/ByteStream.h"
#include "common/NarrowString.h"

#include <cstdint>
#include <map>
#include <memory>

namespace common {

// How every setting reaches a file. The owner of the settings binds its variables under keys and hangs nested
// trees (sections, one per device) under keys of their own; Save writes every binding with its current value and
// every section. Load reads such a stream and stores each value into the variable bound under its key; unknown
// keys and values a variable refuses are passed over, and a nested node reaches the program only through the
// section handler, being skipped whole otherwise. A tree lives for one save or one load.
//
// Stream: [leading text] u16 version 0, u16 extension length E, E bytes, records, 0xFF, [trailing text].
// Records: 0x01, key string record, value record; 0x80, key string record, nested node (version, extension,
// records, 0xFF). Values come first in key order, then sections in key order; a reader takes any order.
class SettingsTree {
public:
    // Called for each nested node met while loading, positioned at the node; answers whether it took it.
    // A handler that answers false is put back and the node skipped, as is a node it left unread.
    using SectionHandler = bool (*)(void* context, ByteStream& stream, const NarrowString& key, bool* changed);
    // Called once per node with a null key, after the values before its first section (or at its end when it
    // has none), and once with the key after each section; false fails the load.
    using NodeDoneHandler = bool (*)(void* context, const NarrowString* key);

    SettingsTree() = default;
    virtual ~SettingsTree() = default;
    SettingsTree(const SettingsTree&) = delete;
    SettingsTree& operator=(const SettingsTree&) = delete;

    // Binds a variable under a key and answers the binding, which the tree owns. The first binding of a key
    // wins: a later one, like a null variable, answers null and binds nothing.
    BoundValue* BindString(const NarrowString& key, String* variable) { return Bind(key, variable); }
    BoundValue* BindBool(const NarrowString& key, bool* variable) { return Bind(key, variable); }
    BoundValue* BindU8(const NarrowString& key, uint8_t* variable) { return Bind(key, variable); }
    // Registers an untyped binding for the caller to bind (BoundValue::Bind); null when the key is taken.
    BoundValue* BindPlaceholder(const NarrowString& key);
    // Hangs a nested tree under a key for saving; refused (and the tree dropped) when the key is taken.
    bool AddSection(const NarrowString& key, std::unique_ptr<SettingsTree> section);
    void SetHandlers(void* context, SectionHandler onSection, NodeDoneHandler onNodeDone);

    // No bindings and no sections.
    bool IsEmpty() const { return values.empty() && sections.empty(); }
    BoundValue* FindValue(const NarrowString& key) const;
    SettingsTree* FindSection(const NarrowString& key) const;

    // Null or empty texts mean none.
    bool Save(ByteStream& stream, const char* leadingText = nullptr, const char* trailingText = nullptr) const;
    bool Load(ByteStream& stream, const char* leadingText = nullptr, const char* trailingText = nullptr);
    // A Load that also sets *changed when a stored value differs from its variable's (it never clears it).
    bool LoadChecked(ByteStream& stream, bool* changed, const char* leadingText = nullptr,
                     const char* trailingText = nullptr);

private:
    template <typename T>
    BoundValue* Bind(const NarrowString& key, T* variable) {
        BoundValue* value = variable != nullptr ? BindPlaceholder(key) : nullptr;
        if (value != nullptr) {
            value->Bind(variable);
        }
        return value;
    }

    bool LoadSection(ByteStream& stream, const NarrowString& key, bool* changed);

    std::map<NarrowString, std::unique_ptr<BoundValue>, StringLessOrder> values;
    std::map<NarrowString, std::unique_ptr<SettingsTree>, StringLessOrder> sections;
    SectionHandler sectionHandler = nullptr;
    void* handlerContext = nullptr;
    NodeDoneHandler nodeDoneHandler = nullptr;
};

// Reads one nested node, from its version to its end marker, checking every record, and keeps nothing.
bool SkipKeyTreeNode(ByteStream& stream);

} // namespace common
