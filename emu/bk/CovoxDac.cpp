#include "emu/bk/CovoxDac.h"

#include "common/LittleEndian.h"
#include "common/OptionNode.h"
#include "common/RecordArchive.h"
#include "common/SettingsTree.h"
#include "emu/core/StateChunk.h"
#include "emu/core/UiTextId.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace emu {

namespace {

// A queued write: the cycle count, then the byte.
constexpr int32_t kEntryBytes = sizeof(uint64_t) + 1;

} // namespace

CovoxDac::CovoxDac() : LevelOutputDevice("DAC Covox", "COVOX") {}

CovoxDac::~CovoxDac() = default;

void CovoxDac::WriteSample(uint8_t value) {
    common::LockGuard guard(&lock);
    lastValue = value;
    uint8_t entry[kEntryBytes];
    common::StoreLittleEndian(entry, sizeof(uint64_t), Now());
    entry[sizeof(uint64_t)] = value;
    Enqueue(entry, kEntryBytes);
}

void CovoxDac::BuildLevelTable() {
    if (blockMin == levelsMin && blockMax == levelsMax) {
        return;
    }
    levelsMin = blockMin;
    levelsMax = blockMax;
    if (blockMin == blockMax) {
        levels.fill(blockMin);
        return;
    }
    // From 0 up (or from the maximum, for a range below 0), in single precision as the levels were measured.
    const int32_t base = blockMax < 0 ? blockMax : 0;
    for (size_t index = 0; index < levels.size(); ++index) {
        levels[index] = static_cast<int32_t>(std::floor(
                            static_cast<float>(blockMax - base) * (static_cast<float>(index) / 255.0F) + 0.5F)) +
                        base;
    }
    levels.front() = base;
    levels.back() = blockMax;
}

void CovoxDac::GenerateSamples() {
    const uint64_t now = Now();
    if (block == nullptr) {
        blockStartValue = lastValue;
        blockStart = now;
        queue.Skip(-1);
        return;
    }
    if (now < blockStart) {
        blockStart = now;
    }
    const uint8_t mask = SoundEnabled() ? 0xFF : 0x00;
    uint8_t current = blockStartValue;
    int32_t written = 0;
    if (now != blockStart && queue.Size() > 0) {
        const double scale = static_cast<double>(blockCount) / static_cast<double>(now - blockStart);
        BuildLevelTable();
        uint8_t entry[kEntryBytes];
        while (queue.Read(entry, kEntryBytes, true) == kEntryBytes) {
            const auto at = static_cast<int64_t>(common::LoadLittleEndian(entry, sizeof(uint64_t)) - blockStart);
            const auto position = static_cast<int64_t>(std::trunc(static_cast<double>(at) * scale));
            // At least one sample, none past the block's end.
            const auto run =
                static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(position - written, 1), blockCount - written));
            std::fill(block + written, block + written + run, levels[current & mask]);
            written += run;
            current = entry[sizeof(uint64_t)];
        }
    }
    blockStartValue = lastValue;
    blockStart = now;
    queue.Skip(-1);
    std::fill(block + written, block + blockCount, levels[blockStartValue & mask]);
    if (normalize && SoundEnabled() && blockCount > 1) {
        NormalizeBlock();
    }
}

void CovoxDac::NormalizeBlock() const {
    const auto [lowest, highest] = std::minmax_element(block, block + blockCount);
    const int32_t low = *lowest;
    const int32_t high = *highest;
    if (low == high || (low == blockMin && high == blockMax) ||
        std::abs(static_cast<int64_t>(high) - low) <= (static_cast<int64_t>(blockMax) - blockMin) / 8) {
        return;
    }
    const int32_t outLow = std::min(blockMin, blockMax);
    const int32_t outHigh = std::max(blockMin, blockMax);
    const double factor = static_cast<double>(outHigh - outLow) / (high - low);
    for (int32_t* sample = block; sample != block + blockCount; ++sample) {
        *sample = static_cast<int32_t>((*sample - low) * factor + outLow + 0.4);
    }
}

// ---- Lifecycle and settings

bool CovoxDac::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        settings->BindBool(common::NarrowString("Normalize"), &normalize);
    }
    return LevelOutputDevice::ExchangeSettings(settings, enabledOnly);
}

bool CovoxDac::Start(int32_t& rate) {
    lastValue = 0;
    blockStartValue = 0;
    blockStart = 0;
    levels.fill(0);
    levelsMin = levelsMax = 0;
    return LevelOutputDevice::Start(rate);
}

void CovoxDac::AddSoundItems(common::OptionNode* menu) {
    menu->AddSeparator();
    menu->AddToggleItemById(text::kNormalize, &normalize, true, nullptr, true);
}

// ---- State

bool CovoxDac::SaveOwnData(common::RecordArchive& archive) {
    return Device::SaveOwnData(archive) && WriteVersion(archive, "VER") &&
           archive.WriteRecordU8(lastValue, common::NarrowString("SNDA")) &&
           archive.WriteRecordU64(blockStart, common::NarrowString("SCYC")) &&
           archive.WriteRecordU8(blockStartValue, common::NarrowString("SNDS"));
}

bool CovoxDac::LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) {
    uint8_t savedValue = 0;
    uint64_t savedStart = 0;
    uint8_t savedStartValue = 0;
    if (!Device::LoadOwnData(archive, note) || !ReadVersion(archive, "VER") ||
        !archive.ReadRecordU8(savedValue, common::NarrowString("SNDA")) ||
        !archive.ReadRecordU64(savedStart, common::NarrowString("SCYC")) ||
        !archive.ReadRecordU8(savedStartValue, common::NarrowString("SNDS"))) {
        return false;
    }
    common::LockGuard guard(&lock);
    lastValue = savedValue;
    blockStart = savedStart;
    blockStartValue = savedStartValue;
    ForgetBlock();
    return true;
}

} // namespace emu
