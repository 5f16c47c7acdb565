// The processor's options: its trace and break switches in the settings file and in the debugger's menus.
#include "emu/cpu/Cpu1801BM1.h"

#include "common/NarrowString.h"
#include "common/OptionNode.h"
#include "common/SettingsTree.h"

#include <utility>
#include <vector>

namespace emu {

bool Cpu1801BM1::ExchangeSettings(common::SettingsTree* settings, bool enabledOnly) {
    if (settings != nullptr && !enabledOnly) {
        const std::pair<const char*, bool*> keys[] = {
            {"TraceIllegalOpcode", &options.traceIllegalOpcode},
            {"BreakIllegalOpcode", &options.breakIllegalOpcode},
            {"TraceEIS", &options.traceEIS},
            {"BreakEIS", &options.breakEIS},
            {"TraceFP11", &options.traceFP11},
            {"BreakFP11", &options.breakFP11},
            {"TraceHALT", &options.traceHALT},
            {"BreakHALT", &options.breakHALT},
            {"TraceRESET", &options.traceRESET},
            {"BreakRESET", &options.breakRESET},
            {"BreakExec1000", &options.breakExec1000},
        };
        for (const auto& [key, variable] : keys) {
            settings->BindBool(key, variable);
        }
    }
    return CpuBase::ExchangeSettings(settings, enabledOnly);
}

void Cpu1801BM1::FillSettingsTree(common::OptionNode* item, OptionKind kind) {
    CpuBase::FillSettingsTree(item, kind);
    if (item == nullptr || (kind != OptionKind::Break && kind != OptionKind::Trace)) {
        return;
    }
    if (kind == OptionKind::Break) {
        item->AddToggleItem(common::NarrowString("Break On PC=01000"), &options.breakExec1000, true, nullptr, false);
        return;
    }
    const std::pair<const char*, bool*> traces[] = {
        {"Trace Illegal Opcode", &options.traceIllegalOpcode},
        {"Trace EIS (MUL,DIV,ASH,ASHC)", &options.traceEIS},
        {"Trace FP11 (Floating-Point)", &options.traceFP11},
        {"Trace HALT", &options.traceHALT},
        {"Trace RESET", &options.traceRESET},
    };
    const std::pair<const char*, bool*> breaks[] = {
        {"Break On Illegal Opcode", &options.breakIllegalOpcode},
        {"Break On EIS (MUL,DIV,ASH,ASHC)", &options.breakEIS},
        {"Break On FP11 (Floating-Point)", &options.breakFP11},
        {"Break On HALT", &options.breakHALT},
        {"Break On RESET", &options.breakRESET},
    };
    // A button that sets each flag of the list to value. The node borrows the flags as its toggle items do, so
    // no callback keeps a pointer into this processor.
    const auto addButton = [item](const char* text, const std::vector<bool*>& flags, bool value) {
        if (common::OptionNode* button = item->AddItem(common::NarrowString(text))) {
            for (bool* flag : flags) {
                button->AddActionSetByte(flag, value);
            }
        }
    };
    std::vector<bool*> traceFlags;
    std::vector<bool*> allFlags;
    for (const auto& [text, flag] : traces) {
        item->AddToggleItem(common::NarrowString(text), flag, true, nullptr, false);
        traceFlags.push_back(flag);
        allFlags.push_back(flag);
    }
    addButton("Trace All", traceFlags, true);
    item->AddSeparator();
    for (const auto& [text, flag] : breaks) {
        item->AddToggleItem(common::NarrowString(text), flag, true, nullptr, false);
        allFlags.push_back(flag);
    }
    // Break On RESET is left out of "Break All".
    addButton("Break All", {&options.breakIllegalOpcode, &options.breakEIS, &options.breakFP11, &options.breakHALT},
              true);
    addButton("Select All", allFlags, true);
    addButton("Clear All", allFlags, false);
}

} // namespace emu
