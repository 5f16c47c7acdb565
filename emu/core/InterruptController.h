#pragma once

#include "emu/core/InterruptControllerInterface.h"
#include "emu/core/TreeNode.h"

#include <array>
#include <cstdint>
#include <vector>

namespace emu {

class MachineInterface;

// What the processor asks of the request sources.
enum class InterruptAsk : uint8_t {
    // Is there a request to take now? The answer names its line, vector number and vector address.
    Poll = 0,
    // The request just answered was taken.
    Acknowledge = 1,
};

// A request source's answer to the processor's poll or acknowledgement.
using InterruptAskCallback = bool (*)(void* context, InterruptAsk mode, uint32_t* line, uint32_t* vectorNumber,
                                      uint32_t* vectorAddress);
// Whether the source's line is raised.
using InterruptLineQuery = bool (*)(void* context, uint32_t line);
// Raises (on 1) or lowers the line; true when the source owns it.
using InterruptLineSetter = bool (*)(void* context, uint32_t line, uint8_t on);

// The machine's interrupt service "_INTR": a switchboard between the processor and whatever owns the interrupt
// logic. Request sources (in the BK machines, the machine itself) own request lines and decide which request the
// processor takes; devices raise and lower lines through the service. Two tables of 256 hooks, A and B, offer
// numbered events to host code first: the processor offers every trap to table B.
class InterruptController : public InterruptControllerInterface, public TreeNode {
public:
    static constexpr uint32_t kHookCount = 256;

    InterruptController();

    // The machine whose processors are asked to re-check their requests, and whose first processor the hooks get.
    void SetMachine(MachineInterface* owner) { machine = owner; }

    bool SetHandler(uint32_t number, void* context, InterruptHookHandler handler) override;
    bool SetHandlerB(uint32_t number, void* context, InterruptHookHandler handler) override;
    // Offers the event to its hook of table A; false, with cycles preset to 100, when the entry is unbound or
    // out of range.
    bool CallHandlerA(uint32_t number, uint32_t argument1, uint32_t argument2, uint64_t& cycles);
    // The same through table B, with cycles preset to 0.
    bool CallHandlerB(uint32_t number, uint32_t argument1, uint32_t argument2, uint64_t& cycles);

    // Adds a source, identified by its context; adding it again answers whether the callbacks are the same ones,
    // and changes nothing either way.
    bool AddSource(void* context, InterruptAskCallback ask, InterruptLineSetter set, InterruptLineQuery query);
    void RemoveSource(void* context);
    // Asks the sources in order; the first that has a request answers.
    bool AskSources(InterruptAsk mode, uint32_t* line, uint32_t* vectorNumber, uint32_t* vectorAddress);
    // The first source that can tell answers whether the line is raised.
    bool FirstQuerySource(uint32_t line);
    // Offers the line to the sources until one owns it. Raising a line makes every processor re-check its
    // requests, whether a source took it or not.
    bool SetRequest(uint32_t line, uint8_t on);
    // Raises the line; with onlyIfLowered, a line that is already raised stays as it is (and answers true), but
    // the processors re-check all the same.
    bool RaiseRequest(uint32_t line, uint8_t onlyIfLowered);

    // Unbinds both tables and drops the sources: their owners bind again as they start.
    bool Start(int32_t& rate) override;
    // Drops the sources; the tables stay.
    void Stop() override;
    // The "_INTRS" chunk, which holds only its version.
    bool SaveOwnData(common::RecordArchive& archive) override;
    bool LoadOwnData(common::RecordArchive& archive, common::NarrowString* note) override;

private:
    struct Hook {
        void* context = nullptr;
        InterruptHookHandler handler = nullptr;
    };
    using HookTable = std::array<Hook, kHookCount>;
    struct Source {
        void* context;
        InterruptAskCallback ask;
        InterruptLineSetter set;
        InterruptLineQuery query;
    };

    static bool Bind(HookTable& table, uint32_t number, void* context, InterruptHookHandler handler);
    bool Call(const HookTable& table, uint32_t number, uint32_t argument1, uint32_t argument2, uint64_t& cycles) const;
    void RequestInterruptCheck() const;

    MachineInterface* machine = nullptr;
    HookTable tableA{};
    HookTable tableB{};
    std::vector<Source> sources;
};

} // namespace emu
