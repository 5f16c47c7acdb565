#include "emu/core/InterruptController.h"

#include "emu/core/MachineInterface.h"
#include "emu/core/StateChunk.h"

#include <algorithm>

namespace emu {

namespace {

// What an event costs when its table A hook does not serve it; table B presets nothing.
constexpr uint64_t kUnservedCyclesA = 100;

} // namespace

InterruptController::InterruptController() : TreeNode("_INTR") {}

bool InterruptController::SetHandler(uint32_t number, void* context, InterruptHookHandler handler) {
    return Bind(tableA, number, context, handler);
}

bool InterruptController::SetHandlerB(uint32_t number, void* context, InterruptHookHandler handler) {
    return Bind(tableB, number, context, handler);
}

bool InterruptController::CallHandlerA(uint32_t number, uint32_t argument1, uint32_t argument2, uint64_t& cycles) {
    cycles = kUnservedCyclesA;
    return Call(tableA, number, argument1, argument2, cycles);
}

bool InterruptController::CallHandlerB(uint32_t number, uint32_t argument1, uint32_t argument2, uint64_t& cycles) {
    cycles = 0;
    return Call(tableB, number, argument1, argument2, cycles);
}

bool InterruptController::AddSource(void* context, InterruptAskCallback ask, InterruptLineSetter set,
                                    InterruptLineQuery query) {
    const auto found =
        std::find_if(sources.begin(), sources.end(), [&](const Source& source) { return source.context == context; });
    if (found != sources.end()) {
        return found->ask == ask && found->set == set && found->query == query;
    }
    sources.push_back({context, ask, set, query});
    return true;
}

void InterruptController::RemoveSource(void* context) {
    const auto found =
        std::find_if(sources.begin(), sources.end(), [&](const Source& source) { return source.context == context; });
    if (found != sources.end()) {
        sources.erase(found);
    }
}

bool InterruptController::AskSources(InterruptAsk mode, uint32_t* line, uint32_t* vectorNumber,
                                     uint32_t* vectorAddress) {
    for (const Source& source : sources) {
        if (source.ask != nullptr && source.ask(source.context, mode, line, vectorNumber, vectorAddress)) {
            return true;
        }
    }
    return false;
}

bool InterruptController::FirstQuerySource(uint32_t line) {
    const auto found =
        std::find_if(sources.begin(), sources.end(), [](const Source& source) { return source.query != nullptr; });
    return found != sources.end() && found->query(found->context, line);
}

bool InterruptController::SetRequest(uint32_t line, uint8_t on) {
    const bool taken = std::any_of(sources.begin(), sources.end(), [&](const Source& source) {
        return source.set != nullptr && source.set(source.context, line, on);
    });
    if (on == 1) {
        RequestInterruptCheck();
    }
    return taken;
}

bool InterruptController::RaiseRequest(uint32_t line, uint8_t onlyIfLowered) {
    if (onlyIfLowered == 0) {
        return SetRequest(line, 1);
    }
    RequestInterruptCheck();
    return FirstQuerySource(line) || SetRequest(line, 1);
}

bool InterruptController::Start(int32_t&) {
    tableA.fill({});
    tableB.fill({});
    sources.clear();
    return true;
}

void InterruptController::Stop() {
    sources.clear();
}

bool InterruptController::SaveOwnData(common::RecordArchive& archive) {
    return WriteVersionChunk(archive, "_INTRS");
}

bool InterruptController::LoadOwnData(common::RecordArchive& archive, common::NarrowString*) {
    return ReadVersionChunk(archive, "_INTRS");
}

bool InterruptController::Bind(HookTable& table, uint32_t number, void* context, InterruptHookHandler handler) {
    if (number >= kHookCount) {
        return false;
    }
    table[number] = {context, handler};
    return true;
}

bool InterruptController::Call(const HookTable& table, uint32_t number, uint32_t argument1, uint32_t argument2,
                               uint64_t& cycles) const {
    if (number >= kHookCount || table[number].handler == nullptr) {
        return false;
    }
    CpuInterface* cpu = machine != nullptr ? machine->FirstCpu() : nullptr;
    return table[number].handler(table[number].context, number, argument1, argument2, cpu, &cycles);
}

void InterruptController::RequestInterruptCheck() const {
    if (machine != nullptr) {
        machine->RequestInterruptCheck();
    }
}

} // namespace emu
