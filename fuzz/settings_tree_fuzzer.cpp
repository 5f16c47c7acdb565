// Loads arbitrary bytes as a settings stream into bindings of every kind, with nested sections taken by a
// handler, and checks that whatever loads saves and loads back unchanged. The seed is a settings stream the tree
// saves: a value of every kind and a nested section.
#include "common/MemoryStream.h"
#include "common/NarrowString.h"
#include "common/SettingsTree.h"
#include "common/WideString.h"
#include "fuzz/Seed.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using common::ByteStream;
using common::NarrowString;
using common::SettingsTree;

struct Settings {
    bool flag = false;
    uint8_t byte = 0;
    int32_t number = 0;
    uint64_t quad = 0;
    NarrowString name;
    common::WideString path;
};

void Bind(SettingsTree& tree, Settings& settings) {
    tree.BindBool("F", &settings.flag);
    tree.BindU8("B", &settings.byte);
    tree.BindPlaceholder("N")->Bind(&settings.number);
    tree.BindPlaceholder("Q")->Bind(&settings.quad);
    tree.BindString("S", &settings.name);
    tree.BindString("P", &settings.path);
}

struct Sections {
    Settings nested;
    int depth = 0;
};

bool NodeDone(void*, const NarrowString*) {
    return true;
}

// Sections named "D" nest, as devices do, a few levels deep.
bool LoadSection(void* context, ByteStream& stream, const NarrowString& key, bool* changed) {
    auto& sections = *static_cast<Sections*>(context);
    if (sections.depth >= 8 || key.Compare("D") != 0) {
        return false;
    }
    SettingsTree tree;
    Bind(tree, sections.nested);
    tree.SetHandlers(context, LoadSection, NodeDone);
    ++sections.depth;
    const bool loaded = tree.LoadChecked(stream, changed);
    --sections.depth;
    return loaded;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Settings settings{true, 0x81, -5, 0x8182838485868788, NarrowString("narrow"), common::WideString(u"wide")};
    Settings nested = settings;
    SettingsTree tree;
    Bind(tree, settings);
    auto section = std::make_unique<SettingsTree>();
    Bind(*section, nested);
    common::MemoryStream stream;
    stream.Create(0, -1);
    if (tree.AddSection(NarrowString("D"), std::move(section)) && tree.Save(stream)) {
        fuzz::WriteSeed("settings", std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.Size()));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> content(data, data + size);
    common::MemoryStream stream;
    stream.Attach(content.data(), static_cast<int64_t>(content.size()));
    common::SkipKeyTreeNode(stream);

    stream.Seek(0);
    Settings settings;
    Sections sections;
    SettingsTree tree;
    Bind(tree, settings);
    tree.SetHandlers(&sections, LoadSection, NodeDone);
    bool changed = false;
    if (!tree.LoadChecked(stream, &changed)) {
        return 0;
    }

    common::MemoryStream saved;
    saved.Create(0, -1);
    SettingsTree writer;
    Bind(writer, settings);
    if (!writer.Save(saved)) {
        std::abort();
    }
    saved.Seek(0);
    Settings copy = settings;
    SettingsTree reader;
    Bind(reader, copy);
    bool changedAgain = false;
    if (!reader.LoadChecked(saved, &changedAgain) || changedAgain) {
        std::abort();
    }
    return 0;
}
