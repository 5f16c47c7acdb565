// Host keys and mouse moves on their way to the emulated machine: the GUI thread writes event words into one of
// two buffers while the emulation thread drains the other, and every drain that empties its buffer swaps them.
// Producers never touch the machine and the emulation thread never waits for the GUI: it holds the queue lock only
// for the swap.
//
// Key words carry the host time they were typed at, and reach the machine as far apart in its own time as they
// were typed (KeyPacing): a synchronised loop runs each frame in one go, started early or late by the host's coarse
// sleeps and run back to back after a stalled one, so keys that came apart would otherwise land in one drain, and
// the BK, which latches one key at a time, would lose the second.
//
// Event words, told apart by bit 3, then bit 1, then bit 2:
//   key:     (code << 8) | 2 | down                        one word
//   mouse:   (event << 8) | 8, then x, then y              three words; event 0/1 left down/up, 2/3 right down/up
//   control: 0x0004 | 0x0100 (release keys) | 0x0200 (reset the mouse)
#pragma once

#include "common/CriticalLock.h"
#include "emu/core/MouseService.h"

#include <array>
#include <cstdint>
#include <vector>

namespace emu {

// Where a drain hands the words: the machine's key and mouse entries and the screen's pointer mapping.
class InputSink {
public:
    virtual ~InputSink() = default;
    virtual void KeyEvent(int32_t code, bool down) = 0;
    virtual void MouseEvent(const MouseEventRecord& record) = 0;
    // A raw pointer position in screen coordinates; false when there is no mapping.
    virtual bool ScalePoint(int16_t x, int16_t y, double& screenX, double& screenY) = 0;
    // Every processor looks at its interrupt lines again before its next instruction.
    virtual void RecheckInterrupts() = 0;
};

// The spacing of key words in the machine's time. The first key word after a start goes through when it comes;
// each next one is due as long after the one before as it was typed after it (at most kLongestGap), and goes
// through at the drain nearest to that time or, when it came too late for that, at once, and the words after a
// late one are spaced from it. Due times follow from due times, not from the drains the words happened to land on,
// so the drains' step does not add up: no key word reaches the machine as much as a step sooner after any word
// before it than it was typed after it, and only a late word moves the ones after it later.
class KeyPacing {
public:
    // The machine time between two drains, in microseconds: the loops drain twice a frame of 1/50 s.
    static constexpr uint64_t kDrainStep = 10000;
    // Keys typed further apart are kept only this far apart: a key typed after a pause in the machine waits no
    // longer than this.
    static constexpr uint64_t kLongestGap = 100000;

    void Reset() { spaced = false; }
    // Whether a key word typed at typedAt (host microseconds) goes through at machineTime (microseconds); when it
    // does, the next word is spaced from it.
    bool Take(uint64_t typedAt, uint64_t machineTime);

private:
    bool spaced = false;
    uint64_t lastTypedAt = 0;
    // The machine time the last word was due at.
    uint64_t lastDue = 0;
};

class InputQueue {
public:
    static constexpr int32_t kCapacity = 256;
    // The last word of a full buffer: every key released and the mouse reset.
    static constexpr uint16_t kOverflowWord = 0xFF04;
    static constexpr uint16_t kReleaseKeys = 0x0104;
    static constexpr uint16_t kResetMouse = 0x0204;
    static constexpr uint16_t kReleaseAll = 0x0304;
    // A mouse event is queued only while this many words are free, so index 255 stays free for kOverflowWord.
    static constexpr int32_t kMouseWords = 3;

    static uint16_t KeyWord(int32_t code, bool down) { return static_cast<uint16_t>((code << 8) | 2 | (down ? 1 : 0)); }

    InputQueue() = default;
    InputQueue(const InputQueue&) = delete;
    InputQueue& operator=(const InputQueue&) = delete;

    // Producers. Appends one word, a key word with the host time it was typed at in microseconds: a full buffer
    // drops it, and the word that would fill the last place becomes kOverflowWord.
    void Push(uint16_t word, uint64_t typedAt = 0);
    // Appends the three words of a mouse event; false, nothing queued, when fewer than three places are free
    // below the last one.
    bool PushMouse(int32_t event, int32_t x, int32_t y);

    // Emulation thread. Empties both buffers; the drains start with the one producers are not filling, and the
    // next key word goes through as it comes.
    void Clear();
    // Leaves each buffer holding the single word kOverflowWord; the next key word goes through as it comes.
    void ResetToOverflow();
    // One drain, KeyPacing::kDrainStep of machine time after the one before. Hands the words of the drained buffer
    // to the sink (keySeen set when a key went through) up to the first key word that is not due yet, which waits
    // for a later drain with the words after it. A buffer walked to its end is swapped: the emptied buffer takes
    // new words and the next drain takes the one filled meanwhile. The sink is asked to re-check interrupts at
    // every drain.
    void Drain(InputSink& sink, MouseEventRecord& mouse, bool& keySeen);

    // The words producers have queued since the last swap.
    std::vector<uint16_t> PendingWords() const;

private:
    struct Buffer {
        std::array<uint16_t, kCapacity> words{};
        // Host microseconds each key word was typed at.
        std::array<uint64_t, kCapacity> typedAt{};
        int32_t count = 0;
    };

    Buffer& Active() { return buffers[selector & 1]; }
    static void AppendTo(Buffer& buffer, uint16_t word, uint64_t typedAt);
    // Passes on the words of the buffer the emulation thread owns from index from on, up to a key word that is not
    // due; answers where the walk stopped (the buffer's count when it was walked to its end).
    int32_t Walk(Buffer& buffer, int32_t from, InputSink& sink, MouseEventRecord& mouse, bool& keySeen);

    mutable common::CriticalLock lock;
    std::array<Buffer, 2> buffers;
    // Bit 0 names the buffer producers fill; changed only under the lock.
    uint32_t selector = 0;
    // The emulation thread's buffer, and where its next walk starts.
    Buffer* drained = &buffers[1];
    int32_t drainedFrom = 0;
    // Emulation thread: the machine time of the last drain, and the spacing of the key words.
    uint64_t machineTime = 0;
    KeyPacing pacing;
};

} // namespace emu
