#pragma once

#include "emu/core/HostSoundOutput.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace test_support {

// A sound output whose host takes every block it is handed and keeps a copy of it. The bus's clones of it are
// recording outputs of the same kind, so a machine's captured sound can be read from the bus's output events.
class RecordingSoundOutput : public emu::HostSoundOutput {
public:
    struct Kind {
        const char* name = "Recording";
        // Open refuses, as an output without an audio device does.
        bool failsToOpen = false;
        // Unpaced, every submitted block reaches the host once.
        bool paced = true;
    };

    RecordingSoundOutput() = default;
    explicit RecordingSoundOutput(Kind kind) : kind(kind) {}

    // Guarded by the ring lock, as WriteBlock is.
    std::vector<std::vector<uint8_t>> written;
    std::vector<int32_t> writtenIndexes;

    void SetUnpaced() { SetPaced(false); }

    bool Open(int32_t sampleRate, int32_t sampleBits, int32_t blockCount) override {
        if (kind.failsToOpen || !HostSoundOutput::Open(sampleRate, sampleBits, blockCount)) {
            return false;
        }
        SetPaced(kind.paced);
        return true;
    }
    std::unique_ptr<emu::HostSoundOutput> Clone() const override {
        return std::make_unique<RecordingSoundOutput>(kind);
    }
    bool IsNull() const override { return false; }
    const char* Name() const override { return kind.name; }

protected:
    bool WriteBlock(int32_t index) override {
        const std::span<const uint8_t> block = Block(index);
        written.emplace_back(block.begin(), block.end());
        writtenIndexes.push_back(index);
        return true;
    }

private:
    Kind kind;
};

} // namespace test_support
