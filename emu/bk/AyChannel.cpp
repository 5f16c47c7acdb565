#include "emu/bk/AyChannel.h"

#include "common/LittleEndian.h"
#include "common/RecordArchive.h"
#include "emu/core/StateChunk.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace emu {

namespace {

// One character per ramp of each shape, by the shape register's value.
constexpr std::array<const char*, AyChannel::kNoShape> kShapes{"\\___", "\\___", "\\___",    "\\___", "/___",   "/___",
                                                               "/___",  "/___",  "\\\\\\\\", "\\___", "\\/\\/", "\\'''",
                                                               "////",  "/'''",  "/\\/\\",   "/___"};

// The chip's volume curves over the full range: 16 fixed steps, and the YM-2149F's 32 envelope steps.
constexpr std::array<double, 16> kVolume16{0,     836,   1212,  1773,  2619,  3875,  5397,  8823,
                                           10392, 16706, 23339, 29292, 36969, 46421, 55195, 65535};
constexpr std::array<double, 32> kVolume32{0,     0,     248,   450,   670,   826,   1010,  1239,  1552,  1919,  2314,
                                           2626,  3131,  3778,  4407,  5031,  5968,  7161,  8415,  9622,  11421, 13689,
                                           15957, 18280, 21759, 26148, 30523, 34879, 41434, 49404, 57492, 65535};
constexpr double kVolumeScale = 65535.0;

constexpr uint8_t kAyTopStep = 15;
constexpr uint8_t kYmTopStep = 31;
constexpr int32_t kLevelBytes = AyChannel::kLevelCount * 4;

// Half away from zero.
int64_t RoundHalfAway(double value) {
    return static_cast<int64_t>(value >= 0 ? std::floor(value + 0.5) : std::ceil(value - 0.5));
}

AyChannelRecord DecodeRecord(const void* payload) {
    const auto* bytes = static_cast<const uint8_t*>(payload);
    std::array<int32_t, 9> values{};
    for (size_t index = 0; index < values.size(); ++index) {
        values[index] = static_cast<int32_t>(common::LoadLittleEndian(bytes + 4 * index, 4));
    }
    return {values[0], values[1], values[2], values[3], values[4], values[5], values[6], values[7], values[8]};
}

// The record's nine values, in their order.
std::array<int32_t*, 9> RecordFields(AyChannelRecord& record) {
    return {&record.CDPR, &record.CDVL, &record.CDNP, &record.CDEP, &record.CDEM,
            &record.CDDS, &record.CDND, &record.CDTT, &record.CDET};
}

constexpr std::array<const char*, 32> kFieldNames{"CDPR", "CDVL", "CDNP", "CDEP", "CDEM", "CDDS", "CDND", "CDTT",
                                                  "CDET", "TDVA", "TDCN", "TDTO", "TDVL", "TDDI", "NDVA", "NDCN",
                                                  "NDTO", "NDVL", "NDDI", "NDML", "ENVP", "ENVS", "ENCN", "ENTO",
                                                  "ENFL", "ENTL", "ENSP", "ENAC", "ENSH", "VDVA", "VDL0", "VDL1"};

} // namespace

// The generator's state as a load reads it, before it is checked and taken.
struct AyChannel::SavedGenerator {
    bool TNSK = false;
    bool ENSK = false;
    AyChannelRecord record;
    std::array<int32_t, kFieldNames.size() - 9> fields{};
    std::array<uint8_t, kLevelBytes> levels{};
};

AyChannel::AyChannel() : SoundChannel(kPayloadBytes) {
    SetSampleBits(5);
}

AyChannel::~AyChannel() = default;

void AyChannel::BindChipFlags(const bool* newYamahaMode, const bool* newPortMute, const bool* newDisableNoise) {
    yamahaMode = newYamahaMode != nullptr ? newYamahaMode : &ownFlag;
    portMute = newPortMute != nullptr ? newPortMute : &ownFlag;
    disableNoise = newDisableNoise != nullptr ? newDisableNoise : &ownFlag;
}

const char* AyChannel::ShapeName(int32_t shape) {
    return kShapes[static_cast<size_t>(shape & 15)];
}

// ---- Register writes

void AyChannel::RecordCurrent() {
    std::array<uint8_t, kPayloadBytes> payload{};
    AyChannelRecord copy = current;
    const std::array<int32_t*, 9> fields = RecordFields(copy);
    for (size_t index = 0; index < fields.size(); ++index) {
        common::StoreLittleEndian(payload.data() + 4 * index, 4, static_cast<uint32_t>(*fields[index]));
    }
    Record(payload.data(), kPayloadBytes, 0);
}

void AyChannel::SetTonePeriod(int32_t period, int32_t marker) {
    if (period == current.CDPR) {
        return;
    }
    current.CDPR = period;
    current.CDTT = marker;
    RecordCurrent();
    current.CDTT = 0;
}

void AyChannel::SetNoisePeriod(int32_t period) {
    if (period == current.CDNP) {
        return;
    }
    current.CDNP = period;
    RecordCurrent();
}

void AyChannel::SetMixer(int32_t toneOff, int32_t noiseOff) {
    if (toneOff == current.CDDS && noiseOff == current.CDND) {
        return;
    }
    current.CDDS = toneOff;
    current.CDND = noiseOff;
    RecordCurrent();
}

void AyChannel::SetVolume(int32_t value) {
    current.CDVL = value;
    RecordCurrent();
}

void AyChannel::SetEnvelopePeriod(int32_t period, int32_t marker) {
    if (period == current.CDEP) {
        return;
    }
    current.CDEP = period;
    current.CDET = marker;
    RecordCurrent();
    current.CDET = 0;
}

// The record carries the shape negated: the replay restarts the envelope for it even when the shape repeats.
void AyChannel::SetEnvelopeShape(int32_t shape) {
    if (current.CDEM == -shape) {
        return;
    }
    current.CDEM = -shape;
    RecordCurrent();
    current.CDEM = shape;
}

void AyChannel::Preset(const AyChannelRecord& registers) {
    current = registers;
    TDVA = registers.CDPR;
    VDVA = registers.CDVL;
    NDVA = registers.CDNP;
    ENVP = registers.CDEP;
    ENVS = registers.CDEM;
    TDDI = registers.CDDS;
    NDDI = registers.CDND;
}

// ---- Lifecycle

bool AyChannel::Start(int32_t& rate) {
    if (!SoundChannel::Start(rate)) {
        return false;
    }
    current = {};
    TDVA = TDCN = TDTO = TDVL = TDDI = 0;
    NDVA = NDCN = NDTO = NDDI = 0;
    ENVP = ENVS = ENCN = ENTO = ENFL = ENTL = ENSP = ENAC = 0;
    VDVA = VDL0 = VDL1 = 0;
    ENSH = kNoShape;
    LVLD.fill(0);
    NDML = 1;
    NDVL = 1;
    topStep = *yamahaMode ? kYmTopStep : kAyTopStep;
    TNSK = false;
    ENSK = false;
    return true;
}

// ---- Replay

void AyChannel::OnRangeChanged(int32_t minSample, int32_t maxSample) {
    if (minSample == maxSample) {
        LVLD.fill(minSample);
        return;
    }
    const auto span = static_cast<double>(maxSample) - static_cast<double>(minSample);
    const auto level = [&](double curve) {
        return static_cast<int32_t>(minSample + RoundHalfAway(span * curve / kVolumeScale));
    };
    for (size_t step = 1; step + 1 < kVolume16.size(); ++step) {
        LVLD[step] = level(kVolume16[step]);
    }
    LVLD[0] = minSample;
    LVLD[15] = maxSample;
    if (*yamahaMode) {
        for (size_t step = 1; step + 1 < kVolume32.size(); ++step) {
            LVLD[kEnvelopeLevels + step] = level(kVolume32[step]);
        }
        LVLD[kEnvelopeLevels] = minSample;
        LVLD[kLevelCount - 1] = maxSample;
    } else {
        std::copy_n(LVLD.begin(), kEnvelopeLevels, LVLD.begin() + kEnvelopeLevels);
    }
}

int32_t AyChannel::SamplesFor(double units, int32_t outputRate) const {
    const double samples = std::floor(units * outputRate / BaseFrequency() + 0.5);
    return static_cast<int32_t>(std::clamp(samples, 1.0, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

bool AyChannel::Defers(bool deferred, int32_t marker, int32_t nextMarker, uint64_t time, uint64_t endTime,
                       int64_t cpuFrequency, int32_t outputRate) const {
    if (deferred || nextMarker == marker || cpuFrequency <= 0) {
        return false;
    }
    const uint64_t elapsed = endTime - time;
    return elapsed < static_cast<uint64_t>(cpuFrequency >> 12) &&
           static_cast<double>(elapsed) / static_cast<double>(cpuFrequency) * outputRate < 2.0;
}

void AyChannel::Render(const void* payload, const void* nextPayload, uint64_t time, uint64_t endTime,
                       int64_t cpuFrequency, int32_t outputRate) {
    const bool hasRecord = payload != nullptr;
    const AyChannelRecord record = hasRecord ? DecodeRecord(payload) : AyChannelRecord{};
    const bool hasNext = hasRecord && nextPayload != nullptr;
    const AyChannelRecord next = hasNext ? DecodeRecord(nextPayload) : AyChannelRecord{};

    if (!hasRecord || record.CDVL != VDVA) {
        VDVA = hasRecord ? record.CDVL : VDVA;
        ENAC = (VDVA >> 4) & 1;
        VDL1 = LVLD[static_cast<size_t>(VDVA & 15)];
        VDL0 = LVLD[0];
    }

    if (!hasRecord || record.CDPR != TDVA) {
        if (hasNext && Defers(TNSK, record.CDTT, next.CDTT, time, endTime, cpuFrequency, outputRate)) {
            // Heard only with the other byte, which the next record carries: stored so that it differs.
            TNSK = true;
            TDVA = ~record.CDPR;
        } else {
            TNSK = false;
            TDVA = hasRecord ? record.CDPR : TDVA;
            TDCN = SamplesFor(TDVA, outputRate);
        }
    }

    if (!hasRecord || record.CDNP != NDVA) {
        NDVA = hasRecord ? record.CDNP : NDVA;
        NDCN = SamplesFor(2.0 * NDVA, outputRate);
    }

    if (!hasRecord || record.CDEP != ENVP) {
        if (hasNext && Defers(ENSK, record.CDET, next.CDET, time, endTime, cpuFrequency, outputRate)) {
            ENSK = true;
            ENVP = ~record.CDEP;
        } else {
            ENSK = false;
            ENVP = hasRecord ? record.CDEP : ENVP;
            const double units = ENVP > 0 ? 16.0 * ENVP : 1.0;
            const int32_t samples = SamplesFor(units, outputRate);
            if (samples != ENCN) {
                ENCN = ENTO = samples;
            }
        }
    }

    if (!hasRecord) {
        RestartEnvelope();
        return;
    }
    if (record.CDEM != ENVS) {
        ENVS = static_cast<int32_t>(
            std::min<int64_t>(std::abs(static_cast<int64_t>(record.CDEM)), std::numeric_limits<int32_t>::max()));
        RestartEnvelope();
    }
    TDDI = record.CDDS;
    NDDI = record.CDND;
}

void AyChannel::SetRamp(char ramp) {
    switch (ramp) {
    case '/':
        ENFL = 0;
        ENTL = topStep;
        break;
    case '\\':
        ENFL = topStep;
        ENTL = 0;
        break;
    case '\'':
        ENFL = ENTL = topStep;
        break;
    default:
        ENFL = ENTL = 0;
        break;
    }
}

void AyChannel::RestartEnvelope() {
    ENSH = ENVS & 15;
    ENSP = 0;
    ENTO = ENCN;
    SetRamp(kShapes[static_cast<size_t>(ENSH)][0]);
}

// A hold ('_' or '\'') stays on its ramp; without a shape (only from a loaded state) the envelope holds 0.
void AyChannel::AdvanceEnvelope() {
    ENTO = ENCN;
    if (ENSH < 0 || ENSH >= kNoShape) {
        ENFL = ENTL = 0;
        return;
    }
    ENSP = (ENSP + 1) & 3;
    const char ramp = kShapes[static_cast<size_t>(ENSH)][ENSP];
    if (ramp == '_' || ramp == '\'') {
        ENSP = (ENSP + 3) & 3;
    }
    SetRamp(ramp);
}

void AyChannel::StepNoise() {
    const auto bits = static_cast<uint32_t>(NDML);
    if (((bits ^ (bits >> 1)) & 1) != 0) {
        NDVL ^= 1;
    }
    NDML = static_cast<int32_t>((bits >> 1) | (((bits ^ (bits >> 2)) & 1) << 16));
}

// A counter that reloads from period each time it runs out (first, when it is out already), over samples
// samples: how often it ran out; left is what remains.
int64_t AyChannel::Expirations(int32_t& left, int32_t period, int32_t samples) {
    int64_t expired = 0;
    if (left <= 0) {
        expired = 1;
        left = period;
    }
    if (samples < left) {
        left -= samples;
        return expired;
    }
    const int64_t beyond = static_cast<int64_t>(samples) - left;
    if (beyond == 0 || period < 1) {
        left = period;
        return expired + 1;
    }
    left = static_cast<int32_t>(period - beyond % period);
    return expired + 1 + beyond / period;
}

int32_t AyChannel::RunLength(int32_t count) const {
    return TDTO > 0 && NDTO > 0 ? std::min({TDTO, NDTO, count}) : 0;
}

void AyChannel::Fill(int32_t* destination, int32_t count) {
    const bool enabled = !*portMute && SoundEnabled();
    const int32_t mask = enabled ? topStep : 0;
    const int32_t audible = enabled ? 1 : 0;
    if (TDCN < 1) {
        TDTO = count;
    }
    if (NDCN < 1) {
        NDTO = count;
    }
    const int32_t noiseOff = *disableNoise ? 1 : NDDI;
    if (ENAC == 0 && TDDI != 0 && noiseOff != 0) {
        // Tone and noise off at a fixed volume: one level throughout, while the generators count on.
        std::fill_n(destination, count, (1 & audible) != 0 ? VDL1 : VDL0);
        TDVL ^= static_cast<int32_t>(Expirations(TDTO, TDCN, count) & 1);
        for (int64_t steps = Expirations(NDTO, NDCN, count); steps > 0; --steps) {
            StepNoise();
        }
        return;
    }
    while (count > 0) {
        const int32_t bit = (noiseOff | NDVL) & (TDDI | TDVL);
        if (bit == 0 || ENAC == 0) {
            const int32_t run = RunLength(count);
            destination = std::fill_n(destination, run, (bit & audible) != 0 ? VDL1 : VDL0);
            TDTO -= run;
            NDTO -= run;
            count -= run;
        } else if (ENCN < 1) {
            // No ramp length (a corrupt counter): the envelope holds its step.
            const int32_t run = RunLength(count);
            destination = std::fill_n(destination, run, LVLD[static_cast<size_t>(kEnvelopeLevels + (ENFL & mask))]);
            TDTO -= run;
            NDTO -= run;
            count -= run;
        } else {
            while (TDTO > 0 && NDTO > 0 && count > 0 && ENTO != 0) {
                const double ramp = static_cast<double>(ENTL - ENFL) * (ENCN - static_cast<double>(ENTO)) / ENCN;
                const auto step = static_cast<int32_t>(std::clamp(ramp + 0.5, -64.0, 64.0));
                *destination++ = LVLD[static_cast<size_t>(kEnvelopeLevels + ((ENFL + step) & mask))];
                --NDTO;
                --count;
                --ENTO;
                --TDTO;
            }
            if (ENTO <= 0) {
                AdvanceEnvelope();
            }
        }
        if (TDTO <= 0) {
            TDVL ^= 1;
            TDTO = TDCN;
        }
        if (NDTO <= 0) {
            NDTO = NDCN;
            StepNoise();
        }
    }
}

// ---- State

bool AyChannel::SaveGeneratorState(common::RecordArchive& archive) {
    if (!WriteVersion(archive, "VER") || !archive.WriteRecordBool(TNSK, common::NarrowString("TNSK")) ||
        !archive.WriteRecordBool(ENSK, common::NarrowString("ENSK"))) {
        return false;
    }
    AyChannelRecord record = current;
    const std::array<int32_t*, 9> recordFields = RecordFields(record);
    const std::array<int32_t, 23> generator{TDVA, TDCN, TDTO, TDVL, TDDI, NDVA, NDCN, NDTO, NDVL, NDDI, NDML, ENVP,
                                            ENVS, ENCN, ENTO, ENFL, ENTL, ENSP, ENAC, ENSH, VDVA, VDL0, VDL1};
    for (size_t index = 0; index < kFieldNames.size(); ++index) {
        const int32_t value =
            index < recordFields.size() ? *recordFields[index] : generator[index - recordFields.size()];
        if (!archive.WriteRecordI32(value, common::NarrowString(kFieldNames[index]))) {
            return false;
        }
    }
    std::array<uint8_t, kLevelBytes> levels{};
    for (size_t index = 0; index < LVLD.size(); ++index) {
        common::StoreLittleEndian(levels.data() + 4 * index, 4, static_cast<uint32_t>(LVLD[index]));
    }
    return archive.WriteRecordBlob(levels.data(), kLevelBytes, common::NarrowString("LVLD"));
}

bool AyChannel::LoadGeneratorState(common::RecordArchive& archive) {
    SavedGenerator saved;
    if (!ReadVersion(archive, "VER") || !archive.ReadRecordBool(saved.TNSK, common::NarrowString("TNSK")) ||
        !archive.ReadRecordBool(saved.ENSK, common::NarrowString("ENSK"))) {
        return false;
    }
    const std::array<int32_t*, 9> recordFields = RecordFields(saved.record);
    for (size_t index = 0; index < kFieldNames.size(); ++index) {
        int32_t& value = index < recordFields.size() ? *recordFields[index] : saved.fields[index - recordFields.size()];
        if (!archive.ReadRecordI32(value, common::NarrowString(kFieldNames[index]))) {
            return false;
        }
    }
    if (!archive.ReadRecordBlob(saved.levels.data(), kLevelBytes, common::NarrowString("LVLD"))) {
        return false;
    }
    const auto& [tdva, tdcn, tdto, tdvl, tddi, ndva, ndcn, ndto, ndvl, nddi, ndml, envp, envs, encn, ento, enfl, entl,
                 ensp, enac, ensh, vdva, vdl0, vdl1] = saved.fields;
    const auto inRange = [](int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; };
    if (!inRange(ensh, 0, kNoShape) || !inRange(ensp, 0, 3) || !inRange(enfl, 0, kYmTopStep) ||
        !inRange(entl, 0, kYmTopStep) || std::min({tdcn, ndcn, encn, tdto, ndto, ento}) < 0) {
        return false;
    }
    TNSK = saved.TNSK;
    ENSK = saved.ENSK;
    current = saved.record;
    TDVA = tdva, TDCN = tdcn, TDTO = tdto, TDVL = tdvl, TDDI = tddi;
    NDVA = ndva, NDCN = ndcn, NDTO = ndto, NDVL = ndvl, NDDI = nddi, NDML = ndml;
    ENVP = envp, ENVS = envs, ENCN = encn, ENTO = ento, ENFL = enfl, ENTL = entl, ENSP = ensp, ENAC = enac;
    ENSH = ensh;
    VDVA = vdva, VDL0 = vdl0, VDL1 = vdl1;
    for (size_t index = 0; index < LVLD.size(); ++index) {
        LVLD[index] = static_cast<int32_t>(common::LoadLittleEndian(saved.levels.data() + 4 * index, 4));
    }
    return true;
}

} // namespace emu
