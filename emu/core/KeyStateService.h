#pragma once

#include "emu/core/ListenerList.h"
#include "emu/core/TreeNode.h"

#include <array>
#include <cstdint>

namespace emu {

// Told of every change of a host key; its answer is what SetKey answers when it is the last listener.
using KeyListener = bool (*)(void* context, uint8_t code, bool down);

// Which host keys are down, by the host's 8-bit key code, the service "_KEYB": the controller feeds it host key
// events through the machine, and keyboard devices listen to it and ask it. Code 255 is never recorded.
class KeyStateService : public TreeNode {
public:
    KeyStateService();

    // Records the key and tells the listeners, in the order they were added; a key already in that state tells
    // nobody. Answers the last listener's answer, or down when nobody was told.
    bool SetKey(uint8_t code, bool down);
    // Releases every pressed key through SetKey, lowest code first.
    void ReleaseAll();
    bool IsDown(uint8_t code) const { return keyDown[code]; }
    bool IsEitherDown(uint8_t a, uint8_t b) const { return IsDown(a) || IsDown(b); }
    bool IsAnyDown(uint8_t a, uint8_t b, uint8_t c) const { return IsDown(a) || IsDown(b) || IsDown(c); }
    bool AnyPressed() const { return pressedCount > 0; }
    int32_t PressedCount() const { return pressedCount; }

    // A listener already there is not added twice.
    bool AddListener(void* context, KeyListener listener);
    void RemoveListener(void* context, KeyListener listener);

    // Releases every key without telling anyone and drops the listeners: devices add theirs as they start.
    bool Start(int32_t& rate) override;
    void Stop() override;
    // The "_KEYS" chunk: eight rows of 32 key flags.
    bool SaveOwnData(common::RecordArchive& archive) override;
    // Takes the keys of the chunk, telling no listener; changes nothing unless the whole chunk reads.
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    static constexpr int32_t kRows = 8;

    std::array<bool, 256> keyDown{};
    int32_t pressedCount = 0;
    ListenerList<KeyListener> listeners;
};

} // namespace emu
