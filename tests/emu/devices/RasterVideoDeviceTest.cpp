#include "emu/devices/RasterVideoDevice.h"

#include "TestVideoDevice.h"
#include "VideoMachine.h"
#include "common/BasicOptionNode.h"
#include "common/MemoryStream.h"
#include "common/SettingsTree.h"
#include "emu/core/TreeHelpers.h"
#include "emu/devices/OffscreenRenderer.h"
#include "emu/devices/PixelExpansion.h"
#include "support/StateBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

// What GetGeometry answers.
struct Geometry {
    bool running = false;
    int32_t mode = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t columns = 0;
    int32_t rows = 0;
    uint32_t colours = 0;
    int32_t reserved = 7;
};

Geometry GeometryOf(const RasterVideoDevice& video) {
    Geometry geometry;
    geometry.running = video.GetGeometry(geometry.mode, geometry.width, geometry.height, geometry.columns,
                                         geometry.rows, geometry.colours, geometry.reserved);
    return geometry;
}

// The value bound under key, or -100 when there is none.
int32_t Setting(const common::SettingsTree& settings, const char* key) {
    const common::BoundValue* value = settings.FindValue(common::NarrowString(key));
    int32_t stored = -100;
    return value != nullptr && value->GetI32(stored) ? stored : -100;
}

TEST(DefaultAspectFactorTest, FollowsTheScreenShapeWithinBounds) {
    struct Case {
        uint32_t width, height;
        float factor;
    };
    const std::vector<Case> cases = {
        {1920, 1080, 1.4932979F}, {1280, 800, 1.4166666F}, {320, 200, 1.4166666F},   {321, 201, 1.4153445F},
        {0, 0, 1.4166666F},       {5000, 300, 1.6666666F}, {1080, 1920, 1.3333334F},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(testing::Message() << each.width << " x " << each.height);
        EXPECT_NEAR(DefaultAspectFactor(each.width, each.height), each.factor, 1e-6);
    }
}

TEST(PixelExpansionTest, BothBitOrdersAndPartialBytes) {
    const uint32_t palette[16] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
                                  0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF};
    using Expand = void (*)(const uint8_t*, uint32_t*, const uint32_t*, int32_t, bool);
    struct Case {
        const char* what;
        Expand expand;
        std::vector<uint8_t> source;
        int32_t count;
        bool msbFirst;
        std::vector<uint32_t> pixels;
    };
    const std::vector<Case> cases = {
        {"1 bit, low bit first", ExpandPixels1, {0x01}, 8, false, {0xA1, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0}},
        {"1 bit, high bit first", ExpandPixels1, {0x01}, 8, true, {0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA1}},
        {"1 bit, a partial byte",
         ExpandPixels1,
         {0xFF, 0x05},
         11,
         false,
         {0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA1, 0xA0, 0xA1}},
        {"2 bits, low bits first", ExpandPixels2, {0xE4}, 4, false, {0xA0, 0xA1, 0xA2, 0xA3}},
        {"2 bits, high bits first", ExpandPixels2, {0xE4}, 4, true, {0xA3, 0xA2, 0xA1, 0xA0}},
        {"2 bits, a partial byte", ExpandPixels2, {0x00, 0x1B}, 6, true, {0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA1}},
        {"4 bits, low nibble first", ExpandPixels4, {0x5C, 0x0F}, 3, false, {0xAC, 0xA5, 0xAF}},
        {"4 bits, high nibble first", ExpandPixels4, {0x5C, 0x0F}, 3, true, {0xA5, 0xAC, 0xA0}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        std::vector<uint32_t> pixels(static_cast<size_t>(each.count) + 1, 0xDEAD);
        each.expand(each.source.data(), pixels.data(), palette, each.count, each.msbFirst);
        EXPECT_EQ(pixels.back(), 0xDEADu);
        pixels.pop_back();
        EXPECT_EQ(pixels, each.pixels);
    }
}

class RasterVideoDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        video = machine.Add<TestVideoDevice>();
        ASSERT_NE(video, nullptr);
    }

    OffscreenRenderer renderer;
    VideoMachine machine;
    TestVideoDevice* video = nullptr;
};

TEST_F(RasterVideoDeviceTest, SettingsAreBoundOnceAndPutBackInRange) {
    common::SettingsTree settings;
    video->ExchangeSettings(&settings, true);
    EXPECT_EQ(settings.FindValue(common::NarrowString("RenderMode")), nullptr);
    int32_t elsewhere = 7;
    settings.BindPlaceholder(common::NarrowString("RenderMode"))->Bind(&elsewhere);
    EXPECT_TRUE(video->ExchangeSettings(&settings, false));
    EXPECT_EQ(Setting(settings, "RenderMode"), 7);
    EXPECT_EQ(Setting(settings, "AspectIndex"), 0);

    struct Case {
        int32_t renderMode, aspectIndex;
        bool inRange;
        int32_t renderModeAfter, aspectIndexAfter;
    };
    const std::vector<Case> cases = {
        {0, 0, true, 0, 0}, {1, 5, true, 1, 5}, {5, 3, false, 1, 3}, {-1, 3, false, 1, 3}, {0, 7, false, 0, 0},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(testing::Message() << each.renderMode << ", " << each.aspectIndex);
        common::SettingsTree own;
        video->ExchangeSettings(&own, false);
        own.FindValue(common::NarrowString("RenderMode"))->SetI32(each.renderMode);
        own.FindValue(common::NarrowString("AspectIndex"))->SetI32(each.aspectIndex);
        EXPECT_EQ(video->Reset(false), each.inRange);
        EXPECT_EQ(video->RenderMode(), each.renderModeAfter);
        EXPECT_EQ(video->AspectIndex(), each.aspectIndexAfter);
    }
}

TEST_F(RasterVideoDeviceTest, TheViewMenuOffersBothSettingsLockedWhileRunning) {
    common::BasicOptionNode menu;
    menu.SetTextLookup([](int32_t id) { return common::WideString(std::to_string(id).c_str()); });
    video->FillSettingsTree(&menu, OptionKind::ComputerLast);
    EXPECT_EQ(menu.ChildCount(), 0);
    video->FillSettingsTree(&menu, OptionKind::Video);
    EXPECT_EQ(Outline(menu), "[40 41 - 42[43 - 4.0/3 4.3/3 4.5/3 4.7/3 4.9/3]]");
    common::OptionNode* aspect = menu.ChildAt(3);
    EXPECT_FALSE(aspect->IsChecked());
    EXPECT_TRUE(aspect->ChildAt(4)->Activate());
    EXPECT_EQ(video->AspectIndex(), 3);
    EXPECT_TRUE(aspect->IsChecked());
    EXPECT_TRUE(menu.ChildAt(0)->Activate());
    EXPECT_EQ(video->RenderMode(), 0);
    ASSERT_TRUE(machine.PowerOn());
    EXPECT_FALSE(menu.ChildAt(1)->Activate());
    EXPECT_EQ(video->RenderMode(), 0);
}

TEST_F(RasterVideoDeviceTest, StartChoosesTheAspectAndShowsPageZero) {
    machine.AttachRenderer(&renderer);
    ASSERT_TRUE(renderer.Resize(8, 4, false));
    struct Case {
        int32_t aspectIndex;
        float factor;
    };
    for (const Case& each : {Case{3, 1.5F}, Case{1, 1.3333334F}, Case{5, 1.6333333F}, Case{7, 0.0F}}) {
        SCOPED_TRACE(each.aspectIndex);
        common::SettingsTree settings;
        video->ExchangeSettings(&settings, false);
        settings.FindValue(common::NarrowString("AspectIndex"))->SetI32(each.aspectIndex);
        ASSERT_TRUE(machine.PowerOn());
        EXPECT_FLOAT_EQ(video->AspectFactor(), each.factor > 0 ? each.factor : video->DefaultAspect());
        EXPECT_EQ(video->CurrentPage(), 0);
        EXPECT_EQ(video->CurrentPageBuffer(), video->Buffer());
        EXPECT_EQ(renderer.ForcedRedrawCount(), 4);
        EXPECT_EQ(video->TimingMode(), -1);
        machine.Stop();
        EXPECT_EQ(video->CurrentPageBuffer(), nullptr);
    }
    machine.AttachRenderer(nullptr);
}

TEST_F(RasterVideoDeviceTest, GeometryBeforeAnyIsSet) {
    EXPECT_FALSE(GeometryOf(*video).running);
    ASSERT_TRUE(machine.PowerOn());
    const Geometry unset = GeometryOf(*video);
    EXPECT_TRUE(unset.running);
    EXPECT_EQ(unset.mode, -1);
    EXPECT_EQ(unset.width, 0);
    EXPECT_EQ(unset.height, 0);
    EXPECT_EQ(unset.columns, -1);
    EXPECT_EQ(unset.rows, -1);
    EXPECT_EQ(unset.colours, 1U << 31);
    EXPECT_EQ(unset.reserved, 0);
    EXPECT_TRUE(video->IsTextMode());
    video->SetGeometry(2, 40, 25, 2);
    const Geometry set = GeometryOf(*video);
    EXPECT_EQ(set.mode, 2);
    EXPECT_EQ(set.columns, 40);
    EXPECT_EQ(set.colours, 4u);
    EXPECT_FALSE(video->IsTextMode());
}

TEST_F(RasterVideoDeviceTest, AddressesReachOnlyTheBlock) {
    ASSERT_TRUE(machine.PowerOn());
    EXPECT_EQ(video->ReadAddress(TestVideoDevice::kScreenStart + 5, true), 0);
    video->WriteAddress(TestVideoDevice::kScreenStart + 5, 0xC3);
    EXPECT_EQ(video->ReadAddress(TestVideoDevice::kScreenStart + 5, true), 0xC3);
    EXPECT_EQ(machine.Memory()->ReadByte(TestVideoDevice::kScreenStart + 5, 0), 0xC3);
    const uint32_t pastTheEnd = TestVideoDevice::kScreenStart + 1024;
    EXPECT_EQ(video->ReadAddress(TestVideoDevice::kScreenStart + 1023, true), 0);
    EXPECT_EQ(video->ReadAddress(pastTheEnd, true), -1);
    EXPECT_EQ(video->ReadAddress(TestVideoDevice::kScreenStart - 1, true), -1);
    video->WriteAddress(pastTheEnd, 0x11);
    EXPECT_EQ(machine.Memory()->ReadByte(pastTheEnd, 0), 0);
}

TEST_F(RasterVideoDeviceTest, APageViewIsMadeOnceAndOnlyWhileStopped) {
    EXPECT_EQ(video->Page(1), nullptr);
    EXPECT_FALSE(video->AddMemoryPages(2, 32, 16, true, true));
    EXPECT_TRUE(video->SetMemoryPageSize(1, 1, 0xFFFFFFFF));
    MemoryPageDevice* view = video->Page(1);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Name().Compare("VIDEO Page 1"), 0);
    EXPECT_EQ(view->Tag().Compare("VIDEO_PAGE1"), 0);
    EXPECT_TRUE(video->AddMemoryPages(1, 32, 16, true, true));
    EXPECT_EQ(video->Page(1), view);
    EXPECT_EQ(video->ChildCount(), 1);
    EXPECT_EQ(video->AttachPageDevice(nullptr, nullptr, nullptr), -1);

    ASSERT_TRUE(machine.PowerOn());
    EXPECT_NE(view->Buffer(), nullptr);
    machine.Memory()->WriteByte(0100000, 0x66);
    EXPECT_EQ(view->Buffer()[0], 0x66);
    EXPECT_FALSE(video->AddMemoryPages(1, 48, 16, true, true));
    EXPECT_FALSE(video->SetMemoryPageSize(0, 2, 0xFFFFFFFF));

    VideoMachine other;
    auto* attaching = other.Add<TestVideoDevice>();
    EXPECT_EQ(attaching->AttachPageDevice(nullptr, nullptr, "SECOND"), 1);
    EXPECT_EQ(attaching->Page(1)->Name().Compare("VIDEO Page 1"), 0);
    EXPECT_EQ(attaching->Page(1)->Tag().Compare("SECOND"), 0);
    EXPECT_EQ(attaching->AttachPageDevice(nullptr, nullptr, nullptr), -1);
}

TEST_F(RasterVideoDeviceTest, TheDataBlockKeepsItsLimits) {
    const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(video->SetDataBlock(bytes, 6));
    EXPECT_EQ(video->DataBlock().Size(), 6);
    video->SetDataBlockLimits(2, 4);
    EXPECT_FALSE(video->SetDataBlock(bytes, 1));
    EXPECT_EQ(video->DataBlock().Size(), 6);
    EXPECT_FALSE(video->SetDataBlock(bytes, -1));
    EXPECT_TRUE(video->SetDataBlock(bytes, 6));
    EXPECT_EQ(video->DataBlock().Size(), 4);

    common::MemoryStream source;
    source.Create(0, -1);
    const uint8_t other[3] = {9, 8, 7};
    source.Write(other, 3);
    EXPECT_TRUE(video->SetDataBlock(source));
    EXPECT_EQ(video->DataBlock().Size(), 3);
    auto& block = const_cast<common::MemoryStream&>(video->DataBlock());
    EXPECT_EQ(std::memcmp(block.GetBuffer(), other, 3), 0);
    // The source is read, never written.
    EXPECT_EQ(source.Size(), 3);
    EXPECT_EQ(std::memcmp(source.GetBuffer(), other, 3), 0);
}

// ---- "_VIDD"

// The chunk's records after "_DEV" and "_VIDP", as a test composes them.
struct VideoRecords {
    uint8_t page = 0;
    int32_t width = 64;
    int32_t height = 32;
    int32_t line = 3;
    int64_t stamp = 2;
    double aspect = 1.25;
    int32_t present = 0;
    std::vector<std::pair<const char*, int32_t>> optional;
    int32_t timing = 0;
    int32_t total = 44;
    int32_t rate = 50;
    int32_t accumulator = 7;
    int32_t perEvent = 1006;
    std::vector<uint8_t> data;
    std::optional<int32_t> dataSize;
    int32_t eventIndex = 5;
    uint8_t version = 1;

    Bytes Encode() const {
        uint64_t bits = 0;
        std::memcpy(&bits, &aspect, sizeof bits);
        Bytes chunk = Concat({ChunkBegin("_VIDD"), U8Value("VER", version), U8Value("PID", page),
                              I32Value("SCSW", width), I32Value("SCSH", height), I32Value("SCLN", line),
                              I64Value("RNDT", stamp), BlobValue("APCT", LittleEndian(bits)), BoolValue("ENBL", true),
                              BoolValue("GMOD", false), I32Value("VPAR", present)});
        for (const auto& [name, value] : optional) {
            chunk = Concat({chunk, I32Value(name, value)});
        }
        chunk = Concat({chunk, I32Value("TMOD", timing)});
        if (timing == 0) {
            chunk = Concat({chunk, I32Value("T0SC", total), I32Value("T0FR", rate), I32Value("T0SP", accumulator),
                            I32Value("T0SZ", perEvent)});
        }
        const int32_t size = dataSize.value_or(static_cast<int32_t>(data.size()));
        chunk = Concat({chunk, I32Value("FSIZ", size)});
        if (!data.empty()) {
            chunk = Concat({chunk, BlobValue("FDAT", data)});
        }
        return Concat({chunk, I32Value("LGRI", eventIndex), ChunkEnd("_VIDD")});
    }
};

class VideoStateTest : public RasterVideoDeviceTest {
protected:
    void SetUp() override {
        RasterVideoDeviceTest::SetUp();
        ASSERT_TRUE(machine.PowerOn());
        machine.Memory()->WriteByte(TestVideoDevice::kScreenStart + 1, 0x81);
        // Everything of the device's own data before "_VIDD".
        const Bytes saved = Archived(SavingOwnData(*video));
        const Bytes begin = ChunkBegin("_VIDD");
        prefix = Bytes(saved.begin(), std::search(saved.begin(), saved.end(), begin.begin(), begin.end()));
    }

    Bytes prefix;
};

TEST_F(VideoStateTest, RoundTripsIntoAFreshMachine) {
    video->SetGeometry(1, 32, 24, -1);
    const uint8_t data[3] = {4, 5, 6};
    ASSERT_TRUE(video->SetDataBlock(data, 3));
    ASSERT_EQ(machine.SetBusRate(44100, -1, false), 882);
    ASSERT_TRUE(video->ScheduleRenderEvents(64, 32, 40, 50, 1));
    for (int tick = 0; tick < 100; ++tick) {
        machine.TickBus();
    }
    const Bytes saved = Archived(SavingOwnData(*video));

    VideoMachine fresh;
    auto* loaded = fresh.Add<TestVideoDevice>();
    ASSERT_TRUE(fresh.PowerOn());
    ASSERT_TRUE(ReadsWhole(saved, LoadingOwnData(*loaded)));
    EXPECT_EQ(Archived(SavingOwnData(*loaded)), saved);
    EXPECT_EQ(loaded->CurrentLine(), video->CurrentLine());
    EXPECT_EQ(loaded->RenderStamp(), video->RenderStamp());
    EXPECT_EQ(loaded->LinesPerEvent(), video->LinesPerEvent());
    EXPECT_EQ(loaded->ReadAddress(TestVideoDevice::kScreenStart + 1, true), 0x81);
    EXPECT_EQ(loaded->CurrentPageBuffer(), loaded->Buffer());

    // With nothing optional set, none is saved and all come back unset.
    VideoMachine plain;
    auto* unset = plain.Add<TestVideoDevice>();
    ASSERT_TRUE(plain.PowerOn());
    const Bytes bare = Archived(SavingOwnData(*unset));
    const Bytes noParameters = Concat({I32Value("VPAR", 0), I32Value("TMOD", -1)});
    EXPECT_NE(std::search(bare.begin(), bare.end(), noParameters.begin(), noParameters.end()), bare.end());
    ASSERT_TRUE(ReadsWhole(bare, LoadingOwnData(*loaded)));
    EXPECT_EQ(GeometryOf(*loaded).mode, -1);
    EXPECT_EQ(GeometryOf(*loaded).columns, -1);
    EXPECT_EQ(loaded->TimingMode(), -1);
}

TEST_F(VideoStateTest, AFixedAspectSettingOutranksTheSavedFactor) {
    VideoRecords records;
    records.aspect = 1.25;
    ASSERT_TRUE(ReadsWhole(Concat({prefix, records.Encode()}), LoadingOwnData(*video)));
    EXPECT_FLOAT_EQ(video->AspectFactor(), 1.25F);

    machine.Stop();
    common::SettingsTree settings;
    video->ExchangeSettings(&settings, false);
    settings.FindValue(common::NarrowString("AspectIndex"))->SetI32(2);
    ASSERT_TRUE(machine.PowerOn());
    ASSERT_TRUE(ReadsWhole(Concat({prefix, records.Encode()}), LoadingOwnData(*video)));
    EXPECT_FLOAT_EQ(video->AspectFactor(), 1.4333333F);
}

TEST_F(VideoStateTest, BadChunksAreRefusedAndChangeNothing) {
    ASSERT_TRUE(ReadsWhole(Concat({prefix, VideoRecords{}.Encode()}), LoadingOwnData(*video)));
    const Bytes before = Archived(SavingOwnData(*video));
    struct Case {
        const char* what;
        VideoRecords records;
    };
    const auto with = [](auto change) {
        VideoRecords records;
        change(records);
        return records;
    };
    const std::vector<Case> cases = {
        {"version 2", with([](VideoRecords& r) { r.version = 2; })},
        {"page 1 absent", with([](VideoRecords& r) { r.page = 1; })},
        {"no page", with([](VideoRecords& r) { r.page = 0xFF; })},
        {"negative width", with([](VideoRecords& r) { r.width = -1; })},
        {"a height no renderer takes", with([](VideoRecords& r) { r.height = 16385; })},
        {"a width no renderer takes", with([](VideoRecords& r) { r.width = 70000; })},
        {"negative line", with([](VideoRecords& r) { r.line = -1; })},
        {"zero aspect", with([](VideoRecords& r) { r.aspect = 0.0; })},
        {"negative aspect", with([](VideoRecords& r) { r.aspect = -1.5; })},
        {"infinite aspect", with([](VideoRecords& r) { r.aspect = 1e300; })},
        {"NaN aspect", with([](VideoRecords& r) { r.aspect = std::nan(""); })},
        {"parameter bits above 8", with([](VideoRecords& r) { r.present = 0x200; })},
        {"a negative parameter", with([](VideoRecords& r) {
             r.present = 1;
             r.optional = {{"VMOD", -2}};
         })},
        {"a missing parameter", with([](VideoRecords& r) { r.present = 2; })},
        {"an unknown timing", with([](VideoRecords& r) { r.timing = 1; })},
        {"a line past the frame", with([](VideoRecords& r) { r.line = 44; })},
        {"too many lines", with([](VideoRecords& r) { r.total = 65537; })},
        {"no lines", with([](VideoRecords& r) {
             r.total = 0;
             r.line = 0;
         })},
        {"a negative frame rate", with([](VideoRecords& r) { r.rate = -50; })},
        {"an accumulator of a whole line", with([](VideoRecords& r) { r.accumulator = 1000; })},
        {"a negative accumulator", with([](VideoRecords& r) { r.accumulator = -1; })},
        {"less than a line per event", with([](VideoRecords& r) { r.perEvent = 999; })},
        {"more than a frame per event", with([](VideoRecords& r) { r.perEvent = 44001; })},
        {"a negative data size", with([](VideoRecords& r) { r.dataSize = -1; })},
        {"a data size past the end", with([](VideoRecords& r) { r.dataSize = 1 << 30; })},
        {"data shorter than its size", with([](VideoRecords& r) {
             r.data = {1, 2};
             r.dataSize = 3;
         })},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        EXPECT_FALSE(ReadsWhole(Concat({prefix, each.records.Encode()}), LoadingOwnData(*video)));
        EXPECT_EQ(Archived(SavingOwnData(*video)), before);
    }

    // A maximum size for the data block is kept by a load too.
    video->SetDataBlockLimits(-1, 2);
    EXPECT_FALSE(ReadsWhole(Concat({prefix, with([](VideoRecords& r) {
                                                r.data = {1, 2, 3};
                                            }).Encode()}),
                            LoadingOwnData(*video)));
    EXPECT_TRUE(ReadsWhole(Concat({prefix, with([](VideoRecords& r) {
                                               r.data = {1, 2};
                                           }).Encode()}),
                           LoadingOwnData(*video)));
    // Outside bus-lines timing a schedule keeps no lines per event.
    EXPECT_TRUE(
        ReadsWhole(Concat({prefix, with([](VideoRecords& r) { r.perEvent = 0; }).Encode()}), LoadingOwnData(*video)));
}

} // namespace
} // namespace emu
