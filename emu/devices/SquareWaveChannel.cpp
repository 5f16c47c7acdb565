#include "emu/devices/SquareWaveChannel.h"

#include "common/LittleEndian.h"
#include "common/RecordArchive.h"
#include "emu/core/StateChunk.h"

#include <algorithm>

namespace emu {

namespace {

constexpr const char* kChunk = "_SQSNDCH";
constexpr std::array<const char*, 11> kFieldNames{"CDTN", "CDVL", "CDTT", "CDVT", "TDVA", "TDCN",
                                                  "TDTO", "TDVL", "VDVA", "VDL0", "VDL1"};

} // namespace

SquareWaveChannel::SquareWaveChannel() : SoundChannel(kPayloadBytes) {}

void SquareWaveChannel::SetValueA(int32_t value, int32_t flag, bool force) {
    if (value == CDTN && !force) {
        return;
    }
    CDTN = value;
    CDTT = flag;
    RecordValues();
    CDTT = 0;
}

void SquareWaveChannel::SetValueB(int32_t value, int32_t flag, bool force) {
    if (value == CDVL && !force) {
        return;
    }
    CDVL = value;
    CDVT = flag;
    RecordValues();
    CDVT = 0;
}

void SquareWaveChannel::RecordValues() {
    std::array<uint8_t, kPayloadBytes> payload{};
    const std::array<int32_t, 4> values{CDTN, CDVL, CDTT, CDVT};
    for (size_t index = 0; index < values.size(); ++index) {
        common::StoreLittleEndian(payload.data() + 4 * index, 4, static_cast<uint32_t>(values[index]));
    }
    Record(payload.data(), kPayloadBytes, 0);
}

bool SquareWaveChannel::Start(int32_t& rate) {
    if (!SoundChannel::Start(rate)) {
        return false;
    }
    for (int32_t* field : StateFields()) {
        *field = 0;
    }
    return true;
}

void SquareWaveChannel::Fill(int32_t* destination, int32_t count) {
    int32_t mask = SoundEnabled() ? 1 : 0;
    while (count > 0) {
        // Checked on every half period, in case the phase callback took the wave away.
        if (TDCN < 1) {
            TDTO = count;
            mask = 0;
        }
        const int32_t run = std::max(std::min(TDTO, count), 0);
        std::fill_n(destination, run, (TDVL & mask) != 0 ? VDL1 : VDL0);
        destination += run;
        count -= run;
        TDTO -= run;
        if (TDTO < 1) {
            TDTO = TDCN;
            if (phaseCallback != nullptr) {
                phaseCallback(this);
            } else {
                TDVL ^= 1;
            }
        }
    }
}

std::array<int32_t*, 11> SquareWaveChannel::StateFields() {
    return {&CDTN, &CDVL, &CDTT, &CDVT, &TDVA, &TDCN, &TDTO, &TDVL, &VDVA, &VDL0, &VDL1};
}

bool SquareWaveChannel::SaveGeneratorState(common::RecordArchive& archive) {
    const common::NarrowString chunk(kChunk);
    if (!archive.WriteMarker(common::kChunkBeginMarker, chunk) || !WriteVersion(archive, "VER")) {
        return false;
    }
    const std::array<int32_t*, 11> fields = StateFields();
    for (size_t index = 0; index < fields.size(); ++index) {
        if (!archive.WriteRecordI32(*fields[index], common::NarrowString(kFieldNames[index]))) {
            return false;
        }
    }
    return archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool SquareWaveChannel::LoadGeneratorState(common::RecordArchive& archive) {
    const common::NarrowString chunk(kChunk);
    std::array<int32_t, 11> values{};
    if (!archive.ReadMarker(chunk, common::kChunkBeginMarker) || !ReadVersion(archive, "VER")) {
        return false;
    }
    for (size_t index = 0; index < values.size(); ++index) {
        if (!archive.ReadRecordI32(values[index], common::NarrowString(kFieldNames[index]))) {
            return false;
        }
    }
    if (!archive.ReadMarker(chunk, common::kChunkEndMarker)) {
        return false;
    }
    const std::array<int32_t*, 11> fields = StateFields();
    for (size_t index = 0; index < fields.size(); ++index) {
        *fields[index] = values[index];
    }
    return true;
}

} // namespace emu
