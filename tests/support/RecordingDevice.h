#pragma once

#include "emu/core/Device.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

// A device that writes what happens to it into a log it shares with the other devices of a test, as
// "<name> Start", "<name> Stop", "<name> Notify 0x140" and "<name> Command", and that a test can make fail.
class RecordingDevice : public emu::Device {
public:
    RecordingDevice(const char* name, std::vector<std::string>& log) : Device(name), log(&log) {}

    // Left in the start rate after the device's children started.
    std::optional<int32_t> reportedRate;
    bool failStart = false;
    bool refuseNotify = false;
    uint32_t commandAnswer = 0;
    // Answers a command it knows (commandAnswer not 0) as one it cannot run now.
    bool commandWrongState = false;
    // Each command offered: its name and the text of the token the parameters' cursor stands on.
    std::vector<std::string> commands;

    bool Start(int32_t& rate) override;
    void Stop() override;
    bool Notify(uint32_t code) override;
    uint32_t ExecuteCommand(const common::NarrowString& command, common::ListCursor* parameters, uint8_t flag,
                            bool* wrongState) override;

private:
    void Record(const std::string& event) const;

    std::vector<std::string>* log;
};

} // namespace test_support
