// The device bases together on one machine, as a BK model will hold them: a sound device of two channels, a disk
// controller with two drives on floppy images, and a keyboard with the numeric-pad mouse.
#include "DeviceStateBytes.h"
#include "FloppyMachine.h"
#include "LevelChannel.h"
#include "emu/core/MouseService.h"
#include "emu/devices/KeyboardDevice.h"
#include "emu/devices/SoundDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {
namespace {

using namespace test_support;

using Log = std::vector<std::string>;
using Block = std::vector<uint8_t>;

class PadKeyboard : public KeyboardDevice {
public:
    PadKeyboard() {
        SetNumpadMouseAvailable(true);
        SetNumpadMode(1);
    }
};

struct WholeMachine : FloppyMachine {
    WholeMachine() {
        auto madeSound = std::make_unique<SoundDevice>();
        SoundDevice* sound = madeSound.get();
        sound->SetSoundFreq(3);
        for (LevelChannel*& channel : channels) {
            auto made = std::make_unique<LevelChannel>();
            channel = made.get();
            sound->AddChannel(std::move(made));
        }
        machine.AddChild(std::move(madeSound));
        machine.AddChild(std::make_unique<PadKeyboard>());
    }

    bool Start() {
        if (!machine.PowerOnAndClock()) {
            return false;
        }
        machine.Mouse()->AddListener(this, OnMouse);
        return true;
    }
    static void OnMouse(void* context, const MouseEventRecord& event) {
        static_cast<WholeMachine*>(context)->mouse.push_back(std::to_string(event.stepX) + "," +
                                                             std::to_string(event.stepY));
    }
    // What the machine did that a test can compare: drive positions, the controller's log and the mouse's moves.
    std::string Summary() const {
        std::string summary;
        for (int32_t index = 0; index < 2; ++index) {
            const DiskDrive& drive = Drive(index);
            summary += "drive" + std::to_string(index) + " at " + std::to_string(drive.CylinderIndex()) + "/" +
                       std::to_string(drive.HeadIndex()) + "/" + std::to_string(drive.SectorIndex()) + " read " +
                       std::to_string(drive.ReadDone()) + "; ";
        }
        for (const std::string& line : controller->log) {
            summary += line + "; ";
        }
        return summary + std::to_string(mouse.size()) + " moves";
    }

    std::array<LevelChannel*, 2> channels{};
    Log mouse;
};

// The part of the run after the save, played on both machines alike.
void RunOn(WholeMachine& whole) {
    whole.channels[1]->RecordLevel(90);
    whole.machine.Run(30);
    whole.channels[0]->RecordLevel(10);
    whole.machine.Run(100);
    whole.machine.KeyEvent(0x66, false);
    whole.machine.KeyEvent(0x61, true);
    whole.machine.Run(600);
}

TEST(MachineDevicesTest, SoundDisksAndKeyboardRunOnAndGoOnAlikeInAFreshMachine) {
    WholeMachine first;
    ASSERT_TRUE(first.Start());
    first.machine.Run(1);
    first.channels[0]->RecordLevel(60);
    first.machine.KeyEvent(0x66, true);
    ASSERT_TRUE(first.Drive(0).StartSeek(6));
    first.Drive(1).WriteByte('B', 0);
    ASSERT_TRUE(first.Drive(1).StartRead(2000));
    first.machine.Run(120);
    // The pad key moved the mouse at once (its repeat waits for the fifth 50 Hz event); the seek and the read ran.
    EXPECT_EQ(first.mouse, (Log{"10,0"}));
    EXPECT_EQ(first.Drive(0).CylinderIndex(), 6u);
    EXPECT_EQ(first.Drive(1).ReadDone(), 2000u);
    EXPECT_EQ(first.Image(1)[0], 'B');
    ASSERT_EQ(first.machine.Played(0).size(), 2u);
    const Bytes saved = SavedState(first.machine);
    const size_t playedBeforeSave = first.machine.Played(0).size();

    WholeMachine second;
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(LoadState(second.machine, saved));
    second.machine.cpu->cycles = first.machine.cpu->cycles;
    first.controller->log.clear();
    first.mouse.clear();
    second.controller->log.clear();

    RunOn(first);
    RunOn(second);
    EXPECT_EQ(second.Summary(), first.Summary());
    // The new direction moved at once and repeats from its fifth event on.
    EXPECT_EQ(first.mouse, (Log{"-10,10", "-10,10", "-10,10", "-10,10"}));
    EXPECT_EQ(second.mouse, first.mouse);
    for (int32_t channel = 0; channel < 2; ++channel) {
        SCOPED_TRACE(channel);
        const std::vector<Block> firstPlayed = first.machine.Played(channel);
        ASSERT_GT(firstPlayed.size(), playedBeforeSave);
        EXPECT_EQ(
            second.machine.Played(channel),
            std::vector<Block>(firstPlayed.begin() + static_cast<std::ptrdiff_t>(playedBeforeSave), firstPlayed.end()));
    }
    // The level recorded at cycle 750 is heard from the fifth sample (750 x 320 / 60000) of the second block.
    const Block second0 = first.machine.Played(0)[1];
    EXPECT_EQ(Block(second0.begin(), second0.begin() + 5), (Block{0, 0, 0, 0, 60}));
    EXPECT_EQ(first.machine.Played(0).back(), Block(320, 10));
    EXPECT_EQ(second.machine.Played(1).back(), Block(320, 90));
}

} // namespace
} // namespace emu
