#include "emu/core/KeyStateService.h"

#include "common/RecordArchive.h"
#include "emu/core/StateChunk.h"

#include <algorithm>
#include <bit>

namespace emu {

namespace {

constexpr uint8_t kNeverRecorded = 255;
constexpr int32_t kKeysPerRow = 32;

common::NarrowString RowKey(int32_t row) {
    common::NarrowString key;
    key.Format("L%.1ld", row);
    return key;
}

} // namespace

KeyStateService::KeyStateService() : TreeNode("_KEYB") {}

bool KeyStateService::SetKey(uint8_t code, bool down) {
    if (code == kNeverRecorded || keyDown[code] == down) {
        return down;
    }
    pressedCount = down ? pressedCount + 1 : std::max(0, pressedCount - 1);
    keyDown[code] = down;
    bool answer = down;
    for (size_t index = 0; index < listeners.Count(); ++index) {
        answer = listeners[index].callback(listeners[index].context, code, down);
    }
    return answer;
}

void KeyStateService::ReleaseAll() {
    if (pressedCount < 1) {
        return;
    }
    for (int32_t code = 0; code < static_cast<int32_t>(keyDown.size()); ++code) {
        if (keyDown[code]) {
            SetKey(static_cast<uint8_t>(code), false);
        }
    }
}

bool KeyStateService::AddListener(void* context, KeyListener listener) {
    listeners.Add(context, listener);
    return true;
}

void KeyStateService::RemoveListener(void* context, KeyListener listener) {
    listeners.Remove(context, listener);
}

bool KeyStateService::Start(int32_t&) {
    keyDown.fill(false);
    pressedCount = 0;
    listeners.Clear();
    return true;
}

void KeyStateService::Stop() {
    listeners.Clear();
}

bool KeyStateService::SaveOwnData(common::RecordArchive& archive) {
    const common::NarrowString chunk("_KEYS");
    if (!archive.WriteMarker(common::kChunkBeginMarker, chunk) || !WriteVersion(archive, "VER")) {
        return false;
    }
    for (int32_t row = 0; row < kRows; ++row) {
        uint32_t bits = 0;
        for (int32_t bit = 0; bit < kKeysPerRow; ++bit) {
            bits |= keyDown[row * kKeysPerRow + bit] ? 1u << bit : 0;
        }
        if (!archive.WriteRecordU32(bits, RowKey(row))) {
            return false;
        }
    }
    return archive.WriteMarker(common::kChunkEndMarker, chunk);
}

bool KeyStateService::LoadOwnData(common::RecordArchive& archive, common::NarrowString*) {
    const common::NarrowString chunk("_KEYS");
    std::array<uint32_t, kRows> rows{};
    if (!archive.ReadMarker(chunk, common::kChunkBeginMarker) || !ReadVersion(archive, "VER")) {
        return false;
    }
    for (int32_t row = 0; row < kRows; ++row) {
        if (!archive.ReadRecordU32(rows[row], RowKey(row))) {
            return false;
        }
    }
    // Key 255 is never down.
    if (!archive.ReadMarker(chunk, common::kChunkEndMarker) || (rows[kNeverRecorded / kKeysPerRow] >> 31) != 0) {
        return false;
    }
    pressedCount = 0;
    for (int32_t row = 0; row < kRows; ++row) {
        for (int32_t bit = 0; bit < kKeysPerRow; ++bit) {
            keyDown[row * kKeysPerRow + bit] = (rows[row] >> bit & 1) != 0;
        }
        pressedCount += std::popcount(rows[row]);
    }
    return true;
}

} // namespace emu
