// Small helpers of the device tree tests: building trees, handlers to claim resources with, menus as text.
#pragma once

#include "common/OptionNode.h"
#include "emu/core/BranchNode.h"
#include "emu/core/BusHandlers.h"
#include "emu/core/InterruptControllerInterface.h"
#include "emu/core/PortMapInterface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace emu {

// Adopts a new node of type T into parent and answers it.
template <typename T, typename... Args>
T* Add(BranchNode& parent, Args&&... args) {
    auto node = std::make_unique<T>(std::forward<Args>(args)...);
    T* added = node.get();
    EXPECT_TRUE(parent.AddChild(std::move(node)));
    return added;
}

inline bool StubRead(void*, uint32_t, uint32_t, void*, uint8_t) {
    return true;
}
inline bool StubStatusRead(void*, uint32_t, uint32_t, void*, uint8_t, uint8_t*) {
    return true;
}
inline bool StubWrite(void*, uint32_t, uint32_t, const void*) {
    return true;
}
inline bool StubHook(void*, uint32_t, uint32_t, uint32_t, CpuInterface*, uint64_t*) {
    return true;
}

// A menu as text: each item's caption ("-" for a separator), its children in brackets.
inline std::string Outline(const common::OptionNode& item) {
    std::string text = item.IsSeparator() ? "-" : common::NarrowText(item.Text().GetWide());
    if (item.ChildCount() > 0) {
        text += "[";
        for (int32_t index = 0; index < item.ChildCount(); ++index) {
            text += (index > 0 ? " " : "") + Outline(*item.ChildAt(index));
        }
        text += "]";
    }
    return text;
}

} // namespace emu
