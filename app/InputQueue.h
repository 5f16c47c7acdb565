// Host keys and mouse moves on their way to the emulated machine: the GUI thread writes event words into one of
// two buffers while the emulation thread drains the other, and every drain swaps them. Producers never touch the
// machine and the emulation thread never waits for the GUI: it holds the queue lock only for the swap.
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

    // Producers. Appends one word: a full buffer drops it, and the word that would fill the last place becomes
    // kOverflowWord.
    void Push(uint16_t word);
    // Appends the three words of a mouse event; false, nothing queued, when fewer than three places are free
    // below the last one.
    bool PushMouse(int32_t event, int32_t x, int32_t y);

    // Emulation thread. Empties both buffers; the drains start with the one producers are not filling.
    void Clear();
    // Leaves each buffer holding the single word kOverflowWord.
    void ResetToOverflow();
    // Hands the words of the drained buffer to the sink (keySeen set when a key went through), then swaps: the
    // emptied buffer takes new words and the next drain takes the one filled meanwhile. The sink is asked to
    // re-check interrupts at every drain.
    void Drain(InputSink& sink, MouseEventRecord& mouse, bool& keySeen);

    // The words producers have queued since the last swap.
    std::vector<uint16_t> PendingWords() const;

private:
    struct Buffer {
        std::array<uint16_t, kCapacity> words{};
        int32_t count = 0;
    };

    Buffer& Active() { return buffers[selector & 1]; }
    static void AppendTo(Buffer& buffer, uint16_t word);
    // Passes on the words of the buffer the emulation thread owns.
    static void Walk(Buffer& buffer, InputSink& sink, MouseEventRecord& mouse, bool& keySeen);

    mutable common::CriticalLock lock;
    std::array<Buffer, 2> buffers;
    // Bit 0 names the buffer producers fill; changed only under the lock.
    uint32_t selector = 0;
    // The emulation thread's buffer.
    Buffer* drained = &buffers[1];
};

} // namespace emu
