#pragma once

#include <cstdint>

namespace emu {

class Cpu1801BM1;
class Device;
class DriveSetBase;
class MemoryMap;

// The BK-0010's tape calls (EMT 036) served from host files instead of a tape recorder, in the folder of the last
// image the drive set opened (in practice beside the BIN program loaded through the "BIN:" slot). The parameter
// block at R1: command byte (0 and 1 accepted, 2 write, 3 read), answer byte (0 done, 1 failed), address word,
// length word, 16 name bytes, then the 20-byte reply (address, length, name). Files are BIN files: address and
// length words, then the data.
//
// A read loads the file named (or the name with "bin" or "ovl" added) at the request's address, or its own when
// that is 0, below 0100000, fills the reply and the system cells 0264/0266/0346/0350, and starts a file loaded
// below 01000 through the word at 0774. A write makes a new file from the memory block and never replaces one.
// Names that could leave the folder or reach a device are refused on every host.
class BkTapeFileService {
public:
    static constexpr uint16_t kLoadLimit = 0100000;

    // Lines go out as the reporter's, with its tag.
    explicit BkTapeFileService(const Device& reporter) : reporter(reporter) {}

    // Serves the call the processor made: false (not served, the ROM's routine runs) without a BIN loaded in the
    // drive set's first cartridge slot or for a command above 3; true otherwise, failures included. Only the
    // processor's PC may change (an autostart).
    bool Serve(Cpu1801BM1& cpu, MemoryMap& memory, const DriveSetBase& drives) const;

private:
    bool Read(Cpu1801BM1& cpu, MemoryMap& memory, const DriveSetBase& drives, uint16_t block) const;
    bool Write(MemoryMap& memory, const DriveSetBase& drives, uint16_t block) const;

    const Device& reporter;
};

} // namespace emu
