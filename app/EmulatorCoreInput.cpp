// The producers of the input queue, on the GUI thread.
#include "app/CorePause.h"

#include <algorithm>

namespace emu {

namespace {

// F11 and F12 save and load the state; they never reach the machine.
constexpr int32_t kSaveStateKey = 122;
constexpr int32_t kLoadStateKey = 123;
// No host key has this code.
constexpr int32_t kNoKey = 255;

} // namespace

void EmulatorCore::PushInputWord(uint16_t word) {
    inputQueue.Push(word);
}

bool EmulatorCore::OnKeyChar(int32_t code, bool down, uint32_t ageMs) {
    common::LockGuard lock(&coreLock);
    CompleteConsoleMode();
    if (!loopActive) {
        return true;
    }
    const auto consoleCode = static_cast<uint8_t>(code & 0xFF);
    if (consoleMode) {
        return ConsoleKeyEvent(consoleCode, down, false);
    }
    if (ConsoleKeyEvent(consoleCode, down, true)) {
        return false;
    }
    if (code != kSaveStateKey && code != kLoadStateKey && powered && !breakPending && code >= 0 && code < kNoKey &&
        loopActive) {
        const uint64_t now = clock->Microseconds();
        inputQueue.Push(InputQueue::KeyWord(code, down), now - std::min<uint64_t>(uint64_t{ageMs} * 1000, now));
    }
    return true;
}

bool EmulatorCore::OnMouseEvent(int32_t x, int32_t y, int32_t event) {
    if (!loopActive || pauseDepth != 0 || consoleMode) {
        return true;
    }
    if (!inputQueue.PushMouse(event, x, y) && loopActive) {
        inputQueue.Push(InputQueue::kResetMouse);
    }
    return true;
}

void EmulatorCore::OnKeyEvent(bool releaseKeys, bool resetMouse) {
    common::LockGuard lock(&coreLock);
    if (!loopActive) {
        return;
    }
    inputQueue.Push(static_cast<uint16_t>(0x0004 | (releaseKeys ? 0x0100 : 0) | (resetMouse ? 0x0200 : 0)));
    console.ResetKeyStates(releaseKeys);
}

} // namespace emu
