// A sound channel for the tests: its state is one level, which each record carries and Fill writes; it logs every
// Render and Fill.
#pragma once

#include "common/RecordArchive.h"
#include "emu/devices/SoundChannel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace emu {

class LevelChannel : public SoundChannel {
public:
    LevelChannel() : SoundChannel(sizeof(int32_t)) {}

    bool RecordLevel(int32_t value) { return Record(&value, sizeof value, 0); }

    // "<level> @<time>..<end>" with " +" when another record follows in the block; "range" for a range change.
    void Render(const void* payload, const void* nextPayload, uint64_t time, uint64_t endTime, int64_t,
                int32_t) override {
        if (payload == nullptr) {
            log.push_back("range");
            return;
        }
        std::memcpy(&level, payload, sizeof level);
        log.push_back(std::to_string(level) + " @" + std::to_string(time) + ".." + std::to_string(endTime) +
                      (nextPayload != nullptr ? " +" : ""));
    }
    // Silent (0) while disabled; logged as "fill <count>".
    void Fill(int32_t* destination, int32_t count) override {
        std::fill_n(destination, count, SoundEnabled() ? level : 0);
        log.push_back("fill " + std::to_string(count));
    }
    bool GetRateRange(int32_t& low, int32_t& high) override {
        low = rateLow;
        high = rateHigh;
        return hasRateRange;
    }

    // The level travels in the generator's chunk "_LEVEL".
    bool SaveGeneratorState(common::RecordArchive& archive) override {
        const common::NarrowString chunk("_LEVEL");
        return archive.WriteMarker(common::kChunkBeginMarker, chunk) &&
               archive.WriteRecordI32(level, common::NarrowString("LEVL")) &&
               archive.WriteMarker(common::kChunkEndMarker, chunk);
    }
    bool LoadGeneratorState(common::RecordArchive& archive) override {
        const common::NarrowString chunk("_LEVEL");
        int32_t saved = 0;
        if (!archive.ReadMarker(chunk, common::kChunkBeginMarker) ||
            !archive.ReadRecordI32(saved, common::NarrowString("LEVL")) ||
            !archive.ReadMarker(chunk, common::kChunkEndMarker)) {
            return false;
        }
        level = saved;
        return true;
    }

    int32_t level = 0;
    std::vector<std::string> log;
    bool hasRateRange = false;
    int32_t rateLow = 0;
    int32_t rateHigh = 0;
};

} // namespace emu
