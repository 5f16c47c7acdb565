#include "common/MemoryStream.h"
#include "common/NamedList.h"
#include "common/NarrowString.h"
#include "common/StringList.h"
#include "common/WideString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace common {
namespace {

std::vector<std::string> Items(const List& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i) {
        items.push_back(list.At(i)->GetNarrow());
    }
    return items;
}

template <typename ListType>
void Fill(ListType& list, std::initializer_list<const char*> items) {
    for (const char* item : items) {
        list.Add(NarrowString(item));
    }
}

TEST(ListTest, RemoveCutsTheRangeToTheList) {
    struct Case {
        int index;
        int count;
        std::vector<std::string> left;
    };
    const std::vector<Case> cases = {
        {1, 2, {"a", "d"}},           {-3, 4, {"b", "c", "d"}},      {2, 100, {"a", "b"}}, {4, 1, {"a", "b", "c", "d"}},
        {0, 0, {"a", "b", "c", "d"}}, {-2, 2, {"a", "b", "c", "d"}}, {0, 0x7FFFFFFF, {}},
    };
    for (const Case& c : cases) {
        StringList strings;
        NamedList<long long> named;
        Fill(strings, {"a", "b", "c", "d"});
        Fill(named, {"a", "b", "c", "d"});
        strings.Remove(c.index, c.count);
        named.Remove(c.index, c.count);
        EXPECT_EQ(Items(strings), c.left) << c.index << ", " << c.count;
        EXPECT_EQ(Items(named), c.left) << c.index << ", " << c.count;
    }
}

TEST(ListTest, AtAnswersNullOutsideTheList) {
    StringList strings;
    NamedList<long long> named;
    EXPECT_EQ(strings.At(0), nullptr);
    Fill(strings, {"a", "b"});
    Fill(named, {"a", "b"});
    for (const List* list : {static_cast<const List*>(&strings), static_cast<const List*>(&named)}) {
        EXPECT_EQ(list->At(-1), nullptr);
        EXPECT_EQ(list->At(2), nullptr);
        EXPECT_STREQ(list->At(1)->GetNarrow(), "b");
    }
    EXPECT_EQ(named.ValueAt(2), nullptr);
    strings.Clear();
    EXPECT_EQ(strings.Count(), 0);
}

TEST(ListTest, AddKeepsAPrivateCopyInTheItemsWidth) {
    StringList list;
    WideString path(u"C:\\\u0416\\");
    EXPECT_EQ(list.Add(path), 0);
    EXPECT_EQ(list.Add(NarrowString("b")), 1);
    path.Clear();
    EXPECT_EQ(list.At(0)->Kind(), 2);
    EXPECT_EQ(list.At(0)->Compare(u"C:\\\u0416\\"), 0);
    EXPECT_EQ(list.At(1)->Kind(), 1);
}

TEST(ListTest, SortOrdersBothWidthsTogetherAndKeepsEqualItemsInOrder) {
    StringList list;
    list.Add(WideString(u"b"));
    list.Add(NarrowString("\xE9"));
    list.Add(NarrowString("b"));
    list.Add(WideString(u"\u0100"));
    list.Add(NarrowString("a"));
    list.Sort();
    EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "b", "b", "\xE9", ""}));
    EXPECT_EQ(list.At(1)->Kind(), 2) << "the wide b was added first";
    EXPECT_EQ(list.At(2)->Kind(), 1);
    EXPECT_EQ(list.At(4)->Compare(u"\u0100"), 0);

    NamedList<long long> named;
    Fill(named, {"z", "a"});
    named.Sort();
    EXPECT_EQ(Items(named), (std::vector<std::string>{"z", "a"}));
}

TEST(ListTest, NamedEntriesCarryAValue) {
    NamedList<long long> list;
    EXPECT_EQ(list.Add(NarrowString("speed")), 0);
    EXPECT_EQ(list.Add(WideString(u"volume")), 1);
    EXPECT_EQ(*list.ValueAt(0), 0);
    *list.ValueAt(1) = -5;
    list.Remove(0, 1);
    EXPECT_EQ(list.At(0)->Compare("volume"), 0);
    EXPECT_EQ(*list.ValueAt(0), -5);
}

TEST(ListTest, AddHexLinesRendersTheRemainingBytes) {
    std::vector<uint8_t> bytes = {0xFF, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xAB};
    MemoryStream stream;
    stream.Attach(bytes.data(), bytes.size());
    ASSERT_TRUE(stream.Seek(1));
    StringList list;
    EXPECT_EQ(list.AddHexLines(stream, 1, 4, NarrowString(","), NarrowString("0x"), NarrowString("")), 10);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"0x00,0x01,0x02,0x03,", "0x04,0x05,0x06,0x07,", "0x08,0xab,"}));

    EXPECT_EQ(list.AddHexLines(stream, 1, 4, NarrowString(), NarrowString(), NarrowString()), 0);
    EXPECT_EQ(list.Count(), 3);
    ASSERT_TRUE(stream.Seek(0));
    EXPECT_EQ(list.AddHexLines(stream, 2, 4, NarrowString(), NarrowString(), NarrowString()), -1);
    EXPECT_EQ(list.AddHexLines(stream, 1, 0, NarrowString(), NarrowString(), NarrowString()), -1);
    EXPECT_EQ(stream.Tell(), 0);
}

TEST(ListTest, WriteLinesEndsEveryLineWithCrLf) {
    StringList list;
    MemoryStream stream;
    ASSERT_TRUE(stream.Create(0, -1));
    EXPECT_TRUE(list.WriteLines(stream));
    EXPECT_EQ(stream.Size(), 0);

    list.Add(NarrowString("ab"));
    list.Add(WideString(u"\u0141c"));
    EXPECT_TRUE(list.WriteLines(stream));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.GetBuffer()), stream.Size()), "ab\r\nAc\r\n");

    MemoryStream small;
    ASSERT_TRUE(small.Create(5, 0));
    EXPECT_FALSE(list.WriteLines(small));
}

} // namespace
} // namespace common
