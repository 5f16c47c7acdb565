#include "app/InputQueue.h"

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

void InputQueue::AppendTo(Buffer& buffer, uint16_t word) {
    if (buffer.count >= kCapacity) {
        return;
    }
    buffer.words[static_cast<size_t>(buffer.count)] = buffer.count == kCapacity - 1 ? kOverflowWord : word;
    ++buffer.count;
}

void InputQueue::Push(uint16_t word) {
    common::LockGuard guard(&lock);
    AppendTo(Active(), word);
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
}

void InputQueue::ResetToOverflow() {
    common::LockGuard guard(&lock);
    for (Buffer& buffer : buffers) {
        buffer.words[0] = kOverflowWord;
        buffer.count = 1;
    }
}

void InputQueue::Drain(InputSink& sink, MouseEventRecord& mouse, bool& keySeen) {
    // Producers write only into the active buffer, which the selector names; this one is the thread's own.
    Walk(*drained, sink, mouse, keySeen);
    {
        common::LockGuard guard(&lock);
        Buffer* filled = &Active();
        selector ^= 1;
        drained = filled;
    }
    sink.RecheckInterrupts();
}

void InputQueue::Walk(Buffer& buffer, InputSink& sink, MouseEventRecord& mouse, bool& keySeen) {
    int32_t index = 0;
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
    buffer.count = 0;
}

std::vector<uint16_t> InputQueue::PendingWords() const {
    common::LockGuard guard(&lock);
    const Buffer& buffer = buffers[selector & 1];
    return {buffer.words.begin(), buffer.words.begin() + buffer.count};
}

} // namespace emu
