// State files and memory snapshots: the image "ZOVSTATE" is written and read on the calling thread while the
// emulation thread stands parked; only the run loop's own chunk "_EMUCORE" goes through the thread, by a post.
//
// Image: chunk begin "ZOVSTATE", the value "_MAXCPU_" (the run mode), the machine's settings "_EMUINIT", the
// loop's "_EMUCORE", the machine's state, chunk end "ZOVSTATE".
#include "app/CorePause.h"
#include "app/EmulatorConfig.h"
#include "app/EmulatorCore.h"
#include "common/FileStream.h"
#include "common/Paths.h"
#include "common/RecordArchive.h"
#include "common/platform/Folders.h"
#include "emu/core/Computer.h"
#include "emu/core/DriveSet.h"
#include "emu/core/Report.h"
#include "emu/core/SettingsFile.h"

#include <optional>

namespace emu {

namespace {

constexpr const char* kStateChunk = "_MAXCPU_";
constexpr const char* kImageChunk = "ZOVSTATE";
constexpr const char* kStatesFolder = "states";
constexpr const char* kStateExtension = "sav";
constexpr const char* kBadFormat = "incorrect version or format";

// Holds the core lock unless the caller does.
class CoreLockUnless {
public:
    CoreLockUnless(common::CriticalLock& lock, bool alreadyLocked) : guard(alreadyLocked ? nullptr : &lock) {}

private:
    common::LockGuard guard;
};

} // namespace

const common::ProgramFolders& EmulatorCore::Folders() const {
    return config != nullptr ? config->Folders() : common::ProgramFolders::Host();
}

common::PathString EmulatorCore::StateFilePath(common::PathString& folder, bool forSaving) const {
    const common::ProgramFolders& folders = Folders();
    const common::PathString none;
    const common::PathString name(machine != nullptr && machine->StateFileId() != nullptr ? machine->StateFileId()
                                                                                          : "");
    const common::PathString extension(kStateExtension);
    if (!folder.IsEmpty()) {
        return folders.ComposeFilePath(folder, none, name, extension);
    }
    const common::PathString states(kStatesFolder);
    const common::PathString inSettings = folders.ComposeFilePath(
        folders.GetDataFolder(common::PathString(Computer::kDataFolderName), forSaving), states, none, none);
    folder.Assign(inSettings);
    if (forSaving) {
        common::CreateDirectoryPath(inSettings);
        return folders.ComposeFilePath(inSettings, none, name, extension);
    }
    const common::PathString besideProgram = folders.ComposeFilePath(folders.GetProgramFolder(), states, none, none);
    for (const common::PathString* candidate : {&inSettings, &besideProgram}) {
        const common::PathString path = folders.ComposeFilePath(*candidate, none, name, extension);
        if (common::FileExists(path)) {
            folder.Assign(*candidate);
            return path;
        }
    }
    return folders.ComposeFilePath(inSettings, none, name, extension);
}

bool EmulatorCore::PostChunk(common::RecordArchive& archive, bool load) {
    if (load) {
        stateErrorText.Clear();
    }
    postArchive = &archive;
    postIsLoad = load;
    postFailed = true;
    postState = kPosted;
    wakeup.Signal();
    if (!AwaitThread([this] { return postState.load() == kPostServed; })) {
        // Taken back unless the thread is serving it already; then it is waited for, as it uses the archive.
        int32_t posted = kPosted;
        if (!postState.compare_exchange_strong(posted, kNoPost)) {
            answer.WaitUntil([this] { return postState.load() == kPostServed; }, -1);
        }
    }
    const bool served = postState.exchange(kNoPost) == kPostServed && !postFailed;
    postArchive = nullptr;
    return served;
}

bool EmulatorCore::BuildStateImage(common::MemoryStream& image) {
    common::RecordArchive archive(image);
    const common::NarrowString imageChunk(kImageChunk);
    return image.Create(0, -1) && archive.WriteMarker(common::kChunkBeginMarker, imageChunk) &&
           archive.WriteRecordI8(static_cast<int8_t>(static_cast<int32_t>(runMode.load())),
                                 common::NarrowString(kStateChunk)) &&
           machine->SaveInitData(archive) && PostChunk(archive, false) && machine->SaveState(archive) &&
           archive.WriteMarker(common::kChunkEndMarker, imageChunk);
}

bool EmulatorCore::SaveStateToMemory(common::ByteStream& stream, bool alreadyLocked, bool verbose) {
    CoreLockUnless lock(coreLock, alreadyLocked);
    stateMessage.Clear();
    if (!loopActive || !inLoop) {
        return false;
    }
    PauseGuard pause(*this, true);
    if (!pause.Holds()) {
        return false;
    }
    common::MemoryStream image;
    bool saved = stream.CanWrite() && (stream.Size() == 0 || stream.Seek(0)) && BuildStateImage(image);
    // Only a whole image replaces what the stream held.
    saved = saved && stream.Seek(0) && stream.Write(image.GetBuffer(), image.Size()) == image.Size() &&
            (stream.Size() == image.Size() || stream.Resize(image.Size()));
    if (verbose) {
        if (saved) {
            PrintStateLine(kTraceColour, "State saved to memory");
        } else {
            PrintStateLine(kErrorColour, "[ERROR] Error while saving state to memory");
        }
    }
    return saved;
}

bool EmulatorCore::SaveStateToFile(common::PathString& folder, bool alreadyLocked) {
    CoreLockUnless lock(coreLock, alreadyLocked);
    stateMessage.Clear();
    if (!loopActive || !inLoop) {
        return false;
    }
    const common::PathString path = StateFilePath(folder, true);
    const common::PathString name = common::GetFileName(path);
    PauseGuard pause(*this, true);
    if (!pause.Holds()) {
        return false;
    }
    common::MemoryStream image;
    // The file is replaced only by a whole image.
    if (BuildStateImage(image) && ReplaceFileContent(path, image)) {
        PrintStateLine(kTraceColour, "State saved to file \"%s\"", name);
        return true;
    }
    PrintStateLine(kErrorColour, "[ERROR] Error while saving state to file \"%s\"", name);
    return false;
}

bool EmulatorCore::LoadStateFromMemory(common::ByteStream& stream, bool alreadyLocked) {
    return LoadState(&stream, nullptr, alreadyLocked);
}

bool EmulatorCore::LoadStateFromFile(common::PathString& folder, bool alreadyLocked) {
    CoreLockUnless lock(coreLock, alreadyLocked);
    stateMessage.Clear();
    const common::PathString path = StateFilePath(folder, false);
    const common::PathString name = common::GetFileName(path);
    const bool readable = common::FileExists(path);
    if (!readable && common::platform::PathExists(path.View())) {
        // A folder, FIFO or device, or a file it may not read: not a state that was never saved.
        PrintStateLine(kErrorColour, "[ERROR] Error while loading state from file \"%s\" (not a readable file)", name);
        return false;
    }
    if (!readable) {
        if (!powered) {
            console.Clear();
            if (console.IsCentred()) {
                OnConsoleActivate(false);
            }
        }
        PrintStateLine(kTraceColour, "State not loaded, because file \"%s\" did not exists (no state was saved?)",
                       name);
        return false;
    }
    common::FileStream file;
    return LoadState(file.OpenForReading(path) && file.IsOpen() ? &file : nullptr, &name, true);
}

bool EmulatorCore::LoadStateImage(common::ByteStream& source, common::NarrowString& errorText, bool& poweredOn) {
    common::RecordArchive archive(source);
    const common::NarrowString imageChunk(kImageChunk);
    bool changed = false;
    int8_t storedRunMode = 0;
    if (!source.CanRead() || !source.Seek(0) || !archive.ReadMarker(imageChunk, common::kChunkBeginMarker) ||
        !archive.ReadRecordI8(storedRunMode, common::NarrowString(kStateChunk))) {
        return false;
    }
    machine->AttachRenderer(screenRenderer);
    machine->SetSoundOutput(soundOutput.get());
    if (!machine->LoadInitData(archive, changed)) {
        return false;
    }
    if ((changed || storedRunMode != static_cast<int32_t>(runMode.load())) && powered) {
        DetachMachine();
    }
    if (!powered) {
        machine->SetLoading(true);
        SetRunState(true, false);
        machine->SetLoading(false);
        if (!powered) {
            return false;
        }
        poweredOn = true;
    }
    if (!inLoop) {
        return false;
    }
    if (!PostChunk(archive, true)) {
        if (!stateErrorText.IsEmpty()) {
            errorText.Assign(stateErrorText);
        }
        return false;
    }
    common::NarrowString note;
    if (!machine->LoadState(archive, &note)) {
        if (!note.IsEmpty()) {
            errorText.Assign(note);
        }
        return false;
    }
    return archive.ReadMarker(imageChunk, common::kChunkEndMarker);
}

bool EmulatorCore::LoadState(common::ByteStream* source, const common::PathString* fileName, bool alreadyLocked) {
    CoreLockUnless lock(coreLock, alreadyLocked);
    stateMessage.Clear();
    if (!loopActive || machine == nullptr) {
        return false;
    }
    PauseGuard pause(*this, true);
    if (!pause.Holds()) {
        return false;
    }
    const bool wasAtBreak = powered && breakPending;
    // What a failure goes back to: the running machine's whole state, and in any case its settings.
    std::optional<common::MemoryStream> backup;
    if (powered && inLoop) {
        backup.emplace();
        if (!BuildStateImage(*backup)) {
            backup.reset();
        }
    }
    common::MemoryStream settingsBackup;
    common::RecordArchive settingsArchive(settingsBackup);
    const bool settingsSaved = settingsBackup.Create(0, -1) && machine->SaveInitData(settingsArchive);
    // A state opens the images it names for reading only; the drives get theirs back as they were opened.
    DriveSet* const drives = machine->Drives();
    const std::vector<DriveSet::Mount> mounts = drives != nullptr ? drives->Mounts() : std::vector<DriveSet::Mount>{};

    common::NarrowString errorText(kBadFormat);
    bool poweredOn = false;
    const bool loaded = source != nullptr && LoadStateImage(*source, errorText, poweredOn);
    if (loaded) {
        if (fileName != nullptr) {
            PrintStateLine(kTraceColour, "State loaded from file \"%s\"", *fileName);
        } else {
            PrintStateLine(kTraceColour, "State loaded from file memory");
        }
    } else {
        if (fileName != nullptr) {
            PrintStateLine(kErrorColour, "[ERROR] Error while loading state from file \"%s\" (%s)", *fileName,
                           errorText);
        } else {
            PrintStateLine(kErrorColour, "[ERROR] Error while loading state from memory (%s)", errorText);
        }
        if (drives != nullptr) {
            drives->RestoreMounts(mounts);
        }
        common::NarrowString ignored;
        bool restoredPowerOn = false;
        const bool restored = backup.has_value() && LoadStateImage(*backup, ignored, restoredPowerOn);
        poweredOn = poweredOn || restoredPowerOn;
        if (!restored) {
            if (powered) {
                DetachMachine();
            }
            bool changed = false;
            if (settingsSaved && settingsBackup.Seek(0)) {
                machine->LoadInitData(settingsArchive, changed);
            }
        }
    }
    pause.Release();
    if (poweredOn && powered && breakPending && !wasAtBreak) {
        ResumeEmulation();
    }
    statusChanged = true;
    stateRestored = true;
    return loaded;
}

} // namespace emu
