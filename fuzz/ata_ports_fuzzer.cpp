// Drives the ATA controller of a processor-less machine with a hard disk and a CD drive through its ports and bus
// ticks. The input is a list of four-byte steps: an operation byte, a port byte and a 16-bit value. Operations, by
// the low two bits: 0 writes the port (width 1, 2 or 4 by bits 2-3), 1 reads it (quietly with bit 4), 2 ticks the
// bus value times (at most 1023), 3 writes the value to DATA value times with words (at most 511) or, with bit 2,
// switches the request source's taking of the line. Whatever the steps, nothing may crash, hang or leak. The seeds
// are the commands a driver sends: IDENTIFY on both drives, a sector read and a sector write on the disk, and a
// READ (10) packet on the CD.
#include "fuzz/AtaFuzzMachine.h"
#include "fuzz/Seed.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Port bytes 0-7 reach the task file, 8 and 9 the control block, the rest anything else.
uint32_t Port(uint8_t index) {
    if (index < 8) {
        return ata_fuzz::kTaskFile + index;
    }
    return index < 10 ? ata_fuzz::kControlBlock + index - 8 : 0x1F0 + index;
}

// Steps of the seeds.
class Steps {
public:
    Steps& Write(uint8_t port, uint16_t value, uint8_t width = 0) {
        return Add(static_cast<uint8_t>(width << 2), port, value);
    }
    Steps& Tick(uint16_t count) { return Add(2, 0, count); }
    // Reads DATA word by word.
    Steps& ReadWords(int32_t count) {
        for (int32_t word = 0; word < count; ++word) {
            Add(1 | 1 << 2, 0, 0);
        }
        return *this;
    }
    Steps& WriteWords(uint16_t count) { return Add(3, 0, count); }
    const std::vector<uint8_t>& Bytes() const { return bytes; }

private:
    Steps& Add(uint8_t operation, uint8_t port, uint16_t value) {
        bytes.insert(bytes.end(), {operation, port, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
        return *this;
    }

    std::vector<uint8_t> bytes;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::WriteSeed("identify_disk", Steps().Tick(20).Write(6, 0xE0).Write(7, 0xEC).Tick(2).ReadWords(256).Bytes());
    fuzz::WriteSeed("identify_cd", Steps().Tick(20).Write(6, 0xB0).Write(7, 0xA1).Tick(2).ReadWords(256).Bytes());
    fuzz::WriteSeed(
        "read_sector",
        Steps().Tick(20).Write(2, 1).Write(3, 7).Write(6, 0xE0).Write(7, 0x20).Tick(2).ReadWords(256).Bytes());
    fuzz::WriteSeed("write_sector", Steps()
                                        .Tick(20)
                                        .Write(2, 1)
                                        .Write(3, 7)
                                        .Write(6, 0xE0)
                                        .Write(7, 0x30)
                                        .Tick(1)
                                        .WriteWords(256)
                                        .Tick(20)
                                        .Bytes());
    Steps packet;
    packet.Tick(20).Write(6, 0xB0).Write(4, 0x00).Write(5, 0x08).Write(7, 0xA0).Tick(1);
    for (const uint16_t word : {0x0028, 0x0000, 0x0000, 0x0000, 0x0001, 0x0000}) {
        packet.Write(0, word, 1);
    }
    fuzz::WriteSeed("read_cd", packet.Tick(2).ReadWords(1024).Bytes());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ata_fuzz::Machine machine;
    if (!machine.PowerOn()) {
        return 0;
    }
    emu::PortMap& ports = *machine.Ports();
    for (size_t at = 0; at + 4 <= size; at += 4) {
        const uint8_t operation = data[at];
        const uint32_t port = Port(data[at + 1]);
        const auto value = static_cast<uint16_t>(data[at + 2] | data[at + 3] << 8);
        uint8_t status = 0;
        switch (operation & 3) {
        case 0:
            switch (operation >> 2 & 3) {
            case 0:
                ports.WritePortByte(port, static_cast<uint8_t>(value));
                break;
            case 1:
                ports.WritePortWord(port, value);
                break;
            default:
                ports.WritePortDword(port, static_cast<uint32_t>(value) * 0x10001u);
                break;
            }
            break;
        case 1: {
            const uint8_t quiet = operation >> 4 & 1;
            switch (operation >> 2 & 3) {
            case 0:
                ports.ReadPortByte(port, quiet, &status);
                break;
            case 1:
                ports.ReadPortWord(port, quiet, &status);
                break;
            default:
                ports.ReadPortDword(port, quiet, &status);
                break;
            }
            break;
        }
        case 2:
            machine.Tick(value & 0x3FF);
            break;
        default:
            if ((operation & 4) != 0) {
                machine.takesRequests = !machine.takesRequests;
                break;
            }
            for (uint32_t word = 0; word < (value & 0x1FFu); ++word) {
                ports.WritePortWord(ata_fuzz::kTaskFile, static_cast<uint16_t>(word * value));
            }
            break;
        }
    }
    machine.Tick(100);
    machine.Stop();
    return 0;
}
