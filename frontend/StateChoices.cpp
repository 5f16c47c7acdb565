#include "frontend/StateChoices.h"

#include "app/EmulatorCore.h"
#include "common/MemoryStream.h"
#include "emu/core/Computer.h"

namespace emu {
namespace {

// A new state into the snapshot: built in a stream of its own first, so that a refused save leaves the old one.
// False when the core refused, or with copyFailed set when the copy failed after the core had saved.
bool SaveToSnapshot(EmulatorCore& core, bool& copyFailed) {
    common::MemoryStream image;
    if (!image.Create(0, -1) || !core.SaveStateToMemory(image, false, true)) {
        return false;
    }
    common::MemoryStream& snapshot = core.Snapshot();
    if ((snapshot.IsOpen() || snapshot.Create(0, -1)) && snapshot.Seek(0) &&
        snapshot.Write(image.GetBuffer(), image.Size()) == image.Size() && snapshot.Resize(image.Size())) {
        return true;
    }
    // A copy cut short is no state: better none than a damaged one.
    snapshot.Free();
    snapshot.Create(0, -1);
    copyFailed = true;
    return false;
}

// The outcome of a save or load that ran; a refusal gets the core's line, or the general one when the core printed
// none or its line does not tell the refusal.
StateOutcome Ran(EmulatorCore& core, bool succeeded, bool coreLineTells, const char* general) {
    StateOutcome outcome;
    outcome.attempted = true;
    outcome.succeeded = succeeded;
    if (!succeeded) {
        const common::NarrowString& line = core.LastStateMessage();
        outcome.reason.Assign(coreLineTells && !line.IsEmpty() ? line : common::NarrowString(general));
    }
    return outcome;
}

} // namespace

bool CanSaveState(const EmulatorCore* core) {
    return core != nullptr && core->IsPowered();
}

bool OffersSaveToMemory(const EmulatorCore& core) {
    return core.Machine() != nullptr && core.Machine()->SupportsMemoryState();
}

bool HasMemorySnapshot(EmulatorCore& core) {
    return core.Snapshot().IsOpen() && core.Snapshot().Size() > 0;
}

bool LoadDialogOpens(EmulatorCore& core) {
    return core.IsPowered() || HasMemorySnapshot(core);
}

StateOutcome SaveStateChoice(EmulatorCore& core, int32_t choice) {
    if (choice == kStateChoiceMemory) {
        bool copyFailed = false;
        const bool offered = OffersSaveToMemory(core);
        const bool saved = offered && SaveToSnapshot(core, copyFailed);
        return Ran(core, saved, offered && !copyFailed, "[ERROR] Error while saving state to memory");
    }
    if (choice == kStateChoiceFile) {
        common::PathString folder;
        return Ran(core, core.SaveStateToFile(folder, false), true, "[ERROR] Error while saving state to file");
    }
    return StateOutcome{};
}

StateOutcome LoadStateChoice(EmulatorCore& core, int32_t choice) {
    if (choice == kStateChoiceMemory && HasMemorySnapshot(core)) {
        return Ran(core, core.LoadStateFromMemory(core.Snapshot(), false), true,
                   "[ERROR] Error while loading state from memory");
    }
    if (choice == kStateChoiceFile) {
        common::PathString folder;
        return Ran(core, core.LoadStateFromFile(folder, false), true, "[ERROR] Error while loading state from file");
    }
    return StateOutcome{};
}

} // namespace emu
