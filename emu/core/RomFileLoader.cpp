#include "emu/core/RomFileLoader.h"

#include "common/Paths.h"
#include "common/ProgramFolders.h"
#include "common/WideString.h"
#include "common/platform/Folders.h"
#include "emu/core/Computer.h"
#include "emu/core/MemoryMap.h"

namespace emu {
namespace {

bool SameIgnoringCase(const common::String& a, const common::String& b) {
    common::WideString upperA;
    common::WideString upperB;
    upperA.Assign(a);
    upperB.Assign(b);
    upperA.ToUpper();
    upperB.ToUpper();
    return upperA.Compare(upperB) == 0;
}

// The path itself when the file is there, else a file of its folder whose name differs in letter case only. The
// first file met that is there but cannot be read (no permission, or not a regular file) is noted in unreadable.
bool FindFile(const common::PathString& path, common::PathString& result, common::PathString& unreadable) {
    const auto readable = [&](const common::PathString& candidate) {
        if (common::FileExists(candidate)) {
            return true;
        }
        if (unreadable.IsEmpty() && common::platform::PathExists(candidate.View()) && !common::IsDirectory(candidate)) {
            unreadable = candidate;
        }
        return false;
    };
    if (readable(path)) {
        result = path;
        return true;
    }
    const common::PathString folder = common::GetPathPart(path, -1);
    const common::PathString name = common::GetFileName(path);
    bool found = false;
    common::platform::ListFolder(folder.View(), u"*", [&](std::u16string_view entry, bool isFolder) {
        const common::PathString entryName(std::u16string(entry).c_str());
        if (found || isFolder || !SameIgnoringCase(entryName, name)) {
            return;
        }
        common::PathString candidate(folder);
        candidate.Append(entryName);
        if (readable(candidate)) {
            result = candidate;
            found = true;
        }
    });
    return found;
}

} // namespace

RomFileLoader::RomFileLoader(const Device& device)
    : device(device), computer(dynamic_cast<const Computer*>(device.Machine())), memory(device.Memory()),
      folders(computer != nullptr ? computer->Folders() : common::ProgramFolders::Host()) {}

bool RomFileLoader::LocateConfigFiles(const common::String& name, common::PathString& result) const {
    common::PathString unreadable;
    return Locate(name, result, unreadable);
}

bool RomFileLoader::Locate(const common::String& name, common::PathString& result,
                           common::PathString& unreadable) const {
    result.Clear();
    if (name.IsEmpty()) {
        return false;
    }
    if (LocateUnder(folders.GetProgramFolder(), name, result, unreadable)) {
        return true;
    }
    const common::PathString settingsFolder =
        folders.GetDataFolder(common::PathString(Computer::kDataFolderName), false);
    return common::IsDirectory(settingsFolder) && LocateUnder(settingsFolder, name, result, unreadable);
}

bool RomFileLoader::LocateUnder(const common::PathString& base, const common::String& name, common::PathString& result,
                                common::PathString& unreadable) const {
    const common::PathString none;
    const common::PathString configs = folders.ComposeFilePath(base, common::PathString("configs"), none, none);
    const common::PathString modelId = common::PathString(computer != nullptr ? computer->ModelId() : nullptr);
    const common::PathString familyId = common::PathString(computer != nullptr ? computer->FamilyId() : nullptr);
    for (const common::PathString& candidate : {
             folders.ComposeFilePath(configs, modelId, name, none),
             folders.ComposeFilePath(configs, familyId, name, none),
             folders.ComposeFilePath(configs, none, name, none),
             folders.ComposeFilePath(base, none, name, none),
         }) {
        if (FindFile(candidate, result, unreadable)) {
            return true;
        }
    }
    result.Clear();
    return false;
}

int32_t RomFileLoader::FindOneOfFiles(common::FileStream& stream, const common::NarrowString& description,
                                      const FileAlternatives& names, bool logLoaded) const {
    stream.Close();
    if (names[0].IsEmpty()) {
        return 0;
    }
    // Per name tried, a file that was there but could not be taken, and why.
    std::array<common::PathString, 5> refused;
    std::array<const char*, 5> reasons{};
    size_t tried = 0;
    for (; tried < names.size() && !names[tried].IsEmpty(); ++tried) {
        common::PathString found;
        common::PathString unreadable;
        if (Locate(names[tried], found, unreadable)) {
            if (stream.OpenForReading(found) && stream.Size() != 0) {
                if (logLoaded) {
                    device.PrintLine("[INIT] Loaded file \"%s\" (%s)", names[tried], description);
                }
                return static_cast<int32_t>(tried) + 1;
            }
            refused[tried] = found;
            reasons[tried] = stream.IsOpen() ? "is empty" : "can not be read";
        } else if (!unreadable.IsEmpty()) {
            refused[tried] = unreadable;
            reasons[tried] = "can not be read";
        }
        stream.Close();
    }
    if (tried == 1) {
        if (reasons[0] != nullptr) {
            device.PrintError("[ERROR] File \"%s\" (%s) %s!", refused[0], description, reasons[0]);
        } else {
            device.PrintError("[ERROR] File \"%s\" (%s) not found!", names[0], description);
        }
        return 0;
    }
    device.PrintError("[ERROR] No one of files found (%s): ", description);
    for (size_t index = 0; index < tried; ++index) {
        const char* separator = index + 1 < tried ? " or " : "";
        if (reasons[index] != nullptr) {
            device.PrintError("   \"%s\" %s%s", refused[index], reasons[index], separator);
        } else {
            device.PrintError("   \"%s\"%s", names[index], separator);
        }
    }
    return 0;
}

int32_t RomFileLoader::LoadFileToMemory(uint32_t position, uint32_t minimumSize, uint32_t maximumSize,
                                        const common::NarrowString& description, const FileAlternatives& names) const {
    common::FileStream stream;
    const int32_t index = FindOneOfFiles(stream, description, names);
    return index != 0 ? LoadFound(stream, index, position, minimumSize, maximumSize, description, names) : 0;
}

int64_t RomFileLoader::LoadFileToMemoryWithSize(uint32_t position, uint32_t minimumSize, uint32_t maximumSize,
                                                const common::NarrowString& description,
                                                const FileAlternatives& names) const {
    common::FileStream stream;
    const int32_t index = FindOneOfFiles(stream, description, names);
    const int64_t size = stream.Size();
    return index != 0 && LoadFound(stream, index, position, minimumSize, maximumSize, description, names) != 0 ? size
                                                                                                               : 0;
}

int64_t RomFileLoader::LoadFileToBuffer(std::span<uint8_t> buffer, uint64_t position, uint32_t minimumSize,
                                        uint32_t maximumSize, const common::NarrowString& description,
                                        const FileAlternatives& names) const {
    if (buffer.data() == nullptr) {
        return 0;
    }
    common::FileStream stream;
    const int32_t index = FindOneOfFiles(stream, description, names);
    if (index == 0) {
        return 0;
    }
    const common::PathString& chosen = names[static_cast<size_t>(index - 1)];
    const int64_t size = stream.Size();
    if (!SizeFits(chosen, size, minimumSize, maximumSize) ||
        !RoomFits(chosen, size, static_cast<int64_t>(buffer.size()))) {
        return 0;
    }
    const uint64_t shownPosition = position - static_cast<uint64_t>(size);
    if (stream.Read(buffer.data(), size) != size) {
        PrintCannotLoad(chosen, shownPosition, description);
        return 0;
    }
    device.PrintLine("[INIT] File \"%s\" loaded to memory at position %llXh (%s)", chosen, shownPosition, description);
    return size;
}

int32_t RomFileLoader::LoadFileToMemoryEnd(uint32_t endPosition, uint32_t minimumSize, uint32_t maximumSize,
                                           const common::NarrowString& description,
                                           const FileAlternatives& names) const {
    common::FileStream stream;
    const int32_t index = FindOneOfFiles(stream, description, names);
    if (index == 0 || !RoomFits(names[static_cast<size_t>(index - 1)], stream.Size(), endPosition)) {
        return 0;
    }
    const auto start = static_cast<uint32_t>(endPosition - stream.Size());
    return LoadFound(stream, index, start, minimumSize, maximumSize, description, names);
}

bool RomFileLoader::LoadFilePairToMemory(uint32_t position, const common::NarrowString& description,
                                         const common::PathString& evenName, const common::PathString& oddName,
                                         const common::PathString& evenAlternative,
                                         const common::PathString& oddAlternative) const {
    common::FileStream even;
    common::FileStream odd;
    return FindOneOfFiles(even, description, {evenName, evenAlternative}) != 0 &&
           FindOneOfFiles(odd, description, {oddName, oddAlternative}) != 0 &&
           LoadFoundPair(even, odd, position, description, evenName, oddName);
}

bool RomFileLoader::LoadFilePairToMemoryEnd(uint32_t endPosition, const common::NarrowString& description,
                                            const common::PathString& evenName,
                                            const common::PathString& oddName) const {
    common::FileStream even;
    common::FileStream odd;
    if (FindOneOfFiles(even, description, {evenName}) == 0 || FindOneOfFiles(odd, description, {oddName}) == 0) {
        return false;
    }
    const int64_t total = even.Size() + odd.Size();
    if (total > endPosition) {
        device.PrintError("[ERROR] Files \"%s\" and \"%s\" are too big to be loaded (>%ld)!", evenName, oddName,
                          int64_t{endPosition});
        return false;
    }
    return LoadFoundPair(even, odd, static_cast<uint32_t>(endPosition - total), description, evenName, oddName);
}

bool RomFileLoader::SizeFits(const common::String& name, int64_t size, uint32_t minimumSize,
                             uint32_t maximumSize) const {
    if (minimumSize != 0 && size < minimumSize) {
        device.PrintError("[ERROR] File \"%s\" is too small to be loaded (<%ld)!", name, int64_t{minimumSize});
        return false;
    }
    return maximumSize == 0 || RoomFits(name, size, maximumSize);
}

bool RomFileLoader::RoomFits(const common::String& name, int64_t size, int64_t room) const {
    if (size > room) {
        device.PrintError("[ERROR] File \"%s\" is too big to be loaded (>%ld)!", name, room);
        return false;
    }
    return true;
}

void RomFileLoader::PrintCannotLoad(const common::String& name, uint64_t position,
                                    const common::NarrowString& description) const {
    device.PrintError("[ERROR] Can not load file \"%s\" to memory at position %llXh (%s)!", name, position,
                      description);
}

int64_t RomFileLoader::MemoryRoomAt(uint32_t position, const common::String& name,
                                    const common::NarrowString& description) const {
    if (memory == nullptr || position >= memory->Size()) {
        PrintCannotLoad(name, position, description);
        return -1;
    }
    return int64_t{memory->Size()} - position;
}

int32_t RomFileLoader::LoadFound(common::FileStream& stream, int32_t index, uint32_t position, uint32_t minimumSize,
                                 uint32_t maximumSize, const common::NarrowString& description,
                                 const FileAlternatives& names) const {
    const common::PathString& chosen = names[static_cast<size_t>(index - 1)];
    const int64_t size = stream.Size();
    if (!SizeFits(chosen, size, minimumSize, maximumSize)) {
        return 0;
    }
    const int64_t room = MemoryRoomAt(position, chosen, description);
    if (room < 0 || !RoomFits(chosen, size, room)) {
        return 0;
    }
    if (!memory->LoadData(stream, position, 1, 1)) {
        PrintCannotLoad(chosen, position, description);
        return 0;
    }
    device.PrintLine("[INIT] File \"%s\" loaded to memory at position %llXh (%s)", chosen, uint64_t{position},
                     description);
    return index;
}

bool RomFileLoader::LoadFoundPair(common::FileStream& even, common::FileStream& odd, uint32_t position,
                                  const common::NarrowString& description, const common::PathString& evenName,
                                  const common::PathString& oddName) const {
    if (even.Size() != odd.Size()) {
        device.PrintError("[ERROR] Files \"%s\" and \"%s\" should have equal sizes!", evenName, oddName);
        return false;
    }
    const int64_t room = MemoryRoomAt(position, evenName, description);
    if (room < 0) {
        return false;
    }
    if (even.Size() + odd.Size() > room) {
        device.PrintError("[ERROR] Files \"%s\" and \"%s\" are too big to be loaded (>%ld)!", evenName, oddName, room);
        return false;
    }
    if (!memory->LoadData(even, position, 1, 2)) {
        PrintCannotLoad(evenName, position, description);
        return false;
    }
    if (!memory->LoadData(odd, position + 1, 1, 2)) {
        PrintCannotLoad(oddName, position, description);
        return false;
    }
    device.PrintLine("[INIT] Files \"%s\" and \"%s\" loaded to memory at position %llXh (%s)", evenName, oddName,
                     uint64_t{position}, description);
    return true;
}

} // namespace emu
