// Loads the own state of the BK machine or of one of its chipset devices (the first byte picks which: the machine,
// video, keyboard, timer, speaker, Covox, AY chip, AY channel) into a started BK machine: arbitrary bytes (second byte
// 0), or the saved state of a running machine with bytes changed (second byte not 0; then pairs of a 16-bit position
// and a value). A state that loads must keep the machine running, and save again into bytes that load back to the same
// state. The seeds are each part's state in the running machine, for both kinds.
#include "OwnState.h"
#include "PowerOn.h"
#include "Seed.h"
#include "emu/bk/AyChannel.h"
#include "emu/bk/AySoundChip.h"
#include "emu/bk/BkMachine.h"
#include "emu/bk/BkVideo.h"
#include "emu/core/BusService.h"
#include "emu/core/HostSoundOutput.h"
#include "emu/core/MemoryMap.h"
#include "emu/cpu/Cpu1801BM1.h"
#include "emu/devices/OffscreenRenderer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// A BK machine with 64 KB of RAM, the screen at 040000 and the register page, running a program that keeps every
// device busy: it scrolls, writes the screen, toggles the speaker, writes the Covox and reads the timer. An AY chip
// beside them is played between the slices.
class FuzzedMachine : public emu::BkMachine {
public:
    FuzzedMachine() {
        SetSoundOutput(&sound);
        AttachRenderer(&renderer);
        auto chip = std::make_unique<emu::AySoundChip>();
        ay = chip.get();
        if (!CreateServices() || !AddChild(std::move(chip), "AY-3-891x")) {
            std::abort();
        }
        Cpu()->SetFrequency(3000000);
        Cpu()->SetStartWord(0100000);
        Video()->AddMemoryPages(0, 16, 16, true, true);
        Video()->SetMemoryPageSize(0, 16, 0xFFFFFFFF);
    }
    ~FuzzedMachine() override { AttachRenderer(nullptr); }

    bool Start(int32_t& rate) override {
        return Memory()->Create(0x10000, 0177777, 0) && BkMachine::Start(rate) && MapRegisterPage();
    }

    bool PowerOn() {
        if (!fuzz::StartRegistering(*this) || SetBusRate(88200, -1, true) <= 0) {
            return false;
        }
        static constexpr uint16_t kProgram[] = {
            0012737, 01330,   0177664, // MOV #1330, @#177664
            0012737, 060,     0177712, // MOV #60, @#177712
            0005200,                   // loop: INC R0
            0010037, 0177714,          // MOV R0, @#177714
            0010037, 0177716,          // MOV R0, @#177716
            0010003,                   // MOV R0, R3
            0042703, 0140000,          // BIC #140000, R3
            0010063, 040000,           // MOV R0, 40000(R3)
            0013701, 0177710,          // MOV @#177710, R1
            0000763,                   // BR loop
        };
        for (size_t index = 0; index < std::size(kProgram); ++index) {
            Memory()->WriteWord(static_cast<uint32_t>(01000 + 2 * index), kProgram[index]);
        }
        Cpu()->SetRegister(7, 01000);
        Cpu()->SetRegister(6, 01000);
        Cpu()->RebuildEvents();
        TickBus();
        return true;
    }

    // The processor's slices of one bus tick each, with its events dispatched when due.
    void Run(int32_t slices) {
        emu::CpuInterface& cpu = *FirstCpu();
        for (int32_t slice = 0; slice < slices; ++slice) {
            fuzz::RunSlice(cpu);
            // Tone, noise, mixer, volumes with the envelope, and restarts of each shape.
            ay->WriteIndex(static_cast<uint8_t>(slice % 14));
            ay->WriteData(static_cast<uint8_t>(slice * 37));
            TickBus();
        }
    }

    emu::Device* Part(uint8_t which) {
        if (which == 6 || which == 7) {
            return which == 6 ? static_cast<emu::Device*>(ay) : ay->Channel(1);
        }
        return which == 0 ? static_cast<emu::Device*>(this) : DeviceAt(which);
    }

private:
    emu::HostSoundOutput sound;
    emu::OffscreenRenderer renderer;
    emu::AySoundChip* ay = nullptr;
};

// The state to load: the input itself, or a state of a running machine with the input's changes.
std::vector<uint8_t> StateFrom(uint8_t which, const uint8_t* data, size_t size) {
    if (size == 0 || data[0] == 0) {
        return std::vector<uint8_t>(data + (size > 0 ? 1 : 0), data + size);
    }
    FuzzedMachine source;
    if (!source.PowerOn()) {
        std::abort();
    }
    source.Run(2000);
    std::vector<uint8_t> state = fuzz::SavedOwnData(*source.Part(which));
    fuzz::ChangeBytes(state, data, size);
    return state;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The second byte 1 without changes: the state as saved.
    const uint8_t unchanged = 1;
    for (uint8_t which = 0; which < 8; ++which) {
        fuzz::WriteStateSeeds("part" + std::to_string(which), {which}, StateFrom(which, &unchanged, 1));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t which = data[0] % 8;
    FuzzedMachine machine;
    if (!machine.PowerOn() || !fuzz::LoadOwnData(*machine.Part(which), StateFrom(which, data + 1, size - 1))) {
        return 0;
    }
    machine.Run(3000);
    const std::vector<uint8_t> saved = fuzz::SavedOwnData(*machine.Part(which));
    FuzzedMachine again;
    if (!again.PowerOn() || !fuzz::LoadOwnData(*again.Part(which), saved) ||
        fuzz::SavedOwnData(*again.Part(which)) != saved) {
        std::abort();
    }
    return 0;
}
