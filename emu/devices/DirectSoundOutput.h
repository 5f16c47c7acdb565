#pragma once

#include "emu/core/HostSoundOutput.h"
#include "emu/devices/DirectSoundDevice.h"

#include <cstdint>
#include <memory>
#include <span>

namespace emu {

// Which slots of the looping buffer one submitted block fills. The buffer holds blockCount slots of blockBytes
// each, and the written data is kept about six slots ahead of the play cursor: a call in steady play fills one
// slot six ahead; calls that fell behind fill every slot up to five ahead with the same block; calls that ran ahead
// (ten to fifteen slots) step back two slots; sixteen or more ahead, the place is lost and filling starts again at
// the play slot. Slots from the play cursor up to the write cursor are never filled.
struct SlotPlan {
    // False for a cursor at or past the buffer's end: nothing is filled.
    bool valid = false;
    // count consecutive slots from firstSlot, wrapping at blockCount.
    int32_t firstSlot = 0;
    int32_t count = 0;
    // Where the next call starts.
    int32_t nextSlot = 0;
};

// play and write are the buffer's cursors in bytes; nextSlot is the last plan's, or below 0 before the first.
SlotPlan PlanSlots(uint32_t play, uint32_t write, int32_t blockBytes, int32_t blockCount, int32_t nextSlot);

// The sound output "DirectSound": plays the blocks of the host sound output through a looping DirectSound buffer of
// as many slots as the base has blocks. There is no playback thread and no callback: the base runs unpaced, and
// every submitted block is placed by WriteBlock relative to the play cursor (PlanSlots). The output cooperates
// with the host window, so Open refuses while none is set.
//
// The buffer starts at the rest level and the first block written fades in from it (StartFade.h).
//
// Threads: WriteBlock runs under the base's ring lock; Silence and Close take that lock too, so a pause from
// another thread never stops or frees the buffer in the middle of a write.
class DirectSoundOutput : public WindowedSoundOutput {
public:
    // Fewer slots would let the planner's distances wrap onto the playing slot.
    static constexpr int32_t kMinBlocks = 16;

    // Each instance, the clones too, makes its own device with the factory.
    explicit DirectSoundOutput(DirectSoundDeviceFactory factory);
    ~DirectSoundOutput() override;

    // Refused, holding nothing, without a host window, for a rate that the block count does not divide, fewer
    // than kMinBlocks blocks, a width other than 8 or 16, or any DirectSound step that fails. On success the
    // looping buffer holds the rest level in every slot and plays.
    bool Open(int32_t sampleRate, int32_t sampleBits, int32_t blockCount) override;
    void Close() override;
    std::unique_ptr<HostSoundOutput> Clone() const override;
    // Stops the looping buffer, keeping the blocks; the next block plays it again.
    void Silence() override;
    const char* Name() const override { return "DirectSound"; }

protected:
    bool WriteBlock(int32_t index) override;

private:
    // Copies block into slot; a lost buffer is restored and played again, once. False when the slot stays as it
    // was.
    bool FillSlot(int32_t slot, std::span<const uint8_t> block);

    DirectSoundDeviceFactory factory;
    std::unique_ptr<DirectSoundDevice> device;
    // The rest is under the ring lock.
    bool opened = false;
    // Guards WriteBlock and Silence against re-entry from the same thread.
    bool inWrite = false;
    int32_t slotBytes = 0;
    int32_t slotCount = 0;
    int32_t nextSlot = -1;
    // The first block written since Open faded in.
    bool fadedIn = false;
};

} // namespace emu
