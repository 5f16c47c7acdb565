#include "emu/core/ConfigParamApplier.h"

#include "TreeHelpers.h"
#include "emu/core/ConfigParamSet.h"
#include "emu/core/Device.h"
#include "emu/core/InterruptControllerInterface.h"
#include "emu/core/MemoryMapInterface.h"
#include "emu/core/PortMapInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace emu {
namespace {

// One binding a service was asked for: what, where, for whom.
struct Binding {
    std::string kind;
    uint32_t first;
    uint32_t count;
    void* context;

    bool operator==(const Binding&) const = default;
};

// Services that record the bindings and refuse what the real ones refuse.
class Services : public MemoryMapInterface, public PortMapInterface, public InterruptControllerInterface {
public:
    std::vector<Binding> bindings;
    bool refuseMemory = false;

    bool MapReadRange(uint32_t first, uint32_t count, void* context, BusReadHandler handler, bool) override {
        return Record("page read", first, count, context, handler != nullptr) && !refuseMemory;
    }
    bool MapWriteRange(uint32_t first, uint32_t count, void* context, BusWriteHandler handler, bool) override {
        return Record("page write", first, count, context, handler != nullptr) && !refuseMemory;
    }
    bool BindReadPort(uint32_t port, void* context, BusReadHandler handler) override {
        return port <= 0xFFFF && Record("port read", port, 1, context, handler != nullptr);
    }
    bool BindReadPortStatus(uint32_t port, void* context, PortStatusReadHandler handler) override {
        return port <= 0xFFFF && Record("port status read", port, 1, context, handler != nullptr);
    }
    bool BindWritePort(uint32_t port, void* context, BusWriteHandler handler) override {
        return port <= 0xFFFF && Record("port write", port, 1, context, handler != nullptr);
    }
    bool SetHandler(uint32_t number, void* context, InterruptHookHandler handler) override {
        return number <= 255 && Record("hook A", number, 1, context, handler != nullptr);
    }
    bool SetHandlerB(uint32_t number, void* context, InterruptHookHandler handler) override {
        return number <= 255 && Record("hook B", number, 1, context, handler != nullptr);
    }

private:
    bool Record(const char* kind, uint32_t first, uint32_t count, void* context, bool hasHandler) {
        EXPECT_TRUE(hasHandler) << kind;
        bindings.push_back({kind, first, count, context});
        return true;
    }
};

class ConfigParamApplierTest : public testing::Test {
protected:
    Device device{"DEV"};
    void* context = static_cast<Device*>(&device);
    Services services;
    ConfigParamApplier applier;
    ConfigParamSet& params = device.Params();
};

TEST_F(ConfigParamApplierTest, MemoryRangeBindsEachSideItHasAHandlerFor) {
    bool active = false;
    uint64_t first = 040;
    uint64_t count = 8;
    ASSERT_TRUE(params.AddMemoryRange("MEMORY", false, &active, &first, &count, StubRead, StubWrite));
    ASSERT_TRUE(params.AddMemoryRange("ROM", false, nullptr, nullptr, nullptr, StubRead, nullptr));
    EXPECT_TRUE(applier.ApplyMemoryRange(&services, params.Find("MEMORY"), &device));
    EXPECT_TRUE(applier.ApplyMemoryRange(&services, params.Find("ROM"), &device));
    EXPECT_EQ(services.bindings,
              (std::vector<Binding>{
                  {"page read", 040, 8, context}, {"page write", 040, 8, context}, {"page read", 0, 1, context}}));
    EXPECT_TRUE(active);
    EXPECT_TRUE(params.Find("MEMORY")->IsActive());
}

TEST_F(ConfigParamApplierTest, PortRangeIsCutAtTheLastPort) {
    ASSERT_TRUE(params.AddPortRangeValues("PORTS", false, false, 65532, 8, StubRead, StubWrite));
    EXPECT_TRUE(applier.ApplyPortRange(&services, params.Find("PORTS"), &device));
    std::vector<Binding> expected;
    for (const char* kind : {"port read", "port write"}) {
        for (uint32_t port = 65532; port <= 65535; ++port) {
            expected.push_back({kind, port, 1, context});
        }
    }
    EXPECT_EQ(services.bindings, expected);
    EXPECT_TRUE(params.Find("PORTS")->IsActive());
}

TEST_F(ConfigParamApplierTest, PortRangeBindsTheStatusReadOnlyWithoutAPlainOne) {
    ASSERT_TRUE(params.AddPortRangeAltValues("STATUS", false, false, 0100, 1, StubStatusRead, nullptr));
    ASSERT_TRUE(params.AddPortWriteRangeValues("WRITE", false, false, 0200, 1, StubWrite));
    EXPECT_TRUE(applier.ApplyPortRange(&services, params.Find("STATUS"), &device));
    EXPECT_TRUE(applier.ApplyPortRange(&services, params.Find("WRITE"), &device));
    EXPECT_EQ(services.bindings,
              (std::vector<Binding>{{"port status read", 0100, 1, context}, {"port write", 0200, 1, context}}));
}

TEST_F(ConfigParamApplierTest, VectorRangePastEntry255FailsThereLeavingTheRecordOutOfForce) {
    bool active = false;
    uint64_t first = 254;
    uint64_t count = 4;
    ASSERT_TRUE(params.AddVectorRangeB("EMT", false, &active, &first, &count, StubHook));
    EXPECT_FALSE(applier.ApplyVectorRangeB(&services, params.Find("EMT"), &device));
    EXPECT_EQ(services.bindings, (std::vector<Binding>{{"hook B", 254, 1, context}, {"hook B", 255, 1, context}}));
    EXPECT_FALSE(active);
    EXPECT_FALSE(params.Find("EMT")->IsActive());
    EXPECT_EQ(first, 254u);

    services.bindings.clear();
    ASSERT_TRUE(params.AddVectorRangeAValues("TRAP", false, 034, 2, StubHook));
    EXPECT_TRUE(applier.ApplyVectorRangeA(&services, params.Find("TRAP"), &device));
    EXPECT_EQ(services.bindings, (std::vector<Binding>{{"hook A", 034, 1, context}, {"hook A", 035, 1, context}}));
}

TEST_F(ConfigParamApplierTest, ARefusedBindingLeavesTheRecordOutOfForce) {
    bool active = true;
    uint64_t first = 1;
    uint64_t count = 1;
    ASSERT_TRUE(params.AddMemoryRange("MEMORY", false, &active, &first, &count, StubRead, nullptr));
    ASSERT_TRUE(applier.ApplyMemoryRange(&services, params.Find("MEMORY"), &device));
    EXPECT_TRUE(active);
    services.refuseMemory = true;
    EXPECT_FALSE(applier.ApplyMemoryRange(&services, params.Find("MEMORY"), &device));
    EXPECT_FALSE(active);
    EXPECT_FALSE(params.Find("MEMORY")->IsActive());
}

TEST_F(ConfigParamApplierTest, ADisabledRecordIsTakenOutOfForceAndNotBound) {
    bool active = false;
    uint64_t line = 3;
    ASSERT_TRUE(params.AddFlag("IRQ", false, &active, &line));
    ASSERT_TRUE(applier.ApplyFlag(params.Find("IRQ")));
    ASSERT_TRUE(active);
    params.Find("IRQ")->SetEnabled(false);
    EXPECT_TRUE(applier.ApplyFlag(params.Find("IRQ")));
    EXPECT_FALSE(active);
    EXPECT_FALSE(params.Find("IRQ")->IsActive());
}

TEST_F(ConfigParamApplierTest, WrongKindsAndMissingPartsAreRefused) {
    ASSERT_TRUE(params.AddFlag("IRQ", true, nullptr, nullptr));
    ASSERT_TRUE(params.AddFlagPair("PAIR", true, nullptr, nullptr, nullptr));
    ASSERT_TRUE(params.AddPortRangeValues("PORTS", false, false, 1, 1, StubRead, nullptr));
    ConfigParam* flag = params.Find("IRQ");
    ConfigParam* ports = params.Find("PORTS");
    EXPECT_FALSE(applier.ApplyMemoryRange(&services, ports, &device));
    EXPECT_FALSE(applier.ApplyPortRange(nullptr, ports, &device));
    EXPECT_FALSE(applier.ApplyPortRange(&services, nullptr, &device));
    EXPECT_FALSE(applier.ApplyVectorRangeA(&services, flag, &device));
    EXPECT_FALSE(applier.ApplyVectorRangeB(&services, ports, &device));
    EXPECT_FALSE(applier.ApplyFlag(params.Find("PAIR")));
    EXPECT_FALSE(applier.ApplyFlagPair(flag));
    EXPECT_FALSE(applier.ApplyFlag(nullptr));
    EXPECT_TRUE(applier.ApplyFlagPair(params.Find("PAIR")));
    EXPECT_TRUE(services.bindings.empty());
}

} // namespace
} // namespace emu
