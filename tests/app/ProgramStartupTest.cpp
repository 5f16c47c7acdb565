#include "app/ProgramStartup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

std::vector<std::string> calls;

class FakeTimer : public TimerResolution {
public:
    bool query = true;
    bool begin = true;
    bool QueryMinimumPeriod(uint32_t& period) override {
        calls.push_back("query");
        period = 1;
        return query;
    }
    bool BeginPeriod(uint32_t period) override {
        calls.push_back("begin " + std::to_string(period));
        return begin;
    }
    void EndPeriod(uint32_t period) override { calls.push_back("end " + std::to_string(period)); }
};

class FakeApplication : public StartableApplication {
public:
    bool starts = true;
    bool StartApplication(int32_t& exitCode) override {
        calls.push_back("start");
        exitCode = starts ? 0 : -1;
        return starts;
    }
    int32_t RunApplication() override {
        calls.push_back("run");
        return 7;
    }
    void ExitApplication() override { calls.push_back("exit"); }
};

TEST(ProgramStartupTest, TheRunIsBracketedByTheTimerPeriod) {
    struct Case {
        const char* name;
        bool query;
        bool begin;
        bool starts;
        int32_t exitCode;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"normal run", true, true, true, 7, {"query", "begin 1", "start", "run", "exit", "end 1"}},
        {"no capabilities", false, true, true, 7, {"query", "start", "run", "exit"}},
        {"period refused", true, false, true, 7, {"query", "begin 1", "start", "run", "exit"}},
        {"start fails", true, true, false, -1, {"query", "begin 1", "start"}},
    };
    for (const Case& c : cases) {
        calls.clear();
        FakeTimer timer;
        timer.query = c.query;
        timer.begin = c.begin;
        FakeApplication application;
        application.starts = c.starts;
        EXPECT_EQ(RunProgram(timer, application), c.exitCode) << c.name;
        EXPECT_EQ(calls, c.calls) << c.name;
    }
}

} // namespace
} // namespace emu
