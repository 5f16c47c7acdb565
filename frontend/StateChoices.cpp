#include "frontend/StateChoices.h"

#include "app/EmulatorCore.h"
#include "common/Console.h"
#include "common/MemoryStream.h"
#include "emu/core/Computer.h"

#include <vector>

namespace emu {
namespace {

// A new state into the snapshot: built in a stream of its own first, so that a refused save leaves the old one.
bool SaveToSnapshot(EmulatorCore& core) {
    common::MemoryStream image;
    if (!image.Create(0, -1) || !core.SaveStateToMemory(image, false, true)) {
        return false;
    }
    common::MemoryStream& snapshot = core.Snapshot();
    if (!snapshot.IsOpen() && !snapshot.Create(0, -1)) {
        return false;
    }
    if (snapshot.Seek(0) && snapshot.Write(image.GetBuffer(), image.Size()) == image.Size() &&
        snapshot.Resize(image.Size())) {
        return true;
    }
    // A copy cut short is no state: better none than a damaged one.
    snapshot.Free();
    snapshot.Create(0, -1);
    return false;
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
    StateOutcome outcome;
    if (choice == kStateChoiceMemory) {
        outcome.attempted = true;
        outcome.succeeded = OffersSaveToMemory(core) && SaveToSnapshot(core);
    } else if (choice == kStateChoiceFile) {
        outcome.attempted = true;
        common::PathString folder;
        outcome.succeeded = core.SaveStateToFile(folder, false);
    }
    return outcome;
}

StateOutcome LoadStateChoice(EmulatorCore& core, int32_t choice) {
    StateOutcome outcome;
    if (choice == kStateChoiceMemory) {
        if (!HasMemorySnapshot(core)) {
            return outcome;
        }
        outcome.attempted = true;
        outcome.succeeded = core.LoadStateFromMemory(core.Snapshot(), false);
    } else if (choice == kStateChoiceFile) {
        outcome.attempted = true;
        common::PathString folder;
        outcome.succeeded = core.LoadStateFromFile(folder, false);
    }
    return outcome;
}

common::WideString StateRefusalText(EmulatorCore& core) {
    const std::vector<common::ConsoleLine> lines = core.Console().Snapshot();
    return common::WideString(lines.empty() ? "" : lines.back().text.View().data());
}

} // namespace emu
