// Reading the option trees the BK machine and its devices fill for the menus.
#pragma once

#include "common/OptionNode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace emu {

// The captions of the items below node, a level deeper indented by two spaces, separators as "-".
inline void Captions(const common::OptionNode& node, const std::string& indent, std::vector<std::string>& out) {
    for (int32_t index = 0; index < node.ChildCount(); ++index) {
        const common::OptionNode* child = node.ChildAt(index);
        out.push_back(indent + (child->IsSeparator() ? std::string("-") : child->Text().GetNarrow()));
        Captions(*child, indent + "  ", out);
    }
}

// The item reached from node through the captions of path, or null.
inline common::OptionNode* Item(const common::OptionNode& node, const std::vector<std::string>& path) {
    const common::OptionNode* found = &node;
    for (const std::string& caption : path) {
        const common::OptionNode* next = nullptr;
        for (int32_t index = 0; next == nullptr && index < found->ChildCount(); ++index) {
            if (found->ChildAt(index)->Text().GetNarrow() == caption) {
                next = found->ChildAt(index);
            }
        }
        if (next == nullptr) {
            return nullptr;
        }
        found = next;
    }
    return const_cast<common::OptionNode*>(found);
}

} // namespace emu
