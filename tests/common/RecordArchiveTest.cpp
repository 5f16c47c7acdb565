#include "common/RecordArchive.h"

#include "common/MemoryStream.h"
#include "common/NarrowString.h"
#include "common/WideString.h"
#include "support/Bytes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace common {
namespace {

using test_support::Bytes;
using test_support::Concat;

// An archive over a growable memory stream, and what it wrote.
class Written {
public:
    Written() { stream.Create(0, -1); }
    RecordArchive& Archive() { return archive; }
    Bytes Content() { return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size()); }

private:
    MemoryStream stream;
    RecordArchive archive{stream};
};

// An archive reading the given bytes.
class Reading {
public:
    explicit Reading(const Bytes& bytes) : content(bytes) { stream.Attach(content.data(), content.size()); }
    RecordArchive& Archive() { return archive; }
    bool AtEnd() const { return stream.Tell() == stream.Size(); }

private:
    Bytes content;
    MemoryStream stream;
    RecordArchive archive{stream};
};

const NarrowString kName("V");
const Bytes kNameRecord = {0x81, 0x80, 0x01, 0x00, 0x56};

TEST(RecordArchiveTest, AChunkWithOneValueHasItsGoldenBytes) {
    const NarrowString chunk("ABC");
    const Bytes expected = {0xF0, 0x81, 0x82, 0x03, 0x00, 0x41, 0x42, 0x43, 0xF8, 0x81, 0x80, 0x01, 0x00, 0x56,
                            0x03, 0x78, 0x56, 0x34, 0x12, 0xFF, 0x81, 0x82, 0x03, 0x00, 0x41, 0x42, 0x43};
    Written out;
    ASSERT_TRUE(out.Archive().WriteMarker(kChunkBeginMarker, chunk));
    ASSERT_TRUE(out.Archive().WriteRecordU32(0x12345678, kName));
    ASSERT_TRUE(out.Archive().WriteMarker(kChunkEndMarker, chunk));
    EXPECT_EQ(out.Content(), expected);

    Reading in(expected);
    uint32_t value = 0;
    EXPECT_TRUE(in.Archive().ReadMarker(chunk, kChunkBeginMarker));
    EXPECT_TRUE(in.Archive().ReadRecordU32(value, kName));
    EXPECT_EQ(value, 0x12345678u);
    WideString endName;
    EXPECT_TRUE(in.Archive().ReadMarker(chunk, kChunkEndMarker, &endName));
    EXPECT_EQ(endName.Compare(u"ABC"), 0);
    EXPECT_TRUE(in.AtEnd());
}

struct ValueCase {
    const char* name;
    std::function<bool(RecordArchive&)> write;
    Bytes value; // the bytes after the marker and the name record
    std::function<bool(RecordArchive&)> readBack;
};

template <typename T>
std::function<bool(RecordArchive&)> Writes(bool (RecordArchive::*write)(T, const String&), T value) {
    return [=](RecordArchive& archive) { return (archive.*write)(value, kName); };
}

template <typename T>
std::function<bool(RecordArchive&)> ReadsBack(bool (RecordArchive::*read)(T&, const String&), T expected) {
    return [=](RecordArchive& archive) {
        T value{};
        return (archive.*read)(value, kName) && value == expected;
    };
}

TEST(RecordArchiveTest, EveryValueTypeWritesItsBytesAndReadsThemBack) {
    using A = RecordArchive;
    const std::vector<ValueCase> cases = {
        {"u8", Writes(&A::WriteRecordU8, uint8_t{0xAB}), {0x00, 0xAB}, ReadsBack(&A::ReadRecordU8, uint8_t{0xAB})},
        {"u16",
         Writes(&A::WriteRecordU16, uint16_t{0x1234}),
         {0x01, 0x34, 0x12},
         ReadsBack(&A::ReadRecordU16, uint16_t{0x1234})},
        {"u64",
         Writes(&A::WriteRecordU64, uint64_t{0x0102030405060708}),
         {0x07, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01},
         ReadsBack(&A::ReadRecordU64, uint64_t{0x0102030405060708})},
        {"i8", Writes(&A::WriteRecordI8, int8_t{-2}), {0x40, 0xFE}, ReadsBack(&A::ReadRecordI8, int8_t{-2})},
        {"i16", Writes(&A::WriteRecordI16, int16_t{-2}), {0x41, 0xFE, 0xFF}, ReadsBack(&A::ReadRecordI16, int16_t{-2})},
        {"i32",
         Writes(&A::WriteRecordI32, int32_t{-2}),
         {0x43, 0xFE, 0xFF, 0xFF, 0xFF},
         ReadsBack(&A::ReadRecordI32, int32_t{-2})},
        {"i64",
         Writes(&A::WriteRecordI64, int64_t{-2}),
         {0x47, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         ReadsBack(&A::ReadRecordI64, int64_t{-2})},
        {"bool", Writes(&A::WriteRecordBool, true), {0x40, 0x01}, ReadsBack(&A::ReadRecordBool, true)},
        {"narrow string",
         [](RecordArchive& a) { return a.WriteRecordString(NarrowString("AB"), kName); },
         {0x80, 0x03, 0x00, 0x00, 0x00, 0x41, 0x42, 0x00},
         [](RecordArchive& a) {
             NarrowString v;
             return a.ReadRecordString(v, kName) && v.Compare("AB") == 0;
         }},
        {"wide string",
         [](RecordArchive& a) { return a.WriteRecordString(WideString(u"\u0416"), kName); },
         {0x81, 0x02, 0x00, 0x00, 0x00, 0x16, 0x04, 0x00, 0x00},
         [](RecordArchive& a) {
             WideString v;
             return a.ReadRecordString(v, kName) && v.Compare(u"\u0416") == 0;
         }},
        {"empty string",
         [](RecordArchive& a) { return a.WriteRecordString(NarrowString(), kName); },
         {0x80, 0x01, 0x00, 0x00, 0x00, 0x00},
         [](RecordArchive& a) {
             NarrowString v("x");
             return a.ReadRecordString(v, kName) && v.IsEmpty();
         }},
        {"blob",
         [](RecordArchive& a) {
             const std::array<uint8_t, 3> data = {7, 8, 9};
             return a.WriteRecordBlob(data.data(), 3, kName);
         },
         {0xC0, 0x03, 0x00, 0x00, 0x00, 0x07, 0x08, 0x09},
         [](RecordArchive& a) {
             std::array<uint8_t, 3> data{};
             return a.ReadRecordBlob(data.data(), 3, kName) && data == std::array<uint8_t, 3>{7, 8, 9};
         }},
    };
    for (const ValueCase& c : cases) {
        Written out;
        ASSERT_TRUE(c.write(out.Archive())) << c.name;
        const Bytes expected = Concat({{kValueRecordMarker}, kNameRecord, c.value});
        EXPECT_EQ(out.Content(), expected) << c.name;
        Reading in(expected);
        EXPECT_TRUE(c.readBack(in.Archive())) << c.name;
        EXPECT_TRUE(in.AtEnd()) << c.name;
    }
}

TEST(RecordArchiveTest, StringRecordsCarryKindSizeAndCheck) {
    Written empty;
    ASSERT_TRUE(WriteStringRecord(empty.Archive().Stream(), NarrowString()));
    EXPECT_EQ(empty.Content(), (Bytes{0x81, 0x81, 0x00, 0x00}));

    Written wide;
    ASSERT_TRUE(WriteStringRecord(wide.Archive().Stream(), WideString(u"A\u0416")));
    EXPECT_EQ(wide.Content(), (Bytes{0x92, 0x96, 0x04, 0x00, 0x41, 0x00, 0x16, 0x04}));
    Reading in(wide.Content());
    const std::unique_ptr<String> read = ReadStringRecord(in.Archive().Stream());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Kind(), 2);
    EXPECT_EQ(read->Compare(u"A\u0416"), 0);

    Reading odd({0x92, 0x91, 0x03, 0x00, 0x41, 0x00, 0x42});
    WideString dropped;
    EXPECT_TRUE(ReadStringRecord(odd.Archive().Stream(), dropped));
    EXPECT_EQ(dropped.Compare(u"A"), 0) << "an odd final byte is dropped";
}

TEST(RecordArchiveTest, NamesOf64KiBOrMoreAreRefusedWithoutWriting) {
    Written longest;
    ASSERT_TRUE(WriteStringRecord(longest.Archive().Stream(), NarrowString(std::string(65535, 'n').c_str())));
    EXPECT_EQ(longest.Content().size(), 4u + 65535u);

    Written tooLong;
    EXPECT_FALSE(WriteStringRecord(tooLong.Archive().Stream(), NarrowString(std::string(65536, 'n').c_str())));
    EXPECT_TRUE(tooLong.Content().empty());
    EXPECT_FALSE(tooLong.Archive().WriteRecordU8(1, NarrowString(std::string(65536, 'n').c_str())));
    const std::u16string wideText(32768, u'w');
    EXPECT_FALSE(WriteStringRecord(tooLong.Archive().Stream(), WideString(wideText.c_str())));
    EXPECT_TRUE(WriteStringRecord(tooLong.Archive().Stream(), WideString(wideText.substr(1).c_str())));
}

TEST(RecordArchiveTest, ReadersTakeOnlyTheirOwnTypes) {
    Written out;
    ASSERT_TRUE(out.Archive().WriteRecordBool(true, kName));
    ASSERT_TRUE(out.Archive().WriteRecordI8(-3, kName));
    Reading crossed(out.Content());
    int8_t small = 0;
    bool flag = false;
    EXPECT_TRUE(crossed.Archive().ReadRecordI8(small, kName));
    EXPECT_EQ(small, 1);
    EXPECT_TRUE(crossed.Archive().ReadRecordBool(flag, kName));
    EXPECT_TRUE(flag);
}

struct RejectCase {
    const char* name;
    Bytes bytes;
    std::function<bool(RecordArchive&)> read;
};

TEST(RecordArchiveTest, MalformedOrUnexpectedRecordsAreRejected) {
    auto readU32 = [](RecordArchive& a) {
        uint32_t v = 0;
        return a.ReadRecordU32(v, kName);
    };
    auto readString = [](RecordArchive& a) {
        NarrowString v;
        return a.ReadRecordString(v, kName);
    };
    auto readBlob16 = [](RecordArchive& a) {
        std::array<uint8_t, 16> data{};
        return a.ReadRecordBlob(data.data(), 16, kName);
    };
    auto readName = [](RecordArchive& a) { return ReadStringRecord(a.Stream()) != nullptr; };
    const Bytes u32Value = {0x03, 0x78, 0x56, 0x34, 0x12};
    const std::vector<RejectCase> cases = {
        {"wrong value marker", Concat({{0xF7}, kNameRecord, u32Value}), readU32},
        {"wrong name", Concat({{0xF8, 0x81, 0x80, 0x01, 0x00, 0x57}, u32Value}), readU32},
        {"wrong check byte", Concat({{0xF8, 0x81, 0x81, 0x01, 0x00, 0x56}, u32Value}), readU32},
        {"signed record for an unsigned reader", Concat({{0xF8}, kNameRecord, {0x43, 0, 0, 0, 0}}), readU32},
        {"u8 record for the i8 reader", Concat({{0xF8}, kNameRecord, {0x00, 0x01}}),
         [](RecordArchive& a) {
             int8_t v = 0;
             return a.ReadRecordI8(v, kName);
         }},
        {"name header without size bit", {0x01, 0x01, 0x00, 0x00}, readName},
        {"name header of kind 3", {0x83, 0x83, 0x00, 0x00}, readName},
        {"wide kind with narrow size", {0x82, 0x82, 0x00, 0x00}, readName},
        {"name longer than the stream", {0x81, 0x80, 0x01, 0x00}, readName},
        {"string count beyond the stream", Concat({{0xF8}, kNameRecord, {0x80, 0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0}}),
         readString},
        {"string count 0", Concat({{0xF8}, kNameRecord, {0x80, 0, 0, 0, 0}}), readString},
        {"string without terminator", Concat({{0xF8}, kNameRecord, {0x80, 2, 0, 0, 0, 0x41, 0x42}}), readString},
        {"string with a zero inside", Concat({{0xF8}, kNameRecord, {0x80, 4, 0, 0, 0, 0x41, 0, 0x42, 0}}), readString},
        {"string of 4-byte characters", Concat({{0xF8}, kNameRecord, {0x83, 1, 0, 0, 0, 0, 0, 0, 0}}), readString},
        {"blob of 15 bytes for 16", Concat({{0xF8}, kNameRecord, {0xC0, 15, 0, 0, 0}, Bytes(15, 0)}), readBlob16},
        {"blob of 17 bytes for 16", Concat({{0xF8}, kNameRecord, {0xC0, 17, 0, 0, 0}, Bytes(17, 0)}), readBlob16},
        {"chunk end of another chunk",
         {0xFF, 0x81, 0x80, 0x01, 0x00, 0x57},
         [](RecordArchive& a) { return a.ReadMarker(kName, kChunkEndMarker); }},
        {"chunk begin where an end is expected", Concat({{0xF0}, kNameRecord}),
         [](RecordArchive& a) { return a.ReadMarker(kName, kChunkEndMarker); }},
    };
    for (const RejectCase& c : cases) {
        Reading in(c.bytes);
        EXPECT_FALSE(c.read(in.Archive())) << c.name;
    }

    Reading embedded(Concat({{0xF8}, kNameRecord, {0x80, 4, 0, 0, 0, 0x41, 0, 0x42, 0}}));
    NarrowString cut;
    EXPECT_FALSE(embedded.Archive().ReadRecordString(cut, kName));
    EXPECT_EQ(cut.Compare("A"), 0);
}

// A whole nested state, read back with the strict reader; every shorter prefix must fail cleanly.
TEST(RecordArchiveTest, EveryTruncatedPrefixOfAStateFails) {
    const NarrowString outer("_MCH");
    const NarrowString inner("_CPU");
    auto write = [&](RecordArchive& a) {
        const std::array<uint8_t, 5> blob = {1, 2, 3, 4, 5};
        return a.WriteMarker(kChunkBeginMarker, outer) && a.WriteRecordU8(1, NarrowString("VER")) &&
               a.WriteMarker(kChunkBeginMarker, inner) && a.WriteRecordU64(123456789, NarrowString("CYCL")) &&
               a.WriteRecordString(WideString(u"disk \u0416.img"), NarrowString("PATH")) &&
               a.WriteRecordBlob(blob.data(), 5, NarrowString("RAM")) && a.WriteMarker(kChunkEndMarker, inner) &&
               a.WriteRecordBool(true, NarrowString("RUN")) && a.WriteMarker(kChunkEndMarker, outer);
    };
    auto read = [&](RecordArchive& a) {
        uint8_t version = 0;
        uint64_t cycles = 0;
        WideString path;
        std::array<uint8_t, 5> blob{};
        bool running = false;
        return a.ReadMarker(outer, kChunkBeginMarker) && a.ReadRecordU8(version, NarrowString("VER")) &&
               a.ReadMarker(inner, kChunkBeginMarker) && a.ReadRecordU64(cycles, NarrowString("CYCL")) &&
               a.ReadRecordString(path, NarrowString("PATH")) &&
               a.ReadRecordBlob(blob.data(), 5, NarrowString("RAM")) && a.ReadMarker(inner, kChunkEndMarker) &&
               a.ReadRecordBool(running, NarrowString("RUN")) && a.ReadMarker(outer, kChunkEndMarker) &&
               cycles == 123456789 && path.Compare(u"disk \u0416.img") == 0 && running;
    };
    Written out;
    ASSERT_TRUE(write(out.Archive()));
    const Bytes whole = out.Content();
    Reading complete(whole);
    EXPECT_TRUE(read(complete.Archive()));
    for (size_t length = 0; length < whole.size(); ++length) {
        Reading prefix(Bytes(whole.begin(), whole.begin() + length));
        EXPECT_FALSE(read(prefix.Archive())) << "prefix of " << length << " bytes";
    }
}

TEST(RecordArchiveTest, AnOwnedStreamGoesWithTheArchive) {
    auto stream = std::make_unique<MemoryStream>();
    ASSERT_TRUE(stream->Create(0, -1));
    RecordArchive archive(std::move(stream));
    EXPECT_TRUE(archive.WriteRecordI16(-1, kName));
    EXPECT_EQ(archive.Stream().Size(), 9);
}

} // namespace
} // namespace common
