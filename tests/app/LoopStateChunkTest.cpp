#include "app/LoopStateChunk.h"

#include "common/MemoryStream.h"
#include "common/NarrowString.h"
#include "common/RecordArchive.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

namespace emu {
namespace {

using namespace test_support;

Bytes DoubleValue(const std::string& name, double value) {
    Bytes bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return Concat({{0xF8}, Name(name), {0xC0, 0x08, 0x00, 0x00, 0x00}, bytes});
}

LoopState SyncedState() {
    LoopState state;
    state.budget = 34;
    state.carry = 2;
    state.slicesLeft = 1000;
    state.owed = 25540.5;
    state.perFrame = 60000;
    state.slicesPerFrame = 1764;
    state.frames = 17;
    return state;
}

Bytes SyncedBytes(uint8_t maxSpeed = 0, int32_t slicesLeft = 1000, int32_t budget = 34, double perFrame = 60000,
                  int32_t frames = 17, uint8_t loopVersion = 1) {
    return Concat({ChunkBegin("_EMUCORE"), U8Value("VER", 1), U8Value("VERR", loopVersion), U8Value("MAXS", maxSpeed),
                   I32Value("PC", budget), I32Value("PCR", 2), I32Value("PI", slicesLeft), DoubleValue("PFC", 25540.5),
                   DoubleValue("CPF", perFrame), I32Value("IPF", 1764), I32Value("FI", frames), ChunkEnd("_EMUCORE")});
}

bool Read(Bytes bytes, bool maxSpeedLoop, int32_t slicesPerFrame, LoopState& state, common::NarrowString& error) {
    common::MemoryStream stream;
    stream.Attach(bytes.data(), static_cast<int64_t>(bytes.size()));
    common::RecordArchive archive(stream);
    return ReadLoopState(archive, maxSpeedLoop, slicesPerFrame, state, error);
}

bool operator==(const LoopState& a, const LoopState& b) {
    return a.maxSpeed == b.maxSpeed && a.budget == b.budget && a.carry == b.carry && a.slicesLeft == b.slicesLeft &&
           a.owed == b.owed && a.perFrame == b.perFrame && a.slicesPerFrame == b.slicesPerFrame && a.frames == b.frames;
}

TEST(LoopStateChunkTest, WritesTheRecordsOfEachLoop) {
    EXPECT_EQ(Archived([](common::RecordArchive& archive) { return WriteLoopState(archive, SyncedState()); }),
              SyncedBytes());
    LoopState maxSpeed;
    maxSpeed.maxSpeed = true;
    maxSpeed.budget = 5;
    maxSpeed.slicesLeft = 80;
    maxSpeed.slicesPerFrame = 80;
    maxSpeed.frames = 3;
    EXPECT_EQ(
        Archived([&](common::RecordArchive& archive) { return WriteLoopState(archive, maxSpeed); }),
        Concat({ChunkBegin("_EMUCORE"), U8Value("VER", 1), U8Value("VERR", 1), U8Value("MAXS", 1), I32Value("PC", 5),
                I32Value("PCR", 0), I32Value("PI", 80), I32Value("IPF", 80), I32Value("FI", 3), ChunkEnd("_EMUCORE")}));
}

TEST(LoopStateChunkTest, ReadsBackWhatItWrote) {
    LoopState state;
    common::NarrowString error;
    ASSERT_TRUE(Read(SyncedBytes(), false, 1764, state, error));
    EXPECT_TRUE(state == SyncedState());
    EXPECT_TRUE(error.IsEmpty());
}

TEST(LoopStateChunkTest, RefusesValuesTheRunningLoopCannotTake) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        Bytes bytes;
        const char* error;
    };
    const Case cases[] = {
        {"VERR 2", SyncedBytes(0, 1000, 34, 60000, 17, 2), ""},
        {"MAXS 2", SyncedBytes(2), ""},
        {"MAXS 1 in the synchronised loop", SyncedBytes(1), "Enable \"Max CPU Speed\"!"},
        {"PI 0", SyncedBytes(0, 0), ""},
        {"PI -1", SyncedBytes(0, -1), ""},
        {"PI beyond IPF", SyncedBytes(0, 1765), ""},
        {"negative budget", SyncedBytes(0, 1000, -1), ""},
        {"CPF 0", SyncedBytes(0, 1000, 34, 0), ""},
        {"CPF not a number", SyncedBytes(0, 1000, 34, nan), ""},
        {"VER 0", Concat({ChunkBegin("_EMUCORE"), U8Value("VER", 0)}), ""},
    };
    for (const Case& test : cases) {
        LoopState state = SyncedState();
        state.budget = 777;
        common::NarrowString error;
        EXPECT_FALSE(Read(test.bytes, false, 1764, state, error)) << test.name;
        EXPECT_EQ(state.budget, 777) << test.name << ": nothing taken";
        EXPECT_STREQ(error.GetNarrow(), test.error) << test.name;
    }
    LoopState state;
    common::NarrowString error;
    EXPECT_FALSE(Read(SyncedBytes(), false, 882, state, error)) << "another bus rate";
    EXPECT_FALSE(Read(SyncedBytes(), true, 1764, state, error));
    EXPECT_STREQ(error.GetNarrow(), "Disable \"Max CPU Speed\"!");
}

TEST(LoopStateChunkTest, FrameCountOutsideASecondStartsAgain) {
    for (const int32_t frames : {50, -1, 1000}) {
        LoopState state;
        common::NarrowString error;
        ASSERT_TRUE(Read(SyncedBytes(0, 1000, 34, 60000, frames), false, 1764, state, error)) << frames;
        EXPECT_EQ(state.frames, 0) << frames;
    }
}

TEST(LoopStateChunkTest, EveryCutFails) {
    const Bytes whole = SyncedBytes();
    for (size_t length = 0; length < whole.size(); ++length) {
        LoopState state;
        common::NarrowString error;
        EXPECT_FALSE(
            Read(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)), false, 1764, state, error))
            << length;
    }
}

} // namespace
} // namespace emu
