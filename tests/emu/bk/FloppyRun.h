// A BK test machine with the floppy controller at 0177130-0177133, its ROM hook on page 56 and two drives over raw
// images in a temporary folder whose sectors each hold a pattern of their own cylinder, head and sector.
#pragma once

#include "common/BoundValue.h"
#include "common/PathString.h"
#include "common/SettingsTree.h"
#include "emu/bk/BkFloppyController.h"
#include "emu/core/DriveSet.h"
#include "emu/core/DriveSlot.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "support/BkTestMachine.h"
#include "support/RecordingConsole.h"
#include "support/SliceRunner.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace emu {

inline constexpr size_t kSectorBytes = 512;
inline constexpr size_t kFullImage = 819200;
inline constexpr size_t kHalfImage = 409600;

// Byte k of sector (cylinder, head, sector index from 0): the three numbers first, then a run that differs per
// sector.
inline uint8_t PatternByte(size_t cylinder, size_t head, size_t sector, size_t k) {
    switch (k) {
    case 0:
        return static_cast<uint8_t>(cylinder);
    case 1:
        return static_cast<uint8_t>(head);
    case 2:
        return static_cast<uint8_t>(sector);
    default:
        return static_cast<uint8_t>(cylinder * 5 + head * 101 + sector * 29 + k * 3);
    }
}

// A raw image of size bytes: 2 heads, 10 sectors a track, the pattern in every sector it holds in part or whole.
inline std::string RawImage(size_t size) {
    std::string image(size, '\0');
    for (size_t offset = 0; offset < size; ++offset) {
        const size_t linear = offset / kSectorBytes;
        image[offset] =
            static_cast<char>(PatternByte(linear / 20, linear / 10 % 2, linear % 10, offset % kSectorBytes));
    }
    return image;
}

inline std::string SectorPattern(size_t cylinder, size_t head, size_t sector) {
    std::string bytes(kSectorBytes, '\0');
    for (size_t k = 0; k < kSectorBytes; ++k) {
        bytes[k] = static_cast<char>(PatternByte(cylinder, head, sector, k));
    }
    return bytes;
}

// Equal bytes, or where they first differ (images are too long to print).
inline testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) {
        return testing::AssertionSuccess();
    }
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    return testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                       << ", first difference at byte " << at;
}

// The BK test machine with the controller and its registers.
class FloppyTestMachine : public test_support::BkTestMachine {
public:
    FloppyTestMachine() : BkTestMachine(false) {
        Drives()->SetFloppyCount(BkFloppyController::kDriveCount);
        auto made = std::make_unique<BkFloppyController>();
        controller = made.get();
        AddChild(std::move(made));
        for (int32_t index = 0; index < BkFloppyController::kDriveCount; ++index) {
            controller->AddDrive(Slot(index));
        }
        controller->InstallRomHook();
    }

    DriveSlot* Slot(int32_t index) const { return Drives()->DriveAt(DriveKind::Floppy, index); }

    BkFloppyController* FloppyController() const override { return controller; }
    bool AddRegisters(BkRegisterTable& table) override {
        return BkMachine::AddRegisters(table) && BkFloppyController::AddRegisters(table);
    }

    BkFloppyController* controller = nullptr;
};

// The host's side of a break: a report that asks to break does, aborting the instruction in progress, which then
// runs again in full on resuming; like the emulator core, the machine does not stop twice in a row at one address.
struct BreakingHost {
    static int32_t Answer(void* context, uint8_t* request, uint8_t* show, int32_t code) {
        auto* host = static_cast<BreakingHost*>(context);
        *show = 1;
        if (code != 0 || *request == 0) {
            return 0;
        }
        CpuInterface* cpu = host->machine->FirstCpu();
        if (host->repeatGuard && cpu->GetPC() == host->repeatAddress) {
            host->repeatGuard = false;
            return 0;
        }
        host->repeatGuard = true;
        host->repeatAddress = cpu->GetPC();
        ++host->breaks;
        cpu->RaiseBusFault();
        return 1;
    }

    Machine* machine = nullptr;
    bool repeatGuard = false;
    uint32_t repeatAddress = 0;
    int32_t breaks = 0;
};

struct FloppyRun {
    // Images for drives 0 and 1 (none for an empty string).
    explicit FloppyRun(const std::vector<std::string>& images = {RawImage(kFullImage), RawImage(kHalfImage)})
        : runner(machine) {
        machine.SetConsole(&console);
        machine.SetTapeNoise([](uint64_t) { return false; });
        host.machine = &machine;
        machine.SetHostCallback(&BreakingHost::Answer, &host);
        for (size_t index = 0; index < images.size(); ++index) {
            if (!images[index].empty()) {
                Mount(static_cast<int32_t>(index), images[index]);
            }
        }
    }

    static std::u16string ImageName(int32_t index) { return index == 0 ? u"a.img" : u"b.img"; }

    // Mounts a new file with the content in the drive's slot, ejecting what was there.
    void Mount(int32_t index, const std::string& content, const std::u16string& name = {}) {
        const std::u16string file = name.empty() ? ImageName(index) : name;
        DriveSlot* slot = machine.Slot(index);
        slot->EjectImage();
        slot->OpenImage(common::PathString(folder.WriteFile(file, content).c_str()));
    }
    std::string Image(int32_t index) const { return folder.ReadFile(ImageName(index)); }

    bool PowerOn() {
        if (!machine.PowerOn()) {
            return false;
        }
        machine.Load(01000, {0000777});
        machine.Enter(01000);
        return runner.Start();
    }

    BkFloppyController& Fdc() const { return *machine.controller; }
    DiskDrive& Drive(int32_t index) const { return *Fdc().GetDrive(index); }
    Cpu1801BM1& Cpu() const { return *machine.Cpu(); }
    MemoryMap& Memory() const { return *machine.Memory(); }

    // Register accesses as the processor makes them.
    void Control(uint16_t value) const { Memory().WriteWord(0177130, value); }
    void Control(uint16_t value, int32_t times) const {
        for (int32_t time = 0; time < times; ++time) {
            Control(value);
        }
    }
    uint16_t State() const { return Memory().ReadWord(0177130, 0); }
    uint16_t Data() const { return Memory().ReadWord(0177132, 0); }

    // Sets one of the controller's trace or break switches through its settings key.
    void SetSwitch(const char* key, bool on) const {
        common::SettingsTree settings;
        ASSERT_TRUE(Fdc().ExchangeSettings(&settings, false));
        common::BoundValue* value = settings.FindValue(common::NarrowString(key));
        ASSERT_NE(value, nullptr) << key;
        ASSERT_TRUE(value->SetBool(on));
    }

    // The console lines that open with the tag (and BREAK, when given).
    std::vector<std::string> Lines(const std::string& opening) {
        std::vector<std::string> found;
        for (const std::string& line : console.Texts()) {
            if (line.rfind(opening, 0) == 0) {
                found.push_back(line);
            }
        }
        return found;
    }

    test_support::TemporaryFolder folder;
    test_support::RecordingConsole console;
    FloppyTestMachine machine;
    test_support::SliceRunner runner;
    BreakingHost host;
};

} // namespace emu
