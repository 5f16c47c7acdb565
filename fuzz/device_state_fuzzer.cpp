// Loads damaged saved states into a started machine holding the device bases: a sound device with a square-wave
// channel, a disk controller with a drive on an empty slot, and a keyboard with the numeric-pad mouse. The input
// edits a state saved from such a machine while its channel had records pending (a length to cut it to, then
// offset and value pairs to mix into it), so the loaders' own checks are reached. Whatever the edits, the load must
// fail cleanly or leave a machine that runs. The seeds keep that state whole or cut it inside each chunk.
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/BusService.h"
#include "emu/core/Computer.h"
#include "emu/core/CpuBase.h"
#include "emu/core/DriveSet.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/devices/DiskController.h"
#include "emu/devices/KeyboardDevice.h"
#include "emu/devices/SoundDevice.h"
#include "emu/devices/SquareWaveChannel.h"
#include "fuzz/PowerOn.h"
#include "fuzz/Seed.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// A processor that runs nothing, whose cycle count stamps the channel's records.
class Clock : public emu::CpuBase {
public:
    Clock() { SetFrequency(3000000); }
    void InterruptLineChanged(uint32_t) override {}
    uint64_t Cycles() const override { return cycles; }

    uint64_t cycles = 0;
};

class SquareWave : public emu::SquareWaveChannel {
public:
    void Render(const void*, const void*, uint64_t, uint64_t, int64_t, int32_t) override { TDCN = 3; }
};

class FuzzedMachine : public emu::Computer {
public:
    FuzzedMachine() : Computer("FUZZ") {
        SetSoundOutput(&sound);
        CreateServices();
        auto processor = std::make_unique<Clock>();
        clock = processor.get();
        AddChild(std::move(processor));
        Drives()->SetFloppyCount(1);
        auto soundDevice = std::make_unique<emu::SoundDevice>();
        soundDevice->AddChannel(std::make_unique<SquareWave>());
        AddChild(std::move(soundDevice));
        auto controller = std::make_unique<emu::DiskController>("FDC");
        controller->AddDrive(Drives()->DriveAt(emu::DriveKind::Floppy, 0));
        AddChild(std::move(controller));
        auto keyboard = std::make_unique<emu::KeyboardDevice>();
        keyboard->SetNumpadMouseAvailable(true);
        AddChild(std::move(keyboard));
    }

    bool PowerOn() {
        return Memory()->Create(0x10000, 0xFFFF, 0x800) && fuzz::StartRegistering(*this) &&
               SetBusRate(4000, -1, false) > 0;
    }

    Clock* clock = nullptr;

private:
    emu::HostSoundOutput sound;
};

std::vector<uint8_t> SavedState() {
    FuzzedMachine machine;
    machine.PowerOn();
    for (int tick = 0; tick < 100; ++tick) {
        machine.TickBus();
    }
    auto* channel = static_cast<emu::SquareWaveChannel*>(static_cast<emu::Device*>(machine.ChildAt(1))->ChildAt(0));
    machine.clock->cycles = 1000;
    channel->SetValueA(5, 1, false);
    machine.clock->cycles = 2000;
    channel->SetValueB(7, 0, false);
    common::MemoryStream stream;
    stream.Create(0, -1);
    common::RecordArchive archive(stream);
    machine.SaveState(archive);
    return std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::WriteCutSeeds("state", {}, SavedState(), 4);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint8_t> saved = SavedState();
    std::vector<uint8_t> state = saved;
    if (size >= 2) {
        state.resize(std::min(state.size(), static_cast<size_t>(data[0] << 8 | data[1]) * 4));
    }
    for (size_t at = 2; at + 2 < size && !state.empty(); at += 3) {
        state[static_cast<size_t>(data[at] << 8 | data[at + 1]) % state.size()] ^= data[at + 2];
    }
    FuzzedMachine machine;
    if (!machine.PowerOn()) {
        return 0;
    }
    common::MemoryStream stream;
    stream.Attach(state.data(), static_cast<int64_t>(state.size()));
    common::RecordArchive archive(stream);
    machine.LoadState(archive, nullptr);
    machine.clock->cycles = 3000;
    for (int tick = 0; tick < 400; ++tick) {
        machine.TickBus();
    }
    machine.KeyEvent(0x66, true);
    machine.Stop();
    return 0;
}
