// What the Save State and Load State dialogs offer and what each of their buttons does to the core, apart from any
// window: the memory snapshot or the model's state file, and the reason of a refusal.
#pragma once

#include "common/WideString.h"

#include <cstdint>

namespace emu {

class EmulatorCore;

// The result values of the dialogs' "Memory" and "File" buttons.
enum StateChoice : int32_t { kStateChoiceMemory = 4, kStateChoiceFile = 5 };

// The save dialog opens only for a powered-on machine.
bool CanSaveState(const EmulatorCore* core);
// "to Memory" is offered when the machine can be kept in a memory snapshot.
bool OffersSaveToMemory(const EmulatorCore& core);
// "from Memory" is offered while there is a snapshot.
bool HasMemorySnapshot(EmulatorCore& core);
// The load dialog opens for a powered-on machine or when there is a snapshot; a stopped machine without one loads
// the file at once.
bool LoadDialogOpens(EmulatorCore& core);

// What carrying out a choice did: attempted when a save or load ran (the menus then need a refresh), succeeded
// when the core took it. A refusal's reason is the core's own line, or a general one when the core gave none.
struct StateOutcome {
    bool attempted = false;
    bool succeeded = false;
    common::WideString reason;
};

// Saves as the save dialog's result says: 4 into the snapshot, 5 into the model's state file, anything else nothing.
// The snapshot is replaced only by a whole new state: a failed save keeps the one there was.
StateOutcome SaveStateChoice(EmulatorCore& core, int32_t choice);
// Loads as the load dialog's result says: 4 from the snapshot (nothing without one), 5 from the model's state file,
// anything else nothing. A refused load leaves the machine as it was.
StateOutcome LoadStateChoice(EmulatorCore& core, int32_t choice);

} // namespace emu
