// Loads damaged states into a processor-less machine with the ATA controller, a hard disk and a CD drive. The seeds
// are states the machine itself saves: after its start reset, half-way through a READ MULTIPLE, during a WRITE
// SECTORS, half-way through an ATAPI READ and with an interrupt pending. The first input byte picks one; then a
// length to cut it to and offset and value pairs to mix into it, so that the loaders' own checks are reached. A
// state that loads must keep the machine running under port accesses, and save again. The corpus seeds take each
// state whole or cut inside each chunk.
#include "common/MemoryStream.h"
#include "common/RecordArchive.h"
#include "fuzz/AtaFuzzMachine.h"
#include "fuzz/Seed.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Step = std::function<void(ata_fuzz::Machine&, emu::PortMap&)>;

void Write(emu::PortMap& ports, uint32_t offset, uint8_t value) {
    ports.WritePortByte(ata_fuzz::kTaskFile + offset, value);
}

void ReadData(emu::PortMap& ports, int32_t words) {
    uint8_t status = 0;
    for (int32_t word = 0; word < words; ++word) {
        ports.ReadPortWord(ata_fuzz::kTaskFile, 0, &status);
    }
}

Bytes Saved(ata_fuzz::Machine& machine) {
    common::MemoryStream stream;
    stream.Create(0, -1);
    common::RecordArchive archive(stream);
    if (!machine.SaveState(archive)) {
        std::abort();
    }
    return Bytes(stream.GetBuffer(), stream.GetBuffer() + stream.Size());
}

// The machine after its start reset, taken on through the step, then saved.
Bytes Seed(const Step& step) {
    ata_fuzz::Machine machine;
    if (!machine.PowerOn()) {
        std::abort();
    }
    machine.Tick(20);
    step(machine, *machine.Ports());
    return Saved(machine);
}

const std::array<Bytes, 5>& Seeds() {
    static const std::array<Bytes, 5> seeds{
        Seed([](ata_fuzz::Machine&, emu::PortMap&) {}),
        Seed([](ata_fuzz::Machine& machine, emu::PortMap& ports) {
            Write(ports, 2, 4);
            Write(ports, 7, 0xC6);
            machine.Tick(20);
            Write(ports, 6, 0xE0);
            Write(ports, 2, 10);
            Write(ports, 3, 7);
            Write(ports, 7, 0xC4);
            machine.Tick(2);
            ReadData(ports, 600);
        }),
        Seed([](ata_fuzz::Machine& machine, emu::PortMap& ports) {
            Write(ports, 2, 3);
            Write(ports, 7, 0x30);
            // A sector written, and a part of the next.
            for (const int32_t words : {256, 100}) {
                machine.Tick(1);
                for (int32_t word = 0; word < words; ++word) {
                    ports.WritePortWord(ata_fuzz::kTaskFile, static_cast<uint16_t>(word));
                }
            }
        }),
        Seed([](ata_fuzz::Machine& machine, emu::PortMap& ports) {
            Write(ports, 6, 0xB0);
            Write(ports, 4, 0x00);
            Write(ports, 5, 0x04);
            Write(ports, 7, 0xA0);
            for (const uint16_t word : {0x0028, 0x0000, 0x0200, 0x0000, 0x0008, 0x0000}) {
                ports.WritePortWord(ata_fuzz::kTaskFile, word);
            }
            machine.Tick(1);
            ReadData(ports, 1100);
        }),
        Seed([](ata_fuzz::Machine&, emu::PortMap& ports) { Write(ports, 7, 0xFF); }),
    };
    return seeds;
}

bool Load(ata_fuzz::Machine& machine, Bytes& state) {
    common::MemoryStream stream;
    stream.Attach(state.data(), static_cast<int64_t>(state.size()));
    common::RecordArchive archive(stream);
    return machine.LoadState(archive, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (uint8_t which = 0; which < Seeds().size(); ++which) {
        fuzz::WriteCutSeeds("state" + std::to_string(which), {which}, Seeds()[which], 8);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    Bytes state = Seeds()[data[0] % Seeds().size()];
    state.resize(std::min(state.size(), static_cast<size_t>(data[1] << 8 | data[2]) * 8));
    for (size_t at = 3; at + 2 < size && !state.empty(); at += 3) {
        state[static_cast<size_t>(data[at] << 8 | data[at + 1]) % state.size()] ^= data[at + 2];
    }
    ata_fuzz::Machine machine;
    if (!machine.PowerOn() || !Load(machine, state)) {
        return 0;
    }
    emu::PortMap& ports = *machine.Ports();
    uint8_t status = 0;
    for (int32_t round = 0; round < 20; ++round) {
        machine.Tick(50);
        ReadData(ports, 300);
        for (int32_t word = 0; word < 300; ++word) {
            ports.WritePortWord(ata_fuzz::kTaskFile, static_cast<uint16_t>(word));
        }
        ports.ReadPortByte(ata_fuzz::kTaskFile + 7, 0, &status);
    }
    Saved(machine);
    machine.Stop();
    return 0;
}
