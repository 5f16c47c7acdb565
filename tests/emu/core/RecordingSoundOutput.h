#pragma once

#include "emu/core/HostSoundOutput.h"

#include <cstdint>
#include <vector>

namespace emu {

// A sound output whose host takes every block it is handed and keeps a copy of it.
class RecordingSoundOutput : public HostSoundOutput {
public:
    // Guarded by the ring lock, as WriteBlock is.
    std::vector<std::vector<uint8_t>> written;
    std::vector<int32_t> writtenIndexes;

    void SetUnpaced() { SetPaced(false); }

protected:
    bool WriteBlock(int32_t index) override {
        const std::span<const uint8_t> block = Block(index);
        written.emplace_back(block.begin(), block.end());
        writtenIndexes.push_back(index);
        return true;
    }
};

} // namespace emu
