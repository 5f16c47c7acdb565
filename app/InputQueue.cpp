#include "app/InputQueue.h"

#include <algorithm>

namespace emu {

namespace {

constexpr uint16_t kMouseBit = 0x0008;
constexpr uint16_t kKeyBit = 0x0002;
constexpr uint16_t kControlBit = 0x0004;
constexpr uint16_t kReleaseKeysBit = 0x0100;
constexpr uint16_t kResetMouseBit = 0x0200;

bool IsKeyWord(uint16_t word) {
    return (word & kMouseBit) == 0 && (word & kKeyBit) != 0;
}

uint32_t ButtonsAfter(uint32_t buttons, int32_t event) {
    switch (event) {
    case 0:
        return buttons | 1;
    case 1:
        return buttons & ~1U;
    case 2:
        return buttons | 2;
    case 3:
        return buttons & ~2U;
    default:
        return buttons;
    }
}

} // namespace

bool KeyPacing::Take(uint64_t typedAt, uint64_t machineTime) {
    if (!spaced) {
        spaced = true;
        lastDue = machineTime;
    } else {
        // Keys typed out of order (a message older than the last) are due at once.
        const uint64_t gap = typedAt > lastTypedAt ? std::min(typedAt - lastTypedAt, kLongestGap) : 0;
        const uint64_t due = lastDue + gap;
        if (machineTime + kDrainStep / 2 < due) {
            return false;
        }
        // Nearest to its time, the word keeps it; a word that came later than that counts from its own drain.
        lastDue = machineTime < due + kDrainStep / 2 ? due : machineTime;
    }
    lastTypedAt = typedAt;
    return true;
}

void InputQueue::AppendTo(Buffer& buffer, uint16_t word, uint64_t typedAt) {
    if (buffer.count >= kCapacity) {
        return;
    }
    const auto index = static_cast<size_t>(buffer.count);
    buffer.words[index] = buffer.count == kCapacity - 1 ? kOverflowWord : word;
    buffer.typedAt[index] = typedAt;
    ++buffer.count;
}

void InputQueue::Push(uint16_t word, uint64_t typedAt) {
    common::LockGuard guard(&lock);
    AppendTo(Active(), word, typedAt);
}

bool InputQueue::PushMouse(int32_t event, int32_t x, int32_t y) {
    common::LockGuard guard(&lock);
    Buffer& buffer = Active();
    if (buffer.count > kCapacity - 1 - kMouseWords) {
        return false;
    }
    buffer.words[static_cast<size_t>(buffer.count)] = static_cast<uint16_t>((event << 8) | kMouseBit);
    buffer.words[static_cast<size_t>(buffer.count) + 1] = static_cast<uint16_t>(x);
    buffer.words[static_cast<size_t>(buffer.count) + 2] = static_cast<uint16_t>(y);
    buffer.count += kMouseWords;
    return true;
}

void InputQueue::Clear() {
    common::LockGuard guard(&lock);
    for (Buffer& buffer : buffers) {
        buffer.words.fill(0);
        buffer.count = 0;
    }
    drained = &buffers[(selector & 1) ^ 1];
    drainedFrom = 0;
    pacing.Reset();
}

void InputQueue::ResetToOverflow() {
    common::LockGuard guard(&lock);
    for (Buffer& buffer : buffers) {
        buffer.words[0] = kOverflowWord;
        buffer.count = 1;
    }
    drainedFrom = 0;
    pacing.Reset();
}

void InputQueue::Drain(InputSink& sink, MouseEventRecord& mouse, bool& keySeen) {
    machineTime += KeyPacing::kDrainStep;
    // Producers write only into the active buffer, which the selector names; this one is the thread's own.
    drainedFrom = Walk(*drained, drainedFrom, sink, mouse, keySeen);
    if (drainedFrom >= drained->count) {
        drained->count = 0;
        drainedFrom = 0;
        common::LockGuard guard(&lock);
        Buffer* filled = &Active();
        selector ^= 1;
        drained = filled;
    }
    sink.RecheckInterrupts();
}

int32_t InputQueue::Walk(Buffer& buffer, int32_t from, InputSink& sink, MouseEventRecord& mouse, bool& keySeen) {
    int32_t index = from;
    while (index < buffer.count) {
        const uint16_t word = buffer.words[static_cast<size_t>(index)];
        if ((word & kMouseBit) != 0) {
            if (buffer.count - index < kMouseWords) {
                break; // a cut-off event is dropped
            }
            const int32_t event = word >> 8;
            const auto x = static_cast<int16_t>(buffer.words[static_cast<size_t>(index) + 1]);
            const auto y = static_cast<int16_t>(buffer.words[static_cast<size_t>(index) + 2]);
            index += kMouseWords;
            const uint32_t buttons = ButtonsAfter(mouse.buttons, event);
            if (x == 0 && y == 0 && buttons == mouse.buttons) {
                continue;
            }
            mouse.stepX = x;
            mouse.stepY = y;
            mouse.buttons = buttons;
            if (!sink.ScalePoint(x, y, mouse.moveX, mouse.moveY)) {
                mouse.moveX = x;
                mouse.moveY = y;
            }
            sink.MouseEvent(mouse);
        } else if ((word & kKeyBit) != 0) {
            if (!pacing.Take(buffer.typedAt[static_cast<size_t>(index)], machineTime)) {
                return index;
            }
            keySeen = true;
            ++index;
            // A run of the same key word (auto-repeat) goes through once.
            while (index < buffer.count && IsKeyWord(buffer.words[static_cast<size_t>(index)]) &&
                   (buffer.words[static_cast<size_t>(index)] & 0xFF01) == (word & 0xFF01)) {
                ++index;
            }
            sink.KeyEvent(word >> 8, (word & 1) != 0);
        } else {
            ++index;
            if ((word & kControlBit) == 0) {
                continue; // no producer queues such a word
            }
            if ((word & kReleaseKeysBit) != 0) {
                sink.KeyEvent(-1, false);
            }
            if ((word & kResetMouseBit) != 0) {
                mouse = MouseEventRecord{};
                sink.MouseEvent(mouse);
            }
        }
    }
    return buffer.count;
}

std::vector<uint16_t> InputQueue::PendingWords() const {
    common::LockGuard guard(&lock);
    const Buffer& buffer = buffers[selector & 1];
    return {buffer.words.begin(), buffer.words.begin() + buffer.count};
}

} // namespace emu
