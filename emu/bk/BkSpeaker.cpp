#include "emu/bk/BkSpeaker.h"

#include "common/LittleEndian.h"
#include "common/RecordArchive.h"
#include "emu/core/StateChunk.h"

#include <algorithm>
#include <cmath>

namespace emu {

namespace {

constexpr int32_t kEdgeBytes = sizeof(uint64_t);

} // namespace

BkSpeaker::BkSpeaker() : LevelOutputDevice("Sound Speaker", "SPEAKER") {}

BkSpeaker::~BkSpeaker() = default;

// The level and its change go into the queue together, so the next block mends a change the queue lost.
void BkSpeaker::SetLevel(bool level) {
    if (level == liveLevel) {
        return;
    }
    common::LockGuard guard(&lock);
    liveLevel = level;
    const uint64_t now = Now();
    Enqueue(&now, kEdgeBytes);
}

void BkSpeaker::GenerateSamples() {
    const uint64_t now = Now();
    if (block == nullptr) {
        partial = {};
        periodLevel = liveLevel;
        blockStart = now;
        queue.Skip(-1);
        return;
    }
    const int32_t mask = SoundEnabled() ? -1 : 0;
    const std::array<int32_t, 2> values{blockMin & mask, (blockMin + blockMax) / 2 & mask};
    int32_t written = 0;
    // The last change of this block, or where it began.
    uint64_t previous = blockStart;
    if (now < blockStart) {
        previous = blockStart = now; // the clock went back
    } else if (now != blockStart && queue.Size() > 0) {
        const double scale = static_cast<double>(blockCount) / static_cast<double>(now - blockStart);
        uint64_t edge = 0;
        while (queue.Read(&edge, kEdgeBytes, true) == kEdgeBytes) {
            const auto position =
                static_cast<int64_t>(std::trunc(static_cast<double>(static_cast<int64_t>(edge - blockStart)) * scale));
            // At least one sample, none past the block's end.
            const auto run =
                static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(position - written, 1), blockCount - written));
            stretches[periodLevel ? 1 : 0] = {partial.cycles + (edge - previous), partial.samples + run};
            partial = {};
            std::fill(block + written, block + written + run, values[periodLevel ? 1 : 0]);
            periodLevel = !periodLevel;
            written += run;
            previous = edge;
        }
    }
    // Changes were lost: the level before them ends here.
    if (periodLevel != liveLevel) {
        stretches[periodLevel ? 1 : 0] = partial;
        partial = {};
    }
    periodLevel = liveLevel;
    partial.cycles += now - previous;
    partial.samples += static_cast<uint32_t>(blockCount - written);
    blockStart = now;
    queue.Skip(-1);
    std::fill(block + written, block + blockCount, values[liveLevel ? 1 : 0]);
}

// ---- Lifecycle

bool BkSpeaker::Start(int32_t& rate) {
    stretches = {};
    partial = {};
    blockStart = 0;
    liveLevel = false;
    periodLevel = false;
    return LevelOutputDevice::Start(rate);
}

// ---- State

bool BkSpeaker::SaveOwnData(common::RecordArchive& archive) {
    uint8_t cycles[3 * sizeof(uint64_t)];
    uint8_t samples[3 * sizeof(uint32_t)];
    const std::array<const Stretch*, 3> all{&stretches[0], &stretches[1], &partial};
    for (size_t index = 0; index < all.size(); ++index) {
        common::StoreLittleEndian(cycles + index * sizeof(uint64_t), sizeof(uint64_t), all[index]->cycles);
        common::StoreLittleEndian(samples + index * sizeof(uint32_t), sizeof(uint32_t), all[index]->samples);
    }
    return Device::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordBool(liveLevel, common::NarrowString("SNDA")) &&
           archive.WriteRecordBlob(cycles, sizeof cycles, common::NarrowString("PERC")) &&
           archive.WriteRecordBlob(samples, sizeof samples, common::NarrowString("PERS")) &&
           archive.WriteRecordU64(blockStart, common::NarrowString("SCYC")) &&
           archive.WriteRecordBool(periodLevel, common::NarrowString("SNDS"));
}

bool BkSpeaker::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    bool savedLevel = false;
    uint8_t cycles[3 * sizeof(uint64_t)];
    uint8_t samples[3 * sizeof(uint32_t)];
    uint64_t savedStart = 0;
    bool savedPeriodLevel = false;
    if (!Device::LoadOwnData(archive, note) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordBool(savedLevel, common::NarrowString("SNDA")) ||
        !archive.ReadRecordBlob(cycles, sizeof cycles, common::NarrowString("PERC")) ||
        !archive.ReadRecordBlob(samples, sizeof samples, common::NarrowString("PERS")) ||
        !archive.ReadRecordU64(savedStart, common::NarrowString("SCYC")) ||
        !archive.ReadRecordBool(savedPeriodLevel, common::NarrowString("SNDS"))) {
        return false;
    }
    common::LockGuard guard(&lock);
    const std::array<Stretch*, 3> all{&stretches[0], &stretches[1], &partial};
    for (size_t index = 0; index < all.size(); ++index) {
        all[index]->cycles = common::LoadLittleEndian(cycles + index * sizeof(uint64_t), sizeof(uint64_t));
        all[index]->samples =
            static_cast<uint32_t>(common::LoadLittleEndian(samples + index * sizeof(uint32_t), sizeof(uint32_t)));
    }
    liveLevel = savedLevel;
    blockStart = savedStart;
    periodLevel = savedPeriodLevel;
    ForgetBlock();
    return true;
}

} // namespace emu
