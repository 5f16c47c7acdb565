#include "emu/core/PortMap.h"

#include "ArchiveBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace emu {
namespace {

// Port handlers that log each access as "<who> <port in hex>/<size>" and serve it when told to.
struct PortLog {
    std::vector<std::string> entries;
    bool serve = true;
    // Wider reads are declined.
    uint32_t widestRead = 4;
    uint32_t value = 0;
    uint8_t status = 0;

    static bool Plain(void* context, uint32_t port, uint32_t size, void* buffer, uint8_t) {
        return Read(context, "plain", port, size, buffer);
    }
    static bool Status(void* context, uint32_t port, uint32_t size, void* buffer, uint8_t, uint8_t* status) {
        *status = static_cast<PortLog*>(context)->status;
        return Read(context, "status", port, size, buffer);
    }
    static bool Write(void* context, uint32_t port, uint32_t size, const void* buffer) {
        auto* log = static_cast<PortLog*>(context);
        uint32_t written = 0;
        std::memcpy(&written, buffer, size);
        log->Record("write", port, size);
        log->entries.back() += "=" + std::to_string(written);
        return log->serve;
    }

private:
    static bool Read(void* context, const char* who, uint32_t port, uint32_t size, void* buffer) {
        auto* log = static_cast<PortLog*>(context);
        log->Record(who, port, size);
        std::memcpy(buffer, &log->value, size);
        return log->serve && size <= log->widestRead;
    }
    void Record(const char* who, uint32_t port, uint32_t size) {
        char text[40];
        std::snprintf(text, sizeof text, "%s %X/%u", who, port, size);
        entries.emplace_back(text);
    }
};

TEST(PortMapTest, UnservedReadsGiveOpenBusPerByteAndClearTheStatus) {
    PortMap ports;
    uint8_t status = 9;
    EXPECT_EQ(ports.ReadPortByte(0x10, 0, &status), 0xFF);
    EXPECT_EQ(status, 0);
    status = 9;
    EXPECT_EQ(ports.ReadPortWord(0x10, 0, &status), 0xFFFF);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ports.ReadPortDword(0xFFFE, 0, nullptr), 0xFFFFFFFFu);
    ports.SetOpenBusByte(0x5A);
    EXPECT_EQ(ports.ReadPortWord(0x10, 0, nullptr), 0x5A5A);
}

TEST(PortMapTest, BindsPortsBelow65536AndEachReadFormReplacesTheOther) {
    PortMap ports;
    PortLog log;
    log.value = 0x42;
    log.status = 3;
    EXPECT_FALSE(ports.BindReadPort(0x10000, &log, PortLog::Plain));
    EXPECT_FALSE(ports.BindReadPortStatus(0x10000, &log, PortLog::Status));
    EXPECT_FALSE(ports.BindWritePort(0x10000, &log, PortLog::Write));
    EXPECT_TRUE(ports.BindReadPort(0x1234, &log, nullptr));

    uint8_t status = 0;
    ASSERT_TRUE(ports.BindReadPort(0x1234, &log, PortLog::Plain));
    EXPECT_EQ(ports.ReadPortByte(0x1234, 0, &status), 0x42);
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(ports.BindReadPortStatus(0x1234, &log, PortLog::Status));
    EXPECT_EQ(ports.ReadPortByte(0x1234, 0, &status), 0x42);
    EXPECT_EQ(status, 3);
    ASSERT_TRUE(ports.BindReadPort(0x1234, &log, PortLog::Plain));
    ports.ReadPortByte(0x1234, 0, &status);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"plain 1234/1", "status 1234/1", "plain 1234/1"}));

    ASSERT_TRUE(ports.BindReadPort(0x1234, &log, nullptr));
    EXPECT_EQ(ports.ReadPortByte(0x1234, 0, &status), 0xFF);
}

TEST(PortMapTest, WiderAccessesNotServedWholeSplitLowHalfFirst) {
    PortMap ports;
    PortLog log;
    log.value = 0x11;
    ports.BindReadPort(0x20, &log, PortLog::Plain);
    ports.BindReadPort(0x21, &log, PortLog::Plain);
    ports.BindWritePort(0x20, &log, PortLog::Write);
    ports.BindWritePort(0x21, &log, PortLog::Write);

    // Whole at the first port.
    EXPECT_EQ(ports.ReadPortWord(0x20, 0, nullptr), 0x0011);
    // A long read that 0x20 declines is read as two words, there and at the unbound 0x22.
    log.widestRead = 2;
    log.entries.clear();
    EXPECT_EQ(ports.ReadPortDword(0x20, 0, nullptr), 0xFFFF0011u);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"plain 20/4", "plain 20/2"}));

    log.entries.clear();
    log.serve = false;
    ports.WritePortWord(0x20, 0xBEEF);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"write 20/2=48879", "write 20/1=239", "write 21/1=190"}));
}

TEST(PortMapTest, DefaultHooksServeWhatThePortsDecline) {
    PortMap ports;
    PortLog bound;
    PortLog fallback;
    bound.serve = false;
    fallback.value = 0x77;
    ports.BindReadPort(0x30, &bound, PortLog::Plain);
    ports.SetDefaultReadHook(&fallback, nullptr, PortLog::Status);
    ports.SetDefaultWriteHook(&fallback, PortLog::Write);
    EXPECT_EQ(ports.ReadPortByte(0x30, 0, nullptr), 0x77);
    EXPECT_EQ(ports.ReadPortByte(0x31, 0, nullptr), 0x77);

    // A byte write ends at the default hook whatever it answers; a word write it declines is split.
    fallback.serve = false;
    fallback.entries.clear();
    ports.WritePortByte(0x30, 1);
    ports.WritePortWord(0x30, 0x0302);
    EXPECT_EQ(fallback.entries,
              (std::vector<std::string>{"write 30/1=1", "write 30/2=770", "write 30/1=2", "write 31/1=3"}));
}

TEST(PortMapTest, DecodeMasksPickTheEntryAndHandlersGetThePortAsGiven) {
    PortMap ports;
    PortLog log;
    log.value = 0x99;
    ports.BindReadPort(0x34, &log, PortLog::Plain);
    ports.SetDecodeMasks(0xFFFF, 0x00FF, 0xFFFF, 0xFFFF);
    EXPECT_EQ(ports.ReadPortByte(0x1234, 0, nullptr), 0x99);
    EXPECT_EQ(ports.ReadPortWord(0x1234, 0, nullptr), 0xFF99);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"plain 1234/1", "plain 1234/1"}));

    // Stop drops the bindings and keeps the masks; Start also resets the masks.
    ports.Stop();
    ports.BindReadPort(0x34, &log, PortLog::Plain);
    EXPECT_EQ(ports.ReadPortByte(0x1234, 0, nullptr), 0x99);
    int32_t rate = 0;
    ports.Start(rate);
    ports.BindReadPort(0x34, &log, PortLog::Plain);
    EXPECT_EQ(ports.ReadPortByte(0x1234, 0, nullptr), 0xFF);
}

TEST(PortMapTest, ChunkHoldsOnlyItsVersion) {
    PortMap ports;
    const Bytes saved = Archived([&](common::RecordArchive& archive) { return ports.SaveOwnData(archive); });
    EXPECT_EQ(saved, Concat({ChunkBegin("_PORTS"), U8Value("VER", 0), ChunkEnd("_PORTS")}));
    const auto load = [&](common::RecordArchive& archive) { return ports.LoadOwnData(archive, nullptr); };
    EXPECT_TRUE(ReadsWhole(saved, load));
    EXPECT_FALSE(ReadsWhole(Concat({ChunkBegin("_PORTS"), U8Value("VER", 1), ChunkEnd("_PORTS")}), load));
}

} // namespace
} // namespace emu
