// Drives the ATA controller of a processor-less machine with a hard disk and a CD drive through its ports and bus
// ticks. The input is a list of four-byte steps: an operation byte, a port byte and a 16-bit value. Operations, by
// the low two bits: 0 writes the port (width 1, 2 or 4 by bits 2-3), 1 reads it (quietly with bit 4), 2 ticks the
// bus value times (at most 1023), 3 writes the value to DATA value times with words (at most 511) or, with bit 2,
// switches the request source's taking of the line. Whatever the steps, nothing may crash, hang or leak.
#include "fuzz/AtaFuzzMachine.h"

#include <cstddef>
#include <cstdint>

namespace {

// Port bytes 0-7 reach the task file, 8 and 9 the control block, the rest anything else.
uint32_t Port(uint8_t index) {
    if (index < 8) {
        return ata_fuzz::kTaskFile + index;
    }
    return index < 10 ? ata_fuzz::kControlBlock + index - 8 : 0x1F0 + index;
}

} // namespace

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
