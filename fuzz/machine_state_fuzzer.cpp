// Loads arbitrary bytes as the saved state of a started machine: its services' chunks (bus events, memory pages,
// keys) and its devices' chunks. Whatever the bytes, the load must fail cleanly or leave a machine that runs.
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/BusService.h"
#include "emu/core/Computer.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// A device with a bus event and a sound output event, so that saved events find something to bind to.
class TimedDevice : public emu::Device {
public:
    using Device::Device;

    bool Start(int32_t& rate) override {
        return Device::Start(rate) && Bus()->AddEvent(100, Tick, this, "Tick", 0, false) != 0 &&
               Bus()->AttachSoundOutput(4000, 8, Mix, this, "Mix", 0);
    }

private:
    static bool Tick(emu::TreeNode*, emu::BusEvent*) { return true; }
    static bool Mix(emu::TreeNode*, int32_t*, int32_t, int32_t, int32_t, int32_t, uint64_t*) { return true; }
};

class FuzzedMachine : public emu::Computer {
public:
    FuzzedMachine() : Computer("FUZZ") {
        SetSoundOutput(&sound);
        CreateServices();
        AddChild(std::make_unique<TimedDevice>("DEV"));
    }

    bool PowerOn() {
        Bus()->SetRegistering(true);
        int32_t rate = 0;
        const bool started = Memory()->Create(0x10000, 0xFFFF, 0x800) && Start(rate);
        Bus()->SetRegistering(false);
        return started && SetBusRate(4000, -1, false) > 0;
    }

private:
    emu::HostSoundOutput sound;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedMachine machine;
    if (!machine.PowerOn()) {
        return 0;
    }
    common::MemoryStream stream;
    stream.Attach(const_cast<uint8_t*>(data), static_cast<int64_t>(size));
    common::RecordArchive archive(stream);
    machine.LoadState(archive, nullptr);
    for (int tick = 0; tick < 200; ++tick) {
        machine.TickBus();
    }
    machine.Memory()->ReadDword(0177776, 0);
    machine.Stop();
    return 0;
}
