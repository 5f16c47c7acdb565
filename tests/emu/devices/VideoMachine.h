// The test machine for video devices: 64 KB of RAM, optionally with an extra area of the memory map that video
// devices borrow instead of allocating their block.
#pragma once

#include "emu/core/MemoryMap.h"
#include "support/TestMachine.h"

#include <cstdint>
#include <memory>
#include <utility>

namespace emu {

class VideoMachine : public test_support::TestMachine {
public:
    explicit VideoMachine(uint32_t extraBytes = 0) : TestMachine("TEST"), extraBytes(extraBytes) {}

    bool Start(int32_t& rate) override {
        return Memory()->Create(kMemorySize, kAddressMask, extraBytes) && Computer::Start(rate);
    }

    // Adopts a new device of type T and answers it.
    template <typename T, typename... Args>
    T* Add(Args&&... args) {
        auto device = std::make_unique<T>(std::forward<Args>(args)...);
        T* added = device.get();
        return AddChild(std::move(device)) ? added : nullptr;
    }

private:
    uint32_t extraBytes;
};

} // namespace emu
