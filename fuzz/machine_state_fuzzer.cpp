// Loads arbitrary bytes as the saved state of a started machine: its services' chunks (bus events, memory pages,
// keys) and its devices' chunks. Whatever the bytes, the load must fail cleanly or leave a machine that runs.
// The first byte picks the machine: 0 a computer with one timed device; 1 a BK-0010.01 on synthetic ROMs taking
// the bytes as they are; 2 that BK-0010.01 taking the state of a running one with bytes changed (pairs of a 16-bit
// position and a value follow). A BK-0010.01 that refuses a state takes back its own, as the core makes it. The
// seeds are the states of the computer that ticked and of a BK-0010.01 that ran, and the running one's unchanged.
#include "BkModelFuzz.h"
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "emu/core/BusService.h"
#include "emu/core/Computer.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "fuzz/OwnState.h"
#include "fuzz/PowerOn.h"
#include "fuzz/Seed.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

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
        return Memory()->Create(0x10000, 0xFFFF, 0x800) && fuzz::StartRegistering(*this) &&
               SetBusRate(4000, -1, false) > 0;
    }

private:
    emu::HostSoundOutput sound;
};

// Loads the bytes into a started BK-0010.01 and runs it on. As the core does, a refused state is followed by the
// state the machine had before, which must load.
void LoadIntoBk0010_01(std::vector<uint8_t> state) {
    fuzz::FuzzedModel<emu::Bk0010_01Machine> model;
    if (!model.PowerOn()) {
        std::abort();
    }
    const std::vector<uint8_t> backup = fuzz::SavedState(model.Machine());
    if (!fuzz::LoadState(model.Machine(), std::move(state)) && !fuzz::LoadState(model.Machine(), backup)) {
        std::abort();
    }
    model.Run(2000);
}

std::vector<uint8_t> ChangedBk0010_01State(const uint8_t* data, size_t size) {
    fuzz::FuzzedModel<emu::Bk0010_01Machine> source;
    if (!source.PowerOn()) {
        std::abort();
    }
    source.Run(2000);
    std::vector<uint8_t> state = fuzz::SavedState(source.Machine());
    for (size_t at = 0; at + 2 < size; at += 3) {
        const size_t position = static_cast<size_t>(data[at] | data[at + 1] << 8) * 4 % state.size();
        state[position] = data[at + 2];
    }
    return state;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzedMachine machine;
    if (machine.PowerOn()) {
        for (int tick = 0; tick < 200; ++tick) {
            machine.TickBus();
        }
        fuzz::WriteSeed("computer_state", {0}, fuzz::SavedState(machine));
        machine.Stop();
    }
    fuzz::FuzzedModel<emu::Bk0010_01Machine> model;
    if (model.PowerOn()) {
        model.Run(2000);
        fuzz::WriteSeed("bk0010_01_state", {1}, fuzz::SavedState(model.Machine()));
        fuzz::WriteSeed("bk0010_01_running", {2});
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t which = data[0] % 3;
    ++data;
    --size;
    if (which == 1) {
        LoadIntoBk0010_01(std::vector<uint8_t>(data, data + size));
        return 0;
    }
    if (which == 2) {
        LoadIntoBk0010_01(ChangedBk0010_01State(data, size));
        return 0;
    }
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
