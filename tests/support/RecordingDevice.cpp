#include "support/RecordingDevice.h"

#include "common/ListCursor.h"

#include <cstdio>

namespace test_support {

bool RecordingDevice::Start(int32_t& rate) {
    Record("Start");
    if (failStart) {
        return false;
    }
    const bool started = Device::Start(rate);
    if (reportedRate) {
        rate = *reportedRate;
    }
    return started;
}

void RecordingDevice::Stop() {
    Record("Stop");
    Device::Stop();
}

bool RecordingDevice::Notify(uint32_t code) {
    char text[32];
    std::snprintf(text, sizeof text, "Notify 0x%X", code);
    Record(text);
    return !refuseNotify && Device::Notify(code);
}

uint32_t RecordingDevice::ExecuteCommand(const common::NarrowString& command, common::ListCursor* parameters,
                                         uint8_t flag, bool* wrongState) {
    Record("Command");
    common::NarrowString parameter;
    if (parameters != nullptr) {
        parameters->CopyTokenText(parameter);
    }
    commands.push_back(std::string(command.View()) + " " + std::string(parameter.View()));
    if (commandAnswer != 0 && commandWrongState) {
        *wrongState = true;
    }
    return commandAnswer != 0 ? commandAnswer : Device::ExecuteCommand(command, parameters, flag, wrongState);
}

void RecordingDevice::Record(const std::string& event) const {
    log->push_back(std::string(Name().View()) + " " + event);
}

} // namespace test_support
