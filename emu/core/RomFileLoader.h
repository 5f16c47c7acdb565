#pragma once

#include "common/FileStream.h"
#include "common/NarrowString.h"
#include "common/PathString.h"

#include <array>
#include <cstdint>
#include <span>

namespace common {
class ProgramFolders;
} // namespace common

namespace emu {

class Computer;
class Device;
class MemoryMap;

// Up to five names of one file, tried in order; the first empty name ends the list.
using FileAlternatives = std::array<common::PathString, 5>;

// Finds the files a machine needs (ROM images, and disk images named without a folder) by their bare names, and
// loads them into the machine's memory or a buffer, reporting each load on a device's console as "[INIT]" or
// "[ERROR]" lines. A name is looked for in the program's folder under "configs" and the model's identifier,
// "configs" and the family's identifier, "configs", and the folder itself; then in the same four places of the
// settings folder, when there is one. In each place the name is tried as given and then in any letter case, so
// "B11M_BOS.ROM" is found as "b11m_bos.rom" too.
//
// Every load checks the file's size against the caller's limits (0 for none) and the room it has, and leaves
// the memory as it was when it refuses.
class RomFileLoader {
public:
    // Loads for the device: on its console, into its machine's memory, from its machine's folders.
    explicit RomFileLoader(const Device& device);

    // The path of the first place that holds the name; false (result empty) when none does.
    bool LocateConfigFiles(const common::String& name, common::PathString& result) const;
    // Opens on stream the first alternative found that is not empty and answers its number, 1 to 5, with the
    // stream at its start; else prints what was looked for and answers 0, naming a file that was there but empty or
    // could not be read. With logLoaded the file found is reported.
    int32_t FindOneOfFiles(common::FileStream& stream, const common::NarrowString& description,
                           const FileAlternatives& names, bool logLoaded = false) const;

    // Copies the first alternative found into memory from position; answers its number, or 0.
    int32_t LoadFileToMemory(uint32_t position, uint32_t minimumSize, uint32_t maximumSize,
                             const common::NarrowString& description, const FileAlternatives& names) const;
    // The same, answering the size of the file loaded, or 0.
    int64_t LoadFileToMemoryWithSize(uint32_t position, uint32_t minimumSize, uint32_t maximumSize,
                                     const common::NarrowString& description, const FileAlternatives& names) const;
    // Reads the whole file into the buffer, which it must fit; answers its size, or 0. position only names the
    // place in the messages. A null buffer answers 0 at once.
    int64_t LoadFileToBuffer(std::span<uint8_t> buffer, uint64_t position, uint32_t minimumSize, uint32_t maximumSize,
                             const common::NarrowString& description, const FileAlternatives& names) const;
    // Loads the file so that its last byte lies just below endPosition; answers its number, or 0.
    int32_t LoadFileToMemoryEnd(uint32_t endPosition, uint32_t minimumSize, uint32_t maximumSize,
                                const common::NarrowString& description, const FileAlternatives& names) const;
    // Loads two files of equal size interleaved: the even one at position, position + 2, ..., the odd one at
    // position + 1, position + 3, ...
    bool LoadFilePairToMemory(uint32_t position, const common::NarrowString& description,
                              const common::PathString& evenName, const common::PathString& oddName,
                              const common::PathString& evenAlternative = {},
                              const common::PathString& oddAlternative = {}) const;
    // Loads the pair so that it ends just below endPosition.
    bool LoadFilePairToMemoryEnd(uint32_t endPosition, const common::NarrowString& description,
                                 const common::PathString& evenName, const common::PathString& oddName) const;

private:
    // As LocateConfigFiles; a file met on the way that is there but cannot be read is noted in unreadable.
    bool Locate(const common::String& name, common::PathString& result, common::PathString& unreadable) const;
    // The first of the four places under base that holds the name.
    bool LocateUnder(const common::PathString& base, const common::String& name, common::PathString& result,
                     common::PathString& unreadable) const;
    // Whether the file's size lies within the limits (0 for none); prints why not.
    bool SizeFits(const common::String& name, int64_t size, uint32_t minimumSize, uint32_t maximumSize) const;
    // Whether the file fits the room it has; prints why not.
    bool RoomFits(const common::String& name, int64_t size, int64_t room) const;
    // The line for a file that cannot be copied to memory at position.
    void PrintCannotLoad(const common::String& name, uint64_t position, const common::NarrowString& description) const;
    // Bytes of memory from position to its end; -1, after the can-not-load line, when there are none.
    int64_t MemoryRoomAt(uint32_t position, const common::String& name, const common::NarrowString& description) const;
    // Copies the file found as names[index - 1] into memory from position; answers index, or 0.
    int32_t LoadFound(common::FileStream& stream, int32_t index, uint32_t position, uint32_t minimumSize,
                      uint32_t maximumSize, const common::NarrowString& description,
                      const FileAlternatives& names) const;
    bool LoadFoundPair(common::FileStream& even, common::FileStream& odd, uint32_t position,
                       const common::NarrowString& description, const common::PathString& evenName,
                       const common::PathString& oddName) const;

    const Device& device;
    const Computer* computer;
    MemoryMap* memory;
    const common::ProgramFolders& folders;
};

} // namespace emu
