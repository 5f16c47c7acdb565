// A test machine with a disk controller whose two drives sit on temporary floppy images, and the controller's
// notifications as a log.
#pragma once

#include "DeviceTestMachine.h"
#include "common/PathString.h"
#include "emu/core/DriveSet.h"
#include "emu/devices/DiskController.h"
#include "emu/devices/DiskDrive.h"
#include "support/RecordingConsole.h"
#include "support/TemporaryFolder.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace emu {

// Bytes of a 1,474,560-byte floppy image: each sector's bytes differ from every other sector's.
inline std::string FloppyContent(size_t size = DiskController::kFloppyImageSize) {
    std::string content(size, '\0');
    for (size_t offset = 0; offset < size; ++offset) {
        content[offset] = static_cast<char>(offset / 512 * 7 + offset);
    }
    return content;
}

// Logs what its drives tell it. The timed read takes what the scripted answers say, else all it is offered.
class LoggingController : public DiskController {
public:
    LoggingController() : DiskController("FDC") {}

    void OnDriveChanged(int32_t driveIndex) override { log.push_back("changed " + std::to_string(driveIndex)); }
    void OnSeekDone(int32_t driveIndex, bool ok) override {
        log.push_back("seek " + std::to_string(driveIndex) + (ok ? " arrived" : " failed"));
    }
    int32_t OnReadData(int32_t driveIndex, const uint8_t* data, int32_t count, uint64_t requested,
                       uint64_t done) override {
        log.push_back("read " + std::to_string(driveIndex) + ": " + std::to_string(count) + " at " +
                      std::to_string(done) + "/" + std::to_string(requested));
        int32_t answer = count;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        if (data != nullptr && answer > 0) {
            received.insert(received.end(), data, data + std::min(answer, count));
        }
        return answer;
    }

    std::vector<std::string> log;
    std::deque<int32_t> answers;
    std::string received;
};

struct FloppyMachine {
    explicit FloppyMachine(size_t imageSize = DiskController::kFloppyImageSize,
                           std::unique_ptr<LoggingController> madeController = std::make_unique<LoggingController>()) {
        machine.SetConsole(&console);
        machine.Drives()->SetFloppyCount(2);
        controller = madeController.get();
        machine.AddChild(std::move(madeController));
        for (int32_t index = 0; index < 2; ++index) {
            DriveSlot* slot = Slot(index);
            slot->OpenImage(common::PathString(folder.WriteFile(ImageName(index), FloppyContent(imageSize)).c_str()));
            controller->AddDrive(slot);
        }
    }

    static std::u16string ImageName(int32_t index) { return index == 0 ? u"a.img" : u"b.img"; }
    DriveSlot* Slot(int32_t index) const { return machine.Drives()->DriveAt(DriveKind::Floppy, index); }
    DiskDrive& Drive(int32_t index) const { return *controller->GetDrive(index); }
    std::string Image(int32_t index) const { return folder.ReadFile(ImageName(index)); }

    test_support::TemporaryFolder folder;
    test_support::RecordingConsole console;
    DeviceTestMachine machine;
    LoggingController* controller = nullptr;
};

} // namespace emu
