#include "common/BoundValue.h"
#include "common/MemoryStream.h"
#include "common/NarrowString.h"
#include "common/OwnedValue.h"
#include "common/WideString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace common {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Written(const TypedValue& value, bool expectSuccess = true) {
    MemoryStream stream;
    stream.Create(0, -1);
    EXPECT_EQ(value.WriteValue(stream), expectSuccess);
    return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

bool ReadInto(TypedValue& value, Bytes bytes) {
    MemoryStream stream;
    stream.Attach(bytes.data(), bytes.size());
    return value.ReadValue(stream);
}

// The bound variables of one test, all starting at a marker value.
struct Variables {
    uint8_t u8 = 7;
    uint32_t u32 = 7;
    uint64_t u64 = 7;
    int8_t i8 = 7;
    int16_t i16 = 7;
    int64_t i64 = 7;
    bool flag = false;
};

// One variable of Variables: how to bind it and how to read it back.
struct Variable {
    std::function<void(BoundValue&, Variables&)> bind;
    std::function<int64_t(const Variables&)> read;
};

template <typename T>
Variable Of(T Variables::*member) {
    return {[member](BoundValue& value, Variables& variables) { value.Bind(&(variables.*member)); },
            [member](const Variables& variables) { return static_cast<int64_t>(variables.*member); }};
}

TEST(TypedValueTest, ABoundValueTakesOnlyWhatFitsItsVariable) {
    struct Case {
        const char* name;
        Variable variable;
        std::function<bool(TypedValue&)> set;
        bool accepted;
        int64_t afterwards;
    };
    const int64_t kI64Min = std::numeric_limits<int64_t>::min();
    const std::vector<Case> cases = {
        {"u8 takes a u16 of 255", Of(&Variables::u8), [](TypedValue& v) { return v.SetU16(255); }, true, 255},
        {"u8 refuses a u16 of 256", Of(&Variables::u8), [](TypedValue& v) { return v.SetU16(256); }, false, 7},
        {"u8 refuses an i8 of -1", Of(&Variables::u8), [](TypedValue& v) { return v.SetI8(-1); }, false, 7},
        {"u8 refuses an i32 of -1", Of(&Variables::u8), [](TypedValue& v) { return v.SetI32(-1); }, false, 7},
        {"i8 takes an i32 of -128", Of(&Variables::i8), [](TypedValue& v) { return v.SetI32(-128); }, true, -128},
        {"i8 refuses an i32 of -129", Of(&Variables::i8), [](TypedValue& v) { return v.SetI32(-129); }, false, 7},
        {"i8 refuses a u8 of 128", Of(&Variables::i8), [](TypedValue& v) { return v.SetU8(128); }, false, 7},
        {"i16 takes an i64 of -32768", Of(&Variables::i16), [](TypedValue& v) { return v.SetI64(-32768); }, true,
         -32768},
        {"u32 refuses a u64 above 32 bits", Of(&Variables::u32), [](TypedValue& v) { return v.SetU64(0x100000000); },
         false, 7},
        {"u64 refuses an i64 of -1", Of(&Variables::u64), [](TypedValue& v) { return v.SetI64(-1); }, false, 7},
        {"i64 refuses a u64 of 2^63", Of(&Variables::i64), [](TypedValue& v) { return v.SetU64(uint64_t{1} << 63); },
         false, 7},
        {"i64 takes its smallest value", Of(&Variables::i64), [&](TypedValue& v) { return v.SetI64(kI64Min); }, true,
         kI64Min},
        {"an integer refuses a boolean", Of(&Variables::u8), [](TypedValue& v) { return v.SetBool(true); }, false, 7},
        {"a boolean refuses an integer", Of(&Variables::flag), [](TypedValue& v) { return v.SetU8(1); }, false, 0},
        {"an integer refuses a string", Of(&Variables::u8),
         [](TypedValue& v) { return v.SetString(NarrowString("1")); }, false, 7},
    };
    for (const Case& c : cases) {
        Variables variables;
        BoundValue value;
        c.variable.bind(value, variables);
        EXPECT_EQ(c.set(value), c.accepted) << c.name;
        EXPECT_EQ(c.variable.read(variables), c.afterwards) << c.name;
    }
}

TEST(TypedValueTest, GettersAnswerOnlyWhenTheValueFitsTheAskedType) {
    OwnedValue value;
    ASSERT_TRUE(value.SetI8(-1));
    EXPECT_EQ(value.Tag(), ValueTag::I8);
    int32_t wide = 0;
    uint8_t byte = 0;
    uint64_t quad = 0;
    EXPECT_TRUE(value.GetI32(wide));
    EXPECT_EQ(wide, -1);
    EXPECT_FALSE(value.GetU8(byte));
    EXPECT_FALSE(value.GetU64(quad));

    ASSERT_TRUE(value.SetU16(200));
    EXPECT_TRUE(value.GetU8(byte));
    EXPECT_EQ(byte, 200);
    int8_t small = 0;
    EXPECT_FALSE(value.GetI8(small));

    ASSERT_TRUE(value.SetU64(uint64_t{1} << 63));
    int64_t signedQuad = 0;
    EXPECT_FALSE(value.GetI64(signedQuad));
    EXPECT_TRUE(value.GetU64(quad));

    bool flag = true;
    EXPECT_FALSE(value.GetBool(flag));
    EXPECT_EQ(value.CloneString(), nullptr);

    uint16_t bound = 300;
    BoundValue binding;
    binding.Bind(&bound);
    EXPECT_FALSE(binding.GetU8(byte));
    EXPECT_TRUE(binding.GetI32(wide));
    EXPECT_EQ(wide, 300);
}

TEST(TypedValueTest, AnOwningValueTakesTheTypeOfEachValueStored) {
    OwnedValue value;
    EXPECT_EQ(value.Tag(), ValueTag::Empty);
    ASSERT_TRUE(value.SetString(WideString(u"\u0416")));
    EXPECT_EQ(value.Tag(), ValueTag::String);
    EXPECT_EQ(value.GetStringObject()->Kind(), 2) << "a copy keeps the width";
    ASSERT_TRUE(value.SetBool(true));
    EXPECT_EQ(value.Tag(), ValueTag::Bool);
    EXPECT_EQ(value.GetStringObject(), nullptr);
    int marker = 0;
    ASSERT_TRUE(value.SetPointer(&marker));
    void* pointer = nullptr;
    EXPECT_TRUE(value.GetPointer(pointer));
    EXPECT_EQ(pointer, &marker);
    value.Reset();
    EXPECT_EQ(value.Tag(), ValueTag::Pointer);
    EXPECT_TRUE(value.GetPointer(pointer));
    EXPECT_EQ(pointer, nullptr);
    value.ReleaseValue();
    EXPECT_EQ(value.Tag(), ValueTag::Empty);
}

TEST(TypedValueTest, ValueRecordsHaveTheirGoldenBytes) {
    struct Case {
        const char* name;
        std::function<void(OwnedValue&)> set;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"u8", [](OwnedValue& v) { v.SetU8(5); }, {0x00, 0x11, 0x05}},
        {"u16", [](OwnedValue& v) { v.SetU16(0x1234); }, {0x03, 0x12, 0x34, 0x12}},
        {"u32", [](OwnedValue& v) { v.SetU32(0x01020304); }, {0x05, 0x14, 0x04, 0x03, 0x02, 0x01}},
        {"u64", [](OwnedValue& v) { v.SetU64(1); }, {0x09, 0x18, 1, 0, 0, 0, 0, 0, 0, 0}},
        {"i8", [](OwnedValue& v) { v.SetI8(-1); }, {0x02, 0x31, 0xFF}},
        {"i16", [](OwnedValue& v) { v.SetI16(-2); }, {0x01, 0x32, 0xFE, 0xFF}},
        {"i32", [](OwnedValue& v) { v.SetI32(-2); }, {0x07, 0x34, 0xFE, 0xFF, 0xFF, 0xFF}},
        {"i64", [](OwnedValue& v) { v.SetI64(-2); }, {0x0B, 0x38, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"true", [](OwnedValue& v) { v.SetBool(true); }, {0x04, 0x40, 0xFF}},
        {"false", [](OwnedValue& v) { v.SetBool(false); }, {0x04, 0x40, 0x00}},
        {"narrow string",
         [](OwnedValue& v) { v.SetString(NarrowString("ab")); },
         {0x08, 0x80, 0x81, 0x83, 0x02, 0x00, 0x61, 0x62}},
        {"wide string",
         [](OwnedValue& v) { v.SetString(WideString(u"\u0416")); },
         {0x08, 0x80, 0x92, 0x90, 0x02, 0x00, 0x16, 0x04}},
    };
    for (const Case& c : cases) {
        OwnedValue value;
        c.set(value);
        EXPECT_EQ(Written(value), c.bytes) << c.name;
        OwnedValue readBack;
        ASSERT_TRUE(ReadInto(readBack, c.bytes)) << c.name;
        EXPECT_EQ(readBack.Tag(), value.Tag()) << c.name;
        EXPECT_EQ(Written(readBack), c.bytes) << c.name;
    }
}

TEST(TypedValueTest, BadRecordsAreRefusedAndChangeNothing) {
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"wrong check byte", {0x01, 0x12, 0x34, 0x12}},
        {"empty tag", {0x00, 0x00}},
        {"pointer tag", {0x01, 0x01, 0, 0, 0, 0}},
        {"unknown tag", {0x02, 0x13, 0, 0, 0}},
        {"short integer", {0x05, 0x14, 0x01, 0x02}},
        {"missing boolean", {0x04, 0x40}},
        {"broken string record", {0x08, 0x80, 0x81, 0x00, 0x02, 0x00, 0x61, 0x62}},
        {"short header", {0x03}},
    };
    for (const auto& [name, bytes] : cases) {
        OwnedValue value;
        value.SetU8(9);
        EXPECT_FALSE(ReadInto(value, bytes)) << name;
        uint8_t held = 0;
        EXPECT_TRUE(value.GetU8(held) && held == 9) << name;
    }

    uint8_t variable = 7;
    BoundValue bound;
    bound.Bind(&variable);
    EXPECT_FALSE(ReadInto(bound, {0x05, 0x14, 0x2C, 0x01, 0x00, 0x00})) << "300 does not fit a byte";
    EXPECT_EQ(variable, 7);

    EXPECT_TRUE(Written(OwnedValue(), false).empty());
    BoundValue pointer;
    void* target = nullptr;
    pointer.Bind(&target);
    EXPECT_TRUE(Written(pointer, false).empty());
    EXPECT_TRUE(Written(BoundValue(), false).empty());
}

TEST(TypedValueTest, AssignFromCopiesAcrossKinds) {
    OwnedValue empty;
    OwnedValue target;
    EXPECT_FALSE(target.AssignFrom(empty));

    OwnedValue source;
    source.SetU16(300);
    ASSERT_TRUE(target.AssignFrom(source));
    EXPECT_EQ(target.Tag(), ValueTag::U16);
    uint32_t value = 0;
    EXPECT_TRUE(target.GetU32(value));
    EXPECT_EQ(value, 300u);

    uint8_t byte = 7;
    BoundValue narrowBinding;
    narrowBinding.Bind(&byte);
    EXPECT_FALSE(narrowBinding.AssignFrom(source));
    EXPECT_EQ(byte, 7);
    int64_t quad = 0;
    BoundValue quadBinding;
    quadBinding.Bind(&quad);
    EXPECT_TRUE(quadBinding.AssignFrom(source));
    EXPECT_EQ(quad, 300);

    NarrowString text("old");
    BoundValue textBinding;
    textBinding.Bind(&text);
    source.SetString(WideString(u"new\u0100"));
    EXPECT_TRUE(textBinding.AssignFrom(source));
    EXPECT_STREQ(text.GetNarrow(), "new");
    EXPECT_TRUE(target.AssignFrom(textBinding));
    EXPECT_EQ(target.GetStringObject()->Compare("new"), 0);
    EXPECT_NE(target.GetStringObject(), &text);
    textBinding.Reset();
    EXPECT_TRUE(text.IsEmpty());
    textBinding.Clear();
    EXPECT_FALSE(textBinding.SetString(NarrowString("x")));
}

TEST(TypedValueTest, ReadValueChangedTellsWhetherTheRecordDiffers) {
    struct Case {
        const char* name;
        std::function<void(OwnedValue&)> current;
        Bytes record;
        bool changed;
    };
    const std::vector<Case> cases = {
        {"same integer across widths", [](OwnedValue& v) { v.SetU8(200); }, {0x03, 0x12, 200, 0}, false},
        {"other integer", [](OwnedValue& v) { v.SetU8(200); }, {0x03, 0x12, 201, 0}, true},
        {"negative against unsigned",
         [](OwnedValue& v) { v.SetI8(-1); },
         {0x09, 0x18, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         true},
        {"same truth", [](OwnedValue& v) { v.SetBool(true); }, {0x04, 0x40, 0x01}, false},
        {"other truth", [](OwnedValue& v) { v.SetBool(true); }, {0x04, 0x40, 0x00}, true},
        {"boolean against integer", [](OwnedValue& v) { v.SetU8(1); }, {0x04, 0x40, 0x01}, true},
        {"same text in another width",
         [](OwnedValue& v) { v.SetString(WideString(u"ab")); },
         {0x08, 0x80, 0x81, 0x83, 0x02, 0x00, 0x61, 0x62},
         false},
        {"empty value", [](OwnedValue&) {}, {0x00, 0x11, 0x05}, true},
    };
    for (const Case& c : cases) {
        OwnedValue value;
        c.current(value);
        Bytes record = c.record;
        MemoryStream stream;
        stream.Attach(record.data(), record.size());
        bool changed = !c.changed;
        EXPECT_TRUE(value.ReadValueChanged(stream, changed)) << c.name;
        EXPECT_EQ(changed, c.changed) << c.name;
    }
}

} // namespace
} // namespace common
