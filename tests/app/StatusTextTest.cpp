#include "app/StatusText.h"

#include "common/WideString.h"

#include <gtest/gtest.h>

#include <string>

namespace emu {
namespace {

std::u16string Status(const char* name, const char* frequency, const StatusFigures& figures,
                      const char16_t* label = u"Speed") {
    common::WideString out;
    FormatStatusText(out, common::WideString(name), common::WideString(frequency), common::WideString(label), figures);
    return std::u16string(out.GetWide());
}

constexpr LoopMode kSynced = LoopMode::Synced;
constexpr LoopMode kMax = LoopMode::MaxSpeed;

TEST(StatusTextTest, NameFrequencySpeedAndWarnings) {
    struct Case {
        const char* name;
        const char* machine;
        const char* frequency;
        StatusFigures figures;
        const char16_t* text;
    };
    const Case cases[] = {
        {"stopped", "BK-0010", "CPU=3.00 MHz", {}, u"BK-0010 (CPU=3.00 MHz)"},
        {"running", "BK-0010", "CPU=3.00 MHz", {true, 100, kSynced, 0, 0, false}, u"BK-0010 (CPU=3.00 MHz, Speed=100)"},
        {"no name", "", "CPU=3.00 MHz", {}, u"Unknown (CPU=3.00 MHz)"},
        {"no frequency", "BK-0010", "", {}, u"BK-0010"},
        {"late frames at full speed", "M", "F", {true, 100, kMax, 40, 40, false}, u"M (F, Speed=75)"},
        {"never below 0", "M", "F", {true, 10, kMax, 40, 40, false}, u"M (F, Speed=0)"},
        {"a few late frames", "M", "F", {true, 100, kMax, 5, 3, false}, u"M (F, Speed=95)"},
        {"synchronised loop takes nothing off", "M", "F", {true, 140, kSynced, 40, 40, false}, u"M (F, Speed=140)"},
        {"vertical sync", "M", "F", {true, 100, kSynced, 0, 0, true}, u"M (F, Speed=100, VSYNC ON is Slower!)"},
        {"standing at a break", "M", "F", {true, 100, kSynced, 0, 0, false, true}, u"M (F, Speed=0)"},
        {"standing takes no late frames off", "M", "F", {true, 100, kMax, 40, 40, false, true}, u"M (F, Speed=0)"},
        {"standing while not powered", "M", "F", {false, 100, kSynced, 0, 0, false, true}, u"M (F)"},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(Status(test.machine, test.frequency, test.figures), test.text) << test.name;
    }
}

TEST(StatusTextTest, SpeedLabelKeepsItsLanguage) {
    EXPECT_EQ(Status("BK", "F", {true, 100, kSynced, 0, 0, false}, u"Скорость"), u"BK (F, Скорость=100)");
}

} // namespace
} // namespace emu
