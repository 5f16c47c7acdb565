#include "emu/devices/OpenGLLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

constexpr const char* kEverything = "GL_ARB_texture_non_power_of_two GL_EXT_bgra WGL_EXT_swap_control";

TEST(OpenGLLayoutTest, ExtensionsMatchAsWholeNames) {
    struct Case {
        const char* list;
        const char* name;
        bool found;
    };
    const std::vector<Case> cases{
        {kEverything, "GL_ARB_texture_non_power_of_two", true},
        {kEverything, "GL_EXT_bgra", true},
        {kEverything, "WGL_EXT_swap_control", true},
        {"GL_EXT_bgra_extended GL_X", "GL_EXT_bgra", false},
        {"XGL_EXT_bgra", "GL_EXT_bgra", false},
        {"GL_EXT  GL_EXT_bgra ", "GL_EXT_bgra", true},
        {"GL_EXT_bgr", "GL_EXT_bgra", false},
        {"", "GL_EXT_bgra", false},
        {nullptr, "GL_EXT_bgra", false},
        {kEverything, "", false},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(std::string(each.list != nullptr ? each.list : "(none)") + " / " + each.name);
        EXPECT_EQ(HasGlExtension(each.list, each.name), each.found);
    }
}

TEST(OpenGLLayoutTest, GlIsUsedOnlyWithEverythingThereAndVerticalSyncOffAndTheConsoleIsToldWhyNot) {
    struct Case {
        const char* name;
        GlDriverFacts facts;
        bool useGl;
        bool setsVsync;
        bool vsync;
        // What the console is told; null while GL is used.
        const char* reason;
    };
    const GlDriverFacts good{16384, kEverything, true, true, 0};
    const auto with = [&](auto change) {
        GlDriverFacts facts = good;
        change(facts);
        return facts;
    };
    const std::vector<Case> cases{
        {"a driver that has it all", good, true, true, false, nullptr},
        {"textures of 2048", with([](GlDriverFacts& f) { f.maxTextureSize = 2048; }), true, true, false, nullptr},
        {"textures of 2047", with([](GlDriverFacts& f) { f.maxTextureSize = 2047; }), false, false, false,
         "textures smaller than 2048 pixels"},
        {"no non-power-of-two textures",
         with([](GlDriverFacts& f) { f.extensions = "GL_EXT_bgra WGL_EXT_swap_control"; }), false, false, false,
         "no GL_ARB_texture_non_power_of_two"},
        {"no BGRA pixels",
         with([](GlDriverFacts& f) { f.extensions = "GL_ARB_texture_non_power_of_two WGL_EXT_swap_control"; }), false,
         false, false, "no GL_EXT_bgra"},
        {"a longer name holding the BGRA extension's", with([](GlDriverFacts& f) {
             f.extensions = "GL_ARB_texture_non_power_of_two GL_EXT_bgra_extended WGL_EXT_swap_control";
         }),
         false, false, false, "no GL_EXT_bgra"},
        {"no extension list", with([](GlDriverFacts& f) { f.extensions = nullptr; }), false, false, false,
         "no extension list"},
        {"no swap control", with([](GlDriverFacts& f) {
             f.hasSwapSetter = false;
             f.hasSwapGetter = false;
         }),
         false, true, true, "vertical sync cannot be switched off"},
        {"the interval stays 1", with([](GlDriverFacts& f) { f.swapInterval = 1; }), false, true, true,
         "vertical sync cannot be switched off"},
        {"a setter without a getter", with([](GlDriverFacts& f) { f.hasSwapGetter = false; }), false, true, true,
         "vertical sync cannot be switched off"},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        const GlAttachCheck check = CheckGlAttach(each.facts);
        EXPECT_EQ(check.useGl, each.useGl);
        EXPECT_EQ(check.setsVsync, each.setsVsync);
        if (each.setsVsync) {
            EXPECT_EQ(check.vsync, each.vsync);
        }
        EXPECT_STREQ(check.reason, each.reason);
    }
}

TEST(OpenGLLayoutTest, ThePictureLandsWhereTheGdiLayoutPutsIt) {
    struct Case {
        const char* name;
        int32_t scaleMode;
        float aspect;
        LayoutRect client;
        int32_t rasterY;
        int32_t moveX;
        int32_t moveY;
        float zoomX;
        float zoomY;
    };
    const std::vector<Case> cases{
        {"stretched, the height limits", 0, 0.0F, {0, 0, 300, 100}, 99, 50, 100, 3.125F, -3.125F},
        {"stretched, the width limits", 0, 0.0F, {0, 0, 128, 200}, 63, 0, -4, 2.0F, -2.0F},
        {"stretched to fit exactly", 0, 0.0F, {0, 0, 128, 64}, 63, 0, 64, 2.0F, -2.0F},
        {"zoomed by a whole factor", 1, 0.0F, {0, 0, 230, 150}, 149, 19, 123, 3.0F, -3.0F},
        {"stretched with an aspect", 0, 4.0F / 3.0F, {0, 0, 400, 400}, 293, 0, 241, 6.25F, -9.1875F},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        const GlPlacement placement = PlaceGlPicture(64, 32, each.aspect, each.client, each.scaleMode);
        const FrameLayout gdi = ComputeLayout(64, 32, each.aspect, each.client, each.scaleMode);
        EXPECT_EQ(placement.layout.destination, gdi.destination);
        EXPECT_DOUBLE_EQ(placement.layout.scaleX, gdi.scaleX);
        EXPECT_DOUBLE_EQ(placement.layout.scaleY, gdi.scaleY);
        EXPECT_TRUE(placement.draws);
        EXPECT_EQ(placement.rasterY, each.rasterY);
        EXPECT_EQ(placement.moveX, each.moveX);
        EXPECT_EQ(placement.moveY, each.moveY);
        EXPECT_FLOAT_EQ(placement.zoomX, each.zoomX);
        EXPECT_FLOAT_EQ(placement.zoomY, each.zoomY);
        // The raster starts inside the viewport and ends on the destination's top-left corner, counted in window
        // rows from the bottom.
        const int32_t clientHeight = each.client.Height();
        EXPECT_GE(placement.rasterY, 0);
        EXPECT_LT(placement.rasterY, clientHeight);
        EXPECT_EQ(clientHeight - 1 - placement.rasterY + placement.moveY, clientHeight - gdi.destination.top);
    }
}

TEST(OpenGLLayoutTest, AnEmptyClientAreaOrFrameDrawsNothing) {
    EXPECT_FALSE(PlaceGlPicture(64, 32, 0.0F, {0, 0, 0, 0}, 0).draws);
    EXPECT_FALSE(PlaceGlPicture(64, 32, 0.0F, {0, 0, 200, 0}, 0).draws);
    EXPECT_FALSE(PlaceGlPicture(64, 32, 0.0F, {0, 0, 0, 100}, 1).draws);
    EXPECT_FALSE(PlaceGlPicture(0, 0, 0.0F, {0, 0, 200, 100}, 0).draws);
    // So thin a client area that the stretched picture has no lines.
    EXPECT_FALSE(PlaceGlPicture(64, 16, 0.0F, {0, 0, 1, 100}, 0).draws);
}

} // namespace
} // namespace emu
