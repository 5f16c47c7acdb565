#pragma once

#include "common/CriticalLock.h"
#include "common/RingStream.h"
#include "emu/core/Device.h"

#include <cstdint>

namespace emu {

// The base of the BK's own sound outputs, the speaker and the Covox: a level the program sets, whose changes the
// device queues with the processor's cycle count, and one output of 8-bit samples at the rate of "SoundFreq" (1
// 44100, 2 22050, 3 16000, any other value 48000 Hz) that the bus pumps fifty times a second ("SoundEvent"). Each
// sound event the derived device turns the changes queued since the one before into the block the bus handed over
// then, under the device's lock; the first event after a start or a load only synchronises. "EnableSound" off plays
// silence.
class LevelOutputDevice : public Device {
public:
    LevelOutputDevice(const char* name, const char* tag);
    ~LevelOutputDevice() override;

    bool SoundEnabled() const { return enableSound; }
    void SetSoundEnabled(bool on) { enableSound = on; }
    int32_t SoundFreq() const { return soundFreq; }
    void SetSoundFreq(int32_t value) { soundFreq = value; }

    // The mixer of the output: fills the block handed over at the previous call (GenerateSamples), keeps this one.
    static bool OnSoundEvent(TreeNode* owner, int32_t* block, int32_t count, int32_t minSample, int32_t maxSample,
                             int32_t frequency, uint64_t* tag);

    // "EnableSound" and "SoundFreq", then the children's.
    bool ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) override;
    // A "SoundFreq" out of 0..3 becomes 0 (false).
    bool Reset(bool enabledOnly) override;
    // An empty queue, no block yet, and the output attached.
    bool Start(int32_t& rate) override;
    void Stop() override;
    // The sound menu: the device's submenu, titled with its name: "Enable Sound", which the submenu shows
    // checked with, a separator and the four rates, fixed while running; then the derived device's items.
    void FillSettingsTree(common::OptionNode* item, OptionKind kind) override;

protected:
    // The queued changes into the stored block; called under the lock with a block or, after a start or a load,
    // without one, to synchronise.
    virtual void GenerateSamples() = 0;
    // Items of the derived device at the end of its sound submenu.
    virtual void AddSoundItems([[maybe_unused]] common::OptionNode* menu) {}

    uint64_t Now() const;
    // Appends an entry to the queue, under the lock; an entry the queue cannot take empties it.
    void Enqueue(const void* entry, int32_t size);
    // After a load: the block handed over before it is forgotten and the queue emptied, so that the next sound
    // event synchronises. Under the lock.
    void ForgetBlock();

    // The block the last sound event handed over, null before the first.
    int32_t* block = nullptr;
    int32_t blockCount = 0;
    int32_t blockMin = 0;
    int32_t blockMax = 0;
    // The changes since the block began, oldest first.
    common::RingStream queue;
    common::CriticalLock lock;

private:
    bool enableSound = true;
    int32_t soundFreq = 0;
};

} // namespace emu
