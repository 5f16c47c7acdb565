#include "common/SettingsTree.h"

#include "common/MemoryStream.h"
#include "common/WideString.h"
#include "support/Bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace common {
namespace {

using test_support::Bytes;
using test_support::Concat;

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Saved(const SettingsTree& tree, const char* leading = nullptr, const char* trailing = nullptr) {
    MemoryStream stream;
    stream.Create(0, -1);
    EXPECT_TRUE(tree.Save(stream, leading, trailing));
    return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

// A stream over a copy of the bytes, kept with them.
class Source {
public:
    explicit Source(const Bytes& bytes) : content(bytes) { stream.Attach(content.data(), content.size()); }
    MemoryStream& Stream() { return stream; }

private:
    Bytes content;
    MemoryStream stream;
};

const Bytes kHeader = {0x00, 0x00, 0x00, 0x00};
const Bytes kEnd = {0xFF};
const Bytes kTrueRecord = {0x04, 0x40, 0xFF};
const Bytes kU8FiveRecord = {0x00, 0x11, 0x05};

// The key record of a one-letter key.
Bytes Key(char letter) {
    return {0x81, 0x80, 0x01, 0x00, static_cast<uint8_t>(letter)};
}
// A node: version, extension length, its records and its end marker.
Bytes Node(std::initializer_list<Bytes> records) {
    return Concat({kHeader, Concat(records), kEnd});
}
Bytes Value(char key, const Bytes& record) {
    return Concat({{0x01}, Key(key), record});
}
Bytes Section(char key, std::initializer_list<Bytes> records) {
    return Concat({{0x80}, Key(key), Node(records)});
}

// Golden bytes: "A" true, and a section "S" holding "B" = 5.
const Bytes kExample = {0x00, 0x00, 0x00, 0x00, 0x01, 0x81, 0x80, 0x01, 0x00, 0x41, 0x04, 0x40,
                        0xFF, 0x80, 0x81, 0x80, 0x01, 0x00, 0x53, 0x00, 0x00, 0x00, 0x00, 0x01,
                        0x81, 0x80, 0x01, 0x00, 0x42, 0x00, 0x11, 0x05, 0xFF, 0xFF};

// Loads a section named "S" into the u8 bound under "B" in the variable the context points at.
bool LoadSectionS(void* context, ByteStream& stream, const NarrowString& key, bool* changed) {
    if (key.Compare("S") != 0) {
        return false;
    }
    SettingsTree section;
    section.BindU8("B", static_cast<uint8_t*>(context));
    return section.LoadChecked(stream, changed);
}

TEST(SettingsTreeTest, SavesItsGoldenBytesAndLoadsThemBack) {
    bool a = true;
    uint8_t b = 5;
    SettingsTree tree;
    ASSERT_NE(tree.BindBool("A", &a), nullptr);
    auto section = std::make_unique<SettingsTree>();
    ASSERT_NE(section->BindU8("B", &b), nullptr);
    ASSERT_TRUE(tree.AddSection("S", std::move(section)));
    EXPECT_EQ(Saved(tree), kExample);
    EXPECT_EQ(Node({Value('A', kTrueRecord), Section('S', {Value('B', kU8FiveRecord)})}), kExample)
        << "the helpers that build the other streams follow the format";

    bool loadedA = false;
    uint8_t loadedB = 0;
    SettingsTree reader;
    reader.BindBool("A", &loadedA);
    reader.SetHandlers(&loadedB, LoadSectionS, nullptr);
    Source source(kExample);
    ASSERT_TRUE(reader.Load(source.Stream()));
    EXPECT_TRUE(loadedA);
    EXPECT_EQ(loadedB, 5);
    EXPECT_EQ(source.Stream().Tell(), source.Stream().Size());
}

TEST(SettingsTreeTest, AnEmptyTreeIsItsHeaderAndEndBetweenTheTexts) {
    const SettingsTree tree;
    EXPECT_EQ(Saved(tree), Node({}));
    EXPECT_EQ(Saved(tree, "ZOVINI", "END"), Concat({Text("ZOVINI"), Node({}), Text("END")}));
    EXPECT_EQ(Saved(tree, "", ""), Node({}));
    SettingsTree reader;
    Source source(Concat({Text("ZOVINI"), Node({}), Text("END")}));
    EXPECT_TRUE(reader.Load(source.Stream(), "ZOVINI", "END"));
}

TEST(SettingsTreeTest, ValuesComeInKeyOrderBeforeSections) {
    uint8_t value = 1;
    SettingsTree tree;
    tree.BindU8("b", &value);
    tree.AddSection("a", std::make_unique<SettingsTree>());
    tree.BindU8("a", &value);
    tree.BindU8("B", &value);
    const Bytes record = {0x00, 0x11, 0x01};
    EXPECT_EQ(Saved(tree), Node({Value('B', record), Value('a', record), Value('b', record), Section('a', {})}));
}

// One variable of every kind a settings owner binds.
struct Settings {
    WideString path;
    NarrowString name;
    bool flag = false;
    uint8_t byte = 0;
    int32_t frequency = 0;

    void Bind(SettingsTree& tree) {
        tree.BindString("Path", &path);
        tree.BindString("Name", &name);
        tree.BindBool("Flag", &flag);
        tree.BindU8("Byte", &byte);
        tree.BindPlaceholder("Freq")->Bind(&frequency);
    }
};

TEST(SettingsTreeTest, EveryKindOfBindingRoundTrips) {
    Settings saved{u"C:\\\u0418\u0433\u0440\u044B\\", "BK-0011M", true, 0xFE, -44100};
    SettingsTree writer;
    saved.Bind(writer);

    Settings loaded;
    SettingsTree reader;
    loaded.Bind(reader);
    Source source(Saved(writer, "ZOVINI"));
    ASSERT_TRUE(reader.Load(source.Stream(), "ZOVINI"));
    EXPECT_EQ(loaded.path.Compare(saved.path), 0);
    EXPECT_EQ(loaded.name.Compare(saved.name), 0);
    EXPECT_TRUE(loaded.flag);
    EXPECT_EQ(loaded.byte, 0xFE);
    EXPECT_EQ(loaded.frequency, -44100);
}

TEST(SettingsTreeTest, BindingsAreUniquePerKey) {
    bool first = false;
    bool second = false;
    SettingsTree tree;
    BoundValue* binding = tree.BindBool("Key", &first);
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(tree.BindBool("Key", &second), nullptr);
    EXPECT_EQ(tree.BindPlaceholder("Key"), nullptr);
    EXPECT_EQ(tree.FindValue("Key"), binding);
    EXPECT_EQ(tree.BindBool("Other", nullptr), nullptr);
    EXPECT_EQ(tree.FindValue("Other"), nullptr);
    EXPECT_TRUE(tree.AddSection("S", std::make_unique<SettingsTree>()));
    EXPECT_FALSE(tree.AddSection("S", std::make_unique<SettingsTree>()));
    EXPECT_NE(tree.FindSection("S"), nullptr);
    EXPECT_FALSE(tree.IsEmpty());

    SettingsTree untyped;
    untyped.BindPlaceholder("Loose");
    MemoryStream stream;
    stream.Create(0, -1);
    EXPECT_FALSE(untyped.Save(stream));
}

TEST(SettingsTreeTest, LoadPassesOverWhatItCannotStore) {
    uint8_t byte = 7;
    int32_t number = 7;
    SettingsTree tree;
    tree.BindU8("A", &byte);
    tree.BindPlaceholder("B")->Bind(&number);
    const Bytes stream = Concat({{0x00, 0x00, 0x03, 0x00, 0xEE, 0xEE, 0xEE},       // an extension of 3 bytes
                                 Value('X', kU8FiveRecord),                        // nobody bound "X"
                                 Value('A', {0x05, 0x14, 0x2C, 0x01, 0x00, 0x00}), // 300 does not fit a byte
                                 Value('B', kTrueRecord),                          // a boolean for an integer
                                 Section('S', {Section('T', {})}),
                                 kEnd});
    Source source(stream);
    EXPECT_TRUE(tree.Load(source.Stream()));
    EXPECT_EQ(byte, 7);
    EXPECT_EQ(number, 7);
    EXPECT_EQ(source.Stream().Tell(), source.Stream().Size());
}

TEST(SettingsTreeTest, MalformedStreamsFailTheLoad) {
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"version 1", {0x01, 0x00, 0x00, 0x00, 0xFF}},
        {"extension beyond the stream", {0x00, 0x00, 0x09, 0x00, 0xFF}},
        {"unknown marker", Concat({kHeader, {0x02}, kEnd})},
        {"no end marker", Concat({kHeader, Value('A', kTrueRecord)})},
        {"wrong check byte of an unbound key", Node({Value('X', {0x05, 0x11, 0x05})})},
        {"broken key record", Node({{0x01, 0x81, 0x00, 0x01, 0x00, 0x41}, kTrueRecord})},
        {"malformed record in a skipped section",
         Node({Section('S', {Section('T', {Value('B', {0x00, 0x13, 0x05})})})})},
        {"section without its end", Concat({kHeader, {0x80}, Key('S'), Node({})})},
    };
    for (const auto& [name, bytes] : cases) {
        SettingsTree tree;
        Source source(bytes);
        EXPECT_FALSE(tree.Load(source.Stream())) << name;
    }

    SettingsTree texts;
    Source wrongLeading(Concat({Text("ZOVINX"), Node({})}));
    EXPECT_FALSE(texts.Load(wrongLeading.Stream(), "ZOVINI"));
    Source wrongTrailing(Concat({Node({}), Text("EN")}));
    EXPECT_FALSE(texts.Load(wrongTrailing.Stream(), nullptr, "END"));
}

TEST(SettingsTreeTest, ValuesBeforeAFailureStayStored) {
    bool a = false;
    SettingsTree tree;
    tree.BindBool("A", &a);
    Source source(Concat({kHeader, Value('A', kTrueRecord), {0x02}}));
    EXPECT_FALSE(tree.Load(source.Stream()));
    EXPECT_TRUE(a);
}

TEST(SettingsTreeTest, EveryTruncatedPrefixOfASettingsFileFails) {
    const Bytes whole = Concat({Text("ZOVINI"), kExample, Text("END")});
    for (size_t length = 0; length < whole.size(); ++length) {
        bool a = false;
        uint8_t b = 0;
        SettingsTree tree;
        tree.BindBool("A", &a);
        tree.SetHandlers(&b, LoadSectionS, nullptr);
        Source source(Bytes(whole.begin(), whole.begin() + length));
        EXPECT_FALSE(tree.Load(source.Stream(), "ZOVINI", "END")) << "prefix of " << length << " bytes";
    }
}

// What the handlers saw, in order.
struct Recorder {
    std::vector<std::string> calls;
    bool sectionAnswer = true;
    bool readPartOfSection = false;
    bool nodeDoneAnswer = true;
};

bool RecordSection(void* context, ByteStream& stream, const NarrowString& key, bool*) {
    auto& recorder = *static_cast<Recorder*>(context);
    recorder.calls.push_back(std::string("section ") + key.GetNarrow());
    if (recorder.readPartOfSection) {
        uint8_t header[3];
        stream.Read(header, sizeof header);
    }
    return recorder.sectionAnswer;
}

bool RecordNodeDone(void* context, const NarrowString* key) {
    auto& recorder = *static_cast<Recorder*>(context);
    recorder.calls.push_back(key != nullptr ? std::string("done ") + key->GetNarrow() : "done");
    return recorder.nodeDoneAnswer;
}

TEST(SettingsTreeTest, HandlersSeeEachNodeAndSection) {
    const Bytes twoSections = Node({Value('A', kTrueRecord), Section('S', {Section('N', {})}), Section('T', {})});
    struct Case {
        const char* name;
        Bytes bytes;
        bool sectionAnswer;
        bool readPartOfSection;
        bool nodeDoneAnswer;
        bool loaded;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"sections taken without reading are skipped",
         twoSections,
         true,
         false,
         true,
         true,
         {"done", "section S", "done S", "section T", "done T"}},
        {"a refusing handler is put back",
         twoSections,
         false,
         true,
         true,
         true,
         {"done", "section S", "done S", "section T", "done T"}},
        {"a node without sections ends with one call",
         Node({Value('A', kTrueRecord)}),
         true,
         false,
         true,
         true,
         {"done"}},
        {"its answer is the load's", Node({}), true, false, false, false, {"done"}},
        {"a refusal before the first section fails", twoSections, true, false, false, false, {"done"}},
    };
    for (const Case& c : cases) {
        Recorder recorder{{}, c.sectionAnswer, c.readPartOfSection, c.nodeDoneAnswer};
        SettingsTree tree;
        tree.SetHandlers(&recorder, RecordSection, RecordNodeDone);
        Source source(c.bytes);
        EXPECT_EQ(tree.Load(source.Stream()), c.loaded) << c.name;
        EXPECT_EQ(recorder.calls, c.calls) << c.name;
    }
}

TEST(SettingsTreeTest, LoadCheckedReportsDifferencesAndStillStores) {
    struct Case {
        const char* name;
        Bytes record;
        bool changed;
    };
    const std::vector<Case> cases = {
        {"equal byte", {0x00, 0x11, 200}, false}, {"equal value in another width", {0x03, 0x12, 200, 0x00}, false},
        {"other value", {0x00, 0x11, 201}, true}, {"negative value", {0x02, 0x31, 0xFF}, true},
        {"another kind", kTrueRecord, true},
    };
    for (const Case& c : cases) {
        uint8_t byte = 200;
        SettingsTree tree;
        tree.BindU8("A", &byte);
        Source source(Node({Value('A', c.record)}));
        bool changed = false;
        ASSERT_TRUE(tree.LoadChecked(source.Stream(), &changed)) << c.name;
        EXPECT_EQ(changed, c.changed) << c.name;
    }

    NarrowString text("same");
    bool flag = true;
    SettingsTree tree;
    tree.BindString("T", &text);
    tree.BindBool("F", &flag);
    const Bytes sameWideText = {0x08, 0x80, 0x92, 0x9A, 0x08, 0x00, 's', 0, 'a', 0, 'm', 0, 'e', 0};
    Source source(Node({Value('T', sameWideText), Value('F', {0x04, 0x40, 0x00})}));
    bool changed = false;
    ASSERT_TRUE(tree.LoadChecked(source.Stream(), &changed));
    EXPECT_TRUE(changed) << "the flag differed";
    EXPECT_FALSE(flag) << "and was stored";

    uint8_t byte = 5;
    SettingsTree nested;
    nested.SetHandlers(&byte, LoadSectionS, nullptr);
    Source nestedSource(kExample);
    changed = false;
    ASSERT_TRUE(nested.LoadChecked(nestedSource.Stream(), &changed));
    EXPECT_FALSE(changed) << "a section's equal value changes nothing";
}

TEST(SettingsTreeTest, DeeplyNestedSectionsAreSkippedWithoutRecursion) {
    const Bytes level = Concat({{0x80}, Key('S'), kHeader}); // a section's opening; the ends follow at once
    Bytes stream = kHeader;
    constexpr int kDepth = 200000;
    for (int i = 0; i < kDepth; ++i) {
        stream.insert(stream.end(), level.begin(), level.end());
    }
    stream.insert(stream.end(), kDepth + 1, kEnd[0]);
    SettingsTree tree;
    Source source(stream);
    EXPECT_TRUE(tree.Load(source.Stream()));
}

} // namespace
} // namespace common
