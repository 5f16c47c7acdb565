// The fixture of the tests that run the BK models on their real ROM images (BK_ROM_DIR), headless as the core runs
// them; without the images the tests are skipped.
#pragma once

#include "common/NarrowString.h"
#include "common/SettingsTree.h"
#include "emu/core/Computer.h"
#include "support/BkModelRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

class BkRealRomTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::optional<std::u16string> folder = BkModelRun::RealRomFolder();
        if (!folder) {
            GTEST_SKIP() << "BK_ROM_DIR is not set";
        }
        romFolder = *folder;
    }

    // A machine of the model with the listed settings switched, powered on and run; it reports no error.
    std::unique_ptr<BkModelRun> Boot(const emu::Computer& prototype, int64_t frames,
                                     const std::vector<std::pair<const char*, bool>>& switches = {}) {
        auto run = std::make_unique<BkModelRun>(prototype, romFolder);
        common::SettingsTree settings;
        EXPECT_TRUE(run->Machine().ExchangeSettings(&settings, false));
        for (const auto& [key, on] : switches) {
            EXPECT_TRUE(settings.FindValue(common::NarrowString(key))->SetBool(on)) << key;
        }
        EXPECT_TRUE(run->PowerOn());
        run->RunFrames(frames);
        EXPECT_TRUE(run->Lines("[ERROR]").empty());
        return run;
    }

    static std::string TestName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

    std::u16string romFolder;
};

} // namespace test_support
